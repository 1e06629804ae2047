// An RFC 2217 server on 127.0.0.1: a serial port over telnet, as network device servers offer.
// It carries the PC's data (IAC doubled both ways), line settings (rate, data size, parity, stop
// bits: the PC side's settings for the rate check), DTR (SET-CONTROL 8 on, 9 off; an off-then-on
// resets the reader), CTS (NOTIFY-MODEMSTATE, bit 0x10, honouring SET-MODEMSTATE-MASK) and purges.
// Every COM-PORT-OPTION sub-negotiation is answered with its server code (client code + 100).
//
// The modem state (DSR 0x20 always on, CTS 0x10, delta CTS 0x01) goes to the client
// - once the client agrees to the COM-PORT-OPTION: its WILL (the answer to our DO, or its own) or
//   its DO, which we grant. Both count, as in other servers: pyserial's client takes our DO as the
//   answer to the WILL it was about to send and then never sends it, but it does send DO;
// - on every CTS change while the client's SET-MODEMSTATE-MASK holds CTS or delta CTS;
// - in answer to a NOTIFY-MODEMSTATE from the client (a poll).
// The value is the state ANDed with the mask. Delta CTS is set when CTS differs from its level at the
// last notification (none before the first), so a change the mask kept quiet shows at the next poll.
// One client at a time; a later client is accepted once the first has gone.
#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <thread>

#include "../unique_fd.h"
#include "../wakeup.h"
#include "serial_port.h"
#include "telnet_codec.h"

namespace kitesim {

class Rfc2217Server : public SerialPort {
 public:
  // port 0 picks a free port. Throws std::system_error when the port cannot be bound.
  Rfc2217Server(LineEnd& line, std::uint16_t port);
  ~Rfc2217Server() override;

  std::uint16_t port() const { return port_; }
  void transmit(std::span<const std::uint8_t> bytes, std::uint32_t reader_rate) override;
  void cts_changed(bool on) override;

  // Called by the telnet decoder while a client is served.
  void on_data(std::span<const std::uint8_t> data);
  void on_negotiation(telnet::Negotiation negotiation);
  void on_subnegotiation(const telnet::Subnegotiation& sub);

 private:
  struct OptionState {
    bool enabled = false;
    bool asked = false;  // we sent the request and wait for its answer
  };
  // What one client has set; reset for every client.
  struct Session {
    int socket = -1;
    std::uint32_t rate = 9600;
    std::uint8_t data_size = 8, parity = 1, stop_size = 1;  // RFC 2217 codes: parity 1 none, stop 1 one
    bool dtr = true, rts = true;
    std::uint8_t flow_control = 1, inbound_flow = 14;
    std::uint8_t modem_mask = 0xFF, line_mask = 0x00;
    std::array<OptionState, 256> ours{}, theirs{};  // options we do, options they do
    bool com_port_agreed = false;  // the client does the COM-PORT-OPTION (WILL or DO)
    std::optional<bool> notified_cts;  // CTS at the last notification sent to the client
  };

  void run();
  void serve(UniqueFd client);
  void begin_session(int socket);
  // The *_locked functions expect mutex_ held.
  void send_locked(std::span<const std::uint8_t> bytes);
  void reply_locked(std::uint8_t command, std::span<const std::uint8_t> value);
  void notify_modem_state_locked();
  std::optional<bool> set_control_locked(std::uint8_t value);
  LineSettings pc_settings_locked() const;

  LineEnd& line_;
  UniqueFd listener_;
  std::uint16_t port_ = 0;
  Wakeup stop_;
  mutable std::mutex mutex_;  // guards session_ and writes to the client socket
  Session session_;
  bool cts_ = false;
  telnet::Decoder decoder_;  // only the server thread uses it
  std::thread thread_;
};

}  // namespace kitesim
