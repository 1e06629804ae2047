#include "vela1_codes.h"

#include <algorithm>

namespace kitesim::vela1 {
namespace {

constexpr unsigned first_reference = 1;  // AC1
constexpr unsigned last_reference = 7;   // IC
constexpr unsigned most_attempts = 15;   // what 63 Cx can tell

}  // namespace

bool AccessCodes::allow(std::uint8_t attribute) const {
  if ((attribute & access::never) != 0) return false;
  return (attribute & ~presented_) == 0;
}

CardStatus AccessCodes::submit(FileSystem& files, std::uint8_t reference, std::span<const std::uint8_t> code,
                               const std::optional<Block>& session_key) {
  if (reference < first_reference || reference > last_reference) return wrong_parameter;
  Block given;
  if (code.size() != given.size()) return wrong_length;
  std::ranges::copy(code, given.begin());

  Bytes attempts = files.record(file::security, security_record::attempts_left);
  if (attempts[reference] == 0) return code_locked;

  const bool enciphered = (files.security_option_register() >> reference & 1) != 0;
  if (enciphered && session_key) given = decipher(given, *session_key);
  const Bytes stored = files.record(file::security, reference);
  const auto bit = static_cast<std::uint8_t>(1u << reference);

  if (std::ranges::equal(given, stored)) {
    presented_ |= bit;
    const unsigned limit = files.record(file::security, security_record::attempt_limits)[reference];
    attempts[reference] = static_cast<std::uint8_t>(std::clamp(limit, 1u, most_attempts));
    files.set_record(file::security, security_record::attempts_left, attempts);
    return ok;
  }
  presented_ &= static_cast<std::uint8_t>(~bit);
  --attempts[reference];
  files.set_record(file::security, security_record::attempts_left, attempts);
  return wrong_code(std::min<unsigned>(attempts[reference], most_attempts));
}

}  // namespace kitesim::vela1
