#include "export/table_models.h"

#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {

std::string TMemoryListView::SubItem(int item, int subItem) const {
  const Item& entry = items.at(Index(item));
  if (subItem < 0 || subItem >= static_cast<int>(entry.subItems.size())) {
    throw TabrinError(FormatMessage(Tr("List index out of bounds (%d)"), {subItem}));
  }
  return entry.subItems[Index(subItem)];
}

TMemoryStringGrid::TMemoryStringGrid(int colCount, int rowCount, int fixedRows)
    : colPixelWidths(static_cast<std::size_t>(colCount), 64),
      colCount_(colCount),
      rowCount_(rowCount),
      fixedRows_(fixedRows),
      currentRow_(fixedRows),
      cells_(static_cast<std::size_t>(colCount) * static_cast<std::size_t>(rowCount)) {}

void TMemoryStringGrid::SetCell(int col, int row, std::string text) {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) throw TabrinError(Tr("Grid index out of range"));
  cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) + static_cast<std::size_t>(col)] =
      std::move(text);
}

std::string TMemoryStringGrid::Cell(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return {};
  return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) + static_cast<std::size_t>(col)];
}

}  // namespace tabrin
