#include "text/integer_text.h"

#include <limits>

#include "text/ascii.h"

namespace tabrin {
namespace {

constexpr std::uint64_t kLargestMagnitude = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
constexpr std::uint64_t kLargestPattern = 0xFFFFFFFFu;

int DigitValue(char c, int base) {
  const char lower = LowerAscii(c);
  if (lower >= '0' && lower <= '9') return lower - '0';
  if (base == 16 && lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::int64_t> ParseInteger(std::string_view text, TIntegerForm form) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (form == TIntegerForm::ifDecimalOrHex32) {
    if (text.starts_with('$')) {
      base = 16;
      text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && LowerAscii(text[1]) == 'x') {
      base = 16;
      text.remove_prefix(2);
    }
  }
  if (text.empty()) return std::nullopt;

  const std::uint64_t limit = base == 16 ? kLargestPattern : kLargestMagnitude;
  std::uint64_t magnitude = 0;
  for (const char c : text) {
    const int digit = DigitValue(c, base);
    if (digit < 0) return std::nullopt;
    if (magnitude > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) return std::nullopt;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }

  std::int64_t value;
  if (base == 16) {
    value = static_cast<std::int64_t>(magnitude);
    if (value > std::numeric_limits<std::int32_t>::max()) value -= std::int64_t{1} << 32;
  } else if (magnitude == kLargestMagnitude) {
    if (!negative) return std::nullopt;
    return std::numeric_limits<std::int64_t>::min();
  } else {
    value = static_cast<std::int64_t>(magnitude);
  }
  return negative ? -value : value;
}

std::optional<int> ParseInt32(std::string_view text, TIntegerForm form) {
  const std::optional<std::int64_t> value = ParseInteger(text, form);
  if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*value);
}

}  // namespace tabrin
