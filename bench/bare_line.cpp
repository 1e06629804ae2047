#include "bare_line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace bench {
namespace {

constexpr uint8_t kEtx = 0x03;

void make_raw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) throw std::runtime_error("tcgetattr");
  ::cfmakeraw(&t);
  ::tcsetattr(fd, TCSANOW, &t);
}

// The responder's loop: everything up to an ETX is one request; each gets the reply at once.
[[noreturn]] void answer_forever(int fd, size_t reply_size) {
  std::array<uint8_t, 600> reply{};
  std::fill_n(reply.begin(), reply_size, '0');
  reply[reply_size - 1] = kEtx;
  std::array<uint8_t, 600> in{};
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, -1) < 0) continue;
    const ssize_t n = ::read(fd, in.data(), in.size());
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) ::_exit(0);
    if (n > 0 && std::find(in.begin(), in.begin() + n, kEtx) != in.begin() + n) {
      if (::write(fd, reply.data(), reply_size) != static_cast<ssize_t>(reply_size)) ::_exit(1);
    }
  }
}

}  // namespace

BareResponder::BareResponder(Transport transport, size_t reply_size) {
  if (reply_size == 0 || reply_size > 600) throw std::invalid_argument("reply size");
  pelorus::UniqueFd served;
  if (transport == Transport::pty) {
    served = pelorus::UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!served || ::grantpt(served.get()) != 0 || ::unlockpt(served.get()) != 0) throw std::runtime_error("posix_openpt");
    std::array<char, 128> name{};
    if (::ptsname_r(served.get(), name.data(), name.size()) != 0) throw std::runtime_error("ptsname_r");
    pty_ = name.data();
    make_raw(served.get());
    // Held open for the responder's life, so that its end never sees a hang-up while the
    // caller's end is not open yet.
    slave_ = pelorus::UniqueFd(::open(pty_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave_) throw std::runtime_error("open " + pty_);
  } else {
    served = pelorus::UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!served || ::bind(served.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(served.get(), 1) != 0 || ::getsockname(served.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("loopback listener");
    }
    port_ = ntohs(address.sin_port);
  }
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ > 0) return;
  if (transport == Transport::pty) answer_forever(served.get(), reply_size);
  const int connection = ::accept(served.get(), nullptr, nullptr);
  const int on = 1;
  ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  answer_forever(connection, reply_size);
}

BareResponder::~BareResponder() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

BareLine::BareLine(const BareResponder& responder) {
  if (!responder.pty().empty()) {
    fd_ = pelorus::UniqueFd(::open(responder.pty().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd_) throw std::runtime_error("open " + responder.pty());
    make_raw(fd_.get());
    return;
  }
  fd_ = pelorus::UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(responder.port());
  if (!fd_ || ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("connect to the loopback responder");
  }
  const int on = 1;
  ::setsockopt(fd_.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::fcntl(fd_.get(), F_SETFL, O_NONBLOCK);
}

bool BareLine::round_trip(size_t request_size) {
  std::array<uint8_t, 600> request{};
  std::fill_n(request.begin(), request_size, '0');
  request[request_size - 1] = kEtx;
  if (::write(fd_.get(), request.data(), request_size) != static_cast<ssize_t>(request_size)) return false;
  std::array<uint8_t, 600> in{};
  for (;;) {
    pollfd p{fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) return false;
    const ssize_t n = ::read(fd_.get(), in.data(), in.size());
    if (n < 0 && errno == EAGAIN) continue;
    if (n <= 0) return false;
    if (in[static_cast<size_t>(n) - 1] == kEtx) return true;
  }
}

}  // namespace bench
