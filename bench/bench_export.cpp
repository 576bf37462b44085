// Export of a 65,535-row item table (the 19 columns of the item export) from
// the embedded database to a workbook, beside its floors measured in the same
// run:
//   plain read   a plain sqlite3 loop stepping through the same 19 columns
//                and taking each as text or double;
//   writer       the workbook writer alone writing the same cells (values
//                read beforehand) with the same cell formats.
// Measured paths:
//   read         the export query opened and read through the data layer in
//                the kinds the export needs (texts, doubles, date serials):
//                target <= 1.5 x the plain read;
//   export       the whole export (open, walk, write): target <= 1.5 x
//                (plain read + writer).
// The machine is shared, so the set runs several times and the figures are
// min-median-max.  Also: peak memory of the export at most twice the output
// file's size plus 64 MiB.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"
#include "xls/biff8/workbook_writer.h"

using namespace tabrin;
using tabrin::bench::FillItems;
using tabrin::bench::PeakKiB;
using tabrin::bench::Seconds;

namespace {

constexpr int kRows = 65535;

double ReadEveryValue(TConnection& connection) {
  const auto start = std::chrono::steady_clock::now();
  TQuery query(schema::ItemExportQuery(), connection);
  query.Open();
  std::size_t bytes = 0;
  for (query.First(); !query.Eof(); query.Next()) {
    for (int i = 0; i < query.FieldCount(); ++i) bytes += query.Fields(i).AsString().size();
  }
  const double seconds = Seconds(start);
  if (bytes == 0) std::printf("nothing read\n");
  return seconds;
}

// The plain loop: every row of the 19 columns, texts and numbers as SQLite
// hands them out.
const char* const kExportColumns =
    "ItemNo, ItemMark, SelfCode, PtName, PtSpec, SupplierNo, ImTax, ImUpDate, UniPrice, SUnit, RegSafeQty, "
    "EmgSafeQty, StkQty, ShelfNo, AvgCost, Special, Price, MemPrice, VipPrice";

bool IsTextColumn(int column) { return column <= 7 || column == 9 || column == 13; }

double PlainReadSeconds(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const auto start = std::chrono::steady_clock::now();
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, (std::string("SELECT ") + kExportColumns + " FROM Item").c_str(), -1, &statement, nullptr);
  std::size_t bytes = 0;
  double sum = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (int c = 0; c < 19; ++c) {
      if (IsTextColumn(c)) {
        const unsigned char* text = sqlite3_column_text(statement, c);
        if (text != nullptr) bytes += static_cast<std::size_t>(sqlite3_column_bytes(statement, c));
      } else {
        sum += sqlite3_column_double(statement, c);
      }
    }
  }
  sqlite3_finalize(statement);
  const double seconds = Seconds(start);
  sqlite3_close(db);
  if (bytes == 0 || sum == 0) std::printf("nothing read\n");
  return seconds;
}

// Through the data layer, each value in the kind it is held in.
double TypedReadSeconds(TConnection& connection) {
  const auto start = std::chrono::steady_clock::now();
  TQuery query(schema::ItemExportQuery(), connection);
  query.Open();
  std::size_t bytes = 0;
  double sum = 0;
  const int fields = query.FieldCount();
  for (query.First(); !query.Eof(); query.Next()) {
    for (int i = 0; i < fields; ++i) {
      const TValue& value = query.Fields(i).Value();
      switch (value.Type()) {
        case TValueType::vtText: bytes += value.Text().size(); break;
        case TValueType::vtNull: break;
        default: sum += value.Number(); break;
      }
    }
  }
  const double seconds = Seconds(start);
  if (bytes == 0 || sum == 0) std::printf("nothing read\n");
  return seconds;
}

// One cell the writer floor writes: a text or a number.
struct TCell {
  bool text;
  std::string label;
  double number;
};

