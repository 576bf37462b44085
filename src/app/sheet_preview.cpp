#include "app/sheet_preview.h"

#include <QAbstractTableModel>
#include <QHeaderView>

#include <vector>

#include "db/query.h"
#include "import/workbook_preview_columns.h"

namespace tabrin::app {

class TSheetPreviewModel : public QAbstractTableModel {
 public:
  explicit TSheetPreviewModel(TMasterTable table) : list_(GridColumnList(table)) {}

  void SetSheet(TQuery* sheet) {
    beginResetModel();
    sheet_ = sheet;
    columns_.clear();
    if (sheet_ != nullptr && sheet_->Active()) columns_ = GridColumnsPresent(list_, *sheet_);
    endResetModel();
  }

  void SetSuspended(bool suspended) {
    beginResetModel();
    suspended_ = suspended;
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override {
    if (parent.isValid() || suspended_ || sheet_ == nullptr || !sheet_->Active()) return 0;
    return sheet_->RecordCount();
  }

  int columnCount(const QModelIndex& parent) const override {
    if (parent.isValid()) return 0;
    return sheet_ != nullptr ? static_cast<int>(columns_.size()) : static_cast<int>(list_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || suspended_ || sheet_ == nullptr || !sheet_->Active()) return {};
    sheet_->MoveTo(index.row());
    if (sheet_->Eof()) return {};
    return QString::fromStdString(columns_[static_cast<std::size_t>(index.column())].field->AsString());
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    const TGridColumnEntry& entry =
        sheet_ != nullptr ? *columns_[static_cast<std::size_t>(section)].entry : list_[static_cast<std::size_t>(section)];
    return QString::fromUtf8(entry.title.data(), static_cast<qsizetype>(entry.title.size()));
  }

 private:
  std::span<const TGridColumnEntry> list_;
  TQuery* sheet_ = nullptr;
  std::vector<TGridColumn> columns_;
  bool suspended_ = false;
};

TSheetPreview::TSheetPreview(TMasterTable table, QWidget* parent)
    : QTableView(parent), model_(std::make_unique<TSheetPreviewModel>(table)) {
  setModel(model_.get());
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  verticalHeader()->setDefaultSectionSize(20);
}

TSheetPreview::~TSheetPreview() { setModel(nullptr); }

void TSheetPreview::SetSheet(TQuery* openSheet, const QString& /*fileName*/) { model_->SetSheet(openSheet); }

void TSheetPreview::SetSuspended(bool suspended) { model_->SetSuspended(suspended); }

}  // namespace tabrin::app
