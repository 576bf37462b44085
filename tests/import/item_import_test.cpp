// Item import end to end on both backends and both record layouts.
#include <gtest/gtest.h>

#include "import_test_support.h"
#include "text/regional.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class ItemImport : public ImportTest {
 protected:
  Table Stored(const std::string& columns) { return Rows("SELECT " + columns + " FROM Item ORDER BY ItemNo"); }

  TImportCounts ImportItems(const SheetRows& rows, TCoverMode cover = TCoverMode::cmOverwrite,
                            TDatabaseKind kind = TDatabaseKind::dkKestaPos, int batchRows = 500) {
    return Import(TMasterTable::mtItem, ItemTitles(), rows, cover, kind, batchRows);
  }
  TImportError ImportItemsFailing(const SheetRows& rows, TCoverMode cover = TCoverMode::cmOverwrite,
                                  TDatabaseKind kind = TDatabaseKind::dkKestaPos, int batchRows = 500) {
    return ImportFailing(TMasterTable::mtItem, ItemTitles(), rows, cover, kind, batchRows);
  }
};

TEST_P(ItemImport, SixDigitItemNumbersAreCompletedWithTheCheckDigit) {
  ImportItems({ItemRow({{"管理貨號", "123456"}}), ItemRow({{"管理貨號", "000000"}}),
               ItemRow({{"管理貨號", 654321}}),  // a number cell reads as its six digits
               ItemRow({{"管理貨號", "1234567"}}), ItemRow({{"管理貨號", "12345"}})});
  EXPECT_EQ(Stored("ItemNo"), (Table{{"00000000"}, {"12345"}, {"12345601"}, {"1234567"}, {"65432105"}}));

  // A raw number is looked up by its completed form.
  EXPECT_EQ(ImportItems({ItemRow({{"管理貨號", "123456"}})}, TCoverMode::cmKeep), (TImportCounts{0, 0, 1}));
}

TEST_P(ItemImport, ANumberColumnOfSixDigitItemNumbersIsCompletedToo) {
  ImportItems({ItemRow({{"管理貨號", 123456}}), ItemRow({{"管理貨號", 0.0}})});
  EXPECT_EQ(Stored("ItemNo"), (Table{{"0"}, {"12345601"}}));
}

TEST_P(ItemImport, SixBytesOfChineseStopTheImportAtTheirRow) {
  const TImportError error =
      ImportItemsFailing({ItemRow({{"管理貨號", "123456"}}), ItemRow({{"管理貨號", "商品檔"}})});
  EXPECT_STREQ(error.what(), "'商' is not a valid integer value\n工作表第 3 列，欄位「管理貨號」");
  EXPECT_EQ(error.Counts(), (TImportCounts{1, 0, 0}));
  EXPECT_EQ(Stored("ItemNo"), (Table{{"12345601"}}));
}

TEST_P(ItemImport, BlankNumberCellsStoreZeroAndABlankDateStoresNull) {
  ImportItems({ItemRow({{"管理貨號", "A1"}, {"品名", "茶"}})});
  EXPECT_EQ(Stored("ItemNo, PtName, ItemMark, ImUpDate, UniPrice, RegSafeQty, EmgSafeQty, StkQty, AvgCost, "
                   "Special, Price, MemPrice, VipPrice"),
            (Table{{"A1", "茶", "", "", "0", "0", "0", "0", "0", "0", "0", "0", "0"}}));
  EXPECT_EQ(Rows("SELECT ItemNo FROM Item WHERE ImUpDate IS NULL"), (Table{{"A1"}}));
}

