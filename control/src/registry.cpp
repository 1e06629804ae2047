#include "registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace pelorus::control {
namespace {

std::filesystem::path home_folder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
  throw std::runtime_error("no home folder");
}

void check_line(std::string_view text) {
  if (text.find('\n') != std::string_view::npos) throw std::invalid_argument("a registry value is one line");
}

}  // namespace

std::filesystem::path registry_root() {
  // A relative XDG_DATA_HOME is not to be used (XDG base directories): the default applies.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
    return std::filesystem::path(data) / "pelorus";
  return home_folder() / ".local" / "share" / "pelorus";
}

void write_file(const std::filesystem::path& file, std::string_view text) {
  std::filesystem::create_directories(file.parent_path());
  std::filesystem::path temporary = file;
  temporary += ".new." + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::trunc | std::ios::binary);
    out << text;
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw std::runtime_error("cannot write " + temporary.string());
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw std::filesystem::filesystem_error("cannot write", file, error);
  }
}

void write_key(const std::filesystem::path& file, std::string_view comment, const KeyValues& values) {
  check_line(comment);
  std::string text = "# " + std::string(comment) + '\n';
  for (const auto& [name, value] : values) {
    check_line(name);
    check_line(value);
    text += name + '=' + value + '\n';
  }
  write_file(file, text);
}

std::optional<KeyValues> read_key(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in || std::filesystem::is_directory(file)) return std::nullopt;
  KeyValues values;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    values.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return values;
}

std::optional<std::string> value_of(const KeyValues& values, std::string_view name) {
  for (const auto& [key, value] : values)
    if (key == name) return value;
  return std::nullopt;
}

bool remove_key(const std::filesystem::path& file) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(file, error);
  if (!std::filesystem::exists(status)) return false;
  // A folder where a key should be is not a key: removing it would take what is inside along.
  if (std::filesystem::is_directory(status))
    throw std::filesystem::filesystem_error("not a key", file, std::make_error_code(std::errc::is_a_directory));
  std::filesystem::remove(file);
  return true;
}

void remove_empty_folders(std::filesystem::path folder, const std::filesystem::path& root) {
  std::error_code error;
  while (folder != root && folder.string().starts_with(root.string()) && std::filesystem::is_empty(folder, error) &&
         !error) {
    if (!std::filesystem::remove(folder, error) || error) return;
    folder = folder.parent_path();
  }
}

}  // namespace pelorus::control
