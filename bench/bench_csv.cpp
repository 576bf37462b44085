// Text files of rows on an import tab: the 65,535-row item table exported
// as an .xls workbook and as CSV (UTF-8 with its mark, and the same text in
// Big5 without one), each opened as the item tab opens a file (workbook
// connection, the tab's sheet query, every record walked).
//   targets: a CSV at most 2x the .xls; peak memory at most twice the file
//   plus 32 MiB above the process's start.
//
// Hostile files are refused, or read, within the same bounds: a single line
// of 256 MiB, a line of a million fields, and a quote left open at the start
// of a 256 MiB file.
//
// Each measured step runs in a child process of its own so that its peak
// memory is its own; reads are repeated kRuns times and the median shown.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"
#include "import/import_tabs.h"
#include "import/workbook_backend.h"
#include "text/encoding.h"

using namespace tabrin;
using tabrin::bench::FillItems;
using tabrin::bench::PeakKiB;
using tabrin::bench::Seconds;

namespace {

constexpr int kRows = 65535;
constexpr int kRuns = 5;
constexpr std::size_t kHostileBytes = std::size_t{256} << 20;

struct Measured {
  double seconds = 0;
  long peakKiB = 0;  // above the resident size at the start
  long records = -1;  // -1: refused
};

long ResidentKiB() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Opens the file on the item tab in a child process and walks its records.
Measured OpenOnItemTab(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const long start = ResidentKiB();
    const auto began = std::chrono::steady_clock::now();
    Measured m;
    try {
      TConnection workbook("ADOXLSConnect");
      TQuery sheet("ADOItemQuery", workbook);
      OpenWorkbook(workbook, path);
      OpenTabSheetQuery(sheet, workbook, TMasterTable::mtItem);
      m.records = 0;
      for (sheet.First(); !sheet.Eof(); sheet.Next()) ++m.records;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "  refused: %.120s\n", e.what());
      m.records = -1;
    }
    m.seconds = Seconds(began);
    m.peakKiB = PeakKiB() - start;
    if (write(fds[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Measured m;
  const ssize_t got = read(fds[0], &m, sizeof m);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got != static_cast<ssize_t>(sizeof m)) return {};
  return m;
}

Measured Median(const std::string& path, int runs) {
  std::vector<Measured> all;
  for (int i = 0; i < runs; ++i) all.push_back(OpenOnItemTab(path));
  std::sort(all.begin(), all.end(), [](const Measured& a, const Measured& b) { return a.seconds < b.seconds; });
  return all[all.size() / 2];
}

long FileKiB(const std::string& path) { return static_cast<long>(std::filesystem::file_size(path) / 1024); }

void Export(const std::string& home, const std::string& path) {
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  TQuery query(ExportQueryDef(TMasterTable::mtItem), connection);
  TFerran3XLS exporter;
  ApplyHostExportSettings(exporter);
  RunExportCommand(exporter, query, path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// head, then count bytes of filler, then tail, written a megabyte at a time:
// the measuring children start from this process, whose peak they inherit.
void WriteLarge(const std::string& path, const std::string& head, char filler, std::size_t count,
                const std::string& tail) {
  std::ofstream out(path, std::ios::binary);
  out << head;
  const std::string piece(std::size_t{1} << 20, filler);
  for (std::size_t written = 0; written < count; written += piece.size()) {
    out.write(piece.data(), static_cast<std::streamsize>(std::min(piece.size(), count - written)));
  }
  out << tail;
}

void Report(const char* what, const std::string& path, const Measured& m, const Measured* base) {
  const long boundKiB = 2 * FileKiB(path) + 32 * 1024;
  std::printf("%-28s %8ld KiB file  %7.3f s", what, FileKiB(path), m.seconds);
  if (base != nullptr && base->seconds > 0) std::printf(" (%.2fx .xls)", m.seconds / base->seconds);
  std::printf("  peak +%ld KiB (bound %ld)  %s\n", m.peakKiB, boundKiB,
              m.records < 0 ? "refused" : (std::to_string(m.records) + " records").c_str());
}

}  // namespace

int main() {
  RegisterWorkbookReader();
  const std::string home = (std::filesystem::temp_directory_path() / ("tabrin-bench-csv-" + std::to_string(getpid()))).string() + "/";
  std::filesystem::create_directories(home);
  CreateEmbeddedDatabase(home + "Database.mdb", {});
  {
    TConnection connection;
    ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
    FillItems(connection, kRows);
  }
  const std::string xls = home + "items.xls", utf8 = home + "items.csv", big5 = home + "items-big5.csv";
  Export(home, xls);
  Export(home, utf8);
  WriteBytes(big5, Utf8ToBig5(ReadBytes(utf8).substr(3)));

  std::printf("The item tab opening %d rows (median of %d):\n", kRows, kRuns);
  const Measured base = Median(xls, kRuns);
  Report(".xls", xls, base, nullptr);
  Report("CSV, UTF-8 with its mark", utf8, Median(utf8, kRuns), &base);
  Report("CSV, Big5", big5, Median(big5, kRuns), &base);

  std::printf("Hostile files:\n");
  const std::string line = home + "line.csv", fields = home + "fields.csv", quote = home + "quote.csv";
  WriteLarge(line, "管理貨號\n", 'x', kHostileBytes, "\n");
  WriteLarge(fields, "管理貨號\n", ',', 1000000, "\n");
  WriteLarge(quote, "\"管理貨號\n", 'x', kHostileBytes, "\n");
  Report("one line of 256 MiB", line, OpenOnItemTab(line), nullptr);
  Report("a million fields on a line", fields, OpenOnItemTab(fields), nullptr);
  Report("a quote open from the start", quote, OpenOnItemTab(quote), nullptr);
  std::filesystem::remove_all(home);
  return 0;
}
