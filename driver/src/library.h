// The library's state: the handle table, one PortState per port, the last status word, the
// session key slots and the shared reply buffer. One instance serves the exported functions;
// tests make their own.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "pelorus32.h"
#include "reply.h"

namespace pelorus {

class SerialLink;
class KeyboardLink;

inline constexpr int kHandleCount = 10;
inline constexpr int kPortCom1 = 0;
inline constexpr int kPortCom2 = 1;
inline constexpr int kPortKeyboard = 16;

struct HandleSlot {
  int32_t port = -1;  // -1: free
  uint8_t card_type = 0;  // of the handle's current session; 0 before the first
};

struct PortState {
  PortState();
  ~PortState();
  PortState(const PortState&) = delete;
  PortState& operator=(const PortState&) = delete;

  int number = 0;
  int32_t in_use = 0;
  int32_t open_count = 0;
  uint8_t reader_type = 0;
  int32_t baud_rate = 0;
  // Read by the listener thread when a card-event frame arrives.
  std::atomic<QX_CALLBACK> callback{nullptr};

  std::unique_ptr<SerialLink> serial;      // ports 0 and 1 while open
  std::unique_ptr<KeyboardLink> keyboard;  // port 16 while open

  bool with_stx() const { return reader_type != QX_READER_KITEA; }
};

// The password of a password-protected memory card, kept for the session.
struct KeySlot {
  bool valid = false;
  std::array<uint8_t, 8> password{};
};

struct Library {
  Library();

  std::array<HandleSlot, kHandleCount> handles;
  std::array<PortState, 3> ports;  // COM1, COM2, keyboard port
  uint16_t last_status_word = 0;
  std::array<KeySlot, 5> key_slots;
  Reply reply;  // the last reply of the memory-card and APDU paths

  // The state of a valid port number (0, 1, 16), else nullptr.
  PortState* port(int number);
  // The slot of an open handle, else nullptr.
  HandleSlot* slot(int32_t handle);
};

// The instance behind the exported functions, and the lock that serialises them.
Library& library();
std::mutex& api_mutex();

}  // namespace pelorus
