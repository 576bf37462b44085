// Item import of a 65,535-row workbook into the embedded database (kind-1
// layout): once into an empty table (every row appends) and once into the
// full table with the cover setting "0" (every row overwrites).  Beside it, a
// plain sqlite3 loop does the same lookups and writes on the same values in
// one transaction, without reading the workbook.  Target: the import within
// 1.5 times the plain loop, both ways.  The machine is shared, so each pair
// runs several times, the import beside its floor, and the figures are
// min-median-max.  A figure shows why posts are batched: the same import
// committing after every row.
//
// Then an import that goes on past failing rows: the same sheet with 1 % of
// its rows bad (a price that is no number), spread through it, beside the
// import of the clean sheet (target: at most 1.1 times); and the time per
// row with every tenth row bad, and with every tenth record refused by the
// database, on a sheet and on one twice as long (linear: the same time per
// row).  The machine is shared, so the first figures come in the process's
// own processor time beside the wall time.  "bench_import skip-errors" runs
// only these.
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "import/import_tabs.h"
#include "import/workbook_backend.h"
#include "xls/biff8/workbook_writer.h"

namespace {

using namespace tabrin;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 65535;

struct TItemValues {
  std::string itemNo, mark, name, size, supplier, tax, unit, shelf;
  double uniPrice, safeQty, minQty, stock, avgCost, special, price, memPrice, vipPrice, healthTax;
};

TItemValues ItemFor(int i) {
  char itemNo[16];
  std::snprintf(itemNo, sizeof itemNo, "I%07d", i);
  return {itemNo, "4710000" + std::to_string(100000 + i % 900000), i % 2 ? "礦泉水" : "烏龍茶",
          std::to_string(300 + i % 700) + "ml", "S" + std::to_string(i % 100), i % 5 ? "應稅" : "免稅", "瓶",
          "A" + std::to_string(i % 10), 10.5 + i % 50, static_cast<double>(i % 20), static_cast<double>(i % 5),
          static_cast<double>(i % 1000), 11.25, static_cast<double>(i % 30), 25.0 + i % 40, 23.0, 22.0, 0.5};
}

const std::vector<std::string> kTitles = {"管理貨號", "國際碼", "自訂碼", "品名", "規格", "應商代號", "廠商代號",
                                          "稅別", "建檔日期", "最新進價", "單位", "安全庫存", "最低訂貨量", "庫存量",
                                          "貨架", "平均成本", "產品分類", "售價", "會員價格", "VIP價格", "健康捐"};

// badEvery > 0: one row in badEvery gets a price that is no number (the
// import fails on it); refuseEvery > 0: one row in refuseEvery gets the
// name kRefusedName, which a trigger makes the database refuse.
constexpr const char* kRefusedName = "拒絕";

void WriteItemWorkbook(const std::string& path, const std::vector<TItemValues>& items, int badEvery = 0,
                       int refuseEvery = 0) {
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < static_cast<int>(kTitles.size()); ++c) {
    writer.WriteLabelSst(0, c, kTitles[static_cast<std::size_t>(c)], kDefaultXfIndex);
  }
  for (int r = 0; r < static_cast<int>(items.size()); ++r) {
    const TItemValues& v = items[static_cast<std::size_t>(r)];
    int c = 0;
    auto text = [&](const std::string& value) {
      writer.WriteLabelSst(r + 1, c++, value, kDefaultXfIndex);
    };
    auto number = [&](double value) {
      writer.WriteNumber(r + 1, c++, value, kDefaultXfIndex);
    };
    const bool bad = badEvery > 0 && r % badEvery == badEvery / 2;
    const bool refused = refuseEvery > 0 && r % refuseEvery == refuseEvery / 2;
    text(v.itemNo), text(v.mark), text(v.mark), text(refused ? kRefusedName : v.name), text(v.size), text(v.supplier);
    text(v.supplier), text(v.tax), text("2024/3/5"), number(v.uniPrice), text(v.unit), number(v.safeQty);
    number(v.minQty), number(v.stock), text(v.shelf), number(v.avgCost), number(v.special);
    if (bad) text("十元");
    else number(v.price);
    number(v.memPrice), number(v.vipPrice), number(v.healthTax);
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

double ImportSeconds(const std::string& folder, const std::string& workbook, int batchRows, TImportCounts& counts,
                     std::vector<TSkippedRow>* skipped = nullptr) {
  TConnection connection("ADOConnection");
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, folder);
  TImportOptions options;
  options.cover = TCoverMode::cmOverwrite;
  options.batchRows = batchRows;
  options.skipped = skipped;
  const auto start = Clock::now();
  counts = ImportWorkbookFile(connection, TDatabaseKind::dkOrvella, TMasterTable::mtItem, workbook, options);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Opening the workbook and its sheet query alone: the part of the import
// the plain loop does not do.
double ReadSheetSeconds(const std::string& workbook) {
  const auto start = Clock::now();
  TConnection connection("ADOXLSConnect");
  connection.SetConnectionString(WorkbookConnectionString(workbook));
  connection.Open();
  TQuery sheet("ADOItemQuery", connection);
  sheet.SetSql("SELECT * FROM [sheet1$]  ");
  sheet.Open();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The same work in plain sqlite3: look up (all columns), insert the 20
// written columns or update the 19 of an overwrite, one transaction.
double PlainLoopSeconds(const std::string& path, const std::vector<TItemValues>& items) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt* lookup = nullptr;
  sqlite3_stmt* insert = nullptr;
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(db, "SELECT rowid, * FROM Item WHERE ItemNo = ?", -1, &lookup, nullptr);
  const char* columns =
      "ItemMark, SelfCode, PtName, PtSpec, SupplierNo, ImTax, ImUpDate, UniPrice, SUnit, RegSafeQty, EmgSafeQty, "
      "StkQty, ShelfNo, AvgCost, Special, Price, MemPrice, VipPrice, HealthTax";
  sqlite3_prepare_v2(db, (std::string("INSERT INTO Item (ItemNo, ") + columns +
                          ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)").c_str(), -1, &insert, nullptr);
  sqlite3_prepare_v2(db,
                     "UPDATE Item SET ItemMark=?2, SelfCode=?3, PtName=?4, PtSpec=?5, SupplierNo=?6, ImTax=?7, "
                     "ImUpDate=?8, UniPrice=?9, SUnit=?10, RegSafeQty=?11, EmgSafeQty=?12, StkQty=?13, ShelfNo=?14, "
                     "AvgCost=?15, Special=?16, Price=?17, MemPrice=?18, VipPrice=?19, HealthTax=?20 WHERE rowid=?1",
                     -1, &update, nullptr);
  const auto start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (const TItemValues& v : items) {
    sqlite3_bind_text(lookup, 1, v.itemNo.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_int64 rowid = 0;
    bool found = false;
    while (sqlite3_step(lookup) == SQLITE_ROW) {
      if (!found) rowid = sqlite3_column_int64(lookup, 0);
      found = true;
      for (int c = 1; c < sqlite3_column_count(lookup); ++c) sqlite3_column_text(lookup, c);
    }
    sqlite3_reset(lookup);
    sqlite3_stmt* write = found ? update : insert;
    if (found) sqlite3_bind_int64(write, 1, rowid);
    else sqlite3_bind_text(write, 1, v.itemNo.c_str(), -1, SQLITE_TRANSIENT);
    int p = 2;
    auto text = [&](const std::string& value) { sqlite3_bind_text(write, p++, value.c_str(), -1, SQLITE_TRANSIENT); };
    auto number = [&](double value) { sqlite3_bind_double(write, p++, value); };
    text(v.mark), text(v.mark), text(v.name), text(v.size), text(v.supplier), text(v.tax);
    text("2024-03-05 00:00:00"), number(v.uniPrice), text(v.unit);
    sqlite3_bind_int(write, p++, static_cast<int>(v.safeQty));
    sqlite3_bind_int(write, p++, static_cast<int>(v.minQty));
    sqlite3_bind_int(write, p++, static_cast<int>(v.stock));
    text(v.shelf), number(v.avgCost);
    sqlite3_bind_int(write, p++, static_cast<int>(v.special));
    number(v.price), number(v.memPrice), number(v.vipPrice), number(v.healthTax);
    sqlite3_step(write);
    sqlite3_reset(write);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sqlite3_finalize(lookup);
  sqlite3_finalize(insert);
  sqlite3_finalize(update);
  sqlite3_close(db);
  return seconds;
}

void Report(const char* what, int rows, double seconds, double plainSeconds) {
  std::printf("%-34s %8.3f s %9.0f rows/s", what, seconds, rows / seconds);
  if (plainSeconds > 0) std::printf("   %.2fx the plain loop", seconds / plainSeconds);
  std::printf("\n");
}

// "min-median-max" of a few figures.
std::string Spread(std::vector<double> values, const char* format) {
  std::sort(values.begin(), values.end());
  char text[96];
  std::snprintf(text, sizeof text, format, values.front(), values[values.size() / 2], values.back());
  return text;
}

// One import into an empty table, in seconds: going on past failing rows
// unless stopping, with the database refusing kRefusedName when refuse.
double SkippingSeconds(const std::string& folder, const std::string& workbook, bool refuse, TImportCounts& counts,
                       bool stopping = false) {
  CreateEmbeddedDatabase(folder + "Database.mdb", {.overwrite = true});
  if (refuse) {
    sqlite3* db = nullptr;
    sqlite3_open((folder + "Database.mdb").c_str(), &db);
    sqlite3_exec(db,
                 (std::string("CREATE TRIGGER refuse BEFORE INSERT ON Item WHEN NEW.PtName = '") + kRefusedName +
                  "' BEGIN SELECT RAISE(ABORT, 'refused'); END")
                     .c_str(),
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  std::vector<TSkippedRow> skipped;
  return ImportSeconds(folder, workbook, TImportOptions{}.batchRows, counts, stopping ? nullptr : &skipped);
}

double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The import that goes on past failing rows, beside the import of the clean
// sheet, each run of the one beside a run of the other.
void SkipErrorsFigures(const std::string& folder, const std::vector<TItemValues>& items) {
  constexpr int kRuns = 5;
  TImportCounts counts;
  std::printf("\nGoing on past failing rows (into the empty table, %d runs, min-median-max)\n", kRuns);
  const std::string onePercent = folder + "one-percent.xls";
  WriteItemWorkbook(onePercent, items, 100);
  const std::string cleanWorkbook = folder + "items.xls";
  std::vector<double> stopping, skipping, clean, skippingRatio, cleanRatio;
  std::vector<double> stoppingCpu, skippingCpu, cleanCpu, skippingCpuRatio, cleanCpuRatio;
  int skippedRows = 0;
  const auto timed = [&](std::vector<double>& wall, std::vector<double>& cpu, const std::string& workbook,
                         bool stop) {
    const double start = ProcessSeconds();
    wall.push_back(SkippingSeconds(folder, workbook, false, counts, stop));
    cpu.push_back(ProcessSeconds() - start);
  };
  for (int run = 0; run < kRuns; ++run) {
    timed(stopping, stoppingCpu, cleanWorkbook, true);
    timed(skipping, skippingCpu, onePercent, false);
    skippedRows = counts.skipped;
    timed(clean, cleanCpu, cleanWorkbook, false);
    skippingRatio.push_back(skipping.back() / stopping.back());
    cleanRatio.push_back(clean.back() / stopping.back());
    skippingCpuRatio.push_back(skippingCpu.back() / stoppingCpu.back());
    cleanCpuRatio.push_back(cleanCpu.back() / stoppingCpu.back());
  }
  std::printf("  the import of the clean sheet        %s\n", Spread(stopping, "%.3f-%.3f-%.3f s").c_str());
  std::printf("  1 %% bad rows, %d left out           %s  ratio %s (target <= 1.1)\n", skippedRows,
              Spread(skipping, "%.3f-%.3f-%.3f s").c_str(), Spread(skippingRatio, "%.2f-%.2f-%.2f").c_str());
  std::printf("  the clean sheet with the choice on   %s  ratio %s\n", Spread(clean, "%.3f-%.3f-%.3f s").c_str(),
              Spread(cleanRatio, "%.2f-%.2f-%.2f").c_str());
  std::printf("  processor time: clean %s, 1 %% bad %s ratio %s, clean with the choice on %s ratio %s\n",
              Spread(stoppingCpu, "%.3f-%.3f-%.3f s").c_str(), Spread(skippingCpu, "%.3f-%.3f-%.3f s").c_str(),
              Spread(skippingCpuRatio, "%.2f-%.2f-%.2f").c_str(), Spread(cleanCpu, "%.3f-%.3f-%.3f s").c_str(),
              Spread(cleanCpuRatio, "%.2f-%.2f-%.2f").c_str());

  // Linear: the time per row of a sheet and of one twice as long.
  const auto perRow = [&](const char* what, int rows, int badEvery, int refuseEvery) {
    double microseconds[2] = {0, 0};
    double cpuMicroseconds[2] = {0, 0};
    for (int half = 0; half < 2; ++half) {
      const int n = half == 0 ? rows / 2 : rows;
      const std::vector<TItemValues> some(items.begin(), items.begin() + n);
      const std::string workbook = folder + "linear.xls";
      WriteItemWorkbook(workbook, some, badEvery, refuseEvery);
      std::vector<double> seconds, cpu;
      for (int run = 0; run < kRuns; ++run) {
        const double start = ProcessSeconds();
        seconds.push_back(SkippingSeconds(folder, workbook, refuseEvery > 0, counts));
        cpu.push_back(ProcessSeconds() - start);
      }
      microseconds[half] = Median(seconds) / n * 1e6;
      cpuMicroseconds[half] = Median(cpu) / n * 1e6;
      std::printf("  %-28s %6d rows %7.3f s  %6.2f us/row, processor %6.2f us/row  (%d left out)\n", what, n,
                  Median(seconds), microseconds[half], cpuMicroseconds[half], counts.skipped);
    }
    std::printf("  %-28s per row, twice the rows: %.2fx, processor %.2fx (linear: 1)\n", what,
                microseconds[1] / microseconds[0], cpuMicroseconds[1] / cpuMicroseconds[0]);
  };
  perRow("every tenth row bad", kRows, 10, 0);
  perRow("every tenth record refused", 16384, 0, 10);
}

}  // namespace

int main(int argc, char** argv) {
  // "bench_import once": one pair of runs and no per-row commits, for a
  // profiler.
  const bool once = argc > 1 && std::string(argv[1]) == "once";
  const bool skipErrorsOnly = argc > 1 && std::string(argv[1]) == "skip-errors";
  RegisterWorkbookReader();
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("tabrin-bench-import-" + std::to_string(getpid()))).string() + "/";
  std::filesystem::create_directories(folder);
  std::vector<TItemValues> items;
  items.reserve(kRows);
  for (int i = 0; i < kRows; ++i) items.push_back(ItemFor(i));
  const std::string workbook = folder + "items.xls";
  WriteItemWorkbook(workbook, items);
  if (skipErrorsOnly) {
    SkipErrorsFigures(folder, items);
    std::filesystem::remove_all(folder);
    return 0;
  }

  const int kRuns = once ? 1 : 3;
  std::vector<double> append, plainAppend, overwrite, plainOverwrite, appendRatio, overwriteRatio;
  TImportCounts counts;
  std::printf("Item import, %d rows, embedded database, kind-1 layout\n", kRows);
  for (int run = 0; run < kRuns; ++run) {
    CreateEmbeddedDatabase(folder + "Database.mdb", {.overwrite = true});
    const std::string plainPath = folder + "plain.db";
    CreateEmbeddedDatabase(plainPath, {.overwrite = true});
    append.push_back(ImportSeconds(folder, workbook, TImportOptions{}.batchRows, counts));
    plainAppend.push_back(PlainLoopSeconds(plainPath, items));
    overwrite.push_back(ImportSeconds(folder, workbook, TImportOptions{}.batchRows, counts));
    plainOverwrite.push_back(PlainLoopSeconds(plainPath, items));
    appendRatio.push_back(append.back() / plainAppend.back());
    overwriteRatio.push_back(overwrite.back() / plainOverwrite.back());
    Report("import into the empty table", kRows, append.back(), plainAppend.back());
    Report("plain sqlite3 loop, appends", kRows, plainAppend.back(), 0);
    Report("import over the full table (\"0\")", kRows, overwrite.back(), plainOverwrite.back());
    Report("plain sqlite3 loop, overwrites", kRows, plainOverwrite.back(), 0);
  }
  std::printf("over %d runs (min-median-max):\n", kRuns);
  std::printf("  append     %s  plain %s  ratio %s (target <= 1.5)\n", Spread(append, "%.3f-%.3f-%.3f s").c_str(),
              Spread(plainAppend, "%.3f-%.3f-%.3f s").c_str(), Spread(appendRatio, "%.2f-%.2f-%.2f").c_str());
  std::printf("  overwrite  %s  plain %s  ratio %s (target <= 1.5)\n", Spread(overwrite, "%.3f-%.3f-%.3f s").c_str(),
              Spread(plainOverwrite, "%.3f-%.3f-%.3f s").c_str(), Spread(overwriteRatio, "%.2f-%.2f-%.2f").c_str());
  // The import reads the workbook, which the plain loop does not: what the
  // import spends beside the database is the rest.
  std::vector<double> readSeconds, appendBesideRead;
  for (int run = 0; run < kRuns; ++run) readSeconds.push_back(ReadSheetSeconds(workbook));
  std::sort(readSeconds.begin(), readSeconds.end());
  const double read = readSeconds[readSeconds.size() / 2];
  for (std::size_t run = 0; run < append.size(); ++run) appendBesideRead.push_back((append[run] - read) / plainAppend[run]);
  Report("reading the sheet alone", kRows, read, 0);
  std::printf("  append without the sheet's reading, ratio to the plain loop %s\n",
              Spread(appendBesideRead, "%.2f-%.2f-%.2f").c_str());
  if (once) {
    std::filesystem::remove_all(folder);
    return 0;
  }

  // A commit per row, as posting every record on its own would do.
  constexpr int kPerRow = 2000;
  std::vector<TItemValues> few(items.begin(), items.begin() + kPerRow);
  const std::string fewWorkbook = folder + "few.xls";
  WriteItemWorkbook(fewWorkbook, few);
  CreateEmbeddedDatabase(folder + "Database.mdb", {.overwrite = true});
  const double perRowSeconds = ImportSeconds(folder, fewWorkbook, 1, counts);
  Report("import committing every row", kPerRow, perRowSeconds, 0);

  SkipErrorsFigures(folder, items);
  std::filesystem::remove_all(folder);
  return 0;
}
