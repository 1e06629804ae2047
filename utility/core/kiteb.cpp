#include "kiteb.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "HexBytes.h"

namespace kestrel {

int32_t Kiteb::open(int32_t reader_type, int32_t port) {
  SharedLibrary loaded(library_file_);
  if (!loaded.loaded()) return kNoReaderLibrary;
  library_ = std::move(loaded);
  entry_ = EntryPoints{
      library_.entry<decltype(&QX_Open)>("QX_Open"),
      library_.entry<decltype(&QX_Close)>("QX_Close"),
      library_.entry<decltype(&QX_StartSession)>("QX_StartSession"),
      library_.entry<decltype(&QX_EndSession)>("QX_EndSession"),
      library_.entry<decltype(&QX_ExchangeAPDU)>("QX_ExchangeAPDU"),
      library_.entry<decltype(&QX_GetInfo)>("QX_GetInfo"),
      library_.entry<decltype(&QX_RegisterCallback)>("QX_RegisterCallback"),
  };
  trace_on_ = false;
  if (entry_.open == nullptr) return kNoReaderLibrary;
  handle_ = entry_.open(reader_type, port);
  return handle_ < 0 ? handle_ : 0;
}

int32_t Kiteb::close() {
  // With no reader open, close answers the handle (-1, or what a failed open left) and then the
  // handle is -1 as after any close.
  if (handle_ < 0) return std::exchange(handle_, -1);
  const int32_t result = entry_.close != nullptr ? entry_.close(handle_) : kNoReaderLibrary;
  handle_ = -1;
  return result;
}

int32_t Kiteb::start_session(uint8_t card_type) {
  session_.CardType = card_type;
  if (handle_ < 0) return handle_;
  return entry_.start_session != nullptr ? entry_.start_session(handle_, &session_) : kNoReaderLibrary;
}

int32_t Kiteb::end_session() {
  if (handle_ < 0) return handle_;
  return entry_.end_session != nullptr ? entry_.end_session(handle_) : kNoReaderLibrary;
}

int32_t Kiteb::exchange(QX_APDU& apdu) {
  int32_t result = handle_;
  if (handle_ >= 0) result = entry_.exchange != nullptr ? entry_.exchange(handle_, &apdu) : kNoReaderLibrary;
  if (trace_on_) trace_exchange(apdu, result);
  return result;
}

int32_t Kiteb::register_card_event_handler(QX_CALLBACK handler) {
  if (handle_ < 0) return handle_;
  return entry_.register_callback != nullptr ? entry_.register_callback(handle_, handler) : 0;
}

int32_t Kiteb::read_reader_information(QX_INFO& info) {
  if (handle_ < 0) return handle_;
  return entry_.get_info != nullptr ? entry_.get_info(handle_, &info) : kNoReaderLibrary;
}

void Kiteb::trace_exchange(const QX_APDU& apdu, int32_t result) {
  if (trace_sink_ == nullptr) return;
  trace_sink_->append(trace_header_line(apdu));
  if (apdu.Lc > 0) trace_sink_->append(trace_bytes_line('<', apdu.DataIn, apdu.Lc));
  trace_sink_->append(trace_status_line(apdu));
  if (apdu.Le > 0) trace_sink_->append(trace_bytes_line('>', apdu.DataOut, apdu.Le));
  if (result < 0) trace_sink_->append("ExchangeAPDU error! code = " + std::to_string(result));
}

std::string trace_header_line(const QX_APDU& apdu) {
  const uint8_t header[] = {apdu.CLA, apdu.INS, apdu.P1, apdu.P2, static_cast<uint8_t>(apdu.Lc), static_cast<uint8_t>(apdu.Le)};
  return "< " + hex_bytes_joined(header);
}

// "< " or "> " and each byte as two digits and a space; never more bytes than the record holds.
std::string trace_bytes_line(char direction, const uint8_t* bytes, int32_t count) {
  const int32_t shown = std::clamp<int32_t>(count, 0, QX_DATA_SIZE);
  return std::string{direction, ' '} + hex_bytes_spaced(std::span(bytes, static_cast<size_t>(shown)));
}

std::string trace_status_line(const QX_APDU& apdu) {
  char line[32];
  std::snprintf(line, sizeof line, "> %.4X (SW1,SW2)", apdu.Status);
  return line;
}

}  // namespace kestrel
