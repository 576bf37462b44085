#include "export/xls_sheet.h"

#include "export/ferran3_xls.h"
#include "text/format.h"
#include "xls/model/workbook_output.h"

namespace tabrin {

namespace {

void Widen(int& first, int& last, int value) {
  if (first < 0 || value < first) first = value;
  if (last < 0 || value > last) last = value;
}

}  // namespace

void TxlsColumnList::NoteDataCell(std::string_view name, int row, int col) {
  TxlsColumn* entry = nullptr;
  for (TxlsColumn& column : items_) {
    if (SameText(column.Name, name)) {
      entry = &column;
      break;
    }
  }
  if (entry == nullptr) {
    items_.push_back(TxlsColumn{std::string(name)});
    entry = &items_.back();
  }
  Widen(entry->FirstRow, entry->LastRow, row);
  Widen(entry->FirstCol, entry->LastCol, col);
}

void TxlsColumnList::NoteDataCellAt(int position, std::string_view name, int row, int col) {
  const auto at = static_cast<std::size_t>(position);
  if (at >= entryAt_.size()) entryAt_.resize(at + 1, -1);
  int& entry = entryAt_[at];
  if (entry < 0 || items_[static_cast<std::size_t>(entry)].Name != name) {
    NoteDataCell(name, row, col);
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (SameText(items_[i].Name, name)) {
        entry = static_cast<int>(i);
        break;
      }
    }
    return;
  }
  TxlsColumn& column = items_[static_cast<std::size_t>(entry)];
  Widen(column.FirstRow, column.LastRow, row);
  Widen(column.FirstCol, column.LastCol, col);
}

const TxlsColumn* TxlsColumnList::Find(std::string_view name) const {
  for (const TxlsColumn& column : items_) {
    if (SameText(column.Name, name)) return &column;
  }
  return nullptr;
}

TxlsSheet::TxlsSheet(TFerran3XLS& owner, std::string title)
    : owner_(owner), columns_(*this) {
  Title = std::move(title);
}

void TxlsSheet::Assign(const TxlsSheet& source) {
  if (&source == this) return;
  Settings() = source.Settings();
}

TFerranHolderSettings TxlsSheet::HolderSettings() const {
  TFerranHolderSettings settings;
  settings.ExportedFields = &ExportedFields;
  settings.Sources = SourceRefs();
  settings.OnlyVisibleFields = OnlyVisibleFields;
  settings.Formats = &Formats;
  settings.AutoCalcStrType = AutoCalcStrType;
  settings.CaptionRow = CaptionRow;
  settings.UserFormats = &UserFormats;
  settings.ColumnsWidth = &ColumnsWidth;
  settings.Captions = &Captions;
  settings.SkipRecCount = SkipRecCount;
  settings.ExportRecCount = ExportRecCount;
  return settings;
}

int TxlsSheet::SheetIndex() const { return owner_.Sheets.IndexOf(*this); }

void TxlsSheet::NoteDataCell(std::string_view name, int row, int col) { columnList_.NoteDataCell(name, row, col); }

void TxlsSheet::DataRange(std::string_view name, TxlsChartDataRange& range) const {
  const TxlsColumn* column = columnList_.Find(name);
  if (column == nullptr) return;
  range.FirstCol = column->FirstCol + 1;
  range.FirstRow = column->FirstRow + 1;
  range.LastCol = column->LastCol + 1;
  range.LastRow = column->LastRow + 1;
}

TxlsSheet& TxlsSheets::Add() {
  const int number = Count() + 1;
  items_.push_back(std::make_unique<TxlsSheet>(owner_, FormatMessage("Sheet %d", {number})));
  return *items_.back();
}

int TxlsSheets::IndexOf(const TxlsSheet& sheet) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == &sheet) return static_cast<int>(i);
  }
  return -1;
}

void TxlsSheets::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

}  // namespace tabrin
