// Cell records: LABELSST, NUMBER, BOOLERR, BLANK and the aggregate FORMULA.
#include <algorithm>

#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

// Excel keeps at most this many characters in a cell.
constexpr std::size_t kMaxCellText = 32767;

// Writes the UTF-16 form of utf8 to out and returns the number of units.
// ASCII and well-formed three-byte sequences (all of Chinese) are decoded
// here; anything else goes through DecodeUtf8, so malformed text comes out
// the same as everywhere else.
std::size_t Utf8ToUtf16Units(std::string_view utf8, char16_t* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t size = utf8.size();
  char16_t* const start = out;
  std::size_t pos = 0;
  while (pos < size) {
    const unsigned lead = p[pos];
    if (lead < 0x80) {
      *out++ = static_cast<char16_t>(lead);
      ++pos;
      continue;
    }
    if ((lead & 0xF0) == 0xE0 && pos + 2 < size && (p[pos + 1] & 0xC0) == 0x80 && (p[pos + 2] & 0xC0) == 0x80) {
      const char32_t c = ((lead & 0x0F) << 12) | ((p[pos + 1] & 0x3F) << 6) | (p[pos + 2] & 0x3F);
      if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
        *out++ = static_cast<char16_t>(c);
        pos += 3;
        continue;
      }
    }
    char32_t c = detail::DecodeUtf8(utf8, pos);
    if (c >= 0x10000) {
      c -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (c >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(c);
    }
  }
  return static_cast<std::size_t>(out - start);
}

void CheckRow(int row) {
  if (row < 0 || row > biff::kLastRow) {
    throw TabrinError(FormatMessage(Tr("Row %d is outside the worksheet (rows 1 to 65536)"), {row + 1}));
  }
}

}  // namespace

void TxlsWorkbookWriter::CheckCell(int row, int col) const {
  if (!sheetOpen_) throw TabrinError(Tr("Cells are written between BeginSheet and EndSheet"));
  CheckRow(row);
  if (col < 0 || col > biff::kLastColumn) {
    throw TabrinError(FormatMessage(Tr("Column %d is outside the worksheet (columns 1 to 256)"), {col + 1}));
  }
}

// Every cell record widens the used range of the sheet being written (the
// last one begun), which FinishWorkbook turns into its DIMENSIONS record.
void TxlsWorkbookWriter::NoteWritten(int row, int col) { (*sheets_)[sheets_->Count() - 1].Widen(row, col); }

void TxlsWorkbookWriter::WriteCellHeader(std::uint8_t* body, int row, int col, std::uint16_t xf) {
  PutU16(body + 0, static_cast<std::uint16_t>(row));
  PutU16(body + 2, static_cast<std::uint16_t>(col));
  PutU16(body + 4, xf);
}

// The two cell records written by the hundred thousand: built whole on the
// stack and appended with a copy of known size, not through the record
// buffer.
template <std::size_t Size>
void TxlsWorkbookWriter::AppendCellRecord(const std::uint8_t (&record)[Size]) {
  TxlsMemoryStream& stream = file_->Stream();
  if (stream.TxlsMemoryStream::Write(record, Size) != Size) throw TabrinError(kWriteErrorMessage);
}

void TxlsWorkbookWriter::WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) {
  // Converted into a reused buffer: this runs for every text cell.  A text
  // never has more UTF-16 units than UTF-8 bytes.
  if (scratch_.size() < utf8.size()) scratch_.resize(std::max(utf8.size(), 2 * scratch_.size()));
  const std::size_t units = Utf8ToUtf16Units(utf8, scratch_.data());
  WriteLabelSst(row, col, std::u16string_view(scratch_.data(), units), xf);
}

void TxlsWorkbookWriter::WriteLabelSst(int row, int col, std::u16string_view utf16, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  if (utf16.size() > kMaxCellText) {
    throw TabrinError(FormatMessage(Tr("The text in row %d, column %d is longer than 32767 characters"),
                                    {row + 1, col + 1}));
  }
  // The string's index is filled in when the queued texts are added.
  const std::uint64_t indexPosition = file_->Stream().Position() + 4 + 6;
  std::uint8_t record[4 + 10] = {};
  PutU16(record, biff::kLabelSst);
  PutU16(record + 2, 10);
  WriteCellHeader(record + 4, row, col, xf);
  AppendCellRecord(record);
  NoteWritten(row, col);
  if (sst_->Queue(utf16, indexPosition)) ResolveQueuedStrings();
}

void TxlsWorkbookWriter::WriteNumber(int row, int col, double value, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  std::uint8_t record[4 + 14];
  PutU16(record, biff::kNumber);
  PutU16(record + 2, 14);
  WriteCellHeader(record + 4, row, col, xf);
  PutDouble(record + 10, value);
  AppendCellRecord(record);
  NoteWritten(row, col);
}

void TxlsWorkbookWriter::WriteBoolean(int row, int col, bool value, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  std::uint8_t* body = ClearBuffer(8);
  WriteCellHeader(body, row, col, xf);
  body[6] = value ? 1 : 0;
  body[7] = 0;  // a Boolean, not an error code
  WriteRecord(biff::kBoolErr, 8);
  NoteWritten(row, col);
}

void TxlsWorkbookWriter::WriteBlank(int row, int col, std::uint16_t xf) {
  RequireOpen();
  CheckCell(row, col);
  WriteCellHeader(ClearBuffer(6), row, col, xf);
  WriteRecord(biff::kBlank, 6);
  NoteWritten(row, col);
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
  NoteWritten(row, col);
}

}  // namespace tabrin
