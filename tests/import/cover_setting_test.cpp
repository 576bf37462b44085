#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "db/db_test_support.h"
#include "import/cover_setting.h"
#include "text/error.h"

namespace tabrin {
namespace {

using test::TTempFolder;

constexpr TCoverMode kOverwrite = TCoverMode::cmOverwrite;
constexpr TCoverMode kKeep = TCoverMode::cmKeep;

TEST(CoverSetting, MissingFileReadsAsOverwrite) {
  TTempFolder folder;
  EXPECT_EQ(ReadCoverSetting(folder.Path()).text, "0");
  EXPECT_EQ(ReadCoverSetting(folder.Path()).mode, kOverwrite);
  EXPECT_EQ(ReadCoverChoice(folder.Path()), kOverwrite);
}

TEST(CoverSetting, ImportsFollowTheStoredTextAndTheDialogItsClampedInteger) {
  const struct {
    const char* file;
    const char* text;
    TCoverMode mode;  // only exactly "0" overwrites
    bool integer;
    std::optional<TCoverMode> choice;  // none: nothing chosen
  } cases[] = {
      {"[Setting]\r\nCover=1\r\n", "1", kKeep, true, kKeep},
      {"[setting]\r\ncover=00\r\n", "00", kKeep, true, kOverwrite},  // names match without regard to case
      {"[Setting]\r\nCover=5\r\n", "5", kKeep, true, kKeep},
      {"[Setting]\r\nCover=-7\r\n", "-7", kKeep, true, std::nullopt},
      {"[Setting]\r\nCover=\r\n", "", kKeep, false, std::nullopt},
      {"[Other]\r\nCover=1\r\n", "0", kOverwrite, true, kOverwrite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TTempFolder folder;
    folder.Write("setup.INI", c.file);
    EXPECT_EQ(ReadCoverSetting(folder.Path()).text, c.text);
    EXPECT_EQ(ReadCoverSetting(folder.Path()).mode, c.mode);
    if (!c.integer) {
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
  WriteCoverChoice(folder.Path(), kKeep);
  EXPECT_EQ(ReadCoverSetting(folder.Path()).text, "1");
  WriteCoverChoice(folder.Path(), std::nullopt);
  EXPECT_EQ(ReadCoverSetting(folder.Path()).text, "-1");

  TTempFolder other;
  other.Write("setup.ini", "[Setting]\r\nCover=1\r\n[Keep]\r\nA=b\r\n");
  WriteCoverChoice(other.Path(), kOverwrite);
  EXPECT_EQ(ReadCoverSetting(other.Path()).text, "0");
  EXPECT_FALSE(std::filesystem::exists(other.File("Setup.ini")));  // the existing file, whatever its spelling
}

TEST(CoverSetting, AFailedWriteNamesTheFile) {
  TTempFolder folder;
  const std::string missing = folder.File("no-such-folder/");
  try {
    WriteCoverChoice(missing, kOverwrite);
    FAIL();
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing + "Setup.ini");
  }
}

}  // namespace
}  // namespace tabrin

namespace tabrin {
namespace {

// The choices beside Cover: off unless the key says "1"; written as "1" and
// "0" in the same section, Cover and every other line left as they are.
TEST(ImportChoices, ReadBesideCoverAndWrittenWithoutTouchingIt) {
  const struct {
    const char* file;
    TImportChoices choices;
  } cases[] = {
      {"", {}},
      {"[Setting]\r\nCover=1\r\nUpdateOnly=1\r\n", {.updateOnly = true}},
      {"[setting]\r\nkeepblanks=1\r\nupdateonly=yes\r\n", {.keepBlanks = true}},
      {"[Other]\r\nUpdateOnly=1\r\nKeepBlanks=1\r\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    test::TTempFolder folder;
    folder.Write("setup.ini", c.file);
    EXPECT_EQ(ReadImportChoices(folder.Path()), c.choices);
  }

  test::TTempFolder folder;
  folder.Write("SETUP.ini", "[Setting]\r\nCover=00\r\n");
  WriteImportChoices(folder.Path(), {.updateOnly = true, .keepBlanks = false});
  EXPECT_EQ(ReadImportChoices(folder.Path()), (TImportChoices{.updateOnly = true}));
  EXPECT_EQ(ReadCoverSetting(folder.Path()).text, "00");
  WriteImportChoices(folder.Path(), {.updateOnly = false, .keepBlanks = true});
  EXPECT_EQ(ReadImportChoices(folder.Path()), (TImportChoices{.keepBlanks = true}));
}

}  // namespace
}  // namespace tabrin
