// One logical memory-card command on its way to the reader: the handle's call, the caller's
// record and the reply the routine hands back, with the steps every routine is built from.
#pragma once

#include <cstdint>
#include <span>

#include "command.h"
#include "library.h"
#include "pelorus32.h"
#include "reply.h"

namespace pelorus {

struct MemoryCall {
  const HandleCall& handle;
  QX_APDU& apdu;
  Reply& reply;  // the routine's answer: the reply of the last command it sent

  uint8_t card_type() const { return handle.slot.card_type; }
  Library& lib() const { return handle.lib; }

  // Sends the command into `reply` and applies the status check: 0 or the first error.
  int32_t send_checked(const Command& command) const { return handle.send_checked(command, reply); }
  // Sends the command into `into`; the transfer result only.
  int32_t send(const Command& command, Reply& into) const { return handle.send(command, into); }

  // DataIn[0 .. Lc-1], once Lc is known to lie within DataIn.
  std::span<const uint8_t> data_in() const { return {apdu.DataIn, static_cast<size_t>(apdu.Lc)}; }
  std::span<const uint8_t> data_in(size_t count) const { return {apdu.DataIn, count}; }
  bool lc_fits() const { return apdu.Lc >= 0 && apdu.Lc <= QX_DATA_SIZE; }
};

// A command routine: checks the record, sends one or more reader commands and hands back the
// last reply in call.reply. `command` and `fixed` carry what differs between card types that
// share a form (the read-protection command and its length).
struct FormArguments {
  uint8_t command = 0;
  uint8_t fixed = 0;
};
using Routine = int32_t (*)(const MemoryCall&, FormArguments);

}  // namespace pelorus
