#include "status_check.h"

#include <array>
#include <utility>

#include "library.h"
#include "reply.h"

namespace pelorus {
namespace {

constexpr std::array<std::pair<uint16_t, int32_t>, 16> kStatusResults = {{
    {0x6001, QX_ERR_NO_SESSION},
    {0x6002, QX_ERR_STATUS_6002},
    {0x6003, QX_ERR_BAD_CARD_TYPE},
    {0x6004, QX_ERR_STATUS_6004},
    {0x6005, QX_ERR_NOT_SUPPORTED},
    {0x6020, QX_ERR_LM221_SETUP},
    {0x6022, QX_ERR_STATUS_6022},
    {0x6030, QX_ERR_NO_DATA},
    {0x6032, QX_ERR_STATUS_6032},
    {0x6201, QX_ERR_NO_PASSWORD},
    {0x6701, QX_ERR_STATUS_6701},
    {0x6702, QX_ERR_STATUS_6702},
    {0x6703, QX_ERR_COMMAND_TOO_LONG},
    {0x6704, QX_ERR_STATUS_6704},
    {0x6705, QX_ERR_STATUS_6705},
    {0x6706, QX_ERR_STATUS_6706},
}};

}  // namespace

int32_t result_of_status(uint16_t status_word) {
  if ((status_word >> 8) == 0x90) return 0;
  for (const auto& [word, result] : kStatusResults) {
    if (word == status_word) return result;
  }
  return QX_ERR_STATUS_OTHER;
}

int32_t status_check(Library& lib, const Reply& reply) {
  lib.last_status_word = reply.status_word();
  return result_of_status(lib.last_status_word);
}

}  // namespace pelorus
