#include "xls/model/worksheet.h"

namespace tabrin {

void detail::TPackedCells::reserve(std::size_t capacity) {
  capacity += kLargestCell;
  if (capacity <= capacity_) return;
  // A large sheet's cells are written once, front to back, into fresh
  // memory: in huge pages the kernel is entered far less often for its
  // page faults.
  auto bytes = MakeLargeBlock<unsigned char>(capacity);
  if (size_ > 0) std::memcpy(bytes.get(), bytes_.get(), size_);
  bytes_ = std::move(bytes);
  capacity_ = capacity;
}

TRowCells TWorksheet::RowCells(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) + 1 >= rowStarts_.size()) return {};
  const unsigned char* cells = cells_.data();
  return TRowCells(cells + rowStarts_[row], cells + rowStarts_[row + 1], static_cast<std::uint32_t>(row));
}

std::optional<TSheetCell> TWorksheet::Find(int row, int column) const {
  for (const TSheetCell& cell : RowCells(row)) {
    if (cell.column == column) return cell;
    if (cell.column > column) break;
  }
  return std::nullopt;
}

std::string_view TWorksheet::Text(const TSheetCell& cell) const {
  if (cell.kind != TCellKind::ckText) return {};
  const std::uint32_t shared = SharedTextCount();
  return cell.text < shared ? sharedTexts_->At(cell.text) : ownTexts_->At(cell.text - shared);
}

}  // namespace tabrin
