#include "memory_forms.h"

#include <array>
#include <optional>

#include "command_codes.h"

namespace pelorus::forms {
namespace {

using namespace command_code;

constexpr uint8_t kCardPowered = 0x02;  // bit 1 of the information block's card status

constexpr int32_t kBadParameter = QX_ERR_BAD_PARAMETER;

struct Selector {
  uint8_t card_type;
  uint8_t p1;
  std::array<uint8_t, 3> bytes;
  int32_t lc;
};

// The codes of the cards with several: P1 picks the code, and with it the bytes that address it
// and the length the code must have.
constexpr Selector kSelectors[] = {
    {QX_CARD_SLE4404, 0, {0x00, 0x08, 0x04}, 2}, {QX_CARD_SLE4404, 1, {0x00, 0x28, 0x40}, 4},
    {QX_CARD_GPM896, 0, {0x00, 0x0A, 0x04}, 2},  {QX_CARD_GPM896, 1, {0x00, 0x36, 0x00}, 6},
    {QX_CARD_GPM896, 2, {0x00, 0x5C, 0x80}, 4},  {QX_CARD_AT101, 0, {0x00, 0x0A, 0x10}, 2},
    {QX_CARD_AT101, 1, {0x00, 0x96, 0x80}, 4},   {QX_CARD_AT102, 0, {0x00, 0x0A, 0x10}, 2},
    {QX_CARD_AT102, 1, {0x00, 0x56, 0x00}, 6},   {QX_CARD_AT102, 2, {0x00, 0x9C, 0x80}, 4},
    {QX_CARD_AT1604, 0, {0x00, 0x0A, 0x08}, 2},  {QX_CARD_AT1604, 1, {0x00, 0x18, 0x08}, 2},
    {QX_CARD_AT1604, 2, {0x04, 0xC8, 0x08}, 2},  {QX_CARD_AT1604, 3, {0x05, 0xCD, 0x08}, 2},
    {QX_CARD_AT1604, 4, {0x06, 0xD2, 0x08}, 2},  {QX_CARD_AT1604, 5, {0x00, 0x15, 0x08}, 2},
    {QX_CARD_AT1604, 6, {0x04, 0xC6, 0xFF}, 2},  {QX_CARD_AT1604, 7, {0x05, 0xCB, 0xFF}, 2},
    {QX_CARD_AT1604, 8, {0x06, 0xD0, 0xFF}, 2},
};

std::optional<Selector> selector_for(uint8_t card_type, uint8_t p1) {
  for (const Selector& s : kSelectors) {
    if (s.card_type == card_type && s.p1 == p1) return s;
  }
  return std::nullopt;
}

// Word-addressed cards take the byte address P1 × 256 + P2 halved.
struct WordAddress {
  uint8_t high;
  uint8_t low;
};
WordAddress word_address(const QX_APDU& apdu) {
  return {static_cast<uint8_t>(apdu.P1 / 2), static_cast<uint8_t>(apdu.P2 / 2 + (apdu.P1 & 1 ? 0x80 : 0))};
}

bool no_data(const QX_APDU& apdu) { return apdu.Lc == 0 && apdu.Le == 0; }
bool nothing_but_ins(const QX_APDU& apdu) { return no_data(apdu) && apdu.P1 == 0 && apdu.P2 == 0; }

// A reader reply as the reader would give it for a command that needs no reader at all.
void set_plain_success(Reply& reply) {
  reply.bytes[0] = 0x90;
  reply.bytes[1] = 0x00;
  reply.bytes[2] = 0x00;
  reply.bytes[3] = 0x91;
  reply.length = Reply::kMinimumLength;
}

}  // namespace

int32_t plain_read(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0) return kBadParameter;
  Command c(kRead);
  c.add(a.P1).add(a.P2).add(static_cast<uint8_t>(a.Le));
  return call.send_checked(c);
}

int32_t byte_wise_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return kBadParameter;
  // Writing no byte sends nothing and succeeds, with no data.
  if (a.Lc == 0) set_plain_success(call.reply);
  for (int32_t i = 0; i < a.Lc; ++i) {
    Command c(kWrite);
    c.add(a.P1).add(static_cast<uint8_t>(a.P2 + i)).add(0x00).add(a.DataIn[i]);
    if (const int32_t result = call.send_checked(c); result != 0) return result;
  }
  return 0;
}

int32_t block_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return kBadParameter;
  Command c(kWrite);
  c.add(a.P1).add(a.P2).add(call.data_in());
  return call.send_checked(c);
}

int32_t carry_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 1 || a.P1 < 1 || a.P1 > 3 || a.Le != 0) return kBadParameter;
  Command c(kWrite);
  c.add(0x00).add(a.P2).add(a.P1).add(a.DataIn[0]);
  return call.send_checked(c);
}

int32_t protect_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return kBadParameter;
  Command c(kProtect);
  c.add(a.P1).add(a.P2).add(call.data_in());
  return call.send_checked(c);
}

int32_t erase(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0) return kBadParameter;
  Command c(kErase);
  c.add(a.P1).add(a.P2).add(static_cast<uint8_t>(a.Lc));
  return call.send_checked(c);
}

int32_t three_byte_code(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 3 || a.P1 != 0 || a.P2 != 0 || a.Le != 0) return kBadParameter;
  Command c(kCode);
  c.add(0x09).add(call.data_in(3));
  return call.send_checked(c);
}

