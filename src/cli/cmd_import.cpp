// tabrin-cli import --kind 1|2|3 [--dry-run [--report FILE]] [--sheet NAME] [--header-row N] [--encoding E]
//                   [--separator S] cls|item|supplier|customer FILE
// Connects to the database as `connect` does, opens the workbook and the
// tab's sheet query as the tab's Open button does and imports its rows into
// the table with the cover setting of SETUP.ini, then prints "匯入完畢" and
// what was done, and names the earlier import when the journal holds one of
// the same workbook.  An error stops the import: its message (with the sheet
// row) and the rows stored before it go to standard error, and the exit code
// is 1.  Ctrl-C stops it after the row it is on: what was kept goes to
// standard error and the exit code is 130.
//
// Each import is recorded in the journal Journal.db of the program folder
// (see `history` and `undo`).
//
// --dry-run writes nothing: it prints what the import would do (the counts
// per outcome and the first rows that would fail) and exits with 4 when a
// row would fail; --report FILE writes the whole plan to FILE as well (CSV
// text when FILE ends in .csv, else a workbook chosen as an export chooses).
//
// --update-only, --keep-blanks and --skip-errors [--rejects FILE] choose
// what the import may change (see import_choice_options.h); an import that
// left rows out exits with 5.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/exit_status.h"
#include "cli/import_choice_options.h"
#include "cli/interrupt.h"
#include "cli/kind_option.h"
#include "cli/mapping_options.h"
#include "cli/progress_bar.h"
#include "cli/sheet_options.h"
#include "config/program_folder.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "import/cover_setting.h"
#include "import/import_journal.h"
#include "import/import_loop.h"
#include "import/import_plan.h"
#include "import/import_tabs.h"
#include "import/plan_report.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin::cli {

