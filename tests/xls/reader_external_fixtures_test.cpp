// Reading workbooks written by other programs (LibreOffice and gnumeric, from
// the hand-written sources in tests/data/sources): each program lays out its
// records, formats and formula results in its own way.
#include <gtest/gtest.h>

#include <vector>

#include "xls/reader_test_support.h"
#include "xls/workbook_reader.h"

namespace tabrin {
namespace {

using test::Describe;
using test::FixturePath;

struct CellCase {
  int row, column;
  const char* expected;
};

void ExpectCells(const TWorksheet& sheet, const std::vector<CellCase>& cases, const char* file) {
  for (const CellCase& c : cases) {
    EXPECT_EQ(Describe(sheet, c.row, c.column), c.expected) << file << " row " << c.row << " column " << c.column;
  }
}

// The item sheet, the same in every program's file: titles (one blank), the
// 6-digit item number and the 13-digit barcode as numbers, dates with and
// without a time, Booleans, formulas with number results, a column mixing
// numbers and texts, blank cells.
const std::vector<CellCase> kItemCells = {
    {0, 0, "text:管理貨號"}, {0, 1, "text:國際碼"}, {0, 7, "text:公式文"}, {0, 9, "text:混合"},
    {0, 10, "empty"}, {0, 11, "text:備註"},
    {1, 0, "number:100234"}, {1, 1, "number:4710088412345"}, {1, 2, "text:可口可樂 600ml"},
    {1, 3, "date:45356"}, {1, 4, "number:25"}, {1, 5, "bool:1"}, {1, 6, "number:50"},
    {1, 9, "number:12345"}, {1, 10, "text:x1"}, {1, 11, "text:冰涼飲品"},
    {2, 0, "number:100235"}, {2, 1, "number:4901234567894"}, {2, 2, "text:Pocky 巧克力棒"},
    {2, 3, "date:45357.6043402778"}, {2, 4, "number:1.5"}, {2, 5, "bool:0"}, {2, 6, "number:0.3"},
    {2, 7, "empty"} /* a formula whose result is the empty text */, {2, 9, "text:ABC"}, {2, 10, "empty"},
    {3, 0, "empty"}, {3, 1, "empty"}, {3, 2, "text:無貨號"}, {3, 3, "date:45000"}, {3, 4, "number:1E-7"},
    {3, 5, "empty"}, {3, 6, "empty"}, {3, 9, "number:0.5"}, {3, 11, "text:說明：無條碼"},
    {4, 0, "number:999999"}, {4, 1, "number:4710000000017"}, {4, 2, "text:最後一筆"},
    {4, 3, "date:36525.9999884259"}, {4, 4, "number:-3.25"}, {4, 5, "bool:1"}, {4, 6, "number:999995.75"},
    {4, 9, "text:七十"}, {4, 11, "empty"},
};

struct ItemWorkbookCase {
  const char* file;
  int biffVersion;
  int codePage;
  // The text and Boolean formulas of columns H and I, which the programs
  // store differently.
  std::vector<CellCase> formulaCells;
};

class ExternalItemWorkbookTest : public ::testing::TestWithParam<ItemWorkbookCase> {};

TEST_P(ExternalItemWorkbookTest, CellsReadAsWritten) {
  const ItemWorkbookCase& param = GetParam();
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath(param.file));
  EXPECT_EQ(book.BiffVersion(), param.biffVersion);
  EXPECT_EQ(book.CodePage(), param.codePage);
  EXPECT_FALSE(book.Uses1904Dates());
  EXPECT_EQ(book.SheetNames(), (std::vector<std::string>{"sheet1", "說明"}));

  const TWorksheet sheet = book.ReadSheet("sheet1");
  EXPECT_EQ(sheet.FirstRow(), 0);
  EXPECT_EQ(sheet.LastRow(), 4);
  EXPECT_EQ(sheet.FirstColumn(), 0);
  EXPECT_EQ(sheet.LastColumn(), 11);
  ExpectCells(sheet, kItemCells, param.file);
  ExpectCells(sheet, param.formulaCells, param.file);

  const TWorksheet second = book.ReadSheet("說明");
  ExpectCells(second, {{0, 0, "text:說明文字"}, {0, 1, "number:42"}}, param.file);
}

// gnumeric keeps text formula results in STRING records and Boolean ones as
// Booleans.  LibreOffice has no Boolean type: its Boolean formulas are numbers
// in a "TRUE";"TRUE";"FALSE" format, and (version 7.4) it stores the result of
// a formula giving a non-empty text as the number 0, without a STRING record.
INSTANTIATE_TEST_SUITE_P(
    Programs, ExternalItemWorkbookTest,
    ::testing::Values(
        ItemWorkbookCase{"gnumeric_items.xls", 8, 1200,
                         {{1, 7, "text:可樂"}, {1, 8, "bool:1"}, {2, 8, "bool:0"}, {3, 7, "empty"},
                          {4, 7, "text:最後一筆!"}, {4, 8, "bool:0"}}},
        // Excel 95, code page 950: titles, texts, the formula's text and the
        // second sheet's name in Big5.
        ItemWorkbookCase{"gnumeric_biff7.xls", 5, 950,
                         {{1, 7, "text:可樂"}, {1, 8, "bool:1"}, {2, 8, "bool:0"}, {3, 7, "empty"},
                          {4, 7, "text:最後一筆!"}, {4, 8, "bool:0"}}},
        ItemWorkbookCase{"lo_items.xls", 8, 1200,
                         {{1, 7, "number:0"}, {1, 8, "number:1"}, {2, 8, "number:0"}, {3, 7, "empty"},
                          {4, 7, "number:0"}, {4, 8, "number:0"}}}),
    [](const ::testing::TestParamInfo<ItemWorkbookCase>& caseInfo) {
      std::string name = caseInfo.param.file;
      return name.substr(0, name.find('.'));
    });

class ExternalUpperSheetTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ExternalUpperSheetTest, SheetNamedInCapitalsIsFound) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath(GetParam()));
  EXPECT_EQ(book.SheetNames(), (std::vector<std::string>{"資料", "SHEET1"}));
  const TWorksheet sheet = book.ReadSheet("sheet1");
  EXPECT_EQ(sheet.Name(), "SHEET1");
  EXPECT_EQ(sheet.LastRow(), 2);
  ExpectCells(sheet,
              {{0, 0, "text:小分類代碼"}, {0, 1, "text:小分類名稱"}, {1, 0, "text:001"}, {1, 1, "text:飲料"},
               {2, 0, "number:2"}, {2, 1, "text:零食"}},
              GetParam());
  ExpectCells(book.ReadSheet("資料"), {{0, 0, "text:另一張"}}, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Programs, ExternalUpperSheetTest,
                         ::testing::Values("gnumeric_upper_sheet1.xls", "lo_upper_sheet1.xls"));

class External1904Test : public ::testing::TestWithParam<const char*> {};

// Stored as days from 1904-01-01, delivered as days from 1899-12-30.
TEST_P(External1904Test, DatesComeInTheUsualDayCount) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath(GetParam()));
  EXPECT_TRUE(book.Uses1904Dates());
  ExpectCells(book.ReadSheet("sheet1"),
              {{0, 0, "text:日期"}, {0, 1, "text:日期時間"}, {1, 0, "date:45356"}, {1, 1, "date:45356.34375"},
               {2, 0, "date:1462"}, {2, 1, "date:36525.9999884259"}},
              GetParam());
}

INSTANTIATE_TEST_SUITE_P(Programs, External1904Test,
                         ::testing::Values("gnumeric_date1904.xls", "lo_date1904.xls"));

}  // namespace
}  // namespace tabrin
