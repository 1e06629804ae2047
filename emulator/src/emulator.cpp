// The emulator at run time: the reader core under one mutex, a clock thread that runs the core's
// timers and hands its transmissions to the serial transports (paced or at once), and the
// transports, each with its own thread. An answer due at once (the usual case) goes out on the
// thread of the transport that brought the command, with no hand-over to the clock thread.
#include "kitesim/emulator.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "reader.h"
#include "transports/keyboard_socket.h"
#include "transports/pty_port.h"
#include "transports/rfc2217_server.h"

namespace kitesim {
namespace {

constexpr std::size_t paced_chunk = 8;  // bytes per paced write
constexpr int bits_per_byte = 10;       // start bit, 8 data bits, stop bit

}  // namespace

struct Emulator::Impl final : LineEnd, KeyboardEnd {
  explicit Impl(const ReaderConfig& config) : reader(config) {
    clock = std::thread([this] { run_clock(); });
  }

  ~Impl() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    work.notify_all();
    clock.join();
    // The transports go before the reader core they call into; each joins its thread, which may
    // be waiting to deliver, so they are destroyed outside the lock.
    keyboard.reset();
    std::vector<std::unique_ptr<SerialPort>> closing;
    {
      std::lock_guard ports_lock(ports_mutex);
      closing.swap(ports);
    }
  }

  // LineEnd
  void from_pc(std::span<const std::uint8_t> bytes, const LineSettings& pc) override {
    bool answer_now = false;
    {
      std::lock_guard lock(mutex);
      const TimePoint now = Clock::now();
      reader.receive(bytes, pc, now);
      reader.advance(now);
      answer_now = !paced && reader.has_output();
      // The clock thread is needed for what is due later, and for paced sending.
      if (paced || reader.next_due()) work.notify_all();
    }
    changed.notify_all();
    if (answer_now) deliver_ready();
  }
  void set_dtr(bool on) override {
    update([&](TimePoint now) { reader.set_dtr(on, now); });
  }
  bool cts() const override {
    std::lock_guard lock(mutex);
    return reader.cts();
  }

  // KeyboardEnd
  KeyboardAnswer keyboard_request(std::span<const std::uint8_t> message) override {
    KeyboardAnswer answer;
    update([&](TimePoint) { answer = reader.keyboard_request(message); });
    return answer;
  }

  // Runs a change of the reader under the lock and lets the clock thread and waiters see it.
  template <typename Change>
  void update(Change&& change) {
    {
      std::lock_guard lock(mutex);
      change(Clock::now());
    }
    work.notify_all();
    changed.notify_all();
  }

  void add_port(std::unique_ptr<SerialPort> port) {
    std::lock_guard lock(ports_mutex);
    ports.push_back(std::move(port));
  }

  void run_clock() {
    std::unique_lock lock(mutex);
    while (!stopping) {
      reader.advance(Clock::now());
      if (reader.has_output()) {
        lock.unlock();
        deliver_ready();
        lock.lock();
        continue;
      }
      if (auto due = reader.next_due()) {
        work.wait_until(lock, *due);
      } else {
        work.wait(lock);
      }
    }
  }

  // Takes the reader's transmissions and hands them to the transports. Whoever delivers holds
  // the ports' lock from taking to handing over, so that transmissions go out in their order.
  void deliver_ready() {
    std::lock_guard ports_lock(ports_mutex);
    std::vector<LineOutput> output;
    bool pace = false;
    {
      std::lock_guard lock(mutex);
      reader.advance(Clock::now());
      output = reader.take_output();
      pace = paced;
    }
    if (output.empty()) return;
    changed.notify_all();
    deliver(output, pace);
    {
      std::lock_guard lock(mutex);
      for (const LineOutput& item : output) delivered += item.kind == LineOutput::Kind::bytes;
    }
    changed.notify_all();
  }

  // With the ports' lock held.
  void deliver(const std::vector<LineOutput>& output, bool pace) {
    for (const LineOutput& item : output) {
      if (item.kind == LineOutput::Kind::cts) {
        for (auto& port : ports) port->cts_changed(item.cts);
      } else if (!pace) {
        for (auto& port : ports) port->transmit(item.bytes, item.rate);
      } else if (!transmit_paced(item)) {
        return;
      }
    }
  }

