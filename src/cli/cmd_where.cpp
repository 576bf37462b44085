// tabrin-cli where
// Prints the program folder of this run on the first line (for scripts) and
// why it is that one on the second, so that a user of an installed copy
// finds the Config.ini, SETUP.ini, Database.ini and Database.mdb it uses.
#include <CLI/CLI.hpp>

#include <ostream>

#include "cli/cli.h"
#include "config/program_folder.h"

namespace tabrin::cli {

void AddWhereCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("where", "Show the program folder in use and why it is that one");
  context.AddAction(sub, [&context] {
    const TProgramFolderChoice choice = ProgramFolderChoice();
    context.streams.out << choice.folder << "\n" << choice.why << "\n";
    return 0;
  });
}

}  // namespace tabrin::cli
