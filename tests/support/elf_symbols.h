// What a shared library exports: the functions and objects its dynamic symbol table defines.
#pragma once

#include <set>
#include <string>

namespace test_support {

// Names of the global and weak functions and objects defined in path's dynamic symbol table;
// empty when the file cannot be read as a 64-bit ELF file.
std::set<std::string> exported_symbols(const char* path);

}  // namespace test_support
