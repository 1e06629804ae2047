// The electronic purse: the account file FF05, INQUIRE ACCOUNT's 25 bytes, and the transactions
// CREDIT, DEBIT and REVOKE DEBIT with their MACs.
//
// A transaction's MAC is the first 4 bytes of the DES CBC-MAC, under the transaction's key, of
//   INS, amount (3, big-endian), reference (4), purse ID (4), n (2, big-endian), 00 00
// where n is the transaction counter plus one. CREDIT (key Kcr) and DEBIT (key Kd, checked only
// with the option "MAC checking") bring MAC, amount and reference. REVOKE DEBIT (key Krd) brings
// the MAC alone; it gives back the amount of the debit just made, and its MAC covers the balance
// it leads to and that debit's reference. Only a transaction that succeeds moves the counter on.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "vela1_files.h"
#include "vela1_status.h"

namespace kitesim::vela1 {

// FF05, 8 records of 4 bytes:
//   0 last transaction type (1 debit, 2 revoke debit, 3 credit), balance (3)
//   1 purse ID                       2 transaction counter (2), 00 00
//   3 00, maximum balance (3)        4 credit reference
//   5 debit reference                6 00, amount of the last debit (3)
//   7 not used
// FF06, 4 records of 8 bytes: Kd, Kcr, Kcf, Krd.
struct Account {
  std::uint8_t last_transaction = 0;
  std::uint32_t balance = 0;
  std::array<std::uint8_t, 4> purse_id{};
  std::uint16_t transaction_counter = 0;
  std::uint32_t maximum_balance = 0;
  std::array<std::uint8_t, 4> credit_reference{};
  std::array<std::uint8_t, 4> debit_reference{};
  std::uint32_t last_debit_amount = 0;
};

Account load_account(const FileSystem& files);
void store_account(FileSystem& files, const Account& account);

// What the terminal has done since the last reset that a purse command may require.
struct PurseRights {
  bool authenticated = false;
  bool pin_presented = false;
};

// INQUIRE ACCOUNT: 61 19 and the 25 bytes for GET RESPONSE, or the status that refuses it.
CardStatus check_inquiry(const FileSystem& files, std::span<const std::uint8_t> data, const PurseRights& rights);
Bytes account_inquiry(const Account& account);

enum class Transaction : std::uint8_t { credit = 0xE2, debit = 0xE6, revoke_debit = 0xE7 };
CardStatus run_transaction(FileSystem& files, Transaction kind, std::span<const std::uint8_t> data,
                           const PurseRights& rights);

// The 16 bytes the MAC is computed over.
std::array<std::uint8_t, 16> transaction_mac_input(Transaction kind, std::uint32_t amount,
                                                   std::span<const std::uint8_t, 4> reference,
                                                   std::span<const std::uint8_t, 4> purse_id, std::uint16_t number);

}  // namespace kitesim::vela1
