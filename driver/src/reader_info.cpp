#include "reader_info.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "command.h"
#include "exchange.h"
#include "library.h"
#include "reader_open.h"
#include "status_check.h"

namespace pelorus {
namespace {

constexpr uint8_t kReadInformation = 0x01;
constexpr uint8_t kSetOption = 0x03;
constexpr uint8_t kModeOption = 0x06;
constexpr uint8_t kEnableOption = 0x07;
constexpr uint8_t kReadOptionBytes = 0x08;
constexpr uint8_t kEnableFallback = 0x8A;
constexpr size_t kInformationSize = 16;
constexpr uint16_t kUnknownCommand = 0x6005;

// The rates of option 1, by rate code 1 to 7.
constexpr std::array<int32_t, 7> kOptionRates = {9600, 14400, 19200, 28800, 38400, 57600, 115200};

int32_t send(PortState& port, uint8_t code, std::initializer_list<uint8_t> data, Reply& reply) {
  Command command(code);
  for (uint8_t b : data) command.add(b);
  return exchange(port, command.bytes(), reply);
}

int32_t send_checked(Library& lib, PortState& port, uint8_t code, std::initializer_list<uint8_t> data) {
  if (const int32_t sent = send(port, code, data, lib.reply); sent != 0) return sent;
  return status_check(lib, lib.reply);
}

// Reads the information block into lib.reply: 0, or a transfer, status or short-reply error.
int32_t read_information(Library& lib, PortState& port) {
  if (const int32_t result = send_checked(lib, port, kReadInformation, {}); result != 0) return result;
  return lib.reply.data_complete() && lib.reply.data().size() >= kInformationSize ? 0 : QX_ERR_BAD_FRAME;
}

int32_t enable_option(Library& lib, PortState& port) {
  if (send(port, kEnableOption, {0x01}, lib.reply) != 0 && send(port, kEnableFallback, {}, lib.reply) != 0) {
    return QX_ERR_OPTION_FAILED;
  }
  return lib.reply.status_word() == 0x9000 ? 0 : QX_ERR_OPTION_FAILED;
}

int32_t disable_option(Library& lib, PortState& port) {
  if (send(port, kEnableOption, {0x00}, lib.reply) != 0 || lib.reply.status_word() != 0x9000) {
    return QX_ERR_OPTION_FAILED;
  }
  const auto data = lib.reply.data();
  return !data.empty() && (data[0] & 0x01) ? 0 : QX_ERR_OPTION_FAILED;
}

int32_t detect_on(Library& lib, PortState& handle_port, uint32_t value) {
  PortState& port = value <= 1 ? *lib.port(static_cast<int>(value)) : handle_port;
  reset_and_detect(port);
  return 0;
}

int32_t read_option_bytes(Library& lib, PortState& port, uint8_t* buffer, int32_t length) {
  if (length < 0 || length > 4) return QX_ERR_BAD_OPTION_VALUE;
  if (buffer == nullptr && length > 0) return QX_ERR_NULL_RECORD;
  const auto count = static_cast<size_t>(length);
  if (send(port, kReadOptionBytes, {static_cast<uint8_t>(length)}, lib.reply) != 0) return QX_ERR_OPTION_FAILED;

  const uint16_t status = lib.reply.status_word();
  if (status == 0x9000) {
    const auto data = lib.reply.data();
    if (data.size() < count) return QX_ERR_OPTION_FAILED;
    std::copy_n(data.begin(), count, buffer);
    return 0;
  }
  if (status != kUnknownCommand) return status_check(lib, lib.reply);

  // A reader without option bytes: give the two card-type mask bytes of its information block.
  if (const int32_t result = read_information(lib, port); result != 0) return result;
  const auto data = lib.reply.data();
  std::fill_n(buffer, count, 0);
  if (count >= 1) buffer[0] = data[12];
  if (count >= 2) buffer[1] = data[13];
  return 0;
}

}  // namespace

int32_t get_info(Library& lib, int32_t handle, QX_INFO* info) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  if (info == nullptr) return QX_ERR_NULL_RECORD;
  PortState& port = *lib.port(slot->port);
  if (const int32_t result = read_information(lib, port); result != 0) return result;

  const auto data = lib.reply.data();
  info->MaxC = data[10];
  info->MaxR = data[11];
  info->CardTypeMask = data[12] << 8 | data[13];
  info->CardStatus = data[15];
  info->CurrentCardType = data[14];
  std::memcpy(info->FWRevision, data.data(), sizeof info->FWRevision);
  info->LibraryVersion = 501;
  info->BaudRate = port.baud_rate;
  return 0;
}

int32_t set_options(Library& lib, int32_t handle, uint32_t option, uint32_t value) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  PortState& port = *lib.port(slot->port);
  const auto low_byte = static_cast<uint8_t>(value);

  switch (option) {
    case QX_OPT_BAUD_RATE:
      if (value < 1 || value > kOptionRates.size()) return QX_ERR_BAD_OPTION_VALUE;
      return change_rate(port, kOptionRates[value - 1]);
    case QX_OPT_READER:
      return send_checked(lib, port, kSetOption, {low_byte});
    case QX_OPT_TOP_RATE:
      if (send(port, kSetOption, {0x00}, lib.reply) != 0) return QX_ERR_OPTION_FAILED;
      return change_rate(port, 0) == 0 ? 0 : QX_ERR_OPTION_FAILED;
    case QX_OPT_DETECT:
      return detect_on(lib, port, value);
    case QX_OPT_ENABLE:
      return enable_option(lib, port);
    case QX_OPT_DISABLE:
      return disable_option(lib, port);
    case QX_OPT_MODE:
      return send_checked(lib, port, kModeOption, {static_cast<uint8_t>(value == 1 ? 0x01 : 0x02)});
    default:
      return QX_ERR_OPTION_FAILED;
  }
}

int32_t options(Library& lib, int32_t handle, int32_t option, int32_t value, uint8_t* buffer, int32_t length) {
  if (option != QX_OPT_READ_BYTES) {
    return set_options(lib, handle, static_cast<uint32_t>(option), static_cast<uint32_t>(value));
  }
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  return read_option_bytes(lib, *lib.port(slot->port), buffer, length);
}

}  // namespace pelorus
