// What becomes of the file a workbook replaces when the writing meets
// trouble, for both writers: the previous file stays whole, nothing is left
// beside it, and the user reads the writer's own message.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <memory>

#include "support/troubled_write.h"
#include "text/format.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/ooxml/xlsx_writer.h"
#include "xls/writer_test_util.h"

namespace tabrin {
namespace {

struct TWriterKind {
  const char* name;
  const char* extension;
  std::function<std::unique_ptr<TWorkbookOutput>()> make;
};

const TWriterKind kXls{"xls", ".xls", [] { return std::unique_ptr<TWorkbookOutput>(new TxlsWorkbookWriter); }};
const TWriterKind kXlsx{"xlsx", ".xlsx", [] { return std::unique_ptr<TWorkbookOutput>(new TxlsxWorkbookWriter); }};

// The first bytes of the file: enough to tell the previous file from a workbook.
std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {}).substr(0, 64);
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void WriteRows(TWorkbookOutput& writer, int rows) {
  for (int r = 0; r < rows; ++r) writer.WriteLabelSst(r, 0, "列 " + std::to_string(r) + " of the workbook", 15);
}

void ExportWorkbook(TWorkbookOutput& writer, const std::string& path) {
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.BeginSheet(test::Head(0, "Sheet1"));
  WriteRows(writer, 3000);
  writer.EndSheet({});
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

TEST(WriterTarget, TroubleKeepsThePreviousWorkbookAndSaysWhat) {
  const struct {
    const TWriterKind& writer;
    test::TTrouble trouble;
    const char* message;  // %s: the target
  } cases[] = {
      {kXls, test::TTrouble::tFullDisk, "Error writing output file"},
      {kXls, test::TTrouble::tReadOnlyTarget, "Cannot write '%s': Permission denied"},
      {kXlsx, test::TTrouble::tFullDisk, "Error writing output file"},
      {kXlsx, test::TTrouble::tReadOnlyTarget, "Cannot create file '%s'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.writer.name) + ", " + test::TroubleName(c.trouble));
    test::TempFolder folder;
    const std::string name = "book" + std::string(c.writer.extension);
    const std::string path = (folder / name).string();
    WriteText(path, "the user's previous workbook");
    const test::TTroubledWrite outcome =
        test::WriteInTrouble(c.trouble, path, [&] { ExportWorkbook(*c.writer.make(), path); });
    if (!outcome.skipped.empty()) {
      GTEST_SKIP() << outcome.skipped;
    }
    EXPECT_EQ(outcome.said, FormatMessage(c.message, {path}));
    EXPECT_EQ(ReadText(path), "the user's previous workbook");
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{name});
  }
}

TEST(WriterTarget, AnExportKilledWhileItWritesRowsLeavesThePreviousWorkbookAndNothingBeside) {
  for (const TWriterKind& kind : {kXls, kXlsx}) {
    SCOPED_TRACE(kind.name);
    test::TempFolder folder;
    const std::string name = "book" + std::string(kind.extension);
    const std::string path = (folder / name).string();
    WriteText(path, "previous");
    ASSERT_TRUE(test::KilledMidWay([&](const std::function<void()>& killHere) {
      const std::unique_ptr<TWorkbookOutput> writer = kind.make();
      writer->CreateWorkbookFile(path);
      writer->BeginWorkbook();
      writer->BeginSheet(test::Head(0, "Sheet1"));
      WriteRows(*writer, 3000);
      killHere();
    }));
    EXPECT_EQ(ReadText(path), "previous");
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{name});
  }
}

TEST(WriterTarget, AReplacedWorkbookKeepsItsPermissionBits) {
  for (const TWriterKind& kind : {kXls, kXlsx}) {
    for (const mode_t mode : {mode_t{0600}, mode_t{0640}}) {
      SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(mode));
      test::TempFolder folder;
      const std::string path = (folder / ("book" + std::string(kind.extension))).string();
      WriteText(path, "previous");
      ::chmod(path.c_str(), mode);
      ExportWorkbook(*kind.make(), path);
      struct stat status {};
      ASSERT_EQ(::stat(path.c_str(), &status), 0);
      EXPECT_EQ(status.st_mode & 07777, mode);
      EXPECT_NE(ReadText(path), "previous");
    }
  }
}

}  // namespace
}  // namespace tabrin
