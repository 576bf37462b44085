// A tab's Open and Import steps as the window and the command line run them:
// the workbook connection, the tab's sheet query and the import from it.
#include <gtest/gtest.h>

#include "import_test_support.h"
#include "text/error.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class TabSheet : public ImportTest {
 protected:
  std::string Workbook(const std::vector<std::string>& titles, const SheetRows& rows) {
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, titles, rows);
    return path;
  }

  // The message of what fn raises, or "" when it raises nothing.
  template <class Fn>
  static std::string ErrorOf(Fn fn) {
    try {
      fn();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }
};

// The item tab reads only rows with an item number, so a sheet without the
// column cannot be opened on it, whether it has rows or not, and an import
// of it stops at the same point, before anything is written.
TEST_P(TabSheet, AnItemSheetWithoutItemNumbersFailsAtOpeningAndAtImport) {
  const struct {
    const char* name;
    std::vector<std::string> titles;
    SheetRows rows;
  } cases[] = {
      {"rows without the column", {"品名", "售價"}, {{"茶", 10}, {"水", 5}}},
      {"only a title row", {"品名", "售價"}, {}},
      {"an empty sheet", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Workbook(c.titles, c.rows);
    TConnection workbook("ADOXLSConnect");
    TQuery sheet("ADOItemQuery");
    OpenWorkbook(workbook, path);
    EXPECT_EQ(ErrorOf([&] { OpenTabSheetQuery(sheet, workbook, TMasterTable::mtItem); }),
              "ADOItemQuery: Field '管理貨號' not found");
    EXPECT_FALSE(sheet.Active());

    EXPECT_EQ(
        ErrorOf([&] { ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, {}); }),
        "ADOItemQuery: Field '管理貨號' not found");
    EXPECT_EQ(Rows("SELECT ItemNo FROM Item"), Table{});
  }
}

// On the other tabs an empty sheet is a sheet without rows.
TEST_P(TabSheet, AnEmptySheetHasNoRowsOnTheOtherTabs) {
  const std::string path = Workbook({}, {});
  for (TMasterTable table : {TMasterTable::mtClassify, TMasterTable::mtSupplier, TMasterTable::mtCustomer}) {
    SCOPED_TRACE(std::string(MasterTableName(table)));
    TConnection workbook("ADOXLSConnect");
    TQuery sheet(std::string(ImportTab(table).sheetQueryName));
    OpenWorkbook(workbook, path);
    OpenTabSheetQuery(sheet, workbook, table);
    EXPECT_EQ(sheet.RecordCount(), 0);
    EXPECT_EQ(ImportTabSheet(sheet, Connection(), TDatabaseKind::dkKestaPos, table, {}), TImportCounts{});
  }
}

// Opening another workbook on the same connection and query replaces the
// rows; the Import button imports what the query shows.
TEST_P(TabSheet, OpenReplacesTheRowsAndImportTakesThemFromTheOpenQuery) {
  const std::string first = Workbook({"小分類代碼", "小分類名稱"}, {{"A01", "飲料"}});
  const std::string second = Workbook({"小分類代碼", "小分類名稱"}, {{"B01", "零食"}, {"B02", "雜貨"}});
  TConnection workbook("ADOXLSConnect");
  TQuery sheet("ADOCLSQuery");
  OpenWorkbook(workbook, first);
  OpenTabSheetQuery(sheet, workbook, TMasterTable::mtClassify);
  EXPECT_EQ(sheet.RecordCount(), 1);

  OpenWorkbook(workbook, second);
  OpenTabSheetQuery(sheet, workbook, TMasterTable::mtClassify);
  EXPECT_EQ(sheet.RecordCount(), 2);
  EXPECT_EQ(ImportTabSheet(sheet, Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtClassify, {}),
            (TImportCounts{2, 0, 0}));
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"), (Table{{"B01"}, {"B02"}}));
  // The query stays open: the same sheet can be imported again, overwriting
  // both records with what they hold.
  EXPECT_EQ(ImportTabSheet(sheet, Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtClassify, {}), (TImportCounts{0, 2, 0, 2}));
}

TEST_P(TabSheet, ImportOnAClosedSheetQueryFailsWithTheDataLayersError) {
  TQuery sheet("ADOItemQuery");
  EXPECT_EQ(ErrorOf([&] { ImportTabSheet(sheet, Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, {}); }),
            "ADOItemQuery: Cannot perform this operation on a closed dataset");
}

// The item tab's query leaves out rows without an item number; an error
// still names the row as the workbook numbers it.
TEST_P(TabSheet, ItemErrorsNameTheWorkbookRowOnTheFilteredQuery) {
  const std::string path = Workbook(ItemTitles(), {ItemRow({{"品名", "沒有貨號"}}), ItemRow({{"管理貨號", "A1"}}),
                                                   ItemRow({{"品名", "沒有貨號"}}), ItemRow({{"品名", "沒有貨號"}}),
                                                   ItemRow({{"管理貨號", "A2"}, {"售價", "x"}})});
  TConnection workbook("ADOXLSConnect");
  TQuery sheet("ADOItemQuery");
  OpenWorkbook(workbook, path);
  OpenTabSheetQuery(sheet, workbook, TMasterTable::mtItem);
  ASSERT_EQ(sheet.RecordCount(), 2);
  try {
    ImportTabSheet(sheet, Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, {});
    FAIL() << "the import did not fail";
  } catch (const TImportError& e) {
    EXPECT_EQ(e.SheetRow(), 6);
    EXPECT_EQ(e.Counts(), (TImportCounts{1, 0, 0}));
  }
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(TabSheet);

}  // namespace
}  // namespace tabrin::test
