#pragma once
// The import settings dialog "系統設定": whether an import overwrites a
// record whose code already exists ("是", item 0) or leaves it ("否", item 1).
// Below them two boxes choose what else an import may change: update only
// (no new records) and blank cells keeping the stored value.
// Created once at start-up, hidden, and kept: its choice is read from
// SETUP.ini only then and otherwise stays what the user last clicked, also
// after Cancel.
#include <QDialog>

#include <optional>

#include "import/cover_mode.h"
#include "import/cover_setting.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tabrin::app {

class TDialogs;

class TFmsetup : public QDialog {
  Q_OBJECT
 public:
  // Reports through errorBox an error of its creation (a stored value that is
  // not an integer) and goes on.
  TFmsetup(TDialogs& dialogs, QWidget* parent = nullptr);

  // Shows the dialog modally.  OK: choice becomes the one shown (none when
  // nothing is chosen) and the result is true; otherwise choice is left
  // alone and the result is false.
  bool AskCover(std::optional<TCoverMode>& choice);

  // The choice shown: "是" overwrite, "否" keep, none when neither is checked.
  std::optional<TCoverMode> Choice() const;
  void SetChoice(std::optional<TCoverMode> choice);

  // The two boxes below.
  TImportChoices ImportChoices() const;
  void SetImportChoices(const TImportChoices& choices);

  QLabel* Label1 = nullptr;
  QGroupBox* RBCover = nullptr;
  QRadioButton* CoverYes = nullptr;
  QRadioButton* CoverNo = nullptr;
  QPushButton* bbtnOk = nullptr;
  QPushButton* bbtnCancel = nullptr;
  QCheckBox* UpdateOnly = nullptr;
  QCheckBox* KeepBlanks = nullptr;

 public slots:
  void FormCreate();
  void bbtnOkClick();
  void bbtnCancelClick();

 private:
  TDialogs& dialogs_;
  QButtonGroup* choices_ = nullptr;
};

}  // namespace tabrin::app
