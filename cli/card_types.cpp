#include "card_types.h"

#include <algorithm>
#include <charconv>
#include <strings.h>

#include "pelorus32.h"

namespace pelorus {
namespace {

constexpr CardTypeName kCardTypes[] = {
    {QX_CARD_AUTODETECT, "AUTO", 0x00}, {QX_CARD_LM104, "LM104", 0x01},     {QX_CARD_LM221, "LM221", 0x01},
    {QX_CARD_SLE4404, "SLE4404", 0x03}, {QX_CARD_GPM896, "GPM896", 0x03},   {QX_CARD_AT101, "AT101", 0x03},
    {QX_CARD_AT102, "AT102", 0x03},     {QX_CARD_LM8KP, "LM8KP", 0x05},     {QX_CARD_LM8KS, "LM8KS", 0x05},
    {QX_CARD_LM2KP, "LM2KP", 0x06},     {QX_CARD_LM2KS, "LM2KS", 0x06},     {QX_CARD_IIC, "IIC", 0x02},
    {QX_CARD_XIIC, "XIIC", 0x07},       {QX_CARD_AT1604, "AT1604", 0x03},   {QX_CARD_MCU_T0, "T0", 0x0C},
    {QX_CARD_MCU_T1, "T1", 0x0D},       {QX_CARD_SC_MODULE, "SAM", -1},     {QX_CARD_LM256, "LM256", 0x08},
    {QX_CARD_LM4KP, "LM4KP", 0x09},     {QX_CARD_X76F041, "X76F041", 0x0A}, {QX_CARD_X24645, "X24645", 0x02},
    {QX_CARD_ST1335, "ST1335", 0x01},   {QX_CARD_ST1333, "ST1333", 0x0B},   {QX_CARD_X76F128, "X76F128", 0x0E},
    {QX_CARD_X76F640, "X76F640", 0x0E}, {QX_CARD_X76F100, "X76F100", 0x10},
};

}  // namespace

std::span<const CardTypeName> card_type_names() { return kCardTypes; }

std::optional<std::uint8_t> card_type_by_name(std::string_view name) {
  for (const CardTypeName& type : kCardTypes) {
    if (name.size() == std::char_traits<char>::length(type.name) && strncasecmp(name.data(), type.name, name.size()) == 0)
      return type.code;
  }
  int code = -1;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (error == std::errc{} && end == name.data() + name.size() && code >= 0 && code <= QX_CARD_LAST)
    return static_cast<std::uint8_t>(code);
  return std::nullopt;
}

std::string card_type_name(std::uint8_t code) {
  if (code > QX_CARD_LAST) return "card type " + std::to_string(code);
  return kCardTypes[code].name;
}

bool is_memory_card(std::uint8_t code) {
  return code != QX_CARD_AUTODETECT && code != QX_CARD_MCU_T0 && code != QX_CARD_MCU_T1 &&
         code != QX_CARD_SC_MODULE && code <= QX_CARD_LAST;
}

}  // namespace pelorus
