#pragma once
// Whole numbers written as text: the one reader behind database fields,
// export settings and INI files.  Callers trim blanks themselves, as each
// has its own idea of what surrounds a value.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tabrin {

enum class TIntegerForm {
  // An optional "+" or "-", then the decimal digits 0-9.
  ifDecimal,
  // As ifDecimal, or after the sign "$" or "0x" (any case) and hexadecimal
  // digits spelling a 32-bit pattern: 0x80000000 to 0xFFFFFFFF are negative
  // ("$FFFFFFFF" is -1, "-$FFFFFFFF" is 1); a longer pattern is refused.
  ifDecimalOrHex32,
};

// The value of the whole text, or nothing when any character is out of place
// or the value lies outside the 64-bit range.
std::optional<std::int64_t> ParseInteger(std::string_view text, TIntegerForm form = TIntegerForm::ifDecimal);

// As ParseInteger, for values of the 32-bit range only.
std::optional<int> ParseInt32(std::string_view text, TIntegerForm form = TIntegerForm::ifDecimal);

}  // namespace tabrin
