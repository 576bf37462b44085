#pragma once
// The real main window in process, on a fresh program folder, with every
// modal thing answered by a script (TScriptedDialogs), so that no test waits.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPoint>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/dialogs.h"
#include "app/main_window.h"

// The caption every box must carry: the Title of the site configuration the
// test program starts with.
extern const char* const kTestTitle;

namespace tabrin::app {

struct TShownBox {
  QString caption;
  QString text;
};

class TScriptedDialogs : public TDialogs {
 public:
  // Answers, used in order; an empty queue or an empty name answers
  // "cancelled".
  std::deque<QString> openNames;
  std::deque<QString> saveNames;
  // The filter entry each save answer is chosen under; the first entry once
  // the queue is empty.
  std::deque<int> saveEntries;
  std::optional<QString> menuChoice;  // caption of the item to choose
  std::deque<bool> askAnswers;        // an empty queue answers No
  std::function<int(QDialog&)> modalScript = [](QDialog& dialog) {
    dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  };

  // What was shown.
  std::vector<TShownBox> messages;
  std::vector<TShownBox> errors;
  std::vector<TShownBox> questions;
  struct TSaveDialog {
    QString title;
    QStringList filters;
  };
  std::vector<TSaveDialog> saveDialogs;
  std::vector<QPoint> menuPositions;
  std::vector<QStringList> menuItems;

  std::optional<QString> GetOpenFileName(QWidget* parent) override;
  std::optional<TSaveAnswer> GetSaveFileName(QWidget* parent, const QString& title,
                                             const QStringList& filters) override;
  QAction* PopupMenu(QMenu& menu, const QPoint& screenPos) override;
  int RunModal(QDialog& dialog) override;
  void ShowMessage(const QString& caption, const QString& text) override;
  void ShowError(const QString& caption, const QString& text) override;
  bool Ask(const QString& caption, const QString& text) override;
};

// A fresh program folder; the window is made by MakeWindow() so that a test
// can prepare the folder first.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TFMTabrin& MakeWindow();
  void CreateSampleDatabase();
  void CreateEmptyDatabase();
  std::string File(const std::string& name) const { return home_ + name; }
  void WriteFile(const std::string& name, const std::string& text) const;
  std::string ReadFile(const std::string& name) const;
  // Connects through the menu to kind 1.
  void ConnectKind1();
  // Runs a query on the kind-1 database file; rows of tab-joined values.
  std::vector<std::string> Rows(const std::string& sql) const;

  std::string home_;
  TScriptedDialogs dialogs_;
  std::unique_ptr<TFMTabrin> window_;
};

using TCell = std::variant<std::monostate, std::string, double>;
// A workbook with one sheet "Sheet1": the titles, then the rows.
void WriteWorkbook(const std::string& path, const std::vector<std::string>& titles,
                   const std::vector<std::vector<TCell>>& rows);
// The rows of a workbook's sheet1 as the window's sheet query reads them,
// every cell as text, joined by tabs; the first line holds the field names.
std::vector<std::string> ReadWorkbook(const std::string& path);

QString Q(const char* utf8);

}  // namespace tabrin::app
