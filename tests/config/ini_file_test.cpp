#include "config/ini_file.h"

#include <gtest/gtest.h>

#include "config/config_test_util.h"
#include "support/troubled_write.h"
#include "text/error.h"

namespace tabrin {
namespace {

using testing_util::TempFolder;

TEST(IniFile, ReadsTextValuesWithTheReadersRules) {
  TempFolder folder;
  folder.Write("a.ini",
               "; a comment\r\n[Database]\r\nHost =  server1  \r\nLogin=\"sa\"\r\nPassword='p;w'\r\n"
               "Empty=\r\nHalf=\"open\r\n[Other]\r\nHost=other\r\n");
  const TIniFile ini(folder.File("a.ini"));
  EXPECT_EQ(ini.ReadString("Database", "Host", "x"), "server1");
  EXPECT_EQ(ini.ReadString("database", "HOST", "x"), "server1");  // names match without regard to case
  EXPECT_EQ(ini.ReadString("Database", "Login", "x"), "sa");
  EXPECT_EQ(ini.ReadString("Database", "Password", "x"), "p;w");
  EXPECT_EQ(ini.ReadString("Database", "Empty", "x"), "");      // present but empty
  EXPECT_EQ(ini.ReadString("Database", "Half", "x"), "\"open");  // quotes must match
  EXPECT_EQ(ini.ReadString("Database", "Missing", "x"), "x");
  EXPECT_EQ(ini.ReadString("Nowhere", "Host", "x"), "x");
  EXPECT_EQ(ini.ReadString("Other", "Host", "x"), "other");
  EXPECT_EQ(TIniFile(folder.File("none.ini")).ReadString("Database", "Host", "(local)"), "(local)");
}

TEST(IniFile, LongValuesAreCutAt2047Bytes) {
  TempFolder folder;
  folder.Write("a.ini", "[S]\nK=" + std::string(3000, 'a') + "\n");
  EXPECT_EQ(TIniFile(folder.File("a.ini")).ReadString("S", "K", "").size(), 2047u);
}

TEST(IniFile, TypedReads) {
  TempFolder folder;
  folder.Write("a.ini",
               "[S]\nhex=0x10\nHEX=0X1f\ndollar=$ff\nsigned=-42\nplus=+7\nbad=12abc\nword=yes\nempty=\n"
               "zero=0\ntwo=2\nminus=-1\nfloat=0.08\nfbad=abc\nbare0x=0x\n");
  const TIniFile ini(folder.File("a.ini"));
  const std::pair<const char*, int> integers[] = {{"hex", 16},  {"HEX", 16},   {"dollar", 255}, {"signed", -42},
                                                   {"plus", 7}, {"bad", 3},    {"word", 3},     {"empty", 3},
                                                   {"bare0x", 3}, {"missing", 3}};
  for (const auto& [key, value] : integers) EXPECT_EQ(ini.ReadInteger("S", key, 3), value) << key;
  EXPECT_FALSE(ini.ReadBool("S", "zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "two", false));
  EXPECT_TRUE(ini.ReadBool("S", "minus", false));
  EXPECT_TRUE(ini.ReadBool("S", "word", true));
  EXPECT_FALSE(ini.ReadBool("S", "word", false));
  EXPECT_TRUE(ini.ReadBool("S", "missing", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "float", 0.05), 0.08);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "empty", 0.05), 0.05);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "fbad", 0.05), 0.05);
}

TEST(IniFile, Big5AndUtf8FilesReadAlike) {
  TempFolder folder;
  // "[Base Info]\r\nTitle=零售門市\r\n" in Big5, and the same in UTF-8 with and without a BOM.
  folder.Write("big5.ini", std::string("[Base Info]\r\nTitle=\xB9\x73\xB0\xE2\xAA\xF9\xA5\xAB\r\n"));
  folder.Write("utf8.ini", "[Base Info]\nTitle=零售門市\n");
  folder.Write("bom.ini", "\xEF\xBB\xBF[Base Info]\nTitle=零售門市\n");
  for (const char* name : {"big5.ini", "utf8.ini", "bom.ini"}) {
    EXPECT_EQ(TIniFile(folder.File(name)).ReadString("Base Info", "Title", ""), "零售門市") << name;
  }
}

TEST(IniFile, WriteKeepsEncodingLineEndingsAndOtherLines) {
  TempFolder folder;
  const std::string big5Title = "Title=\xB9\x73\xB0\xE2\xAA\xF9\xA5\xAB";  // 零售門市
  folder.Write("big5.ini", "[Base Info]\r\n" + big5Title + "\r\n; keep me\r\n[Setting]\r\nCover=1\r\n");
  TIniFile big5(folder.File("big5.ini"));
  big5.WriteString("setting", "COVER", "0");
  big5.WriteString("Setting", "Note", "許功蓋");
  big5.WriteString("New", "Key", "v");
  EXPECT_EQ(folder.Read("big5.ini"), "[Base Info]\r\n" + big5Title +
                                         "\r\n; keep me\r\n[Setting]\r\nCOVER=0\r\nNote=\xB3\x5C\xA5\x5C\xBB\x5C\r\n"
                                         "\r\n[New]\r\nKey=v\r\n");
  EXPECT_EQ(big5.ReadString("Setting", "Note", ""), "許功蓋");

  folder.Write("utf8.ini", "[Base Info]\nTitle=零售門市\n");
  TIniFile utf8(folder.File("utf8.ini"));
  utf8.WriteString("Base Info", "Person", "王小明");
  EXPECT_EQ(folder.Read("utf8.ini"), "[Base Info]\nTitle=零售門市\nPerson=王小明\n");

  TIniFile fresh(folder.File("SETUP.ini"));
  fresh.WriteString("Setting", "Cover", "1");
  EXPECT_EQ(folder.Read("SETUP.ini"), "[Setting]\r\nCover=1\r\n");
}