namespace {

struct ImportCommandOptions {
  TDatabaseKind kind{};
  std::string table;
  std::string file;
  bool dryRun = false;
  std::string report;
  TSheetChoice choice;
  MappingOptions mapping;
  ImportChoiceOptions choices;
};

// The dry run lists this many failing rows; the report has them all.
constexpr int kErrorsListed = 10;

std::string PlanCountsLine(const TPlanCounts& counts) {
  return FormatMessage("新增 %d 筆，覆蓋 %d 筆（其中 %d 筆內容相同），未變更 %d 筆，錯誤 %d 列",
                       {counts.appended, counts.overwritten, counts.same, counts.left, counts.errors});
}

int RunDryRun(const ImportCommandOptions& options, CliStreams& streams, TConnection& connection, TMasterTable table,
              TImportOptions importOptions) {
  TCancelFlag cancel;
  importOptions.control.cancel = &cancel;
  std::unique_ptr<ProgressBar> bar;
  if (streams.errIsTerminal) {
    bar = std::make_unique<ProgressBar>(streams.err);
    importOptions.control.progress = [&](const TWorkProgress& progress) { bar->Show(progress); };
  }
  const std::string file = std::filesystem::absolute(options.file).string();
  TImportPlan plan;
  try {
    const InterruptCancels interrupt(cancel);
    TConnection workbook("ADOXLSConnect");
    TQuery sheet(std::string(ImportTab(table).sheetQueryName), workbook);
    OpenWorkbook(workbook, file, options.choice.text);
    OpenMappedTabSheet(sheet, workbook, table, options.kind, importOptions.cover, options.mapping, streams, true,
                       options.choice);
    plan = PlanTabSheet(sheet, connection, options.kind, table, importOptions);
  } catch (const TWorkCancelled& e) {
    bar.reset();
    streams.err << e.what() << "\n";
    return kInterruptedExitCode;
  }
  bar.reset();
  const TPlanCounts counts = plan.Counts();
  streams.out << "試算匯入，沒有寫入資料庫\n";
  if (!plan.mappingText.empty()) streams.out << "欄位對應：" << plan.mappingText << "\n";
  streams.out << PlanCountsLine(counts)
              << (importOptions.updateOnly ? FormatMessage("，未新增 %d 筆", {counts.notAppended}) : "")
              << (counts.blankRows > 0 ? FormatMessage("，空白列 %d 列", {counts.blankRows}) : "") << "\n";
  int listed = 0;
  for (const TPlannedRow& row : plan.rows) {
    if (row.outcome != TPlannedOutcome::poError) continue;
    if (listed++ == kErrorsListed) break;
    streams.out << SheetRowLine(row.sheetRow, row.column) << "：" << row.error << "\n";
  }
  if (counts.errors > kErrorsListed) {
    streams.out << FormatMessage("另有 %d 列錯誤", {counts.errors - kErrorsListed})
                << (options.report.empty() ? "，--report 檔案列出全部" : "") << "\n";
  }
  if (!options.report.empty()) {
    const std::string report = std::filesystem::absolute(options.report).string();
    WritePlanReport(plan, report);
    streams.out << "計畫已寫入 " << report << "\n";
  }
  return counts.errors > 0 ? kExitRowsWouldFail : kExitDone;
}

int RunImport(const ImportCommandOptions& options, CliStreams& streams) {
  const std::optional<TMasterTable> table = MasterTableFromName(options.table);
  if (!table) {
    streams.err << Tr("Unknown database kind or table") << "\n";
    return 2;
  }

  const TCoverSetting cover = ReadCoverSetting(ProgramFolder());
  TImportOptions importOptions;
  importOptions.cover = cover.mode;
  std::vector<TSkippedRow> skipped;
  ApplyImportChoices(options.choices, ReadImportChoices(ProgramFolder()), importOptions, skipped);
  const auto countsLine = [&](const TImportCounts& counts) {
    return ImportCountsText(counts) + ChoiceCountsText(importOptions, counts);
  };
  TConnection connection("ADOConnection");
  ConnectDatabase(connection, options.kind, ProgramFolder());
  if (options.dryRun) return RunDryRun(options, streams, connection, *table, importOptions);

  TCancelFlag cancel;
  TImportCounts counts;
  importOptions.control.cancel = &cancel;
  importOptions.liveCounts = &counts;
  std::unique_ptr<ProgressBar> bar;
  if (streams.errIsTerminal) {
    bar = std::make_unique<ProgressBar>(streams.err);
    importOptions.control.progress = [&](const TWorkProgress& progress) {
      bar->Show(progress, [&] { return countsLine(counts); });
    };
  }
  const std::string file = std::filesystem::absolute(options.file).string();
  TConnection workbook("ADOXLSConnect");
  TQuery sheet(std::string(ImportTab(*table).sheetQueryName), workbook);
  OpenWorkbook(workbook, file, options.choice.text);
  OpenMappedTabSheet(sheet, workbook, *table, options.kind, cover.mode, options.mapping, streams, true, options.choice);

  try {
    const InterruptCancels interrupt(cancel);
    const std::string rejects =
        options.choices.rejects.empty() ? std::string() : std::filesystem::absolute(options.choices.rejects).string();
    const TJournaledImportResult result = ImportTabSheetJournaled(sheet, connection, options.kind, *table, file,
                                                                  ProgramFolder(), cover, importOptions, rejects);
    counts = result.counts;
    bar.reset();
    streams.out << kImportDoneMessage << "\n" << countsLine(counts) << "\n";
    if (result.sameWorkbook) streams.out << SameWorkbookText(*result.sameWorkbook) << "\n";
    if (!result.rejectsPath.empty()) streams.out << "略過的列已寫入 " << result.rejectsPath << "\n";
    return counts.skipped > 0 ? kExitRowsSkipped : kExitDone;
  } catch (const TImportCancelled& e) {
    bar.reset();
    streams.err << e.what() << "\n" << countsLine(e.Counts()) << "\n";
    return kInterruptedExitCode;
  } catch (const TImportError& e) {
    bar.reset();
    streams.err << ErrorBoxText(e.what()) << "\n" << countsLine(e.Counts()) << "\n";
    return 1;
  }
}

}  // namespace

void AddImportCommand(CLI::App& app, CommandContext& context) {
  CLI::App* sub = app.add_subcommand("import", "Import the rows of a workbook's sheet \"sheet1\" into a table");
  auto options = std::make_shared<ImportCommandOptions>();
  AddKindOption(*sub, options->kind);
  sub->add_option("table", options->table, "Table to import into: cls, item, supplier or customer")
      ->required()
      ->check(CLI::IsMember({"cls", "item", "supplier", "customer"}));
  sub->add_option("file", options->file,
                  "Workbook to read: Excel 97-2003 (.xls) or 2007+ (.xlsx), told apart by its content, "
                  "or a text file of comma-, tab- or semicolon-separated values (.csv, .txt)")
      ->required();
  AddSheetOptions(*sub, options->choice);
  CLI::Option* dryRun = sub->add_flag(
      "--dry-run", options->dryRun,
      "Write nothing; print what the import would do: the counts of new, overwritten (and of those, unchanged), "
      "left and failing rows, and the first failing rows (exit status 4 when a row would fail)");
  sub->add_option("--report", options->report,
                  "With --dry-run: write the whole plan (sheet row, code, outcome, changed fields old → new, error) "
                  "to this file: CSV text when the name ends in .csv, else a workbook of the kind an export to "
                  "that name writes (.xlsx, else .xls)")
      ->needs(dryRun);
  AddMappingOptions(*sub, options->mapping);
  AddImportChoiceOptions(*sub, options->choices, dryRun);
  context.AddAction(sub, [options, &context] { return RunImport(*options, context.streams); });
}

}  // namespace tabrin::cli
