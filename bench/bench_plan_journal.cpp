// The import plan and the import journal beside the import itself, on a
// 65,535-row item sheet and the embedded database (kind-1 layout) holding
// the same codes, so that every row is an overwrite:
//   - the plan of the sheet against the import of it (target: at most 1.2x);
//   - the import with its journal (Journal.db, synced per batch) against the
//     import without one (target: at most 1.25x).
// Each is run several times, interleaved; the figures are min, median and
// max of the times and of the per-run ratios.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "import/import_journal.h"
#include "import/import_plan.h"
#include "import/import_tabs.h"
#include "import/workbook_backend.h"
#include "xls/biff8/workbook_writer.h"

namespace {

using namespace tabrin;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 65535;
constexpr int kDefaultRuns = 5;

const std::vector<std::string> kTitles = {"管理貨號", "國際碼", "自訂碼", "品名", "規格", "應商代號", "廠商代號",
                                          "稅別", "建檔日期", "最新進價", "單位", "安全庫存", "最低訂貨量", "庫存量",
                                          "貨架", "平均成本", "產品分類", "售價", "會員價格", "VIP價格", "健康捐"};

void WriteItemWorkbook(const std::string& path) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < static_cast<int>(kTitles.size()); ++c) {
    writer.WriteLabelSst(0, c, kTitles[static_cast<std::size_t>(c)], kDefaultXfIndex);
  }
  for (int i = 0; i < kRows; ++i) {
    const int r = i + 1;
    int c = 0;
    auto text = [&](const std::string& value) { writer.WriteLabelSst(r, c++, value, kDefaultXfIndex); };
    auto number = [&](double value) { writer.WriteNumber(r, c++, value, kDefaultXfIndex); };
    char itemNo[16];
    std::snprintf(itemNo, sizeof itemNo, "I%07d", i);
    const std::string mark = "4710000" + std::to_string(100000 + i % 900000);
    const std::string supplier = "S" + std::to_string(i % 100);
    text(itemNo), text(mark), text(mark), text(i % 2 ? "礦泉水" : "烏龍茶"), text(std::to_string(300 + i % 700) + "ml");
    text(supplier), text(supplier), text(i % 5 ? "應稅" : "免稅"), text("2024/3/5"), number(10.5 + i % 50);
    text("瓶"), number(i % 20), number(i % 5), number(i % 1000), text("A" + std::to_string(i % 10)), number(11.25);
    number(i % 30), number(25.0 + i % 40), number(23.0), number(22.0), number(0.5);
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

// Processor time of this process: the machine may be shared, and waiting
// for another program's turn is no cost of ours.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct TRange {
  double min, median, max;
};

TRange RangeOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values.front(), values[values.size() / 2], values.back()};
}

void Print(const char* what, const std::vector<double>& seconds) {
  const TRange r = RangeOf(seconds);
  std::printf("%-40s %7.3f - %7.3f - %7.3f s\n", what, r.min, r.median, r.max);
}

void PrintRatio(const char* what, const std::vector<double>& a, const std::vector<double>& b, double target) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < a.size(); ++i) ratios.push_back(a[i] / b[i]);
  const TRange r = RangeOf(ratios);
  std::printf("%-40s %7.3f - %7.3f - %7.3f x   (target at most %.2fx)\n", what, r.min, r.median, r.max, target);
}

}  // namespace

int main(int argc, char** argv) {
  const int kRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("tabrin-bench-plan-" + std::to_string(getpid()))).string() + "/";
  std::filesystem::create_directories(folder);
  const std::string workbook = folder + "items.xls";
  WriteItemWorkbook(workbook);
  RegisterWorkbookReader();
  CreateEmbeddedDatabase(folder + "Database.mdb", {.overwrite = true});
  TConnection connection("ADOConnection");
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, folder);
  TImportOptions options;
  options.cover = TCoverMode::cmOverwrite;
  // the table holds every code
  ImportWorkbookFile(connection, TDatabaseKind::dkOrvella, TMasterTable::mtItem, workbook, options);

  std::vector<double> plan, import, journaled, planCpu, importCpu, journaledCpu;
  for (int run = 0; run < kRuns; ++run) {
    auto start = Clock::now();
    double cpu = CpuSeconds();
    const TImportPlan planned =
        PlanWorkbookFile(connection, TDatabaseKind::dkOrvella, TMasterTable::mtItem, workbook, options);
    plan.push_back(bench::Seconds(start));
    planCpu.push_back(CpuSeconds() - cpu);
    if (planned.Counts().same != kRows) std::printf("unexpected plan: %d rows the same\n", planned.Counts().same);

    start = Clock::now();
    cpu = CpuSeconds();
    ImportWorkbookFile(connection, TDatabaseKind::dkOrvella, TMasterTable::mtItem, workbook, options);
    import.push_back(bench::Seconds(start));
    importCpu.push_back(CpuSeconds() - cpu);

    for (const char* file : {"Journal.db", "Journal.db-wal", "Journal.db-shm"}) std::filesystem::remove(folder + file);
    start = Clock::now();
    cpu = CpuSeconds();
    {
      TImportJournal journal(folder);
      TJournaledImport entry(journal,
                             {TDatabaseKind::dkOrvella, "Database.mdb", TMasterTable::mtItem, workbook, "", "0"});
      TImportOptions journalOptions = options;
      journalOptions.recorder = &entry;
      ImportWorkbookFile(connection, TDatabaseKind::dkOrvella, TMasterTable::mtItem, workbook, journalOptions);
      entry.Finish(TJournalState::jsDone);
    }
    journaled.push_back(bench::Seconds(start));
    journaledCpu.push_back(CpuSeconds() - cpu);
  }

  std::printf("Item sheet of %d rows over a table holding every code, embedded database, %d runs (min - median - max)\n",
              kRows, kRuns);
  Print("plan (nothing written)", plan);
  Print("import, every row overwritten", import);
  Print("import with its journal", journaled);
  PrintRatio("plan / import", plan, import, 1.2);
  PrintRatio("journaled import / import", journaled, import, 1.25);
  std::printf("processor time of this process alone:\n");
  Print("plan (nothing written)", planCpu);
  Print("import, every row overwritten", importCpu);
  Print("import with its journal", journaledCpu);
  PrintRatio("plan / import", planCpu, importCpu, 1.2);
  PrintRatio("journaled import / import", journaledCpu, importCpu, 1.25);

  connection.Close();
  std::filesystem::remove_all(folder);
  return 0;
}
