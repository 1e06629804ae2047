#include "vela1_purse.h"

#include <algorithm>
#include <optional>

#include "vela1_des.h"

namespace kitesim::vela1 {
namespace {

namespace account_record {
constexpr std::size_t balance = 0;  // with the last transaction type in byte 0
constexpr std::size_t purse_id = 1;
constexpr std::size_t transaction_counter = 2;
constexpr std::size_t maximum_balance = 3;
constexpr std::size_t credit_reference = 4;
constexpr std::size_t debit_reference = 5;
constexpr std::size_t last_debit_amount = 6;
}  // namespace account_record

constexpr std::uint8_t type_debit = 1;
constexpr std::uint8_t type_revoke_debit = 2;
constexpr std::uint8_t type_credit = 3;
constexpr std::uint16_t last_transaction_number = 0xFFFF;
constexpr std::size_t inquiry_data_length = 4;
constexpr std::size_t mac_length = 4;

struct TransactionRule {
  Transaction kind;
  std::size_t data_length;      // MAC (4), then amount (3) and reference (4) where they travel
  std::size_t key_record;       // in FF06: 0 Kd, 1 Kcr, 2 Kcf, 3 Krd
  std::uint8_t type_after;
};

constexpr std::array<TransactionRule, 3> transaction_rules{{
    {Transaction::credit, 11, 1, type_credit},
    {Transaction::debit, 11, 0, type_debit},
    {Transaction::revoke_debit, 4, 3, type_revoke_debit},
}};

std::uint32_t big_endian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (std::uint8_t b : bytes) value = value << 8 | b;
  return value;
}

void put_24(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 16);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value);
}

// Bytes 1 to 3 of a 4-byte record.
std::uint32_t low_24(const Bytes& record) { return big_endian(std::span(record).subspan(1, 3)); }

std::array<std::uint8_t, 4> four(const Bytes& record) {
  std::array<std::uint8_t, 4> out{};
  std::copy_n(record.begin(), out.size(), out.begin());
  return out;
}

CardStatus check_rights(const FileSystem& files, Transaction kind, const PurseRights& rights) {
  const std::uint8_t options = files.option_register();
  if ((options & option::transactions_need_authentication) != 0 && !rights.authenticated) return authentication_missing;
  if (kind == Transaction::debit && (options & option::debit_needs_pin) != 0 && !rights.pin_presented)
    return authentication_missing;
  return ok;
}

bool mac_matches(const FileSystem& files, const TransactionRule& rule, std::uint32_t amount,
                 std::span<const std::uint8_t, 4> reference, const Account& account, std::span<const std::uint8_t> mac) {
  const Bytes key_record = files.record(file::account_security, rule.key_record);
  Block key;
  std::copy_n(key_record.begin(), key.size(), key.begin());
  const auto number = static_cast<std::uint16_t>(account.transaction_counter + 1);
  const auto input = transaction_mac_input(rule.kind, amount, reference, account.purse_id, number);
  const Block expected = cbc_mac(input, key);
  return std::equal(mac.begin(), mac.begin() + mac_length, expected.begin());
}

// The balance after the transaction, or nullopt when it would leave 0 to the maximum balance.
std::optional<std::uint32_t> balance_after(const Account& account, Transaction kind, std::uint32_t amount) {
  if (kind == Transaction::debit) {
    if (amount > account.balance) return std::nullopt;
    return account.balance - amount;
  }
  if (account.balance + amount > account.maximum_balance) return std::nullopt;
  return account.balance + amount;
}

}  // namespace

Account load_account(const FileSystem& files) {
  auto rec = [&](std::size_t number) { return files.record(file::account, number); };
  const Bytes balance = rec(account_record::balance);
  const Bytes counter = rec(account_record::transaction_counter);
  Account account;
  account.last_transaction = balance[0];
  account.balance = low_24(balance);
  account.purse_id = four(rec(account_record::purse_id));
  account.transaction_counter = static_cast<std::uint16_t>(counter[0] << 8 | counter[1]);
  account.maximum_balance = low_24(rec(account_record::maximum_balance));
  account.credit_reference = four(rec(account_record::credit_reference));
  account.debit_reference = four(rec(account_record::debit_reference));
  account.last_debit_amount = low_24(rec(account_record::last_debit_amount));
  return account;
}

