#include "device_name.h"

#include <array>

#include "pelorus32.h"

namespace pelorus::pcsc {
namespace {

struct ReaderTypeName {
  std::string_view name;
  uint8_t type;
};

constexpr std::array kReaderTypeNames{
    ReaderTypeName{"KITEA", QX_READER_KITEA},
    ReaderTypeName{"KITEB_57600", QX_READER_KITEB_57600},
    ReaderTypeName{"KITEB_19200", QX_READER_KITEB_19200},
    ReaderTypeName{"KITEB_115200", QX_READER_KITEB_115200},
    ReaderTypeName{"KITEB_9600", QX_READER_KITEB_9600},
    ReaderTypeName{"AUTO", QX_READER_AUTODETECT},
};

std::optional<uint8_t> reader_type_named(std::string_view name) {
  for (const auto& entry : kReaderTypeNames) {
    if (entry.name == name) return entry.type;
  }
  return std::nullopt;
}

bool looks_like_a_type_name(std::string_view text) {
  return text.starts_with("KITE") || text == "AUTO";
}

}  // namespace

std::optional<DeviceName> parse_device_name(std::string_view text) {
  DeviceName name{std::string(text), QX_READER_AUTODETECT};
  // The suffix is whatever follows the last colon; a network port's own ":port" is all digits
  // and is left alone.
  if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
    const std::string_view suffix = text.substr(colon + 1);
    if (const auto type = reader_type_named(suffix)) {
      name.device = std::string(text.substr(0, colon));
      name.reader_type = *type;
    } else if (looks_like_a_type_name(suffix)) {
      return std::nullopt;
    }
  }
  if (name.device.empty()) return std::nullopt;
  return name;
}

}  // namespace pelorus::pcsc
