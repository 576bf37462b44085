// tabrin-cli settings: shows and stores the import setting of SETUP.ini.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_home_test.h"

namespace tabrin::cli {
namespace {

class CliSettings : public CliHomeTest {};

TEST_F(CliSettings, ShowsTheStoredValueAndWhetherItOverwrites) {
  const struct {
    const char* file;  // nullptr: no SETUP.ini
    const char* shown;
  } cases[] = {
      {nullptr, "Cover=0 (重複資料是否覆蓋：是)\n"},
      {"[Setting]\nCover=1\n", "Cover=1 (重複資料是否覆蓋：否)\n"},
      {"[setting]\ncover=00\n", "Cover=00 (重複資料是否覆蓋：否)\n"},  // only exactly "0" overwrites
      {"[Setting]\nCover=-1\n", "Cover=-1 (重複資料是否覆蓋：否)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    std::filesystem::remove(home_ + "/setup.ini");
    if (c.file) std::ofstream(home_ + "/setup.ini") << c.file;
    ASSERT_EQ(Run({"settings"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), c.shown);
  }
}

TEST_F(CliSettings, CoverOptionWritesTheChoiceIntoTheExistingFile) {
  ASSERT_EQ(Run({"settings", "--cover", "1"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "Cover=1 (重複資料是否覆蓋：否)\n");
  EXPECT_TRUE(std::filesystem::exists(home_ + "/Setup.ini"));
  ASSERT_EQ(Run({"settings", "--cover", "0"}), 0) << err_.str();
  ASSERT_EQ(Run({"settings"}), 0);
  EXPECT_EQ(out_.str(), "Cover=0 (重複資料是否覆蓋：是)\n");
}

TEST_F(CliSettings, OnlyZeroOrOneCanBeChosen) {
  EXPECT_NE(Run({"settings", "--cover", "2"}), 0);
  EXPECT_FALSE(std::filesystem::exists(home_ + "/Setup.ini"));
}

TEST_F(CliSettings, AFailedWriteIsReportedAndChangesNothing) {
  // A folder where the settings file should be: the replace fails even for
  // root, who may write into read-only folders.
  std::filesystem::create_directory(home_ + "/Setup.ini");
  EXPECT_EQ(Run({"settings", "--cover", "1"}), 1);
  EXPECT_EQ(err_.str(), "Unable to write to " + home_ + "/Setup.ini.\n");
  EXPECT_TRUE(std::filesystem::is_directory(home_ + "/Setup.ini"));
}

TEST_F(CliSettings, AProgramFolderThatDoesNotExistIsAnErrorNotTheDefaults) {
  for (const std::vector<std::string>& command : {std::vector<std::string>{"settings"},
                                                  std::vector<std::string>{"settings", "--cover", "0"}}) {
    std::vector<std::string> args{"--home", home_ + "/missing"};
    args.insert(args.end(), command.begin(), command.end());
    out_.str("");
    err_.str("");
    EXPECT_EQ(RunCli(args, {out_, err_}), 1);
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(err_.str(), "The program folder '" + home_ + "/missing' does not exist.\n");
  }
  EXPECT_FALSE(std::filesystem::exists(home_ + "/missing"));
}

}  // namespace
}  // namespace tabrin::cli
