// Telnet as RFC 2217 uses it: data with IAC (FF) doubled, option negotiation (WILL, WONT, DO,
// DONT) and sub-negotiations IAC SB option ... IAC SE.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kitesim::telnet {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t iac = 255, dont = 254, do_ = 253, wont = 252, will = 251, sb = 250,
                              se = 240;
inline constexpr std::uint8_t option_binary = 0, option_echo = 1, option_sga = 3,
                              option_com_port = 44;
// The longest sub-negotiation payload (after the option byte) the decoder keeps; RFC 2217 sends far
// shorter ones. A sub-negotiation that runs past it, as one whose IAC SE never comes, is dropped and
// the decoder goes back to data: the bytes after the bound are data again, and a late IAC SE with no
// sub-negotiation open is ignored like any other command without meaning for a serial line.
inline constexpr std::size_t max_subnegotiation = 64;

struct Negotiation {
  std::uint8_t verb;  // will, wont, do_, dont
  std::uint8_t option;
};

struct Subnegotiation {
  std::uint8_t option;
  Bytes payload;  // after the option byte, IAC undoubled
};

// Receives a telnet stream in pieces; whatever a piece completes is handed to the sink.
template <typename Sink>
concept TelnetSink = requires(Sink& s, std::span<const std::uint8_t> d, Negotiation n, Subnegotiation sn) {
  s.on_data(d);
  s.on_negotiation(n);
  s.on_subnegotiation(sn);
};

class Decoder {
 public:
  template <TelnetSink Sink>
  void feed(std::span<const std::uint8_t> bytes, Sink& sink);

 private:
  enum class State { data, iac, verb, sb_option, sb_data, sb_iac };
  State state_ = State::data;
  std::uint8_t verb_ = 0;
  Subnegotiation sub_;
  Bytes data_;
};

// Data for the wire: IAC doubled.
Bytes escape(std::span<const std::uint8_t> data);
Bytes negotiation(std::uint8_t verb, std::uint8_t option);
Bytes subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload);

template <TelnetSink Sink>
void Decoder::feed(std::span<const std::uint8_t> bytes, Sink& sink) {
  data_.clear();
  auto flush = [&] {
    if (!data_.empty()) sink.on_data(std::span<const std::uint8_t>(data_));
    data_.clear();
  };
  for (std::uint8_t b : bytes) {
    switch (state_) {
      case State::data:
        if (b == iac) state_ = State::iac;
        else data_.push_back(b);
        break;
      case State::iac:
        if (b == iac) {
          data_.push_back(iac);
          state_ = State::data;
        } else if (b == will || b == wont || b == do_ || b == dont) {
          verb_ = b;
          state_ = State::verb;
        } else if (b == sb) {
          state_ = State::sb_option;
        } else {
          state_ = State::data;  // NOP, GA and the like carry nothing for a serial line
        }
        break;
      case State::verb:
        flush();
        sink.on_negotiation({verb_, b});
        state_ = State::data;
        break;
      case State::sb_option:
        sub_ = {b, {}};
        state_ = State::sb_data;
        break;
      case State::sb_data:
        if (b == iac) {
          state_ = State::sb_iac;
        } else if (sub_.payload.size() < max_subnegotiation) {
          sub_.payload.push_back(b);
        } else {
          // Past the bound: not a sub-negotiation after all. Drop it; this byte is data.
          sub_ = {};
          data_.push_back(b);
          state_ = State::data;
        }
        break;
      case State::sb_iac:
        if (b == iac) {
          if (sub_.payload.size() < max_subnegotiation) {
            sub_.payload.push_back(iac);
            state_ = State::sb_data;
          } else {
            sub_ = {};
            data_.push_back(iac);  // the doubled IAC past the bound is a data byte FF
            state_ = State::data;
          }
        } else {
          // SE ends it; anything else is a broken sub-negotiation, ended here as well.
          flush();
          if (b == se) sink.on_subnegotiation(sub_);
          sub_ = {};
          state_ = State::data;
        }
        break;
    }
  }
  flush();
}

}  // namespace kitesim::telnet