  // false when the emulator stops meanwhile.
  bool transmit_paced(const LineOutput& item) {
    const auto start = Clock::now();
    std::span<const std::uint8_t> rest(item.bytes);
    std::size_t sent = 0;
    while (!rest.empty()) {
      auto chunk = rest.first(std::min(paced_chunk, rest.size()));
      for (auto& port : ports) port->transmit(chunk, item.rate);
      rest = rest.subspan(chunk.size());
      sent += chunk.size();
      auto done = start + std::chrono::microseconds(sent * bits_per_byte * 1'000'000ULL / item.rate);
      std::unique_lock lock(mutex);
      if (work.wait_until(lock, done, [this] { return stopping; })) return false;
    }
    return true;
  }

  ReaderState snapshot() const {
    ReaderState state = reader.state();
    state.line_writes = delivered;
    return state;
  }

  mutable std::mutex mutex;  // guards reader, stopping, paced, delivered
  std::condition_variable work;
  mutable std::condition_variable changed;
  Reader reader;
  bool stopping = false;
  bool paced = false;
  std::uint64_t delivered = 0;
  std::thread clock;

  std::mutex ports_mutex;  // guards ports; held while transmitting; taken before mutex
  std::vector<std::unique_ptr<SerialPort>> ports;
  bool has_pty = false, has_rfc2217 = false;
  std::unique_ptr<KeyboardSocket> keyboard;
};

Emulator::Emulator(ReaderConfig config) : impl_(std::make_unique<Impl>(config)) {}

Emulator::~Emulator() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->reader.save_card_memory();
  }
  impl_.reset();
}

std::string Emulator::start_pty() {
  std::uint32_t rate = state().rate;
  std::lock_guard ports_lock(impl_->ports_mutex);
  if (impl_->has_pty) throw std::logic_error("the pseudo-terminal is already started");
  auto port = std::make_unique<PtyPort>(*impl_, rate);
  std::string path = port->slave_path();
  impl_->ports.push_back(std::move(port));
  impl_->has_pty = true;
  return path;
}

std::uint16_t Emulator::start_rfc2217(std::uint16_t port) {
  std::lock_guard ports_lock(impl_->ports_mutex);
  if (impl_->has_rfc2217) throw std::logic_error("the RFC 2217 server is already started");
  auto server = std::make_unique<Rfc2217Server>(*impl_, port);
  std::uint16_t bound = server->port();
  impl_->ports.push_back(std::move(server));
  impl_->has_rfc2217 = true;
  return bound;
}

void Emulator::start_keyboard_socket(const std::filesystem::path& path) {
  std::lock_guard ports_lock(impl_->ports_mutex);
  if (impl_->keyboard) throw std::logic_error("the keyboard socket is already started");
  impl_->keyboard = std::make_unique<KeyboardSocket>(*impl_, path);
}

void Emulator::insert(std::unique_ptr<Card> card) {
  if (!card) throw std::invalid_argument("no card to insert");
  impl_->update([&](TimePoint now) { impl_->reader.insert(std::move(card), now); });
}

void Emulator::remove() {
  impl_->update([&](TimePoint now) { impl_->reader.remove(now); });
}

bool Emulator::save_card_memory() {
  std::lock_guard lock(impl_->mutex);
  return impl_->reader.save_card_memory();
}

void Emulator::reset() {
  impl_->update([&](TimePoint now) { impl_->reader.power_cycle(now); });
}

void Emulator::set_faults(const Faults& faults) {
  impl_->update([&](TimePoint) { impl_->reader.set_faults(faults); });
}

void Emulator::clear_faults() { set_faults({}); }

void Emulator::set_paced(bool paced) {
  impl_->update([&](TimePoint) { impl_->paced = paced; });
}

ReaderState Emulator::state() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->snapshot();
}

bool Emulator::wait_for(const std::function<bool(const ReaderState&)>& condition,
                        std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->changed.wait_for(lock, timeout, [&] { return condition(impl_->snapshot()); });
}

}  // namespace kitesim
