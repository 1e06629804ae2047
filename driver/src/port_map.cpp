#include "port_map.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pelorus {
namespace {

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::optional<std::string> read_file(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<std::string> find_in_file(const std::string& path, std::string_view key) {
  auto text = read_file(path);
  if (!text) return std::nullopt;
  return find_in_ports_conf(*text, key);
}

std::string user_conf_path() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::string(xdg) + "/pelorus32/ports.conf";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.config/pelorus32/ports.conf";
  }
  return {};
}

}  // namespace

std::string_view port_key(int port) {
  switch (port) {
    case 0: return "COM1";
    case 1: return "COM2";
    case 16: return "KEYBOARD";
    default: return {};
  }
}

std::optional<std::string> find_in_ports_conf(std::string_view conf_text, std::string_view key) {
  while (!conf_text.empty()) {
    const auto end = conf_text.find('\n');
    const std::string_view line = trim(conf_text.substr(0, end));
    conf_text = end == std::string_view::npos ? std::string_view{} : conf_text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (trim(line.substr(0, eq)) == key) return std::string(trim(line.substr(eq + 1)));
  }
  return std::nullopt;
}

std::optional<std::string> resolve_port(int port) {
  const std::string_view key = port_key(port);
  if (key.empty()) return std::nullopt;

  const std::string variable = "PELORUS32_" + std::string(key);
  if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') return value;

  for (const std::string& path : {user_conf_path(), std::string("/etc/pelorus32/ports.conf")}) {
    if (path.empty()) continue;
    if (auto value = find_in_file(path, key); value && !value->empty()) return value;
  }

  switch (port) {
    case 0: return "/dev/ttyS0";
    case 1: return "/dev/ttyS1";
    default: return std::nullopt;
  }
}

}  // namespace pelorus
