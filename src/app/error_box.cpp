#include "app/error_box.h"

#include <QCoreApplication>

#include "app/dialogs.h"
#include "db/missing_database.h"
#include "text/error.h"
#include "text/translation.h"

namespace tabrin::app {

QString ApplicationTitle() { return QCoreApplication::applicationName(); }

void SetApplicationTitle(const QString& title) { QCoreApplication::setApplicationName(title); }

void ShowErrorBox(TDialogs& dialogs, const std::exception& error) {
  // A clerk gets the database from the store, not from the command line.
  const auto* missingDatabase = dynamic_cast<const TMissingDatabaseError*>(&error);
  const std::string message = missingDatabase ? missingDatabase->WindowText() : std::string(error.what());
  dialogs.ShowError(ApplicationTitle(), QString::fromStdString(ErrorBoxText(message)));
}

bool ReportErrors(TDialogs& dialogs, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(dialogs, error);
  } catch (...) {
    dialogs.ShowError(ApplicationTitle(), QString::fromUtf8(Tr("Unknown error.")));
  }
  return false;
}

}  // namespace tabrin::app
