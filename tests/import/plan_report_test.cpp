// The plan report replacing an earlier report when writing meets trouble:
// the earlier file stays whole, nothing is left beside it, and the message
// is the one the report's format gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/db_test_support.h"
#include "import/plan_report.h"
#include "support/troubled_write.h"

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
  enum TTrouble { tFullDisk, tReadOnly };
  const struct {
    const char* name;
    TTrouble trouble;
    const char* message;  // %s: the report's path
  } cases[] = {
      {"plan.csv", tFullDisk, "Error writing file '%s'"},
      {"plan.csv", tReadOnly, "Cannot create file '%s'"},
      {"plan.xls", tFullDisk, "Error writing output file"},
      {"plan.xls", tReadOnly, "Cannot write '%s': Permission denied"},
  };
  const TImportPlan plan = LongPlan();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.trouble == tFullDisk ? ", full disk" : ", read-only report"));
    TTempFolder folder;
    const std::string path = folder.File(c.name);
    folder.Write(c.name, "the earlier report");
    const auto work = [&] { WritePlanReport(plan, path); };
    const TTroubledWrite outcome =
        c.trouble == tFullDisk ? WriteOnAFullDisk(work) : WriteOverAReadOnlyTarget(path, work);
    if (!outcome.skipped.empty()) {
      GTEST_SKIP() << outcome.skipped;
    }
    std::string expected = c.message;
    if (const std::size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(outcome.said, expected);
    EXPECT_EQ(ReadText(path), "the earlier report");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
      files.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(files, std::vector<std::string>{c.name});
  }
}

}  // namespace
}  // namespace tabrin::test
