#include "rfc2217_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>
#include <string_view>
#include <system_error>

namespace kitesim {
namespace {

// COM-PORT-OPTION commands, client to server; the server answers with the code + 100.
enum Command : std::uint8_t {
  signature = 0,
  set_baudrate = 1,
  set_datasize = 2,
  set_parity = 3,
  set_stopsize = 4,
  set_control = 5,
  notify_linestate = 6,
  notify_modemstate = 7,
  flowcontrol_suspend = 8,
  flowcontrol_resume = 9,
  set_linestate_mask = 10,
  set_modemstate_mask = 11,
  purge_data = 12,
};
constexpr std::uint8_t server_offset = 100;

constexpr std::uint8_t modem_cts = 0x10;
constexpr std::uint8_t modem_dsr = 0x20;  // the reader is powered
constexpr std::uint8_t modem_delta_cts = 0x01;

constexpr std::string_view server_signature = "kitesim";
constexpr int send_timeout_ms = 1000;

// The same options both ways: binary data, no go-ahead, and the COM port option itself.
bool supported_by_us(std::uint8_t option) {
  return option == telnet::option_binary || option == telnet::option_sga || option == telnet::option_com_port;
}
bool supported_from_them(std::uint8_t option) { return supported_by_us(option); }

}  // namespace

Rfc2217Server::Rfc2217Server(LineEnd& line, std::uint16_t port)
    : line_(line), listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  if (!listener_) throw std::system_error(errno, std::generic_category(), "socket");
  int on = 1;
  ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_.get(), 4) != 0)
    throw std::system_error(errno, std::generic_category(), "bind 127.0.0.1:" + std::to_string(port));
  socklen_t length = sizeof address;
  ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  cts_ = line_.cts();
  thread_ = std::thread([this] { run(); });
}

Rfc2217Server::~Rfc2217Server() {
  stop_.signal();
  thread_.join();
}

void Rfc2217Server::run() {
  while (!stop_.signalled()) {
    if (!(poll_with_wakeup(listener_.get(), POLLIN, stop_, -1) & POLLIN)) continue;
    UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!client) continue;
    int on = 1;
    // Without it a request/response protocol waits for delayed ACKs on every exchange.
    ::setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    serve(std::move(client));
  }
}

