#pragma once
// True and false written as text: one rule for database fields, Boolean
// columns read back from the embedded database and the Boolean cells a
// sheet adds by hand.
//
// Blanks around the text and letter case do not count.  "true", "t", "yes",
// "y" are true; "false", "f", "no", "n" are false; a number in the regional
// format is true unless it is zero (Access keeps true as -1).  Anything else
// is no Boolean.
#include <optional>
#include <string_view>

#include "text/regional.h"

namespace tabrin {

std::optional<bool> ParseBoolean(std::string_view text, const TRegionalFormats& regional);

}  // namespace tabrin
