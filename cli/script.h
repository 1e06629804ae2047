// APDU scripts in the form of pcsc-tools' scriptor: one command per line ("CLA INS P1 P2 Lc data
// Le", bytes with or without spaces, a trailing "\" continues the command on the next line),
// "reset", "exit", blank lines and "#" comments. A comment "# expect SW" or "# expect DATA SW"
// right after a command states the answer it should get.
#pragma once

#include <istream>
#include <optional>
#include <vector>

#include "hex.h"

namespace pelorus {

struct Expectation {
  Bytes answer;  // data followed by SW1 SW2
  int line = 0;
};

struct ScriptStep {
  enum class Kind { reset, command };
  Kind kind = Kind::command;
  Bytes apdu;
  int line = 0;  // where the command starts
  std::optional<Expectation> expect;
};

// The steps up to the end or an "exit" line; throws Failure (usage) naming the line of bad text.
std::vector<ScriptStep> parse_script(std::istream& script);

// The answer as scriptor prints it: bytes joined by spaces, a line break after every 16th.
std::string scriptor_answer_text(std::span<const std::uint8_t> answer);

}  // namespace pelorus
