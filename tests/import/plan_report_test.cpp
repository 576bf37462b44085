// The plan report replacing an earlier report when writing meets trouble:
// the earlier file stays whole, nothing is left beside it, and the message
// is the one the report's format gives.
#include <gtest/gtest.h>

#include <fstream>

#include "db/db_test_support.h"
#include "import/plan_report.h"
#include "xls/spreadsheet.h"
#include "support/troubled_write.h"
#include "text/format.h"

namespace tabrin::test {
namespace {

// The first bytes of the file: enough to tell the earlier report from a new one.
std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {}).substr(0, 64);
}

TImportPlan LongPlan() {
  TImportPlan plan;
  for (int row = 2; row < 2000; ++row) {
    TPlannedRow planned;
    planned.sheetRow = row;
    planned.outcome = TPlannedOutcome::poAppend;
    planned.code = "A" + std::to_string(row);
    plan.rows.push_back(planned);
  }
  return plan;
}

TEST(PlanReport, TroubleKeepsTheEarlierReportAndSaysWhat) {
  const struct {
    const char* name;
    TTrouble trouble;
    const char* message;  // %s: the report's path
  } cases[] = {
      {"plan.csv", TTrouble::tFullDisk, "Error writing file '%s'"},
      {"plan.csv", TTrouble::tReadOnlyTarget, "Cannot create file '%s'"},
      {"plan.xls", TTrouble::tFullDisk, "Error writing output file"},
      {"plan.xls", TTrouble::tReadOnlyTarget, "Cannot write '%s': Permission denied"},
      {"plan.xlsx", TTrouble::tFullDisk, "Error writing output file"},
      {"plan.xlsx", TTrouble::tReadOnlyTarget, "Cannot create file '%s'"},
  };
  const TImportPlan plan = LongPlan();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", " + TroubleName(c.trouble));
    TTempFolder folder;
    const std::string path = folder.File(c.name);
    folder.Write(c.name, "the earlier report");
    const TTroubledWrite outcome = WriteInTrouble(c.trouble, path, [&] { WritePlanReport(plan, path); });
    if (!outcome.skipped.empty()) {
      GTEST_SKIP() << outcome.skipped;
    }
    EXPECT_EQ(outcome.said, FormatMessage(c.message, {path}));
    EXPECT_EQ(ReadText(path), "the earlier report");
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{c.name});
  }
}

// The report's name asks for its kind of file as an export's does: an Excel
// 2007+ workbook for ".xlsx" in any letter case, an Excel 97-2003 one for
// any other name but ".csv".
TEST(PlanReport, TheNameChoosesTheKindOfWorkbookAsAnExportsDoes) {
  const struct {
    const char* name;
    std::string_view magic;
  } cases[] = {
      {"plan.xlsx", "PK\x03\x04"},
      {"plan.XLSX", "PK\x03\x04"},
      {"plan.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
      {"plan.txt", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
  };
  TImportPlan plan;
  TPlannedRow& row = plan.rows.emplace_back();
  row.sheetRow = 2;
  row.outcome = TPlannedOutcome::poAppend;
  row.code = "A01";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTempFolder folder;
    const std::string path = folder.File(c.name);
    WritePlanReport(plan, path);
    EXPECT_EQ(ReadText(path).substr(0, c.magic.size()), c.magic);
    const std::unique_ptr<const TSpreadsheet> book = OpenSpreadsheetFile(path);
    const TWorksheet sheet = book->ReadSheet("匯入計畫");
    ASSERT_EQ(sheet.LastRow(), 1);
    EXPECT_EQ(sheet.Text(*sheet.Find(0, 1)), "代碼");
    EXPECT_EQ(sheet.Find(1, 0)->number, 2);
    EXPECT_EQ(sheet.Text(*sheet.Find(1, 1)), "A01");
  }
}

}  // namespace
}  // namespace tabrin::test
