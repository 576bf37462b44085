#include "xls/worksheet_builder.h"

#include <algorithm>

namespace tabrin::detail {

TWorksheetBuilder::TWorksheetBuilder(std::string name, std::shared_ptr<const TTextPool> sharedTexts) {
  sheet_.name_ = std::move(name);
  sharedCount_ = sharedTexts ? sharedTexts->Count() : 0;
  sheet_.sharedTexts_ = std::move(sharedTexts);
}

void TWorksheetBuilder::Touch(std::uint32_t row, std::uint32_t column) {
  touched_ = true;
  firstRow_ = std::min(firstRow_, row);
  lastRow_ = std::max(lastRow_, row);
  firstColumn_ = std::min(firstColumn_, column);
  lastColumn_ = std::max(lastColumn_, column);
}

void TWorksheetBuilder::Append(std::uint32_t row, std::uint32_t column, TCellKind kind, double value,
                               std::uint32_t text) {
  Touch(row, column);
  std::vector<TSheetCell>& cells = sheet_.cells_;
  if (ordered_ && !cells.empty()) {
    const TSheetCell& last = cells.back();
    ordered_ = last.row < row || (last.row == row && last.column < column);
  }
  TSheetCell cell;
  cell.number = value;
  cell.text = text;
  cell.row = row;
  cell.column = static_cast<std::uint16_t>(column);
  cell.kind = kind;
  cells.push_back(cell);
}

void TWorksheetBuilder::AddValue(std::uint32_t row, std::uint32_t column, TCellKind kind, double value) {
  Append(row, column, kind, value, 0);
}

void TWorksheetBuilder::AddSharedText(std::uint32_t row, std::uint32_t column, std::uint32_t index) {
  if (sheet_.sharedTexts_->At(index).empty()) return Touch(row, column);
  Append(row, column, TCellKind::ckText, 0, index);
}

void TWorksheetBuilder::AddOwnText(std::uint32_t row, std::uint32_t column, std::string_view text) {
  if (text.empty()) return Touch(row, column);
  Append(row, column, TCellKind::ckText, 0, sharedCount_ + sheet_.ownTexts_.Add(text));
}

TWorksheet TWorksheetBuilder::Finish() {
  std::vector<TSheetCell>& cells = sheet_.cells_;
  if (!ordered_) {
    std::stable_sort(cells.begin(), cells.end(), [](const TSheetCell& a, const TSheetCell& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (kept > 0 && cells[kept - 1].row == cells[i].row && cells[kept - 1].column == cells[i].column) {
        cells[kept - 1] = cells[i];
      } else {
        cells[kept++] = cells[i];
      }
    }
    cells.resize(kept);
  }
  if (touched_) {
    sheet_.firstRow_ = static_cast<int>(firstRow_);
    sheet_.lastRow_ = static_cast<int>(lastRow_);
    sheet_.firstColumn_ = static_cast<int>(firstColumn_);
    sheet_.lastColumn_ = static_cast<int>(lastColumn_);
  }
  const std::size_t rows = cells.empty() ? 0 : cells.back().row + std::size_t{1};
  sheet_.rowStarts_.assign(rows + 1, 0);
  std::size_t at = 0;
  for (std::size_t row = 0; row <= rows; ++row) {
    while (at < cells.size() && cells[at].row < row) ++at;
    sheet_.rowStarts_[row] = static_cast<std::uint32_t>(at);
  }
  return std::move(sheet_);
}

}  // namespace tabrin::detail
