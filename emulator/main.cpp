// kitesim: an emulated serial smart-card reader for tests, demos and benchmarks.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "kitesim/control.h"
#include "kitesim/emulator.h"
#include "src/unique_fd.h"
#include "src/wakeup.h"

namespace {

constexpr const char* usage_text = R"(usage: kitesim [options]

An emulated serial smart-card reader (models KITEA and KITEB) with its cards.
It prints one line per transport on stdout, then "ready":
  pty /dev/pts/N      rfc2217 PORT      keyboard PATH      control PATH

Reader:
  --model KITEA|KITEB   reader model (default KITEB; KITEA frames have no STX)
  --rate N              line rate after a reset, bit/s (default 9600). KITEB: 9600 14400 19200
                        28800 38400 57600 115200; KITEA: 9600 19200 38400
  --firmware TEXT       firmware revision, 10 characters (default KITEBT0310;
                        KITEBT0220 refuses rate changes)
  --boot-ms N           time from DTR raised to the start-up frame (default 20)
  --no-option-bytes     command 0x08 answers 60 05 (unknown command)

Transports (at least one):
  --pty                 a pseudo-terminal; the PC side opens the printed slave path
  --rfc2217 PORT        an RFC 2217 server on 127.0.0.1:PORT (0 picks a free port)
  --keyboard PATH       the keyboard-port socket (SOCK_SEQPACKET) at PATH
  --control PATH        a control socket (Unix stream) at PATH taking the commands below

Card:
  --card MODEL          card inserted at start (the card models are listed at the end)
  --card-file PATH      memory image of that card, loaded now, saved on remove, save and quit
  --atr HEX             answer to reset of a microcontroller card, e.g. 3B024B54

Faults and pacing (also while running, see the commands):
  --corrupt N  --drop N  --nack N  --delay MS  --event inserted|removed  --faults-on-probe
  --pace                send at the line rate (10 bits per byte) instead of at once

Line behaviour:
  Bytes sent to the reader at another rate or format than its own are lost, and the reader's
  answers reach such a PC side as noise. After DTR is dropped and raised (RFC 2217 SET-CONTROL
  9 then 8, or the command "reset") the reader raises CTS, boots, sends its start-up frame
  FF 00 01 <rate code> at 9600 bit/s - the rate at which a PC detecting the rate listens, since an
  announcement at an unknown rate could never be read - then moves to its configured rate and
  drops CTS. A pseudo-terminal has no DTR or CTS.

Commands (stdin, one per line, and the control socket):
)";

struct Options {
  kitesim::ReaderConfig config;
  bool pty = false;
  std::optional<std::uint16_t> rfc2217;
  std::string keyboard, control, card, card_file, atr;
  kitesim::Faults faults;
  bool pace = false;
};

unsigned long to_number(const std::string& option, const std::string& text) {
  unsigned long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size())
    throw std::invalid_argument(option + ": not a number: " + text);
  return value;
}

kitesim::Bytes from_hex(const std::string& text) {
  if (text.size() % 2 != 0 || text.empty()) throw std::invalid_argument("--atr: hex digit pairs expected");
  kitesim::Bytes bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (error != std::errc{} || end != text.data() + i + 2) throw std::invalid_argument("--atr: not hex: " + text);
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

Options parse(int argc, char** argv) {
  Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--model") {
      const std::string& m = value();
      if (m != "KITEA" && m != "KITEB") throw std::invalid_argument("--model: KITEA or KITEB");
      o.config.model = m == "KITEA" ? kitesim::Model::KITEA : kitesim::Model::KITEB;
    } else if (a == "--rate") {
      o.config.rate = static_cast<std::uint32_t>(to_number(a, value()));
    } else if (a == "--firmware") {
      o.config.firmware = value();
    } else if (a == "--boot-ms") {
      o.config.boot_time = std::chrono::milliseconds(to_number(a, value()));
    } else if (a == "--no-option-bytes") {
      o.config.option_bytes.reset();
    } else if (a == "--pty") {
      o.pty = true;
    } else if (a == "--rfc2217") {
      auto port = to_number(a, value());
      if (port > 65535) throw std::invalid_argument("--rfc2217: port out of range");
      o.rfc2217 = static_cast<std::uint16_t>(port);
    } else if (a == "--keyboard") {
      o.keyboard = value();
    } else if (a == "--control") {
      o.control = value();
    } else if (a == "--card") {
      o.card = value();
    } else if (a == "--card-file") {
      o.card_file = value();
    } else if (a == "--atr") {
      o.atr = value();
    } else if (a == "--corrupt") {
      o.faults.corrupt_next = static_cast<unsigned>(to_number(a, value()));
    } else if (a == "--drop") {
      o.faults.drop_next = static_cast<unsigned>(to_number(a, value()));
    } else if (a == "--nack") {
      o.faults.nack_next = static_cast<unsigned>(to_number(a, value()));
    } else if (a == "--delay") {
      o.faults.delay = std::chrono::milliseconds(to_number(a, value()));
    } else if (a == "--event") {
      const std::string& e = value();
      if (e != "inserted" && e != "removed") throw std::invalid_argument("--event: inserted or removed");
      o.faults.interleave_event = e == "inserted" ? kitesim::CardEvent::inserted : kitesim::CardEvent::removed;
      o.faults.interleave_next = 1;
    } else if (a == "--faults-on-probe") {
      o.faults.include_probe = true;
    } else if (a == "--pace") {
      o.pace = true;
    } else {
      throw std::invalid_argument("unknown option " + a + " (see --help)");
    }
  }
  if (!o.pty && !o.rfc2217 && o.keyboard.empty()) throw std::invalid_argument("no transport (see --help)");
  return o;
}

