// What the reader does with a command: the command table and the state the commands act on
// (selected card type, the card slot, the security module, option values). It knows nothing of
// frames or the line; the Reader wraps it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "kitesim/card.h"
#include "kitesim/reader_config.h"

namespace kitesim {

struct CommandResult {
  StatusWord status = sw::ok;
  Bytes data;
  // APDU replies may carry more than 254 data bytes and then use the long length form.
  bool apdu_reply = false;
  // Set by an accepted rate change: the reader moves to this rate once the reply is out.
  std::optional<std::uint32_t> new_rate;

  // status1 status2 length data; for long APDU replies the length is FF, high byte, low byte.
  Bytes reply_bytes() const;
};

class ReaderCommands {
 public:
  explicit ReaderCommands(const ReaderConfig& config);

  // command: code, length byte, data.
  CommandResult execute(std::span<const std::uint8_t> command);
  // A reader reset powers everything down and forgets the selected card type.
  void reset();

  void insert(std::unique_ptr<Card> card);
  std::unique_ptr<Card> remove();
  Card* card() const { return card_.get(); }
  bool card_powered() const { return card_powered_; }
  bool module_powered() const { return module_powered_; }
  std::uint8_t selected_card_type() const { return selected_type_; }

 private:
  using Data = std::span<const std::uint8_t>;
  using Handler = CommandResult (ReaderCommands::*)(std::uint8_t code, Data data);
  struct CommandEntry {
    std::uint8_t code;
    std::size_t min_data;
    std::size_t max_data;
    Handler handler;
  };
  static const CommandEntry* find(std::uint8_t code);

  CommandResult information(std::uint8_t code, Data data);
  CommandResult select_card_type(std::uint8_t code, Data data);
  CommandResult set_option_or_rate(std::uint8_t code, Data data);
  CommandResult option_9(std::uint8_t code, Data data);
  CommandResult option_7_8(std::uint8_t code, Data data);
  CommandResult option_bytes(std::uint8_t code, Data data);
  CommandResult accept(std::uint8_t code, Data data);
  CommandResult power_up(std::uint8_t code, Data data);
  CommandResult power_down(std::uint8_t code, Data data);
  CommandResult module_reset(std::uint8_t code, Data data);
  CommandResult module_power_down(std::uint8_t code, Data data);
  CommandResult memory_command(std::uint8_t code, Data data);
  CommandResult card_apdu(std::uint8_t code, Data data);
  CommandResult module_apdu(std::uint8_t code, Data data);

  static CommandResult run_apdu(Card& card, Data data);
  bool supports_card_type(std::uint8_t type) const;

  ReaderConfig config_;
  std::unique_ptr<Card> card_;
  bool card_powered_ = false;
  std::unique_ptr<Card> module_;
  bool module_powered_ = false;
  std::uint8_t selected_type_ = 0x00;
  std::uint8_t option_value_ = 0x00;
  std::uint8_t option_9_value_ = 0x01;
};

}  // namespace kitesim
