#pragma once
// The columns the preview grid of each import tab shows: field name (the
// sheet column, matched without regard to letter case), width in
// characters, title, read-only flag.  Shared by the command-line preview
// and the window's grids.
#include <span>
#include <string_view>
#include <vector>

#include "db/query.h"
#include "import/import_tabs.h"

namespace tabrin {

struct TGridColumnEntry {
  std::string_view fieldName;
  int width;
  std::string_view title;
  std::string_view readOnly;  // "T", "F" or empty
};

std::span<const TGridColumnEntry> GridColumnList(TMasterTable table);

// The entries whose column the open query has, in list order; each with the
// query field it shows.
struct TGridColumn {
  const TGridColumnEntry* entry;
  TField* field;
};
std::vector<TGridColumn> GridColumnsPresent(std::span<const TGridColumnEntry> list, TQuery& query);

}  // namespace tabrin
