// tabrin-cli preview: the command-line twin of a tab's preview grid.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"

namespace tabrin::cli {
namespace {

const std::string kData = TABRIN_TEST_DATA;

struct PreviewCase {
  const char* table;
  const char* file;
  const char* expected;
};

TEST(CliPreview, PrintsCountTitlesAndRowsOfTheTabsGrid) {
  const PreviewCase cases[] = {
      {"item", "item_basic.xls",
       "共 4 筆\n"
       "管理貨號\t國際碼\t品名\t建檔日期\t售價\n"
       "100234\t4710088412345\t可口可樂 600ml\t2024/3/5\t25\n"
       "100235\t4710088412352\tPocky 巧克力棒\t2024/3/6 14:30:15\t1.5\n"
       "100236\t\t標籤文字\t2024/1/9\t99\n"
       "999999\t\t最後一筆\t\t-3.25\n"},
      {"cls", "cls.xls",
       "共 3 筆\n"
       "小分類代碼\t小分類名稱\n"
       "001\t飲料\n"
       "002\t零食\n"
       "3\t日用品\n"},
      // The supplier import's layout: only seven of the grid's thirteen columns are in the sheet.
      {"supplier", "supplier.xls",
       "共 1 筆\n"
       "廠商代號\t聯絡人\t訂貨電話\t傳真電話\t負責人\t給予折扣\t備註\n"
       "S001\t陳小姐\t02-23456789\t02-34567890\t王大明\t95\t老客戶\n"},
      {"customer", "customer.xls",
       "共 2 筆\n"
       "顧客編號\t身分證字號\t姓名\t性別\t地址\t會員等級\t電話1\n"
       "C0001\tA123456789\t林美麗\t女\t高雄市前鎮區\tVIP\t0912345678\n"
       "C0002\t\t張三\t男\t\t一般\t\n"},
      {"cls", "biff5_big5.xls",
       "共 4 筆\n"
       "小分類代碼\t小分類名稱\n"
       "01\t飲料\n"
       "02\t許功蓋\n"
       "03\t公式結果\n"
       "04\tCafe 咖啡\n"},
      {"cls", "upper_sheet1.xls",
       "共 2 筆\n"
       "小分類代碼\t小分類名稱\n"
       "A1\t飲料\n"
       "B2\t零食\n"},
      {"item", "title_only.xls",
       "共 0 筆\n"
       "管理貨號\t品名\n"},
  };
  for (const PreviewCase& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"preview", c.table, kData + "/" + c.file}, {out, err}), 0) << c.file << ": " << err.str();
    EXPECT_EQ(out.str(), c.expected) << c.table << " " << c.file;
  }
}

TEST(CliPreview, SheetWithoutTheTabsColumnsSaysSo) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"preview", "customer", kData + "/cls.xls"}, {out, err}), 0);
  EXPECT_EQ(out.str(), "共 3 筆\n");
  EXPECT_EQ(err.str(), "工作表沒有「會員資料」頁籤顯示的任何欄位\n");
}

TEST(CliPreview, BadWorkbooksFailWithTheReadersMessage) {
  const PreviewCase cases[] = {
      {"cls", "spreadsheet.ods",
       "'%s' is an OpenDocument spreadsheet (.ods); only Excel workbooks (.xls, .xlsx) can be read.\n"},
      {"cls", "no_sheet1.xls", "'%s' has no sheet \"sheet1\"; its sheets are \"資料\", \"Sheet2\".\n"},
      {"item", "cls.xls", "ADOItemQuery: Field '管理貨號' not found.\n"},
      {"cls", "password.xls",
       "'%s' is protected by a password; remove the password in Excel and save the workbook again.\n"},
  };
  for (const PreviewCase& c : cases) {
    const std::string path = kData + "/" + c.file;
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"preview", c.table, path}, {out, err}), 1) << c.file;
    std::string expected = c.expected;
    if (const auto at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(err.str(), expected) << c.file;
  }
}

// Workbooks written by our own export, previewed on the tab they came from:
// every exported row is a record and every grid column is there.
TEST(CliPreview, ExportedTablesPreviewWithEveryGridColumn) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-cli-preview-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string home = pattern + "/";
  CreateEmbeddedDatabase(home + "Database.mdb", {});
  {
    TConnection database("ADOConnection");
    ConnectDatabase(database, TDatabaseKind::dkOrvella, home);
    FillSampleData(database);
  }
  struct ExportCase {
    const char* table;
    const char* countSql;
    const char* titles;
  };
  const ExportCase cases[] = {
      {"cls", "SELECT COUNT(*) FROM Classify", "小分類代碼\t小分類名稱"},
      {"item", "SELECT COUNT(*) FROM Item",
       "管理貨號\t國際碼\t自訂碼\t品名\t規格\t廠商代號\t稅別\t建檔日期\t最新進價\t單位\t安全庫存\t最低訂貨量\t"
       "庫存量\t貨架\t平均成本\t產品分類\t售價\t會員價格\tVIP價格"},
      {"supplier", "SELECT COUNT(*) FROM Supplier",
       "廠商代號\t廠商名稱\t聯絡人\t訂貨電話\t傳真電話\t電話1\t電話2\t廠商地址\t負責人\t給予折扣\t交易方式\t稅區分\t備註"},
      {"customer", "SELECT COUNT(*) FROM Customer", "顧客編號\t身分證字號\t姓名\t性別\t地址\t會員等級\t電話1"},
  };
  for (const ExportCase& c : cases) {
    const std::string file = home + c.table + ".xls";
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"--home", home, "export", "--kind", "1", c.table, file}, {out, err}), 0) << err.str();
    out.str("");
    ASSERT_EQ(RunCli({"preview", c.table, file}, {out, err}), 0) << err.str();

    TConnection database("ADOConnection");
    ConnectDatabase(database, TDatabaseKind::dkOrvella, home);
    TQuery count("CountQuery", database);
    count.SetSql(c.countSql);
    count.Open();
    const std::string records = count.Fields(0).AsString();
    ASSERT_NE(records, "0") << c.table;

    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "共 " + records + " 筆") << c.table;
    std::getline(lines, line);
    EXPECT_EQ(line, c.titles) << c.table;
    int rows = 0;
    while (std::getline(lines, line)) ++rows;
    EXPECT_EQ(std::to_string(rows), records) << c.table;
  }
  std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace tabrin::cli
