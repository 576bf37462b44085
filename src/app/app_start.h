#pragma once
// What runs before the first window, in this order: the program folder is
// known, the site configuration's Title becomes the application's name (the
// caption of every box), the built-in resources and font aliases are
// installed.  Then the application object with Qt's translation for the
// user's locale, the workbook reader, the main window (which creates the
// settings dialog) and the message loop.
#include <string_view>

namespace tabrin::app {

// Before the QApplication exists.
void PrepareStart(std::string_view homeOption);
// Once the QApplication exists.
void FinishStart();

}  // namespace tabrin::app
