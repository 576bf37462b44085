// tabrin: the window.
//
//   tabrin [--home DIR] [--screenshot DIR] [--version]
//
// --home names the program folder (default: $TABRIN_HOME, else the
// executable's folder when it is writable, else $XDG_DATA_HOME/tabrin).  --screenshot takes pictures of the window (each tab
// with a sheet loaded from the database's own export, and the settings
// dialog) into DIR and ends; it needs a database in the program folder.
#include <QApplication>

#include <cstring>
#include <iostream>
#include <string>

#include "app/app_start.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/screenshot_tour.h"
#include "config/program_folder_choice.h"
#include "text/format.h"
#include "text/translation.h"

namespace {

struct TOptions {
  std::string home;
  std::string screenshotDir;
};

bool ParseOptions(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--home") == 0 && i + 1 < argc) {
      options.home = argv[++i];
    } else if (std::strcmp(arg, "--screenshot") == 0 && i + 1 < argc) {
      options.screenshotDir = argv[++i];
    } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::cout << "usage: tabrin [--home DIR] [--screenshot DIR] [--version]\n";
      std::exit(0);
    } else if (std::strcmp(arg, "--version") == 0) {
      std::cout << "tabrin " TABRIN_VERSION "\n";
      std::exit(0);
    } else if (arg[0] == '-' && std::strncmp(arg, "-platform", 9) != 0) {
      std::cerr << tabrin::FormatMessage(tabrin::Tr("tabrin: unknown option %s; see 'tabrin --help'"), {arg}) << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Before the first message: a wrong option's is one.
  tabrin::InitTranslation(tabrin::InstalledLocaleFolder(tabrin::ExecutableFolder()));
  TOptions options;
  if (!ParseOptions(argc, argv, options)) return 2;
  tabrin::app::PrepareStart(options.home);
  QApplication application(argc, argv);
  tabrin::app::FinishStart();
  if (!options.screenshotDir.empty()) {
    return tabrin::app::RunScreenshotTour(QString::fromStdString(options.screenshotDir));
  }
  tabrin::app::TQtDialogs dialogs;
  tabrin::app::TFMTabrin window(dialogs);
  window.show();
  return application.exec();
}
