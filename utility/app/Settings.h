// The main window's per-user settings: organisation "Tolvik", application "Kestrel", group
// "2.0/Main", written at exit and read at start. The integers come all or not at all: one that is
// missing or not an integer makes the read give every default instead, the texts included.
//
// "MainFrm_Top" and "MainFrm_Left" are the top left corner of the window's own area, without the
// frame a window manager draws round it: that is the position a window manager gives back
// exactly, so that the window opens where it was left. The window's size is kept beside them, in
// "MainFrm_Width" and "MainFrm_Height"; these two may be missing (the design size is taken then).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kestrel {

// The thirteen texts of the Submit Keys dialog, by the names they are stored under, in order.
inline constexpr std::array<const char*, 13> kKeyNames = {"IC", "PIN", "Kc",  "Kt",  "AC1", "AC2", "AC3",
                                                           "AC4", "AC5", "Kd", "Kcr", "Kcf", "Krd"};

struct MainSettings {
  static constexpr char kDefaultKey[] = "58203716";

  int32_t port_index = 0;
  int32_t reader_type_index = 5;  // "Auto detect"
  int32_t card_type = 0;
  int32_t top = 100;
  int32_t left = 200;
  std::optional<int32_t> width;   // none: the window's design size
  std::optional<int32_t> height;
  std::array<QString, kKeyNames.size()> keys = default_keys();

  static std::array<QString, kKeyNames.size()> default_keys() {
    std::array<QString, kKeyNames.size()> keys;
    keys.fill(QString::fromLatin1(kDefaultKey));
    return keys;
  }
};

// Nothing when the settings cannot be read at all (the caller keeps what it has).
std::optional<MainSettings> load_main_settings();
// false when the settings could not be written.
bool save_main_settings(const MainSettings& settings);

}  // namespace kestrel
