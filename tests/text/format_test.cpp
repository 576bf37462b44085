#include "text/format.h"

#include <gtest/gtest.h>

#include "text/error.h"

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

TEST(FormatMessage, PercentGMeansTheGeneralForm) {
  EXPECT_EQ(FormatMessage("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                          {32768.0, "安全庫存", -32768.0, 32767.0}),
            "32768 is not a valid value for field '安全庫存'. The allowed range is -32768 to 32767");
  EXPECT_EQ(FormatMessage("%g to %g", {-2147483648.0, 2147483648.0}), "-2147483648 to 2147483648");
  EXPECT_EQ(FormatMessage("%s: %s", {"OrvellaItemQuery", "Field 'HealthTax' not found"}),
            "OrvellaItemQuery: Field 'HealthTax' not found");
  EXPECT_EQ(FormatMessage("row %d, 100%%", {37}), "row 37, 100%");
}

TEST(ErrorBoxText, AppendsAFullStopOnlyWhenMissing) {
  EXPECT_EQ(ErrorBoxText("Field 'X' not found"), "Field 'X' not found.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText(""), ".");
}

}  // namespace
}  // namespace tabrin
