#include "app/mapping_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "import/import_tabs.h"
#include "import/saved_mappings.h"
#include "text/ascii.h"

namespace tabrin::app {
namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The entry a column starts on: its own title, the proposed one, leave
// alone, else unmapped.
QString StartEntry(std::string_view column, const std::vector<std::string>& titles, const TColumnMapping& proposed) {
  for (const std::string& title : titles) {
    if (EqualNoCaseAscii(title, column)) return Utf8(title);
  }
  for (const TColumnPair& pair : proposed.pairs) {
    if (pair.column == column) return Utf8(pair.sheetTitle);
  }
  for (const std::string& left : proposed.left) {
    if (left == column) return Utf8(kLeaveEntry);
  }
  return Utf8(kUnmappedEntry);
}

}  // namespace

TMappingDialog::TMappingDialog(TMasterTable table, const std::vector<std::string_view>& columns,
                               const std::vector<std::string>& titles, const TColumnMapping& proposed,
                               QWidget* parent)
    : QDialog(parent), defaultName_(DefaultMappingName(table, titles)) {
  setObjectName(QStringLiteral("MappingDialog"));
  setWindowTitle(QStringLiteral("欄位對應"));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(QStringLiteral("工作表缺少「%1」匯入讀取的欄位。請為每一欄選擇工作表的標題；"
                                          "選「不匯入此欄位」的欄位，覆蓋時保留原值，新增時用資料庫的預設值。")
                               .arg(Utf8(ImportTab(table).caption)),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* area = new QScrollArea(this);
  auto* form = new QWidget(area);
  auto* rows = new QFormLayout(form);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::string_view column = columns[i];
    columns_.emplace_back(column);
    auto* choice = new QComboBox(form);
    choice->setObjectName(QStringLiteral("Column_") + Utf8(column));
    choice->addItem(Utf8(kUnmappedEntry));
    for (const std::string& title : titles) choice->addItem(Utf8(title));
    if (i > 0) choice->addItem(Utf8(kLeaveEntry));  // the code column is always read
    choice->setCurrentText(StartEntry(column, titles, proposed));
    rows->addRow(Utf8(column), choice);
    choices.push_back(choice);
  }
  area->setWidget(form);
  area->setWidgetResizable(true);
  layout->addWidget(area, 1);

  auto* nameRow = new QFormLayout;
  nameEdit = new QLineEdit(Utf8(defaultName_), this);
  nameEdit->setObjectName(QStringLiteral("MappingName"));
  nameRow->addRow(QStringLiteral("存為"), nameEdit);
  layout->addLayout(nameRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("確定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(460, 720);  // the twenty columns of the kind-1 item layout without scrolling
}

TColumnMapping TMappingDialog::Mapping() const {
  TColumnMapping mapping;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const std::string chosen = choices[i]->currentText().toStdString();
    if (chosen == kUnmappedEntry || EqualNoCaseAscii(chosen, columns_[i])) continue;
    if (chosen == kLeaveEntry) {
      mapping.left.push_back(columns_[i]);
    } else {
      mapping.pairs.push_back({chosen, columns_[i]});
    }
  }
  return mapping;
}

std::string TMappingDialog::Name() const {
  const std::string name = nameEdit->text().trimmed().toStdString();
  return name.empty() ? defaultName_ : name;
}

}  // namespace tabrin::app
