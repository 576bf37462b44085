#pragma once
// The column-mapping options of preview and import: --mapping NAME (a saved
// mapping), --map 'SHEET TITLE=COLUMN' and --leave COLUMN, and the tab's
// sheet opened with them.
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/master_table.h"
#include "db/query.h"
#include "import/cover_mode.h"
#include "import/import_tabs.h"

namespace tabrin::cli {

struct MappingOptions {
  std::string saved;                 // --mapping
  std::vector<std::string> pairs;    // --map
  std::vector<std::string> left;     // --leave
  std::string save;                  // --save-mapping
};

void AddMappingOptions(CLI::App& sub, MappingOptions& options);

// Opens the tab's sheet query on the open workbook (OpenTabSheetMapped)
// under the mapping the options ask for; without one, under the mapping
// saved for a sheet with these titles when the sheet lacks columns the import
// reads (saying so).  --save-mapping saves the mapping used.  Columns that
// stay missing are named once, with the options that the proposed mapping
// would take: on standard output, in front of what the command prints, as a
// note and not as the error the import raises at its row; the preview, which
// shows the sheet and imports nothing, names none (sayMissing false).
// Without any mapping a sheet the tab cannot open raises the reader's error
// as ever.
void OpenMappedTabSheet(TQuery& sheet, TConnection& workbook, TMasterTable table, std::optional<TDatabaseKind> kind,
                        TCoverMode cover, const MappingOptions& options, CliStreams& streams, bool sayMissing = true,
                        const TSheetChoice& choice = {});

}  // namespace tabrin::cli
