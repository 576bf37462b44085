#include "xls/biff8/drawing/image_anchor.h"

#include <algorithm>
#include <cmath>

namespace tabrin {
namespace {

constexpr int kLastCol = 255;
constexpr int kLastRow = 65535;
constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch

// Walks cells from `first` on, each size(i) long, until `length` is used
// up: the cell the end falls into, and the end's offset in it in 1/scale of
// the cell (an end exactly on a border starts the next cell at offset 0).
template <typename Size>
void Walk(int first, int last, long long length, int scale, Size size, std::uint16_t& cell, std::uint16_t& offset) {
  long long remaining = length;
  for (int i = first;; ++i) {
    const int extent = std::max(1, size(i));
    remaining -= extent;
    if (remaining < 0 || i >= last) {
      cell = static_cast<std::uint16_t>(std::min(i, last));
      const double inside = std::clamp<double>(static_cast<double>(extent + remaining), 0, extent);
      offset = static_cast<std::uint16_t>(std::min<long long>(std::llround(inside * scale / extent), scale - 1));
      return;
    }
  }
}

}  // namespace

int TxlsSheetGrid::ColumnPixels(int col) const {
  const int entry = col - StartDataCol;
  int characters = DefColWidth;
  if (ColumnWidths != nullptr && entry >= 0 && entry < static_cast<int>(ColumnWidths->size())) {
    characters = (*ColumnWidths)[static_cast<std::size_t>(entry)];
  }
  return (characters + 1) * ZeroWidth + 1;
}

int TxlsSheetGrid::RowTwips(int row) const {
  if (RowHeights != nullptr) {
    const auto found = RowHeights->find(row);
    if (found != RowHeights->end()) return found->second;
  }
  return DefRowHeightTwips;
}

TxlsClientAnchor ImageAnchor(const TxlsSheetGrid& grid, int row, int col, int width, int height) {
  TxlsClientAnchor anchor;
  anchor.Flags = 2;
  anchor.FirstCol = static_cast<std::uint16_t>(std::clamp(col, 0, kLastCol));
  anchor.FirstRow = static_cast<std::uint16_t>(std::clamp(row, 0, kLastRow));
  Walk(anchor.FirstCol, kLastCol, width, 1024, [&](int c) { return grid.ColumnPixels(c); }, anchor.LastCol,
       anchor.LastColOffset);
  Walk(anchor.FirstRow, kLastRow, static_cast<long long>(height) * kTwipsPerPixel, 256,
       [&](int r) { return grid.RowTwips(r); }, anchor.LastRow, anchor.LastRowOffset);
  return anchor;
}

}  // namespace tabrin
