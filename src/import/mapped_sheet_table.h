#pragma once
// A sheet query's result under a column mapping (column_mapping.h): every
// column the mapping reads from a sheet title is there under the import's
// own name, after the sheet's columns, holding that title's cells, so the
// import, the plan, the preview and the journal find it as they find any
// column.  A sheet column of the same name as a mapped column gives way: it
// is named by its position ("F<n>") as a column without a title is.
#include <optional>
#include <string>

#include "db/backend.h"
#include "import/column_mapping.h"

namespace tabrin {

// Pairs whose sheet title the result lacks add nothing.
TStatementResult MappedSheetTable(TStatementResult table, const TColumnMapping& mapping);

// The sheet title a filter on a column reads under the mapping: the title
// the column is mapped from, else the column itself.
std::string MappedFilterColumn(const std::string& filterColumn, const TColumnMapping& mapping);

}  // namespace tabrin
