#pragma once
// The column list of one grid and what is left of it.  Each time a sheet is
// shown, the entries whose column the sheet lacks are dropped for the rest of
// the run: a later workbook on the same grid cannot bring them back.
//
//   TGridColumnSet columns(GridColumnList(TMasterTable::mtSupplier));
//   std::vector<TGridColumn> shown = columns.Build(sheet);  // drops for good
//   columns.Removed();                                      // what was dropped
#include <span>
#include <vector>

#include "import/workbook_preview_columns.h"

namespace tabrin::grid {

class TGridColumnSet {
 public:
  explicit TGridColumnSet(std::span<const TGridColumnEntry> list);

  // The entries still in the list, in list order.
  const std::vector<const TGridColumnEntry*>& Remaining() const { return remaining_; }
  // The entries dropped so far, in the order they were dropped.
  const std::vector<const TGridColumnEntry*>& Removed() const { return removed_; }

  // Matches the remaining entries with the open sheet's columns (names
  // compared without regard to letter case), drops the entries it lacks and
  // returns the others with the field each shows.
  std::vector<TGridColumn> Build(TQuery& sheet);

 private:
  std::vector<const TGridColumnEntry*> remaining_;
  std::vector<const TGridColumnEntry*> removed_;
};

}  // namespace tabrin::grid
