// Small blocking socket clients for the transport tests.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "unique_fd.h"

namespace kitesim::testing {

inline std::filesystem::path temp_path(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("kitesim-" + std::to_string(::getpid()) + "-" + name);
}

inline UniqueFd connect_unix(const std::filesystem::path& path, int type) {
  UniqueFd fd(::socket(AF_UNIX, type | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fd.reset();
  return fd;
}

// One receive, waiting at most timeout_ms; nullopt when nothing came.
inline std::optional<std::vector<std::uint8_t>> receive(int fd, int timeout_ms = 5000) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) != 1) return std::nullopt;
  std::vector<std::uint8_t> buffer(4096);
  ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
  if (n < 0) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

inline bool send_all(int fd, const std::vector<std::uint8_t>& bytes) {
  return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

}  // namespace kitesim::testing
