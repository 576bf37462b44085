#include <CLI/CLI.hpp>

#include "cli/cli.h"

namespace tabrin::cli {

void AddExportCommand(CLI::App& app, CommandContext& context);
void AddPreviewCommand(CLI::App& app, CommandContext& context);
void AddImportCommand(CLI::App& app, CommandContext& context);
void AddSettingsCommand(CLI::App& app, CommandContext& context);
void AddInitDbCommand(CLI::App& app, CommandContext& context);
void AddConnectCommand(CLI::App& app, CommandContext& context);
void AddWhereCommand(CLI::App& app, CommandContext& context);
void AddHistoryCommand(CLI::App& app, CommandContext& context);
void AddUndoCommand(CLI::App& app, CommandContext& context);
void AddMappingsCommand(CLI::App& app, CommandContext& context);
void AddTemplateCommand(CLI::App& app, CommandContext& context);

// One line per verb; each Add...Command is defined in its own cmd_*.cpp.
void RegisterCommands(CLI::App& app, CommandContext& context) {
  AddExportCommand(app, context);
  AddPreviewCommand(app, context);
  AddImportCommand(app, context);
  AddSettingsCommand(app, context);
  AddInitDbCommand(app, context);
  AddConnectCommand(app, context);
  AddWhereCommand(app, context);
  AddHistoryCommand(app, context);
  AddUndoCommand(app, context);
  AddMappingsCommand(app, context);
  AddTemplateCommand(app, context);
}

}  // namespace tabrin::cli
