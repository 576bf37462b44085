// Excel 2007+ workbooks, a 65,535-row x 19-column item sheet (the item
// export of believable rows):
//
// Reading, every cell as the text the sheet query gives: our .xlsx reader on
// the file our export wrote (libxlsxwriter) and on the same sheet saved by
// LibreOffice, beside our .xls reader on the .xls export of the same table
// and Python's openpyxl in read-only mode on the same .xlsx files.
//   targets: .xlsx at most 2x our .xls read; at least 35x faster than
//   openpyxl; peak memory at most 64 MiB above the sheet's cells.
//
// Writing: our .xlsx export of the open query beside libxlsxwriter's own
// constant-memory loop writing the same cells with the same formats.
//   targets: at most 1.5x the plain loop; peak memory at most 64 MiB above
//   the query's rows.
//
// Each measured step runs in a child process of its own so that its peak
// memory is its own.  Reads are repeated (kRuns, openpyxl kScriptRuns) and
// shown as min - median - max; the ratios take the medians.  Beside each
// .xlsx read stand three floors measured in the same run: inflating the
// sheet part alone (which the reader does on a thread of its own beside
// the scanning), the part's body read by our scanner with a handler that
// does nothing (taking the cells of the common shape whole, as the reader's
// handler does), and one expat parser over the part with such a handler
// (what a reader built on expat alone cannot get below).  LibreOffice and
// openpyxl are skipped when missing.
//
// For a profiler: `bench_xlsx --keep` leaves the files it made in place and
// names their folder; `bench_xlsx FILE...` only reads the given workbooks,
// in this process, as the read above does.
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
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
#include "text/format.h"
#include "text/regional.h"
#include "xls/spreadsheet.h"
#include "xls/ooxml/scanned_part.h"
#include "xls/ooxml/xml_part.h"
#include "xls/ooxml/zip_package.h"

using namespace tabrin;
using tabrin::bench::FillItems;
using tabrin::bench::PeakKiB;
using tabrin::bench::Seconds;

namespace {

constexpr int kRows = 65535;
constexpr int kRuns = 5;
constexpr int kScriptRuns = 3;

long CurrentKiB() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Measured {
  double seconds = 0;
  long peakKiB = 0;
  long startKiB = 0;   // resident size when the measured work began
  long dataKiB = 0;    // what the work keeps as its result (cells, rows)
  long count = 0;
};

// Runs prepare (unmeasured), then work, in a child process.
Measured InChild(const std::function<void()>& prepare, const std::function<long(Measured&)>& work) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    if (prepare) prepare();
    Measured m;
    m.startKiB = CurrentKiB();
    const auto start = std::chrono::steady_clock::now();
    m.count = work(m);
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

// Every cell of "sheet1" as the text the sheet query would give.
long ReadEveryCell(const std::string& path, Measured& m) {
  const TRegionalFormats& regional = TRegionalFormats::System();
  const std::unique_ptr<const TSpreadsheet> book = OpenSpreadsheetFile(path);
  const TWorksheet sheet = book->ReadSheet("sheet1");
  long cells = 0;
  std::size_t bytes = 0, textBytes = 0;
  std::string text;
  for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
    for (const TSheetCell& cell : sheet.RowCells(row)) {
      switch (cell.kind) {
        case TCellKind::ckText: text = sheet.Text(cell); textBytes += text.size() + 8; break;
        case TCellKind::ckNumber: text = regional.FloatToText(cell.number); break;
        case TCellKind::ckDateTime: text = regional.DateTimeToText(cell.number); break;
        case TCellKind::ckBoolean: text = cell.number != 0 ? "True" : "False"; break;
        default: text.clear(); break;
      }
      bytes += text.size();
      ++cells;
    }
  }
  // The sheet's cells and texts: what a reader has to hold, whatever it is.
  m.dataKiB = static_cast<long>((cells * sizeof(TSheetCell) + textBytes) / 1024);
  return bytes > 0 ? cells : 0;
}

// The floors of an .xlsx read: the sheet part only inflated, and only
// parsed by one expat parser whose handler keeps nothing.
constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";
constexpr std::uint64_t kAnySize = std::uint64_t{4} << 30;

long InflateSheet(const std::string& path) {
  const detail::TZipPackage package = detail::TZipPackage::OpenFile(path);
  const std::unique_ptr<detail::TPartReader> part = package.Open(kSheetPart, kAnySize);
  std::vector<char> buffer(std::size_t{256} << 10);
  long bytes = 0;
  while (const std::size_t got = part->Read(buffer.data(), buffer.size())) bytes += static_cast<long>(got);
  return bytes;
}

