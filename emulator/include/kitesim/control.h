// The text commands that steer a running emulator, one line each, from stdin or a control socket.
// `help` lists them.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "kitesim/emulator.h"

namespace kitesim {

struct ControlReply {
  std::string text;  // one line ("ok", "error: ...", "state ..."), several for help
  bool quit = false;
};

ControlReply run_control_command(Emulator& emulator, std::string_view line);
std::string control_help();

// A Unix stream socket at path that takes control commands, one per line, and answers each with
// its reply. `quit` calls on_quit. The destructor stops it and removes the socket file.
class ControlSocket {
 public:
  ControlSocket(Emulator& emulator, std::filesystem::path path, std::function<void()> on_quit);
  ~ControlSocket();
  ControlSocket(const ControlSocket&) = delete;
  ControlSocket& operator=(const ControlSocket&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kitesim
