// The card's cipher: single DES on one 8-byte block, and the purse MAC, a DES CBC-MAC with a zero
// IV (ISO/IEC 9797-1 algorithm 1, a short last block filled with zero bytes). Keys are 8 bytes;
// parity bits are ignored and weak keys are used as they are, like every other key.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kitesim::vela1 {

using Block = std::array<std::uint8_t, 8>;

Block encipher(const Block& block, const Block& key);
Block decipher(const Block& block, const Block& key);
Block cbc_mac(std::span<const std::uint8_t> data, const Block& key);

}  // namespace kitesim::vela1
