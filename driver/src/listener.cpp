#include "listener.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "card_events.h"
#include "line.h"
#include "trace.h"

namespace pelorus {

Listener::Listener(Line& line, const std::atomic<QX_CALLBACK>& callback)
    : line_(line), callback_(callback), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Listener::~Listener() { stop(); }

bool Listener::start() {
  if (!wake_) {
    trace::system_error("eventfd for", line_.name(), errno);
    return false;
  }
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error& e) {
    trace::format("listener thread for %s: %s\n", line_.name().c_str(), e.what());
    return false;
  }
  return true;
}

void Listener::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  const uint64_t one = 1;
  if (::write(wake_.get(), &one, sizeof one) != sizeof one) trace::system_error("wake listener of", line_.name(), errno);
  thread_.join();
}

namespace {

// How long after an exchange the thread leaves the line to the caller: the next exchange of a
// busy caller comes sooner, and a card event meanwhile waits at most this long.
constexpr std::chrono::milliseconds kStepAside{1};

}  // namespace

void Listener::run() {
  // Below normal priority, as the reader's listener always ran; a refusal is not an error.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 1);

  for (;;) {
    {
      std::unique_lock lock(mutex_);
      if (!wait_for_turn(lock)) return;
    }
    pollfd fds[2] = {{wake_.get(), POLLIN, 0}, {line_.poll_fd(), POLLIN, 0}};
    const nfds_t count = line_gone_ ? 1 : 2;
    if (::poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      trace::system_error("poll", line_.name(), errno);
      return;
    }
    if (fds[0].revents != 0) return;
    if (count == 2 && fds[1].revents != 0) {
      std::lock_guard lock(mutex_);
      // An exchange that began while the thread waited reads its reply itself.
      if (!exchanging_) read_locked(fds[1].revents);
    }
  }
}

bool Listener::wait_for_turn(std::unique_lock<std::mutex>& lock) {
  for (;;) {
    if (stopping_) return false;
    if (count_ == received_.size()) {
      // A buffer full of frames nobody has taken yet: what comes next waits on the line, not lost.
      room_.wait(lock);
    } else if (exchanging_) {
      room_.wait_for(lock, kStepAside);
    } else if (const auto now = std::chrono::steady_clock::now(); now < resume_at_) {
      room_.wait_until(lock, resume_at_);
    } else {
      return true;
    }
  }
}

void Listener::begin_exchange() {
  std::lock_guard lock(mutex_);
  exchanging_ = true;
}

void Listener::end_exchange() {
  std::lock_guard lock(mutex_);
  exchanging_ = false;
  resume_at_ = std::chrono::steady_clock::now() + kStepAside;
}

void Listener::pump() {
  std::lock_guard lock(mutex_);
  if (!line_gone_) read_locked(0);
}

