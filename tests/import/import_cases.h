#pragma once
// A table of sheets that covers every outcome of an import on every table:
// new, overwritten, the same, left, a code twice, rows that fail, a column
// missing, both item layouts.  The plan and the undo are checked on it.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "import_test_support.h"

namespace tabrin::test {

inline std::vector<Cell> SupplierRow(const std::map<std::string, Cell>& cells) {
  std::vector<Cell> row(SupplierTitles().size());
  for (const auto& [title, cell] : cells) {
    row[static_cast<std::size_t>(std::find(SupplierTitles().begin(), SupplierTitles().end(), title) -
                                 SupplierTitles().begin())] = cell;
  }
  return row;
}

struct PlanCase {
  const char* name;
  TMasterTable table;
  std::vector<std::string> titles;
  std::vector<std::string> setup;  // statements run first
  SheetRows rows;
  TCoverMode cover = TCoverMode::cmOverwrite;
  TDatabaseKind kind = TDatabaseKind::dkKestaPos;
};

inline std::vector<PlanCase> Cases() {
  const std::vector<std::string> cls = {"小分類代碼", "小分类名称_unused", "小分類名稱"};
  std::vector<std::string> itemsWithoutOverwriteSupplier = ItemTitles();
  itemsWithoutOverwriteSupplier.erase(
      std::find(itemsWithoutOverwriteSupplier.begin(), itemsWithoutOverwriteSupplier.end(), "廠商代號"));
  std::vector<Cell> exportedRow(itemsWithoutOverwriteSupplier.size());
  std::vector<Cell> exportedNew = exportedRow;
  exportedRow[0] = "I2";
  exportedNew[0] = "I9";
  return {
      {"ClassifyEveryOutcome",
       TMasterTable::mtClassify,
       cls,
       {"INSERT INTO Classify (ClsNo, ClsName, Flag, Void) VALUES ('A01', '舊名', TRUE, 'X')",
        "INSERT INTO Classify (ClsNo, ClsName, Flag, Void) VALUES ('B02', '零食', FALSE, '')"},
       {{"A01", "", "新名"}, {"B02", "", "零食"}, {"C03", "", "雜貨"}, {"D04", "", "第一"}, {"D04", "", "第二"},
        {Cell(), "", "空碼"}, {"A01", "", "再一次"}}},
      {"ClassifyCoverOne",
       TMasterTable::mtClassify,
       cls,
       {"INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')"},
       {{"A01", "", "新名"}, {"C03", "", "雜貨"}, {"C03", "", "又一次"}},
       TCoverMode::cmKeep},
      {"ItemsStandardLayout",
       TMasterTable::mtItem,
       ItemTitles(),
       {"INSERT INTO Item (ItemNo, PtName, Price, StkQty, ImUpDate, SupplierNo) VALUES "
        "('12345601', '茶', 10, 5, '2024-03-05 00:00:00', 'S1')",
        "INSERT INTO Item (ItemNo, PtName, Price, RegSafeQty) VALUES ('I2', '水', 7.5, 3)"},
       {ItemRow({{"管理貨號", "123456"}, {"品名", "綠茶一二三四五六七八九十一二三四五六七八九十一二"}, {"售價", 12},
                 {"庫存量", 5}, {"建檔日期", Cell::Date(45356)}, {"廠商代號", "S1"}}),
        ItemRow({{"管理貨號", "I2"}, {"品名", "水"}, {"售價", 7.5}, {"安全庫存", 2.5}}),
        ItemRow({{"品名", "沒有貨號"}}),
        ItemRow({{"管理貨號", "654321"}, {"品名", "新品"}, {"應商代號", "S9"}, {"VIP價格", 3}}),
        ItemRow({{"管理貨號", "654321"}, {"品名", "新品二"}, {"廠商代號", "S8"}})}},
      {"ItemsKindOneLayout",
       TMasterTable::mtItem,
       ItemTitles(),
       {"INSERT INTO Item (ItemNo, PtName, HealthTax, Notes) VALUES ('K1', '酒', 1, '保留')"},
       {ItemRow({{"管理貨號", "K1"}, {"品名", "酒"}, {"健康捐", 2}, {"廠商代號", "S1"}}),
        ItemRow({{"管理貨號", "K2"}, {"品名", "菸"}, {"健康捐", 5}})},
       TCoverMode::cmOverwrite,
       TDatabaseKind::dkOrvella},
      {"ItemsWithErrorRows",
       TMasterTable::mtItem,
       ItemTitles(),
       {"INSERT INTO Item (ItemNo, PtName) VALUES ('E1', '舊')"},
       {ItemRow({{"管理貨號", "E1"}, {"品名", "新"}}), ItemRow({{"管理貨號", "E2"}, {"售價", "十元"}}),
        ItemRow({{"管理貨號", "E3"}, {"安全庫存", 40000}}), ItemRow({{"管理貨號", "商品檔"}}),
        ItemRow({{"管理貨號", "E5"}, {"建檔日期", "明天"}})}},
      {"ItemsExportedWithoutTheOverwriteSupplierColumn",
       TMasterTable::mtItem,
       itemsWithoutOverwriteSupplier,
       {"INSERT INTO Item (ItemNo) VALUES ('I2')"},
       {exportedNew, exportedRow}},
      {"SuppliersBlankDiscounts",
       TMasterTable::mtSupplier,
       SupplierTitles(),
       {"INSERT INTO Supplier (FactNo, FactName, DisRate) VALUES ('S1', '大明', 95)"},
       {SupplierRow({{"廠商代號", "S1"}, {"廠商姓名", "大明"}}), SupplierRow({{"廠商代號", "S2"}, {"廠商姓名", "小華"}}),
        SupplierRow({{"廠商代號", "S3333"}})}},
      {"CustomersSameAndChanged",
       TMasterTable::mtCustomer,
       CustomerTitles(),
       {"INSERT INTO Customer (CustNo, Name, Address) VALUES ('C1', '王', '台北')",
        "INSERT INTO Customer (CustNo, IdNo, Name, Sex, TelNo, Address, DisCount) VALUES "
        "('C2', 'A1', '林', '女', '02', '台中', '一般')"},
       {{"C1", "", "王", "", "", "高雄"}, {"C2", "A1", "林", "女", "02", "台中", "一般"}, {"C3", "", "陳"}}},
  };
}

}  // namespace tabrin::test
