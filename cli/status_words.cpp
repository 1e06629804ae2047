#include "status_words.h"

#include <algorithm>
#include <iterator>

namespace pelorus {
namespace {

struct Word {
  std::uint16_t sw;
  const char* meaning;
};

constexpr Word kWords[] = {
    {0x9000, "Normal processing."},
    {0x6200, "Warning: state of non-volatile memory unchanged."},
    {0x6281, "Warning: part of the returned data may be corrupted."},
    {0x6282, "Warning: end of file or record reached before reading Le bytes."},
    {0x6283, "Warning: selected file invalidated."},
    {0x6284, "Warning: FCI not formatted."},
    {0x6300, "Warning: state of non-volatile memory changed (authentication failed)."},
    {0x6381, "Warning: file filled up by the last write."},
    {0x6400, "Error: state of non-volatile memory unchanged."},
    {0x6500, "Error: state of non-volatile memory changed."},
    {0x6581, "Error: memory failure."},
    {0x6700, "Wrong length."},
    {0x6800, "Functions in CLA not supported."},
    {0x6881, "Logical channel not supported."},
    {0x6882, "Secure messaging not supported."},
    {0x6900, "Command not allowed."},
    {0x6981, "Command incompatible with file structure."},
    {0x6982, "Security status not satisfied."},
    {0x6983, "Authentication method blocked."},
    {0x6984, "Referenced data invalidated."},
    {0x6985, "Conditions of use not satisfied."},
    {0x6986, "Command not allowed (no current EF)."},
    {0x6987, "Expected secure messaging data objects missing."},
    {0x6988, "Secure messaging data objects incorrect."},
    {0x6A00, "Wrong parameter(s) P1-P2."},
    {0x6A80, "Incorrect parameters in the data field."},
    {0x6A81, "Function not supported."},
    {0x6A82, "File not found."},
    {0x6A83, "Record not found."},
    {0x6A84, "Not enough memory space in the file."},
    {0x6A85, "Lc inconsistent with TLV structure."},
    {0x6A86, "Incorrect parameters P1-P2."},
    {0x6A87, "Lc inconsistent with P1-P2."},
    {0x6A88, "Referenced data not found."},
    {0x6B00, "Wrong parameter(s) P1-P2."},
    {0x6D00, "Instruction code not supported or invalid."},
    {0x6E00, "Class not supported."},
    {0x6F00, "No precise diagnosis."},
};

}  // namespace

std::string status_meaning(std::uint16_t sw) {
  const auto* found = std::find_if(std::begin(kWords), std::end(kWords), [&](const Word& w) { return w.sw == sw; });
  if (found != std::end(kWords)) return found->meaning;
  const unsigned sw1 = sw >> 8;
  const unsigned sw2 = sw & 0xFF;
  if (sw1 == 0x61) return "Normal processing: " + std::to_string(sw2 == 0 ? 256 : sw2) + " bytes still available (GET RESPONSE).";
  if (sw1 == 0x6C) return "Wrong length Le: " + std::to_string(sw2 == 0 ? 256 : sw2) + " bytes are available.";
  if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0) return "Warning: counter " + std::to_string(sw2 & 0x0F) + " (tries left).";
  if (sw1 == 0x62) return "Warning: state of non-volatile memory unchanged.";
  if (sw1 == 0x63) return "Warning: state of non-volatile memory changed.";
  if (sw1 == 0x64) return "Error: state of non-volatile memory unchanged.";
  if (sw1 == 0x65) return "Error: state of non-volatile memory changed.";
  if (sw1 == 0x67) return "Wrong length.";
  if (sw1 == 0x68) return "Functions in CLA not supported.";
  if (sw1 == 0x69) return "Command not allowed.";
  if (sw1 == 0x6A) return "Wrong parameter(s) P1-P2.";
  if (sw1 == 0x90 || (sw1 >= 0x91 && sw1 <= 0x9F)) return "Application-specific status.";
  return "Unknown status word.";
}

}  // namespace pelorus
