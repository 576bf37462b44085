// The end of a worksheet: extra cells, merged ranges, hyperlinks, window
// settings, drawing objects, EOF.
#include <algorithm>

#include "text/boolean_text.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/regional.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/model/extra_cell_values.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

using detail::ValueBoolean;
using detail::ValueNumber;
using detail::ValueText;

// Ranges per MERGEDCELLS record: 2 + 8 * 1027 bytes fill the record buffer.
constexpr std::size_t kMergedPerRecord = 1027;

}  // namespace

void TxlsWorkbookWriter::WriteExtraCells(const TxlsSheetTail& tail) {
  for (const TxlsResolvedCell& resolved : tail.Cells) {
    const TxlsCell* cell = resolved.Cell;
    if (cell == nullptr || cell->Row == 0 || cell->Col == 0) continue;
    const int row = cell->Row - 1;
    const int col = cell->Col - 1;
    switch (cell->CellType) {
      case ctBoolean:
        WriteBoolean(row, col, ValueBoolean(cell->Value), resolved.XfIndex);
        break;
      case ctDateTime:
      case ctNumeric:
        WriteNumber(row, col, ValueNumber(cell->Value, cell->CellType == ctDateTime), resolved.XfIndex);
        break;
      case ctString: {
        const std::string text = ValueText(cell->Value);
        if (text.empty()) {
          WriteBlank(row, col, resolved.XfIndex);
        } else {
          WriteLabelSst(row, col, std::string_view(text), resolved.XfIndex);
        }
        break;
      }
    }
    if (tail.HasImages) MeasureRowHeight(resolved.XfIndex, row);
  }
}

void TxlsWorkbookWriter::WriteMergedCells(const std::vector<TxlsMergedCells>& ranges) {
  std::vector<const TxlsMergedCells*> valid;
  for (const TxlsMergedCells& range : ranges) {
    if (range.IsValid()) valid.push_back(&range);
  }
  // More ranges than one record holds go into further MERGEDCELLS records.
  for (std::size_t start = 0; start < valid.size(); start += kMergedPerRecord) {
    const std::size_t count = std::min(kMergedPerRecord, valid.size() - start);
    std::uint8_t* body = ClearBuffer(2 + 8 * count);
    PutU16(body, static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
      const TxlsMergedCells& r = *valid[start + i];
      std::uint8_t* at = body + 2 + 8 * i;
      PutU16(at + 0, static_cast<std::uint16_t>(r.FirstRow - 1));
      PutU16(at + 2, static_cast<std::uint16_t>(r.LastRow - 1));
      PutU16(at + 4, static_cast<std::uint16_t>(r.FirstCol - 1));
      PutU16(at + 6, static_cast<std::uint16_t>(r.LastCol - 1));
    }
    WriteRecord(biff::kMergedCells, static_cast<std::uint16_t>(2 + 8 * count));
  }
}

void TxlsWorkbookWriter::EndSheet(const TxlsSheetTail& tail) {
  RequireOpen();
  if (!sheetOpen_) throw TabrinError(Tr("No sheet is open"));
  WriteExtraCells(tail);
  WriteMergedCells(tail.MergedCells);
  WriteHyperlinkCells(tail.Hyperlinks);

  std::uint8_t* body = ClearBuffer(18);
  PutU16(body, 0x06B6);
  WriteRecord(biff::kWindow2, 18);

  body = ClearBuffer(16);
  body[0] = 3;                // pane
  PutU16(body + 7, 1);        // one range: A1
  WriteRecord(biff::kSelection, 16);

  WriteHyperlinks(tail.Hyperlinks);
  WriteDrawingObjects(tail);
  WriteRecord(biff::kEof, 0);
  ResolveQueuedStrings();
  sheetOpen_ = false;
}

}  // namespace tabrin
