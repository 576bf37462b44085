#include "cli/import_choice_options.h"

#include <CLI/CLI.hpp>

#include "text/format.h"

namespace tabrin::cli {

void AddImportChoiceOptions(CLI::App& command, ImportChoiceOptions& choices, CLI::Option* dryRun) {
  command.add_flag("--update-only", choices.updateOnly,
                   "Update only: overwrite (or, with the cover setting 1, leave) the records whose code exists and "
                   "append none; a new code is reported as 未新增 (also on when SETUP.ini has UpdateOnly=1)");
  command.add_flag("--keep-blanks", choices.keepBlanks,
                   "An overwrite leaves a field alone where the sheet's cell is blank instead of storing the empty "
                   "text, 0 or nothing (also on when SETUP.ini has KeepBlanks=1)");
  CLI::Option* skipErrors = command.add_flag(
      "--skip-errors", choices.skipErrors,
      "Leave out every row that fails (a bad cell, a code too long, a record the database refuses), import the "
      "others and write the failed rows, with the column 錯誤原因, to a workbook that imports once fixed (exit "
      "status 5 when rows were left out)");
  command
      .add_option("--rejects", choices.rejects,
                  "With --skip-errors: the workbook for the failed rows (.xlsx, else .xls); default beside FILE, "
                  "named NAME-rejects with FILE's extension")
      ->needs(skipErrors);
  skipErrors->excludes(dryRun);
}

void ApplyImportChoices(const ImportChoiceOptions& choices, const TImportChoices& stored, TImportOptions& options,
                        std::vector<TSkippedRow>& skipped) {
  options.updateOnly = choices.updateOnly || stored.updateOnly;
  options.keepBlanks = choices.keepBlanks || stored.keepBlanks;
  options.skipped = choices.skipErrors ? &skipped : nullptr;
}

}  // namespace tabrin::cli
