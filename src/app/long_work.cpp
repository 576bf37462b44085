#include "app/long_work.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace tabrin::app {

namespace {

// How often the dialog shows the count; the work itself reports after every
// record and only stores two numbers.
constexpr int kRefreshMillis = 100;
// Short work ends before the dialog would flash up.
constexpr int kShowAfterMillis = 400;

}  // namespace

QString ProgressText(const QString& what, const TWorkProgress& progress) {
  const QLocale locale(QLocale::English);
  if (progress.total <= 0) return QStringLiteral("%1… %2 筆").arg(what, locale.toString(progress.done));
  return QStringLiteral("%1… %2 / %3 筆").arg(what, locale.toString(progress.done), locale.toString(progress.total));
}

void RunLongWork(QWidget* parent, const QString& caption, const QString& what,
                 const std::function<void(const TWorkControl&)>& work, const TProgressObserver& observer) {
  TCancelFlag cancel;
  std::atomic<int> done{0};
  std::atomic<int> total{0};
  TWorkControl control;
  control.cancel = &cancel;
  control.progress = [&done, &total](const TWorkProgress& progress) {
    total.store(progress.total, std::memory_order_relaxed);
    done.store(progress.done, std::memory_order_relaxed);
  };

  QProgressDialog dialog(ProgressText(what, {}), QStringLiteral("取消"), 0, 0, parent);
  dialog.setWindowTitle(caption);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setMinimumDuration(kShowAfterMillis);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  const auto requestCancel = [&] {
    if (cancel.Requested()) return;
    cancel.Request();
    dialog.setLabelText(QStringLiteral("正在取消…"));
  };
  QObject::connect(&dialog, &QProgressDialog::canceled, requestCancel);

  QEventLoop loop;
  QTimer refresh;
  refresh.setInterval(kRefreshMillis);
  const auto refreshDialog = [&] {
    const TWorkProgress now{done.load(std::memory_order_relaxed), total.load(std::memory_order_relaxed)};
    if (!cancel.Requested()) {
      dialog.setMaximum(now.total > 0 ? now.total : 0);
      dialog.setValue(now.total > 0 ? std::min(now.done, now.total) : 0);
      dialog.setLabelText(ProgressText(what, now));
    }
    if (observer) observer(dialog, now);
    if (dialog.wasCanceled()) requestCancel();
  };
  QObject::connect(&refresh, &QTimer::timeout, refreshDialog);
  refresh.start();
  dialog.setValue(0);  // starts the dialog's show-after timer
  refreshDialog();

  std::exception_ptr error;
  std::thread worker([&] {
    try {
      work(control);
    } catch (...) {
      error = std::current_exception();
    }
    // Queued: delivered once the loop below runs, even when the work ended
    // before it started.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  try {
    loop.exec();
  } catch (...) {
    // An error out of the event loop while the worker runs: the worker uses
    // everything above, so it is asked to stop and waited for (a joinable
    // thread that is destroyed ends the program), its own outcome is
    // dropped, and the error goes on to the caller.
    cancel.Request();
    worker.join();
    throw;
  }
  worker.join();
  refresh.stop();
  dialog.hide();
  if (error) std::rethrow_exception(error);
}

}  // namespace tabrin::app
