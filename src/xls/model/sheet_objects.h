#pragma once
// What the writer needs of a sheet at its start and end, independent of the
// export component's sheet model.
//
//   TxlsSheetHead   settings BeginSheet writes into the worksheet head.
//   TxlsSheetTail   objects EndSheet writes: extra cells and hyperlinks (each
//                   with a cell format the caller resolved), merged ranges,
//                   notes and images.
//   TxlsCell, TxlsMergedCells  objects placed by the user (1-based Row/Col,
//                   0 = not placed).
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "xls/model/drawing_objects.h"
#include "xls/model/format_model.h"

namespace tabrin {

struct TxlsSheetHead {
  int SheetIndex = 0;
  std::string Title = "Sheet1";   // UTF-8; at most 31 characters, none of : \ / ? * [ ]
  int DefColWidth = 8;            // characters
  double DefRowHeight = 12.75;    // points
  std::string PageHeader;         // UTF-8
  std::string PageFooter;         // UTF-8
  std::uint8_t StartDataCol = 0;
  std::string Background;         // picture file (UTF-8); empty = none
};

enum TxlsCellType : std::uint8_t { ctBoolean, ctDateTime, ctNumeric, ctString };

// Value of an extra cell: none, a Boolean, a number (also a date-time serial)
// or a text (UTF-8).
using TxlsCellValue = std::variant<std::monostate, bool, double, std::string>;

struct TxlsCell {
  TxlsCellType CellType = ctString;
  std::uint16_t Col = 0;
  std::uint16_t Row = 0;
  TxlsCellValue Value;
  TxlsFormat Format;
  std::string DateTimeFormat;   // caller fills (short date + " " + long time)
  std::string NumericFormat = "###,###,#0.00";
};

struct TxlsMergedCells {
  std::uint16_t FirstCol = 0, FirstRow = 0, LastCol = 0, LastRow = 0;
  bool IsValid() const { return FirstCol != 0 && FirstRow != 0 && LastCol != 0 && LastRow != 0; }
};

// An extra cell with the cell format the caller resolved for it
// (ResolveCellFormat of the export pipeline).
struct TxlsResolvedCell {
  const TxlsCell* Cell = nullptr;
  std::uint16_t XfIndex = 15;
};

// A hyperlink with the cell format of its title cell.
struct TxlsResolvedHyperlink {
  const TxlsHyperlink* Link = nullptr;
  std::uint16_t XfIndex = 15;
};

struct TxlsSheetTail {
  std::vector<TxlsResolvedCell> Cells;
  std::vector<TxlsMergedCells> MergedCells;
  std::vector<TxlsResolvedHyperlink> Hyperlinks;
  std::vector<const TxlsNote*> Notes;
  std::vector<const TxlsImage*> Images;
  bool HasImages = false;
};

}  // namespace tabrin
