#include "grid/grid_column_set.h"

namespace tabrin::grid {

TGridColumnSet::TGridColumnSet(std::span<const TGridColumnEntry> list) {
  remaining_.reserve(list.size());
  for (const TGridColumnEntry& entry : list) remaining_.push_back(&entry);
}

std::vector<TGridColumn> TGridColumnSet::Build(TQuery& sheet) {
  std::vector<TGridColumn> shown;
  std::vector<const TGridColumnEntry*> kept;
  for (const TGridColumnEntry* entry : remaining_) {
    // FindField compares names without regard to (ASCII) letter case.
    if (TField* field = sheet.FindField(entry->fieldName)) {
      shown.push_back({entry, field});
      kept.push_back(entry);
    } else {
      removed_.push_back(entry);
    }
  }
  remaining_ = std::move(kept);
  return shown;
}

}  // namespace tabrin::grid
