#include "app/setup_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "app/app_look.h"
#include "app/dialogs.h"
#include "app/error_box.h"
#include "config/program_folder.h"
#include "import/cover_setting.h"

namespace tabrin::app {

TFmsetup::TFmsetup(TDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("Fmsetup"));
  setWindowTitle(QStringLiteral("系統設定"));
  setGeometry(424, 266, 330, 192);

  Label1 = new QLabel(QStringLiteral("重複資料是否覆蓋"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(16, 36, 137, 20);

  RBCover = new QGroupBox(this);
  RBCover->setObjectName(QStringLiteral("RBCover"));
  RBCover->setGeometry(152, 22, 121, 41);
  CoverYes = new QRadioButton(QStringLiteral("是"), RBCover);
  CoverNo = new QRadioButton(QStringLiteral("否"), RBCover);
  auto* columns = new QHBoxLayout(RBCover);
  columns->setContentsMargins(8, 4, 8, 4);
  columns->addWidget(CoverYes);
  columns->addWidget(CoverNo);
  choices_ = new QButtonGroup(this);
  choices_->addButton(CoverYes);
  choices_->addButton(CoverNo);
  CoverYes->setChecked(true);  // the stored choice until the file says otherwise

  bbtnOk = new QPushButton(this);
  bbtnOk->setObjectName(QStringLiteral("bbtnOk"));
  bbtnOk->setGeometry(37, 99, 100, 33);
  StyleCommandButton(*bbtnOk, QStringLiteral("確定"), QStringLiteral("ok"));
  bbtnCancel = new QPushButton(this);
  bbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
  bbtnCancel->setGeometry(163, 99, 100, 33);
  StyleCommandButton(*bbtnCancel, QStringLiteral("取消"), QStringLiteral("cancel"));
  bbtnOk->setAutoDefault(false);
  bbtnCancel->setAutoDefault(false);

  UpdateOnly = new QCheckBox(QStringLiteral("只更新已有的資料，不新增"), this);
  UpdateOnly->setObjectName(QStringLiteral("UpdateOnly"));
  UpdateOnly->setGeometry(16, 142, 300, 20);
  KeepBlanks = new QCheckBox(QStringLiteral("空白儲存格保留原來的值"), this);
  KeepBlanks->setObjectName(QStringLiteral("KeepBlanks"));
  KeepBlanks->setGeometry(16, 166, 300, 20);

  setTabOrder(bbtnOk, bbtnCancel);
  setTabOrder(bbtnCancel, CoverYes);
  setTabOrder(CoverYes, CoverNo);
  setTabOrder(CoverNo, UpdateOnly);
  setTabOrder(UpdateOnly, KeepBlanks);

  connect(bbtnOk, &QPushButton::clicked, this, &TFmsetup::bbtnOkClick);
  connect(bbtnCancel, &QPushButton::clicked, this, &TFmsetup::bbtnCancelClick);

  ReportErrors(dialogs_, [this] { FormCreate(); });
}

void TFmsetup::FormCreate() {
  SetImportChoices(ReadImportChoices(ProgramFolder()));
  SetChoice(ReadCoverChoice(ProgramFolder()));
}

TImportChoices TFmsetup::ImportChoices() const { return {UpdateOnly->isChecked(), KeepBlanks->isChecked()}; }

void TFmsetup::SetImportChoices(const TImportChoices& choices) {
  UpdateOnly->setChecked(choices.updateOnly);
  KeepBlanks->setChecked(choices.keepBlanks);
}

std::optional<TCoverMode> TFmsetup::Choice() const {
  if (CoverYes->isChecked()) return TCoverMode::cmOverwrite;
  if (CoverNo->isChecked()) return TCoverMode::cmKeep;
  return std::nullopt;
}

void TFmsetup::SetChoice(std::optional<TCoverMode> choice) {
  if (!choice) {
    // An exclusive group always keeps one button checked.
    choices_->setExclusive(false);
    CoverYes->setChecked(false);
    CoverNo->setChecked(false);
    choices_->setExclusive(true);
    return;
  }
  (*choice == TCoverMode::cmOverwrite ? CoverYes : CoverNo)->setChecked(true);
}

bool TFmsetup::AskCover(std::optional<TCoverMode>& choice) {
  if (dialogs_.RunModal(*this) != QDialog::Accepted) return false;
  choice = Choice();
  return true;
}

void TFmsetup::bbtnOkClick() { accept(); }

// Closing the dialog ends it as Cancel, the same as Esc and the close box.
void TFmsetup::bbtnCancelClick() { close(); }

}  // namespace tabrin::app
