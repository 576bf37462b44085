#pragma once
// Column mappings: which sheet title an import reads in place of a column
// the sheet lacks, and which columns it leaves alone.
//
//   const TImporterDef& importer = ImporterFor(TMasterTable::mtItem, TDatabaseKind::dkOrvella);
//   std::vector<std::string> missing = MissingColumns(titles, importer, cover, {});  // {"廠商代號", "健康捐"}
//   TColumnMapping mapping = ProposeMapping(titles, TMasterTable::mtItem, importer, cover);
//   MappingText(mapping);  // "應商代號 → 廠商代號；健康捐：不匯入"
//
// A mapped column is read from its sheet title (the sheet query gives it
// under the import's own name, see mapped_sheet_table.h); a column left
// alone is written by neither branch, so an overwrite keeps the stored value
// and a new record gets the database's default (see TLeftColumnsImporter).
// The code column is never left alone.
#include <string>
#include <string_view>
#include <vector>

#include "db/master_table.h"
#include "import/cover_mode.h"
#include "import/import_mapping.h"

namespace tabrin {

// The import reads `column` from the sheet's column titled `sheetTitle`.
struct TColumnPair {
  std::string sheetTitle;
  std::string column;
  friend bool operator==(const TColumnPair&, const TColumnPair&) = default;
};

struct TColumnMapping {
  std::vector<TColumnPair> pairs;
  std::vector<std::string> left;  // columns the import leaves alone
  bool Empty() const { return pairs.empty() && left.empty(); }
  friend bool operator==(const TColumnMapping&, const TColumnMapping&) = default;
};

// "不匯入": how a column left alone is shown.
inline constexpr std::string_view kLeftColumnText = "不匯入";

// The columns an import reads from its sheet, the code column first, each
// once, in the order the importer reads them; with cmKeep the columns only
// an overwrite reads are not read.
std::vector<std::string_view> ColumnsRead(const TImporterDef& importer, TCoverMode cover);

// The columns read that neither a title of the sheet (without regard to
// ASCII letter case, as the sheet query finds a column) nor the mapping
// gives, and that the mapping does not leave alone; in ColumnsRead's order.
std::vector<std::string> MissingColumns(const std::vector<std::string>& titles, const TImporterDef& importer,
                                        TCoverMode cover, const TColumnMapping& mapping);

// A mapping for every column the sheet lacks, where a title offers itself:
// a known alias of the column (the title the program's own export gives the
// field it fills, then the database's display title and the field's name),
// then a title that differs from the column or an alias only in letter case,
// full-width or half-width forms or spaces.  A column whose field the
// table's export does not write is left alone (the kind-1 item layout's
// "健康捐"); any other column without a title stays missing.
TColumnMapping ProposeMapping(const std::vector<std::string>& titles, TMasterTable table, const TImporterDef& importer,
                              TCoverMode cover);

// "應商代號 → 廠商代號；健康捐：不匯入"; empty for an empty mapping.
std::string MappingText(const TColumnMapping& mapping);

// Raises TabrinError, in the user's words, for a mapping the import cannot
// use with this sheet: a column it does not read, the code column left
// alone, a column both mapped and left, a column mapped twice, or a sheet
// title the sheet does not have.
void CheckMapping(const TColumnMapping& mapping, const std::vector<std::string>& titles,
                  const TImporterDef& importer);

// The mapping with the pairs of `over` in place of those of `base` for the
// same column, and the columns either leaves alone (a column `over` maps is
// no longer left, and the reverse).
TColumnMapping CombinedMapping(const TColumnMapping& base, const TColumnMapping& over);

// An importer that writes nothing from the columns a mapping leaves alone.
// Without such columns it is the importer given, unchanged.
class TLeftColumnsImporter {
 public:
  TLeftColumnsImporter(const TImporterDef& importer, const std::vector<std::string>& left);
  TLeftColumnsImporter(const TLeftColumnsImporter&) = delete;
  TLeftColumnsImporter& operator=(const TLeftColumnsImporter&) = delete;
  const TImporterDef& Def() const { return left_ ? own_ : base_; }

 private:
  const TImporterDef& base_;
  bool left_ = false;
  std::vector<TFieldMapping> fields_;
  TImporterDef own_;
};

}  // namespace tabrin
