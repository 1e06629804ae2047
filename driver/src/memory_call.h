// One logical memory-card command on its way to the reader: the caller's record, the port and
// the session's card type, with the steps every routine is built from.
#pragma once

#include <cstdint>
#include <span>

#include "command.h"
#include "pelorus32.h"

namespace pelorus {

struct Library;
struct PortState;
struct Reply;

struct MemoryCall {
  Library& lib;
  PortState& port;
  QX_APDU& apdu;
  uint8_t card_type;

  // Sends the command into the shared reply buffer and applies the status check: 0 or the first
  // error.
  int32_t send_checked(Command& command);
  // Sends the command into `reply`; the transfer result only.
  int32_t send(Command& command, Reply& reply);

  // DataIn[0 .. Lc-1], once Lc is known to lie within DataIn.
  std::span<const uint8_t> data_in() const { return {apdu.DataIn, static_cast<size_t>(apdu.Lc)}; }
  std::span<const uint8_t> data_in(size_t count) const { return {apdu.DataIn, count}; }
  bool lc_fits() const { return apdu.Lc >= 0 && apdu.Lc <= QX_DATA_SIZE; }
};

// A command routine: checks the record, sends one or more reader commands and leaves the last
// reply in the shared reply buffer. `command` and `fixed` carry what differs between card types
// that share a form (the read-protection command and its length).
struct FormArguments {
  uint8_t command = 0;
  uint8_t fixed = 0;
};
using Routine = int32_t (*)(MemoryCall&, FormArguments);

}  // namespace pelorus
