#include "grid_test_support.h"

#include <unistd.h>

#include <atomic>

#include "import/import_tabs.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin::test {

TScratchFolder::TScratchFolder() {
  static std::atomic<int> serial{0};
  path_ = std::filesystem::temp_directory_path() /
          ("tabrin-grid-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TScratchFolder::~TScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteSheet(const std::string& path, const std::vector<std::string>& titles, const TRows& rows) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  TxlsCellFormatRequest dateFormat;
  dateFormat.NumberFormat = "yyyy/m/d";
  const std::uint16_t dateXf = writer.Formats().GetOrCreate(dateFormat);
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
    writer.WriteLabelSst(0, c, titles[static_cast<std::size_t>(c)], kDefaultXfIndex);
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& row = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()); ++c) {
      const TCell& cell = row[static_cast<std::size_t>(c)];
      if (const auto* text = std::get_if<std::string>(&cell)) {
        writer.WriteLabelSst(r + 1, c, *text, kDefaultXfIndex);
      } else if (const auto* number = std::get_if<double>(&cell)) {
        writer.WriteNumber(r + 1, c, *number, kDefaultXfIndex);
      } else if (const auto* date = std::get_if<TDate>(&cell)) {
        writer.WriteNumber(r + 1, c, date->serial, dateXf);
      } else {
        writer.WriteBlank(r + 1, c, kDefaultXfIndex);
      }
    }
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

TOpenSheet::TOpenSheet(TMasterTable table, const std::string& path) {
  const TImportTabInfo& tab = ImportTab(table);
  connection_ = std::make_unique<TConnection>("ADOXLSConnect");
  connection_->SetConnectionString(WorkbookConnectionString(path));
  connection_->Open();
  query_ = std::make_unique<TQuery>(std::string(tab.sheetQueryName), *connection_);
  query_->SetSql(tab.sheetSql);
  query_->Open();
}

TOpenSheet::~TOpenSheet() {
  query_.reset();
  connection_->Close();
}

const std::vector<std::string>& ItemListFields() {
  static const std::vector<std::string> fields = {
      "管理貨號", "國際碼", "自訂碼",   "品名",   "規格",     "應商代號", "稅別",     "建檔日期", "最新進價", "單位",
      "安全庫存", "最低訂貨量", "庫存量", "貨架", "平均成本", "產品分類", "售價",     "會員價格", "VIP價格"};
  return fields;
}

}  // namespace tabrin::test
