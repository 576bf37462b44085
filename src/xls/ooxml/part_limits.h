#pragma once
// Limits of the parts of a workbook package, inflated.  A worksheet of a
// million rows of twenty columns takes under a gigabyte of XML.
#include <cstdint>

namespace tabrin::detail {

inline constexpr std::uint64_t kMaxSmallPartBytes = std::uint64_t{64} << 20;  // workbook, relationships, styles
inline constexpr std::uint64_t kMaxStringsPartBytes = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxSheetPartBytes = std::uint64_t{2} << 30;

}  // namespace tabrin::detail
