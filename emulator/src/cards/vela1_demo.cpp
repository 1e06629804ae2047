#include "vela1_demo.h"

#include <initializer_list>
#include <string_view>

namespace kitesim::vela1 {
namespace {

// A record of the given length holding the text, filled up with zero bytes.
Bytes text(std::string_view value, std::size_t length) {
  Bytes out(value.begin(), value.end());
  out.resize(length, 0x00);
  return out;
}

// Records one after the other; a file's unlisted records read as zero.
Bytes records(std::initializer_list<Bytes> list) {
  Bytes out;
  for (const Bytes& record : list) out.insert(out.end(), record.begin(), record.end());
  return out;
}

const Bytes code = text(demo_code, 8);
const Bytes three_attempts{0x00, 3, 3, 3, 3, 3, 3, 3};  // byte r for code reference r

// FF03: Kc, AC1 to AC5, PIN, IC, Kt, attempts left, attempt limits.
Bytes security_file() {
  return records({code, code, code, code, code, code, code, code, code, three_attempts, three_attempts});
}

Bytes manufacturer_file() { return records({text("\x80KITESIM", 8)}); }

}  // namespace

FileContents demo_card() {
  return {
      {file::mcu_id, records({{0x56, 0x31, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}})},
      {file::manufacturer, manufacturer_file()},
      // Purse, MAC checking, revoke debit allowed, transactions need authentication; IC and PIN
      // travel enciphered; three user files; stage U.
      {file::personalization, records({{0x69, 0xC0, 0x03, 0x80}})},
      {file::security, security_file()},
      {file::user_file_management, records({
                                       {0x10, 0x04, 0x00, 0x40, 0x10, 0x01},  // 1001: 4 × 16, read free, write PIN
                                       {0x08, 0x04, 0x40, 0x40, 0x10, 0x02},  // 1002: 4 × 8, PIN
                                       {0x08, 0x02, 0x02, 0x02, 0x10, 0x03},  // 1003: 2 × 8, AC1
                                   })},
      {0x1001, records({text("KITESIM VELA1", 16), text("DEMO CARD", 16), text("FREE TO READ", 16),
                        text("PIN TO WRITE", 16)})},
      {0x1002, records({text("PIN FILE", 8)})},
      {0x1003, records({text("AC1 FILE", 8)})},
      // Balance 1000, purse ID 12 34 56 78, counter 0, maximum 100000, no transaction yet.
      {file::account, records({{0x00, 0x00, 0x03, 0xE8},
                               {0x12, 0x34, 0x56, 0x78},
                               {0x00, 0x00, 0x00, 0x00},
                               {0x00, 0x01, 0x86, 0xA0}})},
      {file::account_security, records({code, code, code, code})},  // Kd, Kcr, Kcf, Krd
  };
}

FileContents demo_card_without_purse() {
  return {
      {file::mcu_id, records({{0x56, 0x31, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}})},
      {file::manufacturer, manufacturer_file()},
      // No options; AC1 travels enciphered; two user files; stage P.
      {file::personalization, records({{0x00, 0x02, 0x02, 0x00}})},
      {file::security, security_file()},
      {file::user_file_management, records({
                                       {0x08, 0x02, 0x00, 0x00, 0x20, 0x01},  // 2001: 2 × 8, free
                                       {0x08, 0x02, 0x02, 0x02, 0x20, 0x02},  // 2002: 2 × 8, AC1
                                   })},
      {0x2001, records({text("FREE", 8)})},
      {0x2002, records({text("AC1 FILE", 8)})},
  };
}

}  // namespace kitesim::vela1
