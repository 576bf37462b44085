#pragma once
// Which kind of workbook a file name asks for, the one rule for every file
// the program writes (an export, an import plan): a name ending in ".xlsx",
// in any letter case, an Excel 2007+ workbook; one ending in ".csv"
// comma-separated text (see xls/csv/csv_writer.h); any other an Excel
// 97-2003 workbook.
#include <string_view>

namespace tabrin {

bool IsXlsxFileName(std::string_view fileName);
bool IsCsvFileName(std::string_view fileName);

}  // namespace tabrin
