#pragma once
// What an import may change, on the command line of `import`:
// --update-only, --keep-blanks (each also on when SETUP.ini says so, as the
// settings dialog stores them) and --skip-errors [--rejects FILE].
#include <string>
#include <vector>

#include "import/cover_setting.h"
#include "import/import_loop.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tabrin::cli {

struct ImportChoiceOptions {
  bool updateOnly = false;
  bool keepBlanks = false;
  bool skipErrors = false;
  std::string rejects;
};

// Adds the four options to the import verb; choices must outlive the parse.
void AddImportChoiceOptions(CLI::App& command, ImportChoiceOptions& choices, CLI::Option* dryRun);

// The choices of the command line and of SETUP.ini into the import's
// options; skipped receives the rows an import with --skip-errors leaves out.
void ApplyImportChoices(const ImportChoiceOptions& choices, const TImportChoices& stored, TImportOptions& options,
                        std::vector<TSkippedRow>& skipped);

}  // namespace tabrin::cli
