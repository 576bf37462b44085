// Column mappings: the columns a sheet lacks, the mapping proposed for its
// titles, and a tab's sheet, plan, import and journal under a mapping.
#include <gtest/gtest.h>

#include "import/column_mapping.h"
#include "import/import_journal.h"
#include "import/import_plan.h"
#include "import/import_undo.h"
#include "import/importers.h"
#include "import/saved_mappings.h"
#include "import/tab_mapping.h"
#include "import_test_support.h"
#include "text/error.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;
using Titles = std::vector<std::string>;

// The titles the program's own exports write.
const Titles kItemExportTitles = {"管理貨號", "國際碼",   "自訂碼",   "品名",     "規格",     "應商代號", "稅別",
                                  "建檔日期", "最新進價", "單位",     "安全庫存", "最低訂貨量", "庫存量", "貨架",
                                  "平均成本", "產品分類", "售價",     "會員價格", "VIP價格"};
const Titles kSupplierExportTitles = {"廠商代號", "廠商名稱", "聯絡人",   "訂貨電話", "傳真電話", "電話1", "電話2",
                                      "廠商地址", "負責人",   "給予折扣", "交易方式", "稅區分",   "備註"};

TEST(ColumnMapping, ProposesTheExportTitlesThenLooseTitlesAndLeavesWhatNoExportWrites) {
  const struct {
    const char* name;
    TMasterTable table;
    const TImporterDef& importer;
    Titles titles;
    TCoverMode cover;
    std::string missing;   // MissingColumnsText without a mapping
    std::string proposed;  // MappingText of the proposal
  } cases[] = {
      {"kind-1 item export", TMasterTable::mtItem, ItemImporter(TDatabaseKind::dkOrvella), kItemExportTitles,
       TCoverMode::cmOverwrite, "工作表缺少匯入讀取的欄位：廠商代號、健康捐", "應商代號 → 廠商代號；健康捐：不匯入"},
      {"standard item export", TMasterTable::mtItem, ItemImporter(TDatabaseKind::dkKestaPos), kItemExportTitles,
       TCoverMode::cmOverwrite, "工作表缺少匯入讀取的欄位：廠商代號", "應商代號 → 廠商代號"},
      {"standard item export, existing codes kept", TMasterTable::mtItem, ItemImporter(TDatabaseKind::dkKestaPos),
       kItemExportTitles, TCoverMode::cmKeep, "", ""},
      {"supplier export", TMasterTable::mtSupplier, SupplierImporter(), kSupplierExportTitles, TCoverMode::cmOverwrite,
       "工作表缺少匯入讀取的欄位：廠商姓名、地址、聯絡電話1、聯絡電話2、存款利率、稅別、交易別",
       "廠商名稱 → 廠商姓名；廠商地址 → 地址；電話1 → 聯絡電話1；電話2 → 聯絡電話2；給予折扣 → 存款利率；"
       "稅區分 → 稅別；交易方式 → 交易別"},
      {"letter case, full-width forms and spaces", TMasterTable::mtCustomer, CustomerImporter(),
       {"顧客編號", "身分證 字號", "姓名", "性別", "電話１", "地址", "會員等級"}, TCoverMode::cmOverwrite,
       "工作表缺少匯入讀取的欄位：身分證字號、電話1", "身分證 字號 → 身分證字號；電話１ → 電話1"},
      {"field names as titles", TMasterTable::mtClassify, ClassifyImporter(), {"clsno", "ClsName"},
       TCoverMode::cmOverwrite, "工作表缺少匯入讀取的欄位：小分類代碼、小分類名稱",
       "clsno → 小分類代碼；ClsName → 小分類名稱"},
      {"no title to offer", TMasterTable::mtClassify, ClassifyImporter(), {"代碼", "名稱"}, TCoverMode::cmOverwrite,
       "工作表缺少匯入讀取的欄位：小分類代碼、小分類名稱", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MissingColumnsText(MissingColumns(c.titles, c.importer, c.cover, {})), c.missing);
    const TColumnMapping proposed = ProposeMapping(c.titles, c.table, c.importer, c.cover);
    EXPECT_EQ(MappingText(proposed), c.proposed);
    if (!c.proposed.empty()) {
      EXPECT_TRUE(MissingColumns(c.titles, c.importer, c.cover, proposed).empty());
    }
  }
}

