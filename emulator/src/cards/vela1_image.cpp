#include "vela1_image.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace kitesim::vela1 {
namespace {

// A file holds at most 255 records of 255 bytes.
constexpr std::size_t most_bytes = 255 * 255;

template <typename Number>
bool parse_hex(const std::string& text, std::size_t digits, Number& value) {
  if (text.size() != digits) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

FileContents load_image(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read card memory file " + file.string());
  FileContents contents;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word.front() == '#') continue;
    auto bad = [&] {
      return std::runtime_error(file.string() + ":" + std::to_string(number) + ": not a VELA1 file line");
    };
    FileId id = 0;
    if (!parse_hex(word, 4, id)) throw bad();
    Bytes bytes;
    for (std::uint8_t byte = 0; words >> word;) {
      if (!parse_hex(word, 2, byte) || bytes.size() == most_bytes) throw bad();
      bytes.push_back(byte);
    }
    contents[id] = std::move(bytes);
  }
  if (in.bad()) throw std::runtime_error("cannot read card memory file " + file.string());
  return contents;
}

bool save_image(const std::filesystem::path& file, const FileContents& contents) {
  std::ofstream out(file, std::ios::trunc);
  out << "# kitesim VELA1 card: one file a line, its identifier and its bytes\n";
  static constexpr char digits[] = "0123456789ABCDEF";
  for (const auto& [id, bytes] : contents) {
    out << digits[id >> 12] << digits[id >> 8 & 15] << digits[id >> 4 & 15] << digits[id & 15];
    for (std::uint8_t byte : bytes) out << ' ' << digits[byte >> 4] << digits[byte & 15];
    out << '\n';
  }
  return static_cast<bool>(out.flush());
}

}  // namespace kitesim::vela1
