#include "import_test_support.h"

#include "import/workbook_backend.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::test {

namespace {

// The program registers the workbook reader once when it starts; so does
// this test program, before its first test.
class WorkbookReaderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { RegisterWorkbookReader(); }
};
[[maybe_unused]] ::testing::Environment* const kWorkbookReader =
    ::testing::AddGlobalTestEnvironment(new WorkbookReaderEnvironment);

}  // namespace

void WriteWorkbook(const std::string& path, const std::vector<std::string>& titles, const SheetRows& rows) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  TxlsCellFormatRequest dateFormat;
  dateFormat.NumberFormat = "yyyy/m/d hh:mm:ss";
  const std::uint16_t dateXf = writer.Formats().GetOrCreate(dateFormat);
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
    writer.WriteLabelSst(0, c, titles[static_cast<std::size_t>(c)], kDefaultXfIndex);
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const std::vector<Cell>& row = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()); ++c) {
      const Cell& cell = row[static_cast<std::size_t>(c)];
      switch (cell.kind) {
        case Cell::blank: writer.WriteBlank(r + 1, c, kDefaultXfIndex); break;
        case Cell::text: writer.WriteLabelSst(r + 1, c, cell.textValue, kDefaultXfIndex); break;
        case Cell::number: writer.WriteNumber(r + 1, c, cell.numberValue, kDefaultXfIndex); break;
        case Cell::date: writer.WriteNumber(r + 1, c, cell.numberValue, dateXf); break;
        case Cell::boolean: writer.WriteBoolean(r + 1, c, cell.numberValue != 0, kDefaultXfIndex); break;
      }
    }
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

const std::vector<std::string>& ItemTitles() {
  static const std::vector<std::string> titles = {
      "管理貨號", "國際碼",   "自訂碼", "品名", "規格",     "應商代號", "廠商代號", "稅別",    "建檔日期", "最新進價", "單位",
      "安全庫存", "最低訂貨量", "庫存量", "貨架", "平均成本", "產品分類", "售價",     "會員價格", "VIP價格",  "健康捐"};
  return titles;
}

std::vector<Cell> ItemRow(const std::map<std::string, Cell>& cells) {
  std::vector<Cell> row(ItemTitles().size());
  for (const auto& [title, cell] : cells) {
    std::size_t i = 0;
    while (i < ItemTitles().size() && ItemTitles()[i] != title) ++i;
    if (i == ItemTitles().size()) throw std::logic_error("no item column " + title);
    row[i] = cell;
  }
  return row;
}

const std::vector<std::string>& SupplierTitles() {
  static const std::vector<std::string> titles = {"廠商代號", "廠商姓名", "地址",     "負責人",   "聯絡電話1",
                                                  "聯絡電話2", "訂貨電話", "傳真電話", "給予折扣", "存款利率",
                                                  "稅別",     "聯絡人",   "交易別",   "備註"};
  return titles;
}

const std::vector<std::string>& CustomerTitles() {
  static const std::vector<std::string> titles = {"顧客編號", "身分證字號", "姓名", "性別", "電話1", "地址", "會員等級"};
  return titles;
}

std::string ImportTest::NewWorkbookPath() { return files.File("sheet" + std::to_string(++workbooks_) + ".xls"); }

TImportCounts ImportTest::Import(TMasterTable table, const std::vector<std::string>& titles, const SheetRows& rows,
                                 TCoverMode cover, TDatabaseKind kind, int batchRows) {
  const std::string path = NewWorkbookPath();
  WriteWorkbook(path, titles, rows);
  TImportOptions options;
  options.cover = cover;
  options.batchRows = batchRows;
  return ImportWorkbookFile(Connection(), kind, table, path, options);
}

TImportError ImportTest::ImportFailing(TMasterTable table, const std::vector<std::string>& titles,
                                       const SheetRows& rows, TCoverMode cover, TDatabaseKind kind,
                                       int batchRows) {
  try {
    Import(table, titles, rows, cover, kind, batchRows);
  } catch (const TImportError& e) {
    return e;
  }
  ADD_FAILURE() << "the import did not fail";
  return TImportError("", 0, "", {});
}

}  // namespace tabrin::test
