#pragma once
// The value of an extra cell of a sheet (TxlsCell) in the form its cell type
// asks for, the same for every workbook writer.
#include <string>

#include "xls/model/sheet_objects.h"

namespace tabrin::detail {

std::string ValueText(const TxlsCellValue& value);
// Raises TabrinError for a text that does not read as a number (or, for a
// date-time, as a date and time).
double ValueNumber(const TxlsCellValue& value, bool dateTime);
// Raises TabrinError for a text that reads as no Boolean.
bool ValueBoolean(const TxlsCellValue& value);

}  // namespace tabrin::detail
