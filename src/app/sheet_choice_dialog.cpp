#include "app/sheet_choice_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>


namespace tabrin::app {

TSheetChoiceDialog::TSheetChoiceDialog(const QString& reason, const QStringList& sheets, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("SheetChoiceDialog"));
  setWindowTitle(QStringLiteral("選擇工作表"));
  auto* layout = new QVBoxLayout(this);
  reasonLabel = new QLabel(reason, this);
  reasonLabel->setObjectName(QStringLiteral("ReasonLabel"));
  reasonLabel->setTextFormat(Qt::PlainText);
  reasonLabel->setWordWrap(true);
  layout->addWidget(reasonLabel);

  auto* form = new QFormLayout;
  sheetBox = new QComboBox(this);
  sheetBox->setObjectName(QStringLiteral("SheetBox"));
  sheetBox->addItems(sheets);
  form->addRow(QStringLiteral("工作表："), sheetBox);
  titleRowBox = new QSpinBox(this);
  titleRowBox->setObjectName(QStringLiteral("TitleRowBox"));
  titleRowBox->setRange(1, 1048576);
  titleRowBox->setValue(1);
  titleRowBox->setToolTip(QStringLiteral("欄位標題所在的列；上面的列不當作資料"));
  form->addRow(QStringLiteral("標題在第幾列："), titleRowBox);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

TSheetChoice TSheetChoiceDialog::Choice() const {
  TSheetChoice choice;
  choice.sheet = sheetBox->currentText().toStdString();
  choice.titleRow = titleRowBox->value();
  return choice;
}

}  // namespace tabrin::app
