// tabrin-cli export --kind 1|2|3 cls|item|supplier|customer FILE[.xlsx|.csv]
// Connects to the database as `connect` does, exports the table through its
// export query with the window's stored settings and prints "匯出完畢" and
// "已寫入 <the full path of the workbook written>".
// Ctrl-C stops it without writing the file (an earlier file stays), says so
// on standard error and exits with 130.  With --verbose it ends by printing on
// standard error how long each phase took: start-up (process start to the
// command), connect, query, write, and finish (closing the query and the
// connection).
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "cli/kind_option.h"
#include "cli/progress_bar.h"
#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/query.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"
#include "text/translation.h"

namespace tabrin::cli {

namespace {

struct ExportOptions {
  TDatabaseKind kind{};
  std::string table;
  std::string file;
  bool verbose = false;
};

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

void PrintPhases(std::ostream& err, const std::vector<std::pair<const char*, double>>& phases) {
  double total = 0;
  char line[64];
  for (const auto& [name, seconds] : phases) {
    std::snprintf(line, sizeof line, "%-9s %7.3f s\n", name, seconds);
    err << line;
    total += seconds;
  }
  std::snprintf(line, sizeof line, "%-9s %7.3f s\n", "total", total);
  err << line;
}

int RunExport(const ExportOptions& options, CliStreams& streams) {
  const Clock::time_point commandStart = Clock::now();
  const std::optional<TMasterTable> table = MasterTableFromName(options.table);
  if (!table) {
    streams.err << Tr("Unknown database kind or table") << "\n";
    return 2;
  }

  // The query and the connection live in their own scope, so that the time
  // to close them is the finish phase.
  auto connection = std::make_unique<TConnection>("ADOConnection");
  ConnectDatabase(*connection, options.kind, ProgramFolder());
  const Clock::time_point connected = Clock::now();
  auto exportQuery = std::make_unique<TQuery>(ExportQueryDef(*table), *connection);

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
  TExportTimes times;
  std::string writtenFile;
  try {
    const InterruptCancels interrupt(cancel);
    writtenFile = RunExportCommand(exporter, *exportQuery, file, control, &times);
  } catch (const TWorkCancelled& e) {
    bar.reset();
    streams.err << e.what() << "\n";
    return kInterruptedExitCode;
  }
  bar.reset();
  const Clock::time_point written = Clock::now();
  exportQuery.reset();
  connection.reset();
  const Clock::time_point finished = Clock::now();
  // The name the export gave the file, and a folder it made for it, are
  // not what the user typed: say where the workbook went.
  streams.out << kExportDoneMessage << "\n已寫入 " << writtenFile << "\n";
  if (options.verbose) {
    PrintPhases(streams.err, {{"start-up", SecondsBetween(ProcessStart(), commandStart)},
                              {"connect", SecondsBetween(commandStart, connected)},
                              {"query", times.querySeconds},
                              {"write", SecondsBetween(connected, written) - times.querySeconds},
                              {"finish", SecondsBetween(written, finished)}});
  }
  return 0;
}

}  // namespace

void AddExportCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("export", "Export a table to a new Excel workbook (.xls, or .xlsx when FILE ends in .xlsx) or to CSV text (when FILE ends in .csv)");
  auto options = std::make_shared<ExportOptions>();
  AddKindOption(*sub, options->kind);
  sub->add_option("table", options->table, "Table to export: cls, item, supplier or customer")
      ->required()
      ->check(CLI::IsMember({"cls", "item", "supplier", "customer"}, CLI::ignore_case));
  sub->add_flag("--verbose", options->verbose,
                "Print on standard error how long each phase took (start-up, connect, query, write, finish)");
  sub->add_option("file", options->file, "Workbook to write: a name ending in .xlsx writes an Excel 2007+ workbook (up to 1,048,575 records); a name ending in .csv comma-separated UTF-8 text with a byte-order mark; any other name gets the extension .xls (up to 65,535)")->required();
  context.AddAction(sub, [options, &context] { return RunExport(*options, context.streams); });
}

}  // namespace tabrin::cli
