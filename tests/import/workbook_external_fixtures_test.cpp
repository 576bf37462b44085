// The workbooks written by LibreOffice, gnumeric and openpyxl, Excel 97-2003
// and 2007+ alike, opened as the tabs open a sheet: each field read as text
// and as a float.
#include "import/workbook_query_fixture.h"

namespace tabrin::test {
namespace {

class ExternalWorkbookQueryTest : public WorkbookQueryFixture {};

// Fields that read the same from every program's item workbook.
const std::vector<FieldCase> kItemFields = {
    {0, "管理貨號", "100234", "100234"},
    {1, "管理貨號", "100235", "100235"},
    {2, "管理貨號", "", "0"},
    {3, "管理貨號", "999999", "999999"},
    {0, "國際碼", "4710088412345", "4710088412345"},
    {1, "國際碼", "4901234567894", "4901234567894"},
    {0, "品名", "可口可樂 600ml", "'可口可樂 600ml' is not a valid floating point value"},
    {1, "品名", "Pocky 巧克力棒", "'Pocky 巧克力棒' is not a valid floating point value"},
    {0, "建檔日期", "2024/3/5", "45356"},
    {1, "建檔日期", "2024/3/6 14:30:15", "45357.6043402778"},
    {2, "建檔日期", "2023/3/15", "45000"},
    {3, "建檔日期", "1999/12/31 23:59:59", "36525.9999884259"},
    {0, "售價", "25", "25"},
    {1, "售價", "1.5", "1.5"},
    {2, "售價", "1E-7", "1e-07"},
    {3, "售價", "-3.25", "-3.25"},
    {0, "停用", "True", "1"},
    {1, "停用", "False", "0"},
    {3, "停用", "True", "1"},
    // numbers and texts in one column: text in every row
    {0, "混合", "12345", "12345"},
    {1, "混合", "ABC", "'ABC' is not a valid floating point value"},
    {2, "混合", "0.5", "0.5"},
    {3, "混合", "七十", "'七十' is not a valid floating point value"},
    // the column with a blank title
    {0, "F11", "x1", "'x1' is not a valid floating point value"},
    {1, "F11", "", nullptr},
    {0, "備註", "冰涼飲品", "'冰涼飲品' is not a valid floating point value"},
    {2, "備註", "說明：無條碼", "'說明：無條碼' is not a valid floating point value"},
    {3, "備註", "", nullptr},
};

// gnumeric's text and Boolean formula results.
const std::vector<FieldCase> kGnumericFormulaFields = {
    {0, "公式數", "50", "50"},
    {1, "公式數", "0.3", "0.3"},
    {3, "公式數", "999995.75", "999995.75"},
    {0, "公式文", "可樂", "'可樂' is not a valid floating point value"},
    {1, "公式文", "", nullptr},
    {3, "公式文", "最後一筆!", "'最後一筆!' is not a valid floating point value"},
    {0, "公式布", "True", "1"},
    {1, "公式布", "False", "0"},
};

// LibreOffice stores Boolean formula results as numbers and the results of
// text formulas as the number 0.
const std::vector<FieldCase> kLibreOfficeFormulaFields = {
    {0, "公式數", "50", "50"},
    {1, "公式數", "0.3", "0.3"},
    {3, "公式數", "999995.75", "999995.75"},
    {0, "公式文", "0", "0"},
    {1, "公式文", "", "0"},
    {3, "公式文", "0", "0"},
    {0, "公式布", "1", "1"},
    {1, "公式布", "0", "0"},
};

// In its Excel 2007+ files LibreOffice keeps the text results too.
const std::vector<FieldCase> kLibreOfficeXlsxFormulaFields = {
    {0, "公式數", "50", "50"},
    {1, "公式數", "0.3", "0.3"},
    {3, "公式數", "999995.75", "999995.75"},
    {0, "公式文", "可樂", "'可樂' is not a valid floating point value"},
    {1, "公式文", "", nullptr},
    {3, "公式文", "最後一筆!", "'最後一筆!' is not a valid floating point value"},
    {0, "公式布", "1", "1"},
    {1, "公式布", "0", "0"},
};

// openpyxl writes formulas without results: the columns are empty.
const std::vector<FieldCase> kUncomputedFormulaFields = {
    {0, "公式數", "", nullptr},
    {3, "公式數", "", nullptr},
    {0, "公式文", "", nullptr},
    {0, "公式布", "", nullptr},
};

struct ItemWorkbookCase {
  const char* file;
  const std::vector<FieldCase>* formulaFields;
};

TEST_F(ExternalWorkbookQueryTest, ItemSheetsReadAsTextAndFloat) {
  const ItemWorkbookCase cases[] = {
      {"gnumeric_items.xls", &kGnumericFormulaFields},
      {"gnumeric_biff7.xls", &kGnumericFormulaFields},
      {"lo_items.xls", &kLibreOfficeFormulaFields},
      {"gnumeric_items.xlsx", &kGnumericFormulaFields},
      {"lo_items.xlsx", &kLibreOfficeXlsxFormulaFields},
      {"openpyxl_items.xlsx", &kUncomputedFormulaFields},
  };
  for (const ItemWorkbookCase& c : cases) {
    TQuery& query = Open(c.file, kAllRows);
    EXPECT_EQ(query.RecordCount(), 4) << c.file;
    std::vector<std::string> names;
    for (int i = 0; i < query.FieldCount(); ++i) names.push_back(query.Fields(i).FieldName());
    EXPECT_EQ(names, (std::vector<std::string>{"管理貨號", "國際碼", "品名", "建檔日期", "售價", "停用", "公式數",
                                               "公式文", "公式布", "混合", "F11", "備註"}))
        << c.file;
    ExpectFields(kItemFields, c.file);
    ExpectFields(*c.formulaFields, c.file);
  }
}

// The workbooks written here and by the other programs, in one table.
TEST_F(ExternalWorkbookQueryTest, ItemQueryKeepsRowsWithAnItemNumber) {
  const std::vector<std::string> withoutTheEmptyRow = {"100234", "100235", "999999"};
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"item_basic.xls", {"100234", "100235", "100236", "999999"}},
      {"gnumeric_items.xls", withoutTheEmptyRow},
      {"gnumeric_biff7.xls", withoutTheEmptyRow},
      {"lo_items.xls", withoutTheEmptyRow},
      {"gnumeric_items.xlsx", withoutTheEmptyRow},
      {"lo_items.xlsx", withoutTheEmptyRow},
      {"openpyxl_items.xlsx", withoutTheEmptyRow},
  };
  for (const auto& [file, expected] : cases) {
    TQuery& query = Open(file, kItemRows);
    EXPECT_EQ(query.RecordCount(), static_cast<int>(expected.size())) << file;
    std::vector<std::string> numbers;
    for (query.First(); !query.Eof(); query.Next()) numbers.push_back(query.FieldByName("管理貨號").AsString());
    EXPECT_EQ(numbers, expected) << file;
  }
}

