#pragma once
// The cells of a piece of a worksheet parsed before the pieces ahead of it
// are in (see piece_reading.h), kept in arrival order and handed to the
// sheet's builder when their turn comes.
#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/worksheet_builder.h"
#include "xls/ooxml/cell_values.h"
#include "xls/ooxml/xlsx_reader.h"

namespace tabrin::detail {

[[noreturn]] void TooManyCells();

// Refuses a cell past the limit of cells a worksheet may hold.
inline void CheckRoomForCell(const TWorksheetBuilder& builder) {
  if (builder.CellCount() >= kXlsxMaxCells) TooManyCells();
}

class TCellList {
 public:
  void Add(std::uint32_t row, std::uint32_t column, const TCellValue& value) {
    TOp op{row, column, value.shared, 0, value.number, value.what, value.kind};
    if (value.what == TCellValue::TWhat::Own) {
      op.a = static_cast<std::uint32_t>(texts_.size());
      op.b = static_cast<std::uint32_t>(value.text.size());
      texts_.append(value.text);
    }
    ops_.push_back(op);
  }

  // Adds the cells as the sheet's handler would have added them itself,
  // the cell limit checked before each as it is there.
  void PlayInto(TWorksheetBuilder& builder) const;

 private:
  struct TOp {
    std::uint32_t row, column;
    std::uint32_t a, b;  // shared text index; own text offset and length
    double number;
    TCellValue::TWhat what;
    TCellKind kind;
  };
  std::vector<TOp> ops_;
  std::string texts_;
};

}  // namespace tabrin::detail
