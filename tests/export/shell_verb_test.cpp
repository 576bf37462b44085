// The default shell verbs start the viewer as a program of its own, in a
// session of its own, with the file name as one argument.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "export/ferran3.h"

namespace tabrin::testing {
namespace {

class ShellVerbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("tabrin-shell-verb-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const char* path = std::getenv("PATH");
    oldPath_ = path != nullptr ? path : "";
    setenv("PATH", (folder_.string() + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // A stand-in viewer on PATH: writes its arguments, one a line, and then
  // "leader" when it leads a session of its own.
  void FakeViewer(const std::string& name) {
    const std::filesystem::path script = folder_ / name;
    std::ofstream(script) << "#!/bin/sh\n"
                          << "out=" << (folder_ / "ran").string() << "\n"
                          << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                          << "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = \"$$\" ] && echo leader >> \"$out.tmp\"\n"
                          << "mv \"$out.tmp\" \"$out\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  }

  // What the viewer wrote, once it has run (empty after ten seconds).
  std::string WaitForViewer() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream in(folder_ / "ran");
      if (in) {
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
  }

  std::filesystem::path folder_;
  std::string oldPath_;
};

TEST_F(ShellVerbTest, OpenAndPrintStartTheirProgramInASessionOfItsOwn) {
  const struct {
    const char* verb;
    const char* program;
    const char* ran;
  } cases[] = {
      {"open", "xdg-open", "/tmp/a b;c'd.xls\nleader\n"},
      {"print", "lp", "--\n/tmp/a b;c'd.xls\nleader\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verb);
    std::filesystem::remove(folder_ / "ran");
    FakeViewer(c.program);
    RunShellVerb(c.verb, "/tmp/a b;c'd.xls");
    EXPECT_EQ(WaitForViewer(), c.ran);
  }
}

TEST_F(ShellVerbTest, AMissingProgramOrAnUnknownVerbIsIgnored) {
  setenv("PATH", folder_.string().c_str(), 1);  // no xdg-open anywhere
  RunShellVerb("open", "/tmp/x.xls");
  RunShellVerb("edit", "/tmp/x.xls");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "ran"));
}

}  // namespace
}  // namespace tabrin::testing
