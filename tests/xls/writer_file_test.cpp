// Whole workbook files: read back by independent readers (python3-xlrd and
// python3-olefile), and the safety of the target file when writing fails.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "xls/cfb/compound_file_writer.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

using test::Bytes;

const char kPython[] = "/usr/bin/python3";

std::string ReadBackScript() { return std::string(TABRIN_TEST_DATA) + "/../xls/writer_readback.py"; }

// Runs the read-back script; its output, or "exit N" lines on failure.
std::vector<std::string> ReadBack(const std::string& file, const std::string& dump = "") {
  const std::string command = std::string(kPython) + " '" + ReadBackScript() + "' '" + file + "'" +
                              (dump.empty() ? "" : " '" + dump + "'") + " 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  std::vector<std::string> lines;
  std::array<char, 4096> line{};
  while (std::fgets(line.data(), line.size(), pipe) != nullptr) {
    std::string text(line.data());
    if (!text.empty() && text.back() == '\n') text.pop_back();
    lines.push_back(text);
  }
  const int status = ::pclose(pipe);
  if (status != 0) lines.push_back("exit " + std::to_string(status));
  return lines;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

TEST(WriterFile, IndependentReadersSeeEveryCell) {
  test::TempFolder folder;
  const std::string path = (folder / "items.xls").string();
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  TxlsFormatRegistry& formats = writer.Formats();
  TxlsFormat caption;
  caption.Font.Style = xfsBold;
  const auto xfCaption = formats.GetOrCreate(TxlsCellFormatRequest::From(caption, true, std::nullopt));
  const auto xfDate = formats.GetOrCreate(TxlsCellFormatRequest::From(TxlsFormat(), false, "yyyy/MM/dd"));
  const auto xfMoney = formats.GetOrCreate(TxlsCellFormatRequest::From(TxlsFormat(), false, "#,###,##0.00"));

  writer.ColumnWidths() = {10, 40, 12, 8, 8};
  TxlsSheetHead head = test::Head(0, "Sheet1");
  head.PageFooter = "Page &P of &N";
  writer.BeginSheet(head);
  const char* captions[] = {"貨號", "品名", "日期", "售價", "停用"};
  for (int c = 0; c < 5; ++c) {
    writer.WriteLabelSst(0, c, std::string_view(captions[c]), xfCaption);
  }
  writer.WriteLabelSst(1, 0, "A001", 15);
  writer.WriteLabelSst(1, 1, "珍珠奶茶（大杯）", 15);
  writer.WriteNumber(1, 2, 38412, xfDate);  // 2005-03-01
  writer.WriteNumber(1, 3, 1234.5, xfMoney);
  writer.WriteBoolean(1, 4, true, 15);
  writer.WriteLabelSst(2, 0, "A002", 15);
  writer.WriteBlank(2, 1, 15);
  writer.WriteNumber(2, 2, 61, xfDate);  // 1900-03-01
  writer.WriteNumber(2, 3, -0.25, xfMoney);
  writer.WriteBoolean(2, 4, false, 15);
  writer.WriteAggregateFormula(3, 3, xfMoney, aggSum, 1, 2);
  writer.EndSheet();
  writer.FinishWorkbook();
  const Bytes stream = writer.Stream().Bytes();
  writer.CloseWorkbookFile();

  const std::string dump = (folder / "stream.bin").string();
  const std::vector<std::string> expected = {
      "streams Workbook",
      "sheet Sheet1 4 5",
      "cell Sheet1 0 0 1 '貨號' General bold",
      "cell Sheet1 0 1 1 '品名' General bold",
      "cell Sheet1 0 2 1 '日期' General bold",
      "cell Sheet1 0 3 1 '售價' General bold",
      "cell Sheet1 0 4 1 '停用' General bold",
      "cell Sheet1 1 0 1 'A001' General regular",
      "cell Sheet1 1 1 1 '珍珠奶茶（大杯）' General regular",
      "cell Sheet1 1 2 3 (2005, 3, 1) yyyy/MM/dd regular",
      "cell Sheet1 1 3 2 1234.5 #,###,##0.00 regular",
      "cell Sheet1 1 4 4 1 General regular",
      "cell Sheet1 2 0 1 'A002' General regular",
      "cell Sheet1 2 1 6 '' General regular",
      "cell Sheet1 2 2 3 (1900, 3, 1) yyyy/MM/dd regular",
      "cell Sheet1 2 3 2 -0.25 #,###,##0.00 regular",
      "cell Sheet1 2 4 4 0 General regular",
      "cell Sheet1 3 3 2 0.0 #,###,##0.00 regular",
      "colinfo Sheet1 0 2853",
      "colinfo Sheet1 1 10533",
      "colinfo Sheet1 2 3365",
      "colinfo Sheet1 3 2341",
      "colinfo Sheet1 4 2341",
  };
  EXPECT_EQ(ReadBack(path, dump), expected);
  EXPECT_SAME_BYTES(stream, ReadFile(dump));
  EXPECT_EQ(ReadFile(path).size(), CompoundFileSize(stream.size()));
}

// Streams of every size class: in the mini stream, in regular sectors, and
// large enough that the FAT needs DIFAT sectors (over 109 FAT sectors).
TEST(WriterFile, ContainerHoldsTheStreamExactly) {
  // Long distinct texts make a large stream from few cells.
  const std::pair<const char*, int> cases[] = {{"mini stream", 0}, {"just over 4096", 2}, {"DIFAT", 1000}};
  for (const auto& [name, cells] : cases) {
    SCOPED_TRACE(name);
    test::TempFolder folder;
    const std::string path = (folder / "book.xls").string();
    TxlsWorkbookWriter writer;
    writer.CreateWorkbookFile(path);
    writer.BeginWorkbook();
    writer.BeginSheet(test::Head(0, "Sheet1"));
    for (int i = 0; i < cells; ++i) {
      writer.WriteLabelSst(i, 0, std::to_string(i) + std::string(4000, 'x'), 15);
    }
    writer.EndSheet();
    writer.FinishWorkbook();
    const Bytes stream = writer.Stream().Bytes();
    writer.CloseWorkbookFile();
    const std::string dump = (folder / "stream.bin").string();
    const auto lines = ReadBack(path, dump);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "streams Workbook");
    EXPECT_EQ(lines.back().rfind("exit", 0), std::string::npos) << lines.back();
    EXPECT_SAME_BYTES(stream, ReadFile(dump));
    EXPECT_EQ(ReadFile(path).size(), CompoundFileSize(stream.size()));
    EXPECT_EQ(ReadFile(path).size() % 512, 0u);
    if (cells == 0) {
      EXPECT_LT(stream.size(), 4096u);
    }
    if (cells == 2) {
      EXPECT_GE(stream.size(), 4096u);
    }
  }
}

