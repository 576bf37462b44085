#pragma once
// Which kind of workbook a file name asks for, the one rule for every file
// the program writes (an export, an import plan): a name ending in ".xlsx",
// in any letter case, an Excel 2007+ workbook; any other an Excel 97-2003
// workbook.
#include <string_view>

namespace tabrin {

bool IsXlsxFileName(std::string_view fileName);

}  // namespace tabrin
