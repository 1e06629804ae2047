// pelorus atr: the card's answer to reset, explained, and its name from pcsc-tools' list.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "atr.h"
#include "card_option.h"
#include "card_types.h"
#include "commands.h"
#include "reader.h"
#include "smartcard_list.h"

namespace pelorus {
namespace {

struct AtrOptions {
  ReaderChoice reader;
  std::string card = "auto";
  std::string list = kSmartcardListPath;
};

void print_names(std::span<const std::uint8_t> atr, const std::string& list_path) {
  std::ifstream list(list_path);
  if (!list) {
    std::cout << "Card name: " << list_path << " is not installed (Debian package pcsc-tools)\n";
    return;
  }
  const auto names = smartcard_names(list, atr);
  if (names.empty()) std::cout << "Card name: not in " << list_path << '\n';
  for (const std::string& name : names) std::cout << "Card name: " << name << '\n';
}

void run(const AtrOptions& options) {
  const std::uint8_t type = card_option_value(options.card, true);
  const Reader reader(options.reader);
  const Session session(reader, type);
  const QX_SESSION& record = session.record();
  std::cout << "Card type: " << card_type_name(session.card_type()) << '\n';
  if (record.ATRLen == 0) {
    std::cout << "ATR: none (memory cards have no answer to reset)\n";
    return;
  }
  const std::span<const std::uint8_t> bytes(record.ATR, record.ATRLen);
  std::cout << "ATR: " << hex_text(bytes) << '\n';
  if (const auto atr = parse_atr(bytes)) {
    for (const std::string& line : explain_atr(*atr)) std::cout << "  " << line << '\n';
  } else {
    std::cout << "  too short to be an answer to reset\n";
  }
  print_names(bytes, options.list);
}

}  // namespace

void add_atr_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand("atr", "Start a session, print the card's answer to reset (ATR), explain it and name the card");
  auto options = std::make_shared<AtrOptions>();
  add_reader_options(*command, options->reader);
  command->add_option("--card", options->card, "auto, T0, T1, SAM or a memory card type (LM104 ... X76F100)")->capture_default_str();
  command->add_option("--list", options->list, "the list of ATRs and card names")->capture_default_str();
  command->callback([options, &status] {
    run(*options);
    status = 0;
  });
}

}  // namespace pelorus
