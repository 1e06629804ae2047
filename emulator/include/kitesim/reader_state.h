// A snapshot of the emulated reader, for tests and the "state" control command.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "kitesim/faults.h"
#include "kitesim/reader_config.h"

namespace kitesim {

struct ReaderState {
  Model model = Model::KITEB;
  std::uint32_t rate = 9600;  // the reader's own current line rate
  std::string firmware;
  bool dtr = true;
  bool cts = false;
  bool booting = false;  // DTR low or boot not finished: input is ignored

  bool card_present = false;
  bool card_powered = false;
  std::string card_model;
  std::uint8_t selected_card_type = 0;
  bool module_powered = false;
  Faults faults;  // what is left of them

  // Received from the PC. Every frame counts once in frames_received and once in one of the kinds.
  std::uint64_t frames_received = 0;
  std::uint64_t probes_received = 0;    // empty frames (02 03)
  std::uint64_t commands_received = 0;  // frames with header 01 and valid checksum
  std::uint64_t nacks_received = 0;     // NACK frames asking for the last answer again
  std::uint64_t bad_frames_received = 0;  // wrong checksum, bad characters, too long
  std::uint64_t bytes_ignored = 0;        // arrived at a wrong line rate or during a reset
  std::uint64_t keyboard_requests = 0;

  // Sent to the PC (answers that a fault dropped are not counted).
  std::uint64_t replies_sent = 0;   // replies to commands, including resends
  std::uint64_t nacks_sent = 0;     // NACK frames: probe answers, bad frames, injected
  std::uint64_t events_sent = 0;    // card-event frames, including interleaved ones
  std::uint64_t startups_sent = 0;  // start-up frames after a reset
  std::uint64_t resets = 0;         // DTR resets and power cycles
  // Writes the emulator has handed to its transports: sent counts grow when the reader sends,
  // this when the bytes have been written (after pacing), so tests can wait for the line.
  std::uint64_t line_writes = 0;

  std::vector<std::uint8_t> last_command;        // command bytes of the last command frame
  std::deque<std::vector<std::uint8_t>> recent_commands;  // the last commands, oldest first
  static constexpr std::size_t recent_limit = 32;
};

}  // namespace kitesim
