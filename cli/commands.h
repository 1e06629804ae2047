// The subcommands. Each adds itself to the program's command line; its callback runs the
// command and leaves the exit status in `status` (Failure is thrown for the rest).
#pragma once

namespace CLI {
class App;
}

namespace pelorus {

void add_info_command(CLI::App& app, int& status);
void add_atr_command(CLI::App& app, int& status);
void add_apdu_command(CLI::App& app, int& status);
void add_script_command(CLI::App& app, int& status);
void add_watch_command(CLI::App& app, int& status);
void add_dump_command(CLI::App& app, int& status);
void add_restore_command(CLI::App& app, int& status);
void add_diff_command(CLI::App& app, int& status);

}  // namespace pelorus
