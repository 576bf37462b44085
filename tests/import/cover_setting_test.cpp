#include <gtest/gtest.h>

#include <filesystem>

#include "db/db_test_support.h"
#include "import/cover_setting.h"
#include "text/error.h"

namespace tabrin {
namespace {

using test::TTempFolder;

TEST(CoverSetting, MissingFileReadsAsOverwrite) {
  TTempFolder folder;
  EXPECT_EQ(ReadCoverFlag(folder.Path()), "0");
  EXPECT_EQ(ReadCoverChoice(folder.Path()), 0);
}

TEST(CoverSetting, TheFlagIsTheStoredTextAndTheChoiceItsClampedInteger) {
  const struct {
    const char* file;
    const char* flag;
    int choice;
  } cases[] = {
      {"[Setting]\r\nCover=1\r\n", "1", 1},
      {"[setting]\r\ncover=00\r\n", "00", 0},   // names match without regard to case
      {"[Setting]\r\nCover=5\r\n", "5", 1},
      {"[Setting]\r\nCover=-7\r\n", "-7", -1},
      {"[Setting]\r\nCover=\r\n", "", -2},      // -2: not an integer
      {"[Other]\r\nCover=1\r\n", "0", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TTempFolder folder;
    folder.Write("setup.INI", c.file);
    EXPECT_EQ(ReadCoverFlag(folder.Path()), c.flag);
    if (c.choice == -2) {
      EXPECT_THROW(ReadCoverChoice(folder.Path()), TabrinError);
    } else {
      EXPECT_EQ(ReadCoverChoice(folder.Path()), c.choice);
    }
  }
}

TEST(CoverSetting, NotAnIntegerIsReportedWithTheText) {
  TTempFolder folder;
  folder.Write("SETUP.ini", "[Setting]\nCover=yes\n");
  try {
    ReadCoverChoice(folder.Path());
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_STREQ(e.what(), "'yes' is not a valid integer value");
  }
}

TEST(CoverSetting, WritingCreatesTheFileAndReplacesTheValueInTheExistingOne) {
  TTempFolder folder;
  WriteCoverChoice(folder.Path(), 1);
  EXPECT_EQ(ReadCoverFlag(folder.Path()), "1");
  WriteCoverChoice(folder.Path(), -1);
  EXPECT_EQ(ReadCoverFlag(folder.Path()), "-1");

  TTempFolder other;
  other.Write("setup.ini", "[Setting]\r\nCover=1\r\n[Keep]\r\nA=b\r\n");
  WriteCoverChoice(other.Path(), 0);
  EXPECT_EQ(ReadCoverFlag(other.Path()), "0");
  EXPECT_FALSE(std::filesystem::exists(other.File("Setup.ini")));  // the existing file, whatever its spelling
}

TEST(CoverSetting, AFailedWriteNamesTheFile) {
  TTempFolder folder;
  const std::string missing = folder.File("no-such-folder/");
  try {
    WriteCoverChoice(missing, 0);
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing + "Setup.ini");
  }
}

}  // namespace
}  // namespace tabrin
