// preview and import on files laid out otherwise than a tab's default: a
// chosen sheet, titles below a title block, text files of rows in Big5 or
// UTF-8, and the options that say so.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "cli_home_test.h"
#include "db/embedded_database.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::cli {
namespace {

using Cell = std::variant<std::monostate, std::string, double>;
struct Sheet {
  std::string title;
  std::vector<std::vector<Cell>> rows;  // from the sheet's first row
};

void WriteBook(const std::string& path, const std::vector<Sheet>& sheets) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  for (std::size_t s = 0; s < sheets.size(); ++s) {
    TxlsSheetHead head;
    head.SheetIndex = static_cast<int>(s);
    head.Title = sheets[s].title;
    writer.BeginSheet(head);
    for (int r = 0; r < static_cast<int>(sheets[s].rows.size()); ++r) {
      const auto& row = sheets[s].rows[static_cast<std::size_t>(r)];
      for (int c = 0; c < static_cast<int>(row.size()); ++c) {
        const Cell& cell = row[static_cast<std::size_t>(c)];
        if (auto* text = std::get_if<std::string>(&cell)) writer.WriteLabelSst(r, c, *text, kDefaultXfIndex);
        else if (auto* number = std::get_if<double>(&cell)) writer.WriteNumber(r, c, *number, kDefaultXfIndex);
      }
    }
    writer.EndSheet();
  }
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A workbook as a Traditional-Chinese Excel makes it: its sheet "工作表1"
// with a title block on rows 1 and 2 and the titles on row 3.
class CliSheetChoice : public CliHomeTest {
 protected:
  void SetUp() override {
    CliHomeTest::SetUp();
    book_ = home_ + "/price list.xls";
    WriteBook(book_, {{"說明", {{std::string("本表由廠商提供")}}},
                      {"工作表1",
                       {{std::string("2026 年價目表")},
                        {},
                        {std::string("小分類代碼"), std::string("小分類名稱")},
                        {std::string("001"), std::string("飲料")},
                        {std::string("002"), std::string("零食")}}}});
  }
  std::string book_;
};

TEST_F(CliSheetChoice, WithoutSheetTheMissingSheet1IsRefusedNamingTheSheets) {
  EXPECT_EQ(Run({"preview", "cls", book_}), 1);
  EXPECT_EQ(err_.str(), "'" + book_ + "' has no sheet \"sheet1\"; its sheets are \"說明\", \"工作表1\".\n");
}

TEST_F(CliSheetChoice, SheetAndHeaderRowReadTheChosenSheetBelowItsTitleBlock) {
  ASSERT_EQ(Run({"preview", "--sheet", "工作表1", "--header-row", "3", "cls", book_}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "共 2 筆\n小分類代碼\t小分類名稱\n001\t飲料\n002\t零食\n");
  // The title block read as titles: none of the tab's columns.
  ASSERT_EQ(Run({"preview", "--sheet", "工作表1", "cls", book_}), 0);
  EXPECT_EQ(err_.str(), "工作表沒有「小分類」頁籤顯示的任何欄位\n");
  EXPECT_EQ(Run({"preview", "--header-row", "0", "cls", book_}), 2);
}

TEST_F(CliSheetChoice, ImportAndDryRunReadTheChosenSheetAndTheJournalNamesIt) {
  CreateEmbeddedDatabase(home_ + "/Database.mdb", {});
  ASSERT_EQ(Run({"import", "--kind", "1", "--dry-run", "--sheet", "工作表1", "--header-row", "3", "cls", book_}), 0)
      << err_.str();
  EXPECT_EQ(out_.str(), "試算匯入，沒有寫入資料庫\n新增 2 筆，覆蓋 0 筆（其中 0 筆內容相同），未變更 0 筆，錯誤 0 列\n");
  ASSERT_EQ(Run({"import", "--kind", "1", "--sheet", "工作表1", "--header-row", "3", "cls", book_}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯入完畢\n新增 2 筆，覆蓋 0 筆，內容相同 0 筆，未變更 0 筆\n");
  ASSERT_EQ(Run({"history"}), 0);
  EXPECT_NE(out_.str().find("price list.xls（工作表「工作表1」，標題在第 3 列）  新增 2 筆"), std::string::npos)
      << out_.str();
  ASSERT_EQ(Run({"undo"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("刪除 2 筆"), std::string::npos) << out_.str();
}

TEST_F(CliSheetChoice, ItemRowsAreNamedAsTheSheetNumbersThemBelowTheTitleBlock) {
  CreateEmbeddedDatabase(home_ + "/Database.mdb", {});
  const std::string items = home_ + "/items.xls";
  // The titles of the kind-1 item import, on row 2 below a title.
  const std::vector<std::string> titles = {"管理貨號", "國際碼",   "自訂碼",   "品名",     "規格",     "應商代號",
                                           "廠商代號", "稅別",     "建檔日期", "最新進價", "單位",     "安全庫存",
                                           "最低訂貨量", "庫存量", "貨架",     "平均成本", "產品分類", "售價",
                                           "會員價格", "VIP價格",  "健康捐"};
  auto row = [&](Cell number, const char* name, Cell price) {
    std::vector<Cell> cells(titles.size());
    cells[0] = number;
    cells[3] = std::string(name);
    cells[17] = price;
    return cells;
  };
  std::vector<Cell> titleCells(titles.begin(), titles.end());
  // Sheet row 4 has no item number: the tab's query leaves it out.
  WriteBook(items, {{"工作表1",
                     {{std::string("商品價目")}, titleCells, row(std::string("10000106"), "綠茶", 25.0),
                      row(Cell{}, "說明列", Cell{}), row(std::string("10000205"), "紅茶", std::string("abc"))}}});
  EXPECT_EQ(Run({"import", "--kind", "1", "--dry-run", "--sheet", "工作表1", "--header-row", "2", "item", items}), 4);
  EXPECT_NE(out_.str().find("工作表第 5 列，欄位「售價」：'abc' is not a valid floating point value"),
            std::string::npos)
      << out_.str();
}

TEST_F(CliSheetChoice, TextFilesReadInTheirEncodingWithTheSeparatorTheyUse) {
  const std::string expected = "共 2 筆\n小分類代碼\t小分類名稱\n001\t飲料\n002\t零食, 餅乾\n";
  const std::string big5 =
      "\xA4\x70\xA4\xC0\xC3\xFE\xA5\x4E\xBD\x58,\xA4\x70\xA4\xC0\xC3\xFE\xA6\x57\xBA\xD9\r\n"
      "001,\xB6\xBC\xAE\xC6\r\n002,\"\xB9\x73\xAD\xB9, \xBB\xE6\xB0\xAE\"\r\n";
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> options;
  } cases[] = {
      {"cls-big5.csv", big5, {}},
      {"cls-utf8.csv", "小分類代碼,小分類名稱\n001,飲料\n002,\"零食, 餅乾\"\n", {}},
      {"cls-bom.txt", "\xEF\xBB\xBF小分類代碼;小分類名稱\n001;飲料\n002;零食, 餅乾\n", {}},
      {"cls-tab.csv", "小分類代碼\t小分類名稱\n001\t飲料\n002\t零食, 餅乾\n", {"--separator", "tab"}},
      {"cls-title.csv", "價目表\n\n小分類代碼,小分類名稱\n001,飲料\n002,\"零食, 餅乾\"\n", {"--header-row", "3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = home_ + "/" + c.name;
    WriteBytes(path, c.bytes);
    std::vector<std::string> args = {"preview"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"cls", path});
    ASSERT_EQ(Run(args), 0) << err_.str();
    EXPECT_EQ(out_.str(), expected);
  }
  // Big5 read as UTF-8 because the user said so: the first byte it cannot read.
  EXPECT_EQ(Run({"preview", "--encoding", "utf-8", "cls", home_ + "/cls-big5.csv"}), 1);
  EXPECT_EQ(err_.str(), "'" + home_ + "/cls-big5.csv', line 1: byte 0xA4 cannot be read as UTF-8 text.\n");
  EXPECT_EQ(Run({"preview", "--encoding", "latin1", "cls", home_ + "/cls-big5.csv"}), 2);
}

TEST_F(CliSheetChoice, ABrokenQuoteStopsTheImportNamingItsLine) {
  CreateEmbeddedDatabase(home_ + "/Database.mdb", {});
  const std::string path = home_ + "/cls.csv";
  WriteBytes(path, "小分類代碼,小分類名稱\r\n001,飲料\r\n002,\"零食\r\n");
  EXPECT_EQ(Run({"import", "--kind", "1", "cls", path}), 1);
  EXPECT_EQ(err_.str(), "'" + path + "', line 3: a quoted field is not closed.\n");
}

TEST_F(CliSheetChoice, ATableExportedToCsvImportsBackUnchanged) {
  CreateEmbeddedDatabase(home_ + "/Database.mdb", {.sample = true});
  const std::string path = home_ + "/cls.csv";
  ASSERT_EQ(Run({"export", "--kind", "1", "cls", path}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "匯出完畢\n已寫入 " + path + "\n");
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);
  ASSERT_EQ(Run({"settings", "--cover", "0"}), 0) << err_.str();
  ASSERT_EQ(Run({"import", "--kind", "1", "--dry-run", "cls", path}), 0) << err_.str();
  // Every row is there already, as it was: overwritten with the same values.
  EXPECT_EQ(out_.str().find("新增 0 筆"), out_.str().find('\n') + 1) << out_.str();
  EXPECT_NE(out_.str().find("錯誤 0 列"), std::string::npos) << out_.str();
  EXPECT_EQ(out_.str().find("覆蓋 0 筆"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("筆內容相同），未變更 0 筆"), std::string::npos) << out_.str();
}

}  // namespace
}  // namespace tabrin::cli
