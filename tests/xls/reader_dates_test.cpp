// Day numbers of 1900-based workbooks read as the dates a spreadsheet shows
// for them, also before 1 March 1900, where the format counts a 29 February
// 1900 that never was.
#include <gtest/gtest.h>

#include "text/regional.h"
#include "xls/reader_test_support.h"
#include "xls/workbook_reader.h"
#include "xls/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

TEST(WorkbookReaderDates, DayNumbersBeforeMarch1900ReadAsTheDaysASpreadsheetShows) {
  const struct {
    double stored;  // the cell's value in the file
    const char* format;
    const char* read;  // as the reader delivers it (days from 1899-12-30)
    const char* text;  // the short date and long time
  } cases[] = {
      {1, "yyyy/m/d", "date:2", "1900/1/1"},
      {2, "yyyy/m/d", "date:3", "1900/1/2"},
      {59, "yyyy/m/d", "date:60", "1900/2/28"},
      {61, "yyyy/m/d", "date:61", "1900/3/1"},
      {45356, "yyyy/m/d", "date:45356", "2024/3/5"},
      {1.25, "[h]:mm:ss", "date:2.25", "1900/1/1 06:00:00"},
      {59.5, "yyyy/m/d hh:mm", "date:60.5", "1900/2/28 12:00:00"},
      {0.75, "hh:mm", "date:0.75", "1899/12/30 18:00:00"},  // a time of day without a date
  };
  test::TempFolder folder;
  const std::string path = (folder / "dates.xls").string();
  {
    TxlsWorkbookWriter writer;
    writer.CreateWorkbookFile(path);
    writer.BeginWorkbook();
    writer.BeginSheet(TxlsSheetHead{});
    int row = 0;
    for (const auto& c : cases) {
      TxlsCellFormatRequest format;
      format.NumberFormat = c.format;
      writer.UsedRanges().NoteUsedCell(0, row, 0);
      writer.WriteNumber(row++, 0, c.stored, writer.Formats().GetOrCreate(format));
    }
    writer.EndSheet();
    writer.FinishWorkbook();
    writer.CloseWorkbookFile();
  }

  const TWorksheet sheet = TWorkbookReader::OpenFile(path).ReadSheet("Sheet1");
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(test::Describe(sheet, row, 0), c.read);
    const TSheetCell* cell = sheet.Find(row++, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(TRegionalFormats::System().DateTimeToText(cell->number), c.text);
  }
}

}  // namespace
}  // namespace tabrin
