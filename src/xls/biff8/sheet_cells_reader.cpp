// Reading a sheet's cell records into a worksheet builder: one decoder for
// each kind of cell record, and the loop that hands each record to its own.
#include <string>
#include <string_view>

#include "text/translation.h"
#include "xls/biff8/biff_reader.h"
#include "xls/biff8/record_numbers.h"
#include "xls/biff8/sheet_halves.h"
#include "xls/biff8/workbook_reader.h"
#include "xls/cfb/compound_file_reader.h"
#include "xls/model/little_endian.h"
#include "xls/model/worksheet_builder.h"

namespace tabrin {

namespace {

using detail::TBiffBodyReader;
using detail::TBiffRecordCursor;
using detail::TBiffRecordView;
using detail::TDamagedDocument;

}  // namespace

// The cells of a sheet's records, added to a builder: one decoder for each
// kind of cell record.
class TWorkbookReader::TCellDecoder {
 public:
  TCellDecoder(const TWorkbookReader& book, detail::TWorksheetBuilder& cells)
      : book_(book),
        cells_(cells),
        sharedCount_(book.sharedStrings_->Count()),
        rkDate_(book.dates1904_ ? detail::TRkKind::rkDate1904 : detail::TRkKind::rkDate1900) {}

  // NUMBER: row, column, cell format, a double.
  void Number(const TBiffRecordView& record) {
    const char* fields = LeadingBytes(record, 14, spare_).data();
    AddNumber(GetU16(fields), GetU16(fields + 2), GetU16(fields + 4), GetF64(fields + 6));
  }

  // RK: row, column, cell format, an RK number.
  void Rk(const TBiffRecordView& record) {
    const char* fields = LeadingBytes(record, 10, spare_).data();
    AddRk(GetU16(fields), GetU16(fields + 2), GetU16(fields + 4), GetU32(fields + 6));
  }

  // MULRK: row, first column, a cell format and an RK number for each cell,
  // the last column.  The cells are counted from its own body's length.
  void MulRk(const TBiffRecordView& record) {
    const std::string_view body = record.body;
    if (body.size() < 6) detail::RaiseRecordEndsEarly();
    const std::uint16_t row = GetU16(body.data()), first = GetU16(body.data() + 2);
    const std::size_t count = (body.size() - 6) / 6;
    for (std::size_t i = 0; i < count; ++i) {
      const char* cell = body.data() + 4 + 6 * i;
      AddRk(row, first + static_cast<std::uint32_t>(i), GetU16(cell), GetU32(cell + 2));
    }
  }

  // LABELSST: row, column, cell format, the index of a shared text.
  void LabelSst(const TBiffRecordView& record) {
    const char* fields = LeadingBytes(record, 10, spare_).data();
    const std::uint32_t index = GetU32(fields + 6);
    if (index >= sharedCount_) throw TDamagedDocument(Tr("a cell refers to a shared text that does not exist"));
    cells_.AddSharedText(GetU16(fields), CheckedColumn(GetU16(fields + 2)), index);
  }

  // LABEL and RSTRING: row, column, cell format, a text of the cell's own.
  void Label(const TBiffRecordView& record) {
    TBiffBodyReader body(record);
    const std::uint16_t row = body.U16(), column = body.U16();
    body.Skip(2);
    cells_.AddOwnText(row, CheckedColumn(column), Text(body));
  }

  // BOOLERR: row, column, cell format, a value and whether it is an error.
  void BoolErr(const TBiffRecordView& record) {
    const char* fields = LeadingBytes(record, 8, spare_).data();
    const std::uint16_t row = GetU16(fields), column = GetU16(fields + 2);
    const auto value = static_cast<std::uint8_t>(fields[6]);
    if (fields[7] != 0) {
      cells_.AddValue(row, CheckedColumn(column), TCellKind::ckError, value);
    } else {
      cells_.AddValue(row, CheckedColumn(column), TCellKind::ckBoolean, value != 0 ? 1 : 0);
    }
  }

  // FORMULA: row, column, cell format and the result.  True when the result
  // is a text, which the STRING record after it holds: the cell waits for it.
  bool Formula(const TBiffRecordView& record, detail::TCellReading& reading) {
    const std::string_view body = record.body;
    if (body.size() < 14) detail::RaiseRecordEndsEarly();
    const std::uint16_t row = GetU16(body.data()), column = GetU16(body.data() + 2), xf = GetU16(body.data() + 4);
    const std::string_view result = body.substr(6, 8);
    if (static_cast<unsigned char>(result[6]) != 0xFF || static_cast<unsigned char>(result[7]) != 0xFF) {
      AddNumber(row, column, xf, GetF64(result.data()));
      return false;
    }
    const auto kind = static_cast<unsigned char>(result[0]);
    const auto value = static_cast<unsigned char>(result[2]);
    if (kind == 0) {
      Touch(row, column);
      reading.pendingString = true, reading.pendingRow = row, reading.pendingColumn = column;
      return true;
    }
    if (kind == 1) {
      cells_.AddValue(row, CheckedColumn(column), TCellKind::ckBoolean, value != 0 ? 1 : 0);
    } else if (kind == 2) {
      cells_.AddValue(row, CheckedColumn(column), TCellKind::ckError, value);
    } else {
      Touch(row, column);  // an empty result
    }
    return false;
  }

