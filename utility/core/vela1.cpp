#include "vela1.h"

#include <algorithm>
#include <cstring>

namespace kestrel {
namespace {

constexpr uint8_t kClass = 0x80;
constexpr uint8_t kSelectFile = 0xA4;
constexpr uint8_t kReadRecord = 0xB2;
constexpr uint8_t kWriteRecord = 0xD2;
constexpr uint8_t kSubmitCode = 0x20;
constexpr uint8_t kInquireAccount = 0xE1;
constexpr uint8_t kGetResponse = 0xC0;
constexpr uint8_t kCredit = 0xE2;
constexpr uint8_t kDebit = 0xE6;
constexpr uint8_t kRevokeDebit = 0xE7;
constexpr uint8_t kChallenge = 0x84;
constexpr uint8_t kAuthenticate = 0x82;

constexpr uint16_t kAccountFollows = 0x6119;
constexpr uint16_t kAuthenticationFollows = 0x6108;

constexpr std::array<uint8_t, 6> kVela1AtrStart = {0x3B, 0xBE, 0x11, 0x00, 0x00, 0x41};
constexpr int kVela1AtrLength = 19;
constexpr std::array<uint8_t, 8> kTerminalRandom = {0, 1, 2, 3, 4, 5, 6, 7};

int32_t big_endian(const uint8_t* bytes, int count) {
  int32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

}  // namespace

bool is_vela1_answer_to_reset(const QX_SESSION& session) {
  return session.ATRLen == kVela1AtrLength && std::equal(kVela1AtrStart.begin(), kVela1AtrStart.end(), session.ATR);
}

std::array<uint8_t, 16> purse_mac_input(uint8_t ins, int32_t amount, const Reference& reference,
                                        const std::array<uint8_t, 4>& purse_id, int32_t transaction_number) {
  std::array<uint8_t, 16> block{};
  block[0] = ins;
  // Division truncates towards zero: an amount of -5 gives 00 00 FB.
  block[1] = static_cast<uint8_t>(amount / 65536);
  block[2] = static_cast<uint8_t>(amount / 256);
  block[3] = static_cast<uint8_t>(amount);
  std::copy(reference.begin(), reference.end(), block.begin() + 4);
  std::copy(purse_id.begin(), purse_id.end(), block.begin() + 8);
  block[12] = static_cast<uint8_t>(transaction_number >> 8);
  block[13] = static_cast<uint8_t>(transaction_number);
  return block;
}

bool Vela1::load_cipher() {
  if (cipher_.ready()) return true;
  Cipher loaded;
  loaded.library = SharedLibrary(cipher_file_);
  loaded.encrypt = loaded.library.entry<DesEncryptFunction>("Encrypt");
  loaded.decrypt = loaded.library.entry<DesDecryptFunction>("Decrypt");
  loaded.mac = loaded.library.entry<DesMacFunction>("MAC");
  if (!loaded.ready()) return false;
  cipher_ = std::move(loaded);
  return true;
}

void Vela1::release_cipher() { cipher_ = Cipher{}; }

int32_t Vela1::send(uint8_t ins, uint8_t p1, int32_t lc, int32_t le) {
  command_.CLA = kClass;
  command_.INS = ins;
  command_.P1 = p1;
  command_.P2 = 0;
  command_.Lc = lc;
  command_.Le = le;
  return binding_.exchange(command_);
}

int32_t Vela1::select_file(uint16_t identifier) {
  command_.DataIn[0] = static_cast<uint8_t>(identifier >> 8);
  command_.DataIn[1] = static_cast<uint8_t>(identifier);
  return send(kSelectFile, 0x00, 2, 0);
}

const uint8_t* Vela1::read_record(uint8_t record, int32_t n) {
  std::memset(command_.DataOut, 0, sizeof command_.DataOut);
  send(kReadRecord, record, 0, n);
  return command_.DataOut;
}

int32_t Vela1::read_record_into(uint8_t record, int32_t n, uint8_t* dest) {
  std::memset(command_.DataOut, 0, sizeof command_.DataOut);
  const int32_t result = send(kReadRecord, record, 0, n);
  std::copy_n(command_.DataOut, std::clamp<int32_t>(n, 0, QX_DATA_SIZE), dest);
  return result;
}

int32_t Vela1::write_record(uint8_t record, int32_t n, const uint8_t* source) {
  const int32_t count = std::clamp<int32_t>(n, 0, QX_DATA_SIZE);
  std::copy_n(source, count, command_.DataIn);
  return send(kWriteRecord, record, count, 0);
}

int32_t Vela1::scan() {
  if (!load_cipher()) return -1;
  is_vela1_ = true;
  const int32_t rc = binding_.start_session(QX_CARD_AUTODETECT);
  const QX_SESSION& session = binding_.session();
  if (rc < 0 || session.ATRLen != kVela1AtrLength) is_vela1_ = false;
  if (!std::equal(kVela1AtrStart.begin(), kVela1AtrStart.end(), session.ATR)) is_vela1_ = false;
  if (!is_vela1_) return rc;

  card_.session_key_valid = false;
  uint8_t bytes[8];
  select_file(0xFF02);
  read_record_into(0, 4, bytes);
  card_.option_register = bytes[0];
  card_.security_option_register = bytes[1];
  card_.user_file_count = bytes[2];
  card_.stage = (bytes[3] & 0x80) ? 'U' : 'P';
  select_file(0xFF01);
  read_record_into(0, 8, bytes);
  if ((bytes[0] & 0x80) == 0) card_.stage = 'M';

  read_file_table();
  if ((card_.option_register & 0x01) == 0) return rc;
  const bool user = card_.stage == 'U';
  add_internal_file(0xFF05, 4, 8, user ? 0x80 : 0x00, 0x80);
  add_internal_file(0xFF06, 8, 4, user ? 0x01 : 0x00, 0x80);
  inquire_account(1);
  return rc;
}

namespace {

// The card's own files, which the table lists after the user files.
int32_t internal_files(const Vela1Card& card) { return has_bit(card.option_register, 0) ? 7 : 5; }

}  // namespace

int32_t Vela1::listed_user_files() const {
  return std::clamp(card_.user_file_count, 0, std::max(card_.file_count - internal_files(card_), 0));
}

// User files first, as FF04 declares them, then the card's internal files. A card declaring more
// user files than the table holds besides its internal files has the excess left out.
void Vela1::read_file_table() {
  const int32_t listed =
      std::clamp(card_.user_file_count, 0, static_cast<int32_t>(Vela1Card::kMaxFiles) - internal_files(card_));
  card_.file_count = 0;
  select_file(0xFF04);
  for (int32_t i = 0; i < listed; ++i) {
    uint8_t entry[6];
    read_record_into(static_cast<uint8_t>(i), 6, entry);
    card_.files[static_cast<size_t>(card_.file_count++)] = {entry[0], entry[1], entry[2], entry[3], entry[4] << 8 | entry[5]};
  }
  const bool user = card_.stage == 'U';
  add_internal_file(0xFF00, 8, 2, 0x00, 0x01);
  add_internal_file(0xFF01, 8, 2, 0x00, card_.stage == 'M' ? 0x80 : 0x01);
  add_internal_file(0xFF02, 4, 3, 0x00, user ? 0x01 : 0x80);
  add_internal_file(0xFF03, 8, 12, user ? 0x01 : 0x80, 0x80);
  add_internal_file(0xFF04, 6, card_.user_file_count, 0x00, 0x80);
}

void Vela1::add_internal_file(uint16_t id, int32_t record_length, int32_t records, uint8_t read, uint8_t write) {
  if (card_.file_count >= static_cast<int32_t>(Vela1Card::kMaxFiles)) return;
  card_.files[static_cast<size_t>(card_.file_count++)] = {record_length, records, read, write, id};
}

void Vela1::submit_code(int reference, const std::string& code) {
  std::fill_n(command_.DataIn, 8, 0);
  std::copy_n(code.begin(), std::min<size_t>(code.size(), 8), command_.DataIn);
  const bool enciphered = reference >= 0 && reference < 8 && (card_.security_option_register >> reference & 1) != 0;
  if (enciphered && card_.session_key_valid && cipher_.ready()) {
    cipher_.encrypt(command_.DataIn, card_.session_key.data());
  }
  send(kSubmitCode, static_cast<uint8_t>(reference), 8, 0);
}

void Vela1::inquire_account(uint8_t key_reference) {
  std::fill_n(command_.DataIn, 4, 0);
  send(kInquireAccount, key_reference, 4, 0);
  if (command_.Status != kAccountFollows) return;
  send(kGetResponse, 0x00, 0, 25);
  if (command_.Status != kStatusOk) return;
  const uint8_t* d = command_.DataOut;
  card_.last_transaction_type = d[4];
  card_.balance = big_endian(d + 5, 3);
  std::copy_n(d + 8, 4, card_.purse_id.begin());
  card_.transaction_counter = big_endian(d + 12, 2);
  card_.maximum_balance = big_endian(d + 14, 3);
  std::copy_n(d + 17, 4, card_.credit_reference.begin());
  std::copy_n(d + 21, 4, card_.debit_reference.begin());
}

void Vela1::purse_transaction(uint8_t ins, const Key& key, const Reference& reference, int32_t amount) {
  // A transaction that never reaches the card (no cipher library, or the exchange fails and
  // leaves the record as it was) must not leave the previous command's 9000 to be read as its own.
  command_.Status = 0;
  if (!cipher_.ready()) return;  // no MAC without the cipher library: nothing is sent
  const int32_t number = card_.transaction_counter + 1;
  const auto block = purse_mac_input(ins, amount, reference, card_.purse_id, number);
  uint8_t mac[8];
  cipher_.mac(mac, block.data(), static_cast<int32_t>(block.size()), key.data());
  std::copy_n(mac, 4, command_.DataIn);
  int32_t lc = 4;
  if (ins != kRevokeDebit) {
    std::copy_n(block.begin() + 1, 7, command_.DataIn + 4);
    lc = 11;
  }
  send(ins, 0x00, lc, 0);
  if (command_.Status == kStatusOk) card_.transaction_counter = number;
}

void Vela1::credit(const Key& key, const Reference& reference, int32_t amount) {
  purse_transaction(kCredit, key, reference, amount);
}

void Vela1::debit(const Key& key, const Reference& reference, int32_t amount) {
  purse_transaction(kDebit, key, reference, amount);
}

void Vela1::revoke_debit(const Key& key, const Reference& reference, int32_t amount) {
  purse_transaction(kRevokeDebit, key, reference, amount);
}

void Vela1::mutual_authentication(const Key& card_key, const Key& terminal_key) {
  card_.session_key_valid = false;
  if (!cipher_.ready()) return;
  send(kChallenge, 0x00, 0, 8);
  if (command_.Status != kStatusOk) return;
  std::array<uint8_t, 8> card_random;
  std::copy_n(command_.DataOut, 8, card_random.begin());

  std::array<uint8_t, 8> enciphered = card_random;
  cipher_.encrypt(enciphered.data(), terminal_key.data());
  std::copy(enciphered.begin(), enciphered.end(), command_.DataIn);
  std::copy(kTerminalRandom.begin(), kTerminalRandom.end(), command_.DataIn + 8);
  send(kAuthenticate, 0x00, 16, 0);
  if (command_.Status != kAuthenticationFollows) return;
  send(kGetResponse, 0x00, 0, 8);
  if (command_.Status != kStatusOk) return;

  std::array<uint8_t, 8> session_key = card_random;
  cipher_.encrypt(session_key.data(), card_key.data());
  for (size_t i = 0; i < session_key.size(); ++i) session_key[i] ^= kTerminalRandom[i];
  cipher_.encrypt(session_key.data(), terminal_key.data());
  card_.session_key = session_key;

  std::array<uint8_t, 8> answer;
  std::copy_n(command_.DataOut, 8, answer.begin());
  cipher_.decrypt(answer.data(), session_key.data());
  card_.session_key_valid = answer == kTerminalRandom;
}

}  // namespace kestrel
