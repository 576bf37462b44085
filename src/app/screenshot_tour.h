#pragma once
// Pictures of the window for the README, taken by the program itself: it
// connects to the kind-1 database of the program folder, exports each tab's
// table to a workbook in a temporary folder, opens that workbook on the tab
// (accepting the proposed column mapping where the export's titles are not
// the import's, the first mapping dialog pictured too) and takes a picture
// of the window; then one of the settings dialog.
//
//   tabrin --home DIR --screenshot OUT   (OUT/window-<tab>.png, OUT/mapping.png, OUT/settings.png)
#include <QString>

namespace tabrin::app {

// Returns the exit code: 0 when every picture was written.
int RunScreenshotTour(const QString& outputDir);

}  // namespace tabrin::app
