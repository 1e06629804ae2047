#include "image_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "failure.h"

namespace pelorus {

Bytes read_image(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure(kExitFile, "cannot read " + path);
  Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Failure(kExitFile, "cannot read " + path);
  return image;
}

void write_image(const std::string& path, const Bytes& image) {
  if (path == "-") {
    if (isatty(STDOUT_FILENO)) throw Failure(kExitUsage, "not writing a binary image to a terminal: give -o FILE");
    std::cout.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::cout.flush();
    if (!std::cout) throw Failure(kExitFile, "cannot write the image to standard output");
    return;
  }
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
      std::remove(partial.c_str());
      throw Failure(kExitFile, "cannot write " + path);
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) {
    std::remove(partial.c_str());
    throw Failure(kExitFile, "cannot write " + path + ": " + error.message());
  }
}

}  // namespace pelorus
