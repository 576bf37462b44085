// Replacing a file: the target is the old file or the complete new one,
// whatever happens to the writer, with either kind of temporary file.
#include "config/file_replacement.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "config/config_test_util.h"
#include "support/troubled_write.h"
#include "text/error.h"

namespace tabrin {
namespace {

using testing_util::TempFolder;

const TReplacementMessages kMessages{
    [](int error) { return std::string("create: ") + std::strerror(error); },
    [](int error) { return std::string("write: ") + std::strerror(error); },
    [](int error) { return std::string("replace: ") + std::strerror(error); },
};

struct TKind {
  const char* name;
  TTemporaryKind kind;
};
const TKind kKinds[] = {{"unnamed", TTemporaryKind::tkUnnamed}, {"named", TTemporaryKind::tkNamed}};

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// The umask, read without setting it.
mode_t Umask() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoi(line.substr(6), nullptr, 8));
  }
  return 022;
}

void Replace(const std::string& target, TTemporaryKind kind, const std::string& content) {
  TFileReplacement file(target, kMessages, kind);
  file.Write(content);
  file.Commit();
}

TEST(FileReplacement, TheNewFileKeepsThePermissionBitsOfTheOneItReplaces) {
  const struct {
    const char* name;
    mode_t before;  // 0: no file before
    mode_t after;
  } cases[] = {
      {"owner only", 0600, 0600},
      {"group reads", 0640, 0640},
      {"odd bits", 0751, 0751},
      {"new file", 0, 0666 & ~Umask()},
  };
  for (const TKind& kind : kKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + ", " + c.name);
      TempFolder folder;
      const std::string path = folder.File("book.xls");
      if (c.before != 0) {
        folder.Write("book.xls", "previous");
        ::chmod(path.c_str(), c.before);
      }
      Replace(path, kind.kind, "new content");
      EXPECT_EQ(folder.Read("book.xls"), "new content");
      EXPECT_EQ(ModeOf(path), c.after) << std::oct << ModeOf(path);
      EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"book.xls"});
    }
  }
}

// A full disk or a target the user may not write: the target stays as it
// was, nothing is left beside it, and the writer's message says what failed.
TEST(FileReplacement, TroubleKeepsTheOldFileAndLeavesNoTemporary) {
  const struct {
    test::TTrouble trouble;
    bool existing;
    const char* message;
  } cases[] = {
      {test::TTrouble::tFullDisk, true, "write: File too large"},
      {test::TTrouble::tFullDisk, false, "write: File too large"},
      {test::TTrouble::tReadOnlyTarget, true, "create: Permission denied"},
  };
  for (const TKind& kind : kKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + ", " + test::TroubleName(c.trouble) + (c.existing ? ", replacing" : ""));
      TempFolder folder;
      const std::string path = folder.File("book.xls");
      if (c.existing) folder.Write("book.xls", "previous");
      const test::TTroubledWrite outcome =
          test::WriteInTrouble(c.trouble, path, [&] { Replace(path, kind.kind, std::string(65536, 'x')); });
      if (!outcome.skipped.empty()) {
        GTEST_SKIP() << outcome.skipped;
      }
      EXPECT_EQ(outcome.said, c.message);
      EXPECT_EQ(test::FilesIn(folder.Path()), c.existing ? std::vector<std::string>{"book.xls"} : std::vector<std::string>{});
      if (c.existing) {
        EXPECT_EQ(folder.Read("book.xls"), "previous");
      }
    }
  }
}

// The writer is killed in the middle of writing: an unnamed temporary goes
// with it; a named one stays until the next replacement of the target.
TEST(FileReplacement, AKilledWriterLeavesTheTargetAndNoTemporary) {
  for (const TKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    TempFolder folder;
    const std::string path = folder.File("book.xls");
    folder.Write("book.xls", "previous");
    ASSERT_TRUE(test::KilledMidWay([&](const std::function<void()>& killHere) {
      TFileReplacement file(path, kMessages, kind.kind);
      file.Write(std::string(1 << 20, 'x'));
      killHere();
    }));
    EXPECT_EQ(folder.Read("book.xls"), "previous");
    if (kind.kind == TTemporaryKind::tkNamed) {
      EXPECT_EQ(test::FilesIn(folder.Path()).size(), 2u);
      TFileReplacement next(path, kMessages, kind.kind);
    }
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"book.xls"});
  }
}

}  // namespace
}  // namespace tabrin
