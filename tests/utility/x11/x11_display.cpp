#include "x11_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <xcb/xcb.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace kestrel::testing {
namespace {

bool installed(const char* program) {
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/"}) {
    if (::access((std::string(folder) + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// The server and the window manager end with the test program, even when it is killed or aborts.
pid_t spawn(std::vector<std::string> arguments, int keep_fd = -1) {
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(1);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(null, 2);
  if (keep_fd >= 0) ::fcntl(keep_fd, F_SETFD, 0);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

// True once a client can connect and talk to the server, as Qt is about to.
bool accepts_clients(const std::string& display) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0 && xcb_get_setup(connection) != nullptr;
    xcb_disconnect(connection);
    if (connected) return true;
    ::usleep(50000);
  }
  return false;
}

// True once a window manager has taken the screen: it names its check window on the root window.
bool window_manager_running(const std::string& display) {
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  bool running = false;
  if (xcb_connection_has_error(connection) == 0) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    for (int attempt = 0; atom != nullptr && attempt < 200 && !running; ++attempt) {
      xcb_get_property_reply_t* property = xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
      running = property != nullptr && xcb_get_property_value_length(property) > 0;
      std::free(property);
      if (!running) ::usleep(50000);
    }
    std::free(atom);
  }
  xcb_disconnect(connection);
  return running;
}

void stop(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  pid = -1;
}

}  // namespace

X11Display::X11Display(const std::string& window_manager) {
  if (!installed("Xvfb")) {
    why_ = "Xvfb is not installed (Debian package xvfb)";
    return;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    why_ = "no pipe";
    return;
  }
  // Above the standard descriptors, which the child points at /dev/null (a test runner may have
  // left them closed, and the pipe would take their numbers).
  const int write_end = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
  ::close(fds[1]);
  fds[1] = write_end;
  // Xvfb writes the display number it chose to the descriptor given, once it accepts clients.
  // Without -noreset it would reset whenever its last client leaves, as the probes below do, and
  // refuse the next one meanwhile.
  server_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset"},
                  fds[1]);
  ::close(fds[1]);
  // The number comes as digits and a line feed, maybe in two writes: the pipe stays open until the
  // line is whole, or the server would fail writing the rest and end.
  std::string number;
  while (number.empty() || number.back() != '\n') {
    pollfd ready{fds[0], POLLIN, 0};
    char chunk[16];
    const ssize_t n = ::poll(&ready, 1, 10000) == 1 ? ::read(fds[0], chunk, sizeof chunk) : -1;
    if (n <= 0) break;
    number.append(chunk, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  if (!number.empty() && number.back() == '\n') name_ = ":" + std::to_string(std::atoi(number.c_str()));
  if (name_.empty() || !accepts_clients(name_)) {
    why_ = "Xvfb did not start";
    name_.clear();
    stop(server_);
    return;
  }
  ::setenv("DISPLAY", name_.c_str(), 1);
  if (window_manager.empty()) return;
  if (!installed(window_manager.c_str())) {
    why_ = window_manager + " is not installed";
    name_.clear();
    stop(server_);
    return;
  }
  // The window manager's own configuration folder, so that no user's settings come in.
  char folder[] = "/tmp/kestrel-x11-XXXXXX";
  if (::mkdtemp(folder) != nullptr) home_ = folder;
  const std::string config = "XDG_CONFIG_HOME=" + home_;
  window_manager_ = spawn({"env", config, "HOME=" + home_, window_manager});
  // It must have taken the screen before the first window is mapped, or that window goes unframed.
  if (!window_manager_running(name_)) {
    why_ = window_manager + " did not take the screen";
    name_.clear();
    stop(window_manager_);
    stop(server_);
  }
}

X11Display::~X11Display() {
  stop(window_manager_);
  stop(server_);
  if (!home_.empty()) std::filesystem::remove_all(home_);
}

}  // namespace kestrel::testing
