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

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"
#include "export/export_command.h"
#include "export/ferran3_xls.h"

using namespace tabrin;

namespace {

constexpr int kRows = 65535;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void FillItems(TConnection& connection) {
  const char* names[] = {"烏龍茶", "礦泉水", "洋芋片", "鮮奶", "咖啡", "泡麵", "餅乾", "果汁", "啤酒", "牙膏"};
  const char* units[] = {"瓶", "包", "盒", "罐", "條"};
  connection.BeginTransaction();
  const std::string sql =
      "INSERT INTO Item (ItemNo, ItemMark, SelfCode, PtName, PtSpec, SupplierNo, ImTax, ImUpDate, UniPrice, SUnit,"
      " RegSafeQty, EmgSafeQty, StkQty, ShelfNo, AvgCost, Special, Price, MemPrice, VipPrice)"
      " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
  for (int i = 0; i < kRows; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "%08d", 10000000 + i);
    const double cost = 10 + (i % 490) * 0.75;
    std::vector<TValue> values = {
        TValue::Text(code),
        TValue::Text("471" + std::to_string(1000000000 + i)),
        TValue::Text(std::to_string(i)),
        TValue::Text(std::string(names[i % 10]) + " " + std::to_string(i % 97)),
        TValue::Text(std::to_string(100 + i % 900) + "ml"),
        TValue::Text(std::to_string(1000 + i % 50)),
        TValue::Text(i % 7 == 0 ? "免稅" : "應稅"),
        TValue::DateTime(38000 + i % 3000),
        TValue::Float(cost),
        TValue::Text(units[i % 5]),
        TValue::Integer(i % 50),
        TValue::Integer(i % 20),
        TValue::Integer(i % 5000),
        TValue::Text(std::to_string(i % 100)),
        TValue::Float(cost * 0.98),
        TValue::Integer(i % 3),
        TValue::Float(cost * 1.3),
        TValue::Float(cost * 1.2),
        TValue::Float(cost * 1.15),
    };
    connection.Execute(sql, values);
  }
  connection.Commit();
}

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
    FillItems(connection);
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
