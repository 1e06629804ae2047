// The keyboard port: the reader behind a keyboard-port device, reached here through a Unix socket
// of type SOCK_SEQPACKET, so that each request and each reply is one message. The device answers
// every request with exactly one message (an empty one when the reader gave nothing).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "frame_codec.h"
#include "link.h"
#include "unique_fd.h"

namespace pelorus {

struct Reply;

class KeyboardLink final : public Link {
 public:
  // Connects to the socket; nullptr when it cannot (the trace says why).
  static std::unique_ptr<KeyboardLink> open(const std::string& path);
  KeyboardLink(std::string path, UniqueFd socket) : path_(std::move(path)), socket_(std::move(socket)) {}
  ~KeyboardLink() override;
  KeyboardLink(const KeyboardLink&) = delete;
  KeyboardLink& operator=(const KeyboardLink&) = delete;

  // One request, one reply, no retries. 0; -1052 for a command too long for one frame or a
  // reply of 600 bytes or more; -1081 for no reply within the reply wait, an empty reply, a
  // reply without its start byte, with a bad checksum, or too short to hold a status. A reply
  // that comes after its request gave up is still owed: the next request waits up to one reply
  // wait for it (and drops it) before it goes out, and gives -1081 unsent when it does not come.
  int32_t exchange(std::span<const uint8_t> command, Reply& reply) override;
  // The keyboard port has no line to reset and no line rate.
  int32_t reset_and_detect() override { return 0; }
  bool set_rate(int) override { return false; }

 private:
  // Waits for the replies still owed, dropping them; false when they did not all come in time.
  bool collect_owed_replies();

  std::string path_;
  UniqueFd socket_;
  int replies_owed_ = 0;  // requests whose reply has not been received
  std::array<uint8_t, codec::kFrameCapacity> request_{};
  std::array<uint8_t, codec::kFrameCapacity> received_{};
};

}  // namespace pelorus
