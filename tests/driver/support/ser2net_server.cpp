#include "ser2net_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace testing_support {

int free_tcp_port() {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

bool wait_for_listener(int port) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    if (connected) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

Ser2netServer::Ser2netServer(const std::string& device) {
  const char* binary = "/usr/sbin/ser2net";
  if (::access(binary, X_OK) != 0) return;
  char pattern[] = "/tmp/pelorus-ser2net-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return;
  directory_ = pattern;
  port_ = free_tcp_port();
  const std::string config = directory_ + "/ser2net.yaml";
  std::ofstream(config) << "connection: &reader\n"
                        << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port_ << "\n"
                        << "  connector: serialdev," << device << ",9600n81,local\n"
                        << "  options:\n"
                        << "    kickolduser: true\n";
  const char* argv[] = {binary, "-n", "-c", config.c_str(), "-P", nullptr, nullptr};
  const std::string pid_file = directory_ + "/ser2net.pid";
  argv[5] = pid_file.c_str();
  pid_t pid;
  if (::posix_spawn(&pid, binary, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return;
  pid_ = pid;
  if (!wait_for_listener(port_)) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

Ser2netServer::~Ser2netServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  if (!directory_.empty()) std::filesystem::remove_all(directory_);
}

}  // namespace testing_support
