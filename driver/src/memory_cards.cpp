#include "memory_cards.h"

#include <algorithm>
#include <array>

#include "apdu_answer.h"
#include "command_codes.h"
#include "library.h"
#include "memory_forms.h"
#include "password_cards.h"

namespace pelorus {
namespace {

using namespace forms;
using namespace password_cards;

struct Support {
  uint8_t card_type;
  uint8_t ins;
  Routine routine;
  FormArguments arguments{};
};

// Which logical commands each card type serves, and with which routine. Every pair not listed
// is refused with -1005 before anything is sent.
constexpr Support kSupport[] = {
    {QX_CARD_LM104, QXI_Read, plain_read},
    {QX_CARD_LM104, QXI_Write, byte_wise_write},
    {QX_CARD_LM104, QXI_Verify, three_byte_code},
    {QX_CARD_LM104, QXI_WriteCarry, carry_write},

    {QX_CARD_LM221, QXI_Read, plain_read},
    {QX_CARD_LM221, QXI_Write, byte_wise_write},
    {QX_CARD_LM221, QXI_Verify, three_byte_code},
    {QX_CARD_LM221, QXI_WriteCarry, carry_write},
    {QX_CARD_LM221, QXI_Authenticate, six_byte_authenticate},

    {QX_CARD_SLE4404, QXI_Read, plain_read},
    {QX_CARD_SLE4404, QXI_Write, block_write},
    {QX_CARD_SLE4404, QXI_SetFuse, set_fuse},
    {QX_CARD_SLE4404, QXI_Verify, selected_code},
    {QX_CARD_SLE4404, QXI_Erase, erase},

    {QX_CARD_GPM896, QXI_Read, plain_read},
    {QX_CARD_GPM896, QXI_Write, block_write},
    {QX_CARD_GPM896, QXI_SetFuse, set_fuse},
    {QX_CARD_GPM896, QXI_Verify, selected_code},
    {QX_CARD_GPM896, QXI_Erase, erase},

    {QX_CARD_AT101, QXI_Read, plain_read},
    {QX_CARD_AT101, QXI_Write, block_write},
    {QX_CARD_AT101, QXI_SetFuse, set_fuse},
    {QX_CARD_AT101, QXI_Verify, selected_code},
    {QX_CARD_AT101, QXI_Erase, erase},
    {QX_CARD_AT101, QXI_BlowFuse, blow_fuse},

    {QX_CARD_AT102, QXI_Read, plain_read},
    {QX_CARD_AT102, QXI_Write, block_write},
    {QX_CARD_AT102, QXI_SetFuse, set_fuse},
    {QX_CARD_AT102, QXI_Verify, selected_code},
    {QX_CARD_AT102, QXI_Erase, erase},
    {QX_CARD_AT102, QXI_BlowFuse, blow_fuse},

    {QX_CARD_LM8KP, QXI_Read, plain_read},
    {QX_CARD_LM8KP, QXI_Write, block_write},
    {QX_CARD_LM8KP, QXI_WriteProtect, protect_write},

    {QX_CARD_LM8KS, QXI_Read, plain_read},
    {QX_CARD_LM8KS, QXI_Write, block_write},
    {QX_CARD_LM8KS, QXI_WriteProtect, protect_write},
    {QX_CARD_LM8KS, QXI_Verify, plain_code},
    {QX_CARD_LM8KS, QXI_ReadProtect, read_protection, {command_code::kCode, 3}},

    {QX_CARD_LM2KP, QXI_Read, plain_read},
    {QX_CARD_LM2KP, QXI_Write, block_write},
    {QX_CARD_LM2KP, QXI_WriteProtect, protect_write},

    {QX_CARD_LM2KS, QXI_Read, plain_read},
    {QX_CARD_LM2KS, QXI_Write, block_write},
    {QX_CARD_LM2KS, QXI_WriteProtect, protect_write},
    {QX_CARD_LM2KS, QXI_Verify, plain_code},
    {QX_CARD_LM2KS, QXI_ChangePIN, change_code},
    {QX_CARD_LM2KS, QXI_ReadProtect, read_protection, {command_code::kCode, 4}},

    {QX_CARD_IIC, QXI_Read, plain_read},
    {QX_CARD_IIC, QXI_Write, block_write},
    {QX_CARD_IIC, QXI_CardOptions, card_options},

    {QX_CARD_XIIC, QXI_Read, plain_read},
    {QX_CARD_XIIC, QXI_Write, block_write},
    {QX_CARD_XIIC, QXI_CardOptions, card_options},
    {QX_CARD_XIIC, QXI_SetProtect, nibble_protect},
    {QX_CARD_XIIC, QXI_ReadProtect, read_protection, {command_code::kReadProtection, 3}},
    {QX_CARD_XIIC, QXI_SetHE, set_he},

    {QX_CARD_AT1604, QXI_Read, plain_read},
    {QX_CARD_AT1604, QXI_Write, block_write},
    {QX_CARD_AT1604, QXI_SetFuse, set_fuse},
    {QX_CARD_AT1604, QXI_Verify, selected_code},
    {QX_CARD_AT1604, QXI_Erase, erase},
    {QX_CARD_AT1604, QXI_BlowFuse, blow_fuse},

    {QX_CARD_LM256, QXI_Read, word_read},
    {QX_CARD_LM256, QXI_Write, word_write},
    {QX_CARD_LM256, QXI_SetProtect, set_protect},
    {QX_CARD_LM256, QXI_ReadProtect, read_protection, {command_code::kReadProtection, 1}},
    {QX_CARD_LM256, QXI_LockPRotect, lock_protect},
    {QX_CARD_LM256, QXI_ClearProtect, clear_protect},
    {QX_CARD_LM256, QXI_WriteAll, write_all},

    {QX_CARD_LM4KP, QXI_Read, word_read},
    {QX_CARD_LM4KP, QXI_Write, word_write},
    {QX_CARD_LM4KP, QXI_SetProtect, set_protect},
    {QX_CARD_LM4KP, QXI_ReadProtect, read_protection, {command_code::kReadProtection, 1}},
    {QX_CARD_LM4KP, QXI_LockPRotect, lock_protect},
    {QX_CARD_LM4KP, QXI_ClearProtect, clear_protect},
    {QX_CARD_LM4KP, QXI_WriteAll, write_all},
    {QX_CARD_LM4KP, QXI_Erase, word_erase},
    {QX_CARD_LM4KP, QXI_EraseAll, erase_all},

    {QX_CARD_X76F041, QXI_Read, x76f041_read},
    {QX_CARD_X76F041, QXI_Write, x76f041_write},
    {QX_CARD_X76F041, QXI_Verify, x76f041_verify},
    {QX_CARD_X76F041, QXI_ChangePIN, x76f041_change_pin},
    {QX_CARD_X76F041, QXI_SetProtect, x76f041_set_protect},
    {QX_CARD_X76F041, QXI_ReadProtect, x76f041_read_protect},
    {QX_CARD_X76F041, QXI_WriteAll, x76f041_write_all},
    {QX_CARD_X76F041, QXI_EraseAll, x76f041_erase_all},

    {QX_CARD_X24645, QXI_Read, plain_read},
    {QX_CARD_X24645, QXI_Write, block_write},

    {QX_CARD_ST1335, QXI_Read, plain_read},
    {QX_CARD_ST1335, QXI_Write, byte_wise_write},
    {QX_CARD_ST1335, QXI_Verify, three_byte_code},
    {QX_CARD_ST1335, QXI_Erase, erase},
    {QX_CARD_ST1335, QXI_WriteCarry, carry_write},
    {QX_CARD_ST1335, QXI_Authenticate, four_byte_authenticate},

    {QX_CARD_ST1333, QXI_Read, plain_read},
    {QX_CARD_ST1333, QXI_Write, byte_wise_write},
    {QX_CARD_ST1333, QXI_Verify, three_byte_code},
    {QX_CARD_ST1333, QXI_Erase, erase},
    {QX_CARD_ST1333, QXI_WriteCarry, carry_write},
    {QX_CARD_ST1333, QXI_Authenticate, four_byte_authenticate},

    {QX_CARD_X76F128, QXI_Read, x76f128_read},
    {QX_CARD_X76F128, QXI_Write, x76f128_write},
    {QX_CARD_X76F128, QXI_Verify, x76f128_verify},
    {QX_CARD_X76F128, QXI_ChangePIN, x76f128_change_pin},
    {QX_CARD_X76F128, QXI_WriteAll, x76f128_write_all},
    {QX_CARD_X76F128, QXI_Reactivate, x76f128_reactivate},

    {QX_CARD_X76F640, QXI_Read, x76f128_read},
    {QX_CARD_X76F640, QXI_Write, x76f128_write},
    {QX_CARD_X76F640, QXI_Verify, x76f128_verify},
    {QX_CARD_X76F640, QXI_ChangePIN, x76f128_change_pin},
    {QX_CARD_X76F640, QXI_WriteAll, x76f128_write_all},
    {QX_CARD_X76F640, QXI_Reactivate, x76f128_reactivate},

    {QX_CARD_X76F100, QXI_Read, x76f100_read},
    {QX_CARD_X76F100, QXI_Write, x76f100_write},
    {QX_CARD_X76F100, QXI_Verify, x76f100_verify},
    {QX_CARD_X76F100, QXI_ChangePIN, x76f100_change_pin},
};

constexpr uint8_t kTopBit = 0x80;

const Support* find_routine(uint8_t card_type, uint8_t ins) {
  const auto found = std::find_if(std::begin(kSupport), std::end(kSupport),
                                  [&](const Support& s) { return s.card_type == card_type && s.ins == ins; });
  return found == std::end(kSupport) ? nullptr : found;
}

}  // namespace

bool memory_command_supported(uint8_t card_type, uint8_t ins) { return find_routine(card_type, ins) != nullptr; }

int32_t exchange_with_memory_card(const HandleCall& call, QX_APDU& apdu) {
  const uint8_t card_type = call.slot.card_type;
  if (apdu.CLA != 0) return QX_ERR_BAD_CLA;
  if (apdu.INS == 0 || apdu.INS > QXI_BlowFuse) return QX_ERR_NOT_SUPPORTED;
  if (card_type == QX_CARD_X24645) apdu.P1 |= kTopBit;

  const Support* entry = find_routine(card_type, apdu.INS);
  if (entry == nullptr) return QX_ERR_NOT_SUPPORTED;
  Reply reply;
  if (const int32_t result = entry->routine(MemoryCall{call, apdu, reply}, entry->arguments); result != 0) return result;
  return take_memory_answer(reply, apdu);
}

}  // namespace pelorus
