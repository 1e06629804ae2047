#include "mcu_card.h"

#include <algorithm>

namespace kitesim {
namespace {

constexpr std::uint16_t master_file = 0x3F00;
constexpr std::uint8_t mcu_t0_type = 0x0C;
constexpr std::uint8_t mcu_t1_type = 0x0D;
constexpr std::uint8_t auto_detect_type = 0x00;

ResponseApdu status(std::uint8_t sw1, std::uint8_t sw2) { return {{}, sw1, sw2}; }

Bytes text_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace

McuCard::McuCard(std::string model, CardProtocol protocol, Bytes atr)
    : model_(std::move(model)), protocol_(protocol), atr_(std::move(atr)) {
  files_[0x2F00] = text_bytes("KITESIM DIRECTORY FILE");
  Bytes pattern(300);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i);
  files_[0x0101] = pattern;
}

bool McuCard::answers_to(std::uint8_t reader_card_type) const {
  return reader_card_type == auto_detect_type || reader_card_type == mcu_t0_type ||
         reader_card_type == mcu_t1_type;
}

CardReply McuCard::power_up() {
  selected_ = master_file;
  return {protocol_ == CardProtocol::t1 ? sw::ok_t1 : sw::ok, atr_};
}

void McuCard::power_down() { selected_.reset(); }

std::optional<ResponseApdu> McuCard::apdu(const CommandApdu& command) {
  if (command.cla != 0x00 && command.cla != 0x80) return status(0x6E, 0x00);
  switch (command.ins) {
    case 0xA4: return select(command);
    case 0xB0: return read_binary(command);
    case 0xD6: return update_binary(command);
    case 0x84: return get_challenge(command);
    case 0xEE: return echo(command);
    default: return status(0x6D, 0x00);
  }
}

ResponseApdu McuCard::select(const CommandApdu& command) {
  if (command.p1 != 0x00 || command.data.size() != 2) return status(0x6A, 0x86);
  auto id = static_cast<std::uint16_t>(command.data[0] << 8 | command.data[1]);
  if (id != master_file && !files_.contains(id)) return status(0x6A, 0x82);
  selected_ = id;
  return status(0x90, 0x00);
}

ResponseApdu McuCard::read_binary(const CommandApdu& command) const {
  if (!selected_ || !files_.contains(*selected_)) return status(0x69, 0x86);
  const Bytes& file = files_.at(*selected_);
  std::size_t offset = static_cast<std::size_t>((command.p1 & 0x7F) << 8 | command.p2);
  if (offset >= file.size()) return status(0x6B, 0x00);
  std::size_t count = std::min<std::size_t>(command.le, file.size() - offset);
  ResponseApdu response{Bytes(file.begin() + static_cast<std::ptrdiff_t>(offset),
                              file.begin() + static_cast<std::ptrdiff_t>(offset + count)),
                        0x90, 0x00};
  if (count < command.le) response.sw1 = 0x62, response.sw2 = 0x82;
  return response;
}

ResponseApdu McuCard::update_binary(const CommandApdu& command) {
  if (!selected_ || !files_.contains(*selected_)) return status(0x69, 0x86);
  Bytes& file = files_[*selected_];
  std::size_t offset = static_cast<std::size_t>((command.p1 & 0x7F) << 8 | command.p2);
  if (offset + command.data.size() > file.size()) return status(0x6B, 0x00);
  std::copy(command.data.begin(), command.data.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
  return status(0x90, 0x00);
}

ResponseApdu McuCard::get_challenge(const CommandApdu& command) {
  ResponseApdu response{{}, 0x90, 0x00};
  for (unsigned i = 0; i < command.le; ++i) {
    // xorshift32: a card-local sequence, different on every call, the same for every run.
    challenge_state_ ^= challenge_state_ << 13;
    challenge_state_ ^= challenge_state_ >> 17;
    challenge_state_ ^= challenge_state_ << 5;
    response.data.push_back(static_cast<std::uint8_t>(challenge_state_));
  }
  return response;
}

ResponseApdu McuCard::echo(const CommandApdu& command) {
  ResponseApdu response{{}, 0x90, 0x00};
  response.data.resize(command.le);
  for (std::size_t i = 0; i < response.data.size(); ++i)
    response.data[i] = command.data.empty() ? static_cast<std::uint8_t>(i)
                                            : command.data[i % command.data.size()];
  return response;
}

}  // namespace kitesim
