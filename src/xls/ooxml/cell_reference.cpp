#include "xls/ooxml/cell_reference.h"

#include <optional>

#include "text/ascii.h"

namespace tabrin::detail {

bool ParseCellReference(std::string_view ref, std::uint32_t& row, std::uint32_t& column) {
  std::size_t i = 0;
  std::uint32_t letters = 0;
  while (i < ref.size() && i < 4) {
    const char c = UpperAscii(ref[i]);
    if (c < 'A' || c > 'Z') break;
    letters = letters * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
    ++i;
  }
  if (i == 0) return false;
  const std::optional<std::uint32_t> number = ParseIndex(ref.substr(i));
  if (!number || *number == 0) return false;
  column = letters - 1;
  row = *number - 1;
  return true;
}

}  // namespace tabrin::detail
