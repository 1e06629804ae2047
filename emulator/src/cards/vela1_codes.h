// The access codes: SUBMIT CODE against the codes in the security file, the attempt counters that
// lock a code, and which codes have been presented since the last reset. Code reference r (1 to 5
// AC1 to AC5, 6 PIN, 7 IC) is bit r of a security attribute.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "vela1_des.h"
#include "vela1_files.h"
#include "vela1_status.h"

namespace kitesim::vela1 {

class AccessCodes {
 public:
  // A reset: no code counts as presented any more.
  void forget() { presented_ = 0; }

  // Whether the codes the attribute names have all been presented; never when it names AC0.
  bool allow(std::uint8_t attribute) const;
  bool presented(unsigned reference) const { return reference < 8 && (presented_ >> reference & 1) != 0; }

  // SUBMIT CODE with reference r and the 8 code bytes. While a session key is in force, a code
  // whose bit is set in the security option register arrives enciphered under it.
  // A correct code counts as presented and gets its attempts back (90 00); a wrong one is no
  // longer presented and costs an attempt (63 Cx, x attempts left); with none left, 69 83.
  CardStatus submit(FileSystem& files, std::uint8_t reference, std::span<const std::uint8_t> code,
                    const std::optional<Block>& session_key);

 private:
  std::uint8_t presented_ = 0;
};

}  // namespace kitesim::vela1
