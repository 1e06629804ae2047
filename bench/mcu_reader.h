// What the benchmarks share: a microcontroller-card session on the emulated reader, the APDU they
// time, and percentiles of samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pelorus32.h"

namespace bench {

// Opens COM1 on the device and starts a microcontroller-card session: the handle, or the error.
int32_t open_mcu(const std::string& device, int32_t reader_type = QX_READER_KITEB_9600);

// An APDU the emulated card answers with `length` data bytes.
QX_APDU echo_apdu(int32_t length);

// The p-quantile (0..1) of the samples; 0 when there are none.
double percentile(std::vector<double> samples, double p);

}  // namespace bench
