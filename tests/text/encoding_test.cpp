#include "text/encoding.h"

#include <gtest/gtest.h>

namespace tabrin {
namespace {

TEST(Encoding, Big5RoundTripKeepsTraditionalChinese) {
  const std::string big5("\xA4\x70\xA4\xC0\xC3\xFE", 6);  // 小分類
  EXPECT_EQ(Big5ToUtf8(big5), "小分類");
  EXPECT_EQ(Utf8ToBig5("小分類"), big5);
  // Second bytes that look like a backslash stay part of their character.
  const std::string backslashes("\xB3\x5C\xA5\x5C\xBB\x5C", 6);  // 許功蓋
  EXPECT_EQ(Big5ToUtf8(backslashes), "許功蓋");
  EXPECT_EQ(Utf8ToBig5("許功蓋"), backslashes);
}

TEST(Encoding, UnencodableAndMalformedInputDoNotThrow) {
  EXPECT_EQ(Utf8ToBig5("a😀b"), "a?b");
  EXPECT_EQ(Big5ToUtf8(std::string("a\xA4", 2)), "a\xEF\xBF\xBD");  // lone lead byte at the end
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                           // truncated UTF-8
}

TEST(Encoding, Utf16RoundTripWithSurrogatePairs) {
  const std::string text = "國際碼 😀 NT$";
  const std::u16string utf16 = Utf8ToUtf16(text);
  EXPECT_EQ(utf16.size(), 10u);
  EXPECT_EQ(Utf16Length(text), 10u);
  EXPECT_EQ(Utf16ToUtf8(utf16), text);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Encoding, Cp1252) { EXPECT_EQ(Cp1252ToUtf8("caf\xE9 \x80"), "café €"); }

struct CutCase {
  const char* text;
  std::size_t limit;
  const char* big5Cut;
  const char* utf16Cut;
};

TEST(Encoding, CutsKeepWholeCharactersOnly) {
  const CutCase cases[] = {
      {"小分類", 3, "小", "小分類"},
      {"小分類", 6, "小分類", "小分類"},
      {"小分類", 1, "", "小"},
      {"A小B", 2, "A", "A小"},
      {"ABCDEFGHIJ", 8, "ABCDEFGH", "ABCDEFGH"},
      {"😀😀", 3, "😀", "😀"},  // unencodable counts 2 bytes; a pair is never split
      {"", 5, "", ""},
      // Around the shortcut for texts of at most half the limit in bytes.
      {"\xFF\xFF", 3, "\xFF", "\xFF\xFF"},  // a malformed byte counts 2, as U+FFFD
      {"\xFF", 2, "\xFF", "\xFF"},
      {"AB小", 4, "AB小", "AB小"},
      {"AB小", 3, "AB", "AB小"},
      {"ABCD", 4, "ABCD", "ABCD"},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + std::to_string(c.limit));
    EXPECT_EQ(CutToBig5Bytes(c.text, c.limit), c.big5Cut);
    EXPECT_EQ(CutToUtf16Units(c.text, c.limit), c.utf16Cut);
  }
  EXPECT_EQ(Big5Length("小分類"), 6u);
  EXPECT_EQ(Big5Length("A小B😀"), 6u);
}

TEST(Encoding, ValidUtf8) {
  EXPECT_TRUE(IsValidUtf8("小分類 abc"));
  EXPECT_FALSE(IsValidUtf8(std::string("\xA4\x70\xA4\xC0", 4)));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // an encoded surrogate
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
}

// Where a text stops being what it should be: the offset of the first byte
// that cannot be read, past runs of ASCII longer than eight bytes.
TEST(Encoding, TheFirstUnreadableByteIsFound) {
  const struct {
    std::string text;
    std::size_t utf8;  // InvalidUtf8At
    std::size_t big5;  // AppendBig5AsUtf8
    const char* big5Text;
  } cases[] = {
      {"小分類 abc", std::string::npos, 0, ""},
      {"0123456789\xA4\x70\xA4\xC0", 10, std::string::npos, "0123456789小分"},
      {"abcdefghijklmnop\xFFq", 16, 16, "abcdefghijklmnop"},
      {"\xB6\xBC\xB6", 0, 2, "飲"},  // a Big5 character cut off at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(InvalidUtf8At(c.text), c.utf8);
    if (c.utf8 == std::string::npos) continue;
    std::string out;
    EXPECT_EQ(AppendBig5AsUtf8(c.text, out), c.big5);
    EXPECT_EQ(out, c.big5Text);
  }
}

}  // namespace
}  // namespace tabrin
