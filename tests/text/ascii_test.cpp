#include "text/ascii.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tabrin
