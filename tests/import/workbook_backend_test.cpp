// Sheet queries through the real data layer: a workbook connection opened
// with the connection text of the Open buttons and the tabs' sheet queries.
#include "import/workbook_query_fixture.h"

namespace tabrin::test {
namespace {

class WorkbookQueryTest : public WorkbookQueryFixture {};

TEST_F(WorkbookQueryTest, EveryRowOfTheUsedRangeIsARecordUnderTheTitles) {
  TQuery& query = Open("item_basic.xls", kAllRows, "ADOCLSQuery");
  // Rows 1-7: the empty row 5 and row 7, which holds only a formatted blank cell, count.
  EXPECT_EQ(query.RecordCount(), 7);
  std::vector<std::string> names;
  for (int i = 0; i < query.FieldCount(); ++i) names.push_back(query.Fields(i).FieldName());
  EXPECT_EQ(names, (std::vector<std::string>{"管理貨號", "國際碼", "品名", "建檔日期", "售價", "停用", "公式數",
                                             "公式文", "公式布", "混合", "F11", "備註", "F13"}));

  const std::vector<FieldCase> cases = {
      {0, "管理貨號", "100234", "100234"},
      {0, "國際碼", "4710088412345", "4710088412345"},
      {0, "品名", "可口可樂 600ml", "'可口可樂 600ml' is not a valid floating point value"},
      {0, "建檔日期", "2024/3/5", "45356"},
      {1, "建檔日期", "2024/3/6 14:30:15", "45357.6043402778"},
      {2, "建檔日期", "2023/3/15", "45000"},
      {0, "售價", "25", "25"},
      {1, "售價", "1.5", "1.5"},
      {2, "售價", "1E-7", "1e-07"},
      {5, "售價", "-3.25", "-3.25"},
      {0, "停用", "True", "1"},
      {1, "停用", "False", "0"},
      {0, "公式數", "50", "50"},
      {1, "公式數", "0.3", "0.3"},
      {2, "公式數", "", "0"},  // an error result is empty
      {5, "公式數", "2.5", "2.5"},
      {0, "公式文", "可樂", "'可樂' is not a valid floating point value"},
      {1, "公式文", "", kNull},
      {0, "公式布", "True", "1"},
      // number, text, date and Boolean in one column: all text
      {0, "混合", "12345", "12345"},
      {1, "混合", "ABC", "'ABC' is not a valid floating point value"},
      {2, "混合", "2024/1/1", "'2024/1/1' is not a valid floating point value"},
      {3, "混合", "True", "'True' is not a valid floating point value"},
      {4, "混合", "", kNull},
      {0, "f11", "x1", "'x1' is not a valid floating point value"},
      {3, "品名", "標籤文字", "'標籤文字' is not a valid floating point value"},
      {3, "建檔日期", "2024/1/9", "45300"},
      {3, "備註", "富文字", "'富文字' is not a valid floating point value"},
      {4, "管理貨號", "", "0"},
      {6, "F13", "", kNull},
  };
  ExpectFields(cases, "item_basic.xls");
  EXPECT_EQ(ErrorOf([&] { query.FieldByName("自訂碼"); }), "ADOCLSQuery: Field '自訂碼' not found");
}

TEST_F(WorkbookQueryTest, ItemQueryOnASheetWithoutTheColumnFails) {
  EXPECT_EQ(ErrorOf([&] { Open("cls.xls", kItemRows); }), "ADOItemQuery: Field '管理貨號' not found");
}

TEST_F(WorkbookQueryTest, TitleRowAloneGivesNoRecords) {
  TQuery& query = Open("title_only.xls", kItemRows);
  EXPECT_EQ(query.RecordCount(), 0);
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.FieldCount(), 2);
}

TEST_F(WorkbookQueryTest, MissingSheetNamesTheSheets) {
  const std::string path = kData + "/no_sheet1.xls";
  EXPECT_EQ(ErrorOf([&] { Open("no_sheet1.xls", kAllRows); }),
            "'" + path + "' has no sheet \"sheet1\"; its sheets are \"資料\", \"Sheet2\"");
}

TEST_F(WorkbookQueryTest, Excel95Big5Workbook) {
  TQuery& query = Open("biff5_big5.xls", kAllRows, "ADOCLSQuery");
  EXPECT_EQ(query.RecordCount(), 4);
  const std::vector<FieldCase> cases = {
      {0, "小分類代碼", "01", "1"},
      {1, "小分類名稱", "許功蓋", "'許功蓋' is not a valid floating point value"},
      {2, "小分類名稱", "公式結果", "'公式結果' is not a valid floating point value"},
      // numbers and a date in one column: text
      {0, "數量", "12", "12"},
      {1, "數量", "2.5", "2.5"},
      {2, "數量", "", kNull},
      {3, "數量", "2023/12/31", "'2023/12/31' is not a valid floating point value"},
  };
  ExpectFields(cases, "biff5_big5.xls");
}

TEST_F(WorkbookQueryTest, Dates1904) {
  TQuery& query = Open("date1904.xls", kAllRows, "ADOCLSQuery");
  EXPECT_EQ(query.FieldByName("日期").AsString(), "2024/3/5");
  EXPECT_EQ(query.FieldByName("時間").AsString(), "2024/3/5 08:15:00");
  query.Next();
  EXPECT_EQ(query.FieldByName("日期").AsString(), "1904/1/1");
  EXPECT_EQ(query.FieldByName("時間").AsString(), "1999/12/31 23:59:59");
}

TEST_F(WorkbookQueryTest, OpeningAFileThatIsNoWorkbookFailsAtTheConnection) {
  const std::string path = kData + "/plain_text.xls";
  connection_.SetConnectionString(ConnectionText(path));
  EXPECT_EQ(ErrorOf([&] { connection_.Open(); }), "'" + path + "' is not an Excel workbook (.xls, .xlsx)");
  EXPECT_FALSE(connection_.Connected());
}

TEST_F(WorkbookQueryTest, OtherStatementsAreRefused) {
  connection_.SetConnectionString(ConnectionText(kData + "/cls.xls"));
  connection_.Open();
  TQuery query("ADOCLSQuery", connection_);
  query.SetSql("SELECT 小分類代碼 FROM [sheet1$]");
  EXPECT_NE(ErrorOf([&] { query.Open(); }).find("this statement is not supported: SELECT 小分類代碼 FROM [sheet1$]"),
            std::string::npos);
}

}  // namespace
}  // namespace tabrin::test
