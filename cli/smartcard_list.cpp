#include "smartcard_list.h"

#include <cctype>

#include "hex.h"

namespace pelorus {
namespace {

std::string trimmed(const std::string& line) {
  std::size_t end = line.size();
  while (end > 0 && std::isspace(static_cast<unsigned char>(line[end - 1]))) --end;
  return line.substr(0, end);
}

bool matches(const std::string& pattern, const std::string& atr) {
  if (pattern.size() != atr.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '.') continue;
    if (std::toupper(static_cast<unsigned char>(pattern[i])) != atr[i]) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> smartcard_names(std::istream& list, std::span<const std::uint8_t> atr) {
  const std::string text = hex_text(atr);
  std::vector<std::string> names;
  bool in_match = false;
  std::string line;
  while (std::getline(list, line)) {
    if (!line.empty() && line[0] == '\t') {
      if (in_match) names.push_back(trimmed(line.substr(1)));
      continue;
    }
    if (line.empty() || line[0] == '#') {
      in_match = false;
      continue;
    }
    in_match = matches(trimmed(line), text);
  }
  return names;
}

}  // namespace pelorus