void store_account(FileSystem& files, const Account& account) {
  std::array<std::uint8_t, 4> bytes{account.last_transaction};
  put_24(&bytes[1], account.balance);
  files.set_record(file::account, account_record::balance, bytes);
  files.set_record(file::account, account_record::purse_id, account.purse_id);
  bytes = {static_cast<std::uint8_t>(account.transaction_counter >> 8),
           static_cast<std::uint8_t>(account.transaction_counter), 0, 0};
  files.set_record(file::account, account_record::transaction_counter, bytes);
  bytes = {};
  put_24(&bytes[1], account.maximum_balance);
  files.set_record(file::account, account_record::maximum_balance, bytes);
  files.set_record(file::account, account_record::credit_reference, account.credit_reference);
  files.set_record(file::account, account_record::debit_reference, account.debit_reference);
  bytes = {};
  put_24(&bytes[1], account.last_debit_amount);
  files.set_record(file::account, account_record::last_debit_amount, bytes);
}

CardStatus check_inquiry(const FileSystem& files, std::span<const std::uint8_t> data, const PurseRights& rights) {
  if (!files.has_purse()) return file_not_found;
  if (data.size() != inquiry_data_length) return wrong_length;
  if ((files.option_register() & option::inquiry_needs_authentication) != 0 && !rights.authenticated)
    return authentication_missing;
  return ok;
}

// Not used (4), last transaction type, balance (3), purse ID (4), transaction counter (2),
// maximum balance (3), credit reference (4), debit reference (4).
Bytes account_inquiry(const Account& account) {
  Bytes out(25, 0x00);
  out[4] = account.last_transaction;
  put_24(&out[5], account.balance);
  std::ranges::copy(account.purse_id, out.begin() + 8);
  out[12] = static_cast<std::uint8_t>(account.transaction_counter >> 8);
  out[13] = static_cast<std::uint8_t>(account.transaction_counter);
  put_24(&out[14], account.maximum_balance);
  std::ranges::copy(account.credit_reference, out.begin() + 17);
  std::ranges::copy(account.debit_reference, out.begin() + 21);
  return out;
}

std::array<std::uint8_t, 16> transaction_mac_input(Transaction kind, std::uint32_t amount,
                                                   std::span<const std::uint8_t, 4> reference,
                                                   std::span<const std::uint8_t, 4> purse_id, std::uint16_t number) {
  std::array<std::uint8_t, 16> block{};
  block[0] = static_cast<std::uint8_t>(kind);
  put_24(&block[1], amount);
  std::ranges::copy(reference, block.begin() + 4);
  std::ranges::copy(purse_id, block.begin() + 8);
  block[12] = static_cast<std::uint8_t>(number >> 8);
  block[13] = static_cast<std::uint8_t>(number);
  return block;
}

CardStatus run_transaction(FileSystem& files, Transaction kind, std::span<const std::uint8_t> data,
                           const PurseRights& rights) {
  const TransactionRule& rule = *std::ranges::find(transaction_rules, kind, &TransactionRule::kind);
  if (!files.has_purse()) return file_not_found;
  if (data.size() != rule.data_length) return wrong_length;
  if (CardStatus refused = check_rights(files, kind, rights); refused != ok) return refused;

  Account account = load_account(files);
  const std::uint8_t options = files.option_register();
  if (kind == Transaction::revoke_debit &&
      ((options & option::revoke_debit_allowed) == 0 || account.last_transaction != type_debit))
    return not_allowed_now;
  // The counter never wraps round: a MAC, once used, must never fit again.
  if (account.transaction_counter == last_transaction_number) return not_allowed_now;

  std::uint32_t amount = account.last_debit_amount;
  std::array<std::uint8_t, 4> reference = account.debit_reference;
  std::uint32_t mac_amount = (account.balance + amount) & 0xFFFFFF;
  if (kind != Transaction::revoke_debit) {
    amount = big_endian(data.subspan(4, 3));
    std::copy_n(data.begin() + 7, reference.size(), reference.begin());
    mac_amount = amount;
  }
  const bool mac_checked = kind != Transaction::debit || (options & option::mac_checking) != 0;
  if (mac_checked && !mac_matches(files, rule, mac_amount, reference, account, data.first(mac_length)))
    return wrong_mac;

  const std::optional<std::uint32_t> balance = balance_after(account, kind, amount);
  if (!balance) return amount_refused;
  account.balance = *balance;
  account.last_transaction = rule.type_after;
  account.transaction_counter = static_cast<std::uint16_t>(account.transaction_counter + 1);
  if (kind == Transaction::credit) account.credit_reference = reference;
  if (kind == Transaction::debit) {
    account.debit_reference = reference;
    account.last_debit_amount = amount;
  }
  store_account(files, account);
  return ok;
}

}  // namespace kitesim::vela1
