#pragma once
// Cell references as a worksheet's cells name themselves: "B12" is column 1,
// row 11 (both counted from 0).
#include <cstdint>
#include <string_view>

#include "xls/ooxml/value_text.h"

namespace tabrin::detail {

// A reference in any letter case, with white space around the row number;
// false for anything else.
bool ParseCellReference(std::string_view ref, std::uint32_t& row, std::uint32_t& column);

// "B12" as a C string, the usual shape of a cell's reference; false
// leaves anything else to ParseCellReference.
inline bool PlainCellReference(const char* ref, std::uint32_t& row, std::uint32_t& column) {
  std::uint32_t letters = 0;
  int i = 0;
  for (; i < 3 && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) letters = letters * 26 + static_cast<std::uint32_t>(ref[i] - 'A' + 1);
  std::uint32_t number = 0;
  if (i == 0 || !PlainIndex(ref + i, number) || number == 0) return false;
  column = letters - 1;
  row = number - 1;
  return true;
}

}  // namespace tabrin::detail
