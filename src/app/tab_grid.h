#pragma once
// The grid each tab holds.  The tab's handlers use only its constructor
// (table, parent), SetSheet(openQuery, fileName) and SetSuspended(bool).
#include "grid/gw_db_grid.h"

namespace tabrin::app {
using TTabGrid = tabrin::grid::TgwDBGrid;
}
