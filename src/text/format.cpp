#include "text/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tabrin {

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

  // 15 significant digits, rounded once; the exponent is that of the rounded
  // value, so 9.99999999999999999e14 becomes 1E15 like the rounded digits say.
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  std::string text(buffer, written.ptr);
  const bool negative = text[0] == '-';
  if (negative) text.erase(0, 1);
  const std::size_t ePos = text.find('e');
  const int exponent = std::atoi(text.c_str() + ePos + 1);
  std::string digits = text.substr(0, 1) + text.substr(2, ePos - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) {
      out += decimalSeparator;
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += '0';
    out += decimalSeparator;
    out += std::string(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= integerDigits) {
    out += digits;
    out += std::string(integerDigits - digits.size(), '0');
  } else {
    out += digits.substr(0, integerDigits);
    out += decimalSeparator;
    out += digits.substr(integerDigits);
  }
  return out;
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
