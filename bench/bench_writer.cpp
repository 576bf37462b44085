// Writing a sheet shaped like the item table: 65,535 rows x 19 columns
// (8 text columns of mostly distinct Chinese texts, 1 date column, 10
// numeric columns) through the writer's cell operations to a complete file,
// beside the time a plain buffered fwrite loop needs for the same number of
// bytes.  Prints cells per second, wall time and peak memory.
//
// The cell texts stand for rows fetched from a table: they are generated a
// batch of rows at a time, outside the measured writer time (the plain loop
// has no data to make either).  The generation time is printed separately,
// and so is the run's whole wall time including it.
//
//   cmake -S . -B build-writer -DTABRIN_BENCH=ON
//   cmake --build build-writer -j2 --target bench_writer
//   build-writer/bench/bench_writer [folder]
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff8/workbook_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 65535;
constexpr int kTextColumns = 8;
constexpr int kNumericColumns = 10;
constexpr int kColumns = kTextColumns + 1 + kNumericColumns;

const char* const kSyllables[] = {"珍", "珠", "奶", "茶", "大", "杯", "綠", "紅", "烏", "龍",
                                  "檸", "檬", "蜂", "蜜", "鮮", "果", "冰", "熱", "微", "糖",
                                  "少", "無", "半", "全", "香", "草", "巧", "克", "力", "咖"};

