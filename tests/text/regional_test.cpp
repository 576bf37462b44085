#include "text/regional.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tabrin {
namespace {

double Serial(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
  return EncodeDateTime({y, m, d, h, n, s, 0});
}

TEST(Regional, SerialsCountFromTheEndOf1899) {
  EXPECT_EQ(Serial(1899, 12, 30), 0);
  EXPECT_EQ(Serial(1900, 1, 1), 2);
  EXPECT_EQ(Serial(2005, 3, 1), 38412);
  EXPECT_DOUBLE_EQ(Serial(2005, 3, 1, 12), 38412.5);
  const DateTimeParts p = DecodeDateTime(38412.75);
  EXPECT_EQ(p.year, 2005);
  EXPECT_EQ(p.month, 3);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.hour, 18);
  EXPECT_FALSE(TryEncodeDateTime({2023, 2, 29, 0, 0, 0, 0}).has_value());
}

TEST(Regional, FormatsWithDatePatterns) {
  const TRegionalFormats& r = TRegionalFormats::System();
  const double v = Serial(2024, 3, 5, 9, 7, 2);
  const std::pair<const char*, const char*> cases[] = {
      {"yyyy/MM/dd", "2024/03/05"}, {"yyyy/M/d", "2024/3/5"},     {"HH:mm:ss", "09:07:02"},
      {"HH:mm", "09:07"},           {"hh:nn AM/PM", "09:07 AM"},  {"yy-m-d", "24-3-5"},
      {"mm:ss", "07:02"},           {"'Day' d", "Day 5"},         {"dddd", "Tuesday"},
  };
  for (const auto& [pattern, text] : cases) EXPECT_EQ(r.FormatDateTime(pattern, v), text) << pattern;
  EXPECT_EQ(r.DateTimeToText(Serial(2024, 3, 5)), "2024/3/5");
  EXPECT_EQ(r.DateTimeToText(v), "2024/3/5 09:07:02");
  EXPECT_EQ(r.FormatDateTime("yyyy/MM/dd", 0), "1899/12/30");
}

// Every part of a date, padded or not, is written with the digits printf
// gives, across the range of serials a sheet holds (years 1 to 9999, times
// to the millisecond).
TEST(Regional, DatePartsAreWrittenAsPrintfWritesThem) {
  const TRegionalFormats& r = TRegionalFormats::System();
  for (double serial = -693593; serial < 2958466; serial += 997.123457) {
    const DateTimeParts p = DecodeDateTime(serial);
    char expected[96];
    std::snprintf(expected, sizeof expected, "%04d %02d %02d %04d/%d/%d %02d:%02d:%02d.%03d %d:%d:%d.%d|%02d",
                  p.year, p.month, p.day, p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond, p.hour,
                  p.minute, p.second, p.millisecond, p.year % 100);
    ASSERT_EQ(r.FormatDateTime("yyyy mm dd yyyy/m/d HH:nn:ss.zzz H:n:s.z|yy", serial), expected) << serial;
  }
}

TEST(Regional, ParsesWhatItFormatsAndIsoDates) {
  const TRegionalFormats& r = TRegionalFormats::System();
  const std::pair<const char*, double> cases[] = {
      {"2024/3/5", Serial(2024, 3, 5)},
      {"2024/03/05", Serial(2024, 3, 5)},
      {"2024/3/5 09:07:02", Serial(2024, 3, 5, 9, 7, 2)},
      {" 2024/3/5 9:07 ", Serial(2024, 3, 5, 9, 7)},
      {"2024-03-05", Serial(2024, 3, 5)},
      {"2024-03-05T09:07:02", Serial(2024, 3, 5, 9, 7, 2)},
      {"2024-03-05 21:07", Serial(2024, 3, 5, 21, 7)},
      {"2024/3/5 9:07 PM", Serial(2024, 3, 5, 21, 7)},
      {"12:00:00", 0.5},
  };
  for (const auto& [text, value] : cases) {
    const auto parsed = r.ParseDateTime(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_NEAR(*parsed, value, 1e-9) << text;
  }
  for (const char* bad : {"", "abc", "2024/13/1", "2023/2/29", "2024/3/5 25:00", "2024/3", "2024/3/5x"}) {
    EXPECT_FALSE(r.ParseDateTime(bad).has_value()) << bad;
  }
}

TEST(Regional, NumbersInTheRegionalFormat) {
  TRegionalFormats r;
  EXPECT_EQ(r.ParseFloat("0.08"), 0.08);
  EXPECT_EQ(r.ParseFloat(" -12.5e2 "), -1250);
  EXPECT_EQ(r.ParseFloat("+3"), 3);
  for (const char* bad : {"", "abc", "12abc", "1,000", "1e", "."}) EXPECT_FALSE(r.ParseFloat(bad)) << bad;
  EXPECT_EQ(r.FormatFloat("#,###,##0", 1234567), "1,234,567");
  EXPECT_EQ(r.FormatFloat("#,###,##0.00", -1234.5), "-1,234.50");
  EXPECT_EQ(r.FormatFloat("#,###,##0.00", 0), "0.00");
  EXPECT_EQ(r.FormatFloat("0.###", 2.5), "2.5");
  EXPECT_EQ(r.FormatFloat("\"NT$\"#,###,##0.00", 12), "NT$12.00");
  r.decimalSeparator = ',';
  r.thousandsSeparator = '.';
  EXPECT_EQ(r.ParseFloat("0,08"), 0.08);
  EXPECT_EQ(r.FloatToText(1.5), "1,5");
  EXPECT_EQ(r.FormatFloat("#,##0.00", 1234.5), "1.234,50");
}

}  // namespace
}  // namespace tabrin
