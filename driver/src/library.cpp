#include "library.h"

#include "keyboard_link.h"
#include "serial_link.h"

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

HandleSlot* Library::slot(int32_t handle) {
  if (handle < 0 || handle >= kHandleCount || handles[handle].port < 0) return nullptr;
  return &handles[handle];
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
