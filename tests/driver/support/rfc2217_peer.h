// A scripted serial port server on loopback, speaking just enough RFC 2217 for the library: it
// takes up the COM-PORT-OPTION, sends modem-state notifications when the script says so, hands
// the script the data bytes the library sent (IAC undoubled) and sends the script's bytes as
// data. Commands from the library are read and otherwise ignored.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "bytes.h"

namespace testing_support {

using namespace std::chrono_literals;

class Rfc2217Peer {
 public:
  Rfc2217Peer();
  ~Rfc2217Peer();
  Rfc2217Peer(const Rfc2217Peer&) = delete;
  Rfc2217Peer& operator=(const Rfc2217Peer&) = delete;

  std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

  // Runs the script on its own thread once the library has connected; join() waits for it.
  void serve(std::function<void(Rfc2217Peer&)> script);
  void join();

  // Script steps.
  void send_modem_state(uint8_t lines);  // NOTIFY-MODEMSTATE; CTS is 0x10
  void send(const Bytes& data);
  // Waits for exactly these data bytes (anything else before them fails the step).
  bool expect(const Bytes& expected, std::chrono::milliseconds timeout = 5s);
  // True when the connection is open; sending to a closed one is a no-op.
  bool connected() const { return client_ >= 0; }

 private:
  bool accept(std::chrono::milliseconds timeout);
  bool pump(std::chrono::milliseconds timeout);
  void send_raw(const Bytes& bytes);

  int listener_ = -1;
  int client_ = -1;
  int port_ = 0;
  Bytes data_;
  enum class State { Data, Iac, Verb, Sub, SubIac } state_ = State::Data;
  std::mutex send_mutex_;
  std::thread script_;
};

}  // namespace testing_support
