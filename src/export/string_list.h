#pragma once
// The string lists of the export settings (ExportedFields, Captions,
// UserFormats, ColumnsWidth, Header, Footer): plain lines, some of them of
// the form "name=value".  Names match without regard to (ASCII) letter case.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabrin {

using TStringList = std::vector<std::string>;

bool SameText(std::string_view a, std::string_view b);
// Strict weak order matching SameText (ASCII case folded, then bytes).
bool TextLess(std::string_view a, std::string_view b);

// The value part of the first line whose name part (text before the first
// "=") equals name; nullopt when no line has that name.
std::optional<std::string> FindValue(const TStringList& lines, std::string_view name);

}  // namespace tabrin