TEST(ColumnMapping, RefusesAMappingTheImportCannotUse) {
  const TImporterDef& importer = ItemImporter(TDatabaseKind::dkOrvella);
  const struct {
    TColumnMapping mapping;
    std::string error;
  } cases[] = {
      {{{{"應商代號", "供應商"}}, {}}, "欄位對應：匯入不讀取欄位「供應商」"},
      {{{}, {"管理貨號"}}, "欄位對應：代號欄位「管理貨號」不能不匯入"},
      {{{{"應商代號", "廠商代號"}}, {"廠商代號"}}, "欄位對應：欄位「廠商代號」不能既對應又不匯入"},
      {{{{"應商代號", "廠商代號"}, {"品名", "廠商代號"}}, {}}, "欄位對應：欄位「廠商代號」對應了兩次"},
      {{{{"供應商", "廠商代號"}}, {}}, "欄位對應：工作表沒有欄位「供應商」"},
  };
  for (const auto& c : cases) {
    try {
      CheckMapping(c.mapping, kItemExportTitles, importer);
      ADD_FAILURE() << "accepted: " << MappingText(c.mapping);
    } catch (const TabrinError& e) {
      EXPECT_EQ(e.what(), c.error);
    }
  }
  EXPECT_NO_THROW(CheckMapping({{{"應商代號", "廠商代號"}}, {"健康捐"}}, kItemExportTitles, importer));
}

TEST(ColumnMapping, SavedMappingsAreFoundByNameAndByTheSetOfTitles) {
  TTempFolder folder;
  const TColumnMapping mapping{{{"應商代號", "廠商代號"}}, {"健康捐"}};
  const std::string name = DefaultMappingName(TMasterTable::mtItem, kItemExportTitles);
  EXPECT_EQ(name, "商品檔：管理貨號、國際碼、自訂碼…（19 欄）");
  {
    TMappingStore store(folder.Path());
    store.Save({name, TMasterTable::mtItem, kItemExportTitles, mapping, {}});
  }
  TMappingStore store(folder.Path());  // what another run finds
  Titles reordered(kItemExportTitles.rbegin(), kItemExportTitles.rend());
  ASSERT_TRUE(store.FindFor(TMasterTable::mtItem, reordered));
  EXPECT_EQ(store.FindFor(TMasterTable::mtItem, reordered)->mapping, mapping);
  EXPECT_EQ(store.Find(name)->titles, kItemExportTitles);
  EXPECT_FALSE(store.FindFor(TMasterTable::mtSupplier, kItemExportTitles));
  EXPECT_FALSE(store.FindFor(TMasterTable::mtItem, Titles(kItemExportTitles.begin() + 1, kItemExportTitles.end())));
  ASSERT_EQ(store.List().size(), 1u);
  EXPECT_TRUE(store.Remove(name));
  EXPECT_FALSE(store.Remove(name));
  EXPECT_TRUE(store.List().empty());
}

class MappedTabSheet : public ImportTest {
 protected:
  // Opens the workbook on the tab under the mapping.
  void Open(TConnection& workbook, TQuery& sheet, TMasterTable table, const std::string& path,
            const TColumnMapping& mapping) {
    OpenWorkbook(workbook, path);
    SetSheetMapping(workbook, mapping);
    OpenTabSheetQuery(sheet, workbook, table);
  }
};

// The kind-1 item export lacks "廠商代號" and "健康捐": mapped and left alone,
// it imports; an overwrite keeps the stored 健康捐, a new item gets the
// database's default.
TEST_P(MappedTabSheet, AnItemExportImportsThroughItsProposedMapping) {
  Exec("INSERT INTO Item (ItemNo, PtName, SupplierNo, Price, HealthTax) VALUES ('00000017', '舊名', 'S1', 10, 5)");
  const std::string path = NewWorkbookPath();
  SheetRows rows = {{"00000017", "", "", "茶", "", "S2"}, {"", "", "", "沒有貨號"}, {"00000024", "", "", "水", "", "S3"}};
  for (auto& row : rows) row.resize(kItemExportTitles.size());
  rows[0][16] = 12;  // 售價
  rows[2][16] = 8;
  WriteWorkbook(path, kItemExportTitles, rows);
  const TImporterDef& importer = ItemImporter(TDatabaseKind::dkOrvella);
  const TColumnMapping mapping =
      ProposeMapping(kItemExportTitles, TMasterTable::mtItem, importer, TCoverMode::cmOverwrite);

  TConnection workbook("ADOXLSConnect");
  TQuery sheet("ADOItemQuery");
  Open(workbook, sheet, TMasterTable::mtItem, path, mapping);
  EXPECT_TRUE(
      TabMissingColumns(sheet, TMasterTable::mtItem, TDatabaseKind::dkOrvella, TCoverMode::cmOverwrite).empty());
  EXPECT_EQ(TabSheetTitles(sheet), kItemExportTitles);  // the sheet's own, before the mapping

  const TImportPlan plan =
      PlanTabSheet(sheet, Connection(), TDatabaseKind::dkOrvella, TMasterTable::mtItem, TImportOptions{});
  EXPECT_EQ(plan.mappingText, "應商代號 → 廠商代號；健康捐：不匯入");
  EXPECT_TRUE(plan.missingColumns.empty());
  ASSERT_EQ(plan.rows.size(), 2u);
  EXPECT_EQ(plan.rows[1].sheetRow, 4);  // the row without an item number is not the tab's
  EXPECT_EQ(ChangesText(plan.rows[0].changes), "PtName：舊名 → 茶；SupplierNo：S1 → S2；Price：10 → 12");

  EXPECT_EQ(ImportTabSheet(sheet, Connection(), TDatabaseKind::dkOrvella, TMasterTable::mtItem, {}),
            (TImportCounts{1, 1, 0, 0}));
  EXPECT_EQ(Rows("SELECT ItemNo, PtName, SupplierNo, Price, HealthTax FROM Item ORDER BY ItemNo"),
            (Table{{"00000017", "茶", "S2", "12", "5"}, {"00000024", "水", "S3", "8", "0"}}));
}

