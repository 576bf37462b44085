#include "config/site_config.h"

#include <gtest/gtest.h>

#include "config/config_test_util.h"
#include "config/program_folder.h"

namespace tabrin {
namespace {

using testing_util::TempFolder;

TEST(SiteConfig, MissingFileGivesEveryDefault) {
  TempFolder folder;
  const TConfig config(folder.File("Config.ini"));
  EXPECT_EQ(config.Title, site_defaults::kTitle);
  EXPECT_DOUBLE_EQ(config.Tax, 0.05);
  EXPECT_EQ(config.Cnt, 250);
  EXPECT_EQ(config.CustDetailDay, 180);
  EXPECT_EQ(config.OffsetY, 30);
  EXPECT_TRUE(config.Discount);
  EXPECT_EQ(config.PayType, "現金");
  EXPECT_EQ(config.Path, ProgramFolder());
  EXPECT_EQ(config.Path.back(), '/');
}

TEST(SiteConfig, ValuesFromTheFile) {
  TempFolder folder;
  folder.Write("Config.ini",
               "[BASE INFO]\r\nTitle=\r\n[setting]\r\nTax=0.08\r\nSheet=0x10\r\nDiscount=0\r\nCustDetailDay=12abc\r\n"
               "[Barcode]\r\nOffsetY=abc\r\n[INV]\r\nNum=00000123\r\n");
  const TConfig config(folder.File("Config.ini"));
  EXPECT_EQ(config.Title, "");  // present, even empty, replaces the default
  EXPECT_DOUBLE_EQ(config.Tax, 0.08);
  EXPECT_EQ(config.Sheet, 16);
  EXPECT_FALSE(config.Discount);
  EXPECT_EQ(config.CustDetailDay, 180);
  EXPECT_EQ(config.OffsetY, 30);
  EXPECT_EQ(config.Num, "00000123");

  folder.Write("Config.ini", "[Setting]\nTax=abc\nSheet=12abc\n");
  const TConfig bad(folder.File("Config.ini"));
  EXPECT_DOUBLE_EQ(bad.Tax, 0.05);
  EXPECT_EQ(bad.Sheet, 3);
}

TEST(ProgramFolder, FilesMatchWithoutRegardToCase) {
  TempFolder folder;
  EXPECT_EQ(FindFileNoCase(folder.Path(), "SETUP.ini"), folder.File("SETUP.ini"));  // new: caller's spelling
  folder.Write("Setup.INI", "[Setting]\nCover=1\n");
  for (const char* name : {"setup.ini", "SETUP.ini", "Setup.ini"}) {
    EXPECT_EQ(FindFileNoCase(folder.Path(), name), folder.File("Setup.INI")) << name;
  }
  SetProgramFolder(folder.Path());
  EXPECT_EQ(ProgramFolder(), folder.Path() + "/");
  EXPECT_EQ(ProgramFile("setup.ini"), folder.File("Setup.INI"));
  setenv("TABRIN_HOME", "/tmp", 1);
  InitProgramFolder("");
  EXPECT_EQ(ProgramFolder(), "/tmp/");
  InitProgramFolder(folder.Path());  // --home wins over the environment
  EXPECT_EQ(ProgramFolder(), folder.Path() + "/");
  unsetenv("TABRIN_HOME");
}

}  // namespace
}  // namespace tabrin