class TNothingHandler : public detail::TXmlHandler, public detail::TScannedCellSink {
 public:
  TNothingHandler() { takesCells_ = true; }
  long elements = 0;
  void Cell(const detail::TScannedCell&) override { ++elements; }
  void Row(std::string_view) override { ++elements; }
  void StartElement(std::string_view, const detail::TXmlAttributes&) override { ++elements; }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

long ParseSheetOnly(const std::string& path) {
  const detail::TZipPackage package = detail::TZipPackage::OpenFile(path);
  TNothingHandler handler;
  detail::ParseXmlPart(package, kSheetPart, kAnySize, handler);
  return handler.elements;
}

long ScanSheetOnly(const std::string& path) {
  const detail::TZipPackage package = detail::TZipPackage::OpenFile(path);
  TNothingHandler handler;
  return detail::ScanXmlPart(package, kSheetPart, kAnySize, "sheetData", handler, &handler) ? handler.elements : 0;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// openpyxl in read-only mode, every cell's value turned into text; the time
// is the script's own, from opening the workbook to the last cell.
Measured ReadWithOpenpyxl(const std::string& path) {
  const std::string script =
      "import sys, time\n"
      "import openpyxl\n"
      "start = time.perf_counter()\n"
      "book = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
      "cells = 0\n"
      "for row in book.worksheets[0].iter_rows(values_only=True):\n"
      "    for value in row:\n"
      "        str(value)\n"
      "        cells += 1\n"
      "print(cells, time.perf_counter() - start)\n";
  const std::string command = "/usr/bin/python3 -c " + Quote(script) + " " + Quote(path) + " 2>/dev/null";
  Measured m;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return m;
  if (std::fscanf(pipe, "%ld %lf", &m.count, &m.seconds) != 2) m = {};
  ::pclose(pipe);
  return m;
}

void PrepareDatabase(const std::string& home) {
  CreateEmbeddedDatabase(home + "Database.mdb", {});
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  FillItems(connection, kRows);
}

// Our export of the open item query to a file.
long ExportItems(const std::string& home, const std::string& path) {
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  TQuery query(ExportQueryDef(TMasterTable::mtItem), connection);
  query.Open();
  TFerran3XLS exporter;
  ApplyHostExportSettings(exporter);
  exporter.FileName = path;
  exporter.DataSet = &query;
  exporter.Execute();
  return kRows;
}

// The cells of the item sheet as plain values, for the plain loop.
struct PlainCell {
  bool isText = false;
  std::string text;
  double number = 0;
  int format = 0;  // 0 none, 1 integer, 2 float, 3 date
};

std::vector<std::vector<PlainCell>> ItemCells(const std::string& home) {
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, home);
  TQuery query(ExportQueryDef(TMasterTable::mtItem), connection);
  query.Open();
  std::vector<std::vector<PlainCell>> rows;
  const TRegionalFormats& regional = TRegionalFormats::System();
  for (query.First(); !query.Eof(); query.Next()) {
    std::vector<PlainCell>& row = rows.emplace_back();
    for (int i = 0; i < query.FieldCount(); ++i) {
      TField& field = query.Fields(i);
      PlainCell cell;
      const std::string text = field.AsString();
      switch (field.DataType()) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger: cell.number = field.AsFloat(); cell.format = 1; break;
        case TFieldType::ftFloat: cell.number = field.AsFloat(); cell.format = 2; break;
        case TFieldType::ftDateTime: cell.number = regional.ParseDateTime(text).value_or(0); cell.format = 3; break;
        default: cell.isText = true; cell.text = text; break;
      }
      row.push_back(std::move(cell));
    }
  }
  return rows;
}

