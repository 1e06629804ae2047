#include "rfc2217_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testing_support {
namespace {

constexpr uint8_t kIac = 255, kSb = 250, kSe = 240, kWill = 251, kDo = 253, kComPort = 44;

}  // namespace

Rfc2217Peer::Rfc2217Peer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 1) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("no loopback port");
  }
  port_ = ntohs(address.sin_port);
}

Rfc2217Peer::~Rfc2217Peer() {
  join();
  if (client_ >= 0) ::close(client_);
  ::close(listener_);
}

void Rfc2217Peer::serve(std::function<void(Rfc2217Peer&)> script) {
  join();
  script_ = std::thread([this, script = std::move(script)] {
    if (client_ < 0 && !accept(5s)) {
      ADD_FAILURE() << "the library did not connect";
      return;
    }
    script(*this);
  });
}

void Rfc2217Peer::join() {
  if (script_.joinable()) script_.join();
}

bool Rfc2217Peer::accept(std::chrono::milliseconds timeout) {
  pollfd p{listener_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(timeout.count())) != 1) return false;
  client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (client_ < 0) return false;
  send_raw({kIac, kDo, kComPort, kIac, kWill, kComPort});
  return true;
}

void Rfc2217Peer::send_raw(const Bytes& bytes) {
  std::lock_guard lock(send_mutex_);
  if (client_ >= 0) (void)::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void Rfc2217Peer::send_modem_state(uint8_t lines) { send_raw({kIac, kSb, kComPort, 107, lines, kIac, kSe}); }

void Rfc2217Peer::send(const Bytes& data) {
  Bytes escaped;
  for (uint8_t b : data) {
    escaped.push_back(b);
    if (b == kIac) escaped.push_back(kIac);
  }
  send_raw(escaped);
}

bool Rfc2217Peer::pump(std::chrono::milliseconds timeout) {
  pollfd p{client_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(timeout.count())) != 1) return false;
  uint8_t raw[4096];
  const ssize_t n = ::recv(client_, raw, sizeof raw, 0);
  if (n <= 0) return false;
  for (ssize_t i = 0; i < n; ++i) {
    const uint8_t b = raw[i];
    switch (state_) {
      case State::Data:
        if (b == kIac) state_ = State::Iac;
        else data_.push_back(b);
        break;
      case State::Iac:
        if (b == kIac) data_.push_back(b);
        state_ = b == kIac ? State::Data : b == kSb ? State::Sub : b >= kWill ? State::Verb : State::Data;
        break;
      case State::Verb: state_ = State::Data; break;
      case State::Sub: if (b == kIac) state_ = State::SubIac; break;
      case State::SubIac: state_ = b == kSe ? State::Data : State::Sub; break;
    }
  }
  return true;
}

bool Rfc2217Peer::expect(const Bytes& expected, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (data_.size() < expected.size()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !pump(left)) break;
  }
  const Bytes got(data_.begin(), data_.begin() + static_cast<long>(std::min(data_.size(), expected.size())));
  data_.erase(data_.begin(), data_.begin() + static_cast<long>(got.size()));
  EXPECT_EQ(to_hex(got), to_hex(expected));
  return got == expected;
}

}  // namespace testing_support
