// Mutual authentication. CHALLENGE gives the terminal a card random RNDc. AUTHENTICATE brings
// Encrypt(RNDc, Kt) and the terminal's random RNDt; the card answers Encrypt(RNDt, SK) with the
// session key SK = Encrypt(Encrypt(RNDc, Kc) XOR RNDt, Kt). The terminal holds the right keys
// exactly when that answer deciphers to RNDt under its own SK, so a wrong key is found out there.
// The card counts the terminal as authenticated when its cryptogram deciphers to RNDc under Kt;
// it cannot see a wrong Kc, which only makes the two session keys differ.
#pragma once

#include <cstdint>
#include <optional>

#include "vela1_des.h"

namespace kitesim::vela1 {

class Authentication {
 public:
  // A reset ends the session and drops a challenge that was waiting.
  void forget();

  // A new card random. Whatever authentication there was is over.
  Block challenge();

  // The card's answer Encrypt(RNDt, SK); nullopt when no challenge waits (each one serves one
  // AUTHENTICATE).
  std::optional<Block> authenticate(const Block& cryptogram, const Block& terminal_random, const Block& card_key,
                                    const Block& terminal_key);

  // The session key while the terminal is authenticated.
  const std::optional<Block>& session_key() const { return session_key_; }

 private:
  std::uint64_t random_state_ = 0x9E3779B97F4A7C15;  // xorshift64: a new random every time, the same run after run
  std::optional<Block> card_random_;
  std::optional<Block> session_key_;
};

}  // namespace kitesim::vela1