TEST_P(ItemImport, ValuesGoThroughTheFieldKinds) {
  ImportItems({
      ItemRow({{"管理貨號", "A1"}, {"建檔日期", Cell::Date(45356.5)}, {"安全庫存", 2.5}, {"最低訂貨量", 3.5},
               {"庫存量", "120"}, {"售價", 35.5}, {"最新進價", "12.25"}}),
      ItemRow({{"管理貨號", "A2"}, {"建檔日期", "2024/3/5"}, {"安全庫存", -0.5}}),
  });
  EXPECT_EQ(Stored("ItemNo, ImUpDate, RegSafeQty, EmgSafeQty, StkQty, Price, UniPrice"),
            (Table{{"A1", "2024/3/5 12:00:00", "2", "4", "120", "35.5", "12.25"},
                   {"A2", "2024/3/5", "0", "0", "0", "0", "0"}}));
}

TEST_P(ItemImport, ValueErrorsNameTheRowAndColumn) {
  const struct {
    const char* column;
    Cell fine;
    Cell value;
    const char* message;
  } cases[] = {
      {"安全庫存", "1", 40000, "40000 is not a valid value for field '安全庫存'. The allowed range is -32768 to 32767"},
      {"庫存量", "1", 3e9, "3000000000 is not a valid value for field '庫存量'. The allowed range is -2147483648 to 2147483647"},
      {"售價", "1", "abc", "'abc' is not a valid floating point value"},
      {"建檔日期", "2024/1/1", "明天", "'明天' is not a valid date and time"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column);
    Exec("DELETE FROM Item");
    // A text cell in the column keeps the whole column text, as a mixed column is read.
    const TImportError error = ImportItemsFailing({ItemRow({{"管理貨號", "OK1"}, {c.column, c.fine}}),
                                                   ItemRow({{"管理貨號", "BAD"}, {c.column, c.value}})});
    EXPECT_EQ(std::string(error.what()), std::string(c.message) + "\n工作表第 3 列，欄位「" + c.column + "」");
    EXPECT_EQ(Stored("ItemNo"), (Table{{"OK1"}}));
  }
}

TEST_P(ItemImport, AValueErrorOnRow37LeavesRows2To36Stored) {
  for (int batchRows : {500, 10, 7, 1}) {
    SCOPED_TRACE(batchRows);
    Exec("DELETE FROM Item");
    Exec("INSERT INTO Item (ItemNo, PtName) VALUES ('C0005', '舊')");
    SheetRows rows;
    for (int row = 2; row <= 40; ++row) {
      char code[16];
      std::snprintf(code, sizeof code, "C%04d", row);
      rows.push_back(ItemRow({{"管理貨號", code}, {"品名", "新"}, {"安全庫存", row == 37 ? 40000 : row}}));
    }
    const TImportError error = ImportItemsFailing(rows, TCoverMode::cmOverwrite, TDatabaseKind::dkKestaPos, batchRows);
    EXPECT_EQ(error.SheetRow(), 37);
    EXPECT_EQ(error.Column(), "安全庫存");
    EXPECT_EQ(error.Counts(), (TImportCounts{34, 1, 0}));
    const Table stored = Stored("ItemNo, PtName, RegSafeQty");
    ASSERT_EQ(stored.size(), 35u);
    EXPECT_EQ(stored.front(), (std::vector<std::string>{"C0002", "新", "2"}));
    EXPECT_EQ(stored[3], (std::vector<std::string>{"C0005", "新", "5"}));
    EXPECT_EQ(stored.back(), (std::vector<std::string>{"C0036", "新", "36"}));
  }
}

TEST_P(ItemImport, RowsWithoutItemNumberArePassedOverAndErrorsKeepTheSheetsRowNumbers) {
  const TImportError error = ImportItemsFailing({ItemRow({{"管理貨號", "A1"}}), ItemRow({{"品名", "沒有貨號"}}),
                                                 ItemRow({{"管理貨號", "A3"}, {"售價", "x"}})});
  EXPECT_STREQ(error.what(), "'x' is not a valid floating point value\n工作表第 4 列，欄位「售價」");
  EXPECT_EQ(Stored("ItemNo"), (Table{{"A1"}}));
}

