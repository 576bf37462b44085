// Reading the fixture workbooks of tests/data (made by make_fixtures.py,
// independently of our writer) cell by cell.
#include <gtest/gtest.h>

#include "text/error.h"
#include "xls/reader_test_support.h"
#include "xls/biff8/workbook_reader.h"

namespace tabrin {
namespace {

using test::Describe;
using test::FixturePath;

struct CellCase {
  int row, column;
  const char* expected;
};

const std::string kLongText = [] {
  std::string text;
  for (int i = 0; i < 6; ++i) text += "這是一段很長的備註文字，";
  return text + "END";
}();

// The same item sheet in four containers: 512-byte sectors, the mini
// stream, 4096-byte sectors, and an allocation table long enough to need
// DIFAT sectors.
class ItemSheetTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ItemSheetTest, CellsReadAsWritten) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath(GetParam()));
  EXPECT_EQ(book.BiffVersion(), 8);
  EXPECT_FALSE(book.Uses1904Dates());
  const TWorksheet sheet = book.ReadSheet("sheet1");
  EXPECT_EQ(sheet.Name(), "Sheet1");
  EXPECT_EQ(sheet.FirstRow(), 0);
  EXPECT_EQ(sheet.LastRow(), 7);  // a formatted blank cell alone in row 7
  EXPECT_EQ(sheet.FirstColumn(), 0);
  EXPECT_EQ(sheet.LastColumn(), 12);

  const CellCase cases[] = {
      {0, 0, "text:管理貨號"}, {0, 9, "text:混合"}, {0, 10, "empty"}, {0, 11, "text:備註"},
      // RK integer, 13-digit barcode as a double, shared text, custom date format
      {1, 0, "number:100234"}, {1, 1, "number:4710088412345"}, {1, 2, "text:可口可樂 600ml"},
      {1, 3, "date:45356"}, {1, 4, "number:25"}, {1, 5, "bool:1"},
      // formulas: number, text from the STRING record, Boolean
      {1, 6, "number:50"}, {1, 7, "text:可樂"}, {1, 8, "bool:1"},
      {1, 9, "number:12345"}, {1, 10, "text:x1"},
      {2, 2, "text:Pocky 巧克力棒"}, {2, 3, "date:45357.6043402778"}, {2, 4, "number:1.5"}, {2, 5, "bool:0"},
      {2, 6, "number:0.3"}, {2, 7, "empty"} /* formula with an empty text */, {2, 8, "bool:0"},
      {2, 9, "text:ABC"}, {2, 10, "empty"},
      {3, 0, "empty"}, {3, 2, "text:無貨號"}, {3, 3, "date:45000"} /* built-in format 14 */,
      {3, 4, "number:1E-7"}, {3, 6, "error:7"}, {3, 9, "date:45292"}, {3, 11, "text:Wide latin"},
      // LABEL, MULRK (date and number), MULBLANK, RSTRING
      {4, 0, "number:100236"}, {4, 2, "text:標籤文字"}, {4, 3, "date:45300"}, {4, 4, "number:99"},
      {4, 5, "empty"}, {4, 8, "empty"}, {4, 9, "bool:1"}, {4, 11, "text:富文字"},
      {5, 0, "empty"},
      // a quoted "days" in a number format does not make it a date
      {6, 0, "number:999999"}, {6, 2, "text:最後一筆"}, {6, 4, "number:-3.25"}, {6, 6, "number:2.5"},
      {7, 12, "empty"},
  };
  for (const CellCase& c : cases) {
    EXPECT_EQ(Describe(sheet, c.row, c.column), c.expected) << "row " << c.row << " column " << c.column;
  }
  // Split over several CONTINUE records, with rich-text runs and a phonetic block.
  EXPECT_EQ(Describe(sheet, 1, 11), "text:" + kLongText);
  std::string latin;
  for (int i = 0; i < 2; ++i) latin += "A long note in Latin letters that runs past the end of its record. ";
  EXPECT_EQ(Describe(sheet, 2, 11), "text:" + latin);
}

INSTANTIATE_TEST_SUITE_P(Containers, ItemSheetTest,
                         ::testing::Values("item_basic.xls", "item_mini_stream.xls", "item_v4.xls", "item_difat.xls",
                                           "item_whole_sst.xls"));

