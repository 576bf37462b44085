#include <gtest/gtest.h>

#include "import/item_number.h"
#include "text/error.h"

namespace tabrin {
namespace {

TEST(ItemNumber, SixDigitsGetZeroAndTheEan8CheckDigit) {
  const struct {
    const char* raw;
    const char* expected;
  } cases[] = {
      {"123456", "12345601"},  // 3*(1+3+5+0) + (2+4+6) = 39
      {"000000", "00000000"},
      {"471000", "47100008"},  // 3*(4+1+0+0) + (7+0+0) = 22
      {"1234567", "1234567"},  // other lengths are used as they are
      {"12345", "12345"},
      {"", ""},
      {"A'1", "A'1"},
  };
  for (const auto& c : cases) EXPECT_EQ(CompleteItemNumber(c.raw), c.expected) << c.raw;
}

TEST(ItemNumber, SixBytesThatAreNotDigitsNameTheFirstOffendingCharacter) {
  const struct {
    const char* raw;
    const char* message;
  } cases[] = {
      {"商品檔", "'商' is not a valid integer value"},  // three Big5 characters are six bytes
      {"12345X", "'X' is not a valid integer value"},
      {"1 3456", "' ' is not a valid integer value"},
      {"-23456", "'-' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    try {
      CompleteItemNumber(c.raw);
      ADD_FAILURE() << c.raw << " was accepted";
    } catch (const TabrinError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace tabrin
