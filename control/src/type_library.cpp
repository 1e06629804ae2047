#include "type_library.h"

#include <sstream>
#include <string_view>

#include "dispatch_table.h"
#include "enumerations.h"
#include "guids.h"
#include "resources.h"

namespace pelorus::control {
namespace {

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string_view value_type(const Member& member) {
  return member.enumeration.empty() ? type_name(member.type) : member.enumeration;
}

void write_member(std::ostream& out, const Member& member) {
  out << "  " << (member.kind == Kind::Method ? "method " : "property ") << member.id << ' ' << member.name;
  if (member.kind == Kind::IndexedProperty) out << '(' << type_name(Type::I16) << ' ' << member.argument << ')';
  out << ' ' << value_type(member) << '\n';
}

}  // namespace

std::string type_library_text() {
  std::ostringstream out;
  out << "# " << kTypeLibraryName << ' ' << kTypeLibraryMajor << '.' << kTypeLibraryMinor
      << ": the type library of the Pelorus control module\n";
  out << "library " << kTypeLibraryName << ' ' << guid_text(LIBID_PelorusLib) << ' ' << kTypeLibraryMajor << '.'
      << kTypeLibraryMinor << '\n'
      << "  helpstring " << quoted(kTypeLibraryHelpString) << '\n'
      << "  helpfile " << quoted(kTypeLibraryHelpFile) << '\n';
  for (const Enumeration& enumeration : enumerations()) {
    out << "\nenum " << enumeration.name << '\n';
    for (const Enumerator& e : enumeration.enumerators)
      out << "  " << e.name << " = " << e.value << ' ' << quoted(e.help) << '\n';
  }
  out << "\ndispinterface _DPelorus " << guid_text(DIID__DPelorus) << '\n'
      << "  helpstring " << quoted("Dispatch interface for Pelorus Control") << '\n';
  for (const Member& member : dispatch_members()) write_member(out, member);
  out << "\ndispinterface _DPelorusEvents " << guid_text(DIID__DPelorusEvents) << '\n'
      << "  helpstring " << quoted("Event interface for Pelorus Control") << '\n';
  out << "\ncoclass Pelorus " << guid_text(CLSID_Pelorus) << '\n'
      << "  helpstring " << quoted(resources::kControlTypeName) << '\n'
      << "  flags creatable control\n"
      << "  interface _DPelorus default\n"
      << "  source _DPelorusEvents default\n";
  return out.str();
}

}  // namespace pelorus::control
