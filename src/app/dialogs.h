#pragma once
// Everything the window shows modally and waits for: the file dialogs, the
// pop-up menu, the settings dialog, the message, question and error boxes.  The
// window reaches them only through TDialogs, so that a scripted stand-in can
// answer them in tests and no test waits for a person.
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace tabrin::app {

// What the save dialog answered: the name as entered and the entry of the
// filter it was chosen under (0 for the first).
struct TSaveAnswer {
  QString name;
  int filterEntry = 0;
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // The open dialog: all files, no title of its own.  nullopt = cancelled.
  virtual std::optional<QString> GetOpenFileName(QWidget* parent) = 0;
  // The save dialog with its title and the entries of its filter (Qt's
  // "description (pattern)" each), the first one chosen at the start; it
  // does not ask before replacing a file and adds no extension of its own.
  // nullopt = cancelled.
  virtual std::optional<TSaveAnswer> GetSaveFileName(QWidget* parent, const QString& title,
                                                     const QStringList& filters) = 0;
  // Shows the menu with its top-left corner at a screen point.  The chosen
  // action is triggered (by the menu, before it returns) and returned;
  // nullptr when dismissed.
  virtual QAction* PopupMenu(QMenu& menu, const QPoint& screenPos) = 0;
  // Runs a dialog modally; its result (QDialog::Accepted or Rejected).
  virtual int RunModal(QDialog& dialog) = 0;
  // A message box: no icon, one OK button, centred on the screen.
  virtual void ShowMessage(const QString& caption, const QString& text) = 0;
  // The error box: stop icon, one OK button.
  virtual void ShowError(const QString& caption, const QString& text) = 0;
  // A question box: question icon, Yes and No buttons, No the default (a
  // clerk who presses Enter out of habit changes nothing).  True for Yes.
  virtual bool Ask(const QString& caption, const QString& text) = 0;
};

// The real ones, on Qt's dialogs.
class TQtDialogs : public TDialogs {
 public:
  std::optional<QString> GetOpenFileName(QWidget* parent) override;
  std::optional<TSaveAnswer> GetSaveFileName(QWidget* parent, const QString& title,
                                             const QStringList& filters) override;
  QAction* PopupMenu(QMenu& menu, const QPoint& screenPos) override;
  int RunModal(QDialog& dialog) override;
  void ShowMessage(const QString& caption, const QString& text) override;
  void ShowError(const QString& caption, const QString& text) override;
  bool Ask(const QString& caption, const QString& text) override;
};

}  // namespace tabrin::app
