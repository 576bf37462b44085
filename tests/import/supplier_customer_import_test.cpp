// Supplier and customer imports end to end on both backends.
#include <gtest/gtest.h>

#include "import_test_support.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

// A supplier row by title; every other cell blank.
std::vector<Cell> SupplierRow(const std::map<std::string, Cell>& cells) {
  std::vector<Cell> row(SupplierTitles().size());
  for (const auto& [title, cell] : cells) {
    row[static_cast<std::size_t>(std::find(SupplierTitles().begin(), SupplierTitles().end(), title) -
                                 SupplierTitles().begin())] = cell;
  }
  return row;
}

class SupplierImport : public ImportTest {
 protected:
  Table Stored(const std::string& columns) { return Rows("SELECT " + columns + " FROM Supplier ORDER BY FactNo"); }
};

TEST_P(SupplierImport, ColumnsFillTheirFieldsInBothBranches) {
  const std::vector<Cell> row = {"S1", "大明食品", "台北市", "王大明", "02-1111", "02-2222", "02-3333", "02-4444",
                                 95, 80, "應稅", "林小姐", "月結", "備註一"};
  EXPECT_EQ(Import(TMasterTable::mtSupplier, SupplierTitles(), {row}), (TImportCounts{1, 0, 0}));
  const std::string columns = "FactNo, FactName, Addr, Responser, TelNo1, TelNo2, OrderTel, FaxNo, DisRate, TaxCd, "
                              "Contact, TradeCd, Notes";
  EXPECT_EQ(Stored(columns), (Table{{"S1", "大明食品", "台北市", "王大明", "02-1111", "02-2222", "02-3333",
                                     "02-4444", "95", "應稅", "林小姐", "月結", "備註一"}}));
  // An overwrite reads the discount from "存款利率".
  EXPECT_EQ(Import(TMasterTable::mtSupplier, SupplierTitles(), {row}), (TImportCounts{0, 1, 0}));
  EXPECT_EQ(Stored("DisRate"), (Table{{"80"}}));
}

TEST_P(SupplierImport, ABlankDiscountIsHundredForANewSupplierAndZeroOnOverwrite) {
  Import(TMasterTable::mtSupplier, SupplierTitles(), {SupplierRow({{"廠商代號", "S1"}})});
  EXPECT_EQ(Stored("DisRate"), (Table{{"100"}}));
  Import(TMasterTable::mtSupplier, SupplierTitles(), {SupplierRow({{"廠商代號", "S1"}})});
  EXPECT_EQ(Stored("DisRate"), (Table{{"0"}}));
}

TEST_P(SupplierImport, EightBitFieldsKeepTheirBytesNotesSixtyCharacters) {
  std::string sixty;
  for (int i = 0; i < 60; ++i) sixty += "備";
  Import(TMasterTable::mtSupplier, SupplierTitles(),
         {SupplierRow({{"廠商代號", "S1"}, {"廠商姓名", "一二三四五六七八九十一二三四五六七八九十一"}, {"備註", sixty}})});
  EXPECT_EQ(Stored("FactName, Notes"), (Table{{"一二三四五六七八九十一二三四五六七八九十", sixty}}));
}

TEST_P(SupplierImport, WithoutTheOverwriteDiscountColumnOnlyNewSuppliersImportWithCoverZero) {
  std::vector<std::string> titles = SupplierTitles();
  titles.erase(std::find(titles.begin(), titles.end(), "存款利率"));
  std::vector<std::vector<Cell>> rows(3, std::vector<Cell>(titles.size()));
  rows[0][0] = "S1";
  rows[1][0] = "S2";
  rows[2][0] = "S1";
  const TImportError error = ImportFailing(TMasterTable::mtSupplier, titles, rows, TCoverMode::cmOverwrite);
  EXPECT_STREQ(error.what(), "ADOSupplierQuery: Field '存款利率' not found\n工作表第 4 列，欄位「存款利率」");
  EXPECT_EQ(error.Counts(), (TImportCounts{2, 0, 0}));
  EXPECT_EQ(Import(TMasterTable::mtSupplier, titles, rows, TCoverMode::cmKeep), (TImportCounts{0, 0, 3}));
}

TEST_P(SupplierImport, TheExportHeadingsStopAtTheFirstWrittenRowOnTheSupplierName) {
  const std::vector<std::string> exportHeadings = {"廠商代號", "廠商名稱", "聯絡人", "訂貨電話", "傳真電話",
                                                   "電話1",    "電話2",    "廠商地址", "負責人", "給予折扣",
                                                   "交易方式", "稅區分",   "備註"};
  const TImportError error =
      ImportFailing(TMasterTable::mtSupplier, exportHeadings, {{"S1", "大明"}, {"S2", "小華"}}, TCoverMode::cmOverwrite);
  EXPECT_STREQ(error.what(), "ADOSupplierQuery: Field '廠商姓名' not found\n工作表第 2 列，欄位「廠商姓名」");
  EXPECT_TRUE(Stored("FactNo").empty());
}

class CustomerImport : public ImportTest {
 protected:
  Table Stored() { return Rows("SELECT CustNo, IdNo, Name, Sex, TelNo, Address, DisCount FROM Customer ORDER BY CustNo"); }
};

TEST_P(CustomerImport, NewAppendedExistingOverwrittenOrLeft) {
  const std::vector<Cell> first = {"C001", "A123456789", "陳小明", "男", "02-1234", "台北市信義路一段", "金卡"};
  const std::vector<Cell> second = {"C001", "A123456789", "陳小明", "男", "02-9999", "新北市", "銀卡"};
  EXPECT_EQ(Import(TMasterTable::mtCustomer, CustomerTitles(), {first}), (TImportCounts{1, 0, 0}));
  EXPECT_EQ(Import(TMasterTable::mtCustomer, CustomerTitles(), {second}, TCoverMode::cmKeep), (TImportCounts{0, 0, 1}));
  EXPECT_EQ(Stored(), (Table{{"C001", "A123456789", "陳小明", "男", "02-1234", "台北市信義路一段", "金卡"}}));
  EXPECT_EQ(Import(TMasterTable::mtCustomer, CustomerTitles(), {second}), (TImportCounts{0, 1, 0}));
  EXPECT_EQ(Stored(), (Table{{"C001", "A123456789", "陳小明", "男", "02-9999", "新北市", "銀卡"}}));
}

TEST_P(CustomerImport, AnAddressKeepsItsFirstFiftyBytes) {
  std::string address;
  for (int i = 0; i < 26; ++i) address += "路";
  Import(TMasterTable::mtCustomer, CustomerTitles(), {{"C1", "", "", "", "", address, ""}});
  EXPECT_EQ(Stored()[0][5], address.substr(0, 25 * 3));
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(SupplierImport);
TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(CustomerImport);

}  // namespace
}  // namespace tabrin::test