// A text of a few Chinese characters, different for (nearly) every row and
// column, plus a code.
void MakeText(std::string& out, int row, int col) {
  out.clear();
  unsigned v = static_cast<unsigned>(row) * 7919u + static_cast<unsigned>(col) * 104729u;
  for (int i = 0; i < 5 + col % 4; ++i) {
    out += kSyllables[v % 30];
    v /= 30;
    if (v == 0) v = static_cast<unsigned>(row + col + i + 1);
  }
  out += std::to_string(row);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// Processor time of this process: on a machine shared with other work it
// varies far less than wall time, so it is printed beside it.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

struct Phases {
  double generate = 0, cells = 0, strings = 0, finish = 0, close = 0;
  double cpu = 0;  // processor time of the writer, generation left out
};

// The texts of a batch of rows, kTextColumns per row, in one buffer.
class TextBatch {
 public:
  void Fill(int firstRow, int rows) {
    bytes_.clear();
    ends_.clear();
    std::string text;
    for (int row = firstRow; row < firstRow + rows; ++row) {
      for (int col = 0; col < kTextColumns; ++col) {
        MakeText(text, row, col);
        bytes_ += text;
        ends_.push_back(bytes_.size());
      }
    }
  }
  std::string_view Text(std::size_t i) const {
    const std::size_t from = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(from, ends_[i] - from);
  }

 private:
  std::string bytes_;
  std::vector<std::size_t> ends_;
};

constexpr int kBatchRows = 1024;

double WriteWorkbook(const std::string& path, Phases& phases) {
  using namespace tabrin;
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds();
  double generating = 0, generatingCpu = 0;
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  TxlsFormatRegistry& formats = writer.Formats();
  TxlsFormat bold;
  bold.Font.Style = xfsBold;
  const auto xfCaption = formats.GetOrCreate(TxlsCellFormatRequest::From(bold, true, std::nullopt));
  const auto xfDate = formats.GetOrCreate(TxlsCellFormatRequest::From(TxlsFormat(), false, "yyyy/MM/dd"));
  const auto xfNumber = formats.GetOrCreate(TxlsCellFormatRequest::From(TxlsFormat(), false, "#,###,##0.00"));
  writer.ColumnWidths().assign(kColumns, 12);
  TxlsSheetHead head;
  head.PageFooter = "Page &P of &N";
  writer.BeginSheet(head);
  for (int c = 0; c < kColumns; ++c) {
    writer.WriteLabelSst(0, c, "欄位" + std::to_string(c), xfCaption);
  }
  TextBatch batch;
  for (int first = 1; first < kRows; first += kBatchRows) {
    const int rows = std::min(kBatchRows, kRows - first);
    const auto generateStart = Clock::now();
    const double generateCpuStart = CpuSeconds();
    batch.Fill(first, rows);
    generating += Seconds(generateStart);
    generatingCpu += CpuSeconds() - generateCpuStart;
    std::size_t text = 0;
    for (int row = first; row < first + rows; ++row) {
      int col = 0;
      for (; col < kTextColumns; ++col) {
        writer.WriteLabelSst(row, col, batch.Text(text++), 15);
      }
      writer.WriteNumber(row, col++, 38412 + row % 3000, xfDate);
      for (int n = 0; n < kNumericColumns; ++n, ++col) {
        writer.WriteNumber(row, col, row * 1.25 + n, xfNumber);
      }
    }
  }
  writer.EndSheet();
  phases.generate = generating;
  phases.cells = Seconds(start) - generating;
  auto step = Clock::now();
  (void)writer.SharedStrings();  // the queued texts looked up, which FinishWorkbook would do first
  phases.strings = Seconds(step);
  step = Clock::now();
  writer.FinishWorkbook();
  phases.finish = Seconds(step);
  step = Clock::now();
  writer.CloseWorkbookFile();
  phases.close = Seconds(step);
  phases.cpu = CpuSeconds() - cpuStart - generatingCpu;
  return Seconds(start) - generating;
}

// The floor: the same number of bytes through a buffered FILE*, in pieces of
// the size of a typical cell record.
double WritePlain(const std::string& path, std::uintmax_t bytes, double& cpu) {
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return -1;
  std::vector<unsigned char> piece(18, 0x5A);
  for (std::uintmax_t done = 0; done < bytes; done += piece.size()) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(piece.size(), bytes - done));
    std::fwrite(piece.data(), 1, n, file);
  }
  std::fclose(file);
  cpu = CpuSeconds() - cpuStart;
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
  const std::string book = (folder / "bench_writer.xls").string();
  const std::string plain = (folder / "bench_writer.bin").string();

  Phases phases;
  const double writerSeconds = WriteWorkbook(book, phases);
  const long peakKb = PeakKilobytes();
  const std::uintmax_t size = std::filesystem::file_size(book);
  double plainCpu = 0;
  const double plainSeconds = WritePlain(plain, size, plainCpu);

  const double cells = static_cast<double>(kRows) * kColumns;
  const double limitMb = 2.0 * size / (1024.0 * 1024.0) + 32;
  std::printf("cells            %.0f (%d rows x %d columns)\n", cells, kRows, kColumns);
  std::printf("file size        %.1f MiB\n", size / (1024.0 * 1024.0));
  std::printf("writer           %.3f s, %.0f cells/s (cell texts ready, as fetched rows would be)\n",
              writerSeconds, cells / writerSeconds);
  std::printf("  cells          %.3f s\n  strings        %.3f s (queued texts looked up)\n"
              "  finish         %.3f s (globals and string table written in front of the sheets)\n"
              "  close          %.3f s (container written)\n",
              phases.cells, phases.strings, phases.finish, phases.close);
  std::printf("text generation  %.3f s (benchmark's own, not in the writer time; whole run %.3f s)\n",
              phases.generate, writerSeconds + phases.generate);
  std::printf("plain fwrite     %.3f s\n", plainSeconds);
  std::printf("ratio            %.2fx (target <= 3x)\n", writerSeconds / plainSeconds);
  std::printf("processor time   writer %.3f s, plain fwrite %.3f s, ratio %.2fx\n", phases.cpu, plainCpu,
              phases.cpu / plainCpu);
  std::printf("peak memory      %.1f MiB (target <= %.1f MiB = 2 x file + 32 MiB)\n", peakKb / 1024.0, limitMb);
  std::filesystem::remove(book);
  std::filesystem::remove(plain);
  return 0;
}
