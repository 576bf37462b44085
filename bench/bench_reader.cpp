// Reading a 65,535-row x 19-column item workbook written by our own export
// (embedded database -> export command -> workbook), every cell as text:
// our reader beside FreeXL, the packaged xls library, and xlrd (Debian's
// python3-xlrd, through bench_reader_xlrd.py beside this file), on the same
// file in the same run, the readers taking turns in each round.  Each reader
// runs in a child process of its own so that its peak memory is its own;
// ours is also timed as a whole process (start, read, exit), as xlrd is.
//
//   bench_reader [rounds]          (default 5)
//   bench_reader --write <folder>  only writes the workbook, <folder>/items.xls
//   bench_reader --read <file>     only reads it (to profile the read alone)
//
// Targets: our read (open, sheet, every cell as text) at least 30 times
// faster than FreeXL's and, as whole processes, at least 15 times faster than
// xlrd's; its peak memory at most three times the file's size plus 32 MiB
// above the process's size before the read.
#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../tests/xls/freexl_loader.h"
#include "bench_support.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"
#include "import/workbook_backend.h"
#include "text/format.h"
#include "text/regional.h"
#include "xls/biff8/workbook_reader.h"

using namespace tabrin;
using tabrin::bench::FillItems;
using tabrin::bench::PeakKiB;
using tabrin::bench::Seconds;

namespace {

constexpr int kRows = 65535;

long CurrentKiB() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void WriteItemWorkbook(const std::string& home, const std::string& output) {
  CreateEmbeddedDatabase(home + "Database.mdb", {});
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  FillItems(connection, kRows);
  TFerran3XLS exporter;
  ApplyHostExportSettings(exporter);
  TQuery query(schema::ItemExportQuery(), connection);
  RunExportCommand(exporter, query, output);
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Measured {
  double seconds = 0;
  double cpuSeconds = 0;  // processor time: what the read costs however busy the machine is
  long peakKiB = 0;   // peak resident size of the child
  long startKiB = 0;  // its resident size before the read
  long cells = 0;
};

// Runs work in a child process; work returns the number of cells it read.
Measured InChild(const std::function<long()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Measured m;
    m.startKiB = CurrentKiB();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    m.cells = work();
    m.seconds = Seconds(start);
    m.cpuSeconds = CpuSeconds() - cpuStart;
    m.peakKiB = PeakKiB();
    if (write(fds[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Measured m;
  const ssize_t got = read(fds[0], &m, sizeof m);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got != static_cast<ssize_t>(sizeof m) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return m;
}

// Our reader: open the file, read "sheet1", every cell as the text the
// sheet query would give.
long ReadWithOurReader(const std::string& path) {
  const TRegionalFormats& regional = TRegionalFormats::System();
  const TWorkbookReader book = TWorkbookReader::OpenFile(path);
  const TWorksheet sheet = book.ReadSheet("sheet1");
  long cells = 0;
  std::size_t bytes = 0;
  std::string text;
  for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
    for (const TSheetCell& cell : sheet.RowCells(row)) {
      switch (cell.kind) {
        case TCellKind::ckText: text = sheet.Text(cell); break;
        case TCellKind::ckNumber: text = regional.FloatToText(cell.number); break;
        case TCellKind::ckDateTime: text = regional.DateTimeToText(cell.number); break;
        case TCellKind::ckBoolean: text = cell.number != 0 ? "True" : "False"; break;
        default: text.clear(); break;
      }
      bytes += text.size();
      ++cells;
    }
  }
  return bytes > 0 ? cells : 0;
}

// The whole sheet query of the item tab through the data layer.
long ReadThroughSheetQuery(const std::string& path) {
  RegisterWorkbookReader();
  TConnection workbook("ADOXLSConnect");
  workbook.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
                               ";Extended Properties=IMEX=1;Excel 8.0;Persist Security Info=False");
  workbook.Open();
  TQuery query("ADOItemQuery", workbook);
  query.SetSql("SELECT * FROM [sheet1$]  where 管理貨號<>''");
  query.Open();
  long cells = 0;
  std::size_t bytes = 0;
  for (query.First(); !query.Eof(); query.Next()) {
    for (int i = 0; i < query.FieldCount(); ++i) {
      bytes += query.Fields(i).AsString().size();
      ++cells;
    }
  }
  return bytes > 0 ? cells : 0;
}

long ReadWithFreeXl(const std::string& path) {
  test::TFreeXl freexl;
  if (!freexl.Available() || !freexl.Open(path, 0)) return -1;
  long cells = 0;
  std::size_t bytes = 0;
  char buffer[64];
  for (unsigned row = 0; row < freexl.Rows(); ++row) {
    for (unsigned short column = 0; column < freexl.Columns(); ++column) {
      const test::FreeXlCell cell = freexl.Cell(row, column);
      switch (cell.type) {
        case test::kFreeXlInt: bytes += static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "%d", cell.value.intValue)); break;
        case test::kFreeXlDouble: bytes += FormatGeneral(cell.value.doubleValue).size(); break;
        case test::kFreeXlText:
        case test::kFreeXlSstText:
        case test::kFreeXlDate:
        case test::kFreeXlDateTime:
        case test::kFreeXlTime: bytes += std::string(cell.value.textValue).size(); break;
        default: break;
      }
      ++cells;
    }
  }
  return bytes > 0 ? cells : 0;
}

struct ProcessTime {
  double seconds = -1;  // wall time from start to exit, -1 when it failed
  double cpuSeconds = 0;
};

// Runs a program as a whole process, its output thrown away.
ProcessTime WholeProcess(const std::vector<std::string>& arguments) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  ProcessTime time;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) time.seconds = Seconds(start);
  time.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return time;
}

