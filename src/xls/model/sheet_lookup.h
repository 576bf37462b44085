#pragma once
// Finding a worksheet of a workbook by the name a user gave, the same for
// workbooks of either file format.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tabrin::detail {

// The position of the sheet of that name among the workbook's sheet names,
// compared without regard to letter case (the first, should several
// match).  Raises TabrinError naming the workbook and the sheets it has when
// there is none.
std::size_t FindSheet(const std::vector<std::string>& names, std::string_view name, const std::string& displayName);

}  // namespace tabrin::detail
