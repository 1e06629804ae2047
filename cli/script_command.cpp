// pelorus script: a scriptor script against the card, with optional checks of the answers.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "card_option.h"
#include "commands.h"
#include "exchange_print.h"
#include "failure.h"
#include "reader.h"
#include "script.h"

namespace pelorus {
namespace {

struct ScriptOptions {
  ReaderChoice reader;
  std::string card = "auto";
  std::string file;
  bool expect = false;
};

std::vector<ScriptStep> read_script(const std::string& file) {
  if (file == "-") return parse_script(std::cin);
  std::ifstream in(file);
  if (!in) throw Failure(kExitFile, "cannot read " + file);
  return parse_script(in);
}

// Whether the answer is the one expected; a failed check is said on stdout beside the exchange.
bool check(const Expectation& expect, const Bytes& answer) {
  if (answer == expect.answer) return true;
  std::cout << "# expect FAILED (line " << expect.line << "): expected " << hex_text(expect.answer) << ", got "
            << hex_text(answer) << '\n';
  return false;
}

int run(const ScriptOptions& options) {
  const std::uint8_t type = card_option_value(options.card, false);
  const std::vector<ScriptStep> steps = read_script(options.file);
  const Reader reader(options.reader);
  Session session(reader, type);
  std::cout << "Using T=" << (session.card_type() == QX_CARD_MCU_T1 ? 1 : 0) << " protocol\n";
  int checks = 0;
  int failed = 0;
  for (const ScriptStep& step : steps) {
    if (step.kind == ScriptStep::Kind::reset) {
      reset_and_print(session, std::cout);
      continue;
    }
    const Bytes answer = exchange_and_print(session, step.apdu, std::cout);
    if (options.expect && step.expect) {
      ++checks;
      if (!check(*step.expect, answer)) ++failed;
    }
  }
  if (!options.expect) return kExitOk;
  std::cout << "# " << checks - failed << " of " << checks << " checks passed\n";
  return failed ? kExitMismatch : kExitOk;
}

}  // namespace

void add_script_command(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "script",
      "Run an APDU script in the form of pcsc-tools' scriptor (CLA INS P1 P2 Lc data Le lines, reset, # comments)");
  auto options = std::make_shared<ScriptOptions>();
  add_reader_options(*command, options->reader);
  command->add_option("--card", options->card, "auto, T0, T1 or SAM")->capture_default_str();
  command->add_flag("--expect", options->expect,
                    "check each answer against a following \"# expect SW\" or \"# expect DATA SW\" line; exit 1 when "
                    "any check fails");
  command->add_option("FILE", options->file, "the script, or - for standard input")->required();
  command->callback([options, &status] { status = run(*options); });
}

}  // namespace pelorus
