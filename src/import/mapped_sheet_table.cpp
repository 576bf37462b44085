#include "import/mapped_sheet_table.h"

#include <memory>
#include <utility>
#include <vector>

#include "text/ascii.h"

namespace tabrin {
namespace {

std::optional<std::size_t> ColumnIndex(const std::vector<TColumnInfo>& columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (EqualNoCaseAscii(columns[i].name, name)) return i;
  }
  return std::nullopt;
}

// The sheet's rows with the mapped columns' values after their own.
class TMappedRowSource : public TRowSource {
 public:
  TMappedRowSource(std::shared_ptr<const TRowSource> sheet, std::vector<std::size_t> sources)
      : TRowSource(sheet->Size()), sheet_(std::move(sheet)), sources_(std::move(sources)) {}

  void Decode(std::size_t index, TRow& out) const override {
    sheet_->Decode(index, out);
    const std::size_t own = out.size();
    out.resize(own + sources_.size());
    for (std::size_t i = 0; i < sources_.size(); ++i) out[own + i] = out[sources_[i]];
  }

 private:
  std::shared_ptr<const TRowSource> sheet_;
  std::vector<std::size_t> sources_;  // the sheet column of each mapped column
};

}  // namespace

TStatementResult MappedSheetTable(TStatementResult table, const TColumnMapping& mapping) {
  if (!table.rowSource && table.rows.size() > 0) return table;  // a sheet's rows always come from a row source
  std::vector<std::size_t> sources;
  std::vector<TColumnInfo> added;
  for (const TColumnPair& pair : mapping.pairs) {
    const std::optional<std::size_t> source = ColumnIndex(table.columns, pair.sheetTitle);
    if (!source) continue;
    sources.push_back(*source);
    TColumnInfo column = table.columns[*source];
    column.name = pair.column;
    added.push_back(std::move(column));
  }
  if (added.empty()) return table;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (ColumnIndex(added, table.columns[i].name)) table.columns[i].name = "F" + std::to_string(i + 1);
  }
  table.columns.insert(table.columns.end(), added.begin(), added.end());
  if (table.rowSource) {
    table.rowSource = std::make_shared<TMappedRowSource>(std::move(table.rowSource), std::move(sources));
  }
  return table;
}

std::string MappedFilterColumn(const std::string& filterColumn, const TColumnMapping& mapping) {
  for (const TColumnPair& pair : mapping.pairs) {
    if (EqualNoCaseAscii(pair.column, filterColumn)) return pair.sheetTitle;
  }
  return filterColumn;
}

}  // namespace tabrin
