// The fault soak's command line.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace soak {

enum class Transport { pty, rfc2217, keyboard };

const char* name_of(Transport transport);

struct Options {
  std::uint64_t exchanges = 100'000;
  std::vector<Transport> transports{Transport::pty, Transport::rfc2217};
  double time_scale = 0.01;
  double fault_share = 0.15;  // of the exchanges that get a fault
  std::uint64_t seed = 20261208;
};

// What the command line asks for: a soak, the help text, or a mistake to report.
struct ShowHelp {};
struct UsageError {
  std::string message;
};
using Request = std::variant<Options, ShowHelp, UsageError>;

Request parse_command_line(int argc, char** argv);

std::string help_text(const char* program);

}  // namespace soak
