// The reader on its serial line, without any transport: bytes and DTR changes come in with the
// time they happened, and the reader's own transmissions and CTS changes come out when they are
// due. Not thread-safe; the Emulator guards it.
//
// - The reader cuts the PC's bytes into frames. It answers an empty frame (the presence probe),
//   a frame it cannot read (bad character, odd length, bad checksum, too long) with the NACK frame;
//   a NACK frame from the PC with its last answer again; a command frame with the reply.
// - Bytes sent at a rate or format other than the reader's are lost (counted as ignored).
// - DTR dropped holds the reader in reset (CTS on). DTR raised boots it: after the boot time it
//   sends the start-up frame FF 00 01 <rate code> at 9600 bit/s, where the PC listens while it
//   detects the rate, then moves to its configured rate and drops CTS.
// - An accepted rate change is answered at the old rate; the reader moves once the reply is out.
// - Answers to the PC's frames go out in the order the frames came: an answer held back (the delay
//   fault) holds back every later answer, even one that faults spare. Card-event frames and the
//   start-up frame keep their own times.
// - Inserting and removing a card sends the card-event frames FF 01 00 and FF 02 00.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "frame_codec.h"
#include "keyboard_coding.h"
#include "kitesim/faults.h"
#include "kitesim/reader_config.h"
#include "kitesim/reader_state.h"
#include "line_settings.h"
#include "reader_commands.h"

namespace kitesim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// The rate the reader sends its start-up frame at.
inline constexpr std::uint32_t startup_rate = 9600;

struct LineOutput {
  enum class Kind { bytes, cts };
  Kind kind = Kind::bytes;
  Bytes bytes;             // Kind::bytes: what goes on the line, in one write
  std::uint32_t rate = 0;  // Kind::bytes: the reader's rate while sending them
  bool cts = false;        // Kind::cts: the new CTS level
};

class Reader {
 public:
  explicit Reader(const ReaderConfig& config);

  void receive(std::span<const std::uint8_t> bytes, const LineSettings& pc, TimePoint now);
  void set_dtr(bool on, TimePoint now);
  // A power cycle: DTR dropped and raised at once.
  void power_cycle(TimePoint now);
  // Runs everything due by now; its transmissions are then ready in take_output().
  void advance(TimePoint now);
  std::optional<TimePoint> next_due() const;
  std::vector<LineOutput> take_output();
  bool has_output() const { return !outbox_.empty(); }

  KeyboardAnswer keyboard_request(std::span<const std::uint8_t> message);

  void insert(std::unique_ptr<Card> card, TimePoint now);
  void remove(TimePoint now);
  bool save_card_memory();

  void set_faults(const Faults& faults) { faults_ = faults; }
  ReaderState state() const;
  std::uint32_t rate() const { return rate_; }
  bool cts() const { return cts_; }

 private:
  struct Tally {
    std::uint64_t replies = 0, nacks = 0, events = 0, startups = 0;
  };
  struct Answer {
    std::uint8_t header = header_nack;
    Bytes bytes;
    Tally tally;
  };
  struct Pending {
    enum class Action { send, set_rate, set_cts };
    TimePoint due;
    Action action = Action::send;
    Bytes bytes;
    Tally tally;
    std::uint32_t rate = 0;
    bool cts = false;

    static Pending send(TimePoint due, Bytes bytes, Tally tally);
    static Pending set_rate(TimePoint due, std::uint32_t rate);
    static Pending set_cts(TimePoint due, bool on);
  };

  void on_frame(const FrameAssembler::Body& body, TimePoint now);
  void on_command(const Bytes& command, TimePoint now);
  void record_command(const Bytes& command);
  // Schedules the answer (unless a fault drops it) and returns when it is (or would have been) due.
  TimePoint answer(Answer answer, bool is_probe, TimePoint now);
  void send_event(CardEvent event, TimePoint now);
  void enter_reset(TimePoint now);
  void finish_boot(TimePoint now);
  void schedule(Pending pending);
  Bytes event_frame(CardEvent event) const;
  Bytes frame(std::uint8_t header, std::span<const std::uint8_t> bytes, bool corrupt = false) const;
  static Answer nack_answer();

  ReaderConfig config_;
  ReaderCommands commands_;
  FrameAssembler assembler_;
  Faults faults_;
  std::uint32_t rate_;
  bool dtr_ = true;
  bool cts_ = false;
  bool in_reset_ = false;  // DTR low or still booting
  std::optional<TimePoint> boot_done_;
  std::optional<Answer> last_answer_;
  // When the latest answer to the PC is due: no later answer is due before it.
  std::optional<TimePoint> last_answer_due_;
  std::deque<Pending> pending_;
  std::vector<LineOutput> outbox_;
  ReaderState counters_;  // only the counters and command history are kept here
};

}  // namespace kitesim