void Listener::read_locked(short revents) {
  const size_t before = count_;
  if (count_ == received_.size()) return;  // full of frames to take: the rest waits on the line
  const long n = line_.read_available(std::span(received_).subspan(count_));
  // A hang-up with nothing left to read would wake poll for ever: the line is gone.
  if (n < 0 || (n == 0 && (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)) {
    trace::format("Line %s is gone; waiting for the port to be closed\n", line_.name().c_str());
    line_gone_ = true;
    return;
  }
  if (n == 0) return;

  count_ += static_cast<size_t>(n);
  const auto fresh = std::span(received_).subspan(before, static_cast<size_t>(n));
  const bool etx_arrived = std::find(fresh.begin(), fresh.end(), codec::kEtx) != fresh.end();
  if (etx_arrived) trace::text("ETX character is received\n");
  if (trace::enabled()) {
    trace::text("Content of sReceived\n");
    trace::frame("", std::span(received_).first(count_));
    trace::format("Read File OK, length=%ld, total=%zu\n", n, before);
  }
  if (etx_arrived) take_card_events();
  mark_frames();
}

// The ETX event: the buffer ends with ETX, so whatever it holds is ready to be taken. A full
// buffer that does not end with ETX (frames that came back to back before anyone took them) hands
// out its complete frames and keeps the one still coming; a full buffer without any ETX holds no
// frame of ours and is dropped, so that the line is read again.
void Listener::mark_frames() {
  if (count_ > 0 && received_[count_ - 1] == codec::kEtx) {
    frames_end_ = count_;
  } else if (count_ == received_.size()) {
    const auto last_etx = std::find(received_.rbegin(), received_.rend(), codec::kEtx);
    if (last_etx == received_.rend()) {
      trace::format("Receive buffer full without a frame: %zu bytes dropped\n", count_);
      count_ = 0;
      return;
    }
    frames_end_ = static_cast<size_t>(received_.rend() - last_etx);
  } else {
    return;
  }
  etx_ = true;
}

// The reader announces a card's insertion or removal with an event frame of its own, between
// replies or right behind one. When the port has a callback, every such frame is taken out of the
// buffer wherever it lies, the rest (a reply, a frame still coming) stays, and the events go to
// the callback in their order; without a callback the frames stay and the parser skips them.
void Listener::take_card_events() {
  const QX_CALLBACK callback = callback_.load();
  if (callback == nullptr) return;
  std::array<int, codec::kFrameCapacity / 12> codes;  // an event frame is at least 12 bytes
  const codec::EventScan scan = codec::extract_card_events(std::span(received_).first(count_), codes);
  if (scan.events == 0) return;
  trace::text("Notification message received\n");
  count_ = scan.remaining;
  for (size_t i = 0; i < scan.events; ++i) card_events_.post(callback, codes[i]);
}

void Listener::reset_locked() {
  const bool was_full = count_ == received_.size();
  etx_ = false;
  line_.purge();
  count_ = 0;
  frames_end_ = 0;
  // Only a thread waiting for room is woken: one stepping aside is left to its own time.
  if (was_full) room_.notify_all();
}

void Listener::reset_receive_side() {
  std::lock_guard lock(mutex_);
  // Card events that came since the thread last looked are taken out before the purge drops
  // the rest: while it steps aside for the caller they wait on the line.
  if (!line_gone_) read_locked(0);
  reset_locked();
}

void Listener::prepare_send() {
  std::lock_guard lock(mutex_);
  if (!line_gone_) read_locked(0);
  etx_ = false;
  frames_end_ = 0;
  if (count_ > 0) {
    trace::format("%zu bytes before the command are dropped\n", count_);
    reset_locked();
  }
}

std::optional<size_t> Listener::take_frame(std::chrono::microseconds wait,
                                           std::span<uint8_t, codec::kFrameCapacity> frame) {
  std::unique_lock lock(mutex_);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  if (!read_until_etx(lock, deadline)) return std::nullopt;
  trace::text("Data received\n");
  const size_t length = frames_end_;
  const bool was_full = count_ == received_.size();
  std::copy_n(received_.begin(), length, frame.begin());
  // What came behind the last complete frame stays: the start of the next one.
  std::copy(received_.begin() + static_cast<std::ptrdiff_t>(length), received_.begin() + static_cast<std::ptrdiff_t>(count_), received_.begin());
  count_ -= length;
  frames_end_ = 0;
  etx_ = false;
  if (was_full) room_.notify_all();
  lock.unlock();
  trace::frame("\nReceive:", frame.first(length));
  return length;
}

bool Listener::read_until_etx(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (etx_) return true;
    // A gone line brings nothing more: the wait ends now rather than at its deadline.
    if (line_gone_) return false;
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return false;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    pollfd line{line_.poll_fd(), POLLIN, 0};
    lock.unlock();
    const int ready = ::ppoll(&line, 1, &timeout, nullptr);
    lock.lock();
    if (ready < 0 && errno != EINTR) {
      trace::system_error("poll", line_.name(), errno);
      return false;
    }
    if (ready > 0) read_locked(line.revents);
  }
}

}  // namespace pelorus
