#include "atr.h"

#include <cctype>

namespace pelorus {
namespace {

// Clock rate conversion Fi and baud rate adjustment Di of TA1 (reserved values: 0).
constexpr int kFi[16] = {372, 372, 558, 744, 1116, 1488, 1860, 0, 0, 512, 768, 1024, 1536, 2048, 0, 0};
constexpr int kDi[16] = {0, 1, 2, 4, 8, 16, 32, 64, 12, 20, 0, 0, 0, 0, 0, 0};

// The interface bytes that the high nibble of T0 or a TDi announces: "ABD", or "none".
std::string present_bytes(std::uint8_t y) {
  std::string names;
  for (int i = 0; i < 4; ++i)
    if (y & (0x10 << i)) names += "ABCD"[i];
  return names.empty() ? "none" : names;
}

std::string ts_meaning(std::uint8_t ts) {
  if (ts == 0x3B) return "direct convention";
  if (ts == 0x3F) return "inverse convention";
  return "not a valid TS (3B or 3F)";
}

std::string interface_meaning(const InterfaceByte& b) {
  const char kind = b.name[1];
  const int level = std::stoi(b.name.substr(2));
  if (kind == 'D') return "next interface bytes " + present_bytes(b.value) + ", protocol T=" + std::to_string(b.value & 0x0F);
  if (level == 1 && kind == 'A') {
    const int fi = kFi[b.value >> 4];
    const int di = kDi[b.value & 0x0F];
    if (fi == 0 || di == 0) return "Fi/Di reserved value";
    return "Fi=" + std::to_string(fi) + ", Di=" + std::to_string(di) + ", " + std::to_string(fi / di) + " cycles per ETU";
  }
  if (level == 1 && kind == 'B') return "programming voltage (deprecated)";
  if (level == 1 && kind == 'C') return "extra guard time " + std::to_string(b.value) + " ETU";
  if (level == 2 && kind == 'A') return "specific mode, protocol T=" + std::to_string(b.value & 0x0F);
  if (level == 2 && kind == 'C') return "work waiting integer " + std::to_string(b.value);
  return "protocol parameter";
}

std::string printable(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) text += std::isprint(b) ? static_cast<char>(b) : '.';
  return text;
}

}  // namespace

std::optional<Atr> parse_atr(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2) return std::nullopt;
  Atr atr;
  atr.ts = bytes[0];
  atr.t0 = bytes[1];
  std::size_t at = 2;
  std::uint8_t presence = atr.t0 >> 4;
  bool any_td = false;
  for (int level = 1; presence != 0; ++level) {
    std::optional<std::uint8_t> td;
    for (int i = 0; i < 4; ++i) {
      if (!(presence & (1 << i))) continue;
      if (at >= bytes.size()) {
        ++atr.missing;
        continue;
      }
      const std::uint8_t value = bytes[at++];
      atr.interface_bytes.push_back({std::string("T") + "ABCD"[i] + std::to_string(level), value});
      if (i == 3) td = value;
    }
    if (!td) break;
    any_td = true;
    const int protocol = *td & 0x0F;
    if (protocol != 0) atr.tck_expected = true;
    if (atr.protocols.empty() || atr.protocols.back() != protocol) atr.protocols.push_back(protocol);
    presence = *td >> 4;
  }
  if (!any_td) atr.protocols.push_back(0);
  const std::size_t k = atr.t0 & 0x0F;
  const std::size_t available = at <= bytes.size() ? bytes.size() - at : 0;
  atr.historical.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + std::min(k, available)));
  atr.missing += k - std::min(k, available);
  at += std::min(k, available);
  if (atr.tck_expected) {
    if (at < bytes.size()) {
      atr.tck = bytes[at++];
      std::uint8_t check = 0;
      for (std::size_t i = 1; i < at; ++i) check ^= bytes[i];
      atr.tck_correct = check == 0;
    } else {
      ++atr.missing;
    }
  }
  atr.extra.assign(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size())), bytes.end());
  return atr;
}

std::vector<std::string> explain_atr(const Atr& atr) {
  std::vector<std::string> lines;
  lines.push_back("TS  = " + hex_number(atr.ts, 2) + "  " + ts_meaning(atr.ts));
  lines.push_back("T0  = " + hex_number(atr.t0, 2) + "  interface bytes " + present_bytes(atr.t0) + ", " +
                  std::to_string(atr.t0 & 0x0F) + " historical bytes");
  for (const InterfaceByte& b : atr.interface_bytes) {
    std::string name = b.name;
    name.resize(4, ' ');
    lines.push_back(name + "= " + hex_number(b.value, 2) + "  " + interface_meaning(b));
  }
  std::string protocols;
  for (int p : atr.protocols) protocols += (protocols.empty() ? "T=" : ", T=") + std::to_string(p);
  lines.push_back("Protocols: " + protocols);
  if (atr.historical.empty()) {
    lines.push_back("Historical bytes: none");
  } else {
    lines.push_back("Historical bytes: " + hex_text(atr.historical) + "  \"" + printable(atr.historical) + "\"");
  }
  if (!atr.tck_expected) {
    lines.push_back("TCK: none (T=0 only)");
  } else if (atr.tck) {
    lines.push_back("TCK = " + hex_number(*atr.tck, 2) + "  " + (atr.tck_correct ? "correct" : "WRONG: the bytes T0 to TCK do not XOR to 00"));
  }
  if (atr.missing > 0) lines.push_back("Incomplete: " + std::to_string(atr.missing) + " announced bytes missing");
  if (!atr.extra.empty()) lines.push_back("Extra bytes after the answer: " + hex_text(atr.extra));
  return lines;
}

}  // namespace pelorus
