// A microcontroller card (T=0) running the VELA1 card operating system, class byte 80:
//   A4 SELECT FILE      Lc 2: file identifier
//   B2 READ RECORD      P1 record number, Le the record length
//   D2 WRITE RECORD     P1 record number, Lc the record length
//   20 SUBMIT CODE      P1 code reference (1-5 AC1-AC5, 6 PIN, 7 IC), Lc 8
//   84 CHALLENGE        Le 8: the card random
//   82 AUTHENTICATE     Lc 16: Encrypt(RNDc, Kt), RNDt; answers 61 08
//   E1 INQUIRE ACCOUNT  P1 key reference (not examined), Lc 4; answers 61 19
//   C0 GET RESPONSE     Le as announced by the 61 xx just before
//   E2 CREDIT, E6 DEBIT Lc 11: MAC (4), amount (3), reference (4)
//   E7 REVOKE DEBIT     Lc 4: MAC
// The files, codes, authentication and purse are described where they are kept: vela1_files.h,
// vela1_codes.h, vela1_auth.h, vela1_purse.h; the status words in vela1_status.h.
// A reset (power-up) forgets the selected file, the presented codes and the authentication.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

#include "kitesim/card.h"
#include "vela1_auth.h"
#include "vela1_codes.h"
#include "vela1_files.h"
#include "vela1_purse.h"

namespace kitesim {

// 3B BE 11 00 00 41 ...: T=0, 14 historical bytes, 19 bytes in all.
Bytes vela1_answer_to_reset();

class Vela1Card : public Card {
 public:
  // memory_file: where save_memory() keeps the card's files (none: nowhere).
  Vela1Card(std::string model, vela1::FileContents contents, std::filesystem::path memory_file = {},
            Bytes atr = vela1_answer_to_reset());

  std::string model() const override { return model_; }
  bool answers_to(std::uint8_t reader_card_type) const override;
  CardReply power_up() override;
  void power_down() override;
  std::optional<ResponseApdu> apdu(const CommandApdu& command) override;
  bool save_memory() override;

 private:
  using Handler = ResponseApdu (Vela1Card::*)(const CommandApdu&);
  struct Instruction {
    std::uint8_t ins;
    Handler handler;
  };

  void forget_security();
  std::optional<vela1::FileInfo> selected_file() const;
  vela1::PurseRights purse_rights() const;

  ResponseApdu select_file(const CommandApdu& command);
  ResponseApdu read_record(const CommandApdu& command);
  ResponseApdu write_record(const CommandApdu& command);
  ResponseApdu submit_code(const CommandApdu& command);
  ResponseApdu challenge(const CommandApdu& command);
  ResponseApdu authenticate(const CommandApdu& command);
  ResponseApdu inquire_account(const CommandApdu& command);
  ResponseApdu get_response(const CommandApdu& command);
  ResponseApdu credit(const CommandApdu& command);
  ResponseApdu debit(const CommandApdu& command);
  ResponseApdu revoke_debit(const CommandApdu& command);
  ResponseApdu transaction(vela1::Transaction kind, const CommandApdu& command);
  ResponseApdu waiting(Bytes response);

  static const std::array<Instruction, 11> instructions;

  std::string model_;
  std::filesystem::path memory_file_;
  Bytes atr_;
  vela1::FileSystem files_;
  vela1::AccessCodes codes_;
  vela1::Authentication authentication_;
  std::optional<vela1::FileId> selected_;
  Bytes response_;  // what GET RESPONSE hands out; any other command drops it
};

// A VELA1 card of that model: its files from the memory file when one exists, else the given
// fresh files; saved to the memory file later. Throws std::runtime_error for an unreadable file.
std::unique_ptr<Card> make_vela1_card(std::string model, vela1::FileContents fresh, const CardOptions& options);

}  // namespace kitesim
