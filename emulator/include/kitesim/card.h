// The card interface: one class per card model, made by name through make_card().
//
// The reader talks to a card in two ways. A microcontroller card (and the security module) takes
// command APDUs and answers response data plus SW1 SW2 (reader command 0xA0, 0xB0). A memory card
// takes the reader's memory commands (0x84, 0x90 to 0x97) with their data and answers a reader
// status word plus data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kitesim/status_words.h"

namespace kitesim {

using Bytes = std::vector<std::uint8_t>;

struct CardReply {
  StatusWord status = sw::ok;
  Bytes data;
};

struct CommandApdu {
  std::uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  Bytes data;
  unsigned le = 0;  // 1 to 256; an Le byte of 0 means 256
};

struct ResponseApdu {
  Bytes data;
  std::uint8_t sw1 = 0x90, sw2 = 0x00;
};

class Card {
 public:
  virtual ~Card() = default;

  // The name make_card() knows this model by.
  virtual std::string model() const = 0;
  // Whether the reader, set to this reader card-type byte, can power the card up.
  virtual bool answers_to(std::uint8_t reader_card_type) const = 0;
  // Power up and reset: status 90 00 (90 01 for a T=1 card) and the answer to reset.
  virtual CardReply power_up() = 0;
  virtual void power_down() {}

  // Microcontroller cards: one command APDU. Memory cards answer nullopt.
  virtual std::optional<ResponseApdu> apdu(const CommandApdu&) { return std::nullopt; }
  // Memory cards: reader command 0x84 or 0x90 to 0x97 with its data bytes.
  virtual CardReply memory_command(std::uint8_t /*code*/, std::span<const std::uint8_t> /*data*/) {
    return {sw::card_type_not_supported, {}};
  }

  // Cards with memory keep it in a file when given one. save_memory() returns false when the card
  // has no file or the file cannot be written.
  virtual bool save_memory() { return false; }
};

struct CardOptions {
  std::filesystem::path memory_file = {};  // memory image to load now and save later (memory and VELA1 cards)
  std::optional<Bytes> atr = {};           // microcontroller cards: answer to reset instead of the model's
};

// Card models by name: "mcu-t0", "mcu-t1", "iic", "iic-2k", "sam", "vela1", "vela1-nopurse", and
// one memory card model per memory-card type, named after it: "lm104", "sle4404", "x76f041", ...
// (card_models() lists them all).
// Throws std::invalid_argument for an unknown name and std::runtime_error for an unreadable file.
std::unique_ptr<Card> make_card(const std::string& model, const CardOptions& options = {});

struct CardModelInfo {
  std::string name;
  std::string description;
};
std::vector<CardModelInfo> card_models();

}  // namespace kitesim
