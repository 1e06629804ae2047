// The VELA1 card operating system as the utility speaks it: its commands (class byte 80), the
// card scan with the file table, code submission (enciphered under the session key where the card
// asks for it), mutual authentication and the electronic purse. The cipher library is loaded at
// the first scan and kept until release_cipher().
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "SharedLibrary.h"
#include "des_cipher.h"
#include "kiteb.h"

namespace kestrel {

inline constexpr char kCipherLibraryFile[] = "libDES.so";

struct Vela1File {
  int32_t record_length = 0;
  int32_t number_of_records = 0;
  uint8_t read_attribute = 0;   // bit 7 IC, bit 6 PIN, bit 0 AC0, bits 1-5 AC1-AC5; 0 free
  uint8_t write_attribute = 0;
  int32_t identifier = 0;
};

struct Vela1Card {
  static constexpr size_t kMaxFiles = 32;

  char stage = 'P';  // 'M' manufacture, 'P' personalization, 'U' user
  uint8_t option_register = 0;           // bit 0: the card has an electronic purse
  uint8_t security_option_register = 0;  // the codes submitted enciphered: bit 7 IC, 6 PIN, 1-5 AC1-AC5
  int32_t file_count = 0;
  int32_t user_file_count = 0;  // as the card declares it
  std::array<Vela1File, kMaxFiles> files{};
  int32_t current_file = 0;
  int32_t balance = 0;
  int32_t maximum_balance = 0;
  int32_t transaction_counter = 0;
  uint8_t last_transaction_type = 0;  // 1 debit, 2 revoke debit, 3 credit
  std::array<uint8_t, 4> purse_id{};
  std::array<uint8_t, 4> credit_reference{};
  std::array<uint8_t, 4> debit_reference{};
  std::array<uint8_t, 8> session_key{};
  bool session_key_valid = false;
};

// The status word of a command the card carried out.
inline constexpr uint16_t kStatusOk = 0x9000;

inline bool has_bit(uint8_t value, int bit) { return (value >> bit & 1) != 0; }

// Code references of submit code.
inline constexpr int kCodeAc1 = 1;  // 1 to 5: AC1 to AC5
inline constexpr int kCodePin = 6;
inline constexpr int kCodeIc = 7;

using Key = std::array<uint8_t, 8>;
using Reference = std::array<uint8_t, 4>;

class Vela1 {
 public:
  explicit Vela1(Kiteb& binding, std::string cipher_file = kCipherLibraryFile)
      : binding_(binding), cipher_file_(std::move(cipher_file)) {}

  // The session start's result, or -1 when the cipher library cannot be loaded.
  int32_t scan();
  bool is_vela1() const { return is_vela1_; }
  uint16_t last_status() const { return command_.Status; }
  const QX_APDU& command() const { return command_; }
  Vela1Card& card() { return card_; }
  // The user files the file table holds: the first entries, at most what fits beside the
  // card's internal files, whatever count the card declares.
  int32_t listed_user_files() const;

  int32_t select_file(uint16_t identifier);
  // Reads n bytes (at most 256) of a record into dest; returns the exchange's result, which tells
  // a failed exchange apart from a card answer that last_status() gives.
  int32_t read_record_into(uint8_t record, int32_t n, uint8_t* dest);
  const uint8_t* read_record(uint8_t record, int32_t n);
  int32_t write_record(uint8_t record, int32_t n, const uint8_t* source);
  void submit_code(int reference, const std::string& code);
  void inquire_account(uint8_t key_reference);
  void credit(const Key& key, const Reference& reference, int32_t amount);
  void debit(const Key& key, const Reference& reference, int32_t amount);
  void revoke_debit(const Key& key, const Reference& reference, int32_t amount);
  void mutual_authentication(const Key& card_key, const Key& terminal_key);
  void release_cipher();

 private:
  struct Cipher {
    SharedLibrary library;
    DesEncryptFunction encrypt = nullptr;
    DesDecryptFunction decrypt = nullptr;
    DesMacFunction mac = nullptr;
    bool ready() const { return encrypt != nullptr && decrypt != nullptr && mac != nullptr; }
  };

  bool load_cipher();
  int32_t send(uint8_t ins, uint8_t p1, int32_t lc, int32_t le);
  void read_file_table();
  void add_internal_file(uint16_t id, int32_t record_length, int32_t records, uint8_t read, uint8_t write);
  void purse_transaction(uint8_t ins, const Key& key, const Reference& reference, int32_t amount);

  Kiteb& binding_;
  std::string cipher_file_;
  Cipher cipher_;
  QX_APDU command_{};
  bool is_vela1_ = false;
  Vela1Card card_;
};

// Whether a session's answer to reset is a VELA1 card's: 19 bytes starting 3B BE 11 00 00 41.
bool is_vela1_answer_to_reset(const QX_SESSION& session);

// The 16 bytes a purse transaction's MAC is computed over.
std::array<uint8_t, 16> purse_mac_input(uint8_t ins, int32_t amount, const Reference& reference,
                                        const std::array<uint8_t, 4>& purse_id, int32_t transaction_number);

}  // namespace kestrel
