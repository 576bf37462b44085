// Which columns a tab's grid shows, under which titles: the tab's list
// decides, an entry the sheet lacks is gone for the rest of the run, and
// sheet columns nobody lists stay hidden.
#include <gtest/gtest.h>

#include <QLabel>
#include <QStringList>
#include <QTableView>

#include "grid/gw_db_grid.h"
#include "grid/sheet_table_model.h"
#include "grid_test_support.h"
#include "import/workbook_preview_columns.h"

namespace tabrin::test {
namespace {

using grid::TgwDBGrid;

QStringList Titles(const TgwDBGrid& grid) {
  QStringList titles;
  const auto* model = grid.Model();
  for (int c = 0; c < model->columnCount(); ++c) titles << model->headerData(c, Qt::Horizontal).toString();
  return titles;
}

QStringList Q(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) list << QString::fromStdString(text);
  return list;
}

std::vector<std::string> Without(std::vector<std::string> texts, const std::string& gone) {
  std::erase(texts, gone);
  return texts;
}

TEST(GridColumns, BeforeAnySheetEachTabShowsItsWholeListOverAnEmptyBody) {
  struct Case {
    TMasterTable table;
    int columns;
  };
  for (const Case& c : {Case{TMasterTable::mtClassify, 2}, Case{TMasterTable::mtItem, 19},
                        Case{TMasterTable::mtSupplier, 13}, Case{TMasterTable::mtCustomer, 7}}) {
    TgwDBGrid grid(c.table);
    EXPECT_EQ(grid.Model()->columnCount(), c.columns);
    EXPECT_EQ(grid.Model()->rowCount(), 0);
    QStringList listTitles;
    for (const TGridColumnEntry& entry : GridColumnList(c.table)) listTitles << QString::fromUtf8(entry.title.data(), qsizetype(entry.title.size()));
    EXPECT_EQ(Titles(grid), listTitles);
  }
  // The item list shows the sheet column "應商代號" under "廠商代號".
  TgwDBGrid items(TMasterTable::mtItem);
  EXPECT_EQ(Titles(items)[5], "廠商代號");
}

TEST(GridColumns, SupplierSheetInTheImportLayoutKeepsSevenColumnsAlsoForALaterExportWorkbook) {
  const QStringList seven = {"廠商代號", "聯絡人", "訂貨電話", "傳真電話", "負責人", "給予折扣", "備註"};
  TScratchFolder folder;
  TgwDBGrid grid(TMasterTable::mtSupplier);

  TOpenSheet importLayout(TMasterTable::mtSupplier, TABRIN_TEST_DATA "/supplier.xls");
  grid.SetSheet(&importLayout.Query(), "supplier.xls");
  EXPECT_EQ(Titles(grid), seven);
  EXPECT_EQ(grid.ColumnSet().Removed().size(), 6u);

  // The export layout has every column of the list ("廠商名稱", "電話1", ...),
  // yet the entries dropped before stay dropped.
  const std::vector<std::string> exportTitles = {"廠商代號", "廠商名稱", "聯絡人", "訂貨電話", "傳真電話", "電話1", "電話2",
                                                 "廠商地址", "負責人",   "給予折扣", "交易方式", "稅區分",   "備註"};
  WriteSheet(folder.File("export.xls"), exportTitles,
             {{std::string("S001"), std::string("大同"), std::string("王小明"), std::string("02-1234"),
               std::string("02-5678"), std::string("1"), std::string("2"), std::string("台北"),
               std::string("林"), 0.95, std::string("月結"), std::string("1"), std::string("無")}});
  TOpenSheet exportLayout(TMasterTable::mtSupplier, folder.File("export.xls"));
  ASSERT_NE(exportLayout.Query().FindField("廠商名稱"), nullptr);
  grid.SetSheet(&exportLayout.Query(), "export.xls");
  EXPECT_EQ(Titles(grid), seven);
  EXPECT_EQ(grid.Model()->rowCount(), 1);
  EXPECT_EQ(grid.Model()->index(0, 1).data().toString(), "王小明");

  // Back to no sheet: the titles of what is left.
  grid.SetSheet(nullptr);
  EXPECT_EQ(Titles(grid), seven);
  EXPECT_EQ(grid.Model()->rowCount(), 0);
}

TEST(GridColumns, AnItemSheetWithoutTheSupplierColumnLosesItForTheRestOfTheRun) {
  TScratchFolder folder;
  const std::vector<std::string> withoutSupplier = Without(ItemListFields(), "應商代號");
  WriteSheet(folder.File("a.xls"), withoutSupplier, {{std::string("A1")}});
  WriteSheet(folder.File("b.xls"), ItemListFields(), {{std::string("B1")}, {std::string("B2")}});

  TgwDBGrid grid(TMasterTable::mtItem);
  {
    TOpenSheet first(TMasterTable::mtItem, folder.File("a.xls"));
    grid.SetSheet(&first.Query(), "a.xls");
  }
  QStringList expected = Q(withoutSupplier);
  EXPECT_EQ(Titles(grid), expected);
  EXPECT_FALSE(Titles(grid).contains("廠商代號"));

  TOpenSheet second(TMasterTable::mtItem, folder.File("b.xls"));
  grid.SetSheet(&second.Query(), "b.xls");
  EXPECT_EQ(Titles(grid), expected);
  EXPECT_EQ(grid.Model()->rowCount(), 2);

  // Another grid that never saw the first sheet shows the column.
  TgwDBGrid fresh(TMasterTable::mtItem);
  fresh.SetSheet(&second.Query(), "b.xls");
  EXPECT_EQ(fresh.Model()->columnCount(), 19);
  EXPECT_EQ(Titles(fresh)[5], "廠商代號");
}

TEST(GridColumns, TheListDecidesOrderAndSheetColumnsNobodyListsAreHidden) {
  TScratchFolder folder;
  // The sheet in its own order, with columns the importers read but the list
  // does not name, and one list column in other letter case.
  const std::vector<std::string> titles = {"品名", "健康捐", "管理貨號", "聯絡電話1", "vip價格", "售價"};
  WriteSheet(folder.File("items.xls"), titles,
             {{std::string("烏龍茶"), 0.5, std::string("100234"), std::string("02-1"), 20.0, 25.0}});
  TOpenSheet sheet(TMasterTable::mtItem, folder.File("items.xls"));
  TgwDBGrid grid(TMasterTable::mtItem);
  grid.SetSheet(&sheet.Query(), "items.xls");

  EXPECT_EQ(Titles(grid), (QStringList{"管理貨號", "品名", "售價", "VIP價格"}));
  const auto* model = grid.Model();
  EXPECT_EQ(model->index(0, 0).data().toString(), "100234");
  EXPECT_EQ(model->index(0, 1).data().toString(), "烏龍茶");
  EXPECT_EQ(model->index(0, 2).data().toString(), "25");
  EXPECT_EQ(model->index(0, 3).data().toString(), "20");
}

TEST(GridColumns, ASheetWithNoListedColumnLeavesOneEmptyColumn) {
  TScratchFolder folder;
  WriteSheet(folder.File("other.xls"), {"甲", "乙"}, {{std::string("1"), std::string("2")}});
  TOpenSheet sheet(TMasterTable::mtClassify, folder.File("other.xls"));
  TgwDBGrid grid(TMasterTable::mtClassify);
  grid.SetSheet(&sheet.Query(), "other.xls");
  EXPECT_EQ(grid.Model()->columnCount(), 1);
  EXPECT_EQ(Titles(grid), QStringList{QString()});
  EXPECT_EQ(grid.Model()->rowCount(), 1);
  EXPECT_EQ(grid.Model()->index(0, 0).data().toString(), QString());
}

TEST(GridColumns, StatusLineNamesFileRowsAndRemovedColumns) {
  TgwDBGrid grid(TMasterTable::mtSupplier);
  const QString before = grid.StatusLine()->text();
  EXPECT_FALSE(before.isEmpty());

  TOpenSheet sheet(TMasterTable::mtSupplier, TABRIN_TEST_DATA "/supplier.xls");
  grid.SetSheet(&sheet.Query(), TABRIN_TEST_DATA "/supplier.xls");
  const QString status = grid.StatusLine()->text();
  EXPECT_TRUE(status.contains("supplier.xls")) << status.toStdString();
  EXPECT_FALSE(status.contains(TABRIN_TEST_DATA)) << "only the file's name; the path is in the tooltip";
  EXPECT_TRUE(status.contains(QStringLiteral("共 %1 筆").arg(sheet.Query().RecordCount()))) << status.toStdString();
  EXPECT_TRUE(status.contains(QStringLiteral("6 欄"))) << status.toStdString();
  for (const char* gone : {"廠商名稱", "電話1", "電話2", "廠商地址", "交易方式", "稅區分"}) {
    EXPECT_TRUE(status.contains(QString::fromUtf8(gone))) << gone;
  }
  EXPECT_FALSE(status.contains("聯絡人"));
}

TEST(GridColumns, ATitleTellsWhichSheetColumnItShows) {
  TgwDBGrid grid(TMasterTable::mtItem);
  const QString tip = grid.Model()->headerData(5, Qt::Horizontal, Qt::ToolTipRole).toString();
  EXPECT_TRUE(tip.contains("應商代號")) << tip.toStdString();
}

}  // namespace
}  // namespace tabrin::test
