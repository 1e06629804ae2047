// The keyboard port: the reader behind a keyboard-port device, reached here through a Unix socket
// of type SOCK_SEQPACKET, so that each request and each reply is one message.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "frame_codec.h"
#include "unique_fd.h"

namespace pelorus {

struct Reply;

class KeyboardLink {
 public:
  // Connects to the socket; nullptr when it cannot (the trace says why).
  static std::unique_ptr<KeyboardLink> open(const std::string& path);
  KeyboardLink(std::string path, UniqueFd socket) : path_(std::move(path)), socket_(std::move(socket)) {}
  ~KeyboardLink();
  KeyboardLink(const KeyboardLink&) = delete;
  KeyboardLink& operator=(const KeyboardLink&) = delete;

  // One request, one reply, no retries. 0; -1052 for a command too long for one frame or a
  // reply of 600 bytes or more; -1081 for no reply within the reply wait, an empty reply, a
  // reply without its start byte, with a bad checksum, or too short to hold a status.
  int32_t exchange(std::span<const uint8_t> command, Reply& reply);

 private:
  void drop_stale_replies();

  std::string path_;
  UniqueFd socket_;
  std::array<uint8_t, codec::kFrameCapacity> request_{};
  std::array<uint8_t, codec::kFrameCapacity> received_{};
};

}  // namespace pelorus
