// pelorus watch: card insertions and removals with the time, until interrupted.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <strings.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <ctime>
#include <iomanip>
#include <iostream>

#include "commands.h"
#include "failure.h"
#include "reader.h"

namespace pelorus {
namespace {

// The library's callback takes no context, so the one thing it needs, where to write the event,
// has to be reachable without one: the write end of this program's event pipe.
std::atomic<int>& event_pipe_writer() {
  static std::atomic<int> fd{-1};
  return fd;
}

std::int32_t on_card_event(std::int32_t event) {
  const auto byte = static_cast<unsigned char>(event);
  const int fd = event_pipe_writer().load();
  if (fd >= 0 && write(fd, &byte, 1) != 1) {
    // A full pipe means the reader floods us; the event is lost, the program goes on.
  }
  return 0;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string now_text() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  std::ostringstream text;
  text << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << '.' << std::setw(3) << std::setfill('0') << millis;
  return text.str();
}

// SIGINT and SIGTERM end the watch; they are taken through a descriptor, blocked in every
// thread (the library's threads, started later, inherit the mask).
int interrupt_fd() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signalfd(-1, &signals, SFD_CLOEXEC);
}

void run(const ReaderChoice& choice) {
  // These would be watched for ever without a single event.
  if (strcasecmp(choice.port.c_str(), "KEYBOARD") == 0) throw Failure(kExitUsage, "the keyboard port has no card events");
  if (strcasecmp(choice.reader.c_str(), "KITEA") == 0) throw Failure(kExitUsage, "a KITEA reader sends no card events");
  const Fd interrupts(interrupt_fd());
  int ends[2];
  if (interrupts.get() < 0 || pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) throw Failure(kExitFile, "cannot set up the event pipe");
  const Fd reader_end(ends[0]);
  const Fd writer_end(ends[1]);
  const Reader reader(choice);
  event_pipe_writer().store(writer_end.get());
  const std::int32_t result = QX_RegisterCallback(reader.handle(), on_card_event);
  if (result != 0) throw library_failure("registering for card events", result);
  std::cout << now_text() << " watching " << choice.port << " (Ctrl-C ends)\n" << std::flush;
  pollfd fds[2] = {{reader_end.get(), POLLIN, 0}, {interrupts.get(), POLLIN, 0}};
  while (poll(fds, 2, -1) >= 0 || errno == EINTR) {
    if (fds[1].revents) break;
    unsigned char event = 0;
    while (read(reader_end.get(), &event, 1) == 1) {
      const char* what = event == QX_EVENT_CARD_INSERTED ? "card inserted" : event == QX_EVENT_CARD_REMOVED ? "card removed" : "card event";
      std::cout << now_text() << ' ' << what << '\n' << std::flush;
    }
  }
  QX_RegisterCallback(reader.handle(), nullptr);
  event_pipe_writer().store(-1);
}

}  // namespace

void add_watch_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "watch", "Print card insertions and removals with the time as they happen, until interrupted (Ctrl-C)");
  auto choice = std::make_shared<ReaderChoice>();
  add_reader_options(*command, *choice);
  command->footer("Card events need a reader with STX framing (KITEB) on a serial port.");
  command->callback([choice, &status] {
    run(*choice);
    status = 0;
  });
}

}  // namespace pelorus
