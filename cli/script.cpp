#include "script.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "failure.h"

namespace pelorus {
namespace {

std::string trim(const std::string& text) {
  const auto first = std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
  const auto last = std::find_if_not(text.rbegin(), text.rend(), [](unsigned char c) { return std::isspace(c); }).base();
  return first < last ? std::string(first, last) : std::string();
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

Failure bad_line(int line, const std::string& why) {
  return Failure(kExitUsage, "script line " + std::to_string(line) + ": " + why);
}

Bytes line_bytes(const std::string& text, int line) {
  const auto bytes = parse_hex(text);
  if (!bytes) throw bad_line(line, "not hex bytes: " + text);
  return *bytes;
}

// "# expect ..." as a comment; nullopt for any other comment.
std::optional<std::string> expect_text(const std::string& comment) {
  std::string body = trim(comment.substr(1));
  if (lower(body.substr(0, 6)) != "expect" || (body.size() > 6 && !std::isspace(static_cast<unsigned char>(body[6]))))
    return std::nullopt;
  return trim(body.substr(6));
}

}  // namespace

std::vector<ScriptStep> parse_script(std::istream& script) {
  std::vector<ScriptStep> steps;
  std::string pending;  // a command continued over lines
  int pending_line = 0;
  bool last_was_command = false;
  std::string raw;
  for (int line = 1; std::getline(script, raw); ++line) {
    const std::string text = trim(raw);
    if (pending.empty() && text.empty()) continue;
    if (pending.empty() && text[0] == '#') {
      const auto expect = expect_text(text);
      if (!expect) continue;
      if (!last_was_command || steps.back().expect) throw bad_line(line, "an expect line must follow a command");
      Bytes answer = line_bytes(*expect, line);
      if (answer.size() < 2) throw bad_line(line, "an expect line names at least SW1 SW2");
      steps.back().expect = Expectation{std::move(answer), line};
      continue;
    }
    if (pending.empty() && lower(text) == "exit") break;
    if (pending.empty() && lower(text) == "reset") {
      steps.push_back({ScriptStep::Kind::reset, {}, line, std::nullopt});
      last_was_command = false;
      continue;
    }
    if (pending.empty()) pending_line = line;
    if (!text.empty() && text.back() == '\\') {
      pending += text.substr(0, text.size() - 1) + ' ';
      continue;
    }
    pending += text;
    steps.push_back({ScriptStep::Kind::command, line_bytes(pending, pending_line), pending_line, std::nullopt});
    pending.clear();
    last_was_command = true;
  }
  if (!pending.empty()) throw bad_line(pending_line, "the command continues past the end of the script");
  return steps;
}

std::string scriptor_answer_text(std::span<const std::uint8_t> answer) {
  std::string text;
  for (std::size_t i = 0; i < answer.size(); ++i) {
    text += hex_number(answer[i], 2);
    if (i + 1 < answer.size()) text += (i % 16 == 15) ? " \n" : " ";
  }
  return text;
}

}  // namespace pelorus
