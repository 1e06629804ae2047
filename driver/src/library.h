// The library's state: the handle table, one PortState per port, the last status word and the
// session key slots. One instance serves the exported functions; tests make their own.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "pelorus32.h"

namespace pelorus {

class Command;
class Link;
struct Reply;

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

  std::unique_ptr<Link> link;  // while the port is open
  // A serial device opened instead of the one the port map names (a tty path or an RFC 2217
  // address); empty: the port map decides. Programs that are given a device, such as the PC/SC
  // reader driver, set it before the open.
  std::string device;

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

  // The state of a valid port number (0, 1, 16), else nullptr.
  PortState* port(int number);
};

// A call on an open handle: its slot, its port, and the two ways a reader command goes out.
struct HandleCall {
  Library& lib;
  HandleSlot& slot;
  PortState& port;

  // Sends the command and decodes its reply: the transfer's result.
  int32_t send(const Command& command, Reply& reply) const;
  // The same, then the status check of the reply: 0 or the first error.
  int32_t send_checked(const Command& command, Reply& reply) const;
};

// The call for a handle that is open; nullopt for one outside 0 to 9 or whose slot is free.
std::optional<HandleCall> open_handle(Library& lib, int32_t handle);

// The instance behind the exported functions, and the lock that serialises them.
Library& library();
std::mutex& api_mutex();

}  // namespace pelorus
