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

}  // namespace tabrin
