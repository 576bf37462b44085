// What an import may change: the three modes stores ask for (append and
// overwrite, append only, update only) each with and without blank cells
// keeping the stored value, on the import and on its plan.
#include <gtest/gtest.h>

#include "import/import_plan.h"
#include "import_test_support.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

struct ModeCase {
  const char* name;
  TCoverMode cover;
  bool updateOnly;
  bool keepBlanks;
  TImportCounts counts;
  Table stored;                         // CustNo, Name, Address, TelNo
  std::vector<const char*> outcomes;    // planned, by sheet row
  std::string keptOnRowTwo;             // the plan's note on row 2
};

// C1 is stored with a name, an address and a phone; the sheet renames it
// with its address blank, and brings the new C2.
const ModeCase kCases[] = {
    {"AppendAndOverwrite", TCoverMode::cmOverwrite, false, false, {.appended = 1, .overwritten = 1},
     {{"C1", "李", "", ""}, {"C2", "陳", "高雄", "07"}}, {"覆蓋", "新增"}, ""},
    {"AppendAndOverwriteKeepingBlanks", TCoverMode::cmOverwrite, false, true, {.appended = 1, .overwritten = 1},
     {{"C1", "李", "台北", "02"}, {"C2", "陳", "高雄", "07"}}, {"覆蓋", "新增"}, "空白保留：電話1、地址"},
    {"AppendOnly", TCoverMode::cmKeep, false, false, {.appended = 1, .unchanged = 1},
     {{"C1", "王", "台北", "02"}, {"C2", "陳", "高雄", "07"}}, {"未變更", "新增"}, ""},
    {"AppendOnlyKeepingBlanks", TCoverMode::cmKeep, false, true, {.appended = 1, .unchanged = 1},
     {{"C1", "王", "台北", "02"}, {"C2", "陳", "高雄", "07"}}, {"未變更", "新增"}, ""},
    {"UpdateOnly", TCoverMode::cmOverwrite, true, false, {.overwritten = 1, .notAppended = 1},
     {{"C1", "李", "", ""}}, {"覆蓋", "未新增"}, ""},
    {"UpdateOnlyKeepingBlanks", TCoverMode::cmOverwrite, true, true, {.overwritten = 1, .notAppended = 1},
     {{"C1", "李", "台北", "02"}}, {"覆蓋", "未新增"}, "空白保留：電話1、地址"},
    {"UpdateOnlyLeavingExisting", TCoverMode::cmKeep, true, false, {.unchanged = 1, .notAppended = 1},
     {{"C1", "王", "台北", "02"}}, {"未變更", "未新增"}, ""},
};

class ImportModes : public ImportTest {};

TEST_P(ImportModes, EachModeWithAndWithoutBlanksKept) {
  for (const ModeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Exec("DELETE FROM Customer");
    Exec("INSERT INTO Customer (CustNo, Name, Address, TelNo) VALUES ('C1', '王', '台北', '02')");
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, CustomerTitles(), {{"C1", "", "李"}, {"C2", "", "陳", "", "07", "高雄"}});
    TImportOptions options;
    options.cover = c.cover;
    options.updateOnly = c.updateOnly;
    options.keepBlanks = c.keepBlanks;

    const TImportPlan plan =
        PlanWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtCustomer, path, options);
    std::vector<std::string> outcomes;
    for (const TPlannedRow& row : plan.rows) outcomes.emplace_back(PlannedOutcomeText(row.outcome));
    EXPECT_EQ(outcomes, std::vector<std::string>(c.outcomes.begin(), c.outcomes.end()));
    EXPECT_EQ(KeptBlanksText(plan.rows[0]), c.keptOnRowTwo);

    EXPECT_EQ(ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtCustomer, path, options),
              c.counts);
    EXPECT_EQ(Rows("SELECT CustNo, Name, Address, TelNo FROM Customer ORDER BY CustNo"), c.stored);
  }
}

// A blank number cell keeps the stored number; without the choice it
// stores 0, and a blank date stores null.
TEST_P(ImportModes, BlankNumbersAndDatesKeepTheStoredValue) {
  for (bool keepBlanks : {false, true}) {
    SCOPED_TRACE(keepBlanks);
    Exec("DELETE FROM Item");
    Exec("INSERT INTO Item (ItemNo, PtName, Price, ImUpDate) VALUES ('I1', '茶', 12, '2024-03-05 00:00:00')");
    TImportOptions options;
    options.keepBlanks = keepBlanks;
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, ItemTitles(), {ItemRow({{"管理貨號", "I1"}, {"品名", "綠茶"}})});
    ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, options);
    const Table expected = keepBlanks ? Table{{"綠茶", "12", "0"}} : Table{{"綠茶", "0", "1"}};
    EXPECT_EQ(Rows("SELECT PtName, Price, CASE WHEN ImUpDate IS NULL THEN 1 ELSE 0 END FROM Item"), expected);
  }
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ImportModes);

}  // namespace
}  // namespace tabrin::test
