#pragma once
// Objects a sheet can carry besides its rows: hyperlinks, notes, images (of
// workbook-wide pictures) and charts.  The first three are the workbook
// writer's (xls/drawing_objects.h); charts are kept so that settings survive
// copying between the component and its sheets, and are not written.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/drawing_objects.h"
#include "xls/model/format_model.h"

namespace tabrin {

struct TxlsChart {
  std::string Title;
  std::vector<std::string> SeriesFields;  // column names whose data ranges it shows
};

}  // namespace tabrin
