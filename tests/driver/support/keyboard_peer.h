// A scripted reader behind the keyboard-port socket: accepts the library's connection, takes
// one request message at a time and answers with one reply message.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "bytes.h"

namespace testing_support {

using namespace std::chrono_literals;

class KeyboardPeer {
 public:
  KeyboardPeer();
  ~KeyboardPeer();
  KeyboardPeer(const KeyboardPeer&) = delete;
  KeyboardPeer& operator=(const KeyboardPeer&) = delete;

  const std::string& path() const { return path_; }

  void serve(std::function<void(KeyboardPeer&)> script);
  void join();

  // Script steps.
  bool accept(std::chrono::milliseconds timeout = 5s);
  Bytes receive(std::chrono::milliseconds timeout = 5s);
  bool expect(const Bytes& expected, std::chrono::milliseconds timeout = 5s);
  void send(const Bytes& message);

 private:
  std::string directory_;
  std::string path_;
  int listener_ = -1;
  int connection_ = -1;
  std::thread script_;
};

// The request the library sends for a command: 35, 00 01, nibble values, checksum nibbles, 34.
Bytes keyboard_request(const Bytes& command);

// A reply message: 35, then header 01 and each reply byte (status, length, data, checksum) as
// key scan codes of its two hex digits, then 34.
Bytes keyboard_reply(uint16_t status, const Bytes& data = {});

}  // namespace testing_support
