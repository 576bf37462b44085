#include <CLI/CLI.hpp>

#include "cli/cli.h"

namespace tabrin::cli {

// One line per verb; each Add...Command is defined in its own cmd_*.cpp.
void RegisterCommands(CLI::App& app, CommandContext& context) {
  (void)app;
  (void)context;
}

}  // namespace tabrin::cli
