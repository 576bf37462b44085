#include "text/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tabrin {

namespace detail {

// Prices and quantities have a few decimals: such a value is written from
// its digits, without the general 15-digit conversion below, which took a
// fifth of reading a sheet as text.  When value * 10^k rounds to a whole N
// below 10^15, value lies within N * 2^-53 of N / 10^k, closer than the
// half step (at least N * 5e-16) at which rounding to 15 significant digits
// would give anything but N / 10^k: the same text as the general path.
// Values from 1e-4 up to 1e11 only, which that path writes without an
// exponent.
std::size_t FewDecimals(double value, char decimalSeparator, char (&out)[kFewDecimalsRoom]) {
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-4 && magnitude < 1e11)) return 0;
  double scale = 1;
  for (int decimals = 1; decimals <= 4; ++decimals) {
    scale *= 10;
    const double scaled = magnitude * scale;
    if (scaled != std::trunc(scaled)) continue;
    const auto whole = static_cast<std::uint64_t>(scaled);
    const auto unit = static_cast<std::uint64_t>(scale);
    std::size_t n = 0;
    if (value < 0) out[n++] = '-';
    n = static_cast<std::size_t>(std::to_chars(out + n, out + kFewDecimalsRoom, whole / unit).ptr - out);
    out[n++] = decimalSeparator;
    std::uint64_t fraction = whole % unit;
    char digits[4];
    for (int i = decimals - 1; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    int kept = decimals;
    while (kept > 0 && digits[kept - 1] == '0') --kept;
    if (kept == 0) return 0;  // not reached: value is not whole
    std::memcpy(out + n, digits, static_cast<std::size_t>(kept));
    return n + static_cast<std::size_t>(kept);
  }
  return 0;
}

}  // namespace detail

std::optional<double> GeneralValue(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  if (value == 0) return 0.0;
  // Whole numbers of up to 15 digits are their own text.
  if (std::fabs(value) < 1e15 && std::trunc(value) == value) return value;
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  double rounded = 0;
  // As the regional reader does: a text out of range (an overflow, or an
  // underflow to a subnormal) is no number.
  if (std::from_chars(buffer, written.ptr, rounded).ec != std::errc() || !std::isfinite(rounded)) return std::nullopt;
  return rounded;
}

std::string FormatGeneral(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  // Whole numbers of up to 15 digits, the most common cell values, are
  // their own digits.
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value));
    return std::string(digits, end.ptr);
  }
  {
    char text[detail::kFewDecimalsRoom];
    if (const std::size_t length = detail::FewDecimals(value, decimalSeparator, text)) return std::string(text, length);
  }

  // 15 significant digits, rounded once; the exponent is that of the rounded
  // value, so 9.99999999999999999e14 becomes 1E15 like the rounded digits say.
  // Built in place: "d.dddddddddddddde[+-]x..." gives the digits and the
  // exponent.
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  const char* p = buffer;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[16];
  std::size_t count = 0;
  digits[count++] = *p++;
  if (*p == '.') ++p;
  while (p < written.ptr && *p != 'e') digits[count++] = *p++;
  while (count > 1 && digits[count - 1] == '0') --count;
  ++p;  // 'e'
  const bool negativeExponent = *p == '-';
  ++p;  // its sign
  int exponent = 0;
  while (p < written.ptr) exponent = exponent * 10 + (*p++ - '0');
  if (negativeExponent) exponent = -exponent;

  char out[64];
  std::size_t n = 0;
  if (negative) out[n++] = '-';
  const auto put = [&](const char* from, std::size_t length) {
    std::memcpy(out + n, from, length);
    n += length;
  };
  if (exponent >= 15 || exponent < -5) {
    out[n++] = digits[0];
    if (count > 1) {
      out[n++] = decimalSeparator;
      put(digits + 1, count - 1);
    }
    out[n++] = 'E';
    n = static_cast<std::size_t>(std::to_chars(out + n, out + sizeof out, exponent).ptr - out);
  } else if (exponent < 0) {
    out[n++] = '0';
    out[n++] = decimalSeparator;
    for (int i = 0; i < -exponent - 1; ++i) out[n++] = '0';
    put(digits, count);
  } else {
    const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (count <= integerDigits) {
      put(digits, count);
      for (std::size_t i = count; i < integerDigits; ++i) out[n++] = '0';
    } else {
      put(digits, integerDigits);
      out[n++] = decimalSeparator;
      put(digits + integerDigits, count - integerDigits);
    }
  }
  return std::string(out, n);
}

std::string MessageArg::AsText() const {
  if (const auto* text = std::get_if<std::string>(&value_)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value_)) return std::to_string(*number);
  return FormatGeneral(std::get<double>(value_));
}

std::string MessageArg::AsGeneral() const {
  if (const auto* number = std::get_if<double>(&value_)) return FormatGeneral(*number);
  return AsText();
}

std::string FormatMessage(std::string_view pattern, std::initializer_list<MessageArg> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 >= pattern.size()) {
      out += c;
      continue;
    }
    // "%2$s": the second argument, as a translation that puts the
    // arguments in another order writes them.
    if (i + 3 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9' && pattern[i + 2] == '$') {
      const std::size_t index = static_cast<std::size_t>(pattern[i + 1] - '1');
      const char conversion = pattern[i + 3];
      if (index < args.size() && (conversion == 's' || conversion == 'd' || conversion == 'g')) {
        const MessageArg& arg = args.begin()[index];
        out += conversion == 'g' ? arg.AsGeneral() : arg.AsText();
        i += 3;
        continue;
      }
    }
    const char conversion = pattern[++i];
    if (conversion == '%') {
      out += '%';
    } else if (conversion == 's' || conversion == 'd' || conversion == 'g') {
      if (next != args.end()) {
        out += conversion == 'g' ? next->AsGeneral() : next->AsText();
        ++next;
      }
    } else {
      out += '%';
      out += conversion;
    }
  }
  return out;
}

}  // namespace tabrin
