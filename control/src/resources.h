// The module's texts: the type names, the captions and the version of the module.
#pragma once

namespace pelorus::control::resources {

inline constexpr const char* kControlTypeName = "Pelorus Control";              // string 1
inline constexpr const char* kPropPageTypeName = "Pelorus Property Page";       // string 2
inline constexpr const char* kPropPageCaption = "General";                      // string 200
inline constexpr const char* kControlProgId = "Pelorus.PelorusCtrl.1";
inline constexpr const char* kPropPageProgId = "Pelorus.PelorusPropPage.1";

inline constexpr const char* kFileVersion = "1.0.0.1";
inline constexpr const char* kFileDescription = "Pelorus ActiveX Control Module";

// The toolbox picture is bitmap 1, the control's picture.
inline constexpr int kToolboxBitmap = 1;

}  // namespace pelorus::control::resources
