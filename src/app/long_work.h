#pragma once
// Long work (an import, an export) off the window's thread: the work runs on
// a worker thread while the window keeps repainting behind a modal progress
// dialog that counts the records and offers Cancel.
//
//   RunLongWork(window, "匯入中", [&](const TWorkControl& control) {
//     ... the work, reporting through control, stopping when it asks ...
//   });   // returns when the work has ended; rethrows its error here
//
// An error on the window's side while the work runs (one that leaves the
// event loop, such as the observer's) cancels the work, waits for it to end
// and is raised in place of the work's outcome.
//
// The caller must not touch what the work uses (the connection, the queries)
// until RunLongWork returns; the window keeps that promise by refusing every
// command meanwhile.
#include <QString>

#include <functional>

#include "text/work_control.h"

class QProgressDialog;
class QWidget;

namespace tabrin::app {

// Called on the window's thread whenever the progress dialog is updated, with
// the dialog; tests use it to press Cancel.
using TProgressObserver = std::function<void(QProgressDialog&, const TWorkProgress&)>;

void RunLongWork(QWidget* parent, const QString& caption, const QString& what,
                 const std::function<void(const TWorkControl&)>& work, const TProgressObserver& observer = {});

// "匯入中… 1,234 / 50,000 筆"
QString ProgressText(const QString& what, const TWorkProgress& progress);

}  // namespace tabrin::app