// libxlsxwriter's constant-memory example loop over the same cells: bold
// captions, the three number formats, the widths and the footer.
long PlainLoop(const std::vector<std::vector<PlainCell>>& rows, const std::string& path) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
  lxw_format* bold = workbook_add_format(workbook);
  format_set_bold(bold);
  lxw_format* formats[4] = {nullptr, workbook_add_format(workbook), workbook_add_format(workbook),
                            workbook_add_format(workbook)};
  format_set_num_format(formats[1], "#,###,##0");
  format_set_num_format(formats[2], "#,###,##0.00");
  format_set_num_format(formats[3], "yyyy/MM/dd");
  worksheet_set_footer(sheet, "&CPage &P of &N");
  const TQueryDef& def = ExportQueryDef(TMasterTable::mtItem);
  for (std::size_t c = 0; c < def.fields.size(); ++c) {
    worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), 10, nullptr);
    worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), std::string(def.fields[c].title).c_str(), bold);
  }
  lxw_row_t r = 1;
  for (const std::vector<PlainCell>& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      const PlainCell& cell = row[c];
      const auto col = static_cast<lxw_col_t>(c);
      if (cell.isText) {
        if (!cell.text.empty()) worksheet_write_string(sheet, r, col, cell.text.c_str(), nullptr);
      } else {
        worksheet_write_number(sheet, r, col, cell.number, formats[cell.format]);
      }
    }
    ++r;
  }
  return workbook_close(workbook) == LXW_NO_ERROR ? static_cast<long>(rows.size()) : 0;
}

// Repeated measures: min, median and max of the times; the rest from the
// median run.
struct Runs {
  std::vector<Measured> runs;
  bool Ok() const {
    return !runs.empty() && std::all_of(runs.begin(), runs.end(), [](const Measured& m) { return m.count > 0; });
  }
  std::vector<double> Sorted() const {
    std::vector<double> seconds;
    for (const Measured& m : runs) seconds.push_back(m.seconds);
    std::sort(seconds.begin(), seconds.end());
    return seconds;
  }
  double Min() const { return Ok() ? Sorted().front() : 0; }
  double Median() const { return Ok() ? Sorted()[runs.size() / 2] : 0; }
  double Max() const { return Ok() ? Sorted().back() : 0; }
  Measured MedianRun() const {
    if (!Ok()) return {};
    std::vector<Measured> sorted = runs;
    std::sort(sorted.begin(), sorted.end(), [](const Measured& a, const Measured& b) { return a.seconds < b.seconds; });
    return sorted[sorted.size() / 2];
  }
};

Runs Repeat(int count, const std::function<Measured()>& measure) {
  Runs r;
  for (int i = 0; i < count; ++i) r.runs.push_back(measure());
  return r;
}

void ReportRuns(const char* what, const Runs& r, bool memory = true) {
  const Measured m = r.MedianRun();
  std::printf("%-44s %6.3f - %6.3f - %6.3f s", what, r.Min(), r.Median(), r.Max());
  if (memory) {
    std::printf("  peak %6.1f MiB, %6.1f MiB above its start, data %5.1f MiB", m.peakKiB / 1024.0,
                (m.peakKiB - m.startKiB) / 1024.0, m.dataKiB / 1024.0);
  }
  std::printf("\n");
}

void Report(const char* what, const Measured& m) {
  std::printf("%-44s %7.3f s  peak %6.1f MiB, %6.1f MiB above its start, data %5.1f MiB\n", what, m.seconds,
              m.peakKiB / 1024.0, (m.peakKiB - m.startKiB) / 1024.0, m.dataKiB / 1024.0);
}

double MiB(const std::string& path) {
  std::error_code error;
  return static_cast<double>(std::filesystem::file_size(path, error)) / (1024.0 * 1024.0);
}