TEST_P(ItemImport, NewNamesKeepFortyBytesOverwrittenOnesTheFieldsFortyCharacters) {
  const std::string name = "一二三四五六七八九十一二三四五六七八九十一二三四五";   // 25 characters
  const std::string spec = "甲乙丙丁戊己庚辛壬癸甲乙丙丁戊己庚辛壬癸甲乙丙丁戊己庚辛";  // 28 characters
  ImportItems({ItemRow({{"管理貨號", "A1"}, {"品名", name}, {"規格", spec}})});
  EXPECT_EQ(Stored("PtName, PtSpec"),
            (Table{{"一二三四五六七八九十一二三四五六七八九十", "甲乙丙丁戊己庚辛壬癸甲乙丙丁戊己庚辛壬癸甲乙丙丁戊"}}));
  ImportItems({ItemRow({{"管理貨號", "A1"}, {"品名", name}, {"規格", spec}})});
  EXPECT_EQ(Stored("PtName, PtSpec"), (Table{{name, spec}}));
}

TEST_P(ItemImport, TheStandardLayoutTakesTheNewSupplierFromItsExportHeading) {
  ImportItems({ItemRow({{"管理貨號", "A1"}, {"應商代號", "S1"}, {"廠商代號", "S2"}, {"VIP價格", 9}, {"健康捐", 5}})});
  EXPECT_EQ(Stored("SupplierNo, VipPrice, HealthTax"), (Table{{"S1", "9", "0"}}));
  ImportItems({ItemRow({{"管理貨號", "A1"}, {"應商代號", "S1"}, {"廠商代號", "S2"}, {"VIP價格", 8}, {"健康捐", 5}})});
  EXPECT_EQ(Stored("SupplierNo, VipPrice, HealthTax"), (Table{{"S2", "8", "0"}}));
}

TEST_P(ItemImport, TheKindOneLayoutReadsTheSupplierAndHealthTaxInBothBranches) {
  Exec("INSERT INTO Item (ItemNo, PayType, Notes) VALUES ('A2', 'C', '保留')");
  ImportItems({ItemRow({{"管理貨號", "A1"}, {"應商代號", "S1"}, {"廠商代號", "S2"}, {"健康捐", 5}}),
               ItemRow({{"管理貨號", "A2"}, {"廠商代號", "S3"}, {"健康捐", 6}})},
              TCoverMode::cmOverwrite, TDatabaseKind::dkOrvella);
  EXPECT_EQ(Stored("ItemNo, SupplierNo, HealthTax, PayType, Notes"),
            (Table{{"A1", "S2", "5", "", ""}, {"A2", "S3", "6", "C", "保留"}}));
}

TEST_P(ItemImport, AnExportedSheetWithoutTheOverwriteSupplierColumnStopsAtTheFirstExistingItem) {
  Exec("INSERT INTO Item (ItemNo) VALUES ('A2')");
  std::vector<std::string> titles = ItemTitles();
  titles.erase(std::find(titles.begin(), titles.end(), "廠商代號"));
  std::vector<std::vector<Cell>> rows(2, std::vector<Cell>(titles.size()));
  rows[0][0] = "A1";
  rows[1][0] = "A2";
  const TImportError error =
      ImportFailing(TMasterTable::mtItem, titles, rows, TCoverMode::cmOverwrite, TDatabaseKind::dkKestaPos);
  EXPECT_STREQ(error.what(), "ADOItemQuery: Field '廠商代號' not found\n工作表第 3 列，欄位「廠商代號」");
  EXPECT_EQ(Stored("ItemNo"), (Table{{"A1"}, {"A2"}}));
  EXPECT_EQ(Import(TMasterTable::mtItem, titles, rows, TCoverMode::cmKeep, TDatabaseKind::dkKestaPos),
            (TImportCounts{0, 0, 2}));
}

TEST_P(ItemImport, SixteenBitItemNumbersCountCharacters) {
  ImportItems({ItemRow({{"管理貨號", "小分類商品檔一二"}})});  // 8 characters, 16 bytes
  EXPECT_EQ(Stored("ItemNo"), (Table{{"小分類商品檔一二"}}));
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ItemImport);

}  // namespace
}  // namespace tabrin::test
