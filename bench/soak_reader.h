// The emulated reader on one transport, opened through the library on COM1 (or the keyboard
// port), and the card of each phase of the soak.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "kitesim/emulator.h"
#include "pelorus32.h"
#include "soak_exchanges.h"
#include "soak_options.h"

namespace soak {

// A directory of this run's own (the memory image, the keyboard socket), removed at the end.
class WorkDirectory {
 public:
  WorkDirectory();
  ~WorkDirectory();
  WorkDirectory(const WorkDirectory&) = delete;
  WorkDirectory& operator=(const WorkDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class SoakReader {
 public:
  // Starts the emulator's transport and opens it; throws std::runtime_error when the open fails.
  SoakReader(Transport transport, const WorkDirectory& work);
  ~SoakReader();
  SoakReader(const SoakReader&) = delete;
  SoakReader& operator=(const SoakReader&) = delete;

  // Clears the faults, lets answers still held back reach the line during quiet, inserts the
  // card of the kind and starts a session on it; returns QX_StartSession's result.
  std::int32_t start_session(CardKind kind, std::chrono::milliseconds quiet);

  std::int32_t exchange(QX_APDU& apdu) { return QX_ExchangeAPDU(handle_, &apdu); }
  kitesim::Emulator& emulator() { return emulator_; }

  // The line rate the reader runs at, for the line time of the library's writes.
  static constexpr int kLineRate = 115200;

 private:
  kitesim::Emulator emulator_;
  std::filesystem::path memory_file_;
  std::int32_t handle_ = -1;
};

}  // namespace soak
