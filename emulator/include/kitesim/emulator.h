// The emulated reader, running in this process: a reader core driven by a clock thread, its
// cards, and the transports a PC side reaches it through. Thread-safe; the destructor stops every
// transport and joins every thread.
//
//   kitesim::Emulator emu({.model = kitesim::Model::KITEB, .rate = 9600});
//   std::string tty = emu.start_pty();
//   emu.insert(kitesim::make_card("mcu-t0"));
//   emu.wait_for([](const kitesim::ReaderState& s) { return s.commands_received > 0; }, 2s);
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "kitesim/card.h"
#include "kitesim/faults.h"
#include "kitesim/reader_config.h"
#include "kitesim/reader_state.h"

namespace kitesim {

class Emulator {
 public:
  // Throws std::invalid_argument when the configured rate has no rate code for the model.
  explicit Emulator(ReaderConfig config = {});
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  // Transports; each may be started once. All serial transports share the one reader line.
  // A pseudo-terminal; returns the path of its slave side.
  std::string start_pty();
  // An RFC 2217 server on 127.0.0.1; port 0 picks a free port. Returns the port.
  std::uint16_t start_rfc2217(std::uint16_t port = 0);
  // The keyboard-port socket (SOCK_SEQPACKET) at path; an old socket file there is replaced.
  void start_keyboard_socket(const std::filesystem::path& path);

  // Cards. insert() replaces a card already there; both send card-event frames.
  void insert(std::unique_ptr<Card> card);
  void remove();
  // Writes the inserted card's memory to its file; false when there is nothing to save.
  bool save_card_memory();
  // Power cycle, as a DTR drop and raise does: boot, start-up frame, configured rate.
  void reset();

  void set_faults(const Faults& faults);
  void clear_faults();
  // Pace output at the line rate (10 bits per byte) instead of writing it at once.
  void set_paced(bool paced);

  ReaderState state() const;
  // Waits until condition(state) holds; false when timeout passes first.
  bool wait_for(const std::function<bool(const ReaderState&)>& condition,
                std::chrono::milliseconds timeout) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kitesim
