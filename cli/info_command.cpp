// pelorus info: the reader's information block, readable.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstring>
#include <iomanip>
#include <iostream>

#include "card_types.h"
#include "commands.h"
#include "hex.h"
#include "reader.h"

namespace pelorus {
namespace {

std::string firmware_text(const QX_INFO& info) {
  std::string text(info.FWRevision, strnlen(info.FWRevision, sizeof info.FWRevision));
  for (char& c : text)
    if (!std::isprint(static_cast<unsigned char>(c))) c = '.';
  return text;
}

// The card types whose reader byte has its bit in the mask (bit n: byte n + 1).
std::string supported_types(std::int32_t mask) {
  std::string text;
  for (const CardTypeName& type : card_type_names()) {
    const bool supported = type.reader_byte >= 1 && type.reader_byte <= 16 && (mask & (1 << (type.reader_byte - 1)));
    if (supported) text += (text.empty() ? "" : " ") + std::string(type.name);
  }
  return text.empty() ? "none" : text;
}

std::string card_status(std::uint8_t status) {
  if (!(status & 1)) return "no card";
  return (status & 2) ? "inserted, powered up" : "inserted, not powered";
}

void run(const ReaderChoice& choice) {
  const Reader reader(choice);
  const QX_INFO info = reader.info();
  std::cout << "Firmware:           " << firmware_text(info) << '\n'
            << "Line rate:          " << info.BaudRate << " bit/s\n"
            << "Card:               " << card_status(info.CardStatus) << '\n'
            << "Selected card type: " << hex_number(info.CurrentCardType, 2) << " (reader byte)\n"
            << "Command data:       up to " << info.MaxC << " bytes\n"
            << "Response data:      up to " << info.MaxR << " bytes\n"
            << "Card type mask:     " << hex_number(static_cast<std::uint32_t>(info.CardTypeMask) & 0xFFFF, 4) << ": "
            << supported_types(info.CardTypeMask) << '\n'
            << "Library version:    " << info.LibraryVersion / 100 << '.' << std::setw(2) << std::setfill('0')
            << info.LibraryVersion % 100 << '\n';
}

}  // namespace

void add_info_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("info", "Print the reader's information block, card status and line rate");
  auto choice = std::make_shared<ReaderChoice>();
  add_reader_options(*command, *choice);
  command->callback([choice, &status] {
    run(*choice);
    status = 0;
  });
}

}  // namespace pelorus
