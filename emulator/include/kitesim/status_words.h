// The reader's status words: the first two bytes of every reply.
// This is the one table of them; the README lists the same words.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string_view>

namespace kitesim {

struct StatusWord {
  std::uint8_t sw1 = 0x90;
  std::uint8_t sw2 = 0x00;
  friend bool operator==(StatusWord, StatusWord) = default;
  // Four uppercase hexadecimal digits, "6201": for logs and test messages.
  friend std::ostream& operator<<(std::ostream& out, StatusWord word) {
    constexpr const char* digits = "0123456789ABCDEF";
    return out << digits[word.sw1 >> 4] << digits[word.sw1 & 15] << digits[word.sw2 >> 4] << digits[word.sw2 & 15];
  }
};

namespace sw {
inline constexpr StatusWord ok{0x90, 0x00};
inline constexpr StatusWord ok_t1{0x90, 0x01};                 // card powered up, speaks T=1
inline constexpr StatusWord ok_memory_card{0x90, 0x02};        // auto-detection powered a memory card
inline constexpr StatusWord card_not_powered{0x60, 0x01};      // card or module command before power-up
inline constexpr StatusWord no_card{0x60, 0x02};               // no card in the reader
inline constexpr StatusWord card_type_not_supported{0x60, 0x03};
inline constexpr StatusWord parameter_refused{0x60, 0x04};     // e.g. a rate code the reader does not know
inline constexpr StatusWord unknown_command{0x60, 0x05};
inline constexpr StatusWord card_mute{0x60, 0x30};             // the card does not answer as the selected type
inline constexpr StatusWord password_required{0x62, 0x01};     // protected memory: code not presented, or wrong
inline constexpr StatusWord wrong_length{0x67, 0x01};          // length byte or data count wrong for the command
inline constexpr StatusWord address_out_of_range{0x67, 0x02};  // memory access outside the card
inline constexpr StatusWord write_refused{0x67, 0x04};         // protected, fused or counter bytes left unchanged
inline constexpr StatusWord code_locked{0x67, 0x05};           // no chance left: the code or password is locked
}  // namespace sw

struct StatusWordEntry {
  StatusWord word;
  std::string_view meaning;
};

inline constexpr std::array status_word_table{
    StatusWordEntry{sw::ok, "success"},
    StatusWordEntry{sw::ok_t1, "success; power-up of a T=1 card"},
    StatusWordEntry{sw::ok_memory_card, "success; auto-detection powered up a memory card"},
    StatusWordEntry{sw::card_not_powered, "card (or security module) not powered up"},
    StatusWordEntry{sw::no_card, "no card in the reader"},
    StatusWordEntry{sw::card_type_not_supported,
                    "card type not supported: unknown type byte, or command not served by this card"},
    StatusWordEntry{sw::parameter_refused, "parameter refused (unknown rate code, rate change refused)"},
    StatusWordEntry{sw::unknown_command, "unknown command"},
    StatusWordEntry{sw::card_mute, "card does not answer as the selected card type"},
    StatusWordEntry{sw::password_required, "password required: code not presented, or a wrong password"},
    StatusWordEntry{sw::wrong_length, "wrong length"},
    StatusWordEntry{sw::address_out_of_range, "address out of range"},
    StatusWordEntry{sw::write_refused, "write refused: protected, fused or counter bytes left unchanged"},
    StatusWordEntry{sw::code_locked, "code locked: no chance left"},
};

}  // namespace kitesim
