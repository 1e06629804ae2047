// The one way a command gives up: a message for stderr and the exit status that goes with it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "exit_codes.h"

namespace pelorus {

class Failure : public std::runtime_error {
 public:
  Failure(int exit_code, const std::string& message) : std::runtime_error(message), exit_code_(exit_code) {}
  int exit_code() const { return exit_code_; }

 private:
  int exit_code_;
};

// "error -1002 (QX_ERR_STATUS_6002): no card in the reader", with what was being done in front.
Failure library_failure(const std::string& doing, std::int32_t code);

}  // namespace pelorus
