#pragma once
// Where an image lands on the sheet's grid: the cells under its top-left
// and bottom-right corners, with the bottom-right corner's offset inside its
// cell (1/1024 of the column's width, 1/256 of the row's height) as the
// drawing's client anchor stores them.
#include <cstdint>
#include <map>
#include <vector>

namespace tabrin {

struct TxlsClientAnchor {
  std::uint16_t Flags = 0;
  std::uint16_t FirstCol = 0, FirstColOffset = 0, FirstRow = 0, FirstRowOffset = 0;
  std::uint16_t LastCol = 0, LastColOffset = 0, LastRow = 0, LastRowOffset = 0;
};

// The sheet's grid as it is when the sheet ends.
struct TxlsSheetGrid {
  const std::vector<int>* ColumnWidths = nullptr;  // characters, from StartDataCol on
  int StartDataCol = 0;
  int DefColWidth = 8;                              // characters
  int DefRowHeightTwips = 255;
  const std::map<int, int>* RowHeights = nullptr;  // twips, by 0-based row
  int ZeroWidth = 7;                                // pixels of "0" in the default font

  // A column (w characters) is (w + 1) widths of "0" plus one pixel wide.
  int ColumnPixels(int col) const;
  int RowTwips(int row) const;
};

// The anchor of an image of width x height pixels whose top-left corner is
// at the top-left of cell (row, col), both 0-based.
TxlsClientAnchor ImageAnchor(const TxlsSheetGrid& grid, int row, int col, int width, int height);

}  // namespace tabrin
