// Cell records: LABELSST, NUMBER, BOOLERR, BLANK and the aggregate FORMULA.
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "xls/biff_record.h"
#include "xls/workbook_writer.h"

namespace tabrin {
namespace {

constexpr int kMaxRow = 65535;
constexpr int kMaxCol = 255;
// Excel keeps at most this many characters in a cell.
constexpr std::size_t kMaxCellText = 32767;

void CheckRow(int row) {
  if (row < 0 || row > kMaxRow) {
    throw TabrinError(FormatMessage("Row %d is outside the worksheet (rows 1 to 65536)", {row + 1}));
  }
}

}  // namespace

void TxlsWorkbookWriter::CheckCell(int row, int col) const {
  if (!sheetOpen_) throw TabrinError("Cells are written between BeginSheet and EndSheet");
  CheckRow(row);
  if (col < 0 || col > kMaxCol) {
    throw TabrinError(FormatMessage("Column %d is outside the worksheet (columns 1 to 256)", {col + 1}));
  }
}

void TxlsWorkbookWriter::WriteCellHeader(std::uint8_t* body, int row, int col, std::uint16_t xf) {
  PutU16(body + 0, static_cast<std::uint16_t>(row));
  PutU16(body + 2, static_cast<std::uint16_t>(col));
  PutU16(body + 4, xf);
}

void TxlsWorkbookWriter::WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) {
  // Converted into a reused buffer: this runs for every text cell.
  scratch_.clear();
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const unsigned char lead = static_cast<unsigned char>(utf8[pos]);
    if (lead < 0x80) {
      scratch_.push_back(lead);
      ++pos;
      continue;
    }
    char32_t c = detail::DecodeUtf8(utf8, pos);
    if (c >= 0x10000) {
      c -= 0x10000;
      scratch_.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      scratch_.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      scratch_.push_back(static_cast<char16_t>(c));
    }
  }
  WriteLabelSst(row, col, std::u16string_view(scratch_), xf);
}

void TxlsWorkbookWriter::WriteLabelSst(int row, int col, std::u16string_view utf16, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  if (utf16.size() > kMaxCellText) {
    throw TabrinError(FormatMessage("The text in row %d, column %d is longer than 32767 characters",
                                    {row + 1, col + 1}));
  }
  const std::uint32_t index = sst_->AddString(utf16);
  std::uint8_t* body = ClearBuffer(10);
  WriteCellHeader(body, row, col, xf);
  PutU32(body + 6, index);
  WriteRecord(biff::kLabelSst, 10);
}

void TxlsWorkbookWriter::WriteNumber(int row, int col, double value, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  std::uint8_t* body = ClearBuffer(14);
  WriteCellHeader(body, row, col, xf);
  PutDouble(body + 6, value);
  WriteRecord(biff::kNumber, 14);
}

void TxlsWorkbookWriter::WriteBoolean(int row, int col, bool value, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  std::uint8_t* body = ClearBuffer(8);
  WriteCellHeader(body, row, col, xf);
  body[6] = value ? 1 : 0;
  body[7] = 0;  // a Boolean, not an error code
  WriteRecord(biff::kBoolErr, 8);
}

void TxlsWorkbookWriter::WriteBlank(int row, int col, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  WriteCellHeader(ClearBuffer(6), row, col, xf);
  WriteRecord(biff::kBlank, 6);
}

void TxlsWorkbookWriter::WriteAggregateFormula(int row, int col, std::uint16_t xf,
                                               TxlsAggregate aggregate, int firstRow, int lastRow) {
  RequireOpen();
  CheckCell(row, col);
  CheckRow(firstRow);
  CheckRow(lastRow);
  std::uint16_t function = 0;  // COUNT
  switch (aggregate) {
    case aggSum: function = 4; break;
    case aggAvg: function = 5; break;
    case aggMin: function = 6; break;
    case aggMax: function = 7; break;
    default: break;
  }
  std::uint8_t* body = ClearBuffer(35);
  WriteCellHeader(body, row, col, xf);
  // Result 0 (offset 6..13), recalculated when the file is opened.
  PutU16(body + 14, 0x0002);
  PutU32(body + 16, 0);
  PutU16(body + 20, 13);
  body[22] = 0x25;  // area reference
  PutU16(body + 23, static_cast<std::uint16_t>(firstRow));
  PutU16(body + 25, static_cast<std::uint16_t>(lastRow));
  PutU16(body + 27, static_cast<std::uint16_t>(0xC000 | col));
  PutU16(body + 29, static_cast<std::uint16_t>(0xC000 | col));
  body[31] = 0x42;  // function with argument count
  body[32] = 1;
  PutU16(body + 33, function);
  WriteRecord(biff::kFormula, 35);
}

}  // namespace tabrin
