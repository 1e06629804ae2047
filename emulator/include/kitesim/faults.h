// Faults injected into the reader's answers, for tests of the PC side's error handling.
#pragma once

#include <chrono>
#include <cstdint>

namespace kitesim {

enum class CardEvent : std::uint8_t { inserted = 0x01, removed = 0x02 };

// Counters count down as the faults are used. Faults apply to every answer to a frame from the PC
// (replies, resends, NACK answers to bad frames), not to the presence-probe answer unless
// include_probe is set, and never to start-up or card-event frames.
struct Faults {
  unsigned corrupt_next = 0;        // answers sent with a wrong checksum
  unsigned drop_next = 0;           // answers not sent at all
  unsigned nack_next = 0;           // commands answered with the NACK frame instead of being run
  // Every answer held back this long (until cleared). Answers keep the order of the frames: a
  // held-back answer holds back the later ones too, spared or sent after the faults were cleared.
  std::chrono::milliseconds delay{0};
  unsigned interleave_next = 0;     // answers preceded, in the same write, by a card-event frame
  CardEvent interleave_event = CardEvent::inserted;
  bool include_probe = false;
  friend bool operator==(const Faults&, const Faults&) = default;
};

}  // namespace kitesim
