#include "reader_info.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "command.h"
#include "command_codes.h"
#include "library.h"
#include "link.h"
#include "reader_open.h"
#include "reply.h"
#include "status_check.h"

namespace pelorus {
namespace {

using namespace command_code;

constexpr size_t kInformationSize = 16;
constexpr uint16_t kUnknownCommand = 0x6005;

// The rates of option 1, by rate code 1 to 7.
constexpr std::array<int32_t, 7> kOptionRates = {9600, 14400, 19200, 28800, 38400, 57600, 115200};

// Reads the information block into reply: 0, or a transfer, status or short-reply error.
int32_t read_information(const HandleCall& call, Reply& reply) {
  if (const int32_t result = call.send_checked(Command(kReadInformation), reply); result != 0) return result;
  return reply.length_matches() && reply.data().size() >= kInformationSize ? 0 : QX_ERR_BAD_FRAME;
}

int32_t enable_option(const HandleCall& call) {
  Reply reply;
  if (call.send(Command(kEnableOption, {0x01}), reply) != 0 && call.send(Command(kEnableFallback), reply) != 0) {
    return QX_ERR_OPTION_FAILED;
  }
  return reply.status_word() == 0x9000 ? 0 : QX_ERR_OPTION_FAILED;
}

int32_t disable_option(const HandleCall& call) {
  Reply reply;
  if (call.send(Command(kEnableOption, {0x00}), reply) != 0 || reply.status_word() != 0x9000) {
    return QX_ERR_OPTION_FAILED;
  }
  const auto data = reply.data();
  return !data.empty() && (data[0] & 0x01) ? 0 : QX_ERR_OPTION_FAILED;
}

// Option 4: a COM port by number (0 or 1, open or not), else the handle's own port.
int32_t detect_on(const HandleCall& call, uint32_t value) {
  PortState& port = value <= 1 ? *call.lib.port(static_cast<int>(value)) : call.port;
  if (port.link) port.link->reset_and_detect();
  return 0;
}

int32_t read_option_bytes(const HandleCall& call, uint8_t* buffer, int32_t length) {
  if (length < 0 || length > 4) return QX_ERR_BAD_OPTION_VALUE;
  if (buffer == nullptr && length > 0) return QX_ERR_NULL_RECORD;
  const auto count = static_cast<size_t>(length);
  Reply reply;
  if (call.send(Command(kReadOptionBytes, {static_cast<uint8_t>(length)}), reply) != 0) return QX_ERR_OPTION_FAILED;

  const uint16_t status = reply.status_word();
  if (status == 0x9000) {
    const auto data = reply.data();
    if (data.size() < count) return QX_ERR_OPTION_FAILED;
    std::copy_n(data.begin(), count, buffer);
    return 0;
  }
  if (status != kUnknownCommand) return status_check(call.lib, reply);

  // A reader without option bytes: give the two card-type mask bytes of its information block.
  if (const int32_t result = read_information(call, reply); result != 0) return result;
  const auto data = reply.data();
  std::fill_n(buffer, count, 0);
  if (count >= 1) buffer[0] = data[12];
  if (count >= 2) buffer[1] = data[13];
  return 0;
}

}  // namespace

int32_t get_info(const HandleCall& call, QX_INFO* info) {
  if (info == nullptr) return QX_ERR_NULL_RECORD;
  Reply reply;
  if (const int32_t result = read_information(call, reply); result != 0) return result;

  const auto data = reply.data();
  info->MaxC = data[10];
  info->MaxR = data[11];
  info->CardTypeMask = data[12] << 8 | data[13];
  info->CardStatus = data[15];
  info->CurrentCardType = data[14];
  std::memcpy(info->FWRevision, data.data(), sizeof info->FWRevision);
  info->LibraryVersion = 501;
  info->BaudRate = call.port.baud_rate;
  return 0;
}

int32_t set_options(const HandleCall& call, uint32_t option, uint32_t value) {
  Reply reply;
  switch (option) {
    case QX_OPT_BAUD_RATE:
      if (value < 1 || value > kOptionRates.size()) return QX_ERR_BAD_OPTION_VALUE;
      return change_rate(call, kOptionRates[value - 1]);
    case QX_OPT_READER:
      return call.send_checked(Command(kSetOption, {static_cast<uint8_t>(value)}), reply);
    case QX_OPT_TOP_RATE:
      if (call.send(Command(kSetOption, {0x00}), reply) != 0) return QX_ERR_OPTION_FAILED;
      return change_rate(call, 0) == 0 ? 0 : QX_ERR_OPTION_FAILED;
    case QX_OPT_DETECT:
      return detect_on(call, value);
    case QX_OPT_ENABLE:
      return enable_option(call);
    case QX_OPT_DISABLE:
      return disable_option(call);
    case QX_OPT_MODE:
      return call.send_checked(Command(kModeOption, {static_cast<uint8_t>(value == 1 ? 0x01 : 0x02)}), reply);
    default:
      return QX_ERR_OPTION_FAILED;
  }
}

int32_t options(const HandleCall& call, int32_t option, int32_t value, uint8_t* buffer, int32_t length) {
  if (option != QX_OPT_READ_BYTES) return set_options(call, static_cast<uint32_t>(option), static_cast<uint32_t>(value));
  return read_option_bytes(call, buffer, length);
}

}  // namespace pelorus