TEST(WorkbookReaderTest, ListsWorksheetsAndFindsSheetWithoutRegardToCase) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath("upper_sheet1.xls"));
  EXPECT_EQ(book.SheetNames(), (std::vector<std::string>{"資料", "SHEET1"}));
  const TWorksheet sheet = book.ReadSheet("sheet1");
  EXPECT_EQ(sheet.Name(), "SHEET1");
  EXPECT_EQ(Describe(sheet, 1, 0), "text:A1");
  EXPECT_EQ(Describe(sheet, 2, 1), "text:零食");
  EXPECT_EQ(Describe(book.ReadSheet("資料"), 0, 0), "text:另一張");
}

TEST(WorkbookReaderTest, Excel95WorkbookDecodesBig5Texts) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath("biff5_big5.xls"));
  EXPECT_EQ(book.BiffVersion(), 5);
  EXPECT_EQ(book.CodePage(), 950);
  EXPECT_EQ(book.SheetNames(), (std::vector<std::string>{"Sheet1", "說明"}));
  const TWorksheet sheet = book.ReadSheet("Sheet1");
  const CellCase cases[] = {
      {0, 0, "text:小分類代碼"}, {0, 1, "text:小分類名稱"}, {1, 1, "text:飲料"}, {1, 2, "number:12"},
      // second bytes equal to "\" must not break the characters
      {2, 1, "text:許功蓋"}, {2, 2, "number:2.5"},
      {3, 1, "text:公式結果"}, {3, 2, "error:7"},
      {4, 1, "text:Cafe 咖啡"}, {4, 2, "date:45291"},
  };
  for (const CellCase& c : cases) {
    EXPECT_EQ(Describe(sheet, c.row, c.column), c.expected) << "row " << c.row << " column " << c.column;
  }
  EXPECT_EQ(Describe(book.ReadSheet("說明"), 0, 0), "text:說明文字");
}

TEST(WorkbookReaderTest, Excel95WorkbookDecodesWesternTexts) {
  const TWorksheet sheet = TWorkbookReader::OpenFile(FixturePath("biff5_cp1252.xls")).ReadSheet("sheet1");
  EXPECT_EQ(Describe(sheet, 1, 0), "text:Café Crème");
  EXPECT_EQ(Describe(sheet, 2, 0), "text:€ 5");
}

TEST(WorkbookReaderTest, DatesOf1904WorkbooksComeInTheUsualDayCount) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath("date1904.xls"));
  EXPECT_TRUE(book.Uses1904Dates());
  const TWorksheet sheet = book.ReadSheet("sheet1");
  EXPECT_EQ(Describe(sheet, 1, 0), "date:45356");  // 2024-03-05
  EXPECT_EQ(Describe(sheet, 1, 1), "date:45356.34375");
  EXPECT_EQ(Describe(sheet, 2, 0), "date:1462");  // 1904-01-01
}

TEST(WorkbookReaderTest, ReadsTheItemExportOfOurOwnWriter) {
  const TWorkbookReader book = TWorkbookReader::OpenFile(FixturePath("export_items.xls"));
  EXPECT_EQ(book.SheetNames(), std::vector<std::string>{"Sheet1"});
  const TWorksheet sheet = book.ReadSheet("sheet1");
  EXPECT_EQ(sheet.LastRow(), 200);
  EXPECT_EQ(sheet.LastColumn(), 18);
  const CellCase cases[] = {
      {0, 0, "text:管理貨號"}, {0, 5, "text:應商代號"}, {0, 18, "text:VIP價格"},
      {1, 0, "text:10000106"}, {1, 1, "text:4717432100005"}, {1, 3, "text:金興烏龍茶"},
      {1, 7, "date:45484"}, {1, 8, "number:27.5"}, {1, 10, "number:15"}, {1, 14, "number:28.1"},
  };
  for (const CellCase& c : cases) {
    EXPECT_EQ(Describe(sheet, c.row, c.column), c.expected) << "row " << c.row << " column " << c.column;
  }
}

