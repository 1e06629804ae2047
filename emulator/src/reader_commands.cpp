#include "reader_commands.h"

#include <array>

#include "rate_codes.h"

namespace kitesim {
namespace {

constexpr std::size_t any_length = 0xFFFF;
constexpr std::uint8_t max_command_data = 0xFF;
constexpr std::uint8_t max_response_data = 0xFF;
// The firmware that cannot change its line rate.
constexpr std::string_view fixed_rate_firmware = "KITEBT0220";

CommandResult status_only(StatusWord status) { return {status, {}, false, std::nullopt}; }

}  // namespace

Bytes CommandResult::reply_bytes() const {
  Bytes out{status.sw1, status.sw2};
  if (apdu_reply && data.size() >= 0xFF) {
    out.push_back(0xFF);
    out.push_back(static_cast<std::uint8_t>(data.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(data.size()));
  } else {
    out.push_back(static_cast<std::uint8_t>(data.size()));
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

ReaderCommands::ReaderCommands(const ReaderConfig& config)
    : config_(config), module_(make_card("sam")) {
  config_.firmware.resize(firmware_length, ' ');
}

const ReaderCommands::CommandEntry* ReaderCommands::find(std::uint8_t code) {
  static constexpr std::array<CommandEntry, 22> table{{
      {0x01, 0, 0, &ReaderCommands::information},
      {0x02, 1, 1, &ReaderCommands::select_card_type},
      {0x03, 1, 2, &ReaderCommands::set_option_or_rate},
      {0x06, 1, 1, &ReaderCommands::option_9},
      {0x07, 1, 1, &ReaderCommands::option_7_8},
      {0x08, 1, 1, &ReaderCommands::option_bytes},
      {0x80, 0, 0, &ReaderCommands::power_up},
      {0x81, 0, 0, &ReaderCommands::power_down},
      {0x84, 0, any_length, &ReaderCommands::memory_command},
      {0x88, 1, 1, &ReaderCommands::module_reset},
      {0x89, 0, 0, &ReaderCommands::module_power_down},
      {0x8A, 0, 0, &ReaderCommands::accept},
      {0x90, 0, any_length, &ReaderCommands::memory_command},
      {0x91, 0, any_length, &ReaderCommands::memory_command},
      {0x92, 0, any_length, &ReaderCommands::memory_command},
      {0x93, 0, any_length, &ReaderCommands::memory_command},
      {0x94, 0, any_length, &ReaderCommands::memory_command},
      {0x95, 0, any_length, &ReaderCommands::memory_command},
      {0x96, 0, any_length, &ReaderCommands::memory_command},
      {0x97, 0, any_length, &ReaderCommands::memory_command},
      {0xA0, 6, any_length, &ReaderCommands::card_apdu},
      {0xB0, 6, any_length, &ReaderCommands::module_apdu},
  }};
  for (const CommandEntry& entry : table)
    if (entry.code == code) return &entry;
  return nullptr;
}

CommandResult ReaderCommands::execute(std::span<const std::uint8_t> command) {
  if (command.empty()) return status_only(sw::wrong_length);
  const CommandEntry* entry = find(command[0]);
  if (!entry) return status_only(sw::unknown_command);
  if (command.size() < 2) return status_only(sw::wrong_length);
  Data data = command.subspan(2);
  // The length byte counts the data bytes; APDU commands carry more than 255 of them, and
  // their length byte is then the count modulo 256.
  if (command[1] != static_cast<std::uint8_t>(data.size())) return status_only(sw::wrong_length);
  if (data.size() < entry->min_data || data.size() > entry->max_data) return status_only(sw::wrong_length);
  return (this->*entry->handler)(command[0], data);
}

void ReaderCommands::reset() {
  if (card_) card_->power_down();
  card_powered_ = false;
  module_->power_down();
  module_powered_ = false;
  selected_type_ = 0x00;
}

void ReaderCommands::insert(std::unique_ptr<Card> card) {
  remove();
  card_ = std::move(card);
}

std::unique_ptr<Card> ReaderCommands::remove() {
  if (card_ && card_powered_) card_->power_down();
  card_powered_ = false;
  return std::move(card_);
}

bool ReaderCommands::supports_card_type(std::uint8_t type) const {
  if (type == 0x00) return true;  // auto-detect
  if (type > 16) return false;
  return (config_.card_type_mask >> (type - 1)) & 1;
}

CommandResult ReaderCommands::information(std::uint8_t, Data) {
  CommandResult result;
  result.data.assign(config_.firmware.begin(), config_.firmware.end());
  result.data.push_back(max_command_data);
  result.data.push_back(max_response_data);
  result.data.push_back(static_cast<std::uint8_t>(config_.card_type_mask >> 8));
  result.data.push_back(static_cast<std::uint8_t>(config_.card_type_mask));
  result.data.push_back(selected_type_);
  result.data.push_back(static_cast<std::uint8_t>((card_ ? 0x01 : 0x00) | (card_powered_ ? 0x02 : 0x00)));
  return result;
}

CommandResult ReaderCommands::select_card_type(std::uint8_t, Data data) {
  if (!supports_card_type(data[0])) return status_only(sw::card_type_not_supported);
  if (card_ && card_powered_) card_->power_down();
  card_powered_ = false;
  selected_type_ = data[0];
  return status_only(sw::ok);
}

CommandResult ReaderCommands::set_option_or_rate(std::uint8_t, Data data) {
  if (data.size() == 1) {
    option_value_ = data[0];
    return status_only(sw::ok);
  }
  if (data[0] != 0x00) return status_only(sw::parameter_refused);
  if (config_.firmware == fixed_rate_firmware) return status_only(sw::parameter_refused);
  auto rate = rate_for_code(config_.model, data[1]);
  if (!rate) return status_only(sw::parameter_refused);
  CommandResult result = status_only(sw::ok);
  result.new_rate = rate;
  return result;
}

CommandResult ReaderCommands::option_9(std::uint8_t, Data data) {
  if (data[0] != 0x01 && data[0] != 0x02) return status_only(sw::parameter_refused);
  option_9_value_ = data[0];
  return status_only(sw::ok);
}

CommandResult ReaderCommands::option_7_8(std::uint8_t, Data data) {
  if (data[0] == 0x01) return status_only(sw::ok);
  if (data[0] == 0x00) return {sw::ok, {0x01}, false, std::nullopt};
  return status_only(sw::parameter_refused);
}

CommandResult ReaderCommands::option_bytes(std::uint8_t, Data data) {
  if (!config_.option_bytes) return status_only(sw::unknown_command);
  const auto& bytes = *config_.option_bytes;
  if (data[0] > bytes.size()) return status_only(sw::parameter_refused);
  return {sw::ok, Bytes(bytes.begin(), bytes.begin() + data[0]), false, std::nullopt};
}

CommandResult ReaderCommands::accept(std::uint8_t, Data) { return status_only(sw::ok); }

CommandResult ReaderCommands::power_up(std::uint8_t, Data) {
  if (!card_) return status_only(sw::no_card);
  // Auto-detection (card-type byte 00) powers whatever card is in the reader.
  const bool auto_detect = selected_type_ == 0x00;
  if (!auto_detect && !card_->answers_to(selected_type_)) {
    card_powered_ = false;
    return status_only(sw::card_mute);
  }
  CardReply reply = card_->power_up();
  card_powered_ = true;
  // A memory card has no answer to reset: under auto-detection the reader tells the PC it found
  // one by a success status of its own, neither 90 00 (T=0) nor 90 01 (T=1).
  if (auto_detect && reply.status == sw::ok && reply.data.empty()) reply.status = sw::ok_memory_card;
  return {reply.status, std::move(reply.data), false, std::nullopt};
}

CommandResult ReaderCommands::power_down(std::uint8_t, Data) {
  if (card_ && card_powered_) card_->power_down();
  card_powered_ = false;
  return status_only(sw::ok);
}

CommandResult ReaderCommands::module_reset(std::uint8_t, Data) {
  CardReply reply = module_->power_up();
  module_powered_ = true;
  return {reply.status, std::move(reply.data), false, std::nullopt};
}

CommandResult ReaderCommands::module_power_down(std::uint8_t, Data) {
  module_->power_down();
  module_powered_ = false;
  return status_only(sw::ok);
}

CommandResult ReaderCommands::memory_command(std::uint8_t code, Data data) {
  if (!card_) return status_only(sw::no_card);
  if (!card_powered_) return status_only(sw::card_not_powered);
  CardReply reply = card_->memory_command(code, data);
  return {reply.status, std::move(reply.data), false, std::nullopt};
}

CommandResult ReaderCommands::card_apdu(std::uint8_t, Data data) {
  if (!card_) return status_only(sw::no_card);
  if (!card_powered_) return status_only(sw::card_not_powered);
  return run_apdu(*card_, data);
}

CommandResult ReaderCommands::module_apdu(std::uint8_t, Data data) {
  if (!module_powered_) return status_only(sw::card_not_powered);
  return run_apdu(*module_, data);
}

// data: CLA INS P1 P2 Lc, Lc bytes, Le.
CommandResult ReaderCommands::run_apdu(Card& card, Data data) {
  std::size_t lc = data[4];
  if (data.size() != lc + 6) return status_only(sw::wrong_length);
  CommandApdu command{data[0], data[1], data[2], data[3], Bytes(data.begin() + 5, data.end() - 1),
                      data.back() == 0 ? 256u : data.back()};
  auto response = card.apdu(command);
  if (!response) return status_only(sw::card_type_not_supported);
  CommandResult result{sw::ok, std::move(response->data), true, std::nullopt};
  result.data.push_back(response->sw1);
  result.data.push_back(response->sw2);
  return result;
}

}  // namespace kitesim
