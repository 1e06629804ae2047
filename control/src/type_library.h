// The type library PelorusLib 1.0: its identity, and its text as the registry keeps it, written
// from the dispatch table and the enumerations.
//
// The text, one declaration a line (indented lines belong to the declaration above them):
//   library NAME {LIBID} MAJOR.MINOR         helpstring "..."  helpfile "..."
//   enum NAME                                then   NAME = VALUE "help string"
//   dispinterface NAME {IID}                 then   helpstring "..."
//                                                   property ID NAME TYPE
//                                                   property ID NAME(ARGTYPE ARGNAME) TYPE
//                                                   method ID NAME TYPE
//   coclass NAME {CLSID}                     then   helpstring "...", flags ..., interface NAME default,
//                                                   source NAME default
// A TYPE is i16, i32, bool, string, void or the name of an enumeration (of i16 values). Strings
// are in double quotes, with \" and \\ for a quote and a backslash.
#pragma once

#include <string>

namespace pelorus::control {

inline constexpr const char* kTypeLibraryName = "PelorusLib";
inline constexpr int kTypeLibraryMajor = 1;
inline constexpr int kTypeLibraryMinor = 0;
inline constexpr const char* kTypeLibraryHelpString = "Pelorus ActiveX Control module";
inline constexpr const char* kTypeLibraryHelpFile = "Pelorus.hlp";

std::string type_library_text();

}  // namespace pelorus::control
