#pragma once
// The one place where an error that reaches the window becomes the standard
// error box: the message with the full-stop rule, the application title as
// caption, a stop icon and OK.  The command ends there; what it did before
// stays done and the window stays usable.
#include <QString>

#include <exception>
#include <functional>

namespace tabrin::app {

class TDialogs;

// The caption of every box: the site configuration's Title, set at start-up.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Shows the error box for the exception; a missing database says where it
// belongs and how to get it (TMissingDatabaseError::WindowText).
void ShowErrorBox(TDialogs& dialogs, const std::exception& error);

// Runs the command; an exception it raises is shown in the error box.
// Returns false when it raised.
bool ReportErrors(TDialogs& dialogs, const std::function<void()>& command);

}  // namespace tabrin::app
