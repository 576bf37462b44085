#pragma once
// The regional formats of the machine the store runs on ("the system
// locale"): one object, read once, used by every conversion of numbers and
// date-times between values and texts.
//
// A TRegionalFormats is a plain value: the system's one is immutable, a
// caller that needs other formats makes a copy of its own.
//
// Date-times are day counts from 30 December 1899 with the time of day as
// the fraction (the serial form that workbooks also use).
#include <optional>
#include <string>
#include <string_view>

namespace tabrin {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

double EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(double serial);
// Validating variant: nullopt for a day or time that does not exist.
std::optional<double> TryEncodeDateTime(const DateTimeParts& parts);

class TRegionalFormats {
 public:
  // Pattern tokens (letter case of d/y/h/n/s is free; "M"/"m" is a month
  // unless it follows an hour, then a minute, as usual for these patterns):
  //   d dd ddd dddd, M MM MMM MMMM, yy yyyy, h hh H HH, n nn, s ss, z zzz,
  //   AM/PM am/pm, "/" date separator, ":" time separator, '...' "..." literals.
  std::string shortDate = "yyyy/M/d";
  std::string longTime = "HH:mm:ss";
  std::string shortTime = "HH:mm";
  char decimalSeparator = '.';
  char thousandsSeparator = ',';
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::string currencySymbol = "NT$";
  // 0: symbol before the amount ("NT$1"), 1: after ("1NT$"),
  // 2: before with a blank ("NT$ 1"), 3: after with a blank ("1 NT$").
  int currencyPosition = 0;

  // The process-wide instance: made on first use (thread-safe) and never
  // changed afterwards, so any thread may read it.
  static const TRegionalFormats& System();

  std::string FormatDateTime(std::string_view pattern, double serial) const;
  // Short date, plus a blank and the long time when the time is not midnight.
  std::string DateTimeToText(double serial) const;
  // General number form with the regional decimal separator.
  std::string FloatToText(double value) const;
  // A Delphi-style number format ("#,###,##0.00", "0.###", "NT$#,##0.00").
  std::string FormatFloat(std::string_view pattern, double value) const;

  // Accepts what DateTimeToText and the short date produce (with or without
  // time, times with or without seconds), and ISO "yyyy-mm-dd[ hh:mm[:ss]]"
  // or "yyyy-mm-ddThh:mm:ss".  Leading/trailing blanks are ignored.
  std::optional<double> ParseDateTime(std::string_view text) const;
  // Decimal number in the regional format: optional sign, digits with an
  // optional decimal separator, optional exponent; blanks around are ignored;
  // thousands separators are not accepted.
  std::optional<double> ParseFloat(std::string_view text) const;
};

}  // namespace tabrin
