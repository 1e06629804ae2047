#include "telnet_stream.h"

namespace pelorus::telnet {

size_t escape(std::span<const uint8_t> data, std::span<uint8_t> out) {
  size_t n = 0;
  for (uint8_t b : data) {
    out[n++] = b;
    if (b == kIac) out[n++] = kIac;
  }
  return n;
}

Subnegotiation com_port_command(uint8_t command, std::span<const uint8_t> value) {
  Subnegotiation s;
  if (value.size() > kMaxComPortValue) return s;
  auto put = [&](uint8_t b) { s.bytes[s.size++] = b; };
  put(kIac);
  put(kSb);
  put(kComPortOption);
  auto put_escaped = [&](uint8_t b) {
    put(b);
    if (b == kIac) put(kIac);
  };
  put_escaped(command);
  for (uint8_t b : value) put_escaped(b);
  put(kIac);
  put(kSe);
  return s;
}

Subnegotiation set_baud_rate(uint32_t bits_per_second) {
  const uint8_t value[4] = {static_cast<uint8_t>(bits_per_second >> 24), static_cast<uint8_t>(bits_per_second >> 16),
                            static_cast<uint8_t>(bits_per_second >> 8), static_cast<uint8_t>(bits_per_second)};
  return com_port_command(kSetBaudRate, value);
}

size_t StreamDecoder::decode(std::span<const uint8_t> raw, std::span<uint8_t> out, Listener& listener) {
  size_t n = 0;
  for (uint8_t b : raw) {
    switch (state_) {
      case State::Data:
        if (b == kIac) {
          state_ = State::Iac;
        } else {
          out[n++] = b;
        }
        break;
      case State::Iac:
        if (b == kIac) {
          out[n++] = kIac;
          state_ = State::Data;
        } else if (b == kSb) {
          sub_size_ = 0;
          state_ = State::Sub;
        } else if (b >= kWill) {
          verb_ = b;
          state_ = State::Verb;
        } else {
          state_ = State::Data;  // NOP, GA and the like carry nothing for us
        }
        break;
      case State::Verb:
        listener.on_negotiation(verb_, b);
        state_ = State::Data;
        break;
      case State::Sub:
        if (b == kIac) {
          state_ = State::SubIac;
        } else if (sub_size_ < sub_.size()) {
          sub_[sub_size_++] = b;
        } else {
          state_ = State::Data;  // too long to be one: give it up, this byte and the rest are data
          out[n++] = b;
        }
        break;
      case State::SubIac:
        if (b == kSe) {
          listener.on_subnegotiation(std::span(sub_).first(sub_size_));
          state_ = State::Data;
        } else if (b != kIac) {
          state_ = State::Data;  // IAC and anything but SE or IAC breaks the subnegotiation off
        } else if (sub_size_ < sub_.size()) {
          sub_[sub_size_++] = kIac;
          state_ = State::Sub;
        } else {
          state_ = State::Data;
        }
        break;
    }
  }
  return n;
}

}  // namespace pelorus::telnet
