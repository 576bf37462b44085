// tabrin-cli import --kind 1|2|3 cls|item|supplier|customer FILE
// Connects to the database as `connect` does, reads the workbook's sheet
// "sheet1" and imports its rows into the table with the cover setting of
// SETUP.ini, then prints "匯入完畢" and what was done.  An error stops the
// import: its message (with the sheet row) and the rows stored before it go
// to standard error, and the exit code is 1.
#include <CLI/CLI.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
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

// A one-line bar with the row counts, redrawn at most ten times a second.
class ImportProgressBar {
 public:
  explicit ImportProgressBar(std::ostream& out) : out_(out) {}

  void Show(const TImportProgress& progress) {
    const auto now = std::chrono::steady_clock::now();
    const bool last = progress.rowsRead >= progress.totalRows;
    if (!last && now - shownAt_ < std::chrono::milliseconds(100)) return;
    shownAt_ = now;
    const int total = progress.totalRows;
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(progress.rowsRead) * kWidth / total) : kWidth;
    out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << progress.rowsRead << "/" << total
         << " " << CountsLine(progress.counts) << std::flush;
    drawn_ = true;
  }

  void Clear() {
    if (drawn_) out_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
  }

 private:
  static constexpr int kWidth = 30;
  std::ostream& out_;
  std::chrono::steady_clock::time_point shownAt_{};
  bool drawn_ = false;
};

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

  std::unique_ptr<ImportProgressBar> bar;
  if (streams.errIsTerminal) {
    bar = std::make_unique<ImportProgressBar>(streams.err);
    importOptions.progress = [&bar](const TImportProgress& progress) { bar->Show(progress); };
  }
  const std::string file = std::filesystem::absolute(options.file).string();
  try {
    const TImportCounts counts = ImportWorkbookFile(connection, connected.dbKind, *table, file, importOptions);
    if (bar) bar->Clear();
    streams.out << kImportDoneMessage << "\n" << CountsLine(counts) << "\n";
    return 0;
  } catch (const TImportError& e) {
    if (bar) bar->Clear();
    streams.err << ErrorBoxText(e.what()) << "\n" << CountsLine(e.Counts()) << "\n";
    return 1;
  } catch (...) {
    if (bar) bar->Clear();
    throw;
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
