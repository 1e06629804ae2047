#include "telnet_codec.h"

namespace kitesim::telnet {

Bytes escape(std::span<const std::uint8_t> data) {
  Bytes out;
  out.reserve(data.size() + 8);
  for (std::uint8_t b : data) {
    out.push_back(b);
    if (b == iac) out.push_back(iac);
  }
  return out;
}

Bytes negotiation(std::uint8_t verb, std::uint8_t option) { return {iac, verb, option}; }

Bytes subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) {
  Bytes out{iac, sb, option};
  Bytes escaped = escape(payload);
  out.insert(out.end(), escaped.begin(), escaped.end());
  out.push_back(iac);
  out.push_back(se);
  return out;
}

}  // namespace kitesim::telnet
