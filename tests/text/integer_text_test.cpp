#include "text/integer_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace tabrin {
namespace {

constexpr std::nullopt_t no = std::nullopt;

// One row per text: what each form reads.  Database fields and export
// settings read decimal only; INI files also read "$" and "0x" hexadecimal.
TEST(IntegerText, WhatEachFormReads) {
  struct TCase {
    std::string_view text;
    std::optional<std::int64_t> decimal;
    std::optional<std::int64_t> hex32;
  };
  const TCase cases[] = {
      {"42", 42, 42},
      {"+7", 7, 7},
      {"-42", -42, -42},
      {"007", 7, 7},
      {"-0", 0, 0},
      {"", no, no},
      {"+", no, no},
      {"-", no, no},
      {"+-5", no, no},
      {" 5", no, no},  // callers trim what surrounds a value
      {"5 ", no, no},
      {"12abc", no, no},
      {"1.5", no, no},
      {"1e3", no, no},
      {"９", no, no},  // a full-width digit is no digit
      {"$ff", no, 255},
      {"0x10", no, 16},
      {"0X1f", no, 31},
      {"$", no, no},
      {"0x", no, no},
      {"$FFFFFFFF", no, -1},
      {"$80000000", no, -2147483648LL},
      {"$7FFFFFFF", no, 2147483647},
      {"-$FFFFFFFF", no, 1},
      {"$100000000", no, no},
      {"$fg", no, no},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", no, no},
      {"99999999999999999999", no, no},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ParseInteger(c.text, TIntegerForm::ifDecimal), c.decimal) << c.text;
    EXPECT_EQ(ParseInteger(c.text, TIntegerForm::ifDecimalOrHex32), c.hex32) << c.text;
  }
}

TEST(IntegerText, ThirtyTwoBitReadsRefuseWhatDoesNotFit) {
  const std::pair<std::string_view, std::optional<int>> cases[] = {
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int>::min()},
      {"2147483648", no},
      {"-2147483649", no},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseInt32(text), value) << text;
  EXPECT_EQ(ParseInt32("-$80000000", TIntegerForm::ifDecimalOrHex32), no);
  EXPECT_EQ(ParseInt32("$80000000", TIntegerForm::ifDecimalOrHex32), std::numeric_limits<int>::min());
}

}  // namespace
}  // namespace tabrin
