#include "text/boolean_text.h"

#include "text/ascii.h"

namespace tabrin {

std::optional<bool> ParseBoolean(std::string_view text, const TRegionalFormats& regional) {
  const std::string_view word = TrimAscii(text, kSpaceTab);
  for (std::string_view yes : {"true", "t", "yes", "y"}) {
    if (EqualNoCaseAscii(word, yes)) return true;
  }
  for (std::string_view no : {"false", "f", "no", "n"}) {
    if (EqualNoCaseAscii(word, no)) return false;
  }
  if (const std::optional<double> number = regional.ParseFloat(text)) return *number != 0;
  return std::nullopt;
}

}  // namespace tabrin
