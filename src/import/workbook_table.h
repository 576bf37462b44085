#pragma once
// A worksheet as the result of a sheet query.  The imports and the window
// rely on this contract:
//
// - the first row of the used range gives the column titles; a blank title
//   becomes "F<n>" by its position (1-based) so the column stays addressable;
// - every later row of the used range is one record, in sheet order, empty
//   rows included;
// - a column whose non-blank cells are all of one type (text, number,
//   date-time, Boolean) keeps it; a column with several types is text in
//   every row (numbers in the general 15-digit form, date-times as the short
//   date plus the long time when not midnight, Booleans as "True"/"False");
// - error cells (#N/A, #DIV/0!, ...) and empty texts are empty (null);
// - with a filter column, only rows whose cell there is not empty remain.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/backend.h"
#include "xls/biff8/workbook_reader.h"

namespace tabrin {

// Raises "Field '%s' not found" when the sheet has no filter column.  With
// a filter and keptPositions, also gives what FilteredRecordPositions does.
// The result's rows are read from the sheet, which it keeps, when they are
// asked for (a row source); its columns are all known at once.
TStatementResult WorksheetTable(std::shared_ptr<const TWorksheet> sheet, const std::optional<std::string>& filterColumn,
                                std::vector<int>* keptPositions = nullptr);

namespace detail {
// The column kinds of sheets of at least this many rows below the titles
// are gathered in two halves on two threads.
inline constexpr int kSplitSheetFromRows = 16384;
// WorksheetTable with the split from splitFromRows rows (0: never).
TStatementResult WorksheetTable(std::shared_ptr<const TWorksheet> sheet, const std::optional<std::string>& filterColumn,
                                std::vector<int>* keptPositions, int splitFromRows);
}  // namespace detail

// The column names a sheet query gives the sheet: its titles, "F<n>" for
// a blank one ("F1" alone for an empty sheet).
std::vector<std::string> WorksheetTitles(const TWorksheet& sheet);

// For each record the query filtered on filterColumn keeps, in order, its
// position among the records of the unfiltered query (0 = the row after the
// titles).  The same rule as WorksheetTable's filter, without building the
// table.
std::vector<int> FilteredRecordPositions(const TWorksheet& sheet, const std::string& filterColumn);

}  // namespace tabrin
