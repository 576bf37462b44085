#include "import/workbook_table.h"

#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "text/ascii.h"
#include "text/error.h"
#include "text/messages.h"
#include "text/regional.h"

namespace tabrin {

namespace {

constexpr int kTextWidth = 255;

// The types a column can be delivered as, as bits so a column's mix is one value.
enum TKindBits : unsigned { kText = 1, kNumber = 2, kDate = 4, kBoolean = 8 };

unsigned KindBit(TCellKind kind) {
  switch (kind) {
    case TCellKind::ckText: return kText;
    case TCellKind::ckNumber: return kNumber;
    case TCellKind::ckDateTime: return kDate;
    case TCellKind::ckBoolean: return kBoolean;
    default: return 0;
  }
}

TFieldType ColumnType(unsigned kinds) {
  switch (kinds) {
    case kNumber: return TFieldType::ftFloat;
    case kDate: return TFieldType::ftDateTime;
    case kBoolean: return TFieldType::ftBoolean;
    default: return TFieldType::ftWideString;  // text, mixed, or nothing at all
  }
}

std::string CellText(const TWorksheet& sheet, const TSheetCell& cell) {
  const TRegionalFormats& regional = TRegionalFormats::System();
  switch (cell.kind) {
    case TCellKind::ckText: return std::string(sheet.Text(cell));
    case TCellKind::ckNumber: return regional.FloatToText(cell.number);
    case TCellKind::ckDateTime: return regional.DateTimeToText(cell.number);
    case TCellKind::ckBoolean: return cell.number != 0 ? "True" : "False";
    default: return {};
  }
}

TValue CellValue(const TWorksheet& sheet, const TSheetCell* cell, TFieldType type) {
  if (cell == nullptr || KindBit(cell->kind) == 0) return TValue::Null();
  if (type == TFieldType::ftWideString) return TValue::Text(CellText(sheet, *cell));
  switch (cell->kind) {
    case TCellKind::ckNumber: return TValue::Float(cell->number);
    case TCellKind::ckDateTime: return TValue::DateTime(cell->number);
    case TCellKind::ckBoolean: return TValue::Boolean(cell->number != 0);
    default: return TValue::Null();
  }
}

// A column's name: its title, else "F<n>" by its position.
std::string ColumnName(const TWorksheet& sheet, int index) {
  const std::optional<TSheetCell> title = sheet.Find(sheet.FirstRow(), sheet.FirstColumn() + index);
  std::string name = title ? CellText(sheet, *title) : std::string();
  return name.empty() ? "F" + std::to_string(index + 1) : name;
}

// Whether a filtered query keeps the row whose cell in the filter column
// this is (none: an empty cell).
bool KeptByFilter(const std::optional<TSheetCell>& cell) { return cell && KindBit(cell->kind) != 0; }

}  // namespace

std::vector<std::string> WorksheetTitles(const TWorksheet& sheet) {
  if (sheet.IsEmpty()) return {"F1"};
  std::vector<std::string> titles;
  for (int i = 0; i <= sheet.LastColumn() - sheet.FirstColumn(); ++i) titles.push_back(ColumnName(sheet, i));
  return titles;
}

std::vector<int> FilteredRecordPositions(const TWorksheet& sheet, const std::string& filterColumn) {
  std::vector<int> positions;
  if (sheet.IsEmpty()) {
    if (!EqualNoCaseAscii("F1", filterColumn)) throw TQueryStatementError(FieldNotFoundMessage(filterColumn));
    return positions;
  }
  const int columnCount = sheet.LastColumn() - sheet.FirstColumn() + 1;
  int filterIndex = 0;
  while (filterIndex < columnCount && !EqualNoCaseAscii(ColumnName(sheet, filterIndex), filterColumn)) ++filterIndex;
  if (filterIndex == columnCount) throw TQueryStatementError(FieldNotFoundMessage(filterColumn));
  const int titleRow = sheet.FirstRow();
  for (int row = titleRow + 1; row <= sheet.LastRow(); ++row) {
    if (KeptByFilter(sheet.Find(row, sheet.FirstColumn() + filterIndex))) positions.push_back(row - titleRow - 1);
  }
  return positions;
}

namespace {

// The kinds of value each column holds in rows [fromRow, toRow).
std::vector<unsigned> ColumnKinds(const TWorksheet& sheet, int fromRow, int toRow) {
  const int firstColumn = sheet.FirstColumn();
  std::vector<unsigned> kinds(static_cast<std::size_t>(sheet.LastColumn() - firstColumn + 1), 0);
  for (int row = fromRow; row < toRow; ++row) {
    for (const TSheetCell& cell : sheet.RowCells(row)) kinds[cell.column - firstColumn] |= KindBit(cell.kind);
  }
  return kinds;
}

// The sheet's rows after the titles as a query's rows, each read from the
// sheet's cells when it is asked for: an import goes through its sheet once,
// so a copy of every row into a row store would be work for nothing.
class TSheetRowSource : public TRowSource {
 public:
  // kept: the positions of the rows a filter keeps (FilteredRecordPositions),
  // or none for every row.
  TSheetRowSource(std::shared_ptr<const TWorksheet> sheet, std::vector<TFieldType> types,
                  std::optional<std::vector<int>> kept)
      : TRowSource(kept ? kept->size() : static_cast<std::size_t>(sheet->LastRow() - sheet->FirstRow())),
        sheet_(std::move(sheet)),
        types_(std::move(types)),
        kept_(std::move(kept)) {}