int32_t plain_code(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  // A code of no bytes would go out as 92 00, which the reader takes for reading the protection:
  // its answer would look like an accepted code.
  if (a.P1 != 0 || a.P2 != 0 || a.Lc < 1 || !call.lc_fits()) return kBadParameter;
  Command c(kCode);
  c.add(call.data_in());
  return call.send_checked(c);
}

int32_t change_code(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 3 || a.P1 != 0 || a.P2 != 0 || a.Le != 0) return kBadParameter;
  Command c(kChangeCode);
  c.add(call.data_in(3));
  return call.send_checked(c);
}

int32_t selected_code(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  const auto selector = selector_for(call.card_type(), a.P1);
  if (a.P2 != 0 || a.Le != 0 || !selector || a.Lc != selector->lc) return kBadParameter;
  Command c(kCode);
  c.add(selector->bytes).add(call.data_in());
  return call.send_checked(c);
}

int32_t six_byte_authenticate(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.P1 > 1 || a.Lc != 6) return kBadParameter;
  Command c(kAuthenticate);
  c.add(a.P1).add(a.P2).add(call.data_in(6));
  return call.send_checked(c);
}

int32_t four_byte_authenticate(const MemoryCall& call, FormArguments) {
  if (call.apdu.Lc != 4) return kBadParameter;
  Command c(kAuthenticate);
  c.add(call.data_in(4));
  return call.send_checked(c);
}

// After a fuse is set the card may have been powered down; if the reader says it is powered, it
// is reset so that the session goes on. The fuse command's reply stays the one reported.
int32_t set_fuse(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if ((a.Lc != 0 && a.Le != 0) || a.P2 != 0 || (a.P1 != 0x00 && a.P1 != 0x01 && a.P1 != 0xFF)) return kBadParameter;
  Command fuse(kFuse);
  fuse.add(a.P1);
  if (const int32_t result = call.send_checked(fuse); result != 0) return result;

  Reply follow_up;
  Command information(kReadInformation);
  if (const int32_t sent = call.send(information, follow_up); sent != 0) return sent;
  const auto info = follow_up.data();
  if (info.size() < 16) return QX_ERR_BAD_FRAME;
  if ((info[15] & kCardPowered) == 0) return 0;
  Command power_up(kPowerUp);
  return call.send(power_up, follow_up);
}

int32_t blow_fuse(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!no_data(a)) return kBadParameter;
  Command c(kProtect);
  c.add(a.P1).add(a.P2);
  return call.send_checked(c);
}

int32_t card_options(const MemoryCall& call, FormArguments) {
  if (!no_data(call.apdu)) return kBadParameter;
  Command c(kFuse);
  c.add(call.apdu.P1);
  return call.send_checked(c);
}

int32_t nibble_protect(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!no_data(a) || a.P1 > 15 || a.P2 > 15) return kBadParameter;
  Command c(kProtect);
  c.add(a.P1).add(a.P2);
  return call.send_checked(c);
}

int32_t set_he(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (!no_data(a) || a.P1 > 15) return kBadParameter;
  Command c(kProtect);
  c.add(a.P1);
  return call.send_checked(c);
}

int32_t read_protection(const MemoryCall& call, FormArguments args) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0 || a.Le != args.fixed) return kBadParameter;
  Command c(args.command);
  return call.send_checked(c);
}

int32_t word_read(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 0) return kBadParameter;
  if (a.P2 & 1) return QX_ERR_ODD_ADDRESS;
  const WordAddress w = word_address(a);
  Command c(kRead);
  c.add(w.high).add(w.low).add(static_cast<uint8_t>((static_cast<uint8_t>(a.Le) + 1) / 2));
  return call.send_checked(c);
}

int32_t word_write(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0 || !call.lc_fits()) return kBadParameter;
  if (a.P2 & 1) return QX_ERR_ODD_ADDRESS;
  const WordAddress w = word_address(a);
  Command c(kWrite);
  c.add(w.high).add(w.low).add(call.data_in(static_cast<size_t>(a.Lc / 2 * 2)));
  return call.send_checked(c);
}

int32_t word_erase(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Le != 0) return kBadParameter;
  if (a.P2 & 1) return QX_ERR_ODD_ADDRESS;
  const WordAddress w = word_address(a);
  Command c(kErase);
  c.add(w.high).add(w.low).add(static_cast<uint8_t>(a.Lc / 2));
  return call.send_checked(c);
}

int32_t set_protect(const MemoryCall& call, FormArguments) {
  if (!no_data(call.apdu)) return kBadParameter;
  Command c(kProtect);
  c.add(call.apdu.P1);
  return call.send_checked(c);
}

int32_t lock_protect(const MemoryCall& call, FormArguments) {
  if (!nothing_but_ins(call.apdu)) return kBadParameter;
  Command c(kProtect);
  c.add(0xFF).add(0xFF);
  return call.send_checked(c);
}

int32_t clear_protect(const MemoryCall& call, FormArguments) {
  if (!nothing_but_ins(call.apdu)) return kBadParameter;
  Command c(kProtect);
  return call.send_checked(c);
}

int32_t write_all(const MemoryCall& call, FormArguments) {
  const QX_APDU& a = call.apdu;
  if (a.Lc != 2 || a.Le != 0 || a.P1 != 0 || a.P2 != 0) return kBadParameter;
  Command c(kErase);
  c.add(call.data_in(2));
  return call.send_checked(c);
}

int32_t erase_all(const MemoryCall& call, FormArguments) {
  if (!nothing_but_ins(call.apdu)) return kBadParameter;
  Command c(kErase);
  return call.send_checked(c);
}

}  // namespace pelorus::forms
