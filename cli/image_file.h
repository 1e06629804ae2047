// Raw memory images on disk. A new image appears whole or not at all: it is written beside its
// place and renamed over it.
#pragma once

#include <string>

#include "hex.h"

namespace pelorus {

Bytes read_image(const std::string& path);                        // throws Failure (file)
void write_image(const std::string& path, const Bytes& image);    // "-": standard output
}  // namespace pelorus
