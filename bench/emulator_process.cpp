#include "emulator_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace bench {
namespace {

std::filesystem::path kitesim_path() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "kitesim";
}

}  // namespace

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& arguments) {
  int to_child[2], from_child[2];
  if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
  const std::string program = kitesim_path();
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot start " + program);
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(to_child[0]);
  ::close(from_child[1]);
  input_ = to_child[1];

  FILE* output = ::fdopen(from_child[0], "r");
  char line[512];
  while (std::fgets(line, sizeof line, output) != nullptr) {
    std::istringstream words(line);
    std::string key, value;
    words >> key >> value;
    if (key == "pty") pty_ = value;
    if (key == "rfc2217") rfc2217_port_ = value;
    if (key == "ready") break;
  }
  std::fclose(output);
}

EmulatorProcess::~EmulatorProcess() {
  if (input_ >= 0) ::close(input_);
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

void EmulatorProcess::command(const std::string& line) {
  const std::string text = line + "\n";
  if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("emulator command failed: " + line);
  }
}

}  // namespace bench