// Passes writes through until a byte budget is spent, then writes short.
class ShortSink : public TOutputSink {
 public:
  ShortSink(std::unique_ptr<TOutputSink> inner, std::size_t budget) : inner_(std::move(inner)), budget_(budget) {}
  std::size_t Write(const void* data, std::size_t count) override {
    const std::size_t n = std::min(count, budget_);
    budget_ -= n;
    return n == 0 ? 0 : inner_->Write(data, n);
  }
  bool Flush() override { return inner_->Flush(); }

 private:
  std::unique_ptr<TOutputSink> inner_;
  std::size_t budget_;
};

void WriteSmallWorkbook(TxlsWorkbookWriter& writer) {
  writer.BeginWorkbook();
  writer.BeginSheet(test::Head(0, "Sheet1"));
  for (int r = 0; r < 3000; ++r) writer.WriteLabelSst(r, 0, "列 " + std::to_string(r), 15);
  writer.EndSheet();
  writer.FinishWorkbook();
}

TEST(WriterFile, ShortWriteKeepsThePreviousFile) {
  for (std::size_t budget : {std::size_t{0}, std::size_t{100}, std::size_t{70000}}) {
    SCOPED_TRACE(budget);
    test::TempFolder folder;
    const std::string path = (folder / "book.xls").string();
    WriteFile(path, "the user's previous workbook");
    TxlsWorkbookWriter writer;
    writer.CreateWorkbookFile(path, [budget](std::FILE* file) {
      return std::make_unique<ShortSink>(std::make_unique<TFileSink>(file), budget);
    });
    WriteSmallWorkbook(writer);
    try {
      writer.CloseWorkbookFile();
      ADD_FAILURE() << "no error";
    } catch (const TabrinError& e) {
      EXPECT_STREQ(e.what(), "Error writing output file");
    }
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"book.xls"});
    const Bytes kept = ReadFile(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the user's previous workbook");
  }
}

