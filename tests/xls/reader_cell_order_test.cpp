// Cell records may come in any order, and a position may be written more
// than once (the later record counts): every cell reads at its place, with
// the value its record packs (RK numbers and dates of either system too).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "xls/reader_test_support.h"
#include "xls/biff8/workbook_reader.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

void PutU16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
}

void WriteRk(TxlsWorkbookWriter& writer, int row, int column, std::uint16_t xf, std::uint32_t rk) {
  std::uint8_t* body = writer.ClearBuffer(10);
  PutU16(body, row);
  PutU16(body + 2, column);
  PutU16(body + 4, xf);
  PutU32(body + 6, rk);
  writer.WriteRecord(0x027E, 10);
}

TEST(WorkbookReaderCellOrder, CellsOutOfOrderAndWrittenTwiceReadAtTheirPlaces) {
  test::TempFolder folder;
  const std::string path = (folder / "order.xls").string();
  {
    TxlsWorkbookWriter writer;
    writer.CreateWorkbookFile(path);
    writer.BeginWorkbook();
    TxlsCellFormatRequest dateFormat;
    dateFormat.NumberFormat = "yyyy/m/d";
    const std::uint16_t date = writer.Formats().GetOrCreate(dateFormat);
    writer.BeginSheet(TxlsSheetHead{});
    WriteRk(writer, 3, 2, kDefaultXfIndex, 7 << 2 | 2);      // 7
    writer.WriteLabelSst(1, 4, std::string_view("後"), kDefaultXfIndex);
    WriteRk(writer, 1, 0, date, 45356 << 2 | 2);            // a date
    WriteRk(writer, 3, 0, kDefaultXfIndex, 12345 << 2 | 3);  // 123.45
    writer.WriteLabelSst(1, 4, std::string_view("先"), kDefaultXfIndex);  // replaces 後
    WriteRk(writer, 1, 1, date, 59 << 2 | 2);               // 1900-02-28
    WriteRk(writer, 3, 2, kDefaultXfIndex, 8 << 2 | 2);      // replaces 7
    writer.WriteBoolean(0, 3, true, kDefaultXfIndex);
    writer.EndSheet();
    writer.FinishWorkbook();
    writer.CloseWorkbookFile();
  }

  const TWorksheet sheet = TWorkbookReader::OpenFile(path).ReadSheet("Sheet1");
  const struct {
    int row, column;
    const char* expected;
  } cases[] = {
      {0, 3, "bool:1"},       {1, 0, "date:45356"}, {1, 1, "date:60"},     {1, 4, "text:先"},
      {3, 0, "number:123.45"}, {3, 2, "number:8"},   {2, 0, "empty"},       {3, 1, "empty"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::Describe(sheet, c.row, c.column), c.expected) << "row " << c.row << " column " << c.column;
  }
  std::string rowOne;
  for (const TSheetCell& cell : sheet.RowCells(1)) rowOne += std::to_string(cell.column) + " ";
  EXPECT_EQ(rowOne, "0 1 4 ");
  EXPECT_EQ(sheet.LastRow(), 3);
  EXPECT_EQ(sheet.LastColumn(), 4);
}

}  // namespace
}  // namespace tabrin
