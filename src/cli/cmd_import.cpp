// tabrin-cli import --kind 1|2|3 cls|item|supplier|customer FILE
// Connects to the database as `connect` does, opens the workbook and the
// tab's sheet query as the tab's Open button does and imports its rows into
// the table with the cover setting of SETUP.ini, then prints "匯入完畢" and
// what was done.  An error stops the import: its message (with the sheet
// row) and the rows stored before it go to standard error, and the exit code
// is 1.  Ctrl-C stops it after the row it is on: what was kept goes to
// standard error and the exit code is 130.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "cli/progress_bar.h"
#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "import/cover_setting.h"
#include "import/import_loop.h"
#include "import/import_tabs.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin::cli {

namespace {

struct ImportCommandOptions {
  int kind = 0;
  std::string table;
  std::string file;
};

std::string CountsLine(const TImportCounts& counts) {
  return FormatMessage("新增 %d 筆，覆蓋 %d 筆，未變更 %d 筆", {counts.appended, counts.overwritten, counts.unchanged});
}

int RunImport(const ImportCommandOptions& options, CliStreams& streams) {
  const std::optional<TDatabaseKind> kind = DatabaseKindFromCode(std::to_string(options.kind));
  const std::optional<TMasterTable> table = MasterTableFromName(options.table);
  if (!kind || !table) {
    streams.err << "Unknown database kind or table\n";
    return 2;
  }

  TImportOptions importOptions;
  importOptions.coverFlag = ReadCoverFlag(ProgramFolder());
  TConnection connection("ADOConnection");
  const TConnectResult connected = ConnectDatabase(connection, *kind, ProgramFolder());

  TCancelFlag cancel;
  TImportCounts counts;
  importOptions.control.cancel = &cancel;
  importOptions.liveCounts = &counts;
  std::unique_ptr<ProgressBar> bar;
  if (streams.errIsTerminal) {
    bar = std::make_unique<ProgressBar>(streams.err);
    importOptions.control.progress = [&](const TWorkProgress& progress) {
      bar->Show(progress, [&] { return CountsLine(counts); });
    };
  }
  const std::string file = std::filesystem::absolute(options.file).string();
  try {
    const InterruptCancels interrupt(cancel);
    counts = ImportWorkbookFile(connection, connected.dbKind, *table, file, importOptions);
    bar.reset();
    streams.out << kImportDoneMessage << "\n" << CountsLine(counts) << "\n";
    return 0;
  } catch (const TImportCancelled& e) {
    bar.reset();
    streams.err << e.what() << "\n" << CountsLine(e.Counts()) << "\n";
    return kInterruptedExitCode;
  } catch (const TImportError& e) {
    bar.reset();
    streams.err << ErrorBoxText(e.what()) << "\n" << CountsLine(e.Counts()) << "\n";
    return 1;
  }
}

}  // namespace

void AddImportCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("import", "Import the rows of a workbook's sheet \"sheet1\" into a table");
  auto options = std::make_shared<ImportCommandOptions>();
  sub->add_option("--kind", options->kind, "Database kind: 1 ORVELLAPOS, 2 KESTAPOS, 3 KESTAPLUS")
      ->required()
      ->check(CLI::IsMember({1, 2, 3}));
  sub->add_option("table", options->table, "Table to import into: cls, item, supplier or customer")
      ->required()
      ->check(CLI::IsMember({"cls", "item", "supplier", "customer"}));
  sub->add_option("file", options->file, "Excel 97-2003 workbook (.xls) to read")->required();
  context.AddAction(sub, [options, &context] { return RunImport(*options, context.streams); });
}

}  // namespace tabrin::cli
