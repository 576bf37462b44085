#include "db/schema.h"

#include <array>

namespace tabrin::schema {
namespace {

constexpr TFieldKind T8 = TFieldKind::fkText8;
constexpr TFieldKind T16 = TFieldKind::fkText16;
constexpr TFieldKind I16 = TFieldKind::fkInt16;
constexpr TFieldKind I32 = TFieldKind::fkInt32;
constexpr TFieldKind FLT = TFieldKind::fkFloat;
constexpr TFieldKind DT = TFieldKind::fkDateTime;
constexpr TFieldKind BOOL = TFieldKind::fkBoolean;

constexpr TFieldDef kClassifyImport[] = {
    {"ClsNo", T8, 3, "小分類代碼"},
    {"ClsName", T8, 40, "小分類名稱"},
    {"Flag", BOOL, 0, ""},
    {"Void", T16, 2, ""},
};

constexpr TFieldDef kClassifyExport[] = {
    {"ClsNo", T16, 3, "小分類代碼"},
    {"ClsName", T16, 40, "小分類名稱"},
};

// The standard item layout: import target of kinds 2 and 3, export of all.
constexpr TFieldDef kItemStandard[] = {
    {"ItemNo", T16, 8, "管理貨號"},     {"ItemMark", T16, 13, "國際碼"},
    {"SelfCode", T16, 13, "自訂碼"},    {"PtName", T16, 40, "品名"},
    {"PtSpec", T16, 50, "規格"},        {"SupplierNo", T16, 4, "應商代號"},
    {"ImTax", T16, 10, "稅別"},         {"ImUpDate", DT, 0, "建檔日期"},
    {"UniPrice", FLT, 0, "最新進價"},   {"SUnit", T16, 4, "單位"},
    {"RegSafeQty", I16, 0, "安全庫存"}, {"EmgSafeQty", I16, 0, "最低訂貨量"},
    {"StkQty", I32, 0, "庫存量"},       {"ShelfNo", T16, 3, "貨架"},
    {"AvgCost", FLT, 0, "平均成本"},    {"Special", I16, 0, "產品分類"},
    {"Price", FLT, 0, "售價"},          {"MemPrice", FLT, 0, "會員價格"},
    {"VipPrice", FLT, 0, "VIP價格"},
};

// The kind-1 item record: 45 fields, none with a title.
constexpr TFieldDef kItemOrvella[] = {
    {"ItemNo", T16, 8, ""},      {"ItemMark", T16, 13, ""},  {"SelfCode", T16, 13, ""},
    {"PtName", T16, 40, ""},     {"PtSpec", T16, 50, ""},    {"PayType", T16, 1, ""},
    {"SupplierNo", T16, 4, ""},  {"ValidDays", T16, 1, ""},  {"ImTax", T16, 10, ""},
    {"ImUpDate", DT, 0, ""},     {"UniPrice", FLT, 0, ""},   {"GUnit", T16, 4, ""},
    {"MUnit", T16, 4, ""},       {"SUnit", T16, 4, ""},      {"GtoM", I32, 0, ""},
    {"MtoS", I32, 0, ""},        {"Gift", FLT, 0, ""},       {"Percent", FLT, 0, ""},
    {"RegSafeQty", I16, 0, ""},  {"EmgSafeQty", I16, 0, ""}, {"StkQty", I32, 0, ""},
    {"ChkQty", I32, 0, ""},      {"ShelfNo", T16, 3, ""},    {"TempShelf", T16, 3, ""},
    {"AvgCost", FLT, 0, ""},     {"Flags", T16, 10, ""},     {"Code", T16, 6, ""},
    {"Special", I16, 0, ""},     {"OldCode", T16, 13, ""},   {"HealthCode", T16, 12, ""},
    {"HeaPrice", FLT, 0, ""},    {"Price", FLT, 0, ""},      {"MemPrice", FLT, 0, ""},
    {"VipPrice", FLT, 0, ""},    {"MTDate", DT, 0, ""},      {"ItemCnt", I16, 0, ""},
    {"Qty1", I16, 0, ""},        {"No1", T16, 8, ""},        {"Qty2", I16, 0, ""},
    {"No2", T16, 8, ""},         {"Qty3", I16, 0, ""},       {"No3", T16, 8, ""},
    {"Void", T16, 1, ""},        {"Notes", T16, 60, ""},     {"HealthTax", FLT, 0, ""},
};

constexpr TFieldDef kSupplier[] = {
    {"FactNo", T8, 4, "廠商代號"},   {"FactName", T8, 40, "廠商名稱"}, {"Contact", T8, 10, "聯絡人"},
    {"OrderTel", T8, 17, "訂貨電話"}, {"FaxNo", T8, 12, "傳真電話"},   {"TelNo1", T8, 17, "電話1"},
    {"TelNo2", T8, 17, "電話2"},      {"Addr", T8, 40, "廠商地址"},     {"Responser", T8, 10, "負責人"},
    {"DisRate", FLT, 0, "給予折扣"},  {"TradeCd", T8, 20, "交易方式"},  {"TaxCd", T8, 10, "稅區分"},
    {"Notes", T16, 60, "備註"},
};

constexpr TFieldDef kCustomer[] = {
    {"CustNo", T8, 8, "顧客編號"}, {"IdNo", T8, 10, "身分證字號"}, {"Name", T8, 20, "姓名"},
    {"Sex", T8, 6, "性別"},        {"TelNo", T8, 17, "電話1"},     {"Address", T8, 50, "地址"},
    {"DisCount", T8, 16, "會員等級"},
};

const TQueryDef kDBCLSQuery{"DBCLSQuery", "SELECT * from Classify", kClassifyImport};
const TQueryDef kDBItemQuery{"DBItemQuery", "SELECT * from Item", kItemStandard};
const TQueryDef kOrvellaItemQuery{"OrvellaItemQuery", "SELECT * from Item", kItemOrvella};
const TQueryDef kDBSupplierQuery{"DBSupplierQuery", "SELECT * from Supplier", kSupplier};
const TQueryDef kDBCustQuery{"DBCustQuery", "SELECT * from Customer", kCustomer};
const TQueryDef kCLSExportQuery{"CLSExportQuery", "SELECT ClsNo,ClsName from Classify", kClassifyExport};
const TQueryDef kItemExportQuery{"ItemExportQuery", "SELECT * from Item", kItemStandard};
const TQueryDef kSupplierExportQuery{"SupplierExportQuery", "SELECT * from Supplier", kSupplier};
const TQueryDef kCustExportQuery{"CustExportQuery", "SELECT * from Customer", kCustomer};

const std::array<const TQueryDef*, 9> kAll = {
    &kDBCLSQuery,      &kDBItemQuery,   &kOrvellaItemQuery,   &kDBSupplierQuery, &kDBCustQuery,
    &kCLSExportQuery, &kItemExportQuery, &kSupplierExportQuery, &kCustExportQuery,
};

}  // namespace

const TQueryDef& DBCLSQuery() { return kDBCLSQuery; }
const TQueryDef& DBItemQuery() { return kDBItemQuery; }
const TQueryDef& OrvellaItemQuery() { return kOrvellaItemQuery; }
const TQueryDef& DBSupplierQuery() { return kDBSupplierQuery; }
const TQueryDef& DBCustQuery() { return kDBCustQuery; }
const TQueryDef& CLSExportQuery() { return kCLSExportQuery; }
const TQueryDef& ItemExportQuery() { return kItemExportQuery; }
const TQueryDef& SupplierExportQuery() { return kSupplierExportQuery; }
const TQueryDef& CustExportQuery() { return kCustExportQuery; }

std::span<const TQueryDef* const> AllQueries() { return kAll; }

const TQueryDef* FindQuery(std::string_view name) {
  for (const TQueryDef* def : kAll) {
    if (def->name == name) return def;
  }
  return nullptr;
}

}  // namespace tabrin::schema
