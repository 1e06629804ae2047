#include "library.h"

#include "command.h"
#include "link.h"
#include "reply.h"
#include "status_check.h"

namespace pelorus {

PortState::PortState() = default;
PortState::~PortState() = default;

Library::Library() {
  ports[0].number = kPortCom1;
  ports[1].number = kPortCom2;
  ports[2].number = kPortKeyboard;
}

PortState* Library::port(int number) {
  switch (number) {
    case kPortCom1: return &ports[0];
    case kPortCom2: return &ports[1];
    case kPortKeyboard: return &ports[2];
    default: return nullptr;
  }
}

std::optional<HandleCall> open_handle(Library& lib, int32_t handle) {
  if (handle < 0 || handle >= kHandleCount || lib.handles[handle].port < 0) return std::nullopt;
  HandleSlot& slot = lib.handles[handle];
  return HandleCall{lib, slot, *lib.port(slot.port)};
}

int32_t HandleCall::send(const Command& command, Reply& reply) const {
  if (!command.fits()) return QX_ERR_COMMAND_TOO_LONG;
  if (!port.link) return QX_ERR_TIMEOUT;
  return port.link->exchange(command.bytes(), reply);
}

int32_t HandleCall::send_checked(const Command& command, Reply& reply) const {
  if (const int32_t sent = send(command, reply); sent != 0) return sent;
  return status_check(lib, reply);
}

Library& library() {
  static Library instance;
  return instance;
}

std::mutex& api_mutex() {
  static std::mutex instance;
  return instance;
}

}  // namespace pelorus
