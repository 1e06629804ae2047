#include "keyboard_link.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "pelorus32.h"
#include "reply.h"
#include "timing.h"
#include "trace.h"

namespace pelorus {

std::unique_ptr<KeyboardLink> KeyboardLink::open(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    trace::format("keyboard port \"%s\": not a usable socket path\n", path.c_str());
    return nullptr;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  UniqueFd socket(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
  if (!socket) {
    trace::system_error("socket for", path, errno);
    return nullptr;
  }
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    trace::system_error("connect", path, errno);
    return nullptr;
  }
  return std::make_unique<KeyboardLink>(path, std::move(socket));
}

KeyboardLink::~KeyboardLink() { trace::text("Keyboard port closed\n"); }

// A reply that comes after its request has given up must not be taken for the next one's.
bool KeyboardLink::collect_owed_replies() {
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(timing::scaled(timing::kReplyWait));
  const auto deadline = std::chrono::steady_clock::now() + wait + std::chrono::milliseconds(1);
  while (replies_owed_ > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{socket_.get(), POLLIN, 0};
    if (left.count() < 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      trace::format("keyboard port %s: %d late replies still owed\n", path_.c_str(), replies_owed_);
      return false;
    }
    if (::recv(socket_.get(), received_.data(), received_.size(), MSG_DONTWAIT) < 0 && errno != EAGAIN && errno != EINTR) {
      trace::system_error("recv from", path_, errno);
      return false;
    }
    --replies_owed_;
    trace::text("keyboard port: late reply dropped\n");
  }
  return true;
}

int32_t KeyboardLink::exchange(std::span<const uint8_t> command, Reply& reply) {
  trace::text("Send QXI Command via keyboard\n");
  const size_t request_length = codec::build_keyboard_request(command, request_);
  if (request_length == 0) return QX_ERR_KEYBOARD_LENGTH;

  if (!collect_owed_replies()) return QX_ERR_TIMEOUT;
  const auto request = std::span(request_).first(request_length);
  trace::hex("\n Send:", request);
  if (::send(socket_.get(), request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
    trace::system_error("send to", path_, errno);
    return QX_ERR_TIMEOUT;
  }
  ++replies_owed_;

  // The device request has no time-out of its own; a reader that never answers must not hang us.
  pollfd p{socket_.get(), POLLIN, 0};
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(timing::scaled(timing::kReplyWait));
  if (::poll(&p, 1, static_cast<int>(wait.count()) + 1) <= 0) {
    trace::format("keyboard port %s: no reply\n", path_.c_str());
    return QX_ERR_TIMEOUT;
  }
  const ssize_t length = ::recv(socket_.get(), received_.data(), received_.size(), MSG_DONTWAIT);
  if (length < 0) {
    trace::system_error("recv from", path_, errno);
    return QX_ERR_TIMEOUT;
  }
  --replies_owed_;
  if (length == 0) return QX_ERR_TIMEOUT;
  if (static_cast<size_t>(length) >= received_.size()) return QX_ERR_KEYBOARD_LENGTH;

  const auto message = std::span(received_).first(static_cast<size_t>(length));
  trace::hex("\nReceive:", message);
  const auto decoded = codec::decode_keyboard_reply(message, reply.bytes);
  if (decoded.status == codec::KeyboardReply::BadChecksum) trace::text("Checksum error!!!\n");
  if (decoded.status != codec::KeyboardReply::Ok || decoded.length < Reply::kMinimumLength) return QX_ERR_TIMEOUT;
  reply.length = decoded.length;
  return 0;
}

}  // namespace pelorus
