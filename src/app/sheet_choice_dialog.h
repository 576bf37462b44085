#pragma once
// "選擇工作表": asked when a workbook does not open on a tab as the tab reads
// it (no sheet "sheet1", or a sheet without any of the tab's columns, as when
// a title block stands above the titles).  It says why, lists the
// workbook's sheets and takes the row the titles are on; the window runs it
// through TDialogs::RunModal.
#include <QDialog>
#include <QStringList>

#include "import/import_tabs.h"

class QComboBox;
class QLabel;
class QSpinBox;

namespace tabrin::app {

class TSheetChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  TSheetChoiceDialog(const QString& reason, const QStringList& sheets, QWidget* parent = nullptr);

  // The sheet chosen and its title row (1 = the first).
  TSheetChoice Choice() const;

  QLabel* reasonLabel = nullptr;
  QComboBox* sheetBox = nullptr;
  QSpinBox* titleRowBox = nullptr;
};

}  // namespace tabrin::app