// Reads each named workbook as the benchmark does, in this process.
int ReadOnly(int count, char** paths) {
  for (int i = 0; i < count; ++i) {
    Measured m;
    const auto start = std::chrono::steady_clock::now();
    const long cells = ReadEveryCell(paths[i], m);
    std::printf("%s: %ld cells, %.3f s\n", paths[i], cells, Seconds(start));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool keep = argc == 2 && std::string(argv[1]) == "--keep";
  if (argc > 1 && !keep) return ReadOnly(argc - 1, argv + 1);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tabrin-bench-xlsx-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string home = folder.string() + "/";
  const std::string xls = home + "items.xls", xlsx = home + "items.xlsx", plain = home + "plain.xlsx";

  if (InChild([&] { PrepareDatabase(home); }, [](Measured&) { return 1L; }).count != 1) {
    std::printf("filling the database failed\n");
    return 1;
  }

  // Writing.
  const Measured ours = InChild({}, [&](Measured&) { return ExportItems(home, xlsx); });
  std::vector<std::vector<PlainCell>> rows;
  const Measured loop = InChild([&] { rows = ItemCells(home); }, [&](Measured&) { return PlainLoop(rows, plain); });
  InChild({}, [&](Measured&) { return ExportItems(home, xls); });
  std::printf("item sheet: %d rows x 19 columns; .xls %.1f MiB, .xlsx %.1f MiB (plain loop's %.1f MiB)\n", kRows,
              MiB(xls), MiB(xlsx), MiB(plain));
  Report("write .xlsx: our export of the open query", ours);
  Report("write .xlsx: libxlsxwriter's plain loop", loop);
  if (loop.seconds > 0) std::printf("our .xlsx export / plain loop              %.2f  (target <= 1.5)\n", ours.seconds / loop.seconds);

  // LibreOffice's copy of the same sheet.
  std::string loXlsx;
  const std::string convert = "HOME=" + Quote(home) + " soffice --headless --convert-to xlsx --outdir " +
                              Quote(home + "lo") + " " + Quote(xls) + " >/dev/null 2>&1";
  if (std::system(convert.c_str()) == 0 && std::filesystem::exists(home + "lo/items.xlsx")) loXlsx = home + "lo/items.xlsx";

  // Reading.
  const Runs readXls = Repeat(kRuns, [&] { return InChild({}, [&](Measured& m) { return ReadEveryCell(xls, m); }); });
  std::printf("reading, %d runs each (openpyxl %d): min - median - max\n", kRuns, kScriptRuns);
  ReportRuns("read .xls: our reader", readXls);
  const struct {
    const char* name;
    std::string path;
  } files[] = {{"libxlsxwriter (our export)", xlsx}, {"LibreOffice", loXlsx}};
  for (const auto& file : files) {
    if (file.path.empty()) {
      std::printf("read .xlsx written by %s: skipped (soffice not found)\n", file.name);
      continue;
    }
    const Runs read = Repeat(kRuns, [&] { return InChild({}, [&](Measured& m) { return ReadEveryCell(file.path, m); }); });
    const Runs inflate = Repeat(kRuns, [&] { return InChild({}, [&](Measured&) { return InflateSheet(file.path); }); });
    const Runs scan = Repeat(kRuns, [&] { return InChild({}, [&](Measured&) { return ScanSheetOnly(file.path); }); });
    const Runs parse = Repeat(kRuns, [&] { return InChild({}, [&](Measured&) { return ParseSheetOnly(file.path); }); });
    const Runs openpyxl = Repeat(kScriptRuns, [&] { return ReadWithOpenpyxl(file.path); });
    std::printf("read .xlsx written by %s (%.1f MiB):\n", file.name, MiB(file.path));
    ReportRuns("  our reader", read);
    ReportRuns("  floor: the sheet part inflated only", inflate, false);
    ReportRuns("  floor: our scanner, handler idle", scan, false);
    ReportRuns("  floor: one expat parser, handler idle", parse, false);
    ReportRuns("  openpyxl read-only", openpyxl, false);
    if (readXls.Median() > 0 && read.Median() > 0) {
      std::printf("  .xlsx / .xls read                          %.2f  (%.2f - %.2f; target <= 2)\n",
                  read.Median() / readXls.Median(), read.Min() / readXls.Max(), read.Max() / readXls.Min());
      std::printf("  scanner floor / .xls read                  %.2f\n", scan.Median() / readXls.Median());
      std::printf("  inflating floor / .xls read                %.2f\n", inflate.Median() / readXls.Median());
      std::printf("  one-parser floor / .xls read               %.2f\n", parse.Median() / readXls.Median());
    }
    if (openpyxl.Median() > 0 && read.Median() > 0) {
      std::printf("  openpyxl / our read                        %.1f  (%.1f - %.1f; target >= 35)\n",
                  openpyxl.Median() / read.Median(), openpyxl.Min() / read.Max(), openpyxl.Max() / read.Min());
    }
    // The data is counted unpacked (a TSheetCell per cell); the reader packs
    // its cells into a few bytes each, so this may well be below zero.
    const Measured median = read.MedianRun();
    long worst = median.peakKiB - median.startKiB - median.dataKiB;
    for (const Measured& m : read.runs) worst = std::max(worst, m.peakKiB - m.startKiB - m.dataKiB);
    std::printf("  peak above start, less the unpacked cells  %.1f MiB (worst run %.1f MiB; target <= 64)\n",
                (median.peakKiB - median.startKiB - median.dataKiB) / 1024.0, worst / 1024.0);
  }

  if (keep) {
    std::printf("the files are kept in %s\n", home.c_str());
    return 0;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
