// A VELA1 card's files in a text file, so that a card keeps its state from run to run:
//
//   # comment
//   FF02 69 C0 03 80 00 00 00 00 00 00 00 00
//
// one line per file: its identifier (four hexadecimal digits), then its bytes as hexadecimal
// pairs, record after record. Blank lines and lines starting with # are skipped.
#pragma once

#include <filesystem>

#include "vela1_files.h"

namespace kitesim::vela1 {

// Throws std::runtime_error when the file cannot be read or a line is not of the form above.
FileContents load_image(const std::filesystem::path& file);
// False when the file cannot be written.
bool save_image(const std::filesystem::path& file, const FileContents& contents);

}  // namespace kitesim::vela1