  void Decode(std::size_t index, TRow& out) const override {
    if (index >= Size()) throw std::out_of_range("no such sheet row");
    const int row = sheet_->FirstRow() + 1 + (kept_ ? (*kept_)[index] : static_cast<int>(index));
    const int firstColumn = sheet_->FirstColumn();
    const std::size_t columnCount = types_.size();
    out.resize(columnCount);
    // A row's cells come ordered by column, one a position (as
    // TWorksheet::Find relies on too); the positions between them are null.
    std::size_t next = 0;
    for (const TSheetCell& cell : sheet_->RowCells(row)) {
      const std::size_t column = static_cast<std::size_t>(cell.column - firstColumn);
      if (column < next || column >= columnCount) throw std::logic_error("a sheet row's cells are out of order");
      for (; next < column; ++next) out[next] = TValue();
      next = column + 1;
      TValue& value = out[column];
      const TFieldType type = types_[column];
      if (cell.kind == TCellKind::ckText && type == TFieldType::ftWideString) {
        value.AssignText(sheet_->Text(cell));
      } else {
        value = CellValue(*sheet_, &cell, type);
      }
    }
    for (; next < columnCount; ++next) out[next] = TValue();
  }

 private:
  std::shared_ptr<const TWorksheet> sheet_;
  std::vector<TFieldType> types_;
  std::optional<std::vector<int>> kept_;
};

}  // namespace

namespace detail {

TStatementResult WorksheetTable(std::shared_ptr<const TWorksheet> sheetHeld, const std::optional<std::string>& filterColumn,
                                std::vector<int>* keptPositions, int splitFromRows) {
  const TWorksheet& sheet = *sheetHeld;
  TStatementResult result;
  if (keptPositions != nullptr) keptPositions->clear();
  if (sheet.IsEmpty()) {
    // An empty sheet still has one (unnamed) column and no rows; a filter
    // on another column fails as on a sheet with titles.
    result.columns.push_back({"F1", TFieldType::ftWideString, kTextWidth});
    if (filterColumn && !EqualNoCaseAscii(result.columns.front().name, *filterColumn)) {
      throw TQueryStatementError(FieldNotFoundMessage(*filterColumn));
    }
    return result;
  }
  const int columnCount = sheet.LastColumn() - sheet.FirstColumn() + 1;
  const int firstRow = sheet.FirstRow() + 1;  // after the titles
  const int endRow = sheet.LastRow() + 1;
  // The kinds of a large sheet's columns are gathered in two halves at once,
  // the later half on a second thread: the import reads its sheet before
  // its first row and the second core is free then.
  bool split = splitFromRows > 0 && endRow - firstRow >= splitFromRows;
  int middle = split ? firstRow + (endRow - firstRow) / 2 : endRow;
  std::future<std::vector<unsigned>> laterKinds;
  if (split) {
    try {
      laterKinds = std::async(std::launch::async, ColumnKinds, std::cref(sheet), middle, endRow);
    } catch (const std::system_error&) {  // no second thread to be had: all on this one
      split = false;
      middle = endRow;
    }
  }
  std::vector<unsigned> kinds = ColumnKinds(sheet, firstRow, middle);
  if (split) {
    const std::vector<unsigned> later = laterKinds.get();
    for (std::size_t i = 0; i < kinds.size(); ++i) kinds[i] |= later[i];
  }
  std::vector<TFieldType> types;
  for (int i = 0; i < columnCount; ++i) {
    types.push_back(ColumnType(kinds[static_cast<std::size_t>(i)]));
    result.columns.push_back({ColumnName(sheet, i), types.back(), kTextWidth});
  }

  std::optional<std::vector<int>> kept;
  if (filterColumn) {
    kept = FilteredRecordPositions(sheet, *filterColumn);
    if (keptPositions != nullptr) *keptPositions = *kept;
  }
  result.rowSource = std::make_shared<TSheetRowSource>(std::move(sheetHeld), std::move(types), std::move(kept));
  return result;
}

}  // namespace detail

TStatementResult WorksheetTable(std::shared_ptr<const TWorksheet> sheet, const std::optional<std::string>& filterColumn,
                                std::vector<int>* keptPositions) {
  return detail::WorksheetTable(std::move(sheet), filterColumn, keptPositions, detail::kSplitSheetFromRows);
}

}  // namespace tabrin
