#include "app/dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

namespace tabrin::app {

namespace {

int ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  // No parent: Qt places the box in the middle of the screen, not over the
  // window.
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  return box.exec();
}

}  // namespace

std::optional<QString> TQtDialogs::GetOpenFileName(QWidget* parent) {
  const QString name = QFileDialog::getOpenFileName(parent);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<TSaveAnswer> TQtDialogs::GetSaveFileName(QWidget* parent, const QString& title,
                                                       const QStringList& filters) {
  QString chosenFilter = filters.value(0);
  const QString name = QFileDialog::getSaveFileName(parent, title, QString(), filters.join(QStringLiteral(";;")),
                                                    &chosenFilter, QFileDialog::DontConfirmOverwrite);
  if (name.isEmpty()) return std::nullopt;
  return TSaveAnswer{name, static_cast<int>(std::max<qsizetype>(filters.indexOf(chosenFilter), 0))};
}

QAction* TQtDialogs::PopupMenu(QMenu& menu, const QPoint& screenPos) { return menu.exec(screenPos); }

int TQtDialogs::RunModal(QDialog& dialog) { return dialog.exec(); }

void TQtDialogs::ShowMessage(const QString& caption, const QString& text) {
  ShowBox(QMessageBox::NoIcon, caption, text);
}

void TQtDialogs::ShowError(const QString& caption, const QString& text) {
  ShowBox(QMessageBox::Critical, caption, text);
}

bool TQtDialogs::Ask(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace tabrin::app
