#include "xls/ooxml/value_text.h"

#include <charconv>

#include "text/ascii.h"

namespace tabrin::detail {

std::string_view Trim(std::string_view text) { return TrimAscii(text, kSpaceTabCrLf); }

std::optional<std::uint32_t> ParseIndex(std::string_view text) {
  // Nearly every index is a few plain digits.
  if (!text.empty() && text.size() <= 9) {
    std::uint32_t value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (i == text.size()) return value;
  }
  text = Trim(text);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace tabrin::detail
