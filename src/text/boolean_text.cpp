#include "text/boolean_text.h"

#include "text/ascii.h"

namespace tabrin {

std::optional<bool> ParseBoolean(std::string_view text, const TRegionalFormats& regional) {
  std::string_view word = text;
  while (!word.empty() && (word.front() == ' ' || word.front() == '\t')) word.remove_prefix(1);
  while (!word.empty() && (word.back() == ' ' || word.back() == '\t')) word.remove_suffix(1);
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
