// What kind of reader the emulator is: model, line rate, firmware and a few behaviours.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kitesim {

// KITEA frames have no leading STX; KITEB frames start with STX. They also differ in rate codes.
enum class Model { KITEA, KITEB };

inline constexpr std::size_t firmware_length = 10;

struct ReaderConfig {
  Model model = Model::KITEB;
  // Line rate the reader runs at after a reset; it announces it in its start-up frame.
  std::uint32_t rate = 9600;
  // Firmware revision text of the information block, padded with spaces or cut to 10 characters.
  // "KITEBT0220" refuses rate changes.
  std::string firmware = "KITEBT0310";
  // Time from DTR raised to the start-up frame; CTS is on meanwhile.
  std::chrono::milliseconds boot_time{20};
  // Bit n set: reader card-type byte n+1 is supported. Default: every byte a card type uses.
  std::uint16_t card_type_mask = 0xBFF7;
  // Answer of command 0x08 (option bytes); nullopt makes the reader answer 60 05 (unknown command).
  std::optional<std::array<std::uint8_t, 4>> option_bytes = std::array<std::uint8_t, 4>{0xBF, 0xF7, 0x00, 0x00};
};

}  // namespace kitesim
