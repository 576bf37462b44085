#include "import/workbook_table.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <stdexcept>
#include <vector>

#include "text/ascii.h"
#include "text/error.h"
#include "text/format.h"
#include "text/regional.h"

namespace tabrin {

namespace {

constexpr int kTextWidth = 255;
// Texts shorter than this are kept in their rows rather than once for all.
constexpr std::size_t kShortText = 16;

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

std::vector<int> FilteredRecordPositions(const TWorksheet& sheet, const std::string& filterColumn) {
  std::vector<int> positions;
  if (sheet.IsEmpty()) {
    if (!EqualNoCaseAscii("F1", filterColumn)) throw TQueryStatementError(FormatMessage("Field '%s' not found", {filterColumn}));
    return positions;
  }
  const int columnCount = sheet.LastColumn() - sheet.FirstColumn() + 1;
  int filterIndex = 0;
  while (filterIndex < columnCount && !EqualNoCaseAscii(ColumnName(sheet, filterIndex), filterColumn)) ++filterIndex;
  if (filterIndex == columnCount) throw TQueryStatementError(FormatMessage("Field '%s' not found", {filterColumn}));
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

// Adds rows [fromRow, toRow) of the sheet to rows, whose text pools are the
// sheet's shared and own texts, numbered from firstShared and firstOwn.
struct TSheetRows {
  const TWorksheet& sheet;
  const std::vector<TColumnInfo>& columns;
  int filterIndex;  // -1: every row
  std::uint32_t firstShared;
  std::uint32_t firstOwn;

  void Add(int fromRow, int toRow, TRowStore& rows, std::vector<int>* keptPositions) const {
    const int firstColumn = sheet.FirstColumn();
    const int titleRow = sheet.FirstRow();
    const std::uint32_t sharedCount = sheet.SharedTextCount();
    const std::size_t columnCount = columns.size();
    // Each row goes into the store value by value, without a row of values
    // in between.  A row's cells come ordered by column, one a position (as
    // TWorksheet::Find relies on too); the positions between them are null.
    for (int row = fromRow; row < toRow; ++row) {
      if (filterIndex >= 0) {
        if (!KeptByFilter(sheet.Find(row, firstColumn + filterIndex))) continue;
        if (keptPositions != nullptr) keptPositions->push_back(row - titleRow - 1);
      }
      rows.BeginRow(columnCount);
      std::size_t next = 0;
      for (const TSheetCell& cell : sheet.RowCells(row)) {
        const std::size_t index = static_cast<std::size_t>(cell.column - firstColumn);
        if (index < next) throw std::logic_error("a sheet row's cells are out of order");
        for (; next < index; ++next) rows.AddNull();
        next = index + 1;
        const TFieldType type = columns[index].type;
        if (cell.kind == TCellKind::ckText && type == TFieldType::ftWideString) {
          const std::string_view text = sheet.Text(cell);
          if (text.size() >= kShortText) {
            rows.AddPooledText(cell.text < sharedCount ? firstShared + cell.text : firstOwn + (cell.text - sharedCount));
          } else {
            rows.AddText(text);
          }
          continue;
        }
        rows.AddValue(CellValue(sheet, &cell, type));
      }
      for (; next < columnCount; ++next) rows.AddNull();
      rows.EndRow();
    }
  }
};

}  // namespace

namespace detail {

TStatementResult WorksheetTable(const TWorksheet& sheet, const std::optional<std::string>& filterColumn,
                                std::vector<int>* keptPositions, int splitFromRows) {
  TStatementResult result;
  if (keptPositions != nullptr) keptPositions->clear();
  if (sheet.IsEmpty()) {
    // An empty sheet still has one (unnamed) column and no rows; a filter
    // on another column fails as on a sheet with titles.
    result.columns.push_back({"F1", TFieldType::ftWideString, kTextWidth});
    if (filterColumn && !EqualNoCaseAscii(result.columns.front().name, *filterColumn)) {
      throw TQueryStatementError(FormatMessage("Field '%s' not found", {*filterColumn}));
    }
    return result;
  }
  const int columnCount = sheet.LastColumn() - sheet.FirstColumn() + 1;
  const int firstRow = sheet.FirstRow() + 1;  // after the titles
  const int endRow = sheet.LastRow() + 1;
  // A large sheet is gone through in two halves at once, the later half on
  // a second thread, each pass of it: the import reads its sheet before its
  // first row and the second core is free then.
  const bool split = splitFromRows > 0 && endRow - firstRow >= splitFromRows;
  const int middle = split ? firstRow + (endRow - firstRow) / 2 : endRow;

  std::future<std::vector<unsigned>> laterKinds;
  if (split) laterKinds = std::async(std::launch::async, ColumnKinds, std::cref(sheet), middle, endRow);
  std::vector<unsigned> kinds = ColumnKinds(sheet, firstRow, middle);
  if (split) {
    const std::vector<unsigned> later = laterKinds.get();
    for (std::size_t i = 0; i < kinds.size(); ++i) kinds[i] |= later[i];
  }
  for (int i = 0; i < columnCount; ++i) {
    result.columns.push_back({ColumnName(sheet, i), ColumnType(kinds[static_cast<std::size_t>(i)]), kTextWidth});
  }

  int filterIndex = -1;
  if (filterColumn) {
    const auto found = std::find_if(result.columns.begin(), result.columns.end(),
                                    [&](const TColumnInfo& column) { return EqualNoCaseAscii(column.name, *filterColumn); });
    if (found == result.columns.end()) throw TQueryStatementError(FormatMessage("Field '%s' not found", {*filterColumn}));
    filterIndex = static_cast<int>(found - result.columns.begin());
  }

  // The rows keep the sheet's text pools and refer to a longer text by
  // its number instead of copying it: a small workbook can refer to one
  // 32,767-character shared text from every cell, and a sheet of long texts
  // would otherwise be held twice.  A short text costs less in the row
  // itself than a reference.
  const std::uint32_t firstShared = result.rows.AddTextPool(sheet.SharedTextPool());
  const std::uint32_t firstOwn = result.rows.AddTextPool(sheet.OwnTextPool());
  const TSheetRows sheetRows{sheet, result.columns, filterIndex, firstShared, firstOwn};
  result.rows.reserve(static_cast<std::size_t>(middle - firstRow));
  if (!split) {
    sheetRows.Add(firstRow, endRow, result.rows, keptPositions);
    return result;
  }
  TRowStore laterRows;
  laterRows.AddTextPool(sheet.SharedTextPool());
  laterRows.AddTextPool(sheet.OwnTextPool());
  laterRows.reserve(static_cast<std::size_t>(endRow - middle));
  std::vector<int> laterKept;
  std::vector<int>* laterKeptOrNone = keptPositions != nullptr ? &laterKept : nullptr;
  // Declared after what it fills: should this thread's half fail, leaving
  // the scope waits for the other half before those go.
  std::future<void> later = std::async(std::launch::async, [&] { sheetRows.Add(middle, endRow, laterRows, laterKeptOrNone); });
  sheetRows.Add(firstRow, middle, result.rows, keptPositions);
  later.get();
  result.rows.AppendRows(std::move(laterRows));
  if (keptPositions != nullptr) keptPositions->insert(keptPositions->end(), laterKept.begin(), laterKept.end());
  return result;
}

}  // namespace detail

TStatementResult WorksheetTable(const TWorksheet& sheet, const std::optional<std::string>& filterColumn,
                                std::vector<int>* keptPositions) {
  return detail::WorksheetTable(sheet, filterColumn, keptPositions, detail::kSplitSheetFromRows);
}

}  // namespace tabrin
