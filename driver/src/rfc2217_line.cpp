#include "rfc2217_line.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "telnet_stream.h"
#include "trace.h"
#include "unique_fd.h"

namespace pelorus {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long to wait for the TCP connection and for the server to take up the COM-PORT-OPTION.
// These are network waits, not the reader protocol's, so they are not scaled.
constexpr milliseconds kConnectWait{3000};
constexpr milliseconds kNegotiationWait{1000};

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

UniqueFd connect_to(const NetworkAddress& address, const std::string& url) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int rc = ::getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found); rc != 0) {
    trace::format("getaddrinfo %s: %s\n", url.c_str(), ::gai_strerror(rc));
    return UniqueFd();
  }
  UniqueFd connected;
  for (addrinfo* a = found; a != nullptr && !connected; a = a->ai_next) {
    UniqueFd s(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
    if (!s) continue;
    if (::connect(s.get(), a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      trace::system_error("connect", url, errno);
      continue;
    }
    pollfd p{s.get(), POLLOUT, 0};
    int error = ETIMEDOUT;
    socklen_t length = sizeof error;
    if (::poll(&p, 1, static_cast<int>(kConnectWait.count())) == 1) ::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
      trace::system_error("connect", url, error);
      continue;
    }
    connected = std::move(s);
  }
  ::freeaddrinfo(found);
  return connected;
}

class Rfc2217Line final : public Line, private telnet::Listener {
 public:
  Rfc2217Line(std::string url, UniqueFd socket) : Line(std::move(url)), socket_(std::move(socket)) {}

  // Offers binary mode and the COM-PORT-OPTION, waits a little for the server to agree, then
  // sets the line up. A server that never agrees still gets the settings.
  void negotiate(int bits_per_second) {
    static constexpr uint8_t kOffer[] = {
        telnet::kIac, telnet::kWill, telnet::kBinary,         telnet::kIac, telnet::kDo,   telnet::kBinary,
        telnet::kIac, telnet::kWill, telnet::kSuppressGoAhead, telnet::kIac, telnet::kDo,   telnet::kSuppressGoAhead,
        telnet::kIac, telnet::kWill, telnet::kComPortOption};
    send_raw(kOffer, kNegotiationWait);
    const auto deadline = Clock::now() + kNegotiationWait;
    while (!com_port_agreed_ && remaining_ms(deadline) > 0) {
      pollfd p{socket_.get(), POLLIN, 0};
      if (::poll(&p, 1, remaining_ms(deadline)) <= 0 || drain() < 0) break;
    }
    if (!com_port_agreed_) trace::format("%s: the server did not take up the COM-PORT-OPTION\n", name().c_str());

    static constexpr uint8_t kEightBits[] = {8};
    static constexpr uint8_t kNoParity[] = {telnet::kParityNone};
    static constexpr uint8_t kOneStopBit[] = {telnet::kStopBitsOne};
    static constexpr uint8_t kNoFlowControl[] = {telnet::kControlNoFlowControl};
    static constexpr uint8_t kAllModemLines[] = {0xFF};
    set_rate(bits_per_second);
    send_command(telnet::kSetDataSize, kEightBits);
    send_command(telnet::kSetParity, kNoParity);
    send_command(telnet::kSetStopSize, kOneStopBit);
    send_command(telnet::kSetControl, kNoFlowControl);
    send_command(telnet::kSetModemStateMask, kAllModemLines);
    set_dtr(true);
  }

  int poll_fd() const override { return socket_.get(); }

  long read_available(std::span<uint8_t> out) override {
    size_t data = 0;
    return read_raw(out, out.size(), data) < 0 ? -1 : static_cast<long>(data);
  }

  bool write_all(std::span<const uint8_t> bytes, std::chrono::microseconds wait) override {
    std::lock_guard lock(write_mutex_);
    const auto deadline = Clock::now() + wait;
    while (!bytes.empty()) {
      const auto chunk = bytes.first(std::min(bytes.size(), escaped_.size() / 2));
      const size_t length = telnet::escape(chunk, escaped_);
      if (!send_locked(std::span(escaped_).first(length), deadline)) return false;
      bytes = bytes.subspan(chunk.size());
    }
    return true;
  }

  bool set_rate(int bits_per_second) override {
    return send_raw(telnet::set_baud_rate(static_cast<uint32_t>(bits_per_second)).view(), kNegotiationWait);
  }

  void set_dtr(bool on) override {
    const uint8_t value[] = {on ? telnet::kControlDtrOn : telnet::kControlDtrOff};
    send_command(telnet::kSetControl, value);
  }

  bool cts() override { return cts_; }

  // Asks the server to drop what it holds for us and drops what has already arrived here.
  void purge() override {
    static constexpr uint8_t kReceive[] = {telnet::kPurgeReceive};
    send_command(telnet::kPurgeData, kReceive);
    drain();
  }

