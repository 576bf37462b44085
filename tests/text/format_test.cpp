#include "text/format.h"

#include <gtest/gtest.h>

#include "text/error.h"
#include "text/regional.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace tabrin {
namespace {

TEST(FormatGeneral, FifteenSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},
      {12345, "12345"},
      {1.5, "1.5"},
      {-1.5, "-1.5"},
      {4710088123456, "4710088123456"},
      {32768, "32768"},
      {2147483648.0, "2147483648"},
      {0.1 + 0.2, "0.3"},
      {123456789012345, "123456789012345"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {1234567890123456, "1.23456789012346E15"},
      {0.00001, "0.00001"},
      {0.000015, "0.000015"},
      {0.0000015, "1.5E-6"},
      {-32768.5, "-32768.5"},
      {1.0 / 3, "0.333333333333333"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatGeneral(value), text) << value;
  EXPECT_EQ(FormatGeneral(1.5, ','), "1,5");
}

std::optional<std::string> FewDecimals(double value, char decimalSeparator) {
  char text[detail::kFewDecimalsRoom];
  const std::size_t length = detail::FewDecimals(value, decimalSeparator, text);
  if (length == 0) return std::nullopt;
  return std::string(text, length);
}

// Values with a few decimals are written from their digits; where that
// shortcut answers, its text is the one 15 significant digits give (printf's
// "%.15g" writes the same form in that range), also for values one step off
// such a number and for products that land near one.
TEST(FormatGeneral, FewDecimalsGiveTheSameTextAsFifteenDigits) {
  for (const double price : {10.5, 0.25, 123.4567, -0.0001, 99999999999.5, 11.25, 0.3}) {
    EXPECT_TRUE(FewDecimals(price, '.').has_value()) << price;
  }
  std::mt19937_64 random(7);
  const std::uint64_t limits[] = {100, 100000, 100000000, 1000000000000000};
  int answered = 0;
  for (int i = 0; i < 200000; ++i) {
    const int decimals = 1 + i % 4;
    const std::uint64_t digits = 1 + random() % limits[i / 4 % 4];
    const double exact = (i % 3 == 0 ? -1.0 : 1.0) * static_cast<double>(digits) / std::pow(10.0, decimals);
    for (const double value : {exact, std::nextafter(exact, HUGE_VAL), std::nextafter(exact, -HUGE_VAL),
                               exact * (1 + static_cast<double>(i % 7) / 100)}) {
      const std::optional<std::string> text = FewDecimals(value, '.');
      if (!text) continue;
      ++answered;
      char expected[64];
      std::snprintf(expected, sizeof expected, "%.15g", value);
      ASSERT_EQ(*text, expected) << std::bit_cast<std::uint64_t>(value);
      ASSERT_EQ(FormatGeneral(value), expected);
    }
  }
  EXPECT_GT(answered, 200000);  // the shortcut is taken, not only declined
  EXPECT_EQ(FewDecimals(2.5, ','), "2,5");
}

// The value of a general text is what reading that text gives, for the
// cases above, prices as computed, extremes and a spread of random doubles.
TEST(FormatGeneral, GeneralValueIsWhatTheTextReadsBackAs) {
  std::vector<double> values = {0.0, -0.0, 12345, 1.5, -1.5, 0.1 + 0.2, 999999999999999, 1e15, 1234567890123456,
                                0.0000015, 1.0 / 3, 10.75 * 0.98, 10.75 * 1.3, -1e-300, 5e-324,
                                1.7976931348623157e308, 9.99999999999999999e14, 4503599627370497.0};
  std::mt19937_64 random(42);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    values.push_back(value);
    values.push_back(static_cast<double>(random() % 100000) / 8 * (1 + static_cast<double>(i % 7) / 100));
  }
  const TRegionalFormats& regional = TRegionalFormats::System();
  for (const double value : values) {
    const std::optional<double> read = regional.ParseFloat(FormatGeneral(value));
    const std::optional<double> general = GeneralValue(value);
    ASSERT_EQ(general.has_value(), read.has_value()) << value;
    if (read) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(*general), std::bit_cast<std::uint64_t>(*read)) << value;
    }
  }
  EXPECT_FALSE(GeneralValue(std::nan("")));
  EXPECT_FALSE(GeneralValue(-HUGE_VAL));
}

TEST(FormatMessage, PercentGMeansTheGeneralForm) {
  EXPECT_EQ(FormatMessage("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                          {32768.0, "安全庫存", -32768.0, 32767.0}),
            "32768 is not a valid value for field '安全庫存'. The allowed range is -32768 to 32767");
  EXPECT_EQ(FormatMessage("%g to %g", {-2147483648.0, 2147483648.0}), "-2147483648 to 2147483648");
  EXPECT_EQ(FormatMessage("%s: %s", {"OrvellaItemQuery", "Field 'HealthTax' not found"}),
            "OrvellaItemQuery: Field 'HealthTax' not found");
  EXPECT_EQ(FormatMessage("row %d, 100%%", {37}), "row 37, 100%");
}

// A translation may put the arguments in another order, as printf's
// "%2$s" does.
TEST(FormatMessage, NumberedConversionsTakeTheirArgument) {
  EXPECT_EQ(FormatMessage("無法以 %2$s 型別存取欄位「%1$s」", {"售價", "Boolean"}), "無法以 Boolean 型別存取欄位「售價」");
  EXPECT_EQ(FormatMessage("%2$d/%1$d, %s", {3, 4}), "4/3, 3");
  EXPECT_EQ(FormatMessage("%3$s", {"a"}), "%3$s");
}

TEST(ErrorBoxText, AppendsAFullStopOnlyWhenMissing) {
  EXPECT_EQ(ErrorBoxText("Field 'X' not found"), "Field 'X' not found.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText(""), ".");
}

}  // namespace
}  // namespace tabrin
