// Reading workbooks written by other programs (LibreOffice and gnumeric, from
// the hand-written sources in tests/data/sources): each program lays out its
// records, formats and formula results in its own way.
#include <gtest/gtest.h>

#include <vector>

#include "text/error.h"
#include "xls/reader_test_support.h"
#include "xls/spreadsheet.h"
#include "xls/biff8/workbook_reader.h"
#include "xls/ooxml/xlsx_reader.h"

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
// without a time, Booleans, a column mixing numbers and texts, blank cells.
// Formula results (columns G to I) differ by program.
// The results of the number formulas, where a program stores them.
const std::vector<CellCase> kNumberFormulaCells = {{1, 6, "number:50"}, {2, 6, "number:0.3"}, {4, 6, "number:999995.75"}};

const std::vector<CellCase> kItemCells = {
    {0, 0, "text:管理貨號"}, {0, 1, "text:國際碼"}, {0, 7, "text:公式文"}, {0, 9, "text:混合"},
    {0, 10, "empty"}, {0, 11, "text:備註"},
    {1, 0, "number:100234"}, {1, 1, "number:4710088412345"}, {1, 2, "text:可口可樂 600ml"},
    {1, 3, "date:45356"}, {1, 4, "number:25"}, {1, 5, "bool:1"},
    {1, 9, "number:12345"}, {1, 10, "text:x1"}, {1, 11, "text:冰涼飲品"},
    {2, 0, "number:100235"}, {2, 1, "number:4901234567894"}, {2, 2, "text:Pocky 巧克力棒"},
    {2, 3, "date:45357.6043402778"}, {2, 4, "number:1.5"}, {2, 5, "bool:0"},
    {2, 7, "empty"} /* a formula whose result is the empty text */, {2, 9, "text:ABC"}, {2, 10, "empty"},
    {3, 0, "empty"}, {3, 1, "empty"}, {3, 2, "text:無貨號"}, {3, 3, "date:45000"}, {3, 4, "number:1E-7"},
    {3, 5, "empty"}, {3, 6, "empty"}, {3, 9, "number:0.5"}, {3, 11, "text:說明：無條碼"},
    {4, 0, "number:999999"}, {4, 1, "number:4710000000017"}, {4, 2, "text:最後一筆"},
    {4, 3, "date:36525.9999884259"}, {4, 4, "number:-3.25"}, {4, 5, "bool:1"},
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
  ExpectCells(sheet, kNumberFormulaCells, param.file);
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

// ---- The same sheets as Excel 2007+ workbooks

std::unique_ptr<const TSpreadsheet> OpenBook(const char* file) { return OpenSpreadsheetFile(FixturePath(file)); }

class XlsxItemWorkbookTest : public ::testing::TestWithParam<ItemWorkbookCase> {};

TEST_P(XlsxItemWorkbookTest, CellsReadAsWritten) {
  const ItemWorkbookCase& param = GetParam();
  const std::unique_ptr<const TSpreadsheet> book = OpenBook(param.file);
  ASSERT_NE(dynamic_cast<const TxlsxReader*>(book.get()), nullptr) << "recognised by its content";
  EXPECT_EQ(book->SheetNames(), (std::vector<std::string>{"sheet1", "說明"}));

  const TWorksheet sheet = book->ReadSheet("SHEET1");
  EXPECT_EQ(sheet.Name(), "sheet1");
  EXPECT_EQ(sheet.FirstRow(), 0);
  EXPECT_EQ(sheet.LastRow(), 4);
  EXPECT_EQ(sheet.FirstColumn(), 0);
  EXPECT_EQ(sheet.LastColumn(), 11);
  ExpectCells(sheet, kItemCells, param.file);
  if (param.biffVersion == 0) ExpectCells(sheet, kNumberFormulaCells, param.file);
  ExpectCells(sheet, param.formulaCells, param.file);
  ExpectCells(book->ReadSheet("說明"), {{0, 0, "text:說明文字"}, {0, 1, "number:42"}}, param.file);
}

// LibreOffice and gnumeric store every formula's result; openpyxl writes
// formulas without results (no program has computed them yet), marked here
// by the version -1 (0 for the others: no BIFF version applies).
INSTANTIATE_TEST_SUITE_P(
    Programs, XlsxItemWorkbookTest,
    ::testing::Values(
        ItemWorkbookCase{"gnumeric_items.xlsx", 0, 0,
                         {{1, 7, "text:可樂"}, {1, 8, "bool:1"}, {2, 8, "bool:0"}, {3, 7, "empty"},
                          {4, 7, "text:最後一筆!"}, {4, 8, "bool:0"}}},
        ItemWorkbookCase{"lo_items.xlsx", 0, 0,
                         {{1, 7, "text:可樂"}, {1, 8, "number:1"}, {2, 8, "number:0"}, {3, 7, "empty"},
                          {4, 7, "text:最後一筆!"}, {4, 8, "number:0"}}},
        ItemWorkbookCase{"openpyxl_items.xlsx", -1, 0,
                         {{1, 6, "empty"}, {1, 7, "empty"}, {1, 8, "empty"}, {4, 7, "empty"}}}),
    [](const ::testing::TestParamInfo<ItemWorkbookCase>& caseInfo) {
      std::string name = caseInfo.param.file;
      return name.substr(0, name.find('.'));
    });

class XlsxUpperSheetTest : public ::testing::TestWithParam<const char*> {};

TEST_P(XlsxUpperSheetTest, SheetNamedInCapitalsIsFound) {
  const std::unique_ptr<const TSpreadsheet> book = OpenBook(GetParam());
  EXPECT_EQ(book->SheetNames(), (std::vector<std::string>{"資料", "SHEET1"}));
  const TWorksheet sheet = book->ReadSheet("sheet1");
  EXPECT_EQ(sheet.Name(), "SHEET1");
  EXPECT_EQ(sheet.LastRow(), 2);
  ExpectCells(sheet,
              {{0, 0, "text:小分類代碼"}, {0, 1, "text:小分類名稱"}, {1, 0, "text:001"}, {1, 1, "text:飲料"},
               {2, 0, "number:2"}, {2, 1, "text:零食"}},
              GetParam());
  ExpectCells(book->ReadSheet("資料"), {{0, 0, "text:另一張"}}, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Programs, XlsxUpperSheetTest,
                         ::testing::Values("gnumeric_upper_sheet1.xlsx", "lo_upper_sheet1.xlsx",
                                           "openpyxl_upper_sheet1.xlsx"));

class Xlsx1904Test : public ::testing::TestWithParam<const char*> {};

TEST_P(Xlsx1904Test, DatesComeInTheUsualDayCount) {
  const std::unique_ptr<const TSpreadsheet> book = OpenBook(GetParam());
  const auto* reader = dynamic_cast<const TxlsxReader*>(book.get());
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(reader->Uses1904Dates());
  ExpectCells(book->ReadSheet("sheet1"),
              {{0, 0, "text:日期"}, {0, 1, "text:日期時間"}, {1, 0, "date:45356"}, {1, 1, "date:45356.34375"},
               {2, 0, "date:1462"}, {2, 1, "date:36525.9999884259"}},
              GetParam());
}

INSTANTIATE_TEST_SUITE_P(Programs, Xlsx1904Test,
                         ::testing::Values("gnumeric_date1904.xlsx", "lo_date1904.xlsx", "openpyxl_date1904.xlsx"));

// What no program above writes: parts reached through an absolute target,
// "..", upper-case names and prefixed elements; a chart sheet listed first;
// inline and rich texts; phonetic guides; escaped characters; cells and rows
// without a reference; ISO dates; error values; formulas without a result;
// custom formats whose letters are quoted, coloured or locale-tagged.
TEST(XlsxHandmadeTest, EveryKindOfCell) {
  const std::unique_ptr<const TSpreadsheet> book = OpenBook("xlsx_handmade.xlsx");
  EXPECT_EQ(book->SheetNames(), (std::vector<std::string>{"Sheet1"}));
  const TWorksheet sheet = book->ReadSheet("sheet1");
  EXPECT_EQ(sheet.FirstRow(), 0);
  EXPECT_EQ(sheet.LastRow(), 6);  // the formatted blank cell H7
  EXPECT_EQ(sheet.LastColumn(), 7);
  ExpectCells(sheet,
              {
                  {0, 0, "text:管理貨號"}, {0, 1, "text:品名"}, {0, 2, "text:日期"}, {0, 3, "empty"},
                  {0, 4, "text:數值"}, {0, 5, "text:其他"},
                  {1, 0, "number:100234"}, {1, 1, "text:粗體 與細體"}, {1, 2, "date:45356"},
                  {1, 4, "number:7.5"} /* "dd" quoted */, {1, 5, "bool:1"},
                  {2, 0, "empty"},
                  {3, 0, "error:7"}, {3, 1, "text:東京"} /* without its phonetic guide */,
                  {3, 2, "date:45357.6043402778"}, {3, 4, "number:-2"} /* colours are no date */,
                  {3, 5, "error:42"},
                  {4, 0, "empty"} /* a formula without a result */, {4, 1, "text:第一行\r\n第二行"},
                  {4, 2, "date:45000"} /* [$-404]e/m/d */, {4, 3, "date:45356.75"} /* built-in 22 */,
                  {4, 4, "empty"}, {4, 5, "bool:0"},
                  {6, 7, "empty"},
              },
              "xlsx_handmade.xlsx");
}

// A package that is not an Excel workbook, or a damaged or hostile one, gets
// an error naming the file and what is wrong.
struct RefusedCase {
  const char* file;
  const char* message;  // %s: the path
};

class XlsxRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(XlsxRefusedTest, ClearError) {
  const std::string path = FixturePath(GetParam().file);
  try {
    const std::unique_ptr<const TSpreadsheet> book = OpenSpreadsheetFile(path);
    (void)book->ReadSheet("sheet1");
    FAIL() << GetParam().file << " was read";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), FormatMessage(GetParam().message, {path}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Packages, XlsxRefusedTest,
    ::testing::Values(
        RefusedCase{"spreadsheet.ods",
                    "'%s' is an OpenDocument spreadsheet (.ods); only Excel workbooks (.xls, .xlsx) can be read"},
        RefusedCase{"workbook.xlsx", "'%s' has no sheet \"sheet1\"; it has no worksheets at all"},
        RefusedCase{"xlsx_entities.xlsx",
                    "'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml declares a document "
                    "type, which is refused"},
        RefusedCase{"xlsx_external_entity.xlsx",
                    "'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml declares a document "
                    "type, which is refused"},
        RefusedCase{"xlsx_bomb.xlsx",
                    "'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml inflates more than 250 "
                    "times over, which only a ZIP bomb does"},
        RefusedCase{"xlsx_missing_sheet.xlsx",
                    "'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml is missing"},
        RefusedCase{"xlsx_malformed.xlsx",
                    "'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml is not well-formed XML "
                    "(line 2: mismatched tag)"},
        RefusedCase{"xlsx_beyond_grid.xlsx",
                    "'%s' is damaged and cannot be read: a cell lies beyond the last column of a worksheet"},
        RefusedCase{"xlsx_bad_shared_index.xlsx",
                    "'%s' is damaged and cannot be read: a cell refers to a shared text that does not exist"},
        RefusedCase{"xlsx_truncated.xlsx",
                    "'%s' is damaged and cannot be read: it is not a complete ZIP archive (cut short or not a ZIP "
                    "file)"},
        RefusedCase{"xlsx_bad_checksum.xlsx",
                    "'%s' is damaged and cannot be read: the part xl/worksheets/sheet1.xml fails its checksum"}),
    [](const ::testing::TestParamInfo<RefusedCase>& caseInfo) {
      std::string name = caseInfo.param.file;
      name = name.substr(0, name.find('.'));
      for (char& c : name) if (c == '.') c = '_';
      return name;
    });

}  // namespace
}  // namespace tabrin
