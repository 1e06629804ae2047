// Talking to a memory card through its interface, as the reader does: reader command code and
// data in, status word and data out.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "kitesim/card.h"

namespace kitesim {

namespace testing {

// A card of the model, inserted and powered up.
inline std::unique_ptr<Card> powered_card(const std::string& model, const CardOptions& options = {}) {
  auto card = make_card(model, options);
  card->power_up();
  return card;
}

inline CardReply send(Card& card, std::uint8_t code, const Bytes& data) { return card.memory_command(code, data); }

inline StatusWord status(Card& card, std::uint8_t code, const Bytes& data) { return send(card, code, data).status; }

// The data of a command that must succeed.
inline Bytes data_of(Card& card, std::uint8_t code, const Bytes& data) {
  CardReply reply = send(card, code, data);
  EXPECT_EQ(reply.status, sw::ok);
  return reply.data;
}

inline Bytes repeated(std::uint8_t byte, std::size_t count) { return Bytes(count, byte); }

inline Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace testing
}  // namespace kitesim
