// Day numbers of 1900-based workbooks read as the dates a spreadsheet shows
// for them, also before 1 March 1900, where the format counts a 29 February
// 1900 that never was.  Both file formats store the same day numbers, so both
// readers must give the same dates back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "text/regional.h"
#include "xls/reader_test_support.h"
#include "xls/spreadsheet.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"
#include "xls/ooxml/xlsx_writer.h"

namespace tabrin {
namespace {

struct TDateCase {
  double stored;  // the cell's value in the file
  const char* format;
  const char* read;  // as the reader delivers it (days from 1899-12-30)
  const char* text;  // the short date and long time
};

const TDateCase kCases[] = {
    {1, "yyyy/m/d", "date:2", "1900/1/1"},
    {2, "yyyy/m/d", "date:3", "1900/1/2"},
    {59, "yyyy/m/d", "date:60", "1900/2/28"},
    {61, "yyyy/m/d", "date:61", "1900/3/1"},
    {45356, "yyyy/m/d", "date:45356", "2024/3/5"},
    {1.25, "[h]:mm:ss", "date:2.25", "1900/1/1 06:00:00"},
    {59.5, "yyyy/m/d hh:mm", "date:60.5", "1900/2/28 12:00:00"},
    {0.75, "hh:mm", "date:0.75", "1899/12/30 18:00:00"},  // a time of day without a date
};

struct TFileKind {
  const char* extension;
  std::function<std::unique_ptr<TWorkbookOutput>()> makeWriter;
};

class DayNumbersTest : public ::testing::TestWithParam<TFileKind> {};

TEST_P(DayNumbersTest, DayNumbersBeforeMarch1900ReadAsTheDaysASpreadsheetShows) {
  test::TempFolder folder;
  const std::string path = (folder / (std::string("dates") + GetParam().extension)).string();
  {
    const std::unique_ptr<TWorkbookOutput> output = GetParam().makeWriter();
    output->CreateWorkbookFile(path);
    output->BeginWorkbook();
    output->BeginSheet(TxlsSheetHead{});
    int row = 0;
    for (const TDateCase& c : kCases) {
      TxlsCellFormatRequest format;
      format.NumberFormat = c.format;
      output->WriteNumber(row++, 0, c.stored, output->Formats().GetOrCreate(format));
    }
    output->EndSheet({});
    output->FinishWorkbook();
    output->CloseWorkbookFile();
  }

  const TWorksheet sheet = OpenSpreadsheetFile(path)->ReadSheet("Sheet1");
  int row = 0;
  for (const TDateCase& c : kCases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(test::Describe(sheet, row, 0), c.read);
    const std::optional<TSheetCell> cell = sheet.Find(row++, 0);
    ASSERT_NE(cell, std::nullopt);
    EXPECT_EQ(TRegionalFormats::System().DateTimeToText(cell->number), c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    BothFormats, DayNumbersTest,
    ::testing::Values(TFileKind{".xls", [] { return std::unique_ptr<TWorkbookOutput>(new TxlsWorkbookWriter); }},
                      TFileKind{".xlsx", [] { return std::unique_ptr<TWorkbookOutput>(new TxlsxWorkbookWriter); }}),
    [](const ::testing::TestParamInfo<TFileKind>& kind) { return std::string(kind.param.extension + 1); });

}  // namespace
}  // namespace tabrin