TEST(WriterFile, ShortWriteLeavesNoTargetBehind) {
  test::TempFolder folder;
  const std::string path = (folder / "new.xls").string();
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path, [](std::FILE* file) {
    return std::make_unique<ShortSink>(std::make_unique<TFileSink>(file), 4096);
  });
  WriteSmallWorkbook(writer);
  EXPECT_THROW(writer.CloseWorkbookFile(), TabrinError);
  EXPECT_TRUE(folder.Files().empty());
}

TEST(WriterFile, UnfinishedWorkbookIsDiscarded) {
  test::TempFolder folder;
  const std::string path = (folder / "book.xls").string();
  WriteFile(path, "previous");
  {
    TxlsWorkbookWriter closed;
    closed.CreateWorkbookFile(path);
    closed.BeginWorkbook();
    closed.BeginSheet(test::Head(0, "Sheet1"));
    closed.CloseWorkbookFile();  // an export that stopped half-way
  }
  {
    TxlsWorkbookWriter dropped;
    dropped.CreateWorkbookFile(path);
    dropped.BeginWorkbook();
  }  // destroyed while open
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"book.xls"});
  const Bytes kept = ReadFile(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
}

TEST(WriterFile, FinishedWorkbookReplacesTheTarget) {
  test::TempFolder folder;
  const std::string path = (folder / "book.xls").string();
  WriteFile(path, "previous");
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  WriteSmallWorkbook(writer);
  writer.CloseWorkbookFile();
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"book.xls"});
  const Bytes written = ReadFile(path);
  ASSERT_GE(written.size(), 8u);
  EXPECT_EQ(Bytes(written.begin(), written.begin() + 8), test::B({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));
  // The writer can be opened again for the next export.
  writer.CreateWorkbookFile((folder / "second.xls").string());
  WriteSmallWorkbook(writer);
  writer.CloseWorkbookFile();
  EXPECT_EQ(folder.Files().size(), 2u);
}

TEST(WriterFile, UncreatableFileFailsBeforeAnyRecordNamingIt) {
  test::TempFolder folder;
  const std::string path = (folder / "missing" / "book.xls").string();
  TxlsWorkbookWriter writer;
  try {
    writer.CreateWorkbookFile(path);
    ADD_FAILURE();
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write '" + path + "': No such file or directory");
  }
  EXPECT_FALSE(writer.IsOpen());
}

TEST(WriterFile, AKilledExportLeavesNothingBeside) {
  test::TempFolder folder;
  const std::string path = (folder / "Item.xls").string();
  WriteFile(path, "previous");
  const pid_t child = fork();
  if (child == 0) {
    TxlsWorkbookWriter writer;
    writer.CreateWorkbookFile(path);
    WriteSmallWorkbook(writer);
    _exit(0);  // killed before the workbook is closed
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"Item.xls"});
  const Bytes kept = ReadFile(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
}

TEST(WriterFile, TheNextExportRemovesTemporariesAKilledOneLeft) {
  test::TempFolder folder;
  const std::string path = (folder / "Item.xls").string();
  for (const char* name : {".Item.xls.123456.tmp", ".Item.xls.7.tmp", ".Other.xls.123456.tmp", ".Item.xls.x.tmp",
                           ".Item.xls.55.tmp"}) {
    WriteFile((folder / name).string(), "left over");
  }
  // A temporary that a running export holds stays.
  const int running = ::open((folder / ".Item.xls.55.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(running, LOCK_EX), 0);
  TxlsWorkbookWriter writer;
  writer.CreateWorkbookFile(path);
  WriteSmallWorkbook(writer);
  writer.CloseWorkbookFile();
  ::close(running);
  std::vector<std::string> files = folder.Files();
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::string>{".Item.xls.55.tmp", ".Item.xls.x.tmp", ".Other.xls.123456.tmp", "Item.xls"}));
}

}  // namespace
}  // namespace tabrin
