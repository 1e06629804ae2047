// The utility's binding to the reader library: loads libPelorus32.so by file name at every open,
// looks its entry points up by name, and keeps the one reader handle, the session record, the
// shared exchange record and the exchange trace. Every wrapper answers with the reader handle
// itself while it is negative (no reader open, or the last open failed), without calling the
// library.
#pragma once

#include <cstdint>
#include <string>

#include "LogSink.h"
#include "SharedLibrary.h"
#include "pelorus32.h"

namespace kestrel {

inline constexpr char kReaderLibraryFile[] = "libPelorus32.so";

// Returned by open when the reader library cannot be loaded or lacks QX_Open.
inline constexpr int32_t kNoReaderLibrary = -1;

class Kiteb {
 public:
  explicit Kiteb(std::string library_file = kReaderLibraryFile) : library_file_(std::move(library_file)) {}

  // 0, or the negative result of QX_Open (kept as the handle), or kNoReaderLibrary (the handle
  // then stays -1).
  int32_t open(int32_t reader_type, int32_t port);
  int32_t close();
  int32_t start_session(uint8_t card_type);
  int32_t end_session();
  // Exchanges the record; with the trace on, logs the exchange (even without a reader).
  int32_t exchange(QX_APDU& apdu);
  int32_t register_card_event_handler(QX_CALLBACK handler);
  // The caller checks that a reader is open first.
  int32_t read_reader_information(QX_INFO& info);

  void enable_exchange_trace(LogSink& log) {
    trace_on_ = true;
    trace_sink_ = &log;
  }
  // For a sink that goes away before the binding does.
  void disable_exchange_trace() {
    trace_on_ = false;
    trace_sink_ = nullptr;
  }

  int32_t handle() const { return handle_; }
  bool reader_open() const { return handle_ >= 0; }
  QX_SESSION& session() { return session_; }
  QX_APDU& exchange_record() { return exchange_record_; }
  QX_INFO& information() { return information_; }

 private:
  struct EntryPoints {
    decltype(&QX_Open) open = nullptr;
    decltype(&QX_Close) close = nullptr;
    decltype(&QX_StartSession) start_session = nullptr;
    decltype(&QX_EndSession) end_session = nullptr;
    decltype(&QX_ExchangeAPDU) exchange = nullptr;
    decltype(&QX_GetInfo) get_info = nullptr;
    decltype(&QX_RegisterCallback) register_callback = nullptr;
  };

  void trace_exchange(const QX_APDU& apdu, int32_t result);

  std::string library_file_;
  SharedLibrary library_;
  EntryPoints entry_;
  int32_t handle_ = -1;
  QX_SESSION session_{};
  QX_APDU exchange_record_{};
  QX_INFO information_{};
  bool trace_on_ = false;
  LogSink* trace_sink_ = nullptr;
};

// The lines the exchange trace writes for one exchange, in order.
std::string trace_header_line(const QX_APDU& apdu);
std::string trace_bytes_line(char direction, const uint8_t* bytes, int32_t count);
std::string trace_status_line(const QX_APDU& apdu);

}  // namespace kestrel
