#include "registration.h"

#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "guids.h"
#include "module_path.h"
#include "registry.h"
#include "resources.h"
#include "type_library.h"

namespace pelorus::control {
namespace {

namespace fs = std::filesystem;

// The platform's miscellaneous status of the control: recompose on resize, cannot link inside,
// inside-out, activate when visible, invisible at run time, set client site first.
constexpr unsigned kControlMiscStatus = 0x20591;

struct ClassRegistration {
  const CLSID* clsid;
  const char* prog_id;
  const char* type_name;
  bool is_control;
};

const std::array<ClassRegistration, 2> kClasses = {{
    {&CLSID_Pelorus, resources::kControlProgId, resources::kControlTypeName, true},
    {&CLSID_PelorusPropPage, resources::kPropPageProgId, resources::kPropPageTypeName, false},
}};

std::string version_text() { return std::to_string(kTypeLibraryMajor) + '.' + std::to_string(kTypeLibraryMinor); }

fs::path type_library_folder(const fs::path& root) {
  return root / "typelib" / guid_text(LIBID_PelorusLib) / version_text();
}
fs::path class_key(const fs::path& root, const CLSID& clsid) { return root / "clsid" / guid_text(clsid); }
fs::path prog_id_key(const fs::path& root, const char* prog_id) { return root / "progid" / prog_id; }

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

void register_type_library(const fs::path& root, const fs::path& module) {
  const fs::path folder = type_library_folder(root);
  const std::string definition = std::string(kTypeLibraryName) + ".typelib";
  write_key(folder / "registration", "the type library " + std::string(kTypeLibraryName) + ' ' + version_text(),
            {{"Name", kTypeLibraryName},
             {"HelpString", kTypeLibraryHelpString},
             {"Version", version_text()},
             {"Locale", "0"},
             {"Flags", "control"},
             {"Module", module.string()},
             {"HelpDir", module.parent_path().string()},
             {"HelpFile", kTypeLibraryHelpFile},
             {"Definition", definition}});
  write_file(folder / definition, type_library_text());
}

void register_class(const fs::path& root, const fs::path& module, const ClassRegistration& entry) {
  const std::string clsid = guid_text(*entry.clsid);
  KeyValues values = {{"TypeName", entry.type_name},
                      {"ProgID", entry.prog_id},
                      {"InprocServer", module.string()},
                      {"ThreadingModel", "Apartment"}};
  if (entry.is_control) {
    values.insert(values.end(), {{"Control", "yes"},
                                 {"Insertable", "yes"},
                                 {"MiscStatus", hex(kControlMiscStatus)},
                                 {"ToolboxBitmap", module.string() + ',' + std::to_string(resources::kToolboxBitmap)},
                                 {"TypeLib", guid_text(LIBID_PelorusLib)},
                                 {"Version", version_text()}});
  }
  write_key(class_key(root, *entry.clsid), std::string("the class ") + entry.type_name, values);
  write_key(prog_id_key(root, entry.prog_id), std::string("the ProgID of ") + entry.type_name,
            {{"CLSID", clsid}, {"TypeName", entry.type_name}});
}

void unregister_type_library(const fs::path& root) {
  const fs::path folder = type_library_folder(root);
  if (!remove_key(folder / "registration")) throw std::runtime_error("the type library is not registered");
  remove_key(folder / (std::string(kTypeLibraryName) + ".typelib"));
  remove_empty_folders(folder, root);
}

void unregister_class(const fs::path& root, const ClassRegistration& entry) {
  remove_key(class_key(root, *entry.clsid));
  remove_empty_folders(root / "clsid", root);
  // The ProgID goes only while it still names this class.
  const fs::path prog_id = prog_id_key(root, entry.prog_id);
  if (const auto values = read_key(prog_id); values && value_of(*values, "CLSID") == guid_text(*entry.clsid)) {
    remove_key(prog_id);
    remove_empty_folders(root / "progid", root);
  }
}

// Runs step; the code on any failure.
template <class Step>
HRESULT step(HRESULT failure, Step&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const std::exception&) {
    return failure;
  }
}

}  // namespace

HRESULT register_server() {
  fs::path root, module;
  if (const HRESULT result = step(SELFREG_E_TYPELIB, [&] {
        root = registry_root();
        module = module_path();
        register_type_library(root, module);
      });
      FAILED(result))
    return result;
  return step(SELFREG_E_CLASS, [&] {
    for (const ClassRegistration& entry : kClasses) register_class(root, module, entry);
  });
}

HRESULT unregister_server() {
  fs::path root;
  if (const HRESULT result = step(SELFREG_E_TYPELIB, [&] {
        root = registry_root();
        unregister_type_library(root);
      });
      FAILED(result))
    return result;
  return step(SELFREG_E_CLASS, [&] {
    for (const ClassRegistration& entry : kClasses) unregister_class(root, entry);
  });
}

}  // namespace pelorus::control
