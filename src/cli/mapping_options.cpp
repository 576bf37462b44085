#include "cli/mapping_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>

#include "config/program_folder.h"
#include "import/column_mapping.h"
#include "import/import_tabs.h"
#include "import/saved_mappings.h"
#include "import/tab_mapping.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin::cli {
namespace {

TColumnPair PairOfOption(const std::string& text) {
  // A title may hold "=", a column the import reads never does.
  const std::size_t at = text.rfind('=');
  if (at == std::string::npos || at == 0 || at + 1 == text.size()) {
    throw TabrinError(FormatMessage("--map 需要「工作表標題=欄位」，不是「%s」", {text}));
  }
  return {text.substr(0, at), text.substr(at + 1)};
}

TColumnMapping RequestedMapping(const MappingOptions& options, TMasterTable table) {
  TColumnMapping mapping;
  if (!options.saved.empty()) {
    TMappingStore store(ProgramFolder());
    const std::optional<TSavedMapping> saved = store.Find(options.saved);
    if (!saved) throw TabrinError(FormatMessage("沒有名為「%s」的欄位對應；mappings 列出已存的對應", {options.saved}));
    if (saved->table != table) {
      throw TabrinError(FormatMessage("欄位對應「%s」是「%s」頁籤的", {saved->name, ImportTab(saved->table).caption}));
    }
    mapping = saved->mapping;
  }
  TColumnMapping onLine;
  for (const std::string& pair : options.pairs) onLine.pairs.push_back(PairOfOption(pair));
  onLine.left = options.left;
  return CombinedMapping(mapping, onLine);
}

// "--map '應商代號=廠商代號' --leave 健康捐"
std::string OptionsText(const TColumnMapping& mapping) {
  std::string text;
  for (const TColumnPair& pair : mapping.pairs) {
    text += (text.empty() ? "" : " ") + std::string("--map '") + pair.sheetTitle + "=" + pair.column + "'";
  }
  for (const std::string& column : mapping.left) text += (text.empty() ? "" : " ") + std::string("--leave ") + column;
  return text;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void AddMappingOptions(CLI::App& sub, MappingOptions& options) {
  sub.add_option("--mapping", options.saved,
                 "Read the sheet through the saved column mapping of this name (see the verb mappings)")
      ->type_name("NAME");
  sub.add_option("--map", options.pairs,
                 "Read COLUMN, one the import reads, from the sheet's column titled TITLE; "
                 "repeatable, and over the pairs of --mapping")
      ->type_name("'TITLE=COLUMN'")
      ->allow_extra_args(false);
  sub.add_option("--leave", options.left,
                 "A column the import reads that it leaves alone: an overwrite keeps the stored value, a new "
                 "record gets the database's default (not the code column); repeatable")
      ->type_name("COLUMN")
      ->allow_extra_args(false);
  sub.add_option("--save-mapping", options.save,
                 "Save the column mapping used under this name, for --mapping and for the window, which uses it "
                 "again for a sheet with the same titles")
      ->type_name("NAME");
}

void OpenMappedTabSheet(TQuery& sheet, TConnection& workbook, TMasterTable table, std::optional<TDatabaseKind> kind,
                        TCoverMode cover, const MappingOptions& options, CliStreams& streams, bool sayMissing,
                        const TSheetChoice& choice) {
  const TTabSheetOpening opening = OpenTabSheetMapped(sheet, workbook, table, kind, cover,
                                                      RequestedMapping(options, table), ProgramFolder(), {}, choice);
  if (!opening.savedName.empty()) streams.out << "使用已存的欄位對應「" << opening.savedName << "」\n";
  if (!options.save.empty() && !opening.mapping.Empty()) {
    TMappingStore(ProgramFolder()).Save({options.save, table, opening.titles, opening.mapping, {}});
    streams.out << "已存下欄位對應「" << options.save << "」\n";
  }
  if (opening.missing.empty() || !sayMissing) return;
  streams.out << MissingColumnsText(opening.missing) << "\n";
  TColumnMapping proposed = ProposeMapping(opening.titles, table, ImporterFor(table, kind), cover);
  std::erase_if(proposed.pairs, [&](const TColumnPair& pair) { return !Contains(opening.missing, pair.column); });
  std::erase_if(proposed.left, [&](const std::string& column) { return !Contains(opening.missing, column); });
  if (!proposed.Empty()) streams.out << "建議的欄位對應：" << OptionsText(proposed) << "\n";
}

}  // namespace tabrin::cli
