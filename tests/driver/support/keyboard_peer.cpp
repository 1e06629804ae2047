#include "keyboard_peer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testing_support {
namespace {

bool wait_readable(int fd, std::chrono::milliseconds timeout) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

// Scan codes (set 1 make codes) of the keys 0 to F.
constexpr uint8_t kScanCodes[16] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                    0x09, 0x0A, 0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21};

}  // namespace

KeyboardPeer::KeyboardPeer() {
  char pattern[] = "/tmp/pelorus-kbd-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
  directory_ = pattern;
  path_ = directory_ + "/keyboard";
  listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 4) != 0) {
    throw std::runtime_error("keyboard socket");
  }
}

KeyboardPeer::~KeyboardPeer() {
  join();
  if (connection_ >= 0) ::close(connection_);
  ::close(listener_);
  ::unlink(path_.c_str());
  ::rmdir(directory_.c_str());
}

void KeyboardPeer::serve(std::function<void(KeyboardPeer&)> script) {
  join();
  script_ = std::thread([this, script = std::move(script)] { script(*this); });
}

void KeyboardPeer::join() {
  if (script_.joinable()) script_.join();
}

bool KeyboardPeer::accept(std::chrono::milliseconds timeout) {
  if (!wait_readable(listener_, timeout)) return false;
  if (connection_ >= 0) ::close(connection_);
  connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  return connection_ >= 0;
}

Bytes KeyboardPeer::receive(std::chrono::milliseconds timeout) {
  if (connection_ < 0 || !wait_readable(connection_, timeout)) return {};
  Bytes message(4096);
  const ssize_t n = ::recv(connection_, message.data(), message.size(), 0);
  message.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return message;
}

bool KeyboardPeer::expect(const Bytes& expected, std::chrono::milliseconds timeout) {
  const Bytes got = receive(timeout);
  EXPECT_EQ(to_hex(got), to_hex(expected));
  return got == expected;
}

void KeyboardPeer::send(const Bytes& message) {
  if (::send(connection_, message.data(), message.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(message.size())) {
    ADD_FAILURE() << "keyboard peer: send failed";
  }
}

Bytes keyboard_request(const Bytes& command) {
  Bytes out = {0x35, 0x00, 0x01};
  uint8_t x = 0x01;
  for (uint8_t b : command) {
    out.push_back(b >> 4);
    out.push_back(b & 15);
    x ^= b;
  }
  out.push_back(x >> 4);
  out.push_back(x & 15);
  out.push_back(0x34);
  return out;
}

Bytes keyboard_reply(uint16_t status, const Bytes& data) {
  Bytes body = {static_cast<uint8_t>(status >> 8), static_cast<uint8_t>(status), static_cast<uint8_t>(data.size())};
  body.insert(body.end(), data.begin(), data.end());
  uint8_t x = 0x01;
  for (uint8_t b : body) x ^= b;
  body.push_back(x);

  Bytes out = {0x35, kScanCodes[0], kScanCodes[1]};
  for (uint8_t b : body) {
    out.push_back(kScanCodes[b >> 4]);
    out.push_back(kScanCodes[b & 15]);
  }
  out.push_back(0x34);
  return out;
}

}  // namespace testing_support
