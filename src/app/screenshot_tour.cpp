#include "app/screenshot_tour.h"

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>

#include <iostream>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/mapping_dialog.h"
#include "app/setup_dialog.h"
#include "app/sheet_choice_dialog.h"

namespace tabrin::app {

namespace {

bool Save(QWidget& widget, const QString& file);

// Answers each dialog with what the tour set up next; a box is printed.
class TTourDialogs : public TDialogs {
 public:
  QString openName;
  QString saveName;
  QString menuChoice;
  QString outputDir;
  int mappingPictures = 0;
  bool failed = false;

  std::optional<QString> GetOpenFileName(QWidget*) override { return openName; }
  std::optional<TSaveAnswer> GetSaveFileName(QWidget*, const QString&, const QStringList&) override {
    return TSaveAnswer{saveName, 0};
  }
  // As Qt's menu does: the chosen item is triggered, then returned.
  QAction* PopupMenu(QMenu& menu, const QPoint&) override {
    for (QAction* action : menu.actions()) {
      if (action->text() != menuChoice) continue;
      action->trigger();
      return action;
    }
    return nullptr;
  }
  // The mapping dialog of an export opened again is pictured (the first
  // one as mapping.png) and accepted as proposed; anything else is
  // cancelled.
  int RunModal(QDialog& dialog) override {
    if (dynamic_cast<TMappingDialog*>(&dialog) == nullptr) return QDialog::Rejected;
    dialog.show();
    ++mappingPictures;
    const QString name =
        mappingPictures == 1 ? QStringLiteral("mapping") : QStringLiteral("mapping-%1").arg(mappingPictures);
    if (!Save(dialog, outputDir + QStringLiteral("/") + name + QStringLiteral(".png"))) failed = true;
    dialog.accept();
    return QDialog::Accepted;
  }
  void ShowMessage(const QString&, const QString&) override {}
  void ShowError(const QString&, const QString& text) override {
    std::cerr << "tabrin: " << text.toStdString() << "\n";
    failed = true;
  }
  bool Ask(const QString&, const QString&) override { return false; }
};

void Settle() {
  for (int i = 0; i < 5; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
}

bool Save(QWidget& widget, const QString& file) {
  Settle();
  const bool saved = widget.grab().save(file);
  std::cout << (saved ? "wrote " : "could not write ") << file.toStdString() << "\n";
  return saved;
}

constexpr const char* kTabFileNames[] = {"cls", "item", "supplier", "customer"};

}  // namespace

int RunScreenshotTour(const QString& outputDir) {
  QDir().mkpath(outputDir);
  QTemporaryDir sheets;
  TTourDialogs dialogs;
  dialogs.outputDir = outputDir;
  TFMTabrin window(dialogs);
  window.show();
  Settle();

  bool ok = Save(window, outputDir + QStringLiteral("/window-start.png"));
  dialogs.menuChoice = QStringLiteral("ORVELLAPOS");
  window.dbconnButton->click();
  for (std::size_t i = 0; i < std::size(kTabFileNames); ++i) {
    TTabPage& tab = window.Tab(kMasterTables[i]);
    window.PageControl1->setCurrentIndex(static_cast<int>(i));
    dialogs.saveName = sheets.filePath(QString::fromLatin1(kTabFileNames[i]) + QStringLiteral(".xls"));
    tab.exportBtn->click();
    dialogs.openName = dialogs.saveName;
    tab.xlsBtn->click();
    ok = Save(window, outputDir + QStringLiteral("/window-%1.png").arg(QString::fromLatin1(kTabFileNames[i]))) && ok;
  }
  window.PageControl1->setCurrentIndex(1);

  window.Fmsetup().show();
  ok = Save(window.Fmsetup(), outputDir + QStringLiteral("/settings.png")) && ok;
  window.Fmsetup().hide();

  // The question a workbook without "sheet1" brings, as a Traditional-Chinese
  // Excel makes one: its sheet "工作表1" with a title block above the titles.
  TSheetChoiceDialog choice(QStringLiteral("活頁簿沒有工作表「sheet1」，請選擇要讀的工作表"),
                            {QStringLiteral("說明"), QStringLiteral("工作表1")}, &window);
  choice.setWindowFlag(Qt::Dialog);
  choice.sheetBox->setCurrentIndex(1);
  choice.titleRowBox->setValue(3);
  choice.show();
  ok = Save(choice, outputDir + QStringLiteral("/sheet-choice.png")) && ok;
  choice.hide();
  return ok && !dialogs.failed ? 0 : 1;
}

}  // namespace tabrin::app
