#include "export/string_list.h"

#include "text/ascii.h"

namespace tabrin {

bool SameText(std::string_view a, std::string_view b) { return EqualNoCaseAscii(a, b); }

bool TextLess(std::string_view a, std::string_view b) { return LessNoCaseAscii(a, b); }

std::optional<std::string> FindValue(const TStringList& lines, std::string_view name) {
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (SameText(std::string_view(line).substr(0, eq), name)) return line.substr(eq + 1);
  }
  return std::nullopt;
}

std::string TrimText(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return std::string(text.substr(first, last - first));
}

}  // namespace tabrin
