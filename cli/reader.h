// The reader and a card session as objects: the handle is closed and the card powered down when
// they go, whatever way the command ends.
#pragma once

#include <cstdint>
#include <string>

#include "pelorus32.h"

namespace CLI {
class App;
}

namespace pelorus {

// --port and --reader, which every command that talks to the reader takes.
struct ReaderChoice {
  std::string port = "COM1";
  std::string reader = "auto";
};
void add_reader_options(CLI::App& command, ReaderChoice& choice);

class Reader {
 public:
  explicit Reader(const ReaderChoice& choice);  // throws Failure
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  std::int32_t handle() const { return handle_; }
  QX_INFO info() const;

 private:
  std::int32_t handle_;
};

class Session {
 public:
  // Starts a session with the card type (or the security module with module_byte); throws.
  Session(const Reader& reader, std::uint8_t card_type, std::uint8_t module_byte = 0);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const QX_SESSION& record() const { return record_; }
  std::uint8_t card_type() const { return record_.CardType; }
  // Power down and up again, as a card reset; throws.
  void restart();
  // The library's result as it is; the record is filled in place.
  std::int32_t exchange(QX_APDU& apdu) const;

 private:
  void start();
  const Reader& reader_;
  std::uint8_t requested_;
  std::uint8_t module_byte_;
  QX_SESSION record_{};
};

}  // namespace pelorus