// The cells of the export, read beforehand: captions, then every row.
std::vector<TCell> ExportCells(const std::string& path) {
  std::vector<TCell> cells;
  for (const TFieldDef& field : schema::ItemExportQuery().fields) cells.push_back({true, std::string(field.title), 0});
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, (std::string("SELECT ") + kExportColumns + " FROM Item").c_str(), -1, &statement, nullptr);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (int c = 0; c < 19; ++c) {
      if (c == 7) {  // the date: its serial
        cells.push_back({false, {}, 38000});
      } else if (IsTextColumn(c)) {
        const unsigned char* text = sqlite3_column_text(statement, c);
        cells.push_back({true, text ? reinterpret_cast<const char*>(text) : "", 0});
      } else {
        cells.push_back({false, {}, sqlite3_column_double(statement, c)});
      }
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return cells;
}

// The writer alone: the same cells with the default cell format (the cell
// formats are looked up once per column and cost nothing per cell).
double WriterSeconds(const std::vector<TCell>& cells, const std::string& output) {
  const auto start = std::chrono::steady_clock::now();
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(output);
  writer.BeginWorkbook();
  writer.BeginSheet(TxlsSheetHead{});
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int row = static_cast<int>(i / 19);
    const int col = static_cast<int>(i % 19);
    const TCell& cell = cells[i];
    if (!cell.text) {
      writer.WriteNumber(row, col, cell.number, kDefaultXfIndex);
    } else if (cell.label.empty()) {
      writer.WriteBlank(row, col, kDefaultXfIndex);
    } else {
      writer.WriteLabelSst(row, col, cell.label, kDefaultXfIndex);
    }
  }
  writer.EndSheet();
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
  return Seconds(start);
}

double ExportSeconds(TConnection& connection, const std::string& output) {
  TFerran3XLS exporter;
  ApplyHostExportSettings(exporter);
  TQuery query(schema::ItemExportQuery(), connection);
  const auto start = std::chrono::steady_clock::now();
  RunExportCommand(exporter, query, output);
  return Seconds(start);
}

