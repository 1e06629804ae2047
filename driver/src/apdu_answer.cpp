#include "apdu_answer.h"

#include <algorithm>

#include "reply.h"
#include "trace.h"

namespace pelorus {
namespace {

constexpr uint8_t kLongLength = 0xFF;  // the next two bytes carry the length, high byte first

}  // namespace

int32_t take_processor_answer(const Reply& reply, QX_APDU& apdu) {
  auto data = reply.payload();
  size_t length = reply.length_byte();
  if (length == kLongLength) {
    if (data.size() < 2) return QX_ERR_BAD_FRAME;
    length = static_cast<size_t>(data[0] << 8 | data[1]);
    data = data.subspan(2);
  }
  if (length == 0) return QX_ERR_NO_DATA;
  // A reply whose length is not what it carries, one byte long (no room for the card's two
  // status bytes) or longer than DataOut holds is not taken for an answer.
  if (length != data.size() || length < 2 || length - 2 > QX_DATA_SIZE) {
    trace::format("Card reply of %zu bytes (%zu received) refused\n", length, data.size());
    return QX_ERR_BAD_FRAME;
  }
  apdu.Status = static_cast<uint16_t>(data[length - 2] << 8 | data[length - 1]);
  apdu.Le = static_cast<int32_t>(length - 2);
  std::copy_n(data.begin(), length - 2, apdu.DataOut);
  return 0;
}

int32_t take_memory_answer(const Reply& reply, QX_APDU& apdu) {
  if (!reply.length_matches()) {
    trace::format("Memory card reply of %u bytes (%zu received) refused\n", reply.length_byte(), reply.payload().size());
    return QX_ERR_BAD_FRAME;
  }
  apdu.Status = reply.status_word();
  apdu.Le = reply.length_byte();
  std::ranges::copy(reply.data(), apdu.DataOut);
  return 0;
}

}  // namespace pelorus
