// The keyboard-port device as a Unix socket of type SOCK_SEQPACKET: each request is one message,
// each answer one message (possibly empty), so message boundaries hold as for a device request.
// Several clients may be connected; each is answered in turn.
#pragma once

#include <filesystem>
#include <span>
#include <thread>

#include "../keyboard_coding.h"
#include "../unique_fd.h"
#include "../wakeup.h"

namespace kitesim {

class KeyboardEnd {
 public:
  virtual KeyboardAnswer keyboard_request(std::span<const std::uint8_t> message) = 0;

 protected:
  ~KeyboardEnd() = default;
};

class KeyboardSocket {
 public:
  // Replaces an old socket file at path. Throws std::system_error when it cannot listen there.
  KeyboardSocket(KeyboardEnd& reader, std::filesystem::path path);
  ~KeyboardSocket();

 private:
  void run();
  // false when the client has gone.
  bool answer(int client);

  KeyboardEnd& reader_;
  std::filesystem::path path_;
  UniqueFd listener_;
  Wakeup stop_;
  std::thread thread_;
};

}  // namespace kitesim
