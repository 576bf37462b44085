#pragma once
// Which number formats show dates, the same in both workbook formats: a
// number cell in such a format is read as a date-time.
#include <cstdint>
#include <string_view>

namespace tabrin::detail {

// Whether a number format shows a date, a time or both.
bool IsDateFormatCode(std::string_view code);
// The same for the formats every workbook has without a FORMAT record,
// including those a Traditional Chinese Excel shows as dates.
bool IsBuiltInDateFormat(std::uint16_t index);

}  // namespace tabrin::detail
