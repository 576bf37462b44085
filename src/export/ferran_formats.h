#pragma once
// TFerranFormats: the display formats of an export (one object per export
// component and per sheet).  Formats reach the workbook as number formats of
// the cells; Booleans and the null text steer how values are written.
#include <string>
#include <string_view>

namespace tabrin {

class TFerranFormats {
 public:
  TFerranFormats();

  const std::string& IntegerFormat() const { return integerFormat_; }
  const std::string& FloatFormat() const { return floatFormat_; }
  const std::string& DateFormat() const { return dateFormat_; }
  const std::string& TimeFormat() const { return timeFormat_; }
  const std::string& DateTimeFormat() const { return dateTimeFormat_; }
  const std::string& CurrencyFormat() const { return currencyFormat_; }
  const std::string& BooleanTrue() const { return booleanTrue_; }
  const std::string& BooleanFalse() const { return booleanFalse_; }
  const std::string& NullString() const { return nullString_; }

  // An empty text restores the default, except for FloatFormat (kept empty:
  // floats without a number format) and NullString.
  void SetIntegerFormat(std::string_view value);
  void SetFloatFormat(std::string_view value);
  void SetDateFormat(std::string_view value);
  void SetTimeFormat(std::string_view value);
  void SetDateTimeFormat(std::string_view value);
  void SetCurrencyFormat(std::string_view value);
  void SetBooleanTrue(std::string_view value);
  void SetBooleanFalse(std::string_view value);
  // Stored trimmed of leading and trailing blanks and control characters.
  void SetNullString(std::string_view value);

  // Copies all nine values through the setters.
  void Assign(const TFerranFormats& source);

  // The defaults, taken once from the regional formats of the machine.
  static const std::string& DefaultIntegerFormat();
  static const std::string& DefaultFloatFormat();
  static const std::string& DefaultDateFormat();
  static const std::string& DefaultTimeFormat();
  static const std::string& DefaultDateTimeFormat();
  static const std::string& DefaultCurrencyFormat();

  // The currency format for a symbol and a position code (0 symbol first,
  // 1 symbol last, 2 symbol first with a blank, 3 symbol last with a blank;
  // any other code: empty).
  static std::string CurrencyFormatFor(std::string_view symbol, int position);

 private:
  std::string integerFormat_;
  std::string floatFormat_;
  std::string dateFormat_;
  std::string timeFormat_;
  std::string dateTimeFormat_;
  std::string currencyFormat_;
  std::string booleanTrue_;
  std::string booleanFalse_;
  std::string nullString_;
};

}  // namespace tabrin