  // STRING: the text result of the formula whose cell waits for it.
  void FormulaText(const TBiffRecordView& record, const detail::TCellReading& reading) {
    TBiffBodyReader body(record);
    cells_.AddOwnText(reading.pendingRow, reading.pendingColumn, Text(body));
  }

  // BLANK: row and column of a cell with a format and no value.
  void Blank(const TBiffRecordView& record) {
    const char* fields = LeadingBytes(record, 4, spare_).data();
    Touch(GetU16(fields), GetU16(fields + 2));
  }

  // MULBLANK: row, first column, a cell format for each cell, the last
  // column.  The cells are counted from its own body's length.
  void MulBlank(const TBiffRecordView& record) {
    const std::string_view body = record.body;
    if (body.size() < 6) detail::RaiseRecordEndsEarly();
    const std::uint16_t row = GetU16(body.data()), first = GetU16(body.data() + 2);
    const std::size_t count = (body.size() - 6) / 2;
    if (count > 0) {
      Touch(row, first);
      Touch(row, static_cast<std::uint32_t>(first + count - 1));
    }
  }

 private:
  // Cell records name their column in 16 bits; these workbooks end at IV.
  static std::uint16_t CheckedColumn(std::uint32_t column) {
    if (column > biff::kLastColumn) throw TDamagedDocument(Tr("a cell lies beyond the last column"));
    return static_cast<std::uint16_t>(column);
  }

  // A date is told from a number by its cell format; it moves to the usual
  // day count (from 30 December 1899).
  bool IsDateXf(std::uint16_t xf) const { return xf < book_.dateXfs_.size() && book_.dateXfs_[xf]; }

  void AddNumber(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value) {
    if (IsDateXf(xf)) {
      cells_.AddValue(row, CheckedColumn(column), TCellKind::ckDateTime, detail::DayCount(value, book_.dates1904_));
    } else {
      cells_.AddValue(row, CheckedColumn(column), TCellKind::ckNumber, value);
    }
  }

  void AddRk(std::uint16_t row, std::uint32_t column, std::uint16_t xf, std::uint32_t rk) {
    cells_.AddRk(row, CheckedColumn(column), rk, IsDateXf(xf) ? rkDate_ : detail::TRkKind::rkNumber);
  }

  void Touch(std::uint16_t row, std::uint32_t column) { cells_.Touch(row, CheckedColumn(column)); }

  std::string Text(TBiffBodyReader& body) const {
    return book_.biffVersion_ == 8 ? detail::ReadUnicodeString(body, 2) : book_.DecodeBytes(body.Bytes(body.U16()));
  }

  const TWorkbookReader& book_;
  detail::TWorksheetBuilder& cells_;
  const std::uint32_t sharedCount_;
  const detail::TRkKind rkDate_;
  std::string spare_;  // a record's fields gathered across its CONTINUE records
};

bool TWorkbookReader::ReadCellRecords(TBiffRecordCursor& cursor, const detail::TReadingStop& stopAt,
                                      detail::TCellReading& reading, detail::TWorksheetBuilder& sheetCells) const {
  TCellDecoder cells(*this, sheetCells);
  for (;;) {
    if (cursor.Offset() >= stopAt.offset.load(std::memory_order_relaxed)) return false;
    if (cursor.AtEnd()) throw TDamagedDocument(Tr("a sheet ends before its last record"));
    const TBiffRecordView record = cursor.Next();
    if (record.type == biff::kBof) {
      ++reading.nesting;
      continue;
    }
    if (record.type == biff::kEof) {
      if (reading.nesting == 0) return true;
      --reading.nesting;
      continue;
    }
    if (reading.nesting > 0) continue;
    switch (record.type) {
      case biff::kLabelSst: cells.LabelSst(record); break;
      case biff::kNumber: cells.Number(record); break;
      case biff::kRk: cells.Rk(record); break;
      case biff::kMulRk: cells.MulRk(record); break;
      case biff::kLabel:
      case biff::kRString: cells.Label(record); break;
      case biff::kBoolErr: cells.BoolErr(record); break;
      case biff::kBlank: cells.Blank(record); break;
      case biff::kMulBlank: cells.MulBlank(record); break;
      case biff::kFormula:
        if (cells.Formula(record, reading)) continue;
        break;
      case biff::kString:
        if (reading.pendingString) cells.FormulaText(record, reading);
        break;
      // Shared-formula, array and table records may stand between a formula
      // and its STRING record; every other record ends the wait.
      case biff::kShrFmla:
      case biff::kArray:
      case biff::kTable: continue;
      default: break;
    }
    reading.pendingString = false;
  }
}

}  // namespace tabrin
