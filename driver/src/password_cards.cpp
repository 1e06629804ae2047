#include "password_cards.h"

#include <algorithm>
#include <array>

#include "command_codes.h"
#include "status_check.h"

namespace pelorus::password_cards {
namespace {

using namespace command_code;

constexpr uint8_t kProtectedAccess = 0x80;  // the top bit of P1
constexpr int32_t kPasswordLength = 8;

// X76F041 slots: 0 write password, 1 read password, 2 the configuration password that also
// opens every protected access.
constexpr int kWriteSlot = 0;
constexpr int kReadSlot = 1;
constexpr int kMasterSlot = 2;
constexpr std::array<uint8_t, 3> kX76f041Selectors = {0x00, 0x10, 0x20};

using Password = std::array<uint8_t, 8>;
constexpr Password kZeros{};
constexpr Password kOnes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

KeySlot& slot(const MemoryCall& call, int n) { return call.lib().key_slots[static_cast<size_t>(n)]; }
bool valid(const MemoryCall& call, int n) { return slot(call, n).valid; }
const Password& password(const MemoryCall& call, int n) { return slot(call, n).password; }

Password entered(const MemoryCall& call) {
  Password p;
  std::copy_n(call.apdu.DataIn, p.size(), p.begin());
  return p;
}

void accept(const MemoryCall& call, int n, const Password& p) {
  slot(call, n).valid = true;
  slot(call, n).password = p;
}

bool is_password_command(const QX_APDU& a) { return a.Lc == kPasswordLength && a.Le == 0; }

uint8_t address(const QX_APDU& a) { return a.P1 & static_cast<uint8_t>(~kProtectedAccess); }
bool protected_access(const QX_APDU& a) { return (a.P1 & kProtectedAccess) != 0; }

}  // namespace

int32_t x76f041_read(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0) return QX_ERR_BAD_PARAMETER;
  const auto le = static_cast<uint8_t>(a.Le);
  if (!protected_access(a)) {
    Command c(kRead);
    c.add(a.P1).add(a.P2).add(le);
    return call.send_checked(c);
  }
  if (valid(call, kMasterSlot)) {
    Command c(kReadWithPassword);
    c.add(password(call, kMasterSlot)).add(address(a)).add(a.P2).add(le);
    return call.send_checked(c);
  }
  if (valid(call, kReadSlot)) {
    Command c(kRead);
    c.add(password(call, kReadSlot)).add(address(a)).add(a.P2).add(le);
    return call.send_checked(c);
  }
  return QX_ERR_NO_PASSWORD;
}

int32_t x76f041_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return QX_ERR_BAD_PARAMETER;
  if (!protected_access(a)) {
    Command c(kWrite);
    c.add(a.P1).add(a.P2).add(call.data_in());
    return call.send_checked(c);
  }
  if (valid(call, kMasterSlot)) {
    Command c(kWriteWithMasterPassword);
    c.add(password(call, kMasterSlot)).add(address(a)).add(a.P2).add(call.data_in());
    return call.send_checked(c);
  }
  if (valid(call, kWriteSlot)) {
    Command c(kWriteWithPassword);
    c.add(password(call, kWriteSlot)).add(address(a)).add(a.P2).add(call.data_in());
    return call.send_checked(c);
  }
  return QX_ERR_NO_PASSWORD;
}

int32_t x76f041_verify(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!is_password_command(a) || a.P1 > 2) return QX_ERR_BAD_PARAMETER;
  const Password p = entered(call);
  slot(call, a.P1).valid = false;  // a rejected verify leaves the slot invalid
  Command c(kPasswordCommand);
  c.add(p).add(kX76f041Selectors[a.P1]).add(0x00).add(p).add(p);
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  accept(call, a.P1, p);
  return 0;
}

int32_t x76f041_change_pin(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!is_password_command(a) || a.P1 > 2) return QX_ERR_BAD_PARAMETER;
  const Password p = entered(call);
  if (!valid(call, a.P1)) {
    // The configuration password resets the slot's password to zeros first.
    if (!valid(call, kMasterSlot)) return QX_ERR_NO_PASSWORD;
    Command reset(kPasswordCommand);
    reset.add(password(call, kMasterSlot)).add(a.P1 == 1 ? 0x40 : 0x30).add(0x00);
    if (const int32_t result = call.send_checked(reset); result != 0) return result;
    slot(call, a.P1).password = kZeros;
  }
  Command change(kPasswordCommand);
  change.add(password(call, a.P1)).add(kX76f041Selectors[a.P1]).add(0x00).add(p).add(p);
  if (const int32_t result = call.send_checked(change); result != 0) return result;
  accept(call, a.P1, p);
  return 0;
}

int32_t x76f041_set_protect(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 5 || a.Le != 0) return QX_ERR_BAD_PARAMETER;
  if (!valid(call, kMasterSlot)) return QX_ERR_NO_PASSWORD;
  Command c(kPasswordCommand);
  c.add(password(call, kMasterSlot)).add(0x50).add(0x00).add(call.data_in(5));
  return call.send_checked(c);
}

int32_t x76f041_read_protect(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0 || a.Le != 5) return QX_ERR_BAD_PARAMETER;
  if (!valid(call, kMasterSlot)) return QX_ERR_NO_PASSWORD;
  Command c(kPasswordCommand);
  c.add(password(call, kMasterSlot)).add(0x60).add(0x05);
  return call.send_checked(c);
}

