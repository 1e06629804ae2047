// The ten exported functions. Each takes the library lock (calls run one at a time), traces what
// it was asked and what it returned, and lets no exception out.
#include <exception>
#include <mutex>

#include "apdu_exchange.h"
#include "card_events.h"
#include "library.h"
#include "pelorus32.h"
#include "reader_info.h"
#include "reader_open.h"
#include "sessions.h"
#include "trace.h"

namespace {

template <typename Call>
int32_t guarded(const char* name, Call&& call) {
  std::lock_guard lock(pelorus::api_mutex());
  int32_t result;
  try {
    result = call(pelorus::library());
  } catch (const std::exception& e) {
    pelorus::trace::format("%s: %s\n", name, e.what());
    result = QX_ERR_NO_THREAD;
  }
  pelorus::trace::format("%s -> %d\n", name, result);
  return result;
}

}  // namespace

extern "C" {

int32_t QX_Open(int32_t ReaderType, int32_t Port) {
  pelorus::trace::format("QX_Open(%d, %d)\n", ReaderType, Port);
  return guarded("QX_Open", [&](auto& lib) { return pelorus::open_reader(lib, ReaderType, Port); });
}

int32_t QX_Close(int32_t Handle) {
  return guarded("QX_Close", [&](auto& lib) { return pelorus::close_reader(lib, Handle); });
}

int32_t QX_StartSession(int32_t Handle, QX_SESSION* Session) {
  return guarded("QX_StartSession", [&](auto& lib) { return pelorus::start_session(lib, Handle, Session); });
}

int32_t QX_EndSession(int32_t Handle) {
  return guarded("QX_EndSession", [&](auto& lib) { return pelorus::end_session(lib, Handle); });
}

int32_t QX_GetInfo(int32_t Handle, QX_INFO* Info) {
  return guarded("QX_GetInfo", [&](auto& lib) { return pelorus::get_info(lib, Handle, Info); });
}

int32_t QX_SetOptions(int32_t Handle, uint32_t Option, uint32_t Value) {
  return guarded("QX_SetOptions", [&](auto& lib) { return pelorus::set_options(lib, Handle, Option, Value); });
}

int32_t QX_Options(int32_t Handle, int32_t Option, int32_t Value, uint8_t* Buffer, int32_t Length) {
  return guarded("QX_Options",
                 [&](auto& lib) { return pelorus::options(lib, Handle, Option, Value, Buffer, Length); });
}

int32_t QX_ExchangeAPDU(int32_t Handle, QX_APDU* Apdu) {
  return guarded("QX_ExchangeAPDU", [&](auto& lib) { return pelorus::exchange_apdu(lib, Handle, Apdu); });
}

int32_t QX_RegisterCallback(int32_t Handle, QX_CALLBACK Callback) {
  return guarded("QX_RegisterCallback",
                 [&](auto& lib) { return pelorus::register_callback(lib, Handle, Callback); });
}

uint16_t GetReaderErrorCode(void) {
  std::lock_guard lock(pelorus::api_mutex());
  return pelorus::library().last_status_word;
}

}  // extern "C"
