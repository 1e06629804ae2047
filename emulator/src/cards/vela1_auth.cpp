#include "vela1_auth.h"

namespace kitesim::vela1 {

void Authentication::forget() {
  card_random_.reset();
  session_key_.reset();
}

Block Authentication::challenge() {
  session_key_.reset();
  random_state_ ^= random_state_ << 13;
  random_state_ ^= random_state_ >> 7;
  random_state_ ^= random_state_ << 17;
  Block random;
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<std::uint8_t>(random_state_ >> (8 * i));
  card_random_ = random;
  return random;
}

std::optional<Block> Authentication::authenticate(const Block& cryptogram, const Block& terminal_random,
                                                  const Block& card_key, const Block& terminal_key) {
  session_key_.reset();
  if (!card_random_) return std::nullopt;
  const Block card_random = *card_random_;
  card_random_.reset();

  Block mixed = encipher(card_random, card_key);
  for (std::size_t i = 0; i < mixed.size(); ++i) mixed[i] ^= terminal_random[i];
  const Block session_key = encipher(mixed, terminal_key);
  if (decipher(cryptogram, terminal_key) == card_random) session_key_ = session_key;
  return encipher(terminal_random, session_key);
}

}  // namespace kitesim::vela1