// Minimum, median and maximum of a series of figures.
struct Spread {
  double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {values.front(), values[values.size() / 2], values.back()};
}

// Wall and processor times of one reader over the rounds.
struct Series {
  std::vector<double> wall, cpu;
  void Add(double seconds, double cpuSeconds) {
    wall.push_back(seconds);
    cpu.push_back(cpuSeconds);
  }
};

void Report(const char* what, const Series& series, const Measured* last = nullptr) {
  const Spread w = SpreadOf(series.wall), c = SpreadOf(series.cpu);
  std::printf("%-34s %6.3f - %6.3f - %6.3f s, processor %6.3f - %6.3f - %6.3f s", what, w.min, w.median, w.max,
              c.min, c.median, c.max);
  if (last != nullptr) {
    std::printf(", %ld cells, peak %.1f MiB (%.1f above its start)", last->cells, last->peakKiB / 1024.0,
                (last->peakKiB - last->startKiB) / 1024.0);
  }
  std::printf("\n");
}

// Their time over ours, round by round (the readers take turns, so a round
// sees one load on the machine).
void ReportRatio(const char* what, const Series& theirs, const Series& ours, double target) {
  std::vector<double> wall, cpu;
  for (std::size_t i = 0; i < theirs.wall.size() && i < ours.wall.size(); ++i) {
    wall.push_back(theirs.wall[i] / ours.wall[i]);
    cpu.push_back(theirs.cpu[i] / ours.cpu[i]);
  }
  const Spread w = SpreadOf(wall), c = SpreadOf(cpu);
  std::printf("%-34s %6.1f - %6.1f - %6.1f x, processor %6.1f - %6.1f - %6.1f x  (target >= %.0f x)\n", what, w.min,
              w.median, w.max, c.min, c.median, c.max, target);
}

}  // namespace

int main(int argc, char** argv) {
  // The whole-process form of our read: bench_reader --read <file>.
  if (argc == 3 && std::string(argv[1]) == "--read") return ReadWithOurReader(argv[2]) > 0 ? 0 : 1;
  if (argc == 3 && std::string(argv[1]) == "--write") {
    const std::string home = std::string(argv[2]) + "/";
    WriteItemWorkbook(home, home + "items.xls");
    return 0;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tabrin-bench-reader-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string home = folder.string() + "/";
  const std::string path = home + "items.xls";
  const Measured written = InChild([&] {
    WriteItemWorkbook(home, path);
    return 1L;
  });
  if (written.cells != 1) {
    std::printf("writing the workbook failed\n");
    return 1;
  }
  const double fileMiB = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string xlrdScript = std::string(TABRIN_BENCH_SOURCE) + "/bench_reader_xlrd.py";
  const bool haveXlrd = WholeProcess({"/usr/bin/python3", "-c", "import xlrd"}).seconds >= 0;

  Measured ours, query, freexl;
  Series oursSeries, querySeries, freexlSeries, oursProcess, xlrdProcess, oursBesideXlrd;
  for (int round = 0; round < rounds; ++round) {
    ours = InChild([&] { return ReadWithOurReader(path); });
    oursSeries.Add(ours.seconds, ours.cpuSeconds);
    query = InChild([&] { return ReadThroughSheetQuery(path); });
    querySeries.Add(query.seconds, query.cpuSeconds);
    freexl = InChild([&] { return ReadWithFreeXl(path); });
    if (freexl.cells > 0) freexlSeries.Add(freexl.seconds, freexl.cpuSeconds);
    const ProcessTime process = WholeProcess({self, "--read", path});
    oursProcess.Add(process.seconds, process.cpuSeconds);
    if (haveXlrd) {
      const ProcessTime xlrd = WholeProcess({"/usr/bin/python3", xlrdScript, path});
      if (xlrd.seconds > 0) {
        xlrdProcess.Add(xlrd.seconds, xlrd.cpuSeconds);
        oursBesideXlrd.Add(process.seconds, process.cpuSeconds);
      }
    }
  }

  std::printf("workbook written by our export   %d rows x 19 columns, %.1f MiB; %d rounds, min - median - max\n",
              kRows, fileMiB, rounds);
  Report("our reader, every cell as text", oursSeries, &ours);
  Report("item sheet query, every field", querySeries, &query);
  if (!freexlSeries.wall.empty()) {
    Report("FreeXL, every cell", freexlSeries, &freexl);
    ReportRatio("FreeXL / our reader", freexlSeries, oursSeries, 30);
  } else {
    std::printf("FreeXL could not read the workbook (or is not installed)\n");
  }
  Report("our read as a whole process", oursProcess);
  if (!xlrdProcess.wall.empty()) {
    Report("xlrd as a whole process", xlrdProcess);
    ReportRatio("xlrd / our read, whole processes", xlrdProcess, oursBesideXlrd, 15);
  } else {
    std::printf("xlrd could not read the workbook (or python3-xlrd is not installed)\n");
  }
  std::printf("our reader's memory above start   %.1f MiB  (target <= 3 x file + 32 = %.1f MiB)\n",
              (ours.peakKiB - ours.startKiB) / 1024.0, 3 * fileMiB + 32);
  std::filesystem::remove_all(folder);
  return 0;
}
