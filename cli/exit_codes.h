// What the program's exit status says; `pelorus --help` lists the same.
#pragma once

namespace pelorus {

inline constexpr int kExitOk = 0;
inline constexpr int kExitMismatch = 1;  // an --expect check failed, images differ, a read-back differs
inline constexpr int kExitUsage = 2;     // bad command line, file or script text
inline constexpr int kExitLibrary = 3;   // the reader library reported an error, or the card refused
inline constexpr int kExitFile = 4;      // a file could not be read or written

inline constexpr const char* kExitCodesHelp =
    "Exit status:\n"
    "  0  success\n"
    "  1  a check failed: an --expect line of a script, images that differ, a read-back that differs\n"
    "  2  bad command line, or a file or script that cannot be understood\n"
    "  3  the reader library reported an error or the card refused (the message names the code)\n"
    "  4  a file could not be read or written\n";

}  // namespace pelorus
