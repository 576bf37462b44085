// Reading a 65,535-row x 19-column item workbook written by our own export
// (embedded database -> export command -> workbook), every cell as text:
// our reader beside FreeXL, the packaged xls library, on the same file in
// the same run.  Each reader runs in a child process of its own so that its
// peak memory is its own.
//
// Targets: our read (open, sheet, every cell as text) at most one fifth of
// FreeXL's time; its peak memory at most three times the file's size plus
// 32 MiB above the process's size before the read.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
#include "xls/workbook_reader.h"

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

struct Measured {
  double seconds = 0;
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
    m.cells = work();
    m.seconds = Seconds(start);
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

void Report(const char* what, const Measured& m) {
  std::printf("%-34s %7.3f s  %8ld cells  peak %.1f MiB (%.1f MiB above its start)\n", what, m.seconds, m.cells,
              m.peakKiB / 1024.0, (m.peakKiB - m.startKiB) / 1024.0);
}

}  // namespace

int main() {
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

  const Measured ours = InChild([&] { return ReadWithOurReader(path); });
  const Measured query = InChild([&] { return ReadThroughSheetQuery(path); });
  const Measured freexl = InChild([&] { return ReadWithFreeXl(path); });

  std::printf("workbook written by our export   %d rows x 19 columns, %.1f MiB\n", kRows, fileMiB);
  Report("our reader, every cell as text", ours);
  Report("item sheet query, every field", query);
  if (freexl.cells > 0) {
    Report("FreeXL, every cell", freexl);
    std::printf("our reader / FreeXL               %.3f  (target <= 0.2)\n", ours.seconds / freexl.seconds);
  } else {
    std::printf("FreeXL could not read the workbook (or is not installed)\n");
  }
  std::printf("our reader's memory above start   %.1f MiB  (target <= 3 x file + 32 = %.1f MiB)\n",
              (ours.peakKiB - ours.startKiB) / 1024.0, 3 * fileMiB + 32);
  std::filesystem::remove_all(folder);
  return 0;
}
