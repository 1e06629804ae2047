// A serial port served over the network: a telnet connection with the COM-PORT-OPTION of
// RFC 2217 (line rate, DTR, purge, and CTS through modem-state notifications).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "line.h"

namespace pelorus {

inline constexpr char kRfc2217Scheme[] = "rfc2217://";

struct NetworkAddress {
  std::string host;
  std::string port;
};

// "rfc2217://host:port" or "rfc2217://[v6address]:port"; nullopt for anything else.
std::optional<NetworkAddress> parse_rfc2217_url(const std::string& url);

// Connects, negotiates the COM-PORT-OPTION and sets 8N1 at the given rate with DTR raised.
// nullptr when the server cannot be reached (the trace says why).
std::unique_ptr<Line> open_rfc2217_line(const std::string& url, int bits_per_second);

}  // namespace pelorus
