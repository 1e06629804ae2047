#include "Settings.h"

#include <QSettings>

namespace kestrel {
namespace {

constexpr char kOrganisation[] = "Tolvik";
constexpr char kApplication[] = "Kestrel";
constexpr char kGroup[] = "2.0/Main";
constexpr char kWidth[] = "MainFrm_Width";
constexpr char kHeight[] = "MainFrm_Height";

// An integer as stored: a number, or (where the store keeps only text) the text of one.
std::optional<int32_t> integer_value(const QSettings& settings, const char* name) {
  const QVariant value = settings.value(QLatin1String(name));
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
      bool ok = false;
      const int32_t number = value.toInt(&ok);
      return ok ? std::optional(number) : std::nullopt;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
      bool ok = false;
      const int32_t number = value.toString().toInt(&ok, 10);
      return ok ? std::optional(number) : std::nullopt;
    }
    default: return std::nullopt;
  }
}

// The integers, in the order they are stored.
struct IntegerSetting {
  const char* name;
  int32_t MainSettings::*field;
};
constexpr std::array<IntegerSetting, 5> kIntegers = {{
    {"Port", &MainSettings::port_index},
    {"ReaderType", &MainSettings::reader_type_index},
    {"CardType", &MainSettings::card_type},
    {"MainFrm_Top", &MainSettings::top},
    {"MainFrm_Left", &MainSettings::left},
}};

}  // namespace

std::optional<MainSettings> load_main_settings() {
  QSettings settings{QLatin1String(kOrganisation), QLatin1String(kApplication)};
  if (settings.status() != QSettings::NoError) return std::nullopt;
  settings.beginGroup(QLatin1String(kGroup));
  MainSettings loaded;
  for (const IntegerSetting& integer : kIntegers) {
    const std::optional<int32_t> value = integer_value(settings, integer.name);
    if (!value) return MainSettings{};
    loaded.*integer.field = *value;
  }
  for (size_t i = 0; i < kKeyNames.size(); ++i) loaded.keys[i] = settings.value(QLatin1String(kKeyNames[i])).toString();
  loaded.width = integer_value(settings, kWidth);
  loaded.height = integer_value(settings, kHeight);
  return loaded;
}

bool save_main_settings(const MainSettings& saved) {
  QSettings settings{QLatin1String(kOrganisation), QLatin1String(kApplication)};
  settings.beginGroup(QLatin1String(kGroup));
  for (const IntegerSetting& integer : kIntegers) settings.setValue(QLatin1String(integer.name), saved.*integer.field);
  for (size_t i = 0; i < kKeyNames.size(); ++i) settings.setValue(QLatin1String(kKeyNames[i]), saved.keys[i]);
  if (saved.width) settings.setValue(QLatin1String(kWidth), *saved.width);
  if (saved.height) settings.setValue(QLatin1String(kHeight), *saved.height);
  settings.endGroup();
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace kestrel
