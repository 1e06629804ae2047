// A generic microcontroller card with a few ISO 7816-4 commands over a tiny file system:
//   A4 SELECT by file identifier (P1 00, two data bytes): 3F00 the master file, 2F00 and 0101
//      transparent files; other identifiers 6A 82
//   B0 READ BINARY of the selected transparent file at offset P1 P2, Le bytes (fewer at the end
//      of the file: 62 82; offset past the end: 6B 00; no file selected: 69 86)
//   D6 UPDATE BINARY of the selected transparent file at offset P1 P2
//   84 GET CHALLENGE: Le bytes of a sequence that changes with every call
//   EE ECHO (proprietary, class 80): Le bytes, the command data repeated, or 00 01 02 ... without
//      data; Le 00 gives 256 bytes, the longest reply there is
// Any other instruction gives 6D 00, a class other than 00 or 80 gives 6E 00.
// The security module is a card of this kind with an answer to reset of its own.
#pragma once

#include <map>

#include "kitesim/card.h"

namespace kitesim {

enum class CardProtocol { t0, t1 };

class McuCard : public Card {
 public:
  McuCard(std::string model, CardProtocol protocol, Bytes atr);

  std::string model() const override { return model_; }
  bool answers_to(std::uint8_t reader_card_type) const override;
  CardReply power_up() override;
  void power_down() override;
  std::optional<ResponseApdu> apdu(const CommandApdu& command) override;

 private:
  ResponseApdu select(const CommandApdu& command);
  ResponseApdu read_binary(const CommandApdu& command) const;
  ResponseApdu update_binary(const CommandApdu& command);
  ResponseApdu get_challenge(const CommandApdu& command);
  static ResponseApdu echo(const CommandApdu& command);

  std::string model_;
  CardProtocol protocol_;
  Bytes atr_;
  std::map<std::uint16_t, Bytes> files_;  // transparent files by identifier
  std::optional<std::uint16_t> selected_;
  std::uint32_t challenge_state_ = 0x2545F491;
};

}  // namespace kitesim
