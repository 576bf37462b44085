#pragma once
// The grid each tab holds.  It takes the tab's table, SetSheet(openQuery,
// fileName) and SetSuspended(bool); the tab's handlers use nothing else.
#include "app/sheet_preview.h"

namespace tabrin::app {
using TTabGrid = TSheetPreview;
}