void Rfc2217Server::serve(UniqueFd client) {
  begin_session(client.get());
  decoder_ = {};
  std::array<std::uint8_t, 4096> buffer{};
  for (;;) {
    short events = poll_with_wakeup(client.get(), POLLIN, stop_, -1);
    // Without a time-out the poll ends empty only when woken (or interrupted): the stop is
    // looked at then, not once more for every command.
    if (!events) {
      if (stop_.signalled()) break;
      continue;
    }
    ssize_t n = ::recv(client.get(), buffer.data(), buffer.size(), 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    decoder_.feed(std::span(buffer.data(), static_cast<std::size_t>(n)), *this);
  }
  std::lock_guard lock(mutex_);
  session_ = Session{};
}

void Rfc2217Server::begin_session(int socket) {
  std::lock_guard lock(mutex_);
  session_ = Session{};
  session_.socket = socket;
  auto ask = [this](std::uint8_t verb, std::uint8_t option) {
    (verb == telnet::will ? session_.ours : session_.theirs)[option].asked = true;
    send_locked(telnet::negotiation(verb, option));
  };
  ask(telnet::will, telnet::option_binary);
  ask(telnet::do_, telnet::option_binary);
  ask(telnet::will, telnet::option_sga);
  ask(telnet::do_, telnet::option_com_port);
}

void Rfc2217Server::send_locked(std::span<const std::uint8_t> bytes) {
  while (session_.socket >= 0 && !bytes.empty()) {
    ssize_t n = ::send(session_.socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    pollfd p{session_.socket, POLLOUT, 0};
    if (n < 0 && errno == EAGAIN && ::poll(&p, 1, send_timeout_ms) == 1) continue;
    // A client that does not read loses what does not fit, as on a real line.
    return;
  }
}

void Rfc2217Server::on_data(std::span<const std::uint8_t> data) {
  LineSettings pc;
  {
    std::lock_guard lock(mutex_);
    pc = pc_settings_locked();
  }
  line_.from_pc(data, pc);
}

LineSettings Rfc2217Server::pc_settings_locked() const {
  return {session_.rate, session_.data_size == 8 && session_.parity == 1 && session_.stop_size == 1};
}

void Rfc2217Server::on_negotiation(telnet::Negotiation negotiation) {
  std::lock_guard lock(mutex_);
  const std::uint8_t option = negotiation.option;
  const bool about_us = negotiation.verb == telnet::do_ || negotiation.verb == telnet::dont;
  const bool wanted = negotiation.verb == telnet::will || negotiation.verb == telnet::do_;
  const bool supported = about_us ? supported_by_us(option) : supported_from_them(option);
  OptionState& state = (about_us ? session_.ours : session_.theirs)[option];
  const bool was_enabled = state.enabled;
  const bool enable = wanted && supported;
  auto answer = [&](bool yes) {
    std::uint8_t verb = about_us ? (yes ? telnet::will : telnet::wont) : (yes ? telnet::do_ : telnet::dont);
    send_locked(telnet::negotiation(verb, option));
  };
  if (std::exchange(state.asked, false)) {
    state.enabled = enable;  // the answer to our own request needs no answer
  } else if (wanted && !supported) {
    answer(false);
  } else if (enable != was_enabled) {
    // Answer changes only: answering a repeated request again could go on for ever.
    state.enabled = enable;
    answer(enable);
  }
  if (option != telnet::option_com_port) return;
  // Agreement either way counts: see the header.
  const bool agreed = session_.ours[option].enabled || session_.theirs[option].enabled;
  if (agreed && !session_.com_port_agreed) {
    session_.com_port_agreed = true;
    notify_modem_state_locked();
  }
  session_.com_port_agreed = agreed;
}

void Rfc2217Server::reply_locked(std::uint8_t command, std::span<const std::uint8_t> value) {
  telnet::Bytes payload{static_cast<std::uint8_t>(command + server_offset)};
  payload.insert(payload.end(), value.begin(), value.end());
  send_locked(telnet::subnegotiation(telnet::option_com_port, payload));
}

void Rfc2217Server::notify_modem_state_locked() {
  // Delta CTS as a UART's modem status register has it: changed since the last notification.
  const bool delta_cts = session_.notified_cts && *session_.notified_cts != cts_;
  const std::uint8_t state = modem_dsr | (cts_ ? modem_cts : 0) | (delta_cts ? modem_delta_cts : 0);
  const std::uint8_t value = state & session_.modem_mask;
  session_.notified_cts = cts_;
  reply_locked(notify_modemstate, std::span(&value, 1));
}

void Rfc2217Server::cts_changed(bool on) {
  std::lock_guard lock(mutex_);
  // Only a change is news: the level taken when the server started may already be this one.
  if (std::exchange(cts_, on) == on) return;
  // The client's mask says which changes it wants to hear of.
  bool wanted = session_.modem_mask & (modem_cts | modem_delta_cts);
  if (session_.socket >= 0 && session_.com_port_agreed && wanted) notify_modem_state_locked();
}

void Rfc2217Server::on_subnegotiation(const telnet::Subnegotiation& sub) {
  if (sub.option != telnet::option_com_port || sub.payload.empty()) return;
  const std::uint8_t command = sub.payload[0];
  std::span<const std::uint8_t> value(sub.payload.data() + 1, sub.payload.size() - 1);
  std::optional<bool> dtr_change;
  {
    std::lock_guard lock(mutex_);
    auto byte_setting = [&](std::uint8_t& setting) {
      if (value.size() != 1) return;
      if (value[0] != 0) setting = value[0];  // 0 asks for the current value
      reply_locked(command, std::span(&setting, 1));
    };
    auto mask_setting = [&](std::uint8_t& mask) {  // every value is a mask, 0 too
      if (value.size() != 1) return;
      mask = value[0];
      reply_locked(command, std::span(&mask, 1));
    };
    switch (command) {
      case signature: {
        reply_locked(command, std::span(reinterpret_cast<const std::uint8_t*>(server_signature.data()),
                                        server_signature.size()));
        break;
      }
      case set_baudrate: {
        if (value.size() != 4) break;
        std::uint32_t rate = std::uint32_t{value[0]} << 24 | std::uint32_t{value[1]} << 16 |
                             std::uint32_t{value[2]} << 8 | value[3];
        if (rate != 0) session_.rate = rate;
        std::uint8_t current[] = {static_cast<std::uint8_t>(session_.rate >> 24),
                                  static_cast<std::uint8_t>(session_.rate >> 16),
                                  static_cast<std::uint8_t>(session_.rate >> 8),
                                  static_cast<std::uint8_t>(session_.rate)};
        reply_locked(command, current);
        break;
      }
      case set_datasize: byte_setting(session_.data_size); break;
      case set_parity: byte_setting(session_.parity); break;
      case set_stopsize: byte_setting(session_.stop_size); break;
      case set_control: {
        if (value.size() != 1) break;
        dtr_change = set_control_locked(value[0]);
        break;
      }
      case notify_modemstate: notify_modem_state_locked(); break;  // a poll
      case set_modemstate_mask: mask_setting(session_.modem_mask); break;
      case set_linestate_mask: mask_setting(session_.line_mask); break;
      case notify_linestate: {
        std::uint8_t line_state = 0;
        reply_locked(command, std::span(&line_state, 1));
        break;
      }
      default:
        // Flow-control suspend and resume, purges and anything newer: nothing is buffered here,
        // so an acknowledgement is all there is to do.
        reply_locked(command, value);
        break;
    }
  }
  if (dtr_change) line_.set_dtr(*dtr_change);
}

// Returns the new DTR level when the value changes it.
std::optional<bool> Rfc2217Server::set_control_locked(std::uint8_t value) {
  std::uint8_t answer = value;
  std::optional<bool> dtr_change;
  switch (value) {
    case 0: answer = session_.flow_control; break;
    case 1: case 2: case 3: session_.flow_control = value; break;
    case 4: answer = 6; break;  // BREAK is never on
    case 7: answer = session_.dtr ? 8 : 9; break;
    case 8: case 9:
      session_.dtr = value == 8;
      dtr_change = session_.dtr;
      break;
    case 10: answer = session_.rts ? 11 : 12; break;
    case 11: case 12: session_.rts = value == 11; break;
    case 13: answer = session_.inbound_flow; break;
    case 14: case 15: case 16: case 17: case 18: case 19: session_.inbound_flow = value; break;
    default: break;
  }
  reply_locked(set_control, std::span(&answer, 1));
  return dtr_change;
}

void Rfc2217Server::transmit(std::span<const std::uint8_t> bytes, std::uint32_t reader_rate) {
  std::lock_guard lock(mutex_);
  if (session_.socket < 0) return;
  if (line_matches(pc_settings_locked(), reader_rate)) {
    send_locked(telnet::escape(bytes));
  } else {
    auto noise = garble(bytes);
    send_locked(telnet::escape(noise));
  }
}

}  // namespace kitesim
