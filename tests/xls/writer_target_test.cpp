// What becomes of the file a workbook replaces when the writing meets
// trouble, for both writers: the previous file stays whole, nothing is left
// beside it, and the user reads the writer's own message.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>

#include "support/troubled_write.h"
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
  enum TTrouble { tFullDisk, tReadOnly };
  const struct {
    const TWriterKind& writer;
    TTrouble trouble;
    const char* message;  // %s: the target
  } cases[] = {
      {kXls, tFullDisk, "Error writing output file"},
      {kXls, tReadOnly, "Cannot write '%s': Permission denied"},
      {kXlsx, tFullDisk, "Error writing output file"},
      {kXlsx, tReadOnly, "Cannot create file '%s'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.writer.name) + (c.trouble == tFullDisk ? ", full disk" : ", read-only target"));
    test::TempFolder folder;
    const std::string path = (folder / ("book" + std::string(c.writer.extension))).string();
    WriteText(path, "the user's previous workbook");
    const auto work = [&] { ExportWorkbook(*c.writer.make(), path); };
    const test::TTroubledWrite outcome =
        c.trouble == tFullDisk ? test::WriteOnAFullDisk(work) : test::WriteOverAReadOnlyTarget(path, work);
    if (!outcome.skipped.empty()) {
      GTEST_SKIP() << outcome.skipped;
    }
    std::string expected = c.message;
    if (const std::size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(outcome.said, expected);
    EXPECT_EQ(ReadText(path), "the user's previous workbook");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{std::filesystem::path(path).filename().string()});
  }
}

// The export is killed while it writes rows.
TEST(WriterTarget, AKilledExportLeavesThePreviousWorkbookAndNothingBeside) {
  for (const TWriterKind& kind : {kXls, kXlsx}) {
    SCOPED_TRACE(kind.name);
    test::TempFolder folder;
    const std::string path = (folder / ("book" + std::string(kind.extension))).string();
    WriteText(path, "previous");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      const std::unique_ptr<TWorkbookOutput> writer = kind.make();
      writer->CreateWorkbookFile(path);
      writer->BeginWorkbook();
      writer->BeginSheet(test::Head(0, "Sheet1"));
      WriteRows(*writer, 3000);
      (void)!::write(ready[1], "w", 1);
      for (;;) ::pause();
    }
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(ReadText(path), "previous");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{std::filesystem::path(path).filename().string()});
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
