// The reader's frame, both directions:
//
//   [STX] h h  c c  c c ...  k k  ETX
//
// STX (0x02) leads the frame unless the reader is a KITEA; "h h" is the header byte as two
// ASCII-hex characters (0x01 for a command or a reply, anything else from the reader means "send
// your command again"); each byte of the command or reply follows as two characters, high nibble
// first; "k k" is the checksum, the XOR of the header and every byte; ETX (0x03) ends the frame.
// A decoded reply reads: status 1, status 2, length, data..., checksum.
//
// These are pure functions: no I/O, no state, so that they are easy to test and to fuzz.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pelorus::codec {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kHeaderReply = 0x01;
inline constexpr uint8_t kHeaderResend = 0x05;

inline constexpr size_t kFrameCapacity = 600;  // the frame buffer and the receive buffer
inline constexpr size_t kReplyCapacity = 272;  // the decoded reply
inline constexpr size_t kCommandCapacity = 272;

// The reader's answer to an empty frame, and our request to send the last reply again: always
// with STX, whatever the reader type.
inline constexpr std::array<uint8_t, 6> kNackFrame = {0x02, 0x30, 0x35, 0x30, 0x35, 0x03};

// An empty frame: a present reader answers it with the NACK frame.
inline constexpr std::array<uint8_t, 2> kPresenceProbe = {0x02, 0x03};

// Length on the wire of the frame for a command of n bytes.
constexpr size_t command_frame_length(size_t n, bool with_stx) { return 2 * n + 5 + (with_stx ? 1 : 0); }

// Writes the frame for a command into out and returns its length; 0 when the frame would be
// longer than out (nothing is written then).
size_t build_command_frame(std::span<const uint8_t> command, bool with_stx, std::span<uint8_t> out);

enum class ReplyKind { Reply = 1, Resend = 5 };

// Why a receive buffer held no valid frame.
enum class Refusal { None, NoStx, NoEtx, BadChecksum, TooLong };
// "no STX", "no ETX", "bad checksum", "too long" (for the trace).
const char* refusal_text(Refusal refusal);

struct ParseResult {
  bool ok = false;                       // false: no valid frame (the caller asks for it again)
  Refusal refusal = Refusal::NoEtx;      // why not, when not ok
  ReplyKind kind = ReplyKind::Resend;    // header 0x01 or a request to send again
  size_t length = 0;                     // bytes decoded into the reply, checksum included
  size_t card_events_skipped = 0;        // card-event frames dropped ahead of the reply
  bool only_card_events = false;         // not ok because the buffer held card-event frames and nothing else
};

// Decodes the first frame of a receive buffer into reply. Card-event frames (decoded bytes
// beginning FF 01 or FF 02) are skipped and the rest of the buffer is parsed again. A frame that
// decodes to more bytes than reply can hold is not valid: nothing is written past reply.
ParseResult parse_receive_buffer(std::span<const uint8_t> received, bool expect_stx, std::span<uint8_t> reply);

// True for the reader's answer to the empty frame (and to a frame it could not read): a valid
// frame with a header other than 0x01 and nothing but its checksum.
bool is_empty_resend_request(const ParseResult& parsed);

// The number of the reader's empty resend requests among the frames of a receive buffer (each
// run of bytes up to an ETX is one frame). Card events, replies and noise are not counted.
size_t count_empty_resend_requests(std::span<const uint8_t> received, bool expect_stx);

// The reader's card-event frame: STX, header 01, FF, 01 (inserted) or 02 (removed), a length
// byte, the checksum, ETX: at least 12 bytes, a valid frame. Returns the event code 11 or 12 for
// such a frame, 0 for anything else.
int card_event_code(std::span<const uint8_t> frame);

// Takes every card-event frame out of a receive buffer, wherever it lies (first, behind a reply,
// behind noise), and closes the gap, so that the other bytes stay in their order. The codes go
// into `codes` in the order of the frames; events beyond codes.size() are still taken out.
struct EventScan {
  size_t remaining = 0;  // bytes left in the buffer
  size_t events = 0;     // frames taken out
};
EventScan extract_card_events(std::span<uint8_t> buffer, std::span<int> codes);

// Keyboard port: the request is 0x35, 0x00, 0x01, each command byte as two nibble values, the
// checksum as two nibble values, 0x34. Returns its length, or 0 when it would pass 600 bytes.
size_t build_keyboard_request(std::span<const uint8_t> command, std::span<uint8_t> out);

// Keyboard port: the reply is 0x35 followed by pairs of key scan codes of hexadecimal digits
// (header, reply bytes, checksum); any code that is not a hex digit's key counts as 0.
enum class KeyboardReply { Ok, NoStart, BadChecksum, TooLong };
struct KeyboardDecode {
  KeyboardReply status = KeyboardReply::NoStart;
  size_t length = 0;  // bytes decoded into reply, checksum included
};
KeyboardDecode decode_keyboard_reply(std::span<const uint8_t> message, std::span<uint8_t> reply);

}  // namespace pelorus::codec
