#include "pseudo_apdus.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "status_words.h"

namespace pelorus::pcsc {
namespace {

class Answer {
 public:
  static PseudoAnswer status(uint16_t sw, std::vector<uint8_t> data = {}) {
    data.push_back(static_cast<uint8_t>(sw >> 8));
    data.push_back(static_cast<uint8_t>(sw));
    return {0, std::move(data)};
  }
  // A library error: a transport error ends the exchange, any other is a status word.
  static PseudoAnswer error(int32_t error) {
    if (is_transport_error(error)) return {error, {}};
    return status(status_word_for(error));
  }
};

bool has_protected_access_flag(uint8_t card_type) {
  return card_type == QX_CARD_X76F041 || card_type == QX_CARD_X76F128 || card_type == QX_CARD_X76F640;
}

QX_APDU logical(uint8_t ins, uint8_t p1, uint8_t p2, std::span<const uint8_t> data, int le) {
  QX_APDU apdu{};
  apdu.INS = ins;
  apdu.P1 = p1;
  apdu.P2 = p2;
  apdu.Lc = static_cast<int32_t>(data.size());
  std::copy(data.begin(), data.end(), apdu.DataIn);
  apdu.Le = le;
  return apdu;
}

std::span<const uint8_t> data_out(const QX_APDU& apdu) {
  return {apdu.DataOut, static_cast<size_t>(std::clamp(apdu.Le, 0, QX_DATA_SIZE))};
}

PseudoAnswer select_type(MemorySlot& slot, const CommandApdu& apdu) {
  if (apdu.p1 != 0 || apdu.p2 != 0) return Answer::status(kSwWrongParameters);
  if (apdu.data.size() != 1) return Answer::status(kSwWrongLength);
  const uint8_t type = apdu.data[0];
  if (!is_memory_card_type(type)) return Answer::status(kSwNotSupported);
  const int32_t result = slot.select_type(type);
  if (result == QX_ERR_BAD_CARD_TYPE || result == QX_ERR_NO_DATA) return Answer::status(kSwNotSupported);
  if (result != 0) return Answer::error(result);
  return Answer::status(kSwOk);
}

PseudoAnswer read(MemorySlot& slot, const CommandApdu& apdu) {
  if (!apdu.data.empty() || !apdu.has_le()) return Answer::status(kSwWrongLength);
  std::vector<uint8_t> bytes;
  uint8_t p1 = apdu.p1, p2 = apdu.p2;
  while (static_cast<int>(bytes.size()) < apdu.le) {
    const int wanted = std::min(kMemoryChunk, apdu.le - static_cast<int>(bytes.size()));
    QX_APDU piece = logical(QXI_Read, p1, p2, {}, wanted);
    if (const int32_t result = slot.exchange(piece); result != 0) {
      // What was read before stays lost only when nothing came at all.
      if (bytes.empty() || is_transport_error(result)) return Answer::error(result);
      return Answer::status(kSwEndReached, std::move(bytes));
    }
    const auto got = data_out(piece);
    bytes.insert(bytes.end(), got.begin(), got.begin() + std::min<size_t>(got.size(), wanted));
    if (static_cast<int>(got.size()) < wanted) return Answer::status(kSwEndReached, std::move(bytes));
    if (static_cast<int>(bytes.size()) < apdu.le && !advance_address(slot.selected_type(), p1, p2, wanted)) {
      return Answer::status(kSwEndReached, std::move(bytes));
    }
  }
  return Answer::status(kSwOk, std::move(bytes));
}

PseudoAnswer write(MemorySlot& slot, const CommandApdu& apdu) {
  if (apdu.data.empty() || apdu.has_le()) return Answer::status(kSwWrongLength);
  uint8_t p1 = apdu.p1, p2 = apdu.p2;
  for (size_t done = 0; done < apdu.data.size();) {
    const size_t count = std::min<size_t>(kWriteChunk, apdu.data.size() - done);
    QX_APDU piece = logical(QXI_Write, p1, p2, apdu.data.subspan(done, count), 0);
    if (const int32_t result = slot.exchange(piece); result != 0) return Answer::error(result);
    done += count;
    if (done < apdu.data.size() && !advance_address(slot.selected_type(), p1, p2, static_cast<int>(count))) {
      return Answer::status(kSwWrongParameters);
    }
  }
  return Answer::status(kSwOk);
}

PseudoAnswer verify(MemorySlot& slot, const CommandApdu& apdu) {
  if (apdu.p1 != 0) return Answer::status(kSwWrongParameters);
  if (apdu.data.empty() || apdu.has_le()) return Answer::status(kSwWrongLength);
  QX_APDU command = logical(QXI_Verify, apdu.p2, 0, apdu.data, 0);
  const int32_t result = slot.exchange(command);
  if (result == QX_ERR_NO_PASSWORD) return Answer::status(kSwVerifyFailed);
  if (result != 0) return Answer::error(result);
  // Cards with an error counter answer it: every chance still there means accepted.
  const uint8_t mask = error_counter_mask(slot.selected_type());
  const auto answer = data_out(command);
  if (mask != 0 && answer.size() == 1 && (answer[0] & mask) != mask) {
    const auto chances = static_cast<uint16_t>(std::popcount(static_cast<unsigned>(answer[0] & mask)));
    return Answer::status(static_cast<uint16_t>(kSwChancesLeft | chances));
  }
  return Answer::status(kSwOk);
}

PseudoAnswer change_code(MemorySlot& slot, const CommandApdu& apdu) {
  if (apdu.p1 != 0) return Answer::status(kSwWrongParameters);
  if (apdu.data.empty() || apdu.has_le()) return Answer::status(kSwWrongLength);
  QX_APDU command = logical(QXI_ChangePIN, apdu.p2, 0, apdu.data, 0);
  if (const int32_t result = slot.exchange(command); result != 0) return Answer::error(result);
  return Answer::status(kSwOk);
}

PseudoAnswer any_logical_command(MemorySlot& slot, const CommandApdu& apdu) {
  if (apdu.data.empty()) return Answer::status(kSwWrongLength);
  QX_APDU command = logical(apdu.data[0], apdu.p1, apdu.p2, apdu.data.subspan(1), apdu.le);
  if (const int32_t result = slot.exchange(command); result != 0) return Answer::error(result);
  const auto answer = data_out(command);
  return Answer::status(command.Status, {answer.begin(), answer.end()});
}

}  // namespace

bool is_memory_card_type(uint8_t card_type) {
  return card_type >= QX_CARD_LM104 && card_type <= QX_CARD_LAST && card_type != QX_CARD_MCU_T0 &&
         card_type != QX_CARD_MCU_T1 && card_type != QX_CARD_SC_MODULE;
}

uint8_t error_counter_mask(uint8_t card_type) {
  switch (card_type) {
    case QX_CARD_LM8KS:
    case QX_CARD_LM2KS: return 0x07;
    case QX_CARD_SLE4404:
    case QX_CARD_GPM896:
    case QX_CARD_AT101:
    case QX_CARD_AT102:
    case QX_CARD_AT1604: return 0x0F;
    default: return 0x00;
  }
}

bool advance_address(uint8_t card_type, uint8_t& p1, uint8_t& p2, int offset) {
  const bool flagged = has_protected_access_flag(card_type);
  const unsigned flag = flagged ? (p1 & 0x80u) : 0u;
  const unsigned limit = flagged ? 0x8000u : 0x10000u;
  const unsigned address = ((static_cast<unsigned>(p1) << 8) | p2) - (flag << 8);
  const unsigned next = address + static_cast<unsigned>(offset);
  if (next >= limit) return false;
  p1 = static_cast<uint8_t>(flag | (next >> 8));
  p2 = static_cast<uint8_t>(next);
  return true;
}

PseudoAnswer run_pseudo_apdu(MemorySlot& slot, const CommandApdu& apdu) {
  const auto entry = std::ranges::find(kPseudoApdus, apdu.ins, &PseudoApdu::ins);
  if (entry == kPseudoApdus.end()) return Answer::status(kSwInsNotSupported);
  if (entry->command != PseudoCommand::select_type && slot.selected_type() == 0) {
    return Answer::status(kSwNoTypeSelected);
  }
  switch (entry->command) {
    case PseudoCommand::select_type: return select_type(slot, apdu);
    case PseudoCommand::read: return read(slot, apdu);
    case PseudoCommand::write: return write(slot, apdu);
    case PseudoCommand::verify: return verify(slot, apdu);
    case PseudoCommand::change_code: return change_code(slot, apdu);
    case PseudoCommand::logical: return any_logical_command(slot, apdu);
  }
  return Answer::status(kSwInsNotSupported);
}

}  // namespace pelorus::pcsc
