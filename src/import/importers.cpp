#include "import/importers.h"

namespace tabrin {
namespace {

constexpr TCellSource NotWritten{};
constexpr TCellSource Code{TCellRule::crCode, {}, 0, 0};
constexpr TCellSource Text(std::string_view column) { return {TCellRule::crText, column, 0, 0}; }
constexpr TCellSource TextCut(std::string_view column, std::size_t bytes) {
  return {TCellRule::crTextCut, column, 0, bytes};
}
constexpr TCellSource Date(std::string_view column) { return {TCellRule::crDate, column, 0, 0}; }
constexpr TCellSource Number(std::string_view column, double blank = 0) {
  return {TCellRule::crNumber, column, blank, 0};
}
constexpr TCellSource False{TCellRule::crFalse, {}, 0, 0};
constexpr TCellSource EmptyText{TCellRule::crEmptyText, {}, 0, 0};

// Sub-categories.
constexpr TFieldMapping kClassifyFields[] = {
    {"ClsNo", Code, NotWritten},
    {"ClsName", Text("小分類名稱"), Text("小分類名稱")},
    {"Flag", False, False},
    {"Void", EmptyText, EmptyText},
};

// Items.  A new record keeps only the first 40 (50) Big5 bytes of the name
// (the size); an overwrite stores up to the field's own width.  The standard
// layout's new branch reads the supplier from "應商代號", every other branch
// from "廠商代號", so sheets in use carry both columns.  The standard
// overwrite takes "VIP價格" like every other price.
constexpr TFieldMapping kStandardItemFields[] = {
    {"ItemNo", Code, NotWritten},
    {"ItemMark", Text("國際碼"), Text("國際碼")},
    {"SelfCode", Text("自訂碼"), Text("自訂碼")},
    {"PtName", TextCut("品名", 40), Text("品名")},
    {"PtSpec", TextCut("規格", 50), Text("規格")},
    {"SupplierNo", Text("應商代號"), Text("廠商代號")},
    {"ImTax", Text("稅別"), Text("稅別")},
    {"ImUpDate", Date("建檔日期"), Date("建檔日期")},
    {"UniPrice", Number("最新進價"), Number("最新進價")},
    {"SUnit", Text("單位"), Text("單位")},
    {"RegSafeQty", Number("安全庫存"), Number("安全庫存")},
    {"EmgSafeQty", Number("最低訂貨量"), Number("最低訂貨量")},
    {"StkQty", Number("庫存量"), Number("庫存量")},
    {"ShelfNo", Text("貨架"), Text("貨架")},
    {"AvgCost", Number("平均成本"), Number("平均成本")},
    {"Special", Number("產品分類"), Number("產品分類")},
    {"Price", Number("售價"), Number("售價")},
    {"MemPrice", Number("會員價格"), Number("會員價格")},
    {"VipPrice", Number("VIP價格"), Number("VIP價格")},
};

// The kind-1 record: the same columns plus "健康捐"; its other fields are
// never written.
constexpr TFieldMapping kOrvellaItemFields[] = {
    {"ItemNo", Code, NotWritten},
    {"ItemMark", Text("國際碼"), Text("國際碼")},
    {"SelfCode", Text("自訂碼"), Text("自訂碼")},
    {"PtName", TextCut("品名", 40), Text("品名")},
    {"PtSpec", TextCut("規格", 50), Text("規格")},
    {"SupplierNo", Text("廠商代號"), Text("廠商代號")},
    {"ImTax", Text("稅別"), Text("稅別")},
    {"ImUpDate", Date("建檔日期"), Date("建檔日期")},
    {"UniPrice", Number("最新進價"), Number("最新進價")},
    {"SUnit", Text("單位"), Text("單位")},
    {"RegSafeQty", Number("安全庫存"), Number("安全庫存")},
    {"EmgSafeQty", Number("最低訂貨量"), Number("最低訂貨量")},
    {"StkQty", Number("庫存量"), Number("庫存量")},
    {"ShelfNo", Text("貨架"), Text("貨架")},
    {"AvgCost", Number("平均成本"), Number("平均成本")},
    {"Special", Number("產品分類"), Number("產品分類")},
    {"Price", Number("售價"), Number("售價")},
    {"MemPrice", Number("會員價格"), Number("會員價格")},
    {"VipPrice", Number("VIP價格"), Number("VIP價格")},
    {"HealthTax", Number("健康捐"), Number("健康捐")},
};

// Suppliers: the sheet's titles are not the export's headings ("廠商姓名",
// "聯絡電話1", ...).  A blank discount is 100 (no discount) for a new
// supplier; an overwrite reads "存款利率" instead and takes a blank as 0.
constexpr TFieldMapping kSupplierFields[] = {
    {"FactNo", Code, NotWritten},
    {"FactName", Text("廠商姓名"), Text("廠商姓名")},
    {"Addr", Text("地址"), Text("地址")},
    {"Responser", Text("負責人"), Text("負責人")},
    {"TelNo1", Text("聯絡電話1"), Text("聯絡電話1")},
    {"TelNo2", Text("聯絡電話2"), Text("聯絡電話2")},
    {"OrderTel", Text("訂貨電話"), Text("訂貨電話")},
    {"FaxNo", Text("傳真電話"), Text("傳真電話")},
    {"DisRate", Number("給予折扣", 100), Number("存款利率", 0)},
    {"TaxCd", Text("稅別"), Text("稅別")},
    {"Contact", Text("聯絡人"), Text("聯絡人")},
    {"TradeCd", Text("交易別"), Text("交易別")},
    {"Notes", Text("備註"), Text("備註")},
};

// Customers: the titles are the export's headings, so an exported workbook
// imports again.
constexpr TFieldMapping kCustomerFields[] = {
    {"CustNo", Code, NotWritten},
    {"IdNo", Text("身分證字號"), Text("身分證字號")},
    {"Name", Text("姓名"), Text("姓名")},
    {"Sex", Text("性別"), Text("性別")},
    {"TelNo", Text("電話1"), Text("電話1")},
    {"Address", Text("地址"), Text("地址")},
    {"DisCount", Text("會員等級"), Text("會員等級")},
};

}  // namespace

const TImporterDef& ClassifyImporter() {
  static const TImporterDef def{
      .target = &schema::DBCLSQuery(),
      .lookupSql = "select * from Classify where ClsNo = ?",
      .codeColumn = "小分類代碼",
      .codeField = "ClsNo",
      .fields = kClassifyFields,
  };
  return def;
}

const TImporterDef& ItemImporter(std::optional<TDatabaseKind> kind) {
  static const TImporterDef standard{
      .target = &schema::DBItemQuery(),
      .lookupSql = "select * from Item where ItemNo = ?",
      .codeColumn = "管理貨號",
      .codeField = "ItemNo",
      .completeItemNumber = true,
      .skipEmptyCode = true,
      .fields = kStandardItemFields,
  };
  static const TImporterDef orvella{
      .target = &schema::OrvellaItemQuery(),
      .lookupSql = "select * from Item where ItemNo = ?",
      .codeColumn = "管理貨號",
      .codeField = "ItemNo",
      .completeItemNumber = true,
      .skipEmptyCode = true,
      .fields = kOrvellaItemFields,
  };
  return kind == TDatabaseKind::dkOrvella ? orvella : standard;
}

const TImporterDef& SupplierImporter() {
  static const TImporterDef def{
      .target = &schema::DBSupplierQuery(),
      .lookupSql = "select * from Supplier where FactNo = ?",
      .codeColumn = "廠商代號",
      .codeField = "FactNo",
      .fields = kSupplierFields,
  };
  return def;
}

const TImporterDef& CustomerImporter() {
  static const TImporterDef def{
      .target = &schema::DBCustQuery(),
      .lookupSql = "select * from Customer where CustNo = ?",
      .codeColumn = "顧客編號",
      .codeField = "CustNo",
      .fields = kCustomerFields,
  };
  return def;
}

}  // namespace tabrin
