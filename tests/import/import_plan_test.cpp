// The import plan against the import itself, on both backends: for a table of
// sheets that covers every outcome, the plan is worked out, the sheet is
// imported, and the table must hold exactly what the plan said, row for row.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "import/import_plan.h"
#include "import/importers.h"
#include "import/plan_report.h"
#include "import_cases.h"
#include "import_test_support.h"
#include "xls/biff8/workbook_reader.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class ImportPlanAgreement : public ImportTest {
 protected:
  // Every record of the table, by code, with the importer's declared fields.
  std::map<std::string, std::map<std::string, TValue>> Records(const TImporterDef& importer) {
    TQuery query(*importer.target, Connection());
    query.Open();
    std::map<std::string, std::map<std::string, TValue>> records;
    for (query.First(); !query.Eof(); query.Next()) {
      auto& record = records[query.FieldByName(importer.codeField).AsString()];
      for (int i = 0; i < query.FieldCount(); ++i) record[query.Fields(i).FieldName()] = query.Fields(i).Value();
    }
    return records;
  }

  void ClearTables() {
    for (const char* table : {"Classify", "Item", "Supplier", "Customer"}) Exec(std::string("DELETE FROM ") + table);
  }
};

TEST_P(ImportPlanAgreement, TheTableHoldsWhatThePlanSaidRowForRow) {
  for (const PlanCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    ClearTables();
    for (const std::string& statement : c.setup) Exec(statement);
    const TImporterDef& importer = ImporterFor(c.table, c.kind);
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, c.titles, c.rows);
    TImportOptions options;
    options.cover = c.cover;
    options.batchRows = 2;

    const auto before = Records(importer);
    const TImportPlan plan = PlanWorkbookFile(Connection(), c.kind, c.table, path, options);
    EXPECT_EQ(Records(importer), before) << "the plan wrote";

    // The import stops at the first error the plan lists; every row before it
    // must have done what the plan said.
    std::optional<TImportError> error;
    TImportCounts counts;
    try {
      counts = ImportWorkbookFile(Connection(), c.kind, c.table, path, options);
    } catch (const TImportError& e) {
      error = e;
      counts = e.Counts();
    }
    const auto firstError = std::find_if(plan.rows.begin(), plan.rows.end(),
                                         [](const TPlannedRow& row) { return row.outcome == TPlannedOutcome::poError; });
    ASSERT_EQ(error.has_value(), firstError != plan.rows.end());
    if (error) {
      EXPECT_EQ(firstError->sheetRow, error->SheetRow());
      EXPECT_EQ(firstError->error, error->Cause());
      EXPECT_EQ(firstError->column, error->Column());
    }

    TImportCounts planned;
    std::map<std::string, std::map<std::string, TValue>> expected = before;
    std::set<std::string> appended;
    for (auto row = plan.rows.begin(); row != firstError; ++row) {
      SCOPED_TRACE("sheet row " + std::to_string(row->sheetRow));
      switch (row->outcome) {
        case TPlannedOutcome::poAppend:
          ++planned.appended;
          EXPECT_FALSE(expected.contains(row->code));
          expected[row->code];
          appended.insert(row->code);
          break;
        case TPlannedOutcome::poOverwrite:
        case TPlannedOutcome::poSame:
          ++planned.overwritten;
          if (row->outcome == TPlannedOutcome::poSame) ++planned.same;
          ASSERT_TRUE(expected.contains(row->code));
          EXPECT_EQ(row->outcome == TPlannedOutcome::poSame, row->changes.empty());
          for (const TFieldChange& change : row->changes) {
            auto& field = expected[row->code][std::string(change.field)];
            if (!appended.contains(row->code)) {
              EXPECT_TRUE(SameStoredValue(field, change.before)) << change.title;
            }
            field = change.after;
          }
          break;
        case TPlannedOutcome::poLeft: ++planned.unchanged; break;
        case TPlannedOutcome::poNotAppended: ++planned.notAppended; break;
        case TPlannedOutcome::poError: break;
      }
    }
    EXPECT_EQ(counts, planned);

    const auto after = Records(importer);
    std::set<std::string> codes;
    for (const auto& [code, record] : after) codes.insert(code);
    std::set<std::string> expectedCodes;
    for (const auto& [code, record] : expected) expectedCodes.insert(code);
    EXPECT_EQ(codes, expectedCodes);
    for (const auto& [code, fields] : expected) {
      if (!after.contains(code)) continue;
      for (const auto& [name, value] : fields) {
        EXPECT_TRUE(SameStoredValue(after.at(code).at(name), value))
            << code << "." << name << ": stored '" << ValueText(after.at(code).at(name)) << "', planned '"
            << ValueText(value) << "'";
      }
      if (appended.contains(code)) continue;
      for (const auto& [name, value] : before.at(code)) {
        if (!fields.contains(name) || fields.at(name) == value) {
          EXPECT_TRUE(SameStoredValue(after.at(code).at(name), value)) << code << "." << name << " changed unplanned";
        }
      }
    }
  }
}

