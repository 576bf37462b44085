#pragma once
// Numbers, indexes and words as the parts of a package spell them, in
// attribute values and in the character data of values.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tabrin::detail {

// Without the XML white space around it.
std::string_view Trim(std::string_view text);

// A whole number within 32 bits, white space around it allowed.
std::optional<std::uint32_t> ParseIndex(std::string_view text);
// A decimal number (sign, fraction and exponent allowed), white space
// around it allowed.
std::optional<double> ParseNumber(std::string_view text);

// An attribute value as expat holds it (a C string) that is nothing but a
// few digits: their number.  Anything else is left to ParseIndex.
inline bool PlainIndex(const char* text, std::uint32_t& value) {
  std::uint32_t number = 0;
  int i = 0;
  for (; text[i] >= '0' && text[i] <= '9'; ++i) {
    if (i == 9) return false;
    number = number * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (i == 0 || text[i] != '\0') return false;
  value = number;
  return true;
}

// A C string equal to word.
inline bool Is(const char* text, std::string_view word) {
  for (const char c : word) {
    if (*text++ != c) return false;
  }
  return *text == '\0';
}

}  // namespace tabrin::detail
