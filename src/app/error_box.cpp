#include "app/error_box.h"

#include <QCoreApplication>

#include "app/dialogs.h"
#include "text/error.h"

namespace tabrin::app {

QString ApplicationTitle() { return QCoreApplication::applicationName(); }

void SetApplicationTitle(const QString& title) { QCoreApplication::setApplicationName(title); }

void ShowErrorBox(TDialogs& dialogs, const std::exception& error) {
  dialogs.ShowError(ApplicationTitle(), QString::fromStdString(ErrorBoxText(error.what())));
}

bool ReportErrors(TDialogs& dialogs, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(dialogs, error);
  } catch (...) {
    dialogs.ShowError(ApplicationTitle(), QStringLiteral("Unknown error."));
  }
  return false;
}

}  // namespace tabrin::app
