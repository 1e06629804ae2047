// The ten exported functions. Each takes the library lock (calls run one at a time), checks its
// handle, traces what it was asked and what it returned, and lets no exception out.
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

using pelorus::HandleCall;
using pelorus::Library;

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

// A call on a handle: -603 before anything else when the handle is not open.
template <typename Call>
int32_t on_handle(const char* name, int32_t handle, Call&& call) {
  return guarded(name, [&](Library& lib) -> int32_t {
    const auto open = pelorus::open_handle(lib, handle);
    return open ? call(*open) : QX_ERR_BAD_HANDLE;
  });
}

}  // namespace

extern "C" {

int32_t QX_Open(int32_t ReaderType, int32_t Port) {
  pelorus::trace::format("QX_Open(%d, %d)\n", ReaderType, Port);
  return guarded("QX_Open", [&](Library& lib) { return pelorus::open_reader(lib, ReaderType, Port); });
}

int32_t QX_Close(int32_t Handle) {
  return on_handle("QX_Close", Handle, [](const HandleCall& call) { return pelorus::close_reader(call); });
}

int32_t QX_StartSession(int32_t Handle, QX_SESSION* Session) {
  return on_handle("QX_StartSession", Handle, [&](const HandleCall& call) { return pelorus::start_session(call, Session); });
}

int32_t QX_EndSession(int32_t Handle) {
  return on_handle("QX_EndSession", Handle, [](const HandleCall& call) { return pelorus::end_session(call); });
}

int32_t QX_GetInfo(int32_t Handle, QX_INFO* Info) {
  return on_handle("QX_GetInfo", Handle, [&](const HandleCall& call) { return pelorus::get_info(call, Info); });
}

int32_t QX_SetOptions(int32_t Handle, uint32_t Option, uint32_t Value) {
  return on_handle("QX_SetOptions", Handle,
                   [&](const HandleCall& call) { return pelorus::set_options(call, Option, Value); });
}

int32_t QX_Options(int32_t Handle, int32_t Option, int32_t Value, uint8_t* Buffer, int32_t Length) {
  return on_handle("QX_Options", Handle,
                   [&](const HandleCall& call) { return pelorus::options(call, Option, Value, Buffer, Length); });
}

int32_t QX_ExchangeAPDU(int32_t Handle, QX_APDU* Apdu) {
  return on_handle("QX_ExchangeAPDU", Handle, [&](const HandleCall& call) { return pelorus::exchange_apdu(call, Apdu); });
}

int32_t QX_RegisterCallback(int32_t Handle, QX_CALLBACK Callback) {
  return on_handle("QX_RegisterCallback", Handle,
                   [&](const HandleCall& call) { return pelorus::register_callback(call, Callback); });
}

uint16_t GetReaderErrorCode(void) {
  std::lock_guard lock(pelorus::api_mutex());
  return pelorus::library().last_status_word;
}

}  // extern "C"
