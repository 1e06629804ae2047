#include "soak_reader.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

#include "kitesim/card.h"

namespace soak {
namespace {

// Points the library's port at the transport and returns the port number to open.
std::int32_t attach(kitesim::Emulator& emulator, Transport transport, const WorkDirectory& work) {
  switch (transport) {
    case Transport::pty:
      ::setenv("PELORUS32_COM1", emulator.start_pty().c_str(), 1);
      return QX_PORT_COM1;
    case Transport::rfc2217: {
      const std::string url = "rfc2217://127.0.0.1:" + std::to_string(emulator.start_rfc2217());
      ::setenv("PELORUS32_COM1", url.c_str(), 1);
      return QX_PORT_COM1;
    }
    case Transport::keyboard: {
      const auto socket = work.path() / "keyboard.sock";
      emulator.start_keyboard_socket(socket);
      ::setenv("PELORUS32_KEYBOARD", socket.c_str(), 1);
      return QX_PORT_KEYBOARD;
    }
  }
  throw std::logic_error("unknown transport");
}

}  // namespace

WorkDirectory::WorkDirectory() {
  std::string name = (std::filesystem::temp_directory_path() / "pelorus-soak-XXXXXX").string();
  if (::mkdtemp(name.data()) == nullptr) throw std::system_error(errno, std::generic_category(), "mkdtemp");
  path_ = name;
}

WorkDirectory::~WorkDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

SoakReader::SoakReader(Transport transport, const WorkDirectory& work)
    : emulator_({.model = kitesim::Model::KITEB, .rate = kLineRate}), memory_file_(work.path() / "iic.bin") {
  write_memory_image(memory_file_);
  const std::int32_t port = attach(emulator_, transport, work);
  handle_ = QX_Open(QX_READER_KITEB_115200, port);
  if (handle_ < 0) {
    throw std::runtime_error(std::string("QX_Open over ") + name_of(transport) + " failed: " +
                             std::to_string(handle_));
  }
}

SoakReader::~SoakReader() {
  if (handle_ >= 0) QX_Close(handle_);
}

std::int32_t SoakReader::start_session(CardKind kind, std::chrono::milliseconds quiet) {
  emulator_.clear_faults();
  std::this_thread::sleep_for(quiet);
  const bool mcu = kind == CardKind::mcu;
  emulator_.insert(mcu ? kitesim::make_card("mcu-t0") : kitesim::make_card("iic-2k", {.memory_file = memory_file_}));
  QX_SESSION session{};
  session.CardType = mcu ? QX_CARD_MCU_T0 : QX_CARD_IIC;
  return QX_StartSession(handle_, &session);
}

}  // namespace soak
