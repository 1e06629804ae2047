#include "keyboard_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace kitesim {
namespace {

constexpr std::size_t max_clients = 8;
// Well above the longest request (600 bytes); a longer one arrives cut and is answered as unreadable.
constexpr std::size_t request_buffer = 2048;

}  // namespace

KeyboardSocket::KeyboardSocket(KeyboardEnd& reader, std::filesystem::path path)
    : reader_(reader), path_(std::move(path)), listener_(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0)) {
  if (!listener_) throw std::system_error(errno, std::generic_category(), "socket");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.native().size() >= sizeof address.sun_path)
    throw std::system_error(ENAMETOOLONG, std::generic_category(), path_.string());
  std::strcpy(address.sun_path, path_.c_str());
  struct stat old {};
  if (::stat(path_.c_str(), &old) == 0 && S_ISSOCK(old.st_mode)) ::unlink(path_.c_str());
  if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_.get(), 4) != 0)
    throw std::system_error(errno, std::generic_category(), "keyboard socket " + path_.string());
  thread_ = std::thread([this] { run(); });
}

KeyboardSocket::~KeyboardSocket() {
  stop_.signal();
  thread_.join();
  ::unlink(path_.c_str());
}

void KeyboardSocket::run() {
  std::vector<UniqueFd> clients;
  while (!stop_.signalled()) {
    std::vector<pollfd> fds{{stop_.fd(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
    for (const UniqueFd& client : clients) fds.push_back({client.get(), POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) <= 0 || (fds[0].revents & POLLIN)) continue;
    if ((fds[1].revents & POLLIN) && clients.size() < max_clients) {
      UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (client) clients.push_back(std::move(client));
    }
    for (std::size_t i = fds.size(); i-- > 2;) {
      if (fds[i].revents && !answer(fds[i].fd)) clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i - 2));
    }
  }
}

bool KeyboardSocket::answer(int client) {
  std::array<std::uint8_t, request_buffer> request{};
  ssize_t n = ::recv(client, request.data(), request.size(), MSG_DONTWAIT);
  if (n < 0) return errno == EAGAIN || errno == EINTR;
  if (n == 0) return false;  // an empty message is how a SEQPACKET peer's close looks
  KeyboardAnswer reply = reader_.keyboard_request(std::span(request.data(), static_cast<std::size_t>(n)));
  if (reply.delay.count() > 0) {
    pollfd wait{stop_.fd(), POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(reply.delay.count())) > 0) return true;
  }
  ::send(client, reply.message.data(), reply.message.size(), MSG_NOSIGNAL);
  return true;
}

}  // namespace kitesim
