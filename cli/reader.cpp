#include "reader.h"

#include <CLI/CLI.hpp>
#include <map>
#include <strings.h>

#include "card_types.h"
#include "failure.h"

namespace pelorus {
namespace {

const std::map<std::string, std::int32_t> kPorts = {
    {"COM1", QX_PORT_COM1}, {"COM2", QX_PORT_COM2}, {"KEYBOARD", QX_PORT_KEYBOARD}};
const std::map<std::string, std::int32_t> kReaders = {
    {"auto", QX_READER_AUTODETECT},         {"KITEA", QX_READER_KITEA},
    {"KITEB_9600", QX_READER_KITEB_9600},   {"KITEB_19200", QX_READER_KITEB_19200},
    {"KITEB_57600", QX_READER_KITEB_57600}, {"KITEB_115200", QX_READER_KITEB_115200}};

std::int32_t lookup(const std::map<std::string, std::int32_t>& names, const std::string& name) {
  for (const auto& [key, value] : names)
    if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  throw Failure(kExitUsage, "unknown name " + name);
}

}  // namespace

void add_reader_options(CLI::App& command, ReaderChoice& choice) {
  command.add_option("--port", choice.port, "COM1, COM2 or KEYBOARD, found through the port map (PELORUS32_COM1 ...)")
      ->check(CLI::IsMember(kPorts, CLI::ignore_case))
      ->capture_default_str();
  command.add_option("--reader", choice.reader, "auto, KITEA, KITEB_9600, KITEB_19200, KITEB_57600 or KITEB_115200")
      ->check(CLI::IsMember(kReaders, CLI::ignore_case))
      ->capture_default_str();
}

Reader::Reader(const ReaderChoice& choice) {
  handle_ = QX_Open(lookup(kReaders, choice.reader), lookup(kPorts, choice.port));
  if (handle_ < 0) throw library_failure("opening the reader on " + choice.port, handle_);
}

Reader::~Reader() { QX_Close(handle_); }

QX_INFO Reader::info() const {
  QX_INFO info{};
  const std::int32_t result = QX_GetInfo(handle_, &info);
  if (result != 0) throw library_failure("reading the reader's information", result);
  return info;
}

Session::Session(const Reader& reader, std::uint8_t card_type, std::uint8_t module_byte)
    : reader_(reader), requested_(card_type), module_byte_(module_byte) {
  start();
}

Session::~Session() { QX_EndSession(reader_.handle()); }

void Session::start() {
  record_ = {};
  record_.CardType = requested_;
  record_.SCModule = module_byte_;
  const std::int32_t result = QX_StartSession(reader_.handle(), &record_);
  if (result != 0) throw library_failure("starting a session with card type " + card_type_name(requested_), result);
}

void Session::restart() {
  QX_EndSession(reader_.handle());
  start();
}

std::int32_t Session::exchange(QX_APDU& apdu) const { return QX_ExchangeAPDU(reader_.handle(), &apdu); }

}  // namespace pelorus
