#pragma once
// printf-like formatting of the system's messages.  %s takes a text, %d an
// integer, %g a number in the general form (FormatGeneral), %% a percent sign.
// Arguments are given as MessageArg, so a caller cannot mismatch them.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tabrin {

// The general number text: at most 15 significant digits, trailing zeros
// dropped, "." as decimal separator and no thousands separators; scientific
// notation ("1.5E-6", "1E20") only when the value has more than 15 integer
// digits or is non-zero and smaller in magnitude than 0.00001.
std::string FormatGeneral(double value, char decimalSeparator = '.');

namespace detail {
// FormatGeneral's text of a value with one to four decimals between 1e-4
// and 1e11, written from its digits into out; its length, or 0 for any
// other value.
inline constexpr std::size_t kFewDecimalsRoom = 32;
std::size_t FewDecimals(double value, char decimalSeparator, char (&out)[kFewDecimalsRoom]);
}  // namespace detail

// The number FormatGeneral's text reads back as: the value rounded to 15
// significant digits (0 for either zero).  Nothing for a value whose text is
// no number (NaN, infinities) or whose rounding overflows.  A writer that
// stores numbers as they were shown uses this instead of printing and
// reading each one.
std::optional<double> GeneralValue(double value);

class MessageArg {
 public:
  MessageArg(std::string_view text) : value_(std::string(text)) {}
  MessageArg(const std::string& text) : value_(text) {}
  MessageArg(const char* text) : value_(std::string(text)) {}
  MessageArg(double number) : value_(number) {}
  MessageArg(int number) : value_(static_cast<std::int64_t>(number)) {}
  MessageArg(long number) : value_(static_cast<std::int64_t>(number)) {}
  MessageArg(long long number) : value_(static_cast<std::int64_t>(number)) {}
  MessageArg(unsigned number) : value_(static_cast<std::int64_t>(number)) {}
  MessageArg(unsigned long number) : value_(static_cast<std::int64_t>(number)) {}

  std::string AsText() const;
  std::string AsGeneral() const;

 private:
  std::variant<std::string, double, std::int64_t> value_;
};

std::string FormatMessage(std::string_view pattern, std::initializer_list<MessageArg> args);

}  // namespace tabrin
