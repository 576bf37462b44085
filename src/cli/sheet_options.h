#pragma once
// The options that say what to read of a file beyond a tab's defaults, the
// same on preview and import: --sheet, --header-row, --encoding, --separator.
#include "import/import_tabs.h"

namespace CLI {
class App;
}

namespace tabrin::cli {

// Adds the options to the command; what they are given goes into choice.
void AddSheetOptions(CLI::App& command, TSheetChoice& choice);

}  // namespace tabrin::cli
