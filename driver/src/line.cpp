#include "line.h"

#include "rfc2217_line.h"
#include "tty_line.h"

namespace pelorus {

std::unique_ptr<Line> open_line(const std::string& device, int bits_per_second) {
  if (device.rfind(kRfc2217Scheme, 0) == 0) return open_rfc2217_line(device, bits_per_second);
  return open_tty_line(device, bits_per_second);
}

}  // namespace pelorus
