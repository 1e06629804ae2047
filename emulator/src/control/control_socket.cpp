#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "../unique_fd.h"
#include "../wakeup.h"
#include "kitesim/control.h"

namespace kitesim {
namespace {

constexpr std::size_t max_clients = 8;
constexpr std::size_t max_line = 1024;

struct Client {
  UniqueFd fd;
  std::string pending;  // received text without its newline yet
};

void send_text(int fd, const std::string& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (n <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

struct ControlSocket::Impl {
  Impl(Emulator& emulator, std::filesystem::path path, std::function<void()> on_quit)
      : emulator(emulator), path(std::move(path)), on_quit(std::move(on_quit)),
        listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (!listener) throw std::system_error(errno, std::generic_category(), "socket");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (this->path.native().size() >= sizeof address.sun_path)
      throw std::system_error(ENAMETOOLONG, std::generic_category(), this->path.string());
    std::strcpy(address.sun_path, this->path.c_str());
    struct stat old {};
    if (::stat(this->path.c_str(), &old) == 0 && S_ISSOCK(old.st_mode)) ::unlink(this->path.c_str());
    if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), 4) != 0)
      throw std::system_error(errno, std::generic_category(), "control socket " + this->path.string());
    thread = std::thread([this] { run(); });
  }

  ~Impl() {
    stop.signal();
    thread.join();
    ::unlink(path.c_str());
  }

  void run() {
    std::vector<Client> clients;
    while (!stop.signalled()) {
      std::vector<pollfd> fds{{stop.fd(), POLLIN, 0}, {listener.get(), POLLIN, 0}};
      for (const Client& client : clients) fds.push_back({client.fd.get(), POLLIN, 0});
      if (::poll(fds.data(), fds.size(), -1) <= 0 || (fds[0].revents & POLLIN)) continue;
      if ((fds[1].revents & POLLIN) && clients.size() < max_clients) {
        UniqueFd fd(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (fd) clients.push_back({std::move(fd), {}});
      }
      for (std::size_t i = fds.size(); i-- > 2;) {
        if (fds[i].revents && !serve(clients[i - 2]))
          clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i - 2));
      }
    }
  }

  // false when the client has gone.
  bool serve(Client& client) {
    std::array<char, 512> buffer{};
    ssize_t n = ::recv(client.fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return false;
    client.pending.append(buffer.data(), static_cast<std::size_t>(n));
    for (std::size_t end; (end = client.pending.find('\n')) != std::string::npos;) {
      std::string line = client.pending.substr(0, end);
      client.pending.erase(0, end + 1);
      ControlReply reply = run_control_command(emulator, line);
      // Quit first: whoever reads the answer may rely on the quit being under way.
      if (reply.quit && on_quit) on_quit();
      send_text(client.fd.get(), reply.text + "\n");
    }
    if (client.pending.size() > max_line) {
      send_text(client.fd.get(), "error: line too long\n");
      client.pending.clear();
    }
    return true;
  }

  Emulator& emulator;
  std::filesystem::path path;
  std::function<void()> on_quit;
  UniqueFd listener;
  Wakeup stop;
  std::thread thread;
};

ControlSocket::ControlSocket(Emulator& emulator, std::filesystem::path path, std::function<void()> on_quit)
    : impl_(std::make_unique<Impl>(emulator, std::move(path), std::move(on_quit))) {}

ControlSocket::~ControlSocket() = default;

}  // namespace kitesim