// A code column mapped from another title filters the item tab's rows and
// numbers them as the workbook does; a sheet column of a mapped column's
// name gives way to it.
TEST_P(MappedTabSheet, AMappedCodeColumnFiltersTheItemTabAndASameNamedColumnGivesWay) {
  const std::string path = NewWorkbookPath();
  WriteWorkbook(path, {"貨號", "品名", "管理貨號", "應商代號", "廠商代號", "健康捐"},
                {{"00000017", "茶", "舊", "S1", "S1", 1}, {"", "空", "x"}, {"00000024", "水", "舊", "S2", "S2", 2}});
  TConnection workbook("ADOXLSConnect");
  TQuery sheet("ADOItemQuery");
  Open(workbook, sheet, TMasterTable::mtItem, path, {{{"貨號", "管理貨號"}}, {}});
  EXPECT_EQ(sheet.RecordCount(), 2);
  EXPECT_EQ(sheet.FieldByName("管理貨號").AsString(), "00000017");
  EXPECT_EQ(sheet.FieldByName("F3").AsString(), "舊");
  TImportOptions options;
  options.batchRows = 1;
  const TImportPlan plan = PlanTabSheet(sheet, Connection(), TDatabaseKind::dkOrvella, TMasterTable::mtItem, options);
  ASSERT_EQ(plan.rows.size(), 2u);
  EXPECT_EQ(plan.rows[1].sheetRow, 4);
}

// Without a mapping the plan names every missing column once; each row
// fails as the import fails, at the first column it reads.
TEST_P(MappedTabSheet, WithoutAMappingThePlanNamesEveryMissingColumnOnce) {
  const std::string path = NewWorkbookPath();
  WriteWorkbook(path, kSupplierExportTitles, {{"S1", "甲"}, {"S2", "乙"}});
  const TImportPlan plan = PlanWorkbookFile(Connection(), TDatabaseKind::dkOrvella, TMasterTable::mtSupplier, path, {});
  EXPECT_EQ(MissingColumnsText(plan.missingColumns),
            "工作表缺少匯入讀取的欄位：廠商姓名、地址、聯絡電話1、聯絡電話2、存款利率、稅別、交易別");
  EXPECT_EQ(plan.mappingText, "");
  ASSERT_EQ(plan.rows.size(), 2u);
  EXPECT_EQ(plan.rows[1].error, "ADOSupplierQuery: Field '廠商姓名' not found");
}

// The journal records the mapping, and the import is undone as any other.
TEST_P(MappedTabSheet, TheJournalRecordsTheMappingAndUndoTakesTheImportBack) {
  Exec("INSERT INTO Supplier (FactNo, FactName, DisRate) VALUES ('S1', '舊', 90)");
  const std::string path = NewWorkbookPath();
  WriteWorkbook(path, kSupplierExportTitles, {{"S1", "甲", "", "", "", "", "", "台北", "", 80}, {"S2", "乙"}});
  const TColumnMapping mapping =
      ProposeMapping(kSupplierExportTitles, TMasterTable::mtSupplier, SupplierImporter(), TCoverMode::cmOverwrite);
  TConnection workbook("ADOXLSConnect");
  TQuery sheet("ADOSupplierQuery");
  Open(workbook, sheet, TMasterTable::mtSupplier, path, mapping);
  TTempFolder home;
  const TJournaledImportResult result =
      ImportTabSheetJournaled(sheet, Connection(), TDatabaseKind::dkOrvella, TMasterTable::mtSupplier, path,
                              home.Path(), TCoverSetting{TCoverMode::cmOverwrite, "0"}, {});
  EXPECT_EQ(result.counts, (TImportCounts{1, 1, 0, 0}));
  EXPECT_EQ(Rows("SELECT FactNo, FactName, Addr, DisRate FROM Supplier ORDER BY FactNo"),
            (Table{{"S1", "甲", "台北", "80"}, {"S2", "乙", "", "100"}}));

  TImportJournal journal(home.Path());
  const std::optional<TJournalEntry> entry = journal.NewestUndoable();
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->mapping, MappingText(mapping));
  UndoImport(journal, *entry, Connection());
  EXPECT_EQ(Rows("SELECT FactNo, FactName, Addr, DisRate FROM Supplier ORDER BY FactNo"),
            (Table{{"S1", "舊", "", "90"}}));
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(MappedTabSheet);

}  // namespace
}  // namespace tabrin::test