TEST(IniFile, WriteChangesTheBytesOfItsLineOnly) {
  TempFolder folder;
  // Big5 user-defined characters (0xFA40, 0x8140) that no conversion to
  // Unicode and back keeps, a lone lead byte, a line without its end and
  // mixed line ends: a write must put every one of those bytes back.
  const std::string before = "[Base Info]\r\nTitle=\xFA\x40\x81\x40\xB9\x73\r\n"
                             "Note=\x81\x40\n[Setting]\r\nCover=1\r\nOdd=\xA4\r\nLast=\xFA\x40";
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  };
  const Case cases[] = {
      {"SETTING", "cover", "0",
       "[Base Info]\r\nTitle=\xFA\x40\x81\x40\xB9\x73\r\nNote=\x81\x40\n[Setting]\r\ncover=0\r\n"
       "Odd=\xA4\r\nLast=\xFA\x40"},
      {"Setting", "Last", "2",
       "[Base Info]\r\nTitle=\xFA\x40\x81\x40\xB9\x73\r\nNote=\x81\x40\n[Setting]\r\nCover=1\r\n"
       "Odd=\xA4\r\nLast=2"},
      {"Setting", "New", "3",
       "[Base Info]\r\nTitle=\xFA\x40\x81\x40\xB9\x73\r\nNote=\x81\x40\n[Setting]\r\nCover=1\r\n"
       "Odd=\xA4\r\nLast=\xFA\x40\r\nNew=3\r\n"},
      {"Base Info", "Person", "\xE8\xA8\xB1",  // 許
       "[Base Info]\r\nTitle=\xFA\x40\x81\x40\xB9\x73\r\nNote=\x81\x40\nPerson=\xB3\x5C\r\n[Setting]\r\n"
       "Cover=1\r\nOdd=\xA4\r\nLast=\xFA\x40"},
  };
  for (const Case& c : cases) {
    folder.Write("SETUP.ini", before);
    TIniFile(folder.File("SETUP.ini")).WriteString(c.section, c.key, c.value);
    EXPECT_EQ(folder.Read("SETUP.ini"), c.after) << c.section << "/" << c.key;
  }
}

TEST(IniFile, FailedWriteRaisesAndLeavesTheOldFileIntact) {
  TempFolder folder;
  // A folder that is really a file: nothing can be created inside it, even by root.
  folder.Write("notafolder", "x");
  TIniFile inside(folder.File("notafolder") + "/SETUP.ini");
  try {
    inside.WriteString("Setting", "Cover", "0");
    FAIL() << "write succeeded";
  } catch (const TabrinError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + folder.File("notafolder") + "/SETUP.ini");
  }

  // The target itself is a folder: the rename fails, and the temporary file is gone.
  std::filesystem::create_directory(folder.File("SETUP.ini"));
  std::filesystem::path marker = std::filesystem::path(folder.File("SETUP.ini")) / "keep";
  folder.Write("SETUP.ini/keep", "old");
  TIniFile blocked(folder.File("SETUP.ini"));
  EXPECT_THROW(blocked.WriteString("Setting", "Cover", "0"), TabrinError);
  EXPECT_EQ(folder.Read("SETUP.ini/keep"), "old");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 2);  // notafolder and SETUP.ini: no temporary file left behind
}

// A full disk, or a settings file the user may not write: the file stays as
// it was and nothing is left beside it.
TEST(IniFile, AWriteThatCannotBeDoneLeavesTheFileAsItWas) {
  for (const test::TTrouble trouble : {test::TTrouble::tFullDisk, test::TTrouble::tReadOnlyTarget}) {
    SCOPED_TRACE(test::TroubleName(trouble));
    TempFolder folder;
    const std::string path = folder.File("SETUP.ini");
    folder.Write("SETUP.ini", "[Setting]\r\nCover=1\r\n");
    const test::TTroubledWrite outcome =
        test::WriteInTrouble(trouble, path, [&] { TIniFile(path).WriteString("Setting", "Cover", "0"); });
    if (!outcome.skipped.empty()) {
      GTEST_SKIP() << outcome.skipped;
    }
    EXPECT_EQ(outcome.said, "Unable to write to " + path);
    EXPECT_EQ(folder.Read("SETUP.ini"), "[Setting]\r\nCover=1\r\n");
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"SETUP.ini"});
  }
}

TEST(IniFile, ReplaceIsAtomic) {
  TempFolder folder;
  folder.Write("a.ini", "[S]\nA=1\n");
  const auto before = std::filesystem::status(folder.File("a.ini")).permissions();
  TIniFile(folder.File("a.ini")).WriteString("S", "B", "2");
  EXPECT_EQ(folder.Read("a.ini"), "[S]\nA=1\nB=2\n");
  EXPECT_EQ(std::filesystem::status(folder.File("a.ini")).permissions(), before);
}

}  // namespace
}  // namespace tabrin
