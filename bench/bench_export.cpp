// Export of a 65,535-row item table (the 19 columns of the item export) from
// the embedded database to a workbook, beside the time to open the same
// export query and read every value as text through the data layer.
//
// Targets: the whole export within 2.5 times the read; peak memory of the
// export at most twice the output file's size plus 64 MiB.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

  // The export runs in a child of its own so that its peak memory is its own.
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 1;
  const long parentPeak = PeakKiB();
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
  std::printf("export to workbook           %.3f s  (%.2f x the read; target <= 2.5 x)\n", exportSeconds,
              exportSeconds / readSeconds);
  std::printf("output file                  %.1f MiB\n", fileMiB);
  std::printf("peak memory of the export    %.1f MiB  (process before it: %.1f MiB; target <= %.1f MiB)\n",
              peakMiB, static_cast<double>(parentPeak) / 1024.0, limitMiB);
  std::printf("peak memory of the read alone %.1f MiB  (the open query holds every row)\n",
              static_cast<double>(readPeak) / 1024.0);
  std::filesystem::remove_all(folder);
  return 0;
}
