// Damaged workbooks: bytes flipped or cut at every offset of valid fixtures
// must give a clean error or a valid read, never a crash, a hang or another
// kind of exception.  Run under AddressSanitizer in the sanitizer pass.
#include <gtest/gtest.h>

#include "text/encoding.h"
#include "text/error.h"
#include "xls/reader_test_support.h"

namespace tabrin {
namespace {

// Reads everything a caller could ask for; returns false for a clean error.
bool ReadAll(std::string_view bytes) {
  try {
    const TWorkbookReader book(bytes, "damaged.xls");
    for (const std::string& name : book.SheetNames()) {
      const TWorksheet sheet = book.ReadSheet(name);
      for (int row = sheet.FirstRow(); row <= sheet.LastRow(); ++row) {
        for (const TSheetCell& cell : sheet.RowCells(row)) (void)sheet.Text(cell);
      }
    }
    return true;
  } catch (const TabrinError& e) {
    // A clean error says which file it is about, in one readable message.
    const std::string_view message = e.what();
    EXPECT_NE(message.find("'damaged.xls'"), std::string_view::npos) << message;
    EXPECT_TRUE(IsValidUtf8(message)) << message;
    return false;
  }
}

class CorruptionTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CorruptionTest, FlippedBytesNeverCrash) {
  const std::string original = test::ReadFixture(GetParam());
  ASSERT_TRUE(ReadAll(original));
  std::string bytes = original;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (const unsigned char mask : {0xFF, 0x01, 0x80}) {
      bytes[at] = static_cast<char>(original[at] ^ mask);
      EXPECT_NO_THROW(ReadAll(bytes)) << "byte " << at << " mask " << int{mask};
    }
    bytes[at] = original[at];
  }
}

TEST_P(CorruptionTest, CutFilesNeverCrash) {
  const std::string original = test::ReadFixture(GetParam());
  int damaged = 0;
  for (std::size_t length = 0; length < original.size(); length += 7) {
    bool read = true;
    EXPECT_NO_THROW(read = ReadAll(std::string_view(original).substr(0, length))) << "length " << length;
    if (!read) ++damaged;
  }
  EXPECT_GT(damaged, 0);
}

TEST_P(CorruptionTest, LargeValuesInEveryWordNeverCrash) {
  // Lengths, counts and sector numbers turned into huge values.
  const std::string original = test::ReadFixture(GetParam());
  std::string bytes = original;
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 2) {
    for (const char fill : {'\xFF', '\x7F'}) {
      for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = i == 3 ? fill : '\xFF';
      EXPECT_NO_THROW(ReadAll(bytes)) << "word at " << at;
      bytes.replace(at, 4, original, at, 4);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CorruptionTest,
                         ::testing::Values("item_basic.xls", "item_mini_stream.xls", "item_v4.xls", "biff5_big5.xls",
                                           "date1904.xls", "lo_items.xls", "gnumeric_items.xls", "gnumeric_biff7.xls"));

}  // namespace
}  // namespace tabrin