TEST_F(ExternalWorkbookQueryTest, SheetNamedInCapitals) {
  const std::vector<FieldCase> mixedCodeColumn = {{0, "小分類代碼", "001", "1"},
                                                  {1, "小分類代碼", "2", "2"},
                                                  {1, "小分類名稱", "零食", "'零食' is not a valid floating point value"}};
  const std::pair<const char*, std::vector<FieldCase>> cases[] = {
      {"upper_sheet1.xls", {{1, "小分類名稱", "零食", "'零食' is not a valid floating point value"}}},
      {"gnumeric_upper_sheet1.xls", mixedCodeColumn},
      {"lo_upper_sheet1.xls", mixedCodeColumn},
      {"gnumeric_upper_sheet1.xlsx", mixedCodeColumn},
      {"lo_upper_sheet1.xlsx", mixedCodeColumn},
      {"openpyxl_upper_sheet1.xlsx", mixedCodeColumn},
  };
  for (const auto& [file, fields] : cases) {
    TQuery& query = Open(file, kAllRows, "ADOCLSQuery");
    EXPECT_EQ(query.RecordCount(), 2) << file;
    ExpectFields(fields, file);
  }
}

TEST_F(ExternalWorkbookQueryTest, Dates1904) {
  for (const char* file : {"gnumeric_date1904.xls", "lo_date1904.xls", "gnumeric_date1904.xlsx", "lo_date1904.xlsx",
                           "openpyxl_date1904.xlsx"}) {
    Open(file, kAllRows);
    ExpectFields({{0, "日期", "2024/3/5", "45356"},
                  {0, "日期時間", "2024/3/5 08:15:00", "45356.34375"},
                  {1, "日期", "1904/1/1", "1462"},
                  {1, "日期時間", "1999/12/31 23:59:59", "36525.9999884259"}},
                 file);
  }
}

}  // namespace
}  // namespace tabrin::test
