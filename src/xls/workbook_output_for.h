#pragma once
// The workbook output a file name asks for (see xls/workbook_file_name.h):
// an Excel 2007+ workbook for ".xlsx", comma-separated text for ".csv", an
// Excel 97-2003 workbook for any other name; not yet created.
#include <memory>
#include <string_view>

#include "xls/model/workbook_output.h"

namespace tabrin {

std::unique_ptr<TWorkbookOutput> WorkbookOutputFor(std::string_view fileName);

}  // namespace tabrin
