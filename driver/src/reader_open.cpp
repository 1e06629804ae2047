#include "reader_open.h"

#include <algorithm>
#include <cstring>

#include "command.h"
#include "command_codes.h"
#include "keyboard_link.h"
#include "library.h"
#include "line.h"
#include "port_map.h"
#include "reader_rates.h"
#include "reply.h"
#include "serial_link.h"
#include "timing.h"
#include "trace.h"

namespace pelorus {
namespace {

int32_t open_serial(PortState& port) {
  port.baud_rate = initial_rate(port.reader_type);
  const auto device = port.device.empty() ? resolve_port(port.number) : std::optional<std::string>(port.device);
  auto line = open_line(*device, port.baud_rate);
  if (!line) {
    trace::format("Port %d (%s) could not be opened\n", port.number, device->c_str());
    return QX_ERR_TIMEOUT;
  }
  trace::text("Step 1");
  trace::text("Step 3");
  auto serial = std::make_unique<SerialLink>(port, std::move(line));

  timing::sleep(timing::kListenerSettle);
  if (!serial->start_listener()) return QX_ERR_NO_THREAD;
  if (port.reader_type == QX_READER_AUTODETECT) serial->reset_and_detect();

  if (!serial->probe_presence()) {
    trace::format("No reader answers on %s\n", device->c_str());
    return QX_ERR_TIMEOUT;
  }
  trace::text("Reader do exist!!\n");
  port.link = std::move(serial);
  return 0;
}

int32_t open_keyboard(PortState& port) {
  const auto path = resolve_port(port.number);
  if (!path) {
    trace::text("keyboard port: PELORUS32_KEYBOARD is not set\n");
    return QX_ERR_NO_KEYBOARD_PORT;
  }
  auto keyboard = KeyboardLink::open(*path);
  if (!keyboard) return QX_ERR_NO_KEYBOARD_PORT;

  Reply reply;
  const int32_t result = keyboard->exchange(Command(command_code::kReadInformation).bytes(), reply);
  if (result < 0) return result;
  port.link = std::move(keyboard);
  return result;
}

// Takes one handle's reference off the port; the last one closes it.
void release_port(PortState& port) {
  if (--port.open_count > 0) return;
  port.link.reset();
  port.in_use = 0;
  port.callback = nullptr;
}

}  // namespace

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

int32_t close_reader(const HandleCall& call) {
  call.slot.port = -1;
  release_port(call.port);
  return 0;
}

int32_t change_rate(const HandleCall& call, int32_t bits_per_second) {
  Reply reply;
  if (call.send(Command(command_code::kReadInformation), reply) != 0 || reply.status_word() != 0x9000) return -1;
  static constexpr char kNoRateChange[] = "KITEBT0220";
  const auto data = reply.data();
  if (data.size() >= 10 && std::memcmp(data.data(), kNoRateChange, 10) == 0) return -1;

  const bool kitea = call.port.reader_type == QX_READER_KITEA;
  if (bits_per_second == 0) bits_per_second = top_rate(kitea);
  const auto code = rate_change_code(kitea, bits_per_second);
  if (!code) return -1;

  if (call.send(Command(command_code::kSetOption, {0x00, *code}), reply) != 0 || reply.status_word() != 0x9000) return -1;
  if (call.port.link->set_rate(bits_per_second)) call.port.baud_rate = bits_per_second;
  return 0;
}

}  // namespace pelorus
