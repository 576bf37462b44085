// A code longer than its field could never be found again, so each import
// would append another cut copy: such a row stops the import instead.
#include <gtest/gtest.h>

#include "import_test_support.h"

namespace tabrin::test {
namespace {

class OverLongCode : public ImportTest {};

TEST_P(OverLongCode, StopsTheImportNamingTheCodeAndTheWidth) {
  const struct {
    TMasterTable table;
    std::vector<std::string> titles;
    TDatabaseKind kind;
    std::string code;
    const char* message;
    const char* table_;
  } cases[] = {
      {TMasterTable::mtClassify, {"小分類代碼", "小分類名稱"}, TDatabaseKind::dkKestaPos, "ABCD",
       "Code 'ABCD' is too long for field '小分類代碼' (at most 3 bytes)\n工作表第 3 列，欄位「小分類代碼」", "Classify"},
      {TMasterTable::mtClassify, {"小分類代碼", "小分類名稱"}, TDatabaseKind::dkKestaPos, "小分",
       "Code '小分' is too long for field '小分類代碼' (at most 3 bytes)\n工作表第 3 列，欄位「小分類代碼」", "Classify"},
      {TMasterTable::mtItem, ItemTitles(), TDatabaseKind::dkKestaPos, "123456789",
       "Code '123456789' is too long for field '管理貨號' (at most 8 characters)\n工作表第 3 列，欄位「管理貨號」", "Item"},
      {TMasterTable::mtItem, ItemTitles(), TDatabaseKind::dkOrvella, "123456789",
       "Code '123456789' is too long for field 'ItemNo' (at most 8 characters)\n工作表第 3 列，欄位「管理貨號」", "Item"},
      {TMasterTable::mtSupplier, SupplierTitles(), TDatabaseKind::dkKestaPos, "S0001",
       "Code 'S0001' is too long for field '廠商代號' (at most 4 bytes)\n工作表第 3 列，欄位「廠商代號」", "Supplier"},
      {TMasterTable::mtItem, ItemTitles(), TDatabaseKind::dkKestaPos, std::string(5000, '7') + "品",
       "Code '777777777777777777777777777777…' is too long for field '管理貨號' (at most 8 characters)\n"
       "工作表第 3 列，欄位「管理貨號」",
       "Item"},
      {TMasterTable::mtCustomer, CustomerTitles(), TDatabaseKind::dkKestaPos, "C00000001",
       "Code 'C00000001' is too long for field '顧客編號' (at most 8 bytes)\n工作表第 3 列，欄位「顧客編號」", "Customer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code.substr(0, 40));
    Exec(std::string("DELETE FROM ") + c.table_);
    std::vector<Cell> fine(c.titles.size(), Cell(""));
    std::vector<Cell> tooLong = fine;
    fine[0] = "A1";
    tooLong[0] = c.code;
    const TImportError error = ImportFailing(c.table, c.titles, {fine, tooLong}, TCoverMode::cmOverwrite, c.kind);
    EXPECT_STREQ(error.what(), c.message);
    EXPECT_EQ(Rows(std::string("SELECT COUNT(*) FROM ") + c.table_), (std::vector<std::vector<std::string>>{{"1"}}));
  }
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(OverLongCode);

}  // namespace
}  // namespace tabrin::test
