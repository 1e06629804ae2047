#include "exchange.h"

#include "frame_codec.h"
#include "keyboard_link.h"
#include "library.h"
#include "serial_link.h"

namespace pelorus {
namespace {

constexpr int kMaxSends = 3;
constexpr int kMaxFailures = 3;  // one more missing or bad reply ends the exchange

int32_t serial_exchange(SerialLink& link, std::span<const uint8_t> command, Reply& reply) {
  if (codec::command_frame_length(command.size(), true) > codec::kFrameCapacity) return QX_ERR_COMMAND_TOO_LONG;

  int failures = 0;
  for (int sends = 0; sends < kMaxSends; ++sends) {
    if (!link.send_command(command)) return QX_ERR_TIMEOUT;
    codec::ReplyKind kind{};
    for (;;) {
      const int32_t received = link.receive(reply, kind);
      if (received == 0) break;
      if (++failures > kMaxFailures) return received;
      if (!link.send_nack()) return QX_ERR_TIMEOUT;
    }
    if (kind == codec::ReplyKind::Reply) return 0;
    // The reader asked for the command again.
  }
  return QX_ERR_BAD_FRAME;
}

}  // namespace

int32_t exchange(PortState& port, std::span<const uint8_t> command, Reply& reply) {
  if (port.keyboard) return port.keyboard->exchange(command, reply);
  if (port.serial) return serial_exchange(*port.serial, command, reply);
  return QX_ERR_TIMEOUT;
}

}  // namespace pelorus
