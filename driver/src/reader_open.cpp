#include "reader_open.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "command.h"
#include "exchange.h"
#include "keyboard_link.h"
#include "library.h"
#include "line.h"
#include "port_map.h"
#include "serial_link.h"
#include "timing.h"
#include "trace.h"

namespace pelorus {
namespace {

constexpr uint8_t kReadInformation = 0x01;
constexpr uint8_t kSetOption = 0x03;

struct RateCode {
  int32_t rate;
  uint8_t code;
};

// What the reader announces after a reset, and what a rate change asks a KITEB for.
constexpr std::array<RateCode, 7> kKitebRates = {{
    {9600, 0x12}, {14400, 0x03}, {19200, 0x11}, {28800, 0x02}, {38400, 0x10}, {57600, 0x01}, {115200, 0x00},
}};
constexpr std::array<RateCode, 3> kKiteaRates = {{{9600, 0x21}, {19200, 0x20}, {38400, 0x01}}};

// The reader's start-up frame after a reset: FF 00 01 and its rate code.
constexpr std::array<RateCode, 4> kAnnouncedRates = {{{115200, 0x00}, {57600, 0x01}, {19200, 0x11}, {9600, 0x12}}};

template <size_t N>
std::optional<uint8_t> code_of_rate(const std::array<RateCode, N>& table, int32_t rate) {
  for (const auto& entry : table) {
    if (entry.rate == rate) return entry.code;
  }
  return std::nullopt;
}

template <size_t N>
std::optional<int32_t> rate_of_code(const std::array<RateCode, N>& table, uint8_t code) {
  for (const auto& entry : table) {
    if (entry.code == code) return entry.rate;
  }
  return std::nullopt;
}

void close_port(PortState& port) {
  port.serial.reset();
  port.keyboard.reset();
}

// The reader is there when it answers an empty frame with a request to send again.
bool probe_presence(SerialLink& link) {
  link.wait_for_cts_drop();
  trace::text("Step 5.2\n");
  if (!link.send_frame(codec::kPresenceProbe)) return false;
  trace::text("Step 5.3\n");
  Reply answer;
  codec::ReplyKind kind{};
  return link.receive(answer, kind) == 0 && kind == codec::ReplyKind::Resend;
}

int32_t open_serial(PortState& port) {
  port.baud_rate = initial_rate(port.reader_type);
  const auto device = resolve_port(port.number);
  auto line = open_line(*device, port.baud_rate);
  if (!line) {
    trace::format("Port %d (%s) could not be opened\n", port.number, device->c_str());
    return QX_ERR_TIMEOUT;
  }
  trace::text("Step 1");
  trace::text("Step 3");
  port.serial = std::make_unique<SerialLink>(port, std::move(line));

  timing::sleep(timing::kListenerSettle);
  if (!port.serial->start_listener()) {
    close_port(port);
    return QX_ERR_NO_THREAD;
  }
  if (port.reader_type == QX_READER_AUTODETECT) reset_and_detect(port);

  if (!probe_presence(*port.serial)) {
    trace::format("No reader answers on %s\n", device->c_str());
    close_port(port);
    return QX_ERR_TIMEOUT;
  }
  trace::text("Reader do exist!!\n");
  return 0;
}

int32_t open_keyboard(PortState& port) {
  const auto path = resolve_port(port.number);
  if (!path) {
    trace::text("keyboard port: PELORUS32_KEYBOARD is not set\n");
    return QX_ERR_NO_KEYBOARD_PORT;
  }
  port.keyboard = KeyboardLink::open(*path);
  if (!port.keyboard) return QX_ERR_NO_KEYBOARD_PORT;

  Reply reply;
  Command information(kReadInformation);
  const int32_t result = exchange(port, information.bytes(), reply);
  if (result < 0) close_port(port);
  return result;
}

// Takes one handle's reference off the port; the last one closes it.
void release_port(PortState& port) {
  if (--port.open_count > 0) return;
  close_port(port);
  port.in_use = 0;
  port.callback = nullptr;
}

}  // namespace

int32_t initial_rate(uint8_t reader_type) {
  switch (reader_type) {
    case QX_READER_KITEB_57600: return 57600;
    case QX_READER_KITEB_19200: return 19200;
    case QX_READER_KITEB_115200: return 115200;
    default: return 9600;
  }
}

int32_t open_reader(Library& lib, int32_t reader_type, int32_t port_number) {
  if (port_number > 128) return QX_ERR_BAD_PORT_NUMBER;
  PortState* port = lib.port(port_number);
  if (port == nullptr) return QX_ERR_TIMEOUT;

  if (port->in_use) {
    ++port->open_count;
  } else {
    port->reader_type = static_cast<uint8_t>(reader_type);
    const int32_t opened = port_number == kPortKeyboard ? open_keyboard(*port) : open_serial(*port);
    if (opened < 0) return opened;
    port->open_count = 1;
    port->in_use = 1;
    port->callback = nullptr;
  }

  const auto free_slot = std::find_if(lib.handles.begin(), lib.handles.end(), [](const HandleSlot& s) { return s.port < 0; });
  if (free_slot == lib.handles.end()) {
    release_port(*port);
    return QX_ERR_NO_HANDLE;
  }
  free_slot->port = port_number;
  free_slot->card_type = 0;
  return static_cast<int32_t>(free_slot - lib.handles.begin());
}

int32_t close_reader(Library& lib, int32_t handle) {
  HandleSlot* slot = lib.slot(handle);
  if (slot == nullptr) return QX_ERR_BAD_HANDLE;
  PortState& port = *lib.port(slot->port);
  slot->port = -1;
  release_port(port);
  return 0;
}

int32_t reset_and_detect(PortState& port) {
  if (!port.serial) return 0;  // the keyboard port has no line to reset
  SerialLink& link = *port.serial;
  if (port.reader_type == QX_READER_AUTODETECT && port.baud_rate != 9600) link.set_rate(9600);

  link.reset_receive_side();
  link.pulse_dtr();
  link.wait_for_cts_drop();

  int32_t rate = initial_rate(port.reader_type);
  if (port.reader_type == QX_READER_AUTODETECT) {
    Reply startup;
    codec::ReplyKind kind{};
    if (link.receive(startup, kind) != 0) {
      trace::text("No start-up frame: the reader is taken for a KITEA\n");
      port.reader_type = QX_READER_KITEA;
      rate = 9600;
    } else {
      static constexpr uint8_t kStartup[] = {0xFF, 0x00, 0x01};
      if (startup.length < 4 || !std::equal(std::begin(kStartup), std::end(kStartup), startup.bytes.begin())) return -1;
      const auto announced = rate_of_code(kAnnouncedRates, startup.bytes[3]);
      if (!announced) return -1;
      rate = *announced;
    }
  }
  port.baud_rate = rate;
  link.set_rate(rate);
  return 0;
}

int32_t change_rate(PortState& port, int32_t bits_per_second) {
  Reply reply;
  Command information(kReadInformation);
  if (exchange(port, information.bytes(), reply) != 0 || reply.status_word() != 0x9000) return -1;
  static constexpr char kNoRateChange[] = "KITEBT0220";
  const auto data = reply.data();
  if (data.size() >= 10 && std::memcmp(data.data(), kNoRateChange, 10) == 0) return -1;

  const bool kitea = port.reader_type == QX_READER_KITEA;
  if (bits_per_second == 0) bits_per_second = kitea ? 38400 : 115200;
  const auto code = kitea ? code_of_rate(kKiteaRates, bits_per_second) : code_of_rate(kKitebRates, bits_per_second);
  if (!code) return -1;

  Command change(kSetOption);
  change.add(0x00).add(*code);
  if (exchange(port, change.bytes(), reply) != 0 || reply.status_word() != 0x9000) return -1;

  if (port.serial && port.serial->set_rate(bits_per_second)) port.baud_rate = bits_per_second;
  return 0;
}

}  // namespace pelorus
