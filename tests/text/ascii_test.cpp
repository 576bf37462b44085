#include "text/ascii.h"

#include <gtest/gtest.h>

#include <locale>
#include <string_view>
#include <tuple>

namespace tabrin {
namespace {

TEST(AsciiCase, OnlyTheTwentySixLettersFold) {
  // The neighbours of the letter ranges and the bytes of UTF-8 letters that
  // have case in other scripts stay as they are.
  const std::tuple<std::string_view, std::string_view, std::string_view> cases[] = {
      // text, lower, upper
      {"Database.MDB", "database.mdb", "DATABASE.MDB"},
      {"@[`{", "@[`{", "@[`{"},
      {"AZaz", "azaz", "AZAZ"},
      {"0x1F", "0x1f", "0X1F"},
      {"ÉCOLE é", "École é", "ÉCOLE é"},
      {"管理貨號 Sheet1", "管理貨號 sheet1", "管理貨號 SHEET1"},
      {"", "", ""},
  };
  for (const auto& [text, lower, upper] : cases) {
    EXPECT_EQ(LowerAscii(text), lower) << text;
    EXPECT_EQ(UpperAscii(text), upper) << text;
  }
}

TEST(AsciiCase, EqualityAndOrderAgree) {
  struct TCase {
    std::string_view a, b;
    bool equal;
    bool less;  // a before b
  };
  const TCase cases[] = {
      {"sheet1", "SHEET1", true, false},
      {"Sheet1", "sheet1 ", false, true},  // a prefix comes first
      {"é", "É", false, false},            // 0xC3 0xA9 after 0xC3 0x89
      {"É", "é", false, true},
      {"[", "A", false, true},             // letters compare as lower case: '[' (0x5B) before 'a' (0x61)
      {"abc", "ABD", false, true},
      {"B", "a", false, false},
      {"", "", true, false},
      {"貨號", "貨號", true, false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(EqualNoCaseAscii(c.a, c.b), c.equal) << c.a << " | " << c.b;
    EXPECT_EQ(EqualNoCaseAscii(c.b, c.a), c.equal) << c.b << " | " << c.a;
    EXPECT_EQ(LessNoCaseAscii(c.a, c.b), c.less) << c.a << " < " << c.b;
    if (c.equal) {
      EXPECT_FALSE(LessNoCaseAscii(c.b, c.a)) << c.b << " < " << c.a;
    }
  }
}

TEST(AsciiCase, StartsWithFoldsLettersOnly) {
  const std::tuple<std::string_view, std::string_view, bool> cases[] = {
      // text, prefix, starts with
      {"Microsoft.ACE.OLEDB.12.0", "microsoft.ace.oledb", true},
      {"insert into T", "INSERT", true},
      {"PM", "pm", true},
      {"am/pm", "AM/PM", true},
      {"sqloledb", "SQLOLEDB.1", false},  // shorter than the prefix
      {"SELECT", "select ", false},
      {"É", "é", false},  // no case outside ASCII
      {"[a", "{a", false},
      {"", "", true},
      {"x", "", true},
  };
  for (const auto& [text, prefix, starts] : cases) {
    EXPECT_EQ(StartsWithNoCaseAscii(text, prefix), starts) << text << " | " << prefix;
  }
}

// Each set trims exactly its own bytes; "\x01" stands for every other
// control character, "\xC2\xA0" (no-break space) and "\xE3\x80\x80"
// (ideographic space) for white space outside ASCII, which no set takes.
TEST(AsciiSpace, EachSetTrimsItsOwnBytesAtBothEnds) {
  struct TCase {
    std::string_view text;
    std::string_view spaceTab, spaceTabCr, spaceTabCrLf, cLocale, controlOrSpace;
  };
  using namespace std::string_view_literals;
  const TCase cases[] = {
      {" \tA b\t ", "A b", "A b", "A b", "A b", "A b"},
      {"\r\nA\r\n", "\r\nA\r\n", "\nA\r\n", "A", "A", "A"},
      {"\rA\r", "\rA\r", "A", "A", "A", "A"},
      {"\v\fA\f\v", "\v\fA\f\v", "\v\fA\f\v", "\v\fA\f\v", "A", "A"},
      {"\x01" "A\x1F", "\x01" "A\x1F", "\x01" "A\x1F", "\x01" "A\x1F", "\x01" "A\x1F", "A"},
      {"\0A\0"sv, "\0A\0"sv, "\0A\0"sv, "\0A\0"sv, "\0A\0"sv, "A"},
      {"\x7F" "A\x7F", "\x7F" "A\x7F", "\x7F" "A\x7F", "\x7F" "A\x7F", "\x7F" "A\x7F", "\x7F" "A\x7F"},
      {"\xC2\xA0" "A\xC2\xA0", "\xC2\xA0" "A\xC2\xA0", "\xC2\xA0" "A\xC2\xA0", "\xC2\xA0" "A\xC2\xA0",
       "\xC2\xA0" "A\xC2\xA0", "\xC2\xA0" "A\xC2\xA0"},
      {" \xE3\x80\x80管理貨號 ", "\xE3\x80\x80管理貨號", "\xE3\x80\x80管理貨號", "\xE3\x80\x80管理貨號",
       "\xE3\x80\x80管理貨號", "\xE3\x80\x80管理貨號"},
      {"\xA4\x40 ", "\xA4\x40", "\xA4\x40", "\xA4\x40", "\xA4\x40", "\xA4\x40"},  // Big5 "一" ends in 0x40
      {" \t\r\n", "\r\n", "\n", "", "", ""},
      {"", "", "", "", "", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(TrimAscii(c.text, kSpaceTab), c.spaceTab) << c.text;
    EXPECT_EQ(TrimAscii(c.text, kSpaceTabCr), c.spaceTabCr) << c.text;
    EXPECT_EQ(TrimAscii(c.text, kSpaceTabCrLf), c.spaceTabCrLf) << c.text;
    EXPECT_EQ(TrimAscii(c.text, kCLocaleSpace), c.cLocale) << c.text;
    EXPECT_EQ(TrimAscii(c.text, kControlOrSpace), c.controlOrSpace) << c.text;
  }
}

TEST(AsciiSpace, OneEndAtATime) {
  EXPECT_EQ(TrimAsciiLeft(" \tA \t", kSpaceTab), "A \t");
  EXPECT_EQ(TrimAsciiRight(" \tA \t", kSpaceTab), " \tA");
  EXPECT_EQ(TrimAsciiRight(TrimAsciiLeft("\r A \r", kSpaceTab), kSpaceTabCr), "\r A");
}

// The C locale's std::isspace and the named set agree on every byte, so a
// reader that trims with the set reads as the "C" locale does, whatever
// locale the process runs in.
TEST(AsciiSpace, CLocaleSpaceIsTheClassicIsspace) {
  const std::locale& classic = std::locale::classic();
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    EXPECT_EQ(kCLocaleSpace.Contains(c), std::isspace(c, classic)) << byte;
    EXPECT_EQ(kControlOrSpace.Contains(c), byte <= ' ') << byte;
  }
}

}  // namespace
}  // namespace tabrin
