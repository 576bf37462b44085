// tabrin-cli export --kind 1|2|3 cls|item|supplier|customer FILE[.xlsx]
// Connects to the database as `connect` does, exports the table through its
// export query with the window's stored settings and prints "匯出完畢".
// Ctrl-C stops it without writing the file (an earlier file stays), says so
// on standard error and exits with 130.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "cli/progress_bar.h"
#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/query.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"

namespace tabrin::cli {

namespace {

struct ExportOptions {
  int kind = 0;
  std::string table;
  std::string file;
};

int RunExport(const ExportOptions& options, CliStreams& streams) {
  const std::optional<TDatabaseKind> kind = DatabaseKindFromCode(std::to_string(options.kind));
  const std::optional<TMasterTable> table = MasterTableFromName(options.table);
  if (!kind || !table) {
    streams.err << "Unknown database kind or table\n";
    return 2;
  }

  TConnection connection("ADOConnection");
  ConnectDatabase(connection, *kind, ProgramFolder());
  TQuery exportQuery(ExportQueryDef(*table), connection);

  TFerran3XLS exporter;
  ApplyHostExportSettings(exporter);
  TCancelFlag cancel;
  TWorkControl control;
  control.cancel = &cancel;
  std::unique_ptr<ProgressBar> bar;
  if (streams.errIsTerminal) {
    bar = std::make_unique<ProgressBar>(streams.err);
    control.progress = [&](const TWorkProgress& progress) { bar->Show(progress); };
  }

  // A relative name means the current folder, as everywhere on a command line.
  const std::string file = std::filesystem::absolute(options.file).string();
  try {
    const InterruptCancels interrupt(cancel);
    RunExportCommand(exporter, exportQuery, file, control);
  } catch (const TWorkCancelled& e) {
    bar.reset();
    streams.err << e.what() << "\n";
    return kInterruptedExitCode;
  }
  bar.reset();
  streams.out << kExportDoneMessage << "\n";
  return 0;
}

}  // namespace

void AddExportCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("export", "Export a table to a new Excel workbook (.xls, or .xlsx when FILE ends in .xlsx)");
  auto options = std::make_shared<ExportOptions>();
  sub->add_option("--kind", options->kind, "Database kind: 1 ORVELLAPOS, 2 KESTAPOS, 3 KESTAPLUS")
      ->required()
      ->check(CLI::IsMember({1, 2, 3}));
  sub->add_option("table", options->table, "Table to export: cls, item, supplier or customer")
      ->required()
      ->check(CLI::IsMember({"cls", "item", "supplier", "customer"}, CLI::ignore_case));
  sub->add_option("file", options->file, "Workbook to write: a name ending in .xlsx writes an Excel 2007+ workbook (up to 1,048,575 records); any other name gets the extension .xls (up to 65,535)")->required();
  context.AddAction(sub, [options, &context] { return RunExport(*options, context.streams); });
}

}  // namespace tabrin::cli