TEST(WorkbookReaderTest, TitleOnlySheetHasOneRow) {
  const TWorksheet sheet = TWorkbookReader::OpenFile(FixturePath("title_only.xls")).ReadSheet("sheet1");
  EXPECT_EQ(sheet.FirstRow(), 0);
  EXPECT_EQ(sheet.LastRow(), 0);
  EXPECT_EQ(sheet.LastColumn(), 1);
}

struct BadFileCase {
  const char* file;
  const char* message;  // %s stands for the file's path
};

TEST(WorkbookReaderTest, BadFilesGetClearErrors) {
  const BadFileCase cases[] = {
      {"plain_text.xls", "'%s' is not an Excel workbook (.xls, .xlsx)"},
      {"workbook.xlsx", "'%s' is an Excel 2007 or later workbook (.xlsx), not an Excel 97-2003 workbook (.xls)"},
      {"spreadsheet.ods", "'%s' is an OpenDocument spreadsheet (.ods); only Excel workbooks (.xls, .xlsx) can be read"},
      {"not_workbook.doc",
       "'%s' holds no workbook (a compound document without a \"Workbook\" stream); only Excel workbooks "
       "(.xls, .xlsx) can be read"},
      {"password.xls", "'%s' is protected by a password; remove the password in Excel and save the workbook again"},
      {"encrypted.xlsx", "'%s' is protected by a password; remove the password in Excel and save the workbook again"},
      {"missing.xls", "Cannot open file '%s': No such file or directory"},
      {".", "Cannot open file '%s': Is a directory"},
  };
  for (const BadFileCase& c : cases) {
    const std::string path = FixturePath(c.file);
    try {
      TWorkbookReader::OpenFile(path);
      ADD_FAILURE() << c.file << " was read";
    } catch (const TabrinError& e) {
      EXPECT_EQ(e.what(), FormatMessage(c.message, {path})) << c.file;
    }
  }
}

TEST(WorkbookReaderTest, EmptyFileIsNamed) {
  try {
    TWorkbookReader(std::string_view(), "empty.xls");
    ADD_FAILURE() << "an empty file was read";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), "'empty.xls' is an empty file; only Excel workbooks (.xls, .xlsx) can be read");
  }
}

TEST(WorkbookReaderTest, OldExcelFilesAreNamed) {
  // A bare Excel 4.0 worksheet stream: BOF 0x0409 and EOF.
  const std::string excel4("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00\x0A\x00\x00\x00", 14);
  try {
    TWorkbookReader(excel4, "old.xls");
    ADD_FAILURE() << "an Excel 4.0 file was read";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()),
              "'old.xls' is an Excel 4.0 worksheet; only Excel workbooks (.xls, .xlsx) can be read");
  }
}

TEST(WorkbookReaderTest, MissingSheetNamesTheSheetsThereAre) {
  const std::string path = FixturePath("no_sheet1.xls");
  const TWorkbookReader book = TWorkbookReader::OpenFile(path);
  try {
    book.ReadSheet("sheet1");
    ADD_FAILURE() << "a sheet was found";
  } catch (const TabrinError& e) {
    EXPECT_EQ(e.what(), "'" + path + "' has no sheet \"sheet1\"; its sheets are \"資料\", \"Sheet2\"");
  }
}

TEST(WorkbookReaderTest, TruncatedFileIsReportedAsDamaged) {
  const std::string bytes = test::ReadFixture("item_basic.xls");
  try {
    TWorkbookReader(std::string_view(bytes).substr(0, 3000), "cut.xls");
    ADD_FAILURE() << "a cut file was read";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), "'cut.xls' is damaged and cannot be read: the file ends before sector 9");
  }
}

TEST(WorkbookReaderTest, LoopingSectorChainIsReportedAsDamaged) {
  std::string bytes = test::ReadFixture("item_basic.xls");
  // The workbook stream starts at sector 0; make its second link point back.
  const std::size_t fatOffset = 512 + 512 * (static_cast<unsigned char>(bytes[0x4C]));
  bytes[fatOffset + 4] = 0;
  bytes[fatOffset + 5] = bytes[fatOffset + 6] = bytes[fatOffset + 7] = 0;
  try {
    TWorkbookReader(bytes, "loop.xls");
    ADD_FAILURE() << "a looping file was read";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()),
              "'loop.xls' is damaged and cannot be read: the sector chain of the stream runs in a loop");
  }
}

}  // namespace
}  // namespace tabrin
