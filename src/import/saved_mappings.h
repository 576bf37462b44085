#pragma once
// Saved column mappings: Mappings.db, an SQLite file in the program folder,
// holds each mapping under a name the user sees, with the table and the
// sheet titles it was made for, so that the next workbook with the same
// titles gets it again without a question.
//
//   TMappingStore store(ProgramFolder());
//   store.Save({DefaultMappingName(table, titles), table, titles, mapping});
//   if (auto saved = store.FindFor(table, titles)) SetSheetMapping(workbook, saved->mapping);
//
// Several programs may use the file at once; each call is one transaction.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/master_table.h"
#include "import/column_mapping.h"

struct sqlite3;

namespace tabrin {

struct TSavedMapping {
  std::string name;
  TMasterTable table = TMasterTable::mtItem;
  std::vector<std::string> titles;  // the sheet's titles, in sheet order
  TColumnMapping mapping;
  std::string savedAt;  // local time, "2026/12/10 17:20:01"; set by Save
};

// "商品檔：管理貨號、國際碼、自訂碼…（19 欄）": the tab and the first titles of
// the sheet, and how many it has.
std::string DefaultMappingName(TMasterTable table, const std::vector<std::string>& titles);

class TMappingStore {
 public:
  // Opens Mappings.db in the folder, creating it when missing.  Raises
  // "Cannot open the saved column mappings '%s': %s".
  explicit TMappingStore(std::string_view programFolder);
  ~TMappingStore();
  TMappingStore(const TMappingStore&) = delete;
  TMappingStore& operator=(const TMappingStore&) = delete;

  const std::string& Path() const { return path_; }

  // By name.
  std::vector<TSavedMapping> List();
  std::optional<TSavedMapping> Find(std::string_view name);
  // The mapping saved last for the table and a sheet with the same titles
  // (in any order).
  std::optional<TSavedMapping> FindFor(TMasterTable table, const std::vector<std::string>& titles);
  // Replaces a mapping of the same name.
  void Save(const TSavedMapping& saved);
  // False when there is none of that name.
  bool Remove(std::string_view name);

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace tabrin
