#include "import/workbook_preview_columns.h"

namespace tabrin {

namespace {

constexpr TGridColumnEntry kClassifyColumns[] = {
    {"小分類代碼", 10, "小分類代碼", "F"},
    {"小分類名稱", 20, "小分類名稱", "F"},
};

// The sheet column "應商代號" is shown under the title "廠商代號".
constexpr TGridColumnEntry kItemColumns[] = {
    {"管理貨號", 10, "管理貨號", "F"}, {"國際碼", 15, "國際碼", "F"},       {"自訂碼", 15, "自訂碼", "F"},
    {"品名", 20, "品名", "F"},         {"規格", 10, "規格", "F"},           {"應商代號", 8, "廠商代號", "F"},
    {"稅別", 4, "稅別", "F"},          {"建檔日期", 10, "建檔日期", "F"},   {"最新進價", 10, "最新進價", "F"},
    {"單位", 4, "單位", "F"},          {"安全庫存", 10, "安全庫存", ""},    {"最低訂貨量", 10, "最低訂貨量", ""},
    {"庫存量", 10, "庫存量", ""},      {"貨架", 10, "貨架", ""},            {"平均成本", 10, "平均成本", ""},
    {"產品分類", 8, "產品分類", "F"},  {"售價", 10, "售價", ""},            {"會員價格", 10, "會員價格", ""},
    {"VIP價格", 10, "VIP價格", ""},
};

constexpr TGridColumnEntry kSupplierColumns[] = {
    {"廠商代號", 10, "廠商代號", "F"}, {"廠商名稱", 20, "廠商名稱", "F"}, {"聯絡人", 10, "聯絡人", "F"},
    {"訂貨電話", 12, "訂貨電話", "F"}, {"傳真電話", 15, "傳真電話", "F"}, {"電話1", 15, "電話1", "F"},
    {"電話2", 15, "電話2", "F"},       {"廠商地址", 20, "廠商地址", "F"}, {"負責人", 10, "負責人", "F"},
    {"給予折扣", 10, "給予折扣", "F"}, {"交易方式", 10, "交易方式", "F"}, {"稅區分", 10, "稅區分", "F"},
    {"備註", 20, "備註", "F"},
};

constexpr TGridColumnEntry kCustomerColumns[] = {
    {"顧客編號", 10, "顧客編號", "F"}, {"身分證字號", 12, "身分證字號", "F"}, {"姓名", 10, "姓名", "F"},
    {"性別", 4, "性別", "F"},          {"地址", 40, "地址", "F"},             {"會員等級", 8, "會員等級", "F"},
    {"電話1", 12, "電話1", "F"},
};

}  // namespace

std::span<const TGridColumnEntry> GridColumnList(TMasterTable table) {
  switch (table) {
    case TMasterTable::mtClassify: return kClassifyColumns;
    case TMasterTable::mtItem: return kItemColumns;
    case TMasterTable::mtSupplier: return kSupplierColumns;
    case TMasterTable::mtCustomer: return kCustomerColumns;
  }
  return {};
}

std::vector<TGridColumn> GridColumnsPresent(std::span<const TGridColumnEntry> list, TQuery& query) {
  std::vector<TGridColumn> columns;
  for (const TGridColumnEntry& entry : list) {
    // FindField matches names without regard to letter case.
    if (TField* field = query.FindField(entry.fieldName)) columns.push_back({&entry, field});
  }
  return columns;
}

}  // namespace tabrin