 private:
  // Reads up to `limit` bytes off the socket and decodes them: the data bytes into out (`data`
  // says how many), the commands to this line. Returns the raw bytes read, 0 when none had
  // arrived, -1 when the connection is gone.
  long read_raw(std::span<uint8_t> out, size_t limit, size_t& data) {
    std::array<uint8_t, 600> raw;
    const ssize_t n = ::recv(socket_.get(), raw.data(), std::min({raw.size(), out.size(), limit}), MSG_DONTWAIT);
    if (n > 0) {
      data = decoder_.decode(std::span(raw).first(static_cast<size_t>(n)), out, *this);
      return n;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    if (n == 0) {
      trace::format("%s: connection closed by the server\n", name().c_str());
    } else {
      trace::system_error("recv", name(), errno);
    }
    return -1;
  }

  void on_negotiation(uint8_t verb, uint8_t option) override {
    const bool wanted = option == telnet::kBinary || option == telnet::kSuppressGoAhead || option == telnet::kComPortOption;
    if (verb == telnet::kDo && option == telnet::kComPortOption) com_port_agreed_ = true;
    if (wanted) return;  // we offered these ourselves: the server's word is its answer
    // Refuse anything else; never answer a refusal, so that no loop can start.
    if (verb == telnet::kDo) send_refusal(telnet::kWont, option);
    if (verb == telnet::kWill) send_refusal(telnet::kDont, option);
  }

  void on_subnegotiation(std::span<const uint8_t> body) override {
    if (body.size() >= 3 && body[0] == telnet::kComPortOption && body[1] == telnet::kNotifyModemState) {
      cts_ = (body[2] & telnet::kModemCts) != 0;
    }
  }

  void send_refusal(uint8_t verb, uint8_t option) {
    const uint8_t refusal[] = {telnet::kIac, verb, option};
    send_raw(refusal, kNegotiationWait);
  }

  void send_command(uint8_t command, std::span<const uint8_t> value) {
    send_raw(telnet::com_port_command(command, value).view(), kNegotiationWait);
  }

  bool send_raw(std::span<const uint8_t> bytes, milliseconds wait) {
    std::lock_guard lock(write_mutex_);
    return send_locked(bytes, Clock::now() + wait);
  }

  bool send_locked(std::span<const uint8_t> bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(socket_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        bytes = bytes.subspan(static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        trace::system_error("send", name(), errno);
        return false;
      }
      if (remaining_ms(deadline) == 0) return true;  // still pending: the reply wait decides
      pollfd p{socket_.get(), POLLOUT, 0};
      ::poll(&p, 1, remaining_ms(deadline));
    }
    return true;
  }

  // Reads and decodes what had arrived when it was called, keeping the commands and dropping the
  // data. Only that much: a server that keeps streaming must not keep the caller here.
  long drain() {
    int queued = 0;
    if (::ioctl(socket_.get(), FIONREAD, &queued) != 0) return -1;
    std::array<uint8_t, 600> data;
    long total = 0;
    for (size_t left = static_cast<size_t>(queued); left > 0;) {
      size_t decoded = 0;
      const long n = read_raw(data, std::min(left, data.size()), decoded);
      if (n <= 0) return n < 0 ? -1 : total;
      left -= static_cast<size_t>(n);
      total += n;
    }
    return total;
  }

  UniqueFd socket_;
  telnet::StreamDecoder decoder_;  // used by whoever reads: the listener, or a purge under its lock
  std::atomic<bool> cts_{false};
  std::atomic<bool> com_port_agreed_{false};
  std::mutex write_mutex_;
  std::array<uint8_t, 1200> escaped_{};
};

}  // namespace

std::optional<NetworkAddress> parse_rfc2217_url(const std::string& url) {
  const std::string scheme = kRfc2217Scheme;
  if (url.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
  std::string rest = url.substr(scheme.size());
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  NetworkAddress address;
  size_t colon;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return std::nullopt;
    address.host = rest.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = rest.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    address.host = rest.substr(0, colon);
  }
  address.port = rest.substr(colon + 1);
  if (address.host.empty() || address.port.empty() ||
      address.port.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return address;
}

std::unique_ptr<Line> open_rfc2217_line(const std::string& url, int bits_per_second) {
  const auto address = parse_rfc2217_url(url);
  if (!address) {
    trace::format("\"%s\" is not rfc2217://host:port\n", url.c_str());
    return nullptr;
  }
  UniqueFd socket = connect_to(*address, url);
  if (!socket) return nullptr;
  const int on = 1;
  // Without it every frame waits for the peer's delayed acknowledgement (about 40 ms).
  ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  auto line = std::make_unique<Rfc2217Line>(url, std::move(socket));
  line->negotiate(bits_per_second);
  return line;
}

}  // namespace pelorus
