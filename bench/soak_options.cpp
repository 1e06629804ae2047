#include "soak_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace soak {
namespace {

// The whole text must be the number.
template <typename Number>
bool parse_number(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

bool parse_transports(std::string_view text, std::vector<Transport>& transports) {
  if (text == "pty") transports = {Transport::pty};
  else if (text == "rfc2217") transports = {Transport::rfc2217};
  else if (text == "both") transports = {Transport::pty, Transport::rfc2217};
  else if (text == "keyboard") transports = {Transport::keyboard};
  else return false;
  return true;
}

}  // namespace

const char* name_of(Transport transport) {
  switch (transport) {
    case Transport::pty: return "pty";
    case Transport::rfc2217: return "rfc2217";
    case Transport::keyboard: return "keyboard";
  }
  return "?";
}

Request parse_command_line(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") return ShowHelp{};
    if (i + 1 >= argc) return UsageError{"unknown option or missing value: " + std::string(option)};
    const std::string_view value = argv[++i];
    bool valid = false;
    if (option == "--exchanges") {
      valid = parse_number(value, options.exchanges) && options.exchanges > 0;
    } else if (option == "--transport") {
      valid = parse_transports(value, options.transports);
    } else if (option == "--time-scale") {
      valid = parse_number(value, options.time_scale) && std::isfinite(options.time_scale) && options.time_scale > 0;
    } else if (option == "--fault-share") {
      valid = parse_number(value, options.fault_share) && options.fault_share >= 0 && options.fault_share <= 1;
    } else if (option == "--seed") {
      valid = parse_number(value, options.seed);
    } else {
      return UsageError{"unknown option: " + std::string(option)};
    }
    if (!valid) return UsageError{"bad value for " + std::string(option) + ": " + std::string(value)};
  }
  return options;
}

std::string help_text(const char* program) {
  return std::string("Usage: ") + program + R"( [options]

Runs exchanges through libPelorus32 against the emulated reader (kitesim, in this process)
while injecting faults into some of them (15 % by default), and checks every answer against the
one the card is known to give. Two kinds of exchanges alternate in phases of 1000, a session
each: the mcu-t0 card's echo command (random data, Le 1 to 256) and reads of an IIC card (2048
bytes) whose memory image this program writes itself. Faults: corrupt, drop and NACK answers,
answers delayed below and beyond the library's reply wait, card-event frames before the answer
(the keyboard port carries no card events). The emulator delays in whole milliseconds: below a
time scale of 0.002 the shorter delay is no longer below the wait.

Prints a progress line every 10,000 exchanges to stderr and a summary (Markdown tables) to
stdout. Exit status: 0 when no call returned wrong data, 1 when one did (the first few are
listed), 2 for a usage error or a reader that could not be opened.

Options:
  --exchanges N      exchanges in all, split evenly between the transports (default 100000)
  --transport T      pty: a pseudo-terminal on COM1 (PELORUS32_COM1)
                     rfc2217: RFC 2217 on loopback on COM1 (rfc2217://127.0.0.1:PORT)
                     both: pty, then rfc2217 (default)
                     keyboard: the keyboard-port socket, port 16 (PELORUS32_KEYBOARD)
  --time-scale F     PELORUS32_TIME_SCALE for the library: every protocol delay and time-out
                     times F (default 0.01, so a reply wait is 10 ms)
  --fault-share F    share of the exchanges that get a fault, 0 to 1 (default 0.15; 0 gives
                     a clean baseline)
  --seed N           seed of the exchanges and faults: the same seed and options give the
                     same exchanges and faults (default 20261208)
  --help             this text
)";
}

}  // namespace soak