void say(const std::string& line) {
  std::cout << line << std::endl;  // flushed: scripts read these lines as they come
}

int run(const Options& o, int signal_fd) {
  kitesim::Emulator emulator(o.config);
  emulator.set_paced(o.pace);
  if (!o.card.empty()) {
    kitesim::CardOptions options;
    options.memory_file = o.card_file;
    if (!o.atr.empty()) options.atr = from_hex(o.atr);
    emulator.insert(kitesim::make_card(o.card, options));
    // The insertion's event frame goes out before any transport exists, so no PC reads it.
    emulator.wait_for([](const kitesim::ReaderState& s) { return s.line_writes > 0; }, std::chrono::seconds(1));
  }
  emulator.set_faults(o.faults);
  if (o.pty) say("pty " + emulator.start_pty());
  if (o.rfc2217) say("rfc2217 " + std::to_string(emulator.start_rfc2217(*o.rfc2217)));
  if (!o.keyboard.empty()) {
    emulator.start_keyboard_socket(o.keyboard);
    say("keyboard " + o.keyboard);
  }
  kitesim::Wakeup quit;
  std::optional<kitesim::ControlSocket> control;
  if (!o.control.empty()) {
    control.emplace(emulator, o.control, [&quit] { quit.signal(); });
    say("control " + o.control);
  }
  say("ready");

  bool stdin_open = true;
  std::string pending;
  while (true) {
    pollfd fds[3] = {{quit.fd(), POLLIN, 0}, {signal_fd, POLLIN, 0}, {stdin_open ? 0 : -1, POLLIN, 0}};
    if (::poll(fds, 3, -1) < 0) continue;
    if ((fds[0].revents | fds[1].revents) & POLLIN) break;
    if (!fds[2].revents) continue;
    char buffer[512];
    ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n <= 0) {
      stdin_open = false;  // keep running in the background until a signal or "quit"
      continue;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      kitesim::ControlReply reply = kitesim::run_control_command(emulator, pending.substr(0, end));
      pending.erase(0, end + 1);
      if (!reply.text.empty()) say(reply.text);
      if (reply.quit) return 0;
    }
    if (pending.size() > 1024) pending.clear();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      std::cout << usage_text << kitesim::control_help() << "\n\nCard models:\n";
      for (const kitesim::CardModelInfo& model : kitesim::card_models())
        std::cout << "  " << model.name << std::string(model.name.size() < 14 ? 14 - model.name.size() : 1, ' ')
                  << model.description << "\n";
      return 0;
    }
  }
  Options options;
  try {
    options = parse(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "kitesim: " << e.what() << "\n";
    return 2;
  }
  // Signals arrive through a descriptor, in every thread blocked, so the main loop ends cleanly
  // and the destructors stop the transports and save the card memory.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  kitesim::UniqueFd signal_fd(::signalfd(-1, &signals, SFD_CLOEXEC));
  try {
    return run(options, signal_fd.get());
  } catch (const std::exception& e) {
    std::cerr << "kitesim: " << e.what() << "\n";
    return 1;
  }
}
