// pelorus apdu: APDUs from the command line, each answer with its ISO 7816 meaning.
#include <CLI/CLI.hpp>
#include <iostream>

#include "card_option.h"
#include "command_apdu.h"
#include "commands.h"
#include "exchange_print.h"
#include "failure.h"
#include "reader.h"

namespace pelorus {
namespace {

struct ApduOptions {
  ReaderChoice reader;
  std::string card = "auto";
  std::vector<std::string> apdus;
};

void run(const ApduOptions& options) {
  const std::uint8_t type = card_option_value(options.card, false);
  // Every APDU is checked before the first goes out.
  std::vector<Bytes> commands;
  for (const std::string& text : options.apdus) {
    auto bytes = parse_hex(text);
    if (!bytes) throw Failure(kExitUsage, "not hex bytes: " + text);
    const auto split = split_apdu(*bytes);
    if (const auto* why = std::get_if<std::string>(&split)) throw Failure(kExitUsage, text + ": " + *why);
    commands.push_back(std::move(*bytes));
  }
  const Reader reader(options.reader);
  const Session session(reader, type);
  for (const Bytes& command : commands) exchange_and_print(session, command, std::cout);
}

}  // namespace

void add_apdu_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "apdu", "Send APDUs to the card and print the response data and SW1 SW2 with their meaning");
  auto options = std::make_shared<ApduOptions>();
  add_reader_options(*command, options->reader);
  command->add_option("--card", options->card, "auto, T0, T1 or SAM")->capture_default_str();
  command->add_option("HEX", options->apdus, "CLA INS P1 P2 [Lc data] [Le], as 00A4040002 3F00 or \"00 A4 04 00 02 3F 00\"")
      ->required();
  command->callback([options, &status] {
    run(*options);
    status = 0;
  });
}

}  // namespace pelorus
