// pelorus: the reader from the command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"
#include "exit_codes.h"
#include "failure.h"

int main(int argc, char** argv) {
  CLI::App app{"pelorus: the KITEA and KITEB smart-card readers from the command line"};
  app.footer(std::string("Ports are found through the port map: PELORUS32_COM1, PELORUS32_COM2, PELORUS32_KEYBOARD, "
                         "~/.config/pelorus32/ports.conf, /etc/pelorus32/ports.conf.\n\n") +
             pelorus::kExitCodesHelp);
  app.require_subcommand(1);
  int status = pelorus::kExitOk;
  pelorus::add_info_command(app, status);
  pelorus::add_atr_command(app, status);
  pelorus::add_apdu_command(app, status);
  pelorus::add_script_command(app, status);
  pelorus::add_watch_command(app, status);
  pelorus::add_dump_command(app, status);
  pelorus::add_restore_command(app, status);
  pelorus::add_diff_command(app, status);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? pelorus::kExitOk : pelorus::kExitUsage;
  } catch (const pelorus::Failure& failure) {
    std::cerr << "pelorus: " << failure.what() << '\n';
    return failure.exit_code();
  }
  return status;
}
