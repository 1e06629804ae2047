// A terminal for the VELA1 card tests: class-80 commands straight to a card, and the terminal's
// side of authentication and purse MACs, computed with the card's DES (checked against the
// published example in the tests) but built here, not with the card's code.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "cards/vela1_card.h"
#include "cards/vela1_demo.h"
#include "cards/vela1_des.h"

namespace kitesim::testing {

using vela1::Block;

inline Block block(std::string_view text) {
  Block out{};
  std::copy_n(text.begin(), std::min(text.size(), out.size()), out.begin());
  return out;
}
inline Bytes bytes(const Block& b) { return Bytes(b.begin(), b.end()); }
inline int status_of(const ResponseApdu& r) { return r.sw1 << 8 | r.sw2; }

// The demo card's files with one record replaced.
inline vela1::FileContents demo_with(vela1::FileId id, std::size_t record_length, std::size_t number, Bytes record,
                                     vela1::FileContents files = vela1::demo_card()) {
  Bytes& data = files[id];
  data.resize(std::max(data.size(), (number + 1) * record_length));
  std::ranges::copy(record, data.begin() + static_cast<std::ptrdiff_t>(number * record_length));
  return files;
}

class Terminal {
 public:
  explicit Terminal(Card& card) : card_(card) { card_.power_up(); }

  ResponseApdu send(std::uint8_t ins, std::uint8_t p1, Bytes data = {}, unsigned le = 256) {
    return card_.apdu({0x80, ins, p1, 0x00, std::move(data), le}).value();
  }
  int select(vela1::FileId id) { return status_of(send(0xA4, 0, {static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)})); }
  ResponseApdu read(std::uint8_t record, unsigned length) { return send(0xB2, record, {}, length); }
  int write(std::uint8_t record, Bytes data) { return status_of(send(0xD2, record, std::move(data))); }
  int submit(std::uint8_t reference, std::string_view code) { return status_of(send(0x20, reference, bytes(block(code)))); }
  int submit_enciphered(std::uint8_t reference, std::string_view code) {
    return status_of(send(0x20, reference, bytes(vela1::encipher(block(code), session_key))));
  }

  // True when the card's answer proves that both sides hold the same keys.
  bool authenticate(std::string_view card_key, std::string_view terminal_key) {
    const ResponseApdu challenge = send(0x84, 0, {}, 8);
    Block card_random{};
    std::copy_n(challenge.data.begin(), std::min<std::size_t>(challenge.data.size(), 8), card_random.begin());
    const Block terminal_random{0, 1, 2, 3, 4, 5, 6, 7};
    Bytes data = bytes(vela1::encipher(card_random, block(terminal_key)));
    data.insert(data.end(), terminal_random.begin(), terminal_random.end());
    EXPECT_EQ(status_of(send(0x82, 0, data)), 0x6108);
    const ResponseApdu answer = send(0xC0, 0, {}, 8);
    EXPECT_EQ(status_of(answer), 0x9000);
    Block mixed = vela1::encipher(card_random, block(card_key));
    for (std::size_t i = 0; i < 8; ++i) mixed[i] ^= terminal_random[i];
    session_key = vela1::encipher(mixed, block(terminal_key));
    Block proof{};
    std::copy_n(answer.data.begin(), std::min<std::size_t>(answer.data.size(), 8), proof.begin());
    return vela1::decipher(proof, session_key) == terminal_random;
  }

  // The 25 bytes of INQUIRE ACCOUNT and GET RESPONSE.
  Bytes inquire() {
    EXPECT_EQ(status_of(send(0xE1, 1, {0, 0, 0, 0})), 0x6119);
    return send(0xC0, 0, {}, 25).data;
  }

  // A purse command's data: MAC over INS, amount, reference, purse ID, n, 00 00; then amount and
  // reference, except for revoke debit.
  Bytes transaction_data(std::uint8_t ins, std::string_view key, std::uint32_t amount, std::string_view reference,
                         unsigned number) const {
    const Block r = block(reference);
    const std::array<std::uint8_t, 16> input{ins, static_cast<std::uint8_t>(amount >> 16),
                                             static_cast<std::uint8_t>(amount >> 8), static_cast<std::uint8_t>(amount),
                                             r[0], r[1], r[2], r[3], 0x12, 0x34, 0x56, 0x78,
                                             static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number),
                                             0, 0};
    const Block mac = vela1::cbc_mac(input, block(key));
    Bytes data(mac.begin(), mac.begin() + 4);
    if (ins != 0xE7) data.insert(data.end(), input.begin() + 1, input.begin() + 8);
    return data;
  }
  int transaction(std::uint8_t ins, std::string_view key, std::uint32_t amount, std::string_view reference,
                  unsigned number) {
    return status_of(send(ins, 0, transaction_data(ins, key, amount, reference, number)));
  }

  Block session_key{};

 private:
  Card& card_;
};

}  // namespace kitesim::testing
