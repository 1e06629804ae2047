// The per-user component registry: plain text files under $XDG_DATA_HOME/pelorus/ (default
// ~/.local/share/pelorus/). A key is a file of Name=Value lines; lines starting with # are
// comments. Keys are written whole or not at all (a temporary file renamed over the key).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelorus::control {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// $XDG_DATA_HOME/pelorus when XDG_DATA_HOME is an absolute path, else $HOME/.local/share/pelorus.
std::filesystem::path registry_root();

// Writes file whole or not at all, making its folders; throws std::exception on failure.
void write_file(const std::filesystem::path& file, std::string_view text);

// Writes the key (with a comment line first), making its folders; throws std::exception on failure.
void write_key(const std::filesystem::path& file, std::string_view comment, const KeyValues& values);

// The key's values; nullopt when there is no such key.
std::optional<KeyValues> read_key(const std::filesystem::path& file);

// The value of name in values, or nullopt.
std::optional<std::string> value_of(const KeyValues& values, std::string_view name);

// Removes a key; false when there was none. Throws when it exists and cannot be removed.
bool remove_key(const std::filesystem::path& file);

// Removes folder and then its parents, up to but not including root, while they are empty.
void remove_empty_folders(std::filesystem::path folder, const std::filesystem::path& root);

}  // namespace pelorus::control
