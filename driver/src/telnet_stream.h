// The telnet layer of a serial port served over the network (RFC 2217): data bytes with 0xFF
// doubled, option negotiation, and COM-PORT-OPTION subnegotiations. Pure code, no I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pelorus::telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kComPortOption = 44;

// COM-PORT-OPTION commands, client to server; the server answers with the code plus 100.
inline constexpr uint8_t kSetBaudRate = 1;
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kSetModemStateMask = 11;
inline constexpr uint8_t kPurgeData = 12;
inline constexpr uint8_t kServerOffset = 100;
inline constexpr uint8_t kNotifyModemState = 7 + kServerOffset;

inline constexpr uint8_t kControlNoFlowControl = 1;
inline constexpr uint8_t kControlDtrOn = 8;
inline constexpr uint8_t kControlDtrOff = 9;
inline constexpr uint8_t kParityNone = 1;
inline constexpr uint8_t kStopBitsOne = 1;
inline constexpr uint8_t kPurgeReceive = 1;  // the server's buffer of what the device sent
inline constexpr uint8_t kModemCts = 0x10;

// Writes data into out with every 0xFF doubled; returns the length (out must hold 2 × data).
size_t escape(std::span<const uint8_t> data, std::span<uint8_t> out);

// IAC SB COM-PORT-OPTION <command> <value...> IAC SE, with 0xFF in the command and the value
// doubled. The longest value a client sends is the four bytes of a rate.
inline constexpr size_t kMaxComPortValue = 4;
struct Subnegotiation {
  std::array<uint8_t, 5 + 2 * (1 + kMaxComPortValue)> bytes{};
  size_t size = 0;  // 0 for a value longer than kMaxComPortValue: nothing to send
  std::span<const uint8_t> view() const { return std::span(bytes).first(size); }
};
Subnegotiation com_port_command(uint8_t command, std::span<const uint8_t> value);
Subnegotiation set_baud_rate(uint32_t bits_per_second);

// What the decoder found besides data.
class Listener {
 public:
  virtual ~Listener() = default;
  virtual void on_negotiation(uint8_t verb, uint8_t option) = 0;
  // The bytes between IAC SB and IAC SE, unescaped (first byte: the option).
  virtual void on_subnegotiation(std::span<const uint8_t> body) = 0;
};

// Splits a telnet stream into data and commands; keeps its state between calls, since a command
// may arrive split over two reads. A subnegotiation longer than any of RFC 2217's is a broken
// one (its IAC SE lost, or a hostile peer): it is dropped and what follows is data again.
class StreamDecoder {
 public:
  static constexpr size_t kMaxSubnegotiation = 64;

  // Decodes raw bytes; data bytes go to out, which must hold raw.size() bytes. Returns their count.
  size_t decode(std::span<const uint8_t> raw, std::span<uint8_t> out, Listener& listener);

 private:
  enum class State { Data, Iac, Verb, Sub, SubIac };
  State state_ = State::Data;
  uint8_t verb_ = 0;
  std::array<uint8_t, kMaxSubnegotiation> sub_{};
  size_t sub_size_ = 0;
};

}  // namespace pelorus::telnet