TEST_P(ImportPlanAgreement, AfterTheImportEveryRowIsPlannedAsTheSame) {
  const SheetRows rows = {
      ItemRow({{"管理貨號", "123456"}, {"品名", "綠茶"}, {"售價", 12.3}, {"庫存量", 5}, {"建檔日期", Cell::Date(45356.25)},
               {"廠商代號", "S1"}, {"應商代號", "S1"}, {"安全庫存", 2.5}, {"VIP價格", 0.1}}),
      ItemRow({{"管理貨號", "A2"}, {"品名", "一二三四五六七八九十一二三四五六七八九十一二"}, {"廠商代號", "S2"},
               {"應商代號", "S2"}}),
  };
  const std::string path = NewWorkbookPath();
  WriteWorkbook(path, ItemTitles(), rows);
  TImportOptions options;
  for (const TDatabaseKind kind : {TDatabaseKind::dkOrvella, TDatabaseKind::dkKestaPos}) {
    SCOPED_TRACE(DatabaseKindInfo(kind).menuCaption);
    Exec("DELETE FROM Item");
    ImportWorkbookFile(Connection(), kind, TMasterTable::mtItem, path, options);
    ImportWorkbookFile(Connection(), kind, TMasterTable::mtItem, path, options);  // the full-width name
    const TImportPlan plan = PlanWorkbookFile(Connection(), kind, TMasterTable::mtItem, path, options);
    ASSERT_EQ(plan.rows.size(), 2u);
    for (const TPlannedRow& row : plan.rows) {
      EXPECT_EQ(row.outcome, TPlannedOutcome::poSame) << row.code << ": " << ChangesText(row.changes) << row.error;
    }
  }
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ImportPlanAgreement);

class ImportPlanRows : public ImportTest {
 protected:
  TImportPlan Plan(TMasterTable table, const std::vector<std::string>& titles, const SheetRows& rows,
                   TCoverMode cover = TCoverMode::cmOverwrite, TDatabaseKind kind = TDatabaseKind::dkKestaPos) {
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, titles, rows);
    TImportOptions options;
    options.cover = cover;
    return PlanWorkbookFile(Connection(), kind, table, path, options);
  }
};

TEST_P(ImportPlanRows, EveryFailingRowIsListedInOneRunWithItsSheetRowAndColumn) {
  const TImportPlan plan = Plan(TMasterTable::mtItem, ItemTitles(),
                                {ItemRow({{"管理貨號", "A1"}}), ItemRow({{"管理貨號", "A2"}, {"售價", "十元"}}),
                                 ItemRow({{"品名", "沒有貨號"}}), ItemRow({{"管理貨號", "商品檔"}}),
                                 ItemRow({{"管理貨號", "A5"}, {"安全庫存", 40000}}), ItemRow({{"管理貨號", "A6"}})});
  struct Expected {
    int sheetRow;
    TPlannedOutcome outcome;
    std::string error;
  };
  const std::vector<Expected> expected = {
      {2, TPlannedOutcome::poAppend, ""},
      {3, TPlannedOutcome::poError, "欄位「售價」：'十元' is not a valid floating point value"},
      {5, TPlannedOutcome::poError, "欄位「管理貨號」：'商' is not a valid integer value"},
      {6, TPlannedOutcome::poError,
       "欄位「安全庫存」：40000 is not a valid value for field '安全庫存'. The allowed range is -32768 to 32767"},
      {7, TPlannedOutcome::poAppend, ""},
  };
  ASSERT_EQ(plan.rows.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(plan.rows[i].sheetRow, expected[i].sheetRow);
    EXPECT_EQ(plan.rows[i].outcome, expected[i].outcome);
    EXPECT_EQ(plan.rows[i].outcome == TPlannedOutcome::poError ? PlannedErrorText(plan.rows[i]) : "", expected[i].error);
  }
  EXPECT_EQ(plan.rows[1].code, "A2");
  EXPECT_EQ(plan.rows[2].code, "商品檔");  // as far as it was read
  EXPECT_EQ(plan.Counts(), (TPlanCounts{2, 0, 0, 0, 3}));
}

