// The real dialogs behind the window's seam, on the offscreen screen: each
// is inspected while it runs and then closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "app/dialogs.h"
#include "app_test_support.h"

namespace tabrin::app {
namespace {

// Runs inspect on the modal dialog once it is up (and closes nothing itself).
void WhenModalUp(std::function<void(QWidget&)> inspect) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->stop();
      poll->deleteLater();
      inspect(*modal);
    }
  });
  poll->start();
}

TEST(QtDialogs, MessageBoxIsCentredWithoutIconAndOneOk) {
  bool inspected = false;
  WhenModalUp([&](QWidget& widget) {
    auto* box = qobject_cast<QMessageBox*>(&widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), Q("門市"));
    EXPECT_EQ(box->text(), Q("匯入完畢"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((box->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    inspected = true;
    box->button(QMessageBox::Ok)->click();
  });
  TQtDialogs().ShowMessage(Q("門市"), Q("匯入完畢"));
  EXPECT_TRUE(inspected);
}

TEST(QtDialogs, ErrorBoxHasTheStopIcon) {
  bool inspected = false;
  WhenModalUp([&](QWidget& widget) {
    auto* box = qobject_cast<QMessageBox*>(&widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), Q("門市"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    inspected = true;
    box->button(QMessageBox::Ok)->click();
  });
  TQtDialogs().ShowError(Q("門市"), Q("Field '品名' not found."));
  EXPECT_TRUE(inspected);
}

// The question box answers Yes only for Yes; No is the default button, so
// Enter pressed out of habit changes nothing.
TEST(QtDialogs, QuestionBoxAnswersYesOnlyForYes) {
  for (const QMessageBox::StandardButton pressed : {QMessageBox::Yes, QMessageBox::No}) {
    bool inspected = false;
    WhenModalUp([&](QWidget& widget) {
      auto* box = qobject_cast<QMessageBox*>(&widget);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), Q("門市"));
      EXPECT_EQ(box->text(), Q("要復原匯入 #1 嗎？"));
      EXPECT_EQ(box->icon(), QMessageBox::Question);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
      EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
      inspected = true;
      box->button(pressed)->click();
    });
    EXPECT_EQ(TQtDialogs().Ask(Q("門市"), Q("要復原匯入 #1 嗎？")), pressed == QMessageBox::Yes);
    EXPECT_TRUE(inspected);
  }
}

// The menu triggers the chosen item itself, once, and returns it; the scripted
// stand-in of the window's tests does the same.
TEST(QtDialogs, PopupMenuTriggersTheChosenItemOnce) {
  QMenu menu;
  QAction* first = menu.addAction(Q("ORVELLAPOS"));
  QAction* chosen = menu.addAction(Q("KESTAPOS"));
  int firstTriggered = 0, chosenTriggered = 0;
  QObject::connect(first, &QAction::triggered, [&] { ++firstTriggered; });
  QObject::connect(chosen, &QAction::triggered, [&] { ++chosenTriggered; });
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, chosen] {
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!shown) return;
    poll->stop();
    poll->deleteLater();
    shown->setActiveAction(chosen);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(shown, &enter);
  });
  poll->start();
  EXPECT_EQ(TQtDialogs().PopupMenu(menu, QPoint(100, 100)), chosen);
  EXPECT_EQ(chosenTriggered, 1);
  EXPECT_EQ(firstTriggered, 0);
}

TEST(QtDialogs, SaveDialogNeverAsksBeforeReplacing) {
  const QStringList filters = {Q("活頁簿(*.xls) (*.xls)"), Q("活頁簿(*.xlsx) (*.xlsx)")};
  bool inspected = false;
  WhenModalUp([&](QWidget& widget) {
    auto* dialog = qobject_cast<QFileDialog*>(&widget);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), Q("匯出資料  "));
    EXPECT_EQ(dialog->nameFilters(), filters);
    EXPECT_EQ(dialog->selectedNameFilter(), filters[0]);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
    inspected = true;
    dialog->reject();
  });
  EXPECT_FALSE(TQtDialogs().GetSaveFileName(nullptr, Q("匯出資料  "), filters).has_value());
  EXPECT_TRUE(inspected);
}

// The answer says which entry the name was chosen under.
TEST(QtDialogs, SaveDialogTellsTheChosenEntry) {
  const QStringList filters = {Q("活頁簿(*.xls) (*.xls)"), Q("活頁簿(*.xlsx) (*.xlsx)")};
  const QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  WhenModalUp([&](QWidget& widget) {
    auto* dialog = qobject_cast<QFileDialog*>(&widget);
    ASSERT_NE(dialog, nullptr);
    dialog->selectNameFilter(filters[1]);
    dialog->setDirectory(folder.path());
    auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameEdit, nullptr);
    nameEdit->setText(Q("匯出"));
    QMetaObject::invokeMethod(dialog, "accept");  // the Save button
  });
  const std::optional<TSaveAnswer> answer = TQtDialogs().GetSaveFileName(nullptr, Q("匯出資料  "), filters);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->filterEntry, 1);
  EXPECT_EQ(answer->name, folder.filePath(Q("匯出")));
}

TEST(QtDialogs, OpenDialogShowsAllFiles) {
  bool inspected = false;
  WhenModalUp([&](QWidget& widget) {
    auto* dialog = qobject_cast<QFileDialog*>(&widget);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_LE(dialog->nameFilters().size(), 1);
    if (!dialog->nameFilters().isEmpty()) {
      EXPECT_TRUE(dialog->nameFilters()[0].contains('*'));
    }
    inspected = true;
    dialog->reject();
  });
  EXPECT_EQ(TQtDialogs().GetOpenFileName(nullptr), std::nullopt);
  EXPECT_TRUE(inspected);
}

}  // namespace
}  // namespace tabrin::app