// Writing or erasing the whole card resets its passwords: the slots follow, valid or not.
int32_t x76f041_write_all(const MemoryCall& call, FormArguments) {
  if (!is_password_command(call.apdu)) return QX_ERR_BAD_PARAMETER;
  Command c(kPasswordCommand);
  c.add(call.data_in(8)).add(0x70).add(0x00);
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  for (int n : {0, 1, 2}) slot(call, n).password = kZeros;
  return 0;
}

int32_t x76f041_erase_all(const MemoryCall& call, FormArguments) {
  if (!is_password_command(call.apdu)) return QX_ERR_BAD_PARAMETER;
  Command c(kPasswordCommand);
  c.add(call.data_in(8)).add(0x80).add(0x00);
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  for (int n : {0, 1, 2}) slot(call, n).password = kOnes;
  return 0;
}

// X76F128 / X76F640: slots 0 and 1 read, 2 and 3 write, for the low and the high (P1 top bit
// set) array; slot 4 is the reset password.
int32_t x76f128_read(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0) return QX_ERR_BAD_PARAMETER;
  const int b = protected_access(a) ? 1 : 0;
  if (!valid(call, b)) return QX_ERR_NO_PASSWORD;
  Command c(kRead);
  c.add(static_cast<uint8_t>(b)).add(password(call, b)).add(address(a)).add(a.P2).add(static_cast<uint8_t>(a.Le));
  return call.send_checked(c);
}

int32_t x76f128_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return QX_ERR_BAD_PARAMETER;
  const int b = protected_access(a) ? 1 : 0;
  if (!valid(call, 2 + b)) return QX_ERR_NO_PASSWORD;
  Command c(kWrite);
  c.add(static_cast<uint8_t>(b)).add(password(call, 2 + b)).add(address(a)).add(a.P2).add(call.data_in());
  return call.send_checked(c);
}

int32_t x76f128_verify(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!is_password_command(a) || a.P1 > 4) return QX_ERR_BAD_PARAMETER;
  const Password p = entered(call);
  slot(call, a.P1).valid = false;
  Command c(kPasswordCommand);
  c.add(a.P1).add(p).add(p).add(p);
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  accept(call, a.P1, p);
  return 0;
}

int32_t x76f128_change_pin(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!is_password_command(a) || a.P1 > 4) return QX_ERR_BAD_PARAMETER;
  if (!valid(call, a.P1)) return QX_ERR_NO_PASSWORD;
  const Password p = entered(call);
  Command c(kPasswordCommand);
  c.add(a.P1).add(password(call, a.P1)).add(p).add(p);
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  accept(call, a.P1, p);
  return 0;
}

int32_t x76f128_write_all(const MemoryCall& call, FormArguments) {
  if (!is_password_command(call.apdu)) return QX_ERR_BAD_PARAMETER;
  Command c(kWriteAllPasswords);
  c.add(call.data_in(8));
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  for (int n = 0; n < 5; ++n) accept(call, n, kZeros);
  return 0;
}

int32_t x76f128_reactivate(const MemoryCall& call, FormArguments) {
  if (!is_password_command(call.apdu)) return QX_ERR_BAD_PARAMETER;
  Command c(kReactivate);
  c.add(call.data_in(8));
  return call.send_checked(c);
}

// X76F100: slot 0 the write password, slot 1 the read password.
int32_t x76f100_read(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0) return QX_ERR_BAD_PARAMETER;
  if (!valid(call, kReadSlot)) return QX_ERR_NO_PASSWORD;
  Command c(kRead);
  c.add(password(call, kReadSlot)).add(a.P1).add(a.P2).add(static_cast<uint8_t>(a.Le));
  return call.send_checked(c);
}

int32_t x76f100_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return QX_ERR_BAD_PARAMETER;
  if (!valid(call, kWriteSlot)) return QX_ERR_NO_PASSWORD;
  Command c(kWrite);
  c.add(password(call, kWriteSlot)).add(a.P1).add(a.P2).add(call.data_in());
  return call.send_checked(c);
}

int32_t x76f100_verify(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!is_password_command(a) || a.P1 > 1) return QX_ERR_BAD_PARAMETER;
  const Password p = entered(call);
  slot(call, a.P1).valid = false;
  int32_t result;
  if (a.P1 == kWriteSlot) {
    Command c(kPasswordCommand);
    c.add(0x01).add(p).add(p);
    result = call.send_checked(c);
  } else {
    // The read password is checked by a one-byte read; its byte is not handed out.
    Command c(kRead);
    c.add(p).add(0x00).add(0x00).add(0x01);
    result = call.send(c, call.reply);
    if (result == 0) {
      call.reply.drop_data();
      result = status_check(call.lib(), call.reply);
    }
  }
  if (result != 0) return result;
  accept(call, a.P1, p);
  return 0;
}

int32_t x76f100_change_pin(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!is_password_command(a) || a.P1 > 1) return QX_ERR_BAD_PARAMETER;
  if (!valid(call, kWriteSlot)) return QX_ERR_NO_PASSWORD;
  const Password p = entered(call);
  Command c(kPasswordCommand);
  c.add(a.P1 == 0 ? 0x01 : 0x00).add(password(call, kWriteSlot)).add(p);
  if (const int32_t result = call.send_checked(c); result != 0) return result;
  accept(call, a.P1, p);
  return 0;
}

}  // namespace pelorus::password_cards