// tabrin-cli export of the item table as a whole process, from fork to exit;
// with verbose its phases go to standard error.
double CliExportSeconds(const std::string& home, bool verbose) {
  std::fflush(stdout);  // the child must not print what the parent buffered
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const std::string file = home + "cli.xls";
    if (!verbose) {
      std::freopen("/dev/null", "w", stderr);
    }
    std::freopen("/dev/null", "w", stdout);
    if (verbose) {
      execl(TABRIN_CLI, TABRIN_CLI, "--home", home.c_str(), "export", "--kind", "1", "--verbose", "item", file.c_str(),
            static_cast<char*>(nullptr));
    } else {
      execl(TABRIN_CLI, TABRIN_CLI, "--home", home.c_str(), "export", "--kind", "1", "item", file.c_str(),
            static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds = Seconds(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("tabrin-cli export failed\n");
  return seconds;
}

std::string Spread(std::vector<double> values, const char* format) {
  std::sort(values.begin(), values.end());
  char text[96];
  std::snprintf(text, sizeof text, format, values.front(), values[values.size() / 2], values.back());
  return text;
}

}  // namespace

int main() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tabrin-bench-export-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string home = folder.string() + "/";
  CreateEmbeddedDatabase(home + "Database.mdb", {});
  {
    TConnection connection;
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
    FillItems(connection, kRows);
  }
  const std::string output = home + "items.xls";

  // The timed runs, each path beside its floors.
  {
    TConnection connection;
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
    const std::vector<TCell> cells = ExportCells(home + "Database.mdb");
    constexpr int kRuns = 3;
    std::vector<double> plain, typed, writer, whole, readRatio, exportRatio;
    for (int run = 0; run < kRuns; ++run) {
      plain.push_back(PlainReadSeconds(home + "Database.mdb"));
      typed.push_back(TypedReadSeconds(connection));
      writer.push_back(WriterSeconds(cells, home + "writer.xls"));
      whole.push_back(ExportSeconds(connection, output));
      readRatio.push_back(typed.back() / plain.back());
      exportRatio.push_back(whole.back() / (plain.back() + writer.back()));
      std::printf("run %d: plain read %.3f s, read %.3f s (%.2f x), writer %.3f s, export %.3f s (%.2f x plain + writer)\n",
                  run + 1, plain.back(), typed.back(), readRatio.back(), writer.back(), whole.back(), exportRatio.back());
    }
    std::printf("over %d runs (min-median-max):\n", kRuns);
    std::printf("  plain read (floor)           %s\n", Spread(plain, "%.3f-%.3f-%.3f s").c_str());
    std::printf("  read in the export's kinds   %s  ratio %s (target <= 1.5)\n", Spread(typed, "%.3f-%.3f-%.3f s").c_str(),
                Spread(readRatio, "%.2f-%.2f-%.2f").c_str());
    std::printf("  writer alone (floor)         %s\n", Spread(writer, "%.3f-%.3f-%.3f s").c_str());
    std::printf("  export as a whole            %s  ratio to plain read + writer %s (target <= 1.5)\n",
                Spread(whole, "%.3f-%.3f-%.3f s").c_str(), Spread(exportRatio, "%.2f-%.2f-%.2f").c_str());
    std::vector<double> cli;
    for (int run = 0; run < kRuns; ++run) cli.push_back(CliExportSeconds(home, false));
    std::printf("  tabrin-cli export, whole process %s (target <= 0.6 s); its phases:\n",
                Spread(cli, "%.3f-%.3f-%.3f s").c_str());
    std::fflush(stdout);
    CliExportSeconds(home, true);
  }

  // The export runs in a child of its own so that its peak memory is its own.
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 1;
  const long parentPeak = PeakKiB();
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    TConnection connection;
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
    const double read = ReadEveryValue(connection);
    const long readPeak = PeakKiB();
    TFerran3XLS exporter;
    ApplyHostExportSettings(exporter);
    TQuery query(schema::ItemExportQuery(), connection);
    const auto start = std::chrono::steady_clock::now();
    RunExportCommand(exporter, query, output);
    const double exportSeconds = Seconds(start);
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%f %f %ld %ld\n", read, exportSeconds, PeakKiB(), readPeak);
    if (write(pipeFds[1], line, static_cast<std::size_t>(n)) != n) _exit(1);
    _exit(0);
  }
  close(pipeFds[1]);
  char line[128] = {};
  const ssize_t got = read(pipeFds[0], line, sizeof line - 1);
  int status = 0;
  waitpid(child, &status, 0);
  if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::printf("export failed\n");
    return 1;
  }
  double readSeconds = 0, exportSeconds = 0;
  long childPeak = 0, readPeak = 0;
  std::sscanf(line, "%lf %lf %ld %ld", &readSeconds, &exportSeconds, &childPeak, &readPeak);

  const double fileMiB = static_cast<double>(std::filesystem::file_size(output)) / (1024.0 * 1024.0);
  const double peakMiB = static_cast<double>(childPeak) / 1024.0;
  const double limitMiB = 2 * fileMiB + 64 + static_cast<double>(parentPeak) / 1024.0;
  std::printf("rows                         %d (19 columns)\n", kRows);
  std::printf("read every value as text     %.3f s\n", readSeconds);
  std::printf("export to workbook           %.3f s\n", exportSeconds);
  std::printf("output file                  %.1f MiB\n", fileMiB);
  std::printf("peak memory of the export    %.1f MiB  (process before it: %.1f MiB; target <= %.1f MiB)\n",
              peakMiB, static_cast<double>(parentPeak) / 1024.0, limitMiB);
  std::printf("peak memory of the read alone %.1f MiB  (the open query holds every row)\n",
              static_cast<double>(readPeak) / 1024.0);
  std::filesystem::remove_all(folder);
  return 0;
}
