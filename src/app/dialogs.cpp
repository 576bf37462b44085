#include "app/dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

namespace tabrin::app {

namespace {

void CentreOnScreen(QWidget& box) {
  box.adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = box.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    box.move(frame.topLeft());
  }
}

int ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  // No parent: the box is centred on the screen, not on the window.
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  CentreOnScreen(box);
  return box.exec();
}

}  // namespace

std::optional<QString> TQtDialogs::GetOpenFileName(QWidget* parent) {
  const QString name = QFileDialog::getOpenFileName(parent);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> TQtDialogs::GetSaveFileName(QWidget* parent, const QString& title, const QString& filter) {
  const QString name = QFileDialog::getSaveFileName(parent, title, QString(), filter, nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
  if (name.isEmpty()) return std::nullopt;
  return name;
}

QAction* TQtDialogs::PopupMenu(QMenu& menu, const QPoint& screenPos) { return menu.exec(screenPos); }

int TQtDialogs::RunModal(QDialog& dialog) { return dialog.exec(); }

void TQtDialogs::ShowMessage(const QString& caption, const QString& text) {
  ShowBox(QMessageBox::NoIcon, caption, text);
}

void TQtDialogs::ShowError(const QString& caption, const QString& text) {
  ShowBox(QMessageBox::Critical, caption, text);
}

}  // namespace tabrin::app