// The plan reads in one stretch but holds nothing past its end, also when
// rows fail: another program can write at once.  Inside the caller's own
// transaction it leaves that transaction as it was.
TEST_P(ImportPlanRows, APlanHoldsNoLockPastItsEndAndLeavesTheCallersTransactionOpen) {
  const std::vector<std::vector<Cell>> rows = {ItemRow({{"管理貨號", "A1"}}), ItemRow({{"管理貨號", "A2"}, {"售價", "十元"}})};
  EXPECT_EQ(Plan(TMasterTable::mtItem, ItemTitles(), rows).Counts(), (TPlanCounts{1, 0, 0, 0, 1}));

  TConnection other("OtherProgram");
  other.SetConnectionString(Connection().ConnectionString());
  other.Open();
  other.BeginTransaction();
  other.Execute("INSERT INTO Classify (ClsNo, ClsName, Void) VALUES ('X9', '其他', '')");
  other.Commit();
  other.Close();

  Connection().BeginTransaction();
  Exec("INSERT INTO Classify (ClsNo, ClsName, Void) VALUES ('X8', '另一', '')");
  EXPECT_EQ(Plan(TMasterTable::mtItem, ItemTitles(), rows).Counts(), (TPlanCounts{1, 0, 0, 0, 1}));
  EXPECT_TRUE(Connection().InTransaction());
  Connection().Commit();
  EXPECT_EQ(Rows("SELECT ClsNo FROM Classify ORDER BY ClsNo"), (Table{{"X8"}, {"X9"}}));
}

TEST_P(ImportPlanRows, AnOverwriteListsTheChangedFieldsAsTheImportWouldStoreThem) {
  Exec("INSERT INTO Item (ItemNo, PtName, Price, RegSafeQty, SupplierNo) VALUES ('12345601', '茶', 10, 3, 'S1')");
  const std::string longName = "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二";
  const TImportPlan plan =
      Plan(TMasterTable::mtItem, ItemTitles(),
           {ItemRow({{"管理貨號", "123456"}, {"品名", longName}, {"售價", 12}, {"安全庫存", 2.5}, {"廠商代號", "S1"}})});
  ASSERT_EQ(plan.rows.size(), 1u);
  EXPECT_EQ(plan.rows[0].code, "12345601");
  EXPECT_EQ(plan.rows[0].outcome, TPlannedOutcome::poOverwrite);
  EXPECT_EQ(ChangesText(plan.rows[0].changes),
            "品名：茶 → 一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十；"
            "安全庫存：3 → 2；售價：10 → 12");
}

TEST_P(ImportPlanRows, ACodeTwiceInOneSheetIsPlannedAsTheImportTreatsIt) {
  const std::vector<std::string> titles = {"小分類代碼", "小分類名稱"};
  const SheetRows rows = {{"A01", "第一"}, {"A01", "第二"}, {"A01", "第二"}};
  const TImportPlan overwrite = Plan(TMasterTable::mtClassify, titles, rows, TCoverMode::cmOverwrite);
  ASSERT_EQ(overwrite.rows.size(), 3u);
  EXPECT_EQ(overwrite.rows[0].outcome, TPlannedOutcome::poAppend);
  EXPECT_EQ(overwrite.rows[1].outcome, TPlannedOutcome::poOverwrite);
  EXPECT_EQ(ChangesText(overwrite.rows[1].changes), "小分類名稱：第一 → 第二");
  EXPECT_EQ(overwrite.rows[2].outcome, TPlannedOutcome::poSame);
  const TImportPlan leave = Plan(TMasterTable::mtClassify, titles, rows, TCoverMode::cmKeep);
  EXPECT_EQ(leave.Counts(), (TPlanCounts{1, 0, 0, 2, 0}));
}

TEST_P(ImportPlanRows, TheReportHoldsTheWholePlanAsAWorkbookOrAsCsv) {
  Exec("INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')");
  const TImportPlan plan =
      Plan(TMasterTable::mtClassify, {"小分類代碼", "小分類名稱"}, {{"A01", "新, \"名\""}, {"B02", "零食"}});
  const Table expected = {{"工作表列", "代碼", "結果", "變更欄位", "錯誤"},
                          {"2", "A01", "覆蓋", "小分類名稱：舊名 → 新, \"名\"", ""},
                          {"3", "B02", "新增", "", ""}};

  const std::string xls = files.File("plan.xls");
  WritePlanReport(plan, xls);
  const TWorksheet sheet = TWorkbookReader::OpenFile(xls).ReadSheet("匯入計畫");
  Table cells;
  for (int r = 0; r <= sheet.LastRow(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < 5; ++c) {
      const std::optional<TSheetCell> cell = sheet.Find(r, c);
      if (!cell) row.emplace_back();
      else if (cell->kind == TCellKind::ckText) row.emplace_back(sheet.Text(*cell));
      else row.push_back(std::to_string(static_cast<int>(cell->number)));
    }
    cells.push_back(row);
  }
  EXPECT_EQ(cells, expected);

  const std::string csv = files.File("plan.CSV");
  WritePlanReport(plan, csv);
  std::ifstream in(csv, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "\xEF\xBB\xBF工作表列,代碼,結果,變更欄位,錯誤\r\n"
            "2,A01,覆蓋,\"小分類名稱：舊名 → 新, \"\"名\"\"\",\r\n"
            "3,B02,新增,,\r\n");
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ImportPlanRows);

}  // namespace
}  // namespace tabrin::test
