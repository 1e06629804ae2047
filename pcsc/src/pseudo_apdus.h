// Memory cards have no APDUs; applications reach them through pseudo-APDUs of class FF, which the
// handler turns into the library's logical memory-card commands. The table below is the one list
// of them (the documentation shows the same):
//
//   FF A4 00 00 01 tt        select the memory-card type tt (the library's card-type code) and
//                            start a session for it: 90 00, or 6A 81 for a type the reader or
//                            this card does not serve
//   FF B0 P1 P2 Le           read Le bytes (00: 256) at address P1 P2 (QXI_Read), in as many
//                            reader commands as the replies need; 62 82 with the bytes there are
//                            when the card ends first
//   FF D6 P1 P2 Lc data      write the data at address P1 P2 (QXI_Write)
//   FF 20 00 nn Lc code      present code or password nn (QXI_Verify, P1 = nn): 90 00; 63 Cx with
//                            x chances left where the card reports them, else 63 00; 69 83 locked
//   FF 24 00 nn Lc code      change code or password nn (QXI_ChangePIN, P1 = nn)
//   FF F0 P1 P2 Lc ins data [Le]
//                            any logical command ins (1 to 19) with P1, P2, DataIn = data and Le;
//                            the answer is DataOut and the reader's status word
//
// Until a type is selected every command but FF A4 answers 69 86. Library errors become status
// words through status_words.h.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "command_apdu.h"
#include "pelorus32.h"

namespace pelorus::pcsc {

inline constexpr uint8_t kPseudoClass = 0xFF;

enum class PseudoCommand { select_type, read, write, verify, change_code, logical };

struct PseudoApdu {
  uint8_t ins;
  PseudoCommand command;
  std::string_view form;
};

inline constexpr std::array kPseudoApdus{
    PseudoApdu{0xA4, PseudoCommand::select_type, "FF A4 00 00 01 tt"},
    PseudoApdu{0xB0, PseudoCommand::read, "FF B0 P1 P2 Le"},
    PseudoApdu{0xD6, PseudoCommand::write, "FF D6 P1 P2 Lc data"},
    PseudoApdu{0x20, PseudoCommand::verify, "FF 20 00 nn Lc code"},
    PseudoApdu{0x24, PseudoCommand::change_code, "FF 24 00 nn Lc code"},
    PseudoApdu{0xF0, PseudoCommand::logical, "FF F0 P1 P2 Lc ins data [Le]"},
};

// The memory card in the slot, as the pseudo-APDUs use it.
class MemorySlot {
 public:
  virtual ~MemorySlot() = default;
  // Starts a session for the card type: 0 or a library error.
  virtual int32_t select_type(uint8_t card_type) = 0;
  // The selected type; 0 before FF A4.
  virtual uint8_t selected_type() const = 0;
  // QX_ExchangeAPDU on the session.
  virtual int32_t exchange(QX_APDU& apdu) = 0;
};

// The answer to a pseudo-APDU: the response bytes (data, SW1, SW2), or a transport error of the
// library when the reader did not answer (then nothing is to be returned to the application).
struct PseudoAnswer {
  int32_t transport_error = 0;
  std::vector<uint8_t> response;
};

// The most data bytes one reader reply carries for a memory-card read, and one reader command
// for a write: the reply's length byte allows 255; an even number keeps word-addressed cards on
// their word boundaries.
inline constexpr int kMemoryChunk = 254;
inline constexpr int kWriteChunk = 128;

// Runs a pseudo-APDU (class FF) on the slot.
PseudoAnswer run_pseudo_apdu(MemorySlot& slot, const CommandApdu& apdu);

// The memory types a pseudo-APDU can select: codes 1 to 25 but the microcontroller cards and the
// security module.
bool is_memory_card_type(uint8_t card_type);

// The chances mask of the cards whose verify answer is their error counter (set bits under the
// mask are the chances left; all set: accepted); 0 for the others.
uint8_t error_counter_mask(uint8_t card_type);

// The address of the next piece of a read or write that was split: address + offset, keeping the
// protected-access flag (top bit of P1) of the password cards. False when it passes the end of
// the address space.
bool advance_address(uint8_t card_type, uint8_t& p1, uint8_t& p2, int offset);

}  // namespace pelorus::pcsc
