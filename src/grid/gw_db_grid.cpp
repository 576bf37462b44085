#include "grid/gw_db_grid.h"

#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "db/query.h"
#include "grid/cached_scroll_bar_style.h"
#include "grid/grid_headers.h"
#include "grid/grid_look.h"
#include "grid/sheet_view.h"

namespace tabrin::grid {

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

TShownColumn ShownColumn(const TGridColumnEntry& entry, TField* field) {
  TShownColumn column;
  column.title = ToQString(entry.title);
  column.fieldName = ToQString(entry.fieldName);
  column.widthInCharacters = entry.width;
  column.field = field;
  column.number = field && IsNumberField(*field);
  return column;
}

// The grid always has at least one column: when every entry is gone, an
// untitled one over nothing, as wide as a usual column.
void KeepOneColumn(std::vector<TShownColumn>& columns) {
  if (!columns.empty()) return;
  TShownColumn placeholder;
  placeholder.widthInCharacters = 10;
  columns.push_back(placeholder);
}

}  // namespace

TgwDBGrid::TgwDBGrid(TMasterTable table, QWidget* parent)
    : QWidget(parent),
      table_(table),
      columnSet_(GridColumnList(table)),
      model_(new TSheetTableModel(this)),
      view_(new TSheetView(this)),
      titles_(new TTitleHeader(view_)),
      indicator_(new TIndicatorHeader(view_)),
      status_(new QLabel(this)) {
  const QFont cellFont = CellFont();
  view_->setFont(cellFont);
  view_->setHorizontalHeader(titles_);
  view_->setVerticalHeader(indicator_);
  indicator_->setDefaultSectionSize(DataRowHeight(cellFont));
  view_->setModel(model_);

  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setShowGrid(true);
  view_->setGridStyle(Qt::SolidLine);
  view_->setWordWrap(true);
  view_->setCornerButtonEnabled(false);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  // Made after the view, so that it outlives the scroll bars it draws.
  auto* barStyle = new TCachedScrollBarStyle(this);
  view_->verticalScrollBar()->setStyle(barStyle);
  view_->horizontalScrollBar()->setStyle(barStyle);
  view_->setDragEnabled(false);
  view_->setSortingEnabled(false);

  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { indicator_->SetCurrentRow(current.isValid() ? current.row() : -1); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { indicator_->SetCurrentRow(-1); });

  status_->setTextFormat(Qt::PlainText);
  status_->setContentsMargins(4, 2, 4, 2);
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // a long name must not widen the tab

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 1);
  layout->addWidget(status_);

  SetSheet(nullptr);
}

TgwDBGrid::~TgwDBGrid() = default;

void TgwDBGrid::SetSheet(TQuery* openSheet, const QString& fileName) {
  if (model_->Suspended()) model_->Resume();
  if (!openSheet || !openSheet->Active()) {
    model_->ShowTitles(TitleColumns());
    ApplyColumnWidths();
    UpdateStatus({}, -1);
    return;
  }
  std::vector<TShownColumn> columns = ColumnsOf(columnSet_.Build(*openSheet));
  KeepOneColumn(columns);
  model_->ShowSheet(*openSheet, std::move(columns));
  ApplyColumnWidths();
  ShowFirstRowAsCurrent();
  UpdateStatus(fileName, model_->rowCount());
}

void TgwDBGrid::SetRowNotes(TRowNotes notes) {
  const QModelIndex current = view_->currentIndex();
  const int row = current.isValid() ? current.row() : 0;
  model_->SetRowNotes(std::move(notes));
  ApplyColumnWidths();
  if (row < model_->rowCount()) {
    view_->setCurrentIndex(model_->index(row, 0));
    view_->scrollTo(model_->index(row, 0));
  }
}

void TgwDBGrid::SetSuspended(bool suspended) {
  if (suspended == model_->Suspended()) return;
  if (suspended) {
    // Keep the rows on screen (and the one below a partly shown last row).
    const int first = view_->rowAt(0);
    int last = view_->rowAt(view_->viewport()->height() - 1);
    if (last < 0) last = model_->rowCount() - 1;
    model_->Suspend(first < 0 ? 0 : first, last);
  } else {
    model_->Resume();
    view_->viewport()->update();
  }
}

QTableView* TgwDBGrid::View() const { return view_; }

bool TgwDBGrid::Suspended() const { return model_->Suspended(); }

std::vector<TShownColumn> TgwDBGrid::ColumnsOf(const std::vector<TGridColumn>& shown) const {
  std::vector<TShownColumn> columns;
  columns.reserve(shown.size());
  for (const TGridColumn& column : shown) columns.push_back(ShownColumn(*column.entry, column.field));
  return columns;
}

std::vector<TShownColumn> TgwDBGrid::TitleColumns() const {
  std::vector<TShownColumn> columns;
  for (const TGridColumnEntry* entry : columnSet_.Remaining()) columns.push_back(ShownColumn(*entry, nullptr));
  KeepOneColumn(columns);
  return columns;
}

void TgwDBGrid::ApplyColumnWidths() {
  const QFont cellFont = view_->font();
  const QFont titleFont = titles_->font();
  const std::vector<TShownColumn>& columns = model_->Columns();
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const TShownColumn& column = columns[static_cast<std::size_t>(i)];
    titles_->resizeSection(i, ColumnPixelWidth(column.widthInCharacters, column.title, cellFont, titleFont));
  }
}

void TgwDBGrid::ShowFirstRowAsCurrent() {
  if (model_->rowCount() == 0) return;
  view_->setCurrentIndex(model_->index(0, 0));
  view_->scrollToTop();
}

void TgwDBGrid::UpdateStatus(const QString& fileName, int rows) {
  if (rows < 0) {
    status_->setText(QStringLiteral("尚未開啟活頁簿"));
    status_->setToolTip({});
    return;
  }
  QString text = QFileInfo(fileName).fileName();
  if (!text.isEmpty()) text += QStringLiteral("　");
  text += QStringLiteral("共 %1 筆").arg(rows);
  const auto& removed = columnSet_.Removed();
  if (!removed.empty()) {
    QStringList titles;
    for (const TGridColumnEntry* entry : removed) titles << ToQString(entry->title);
    text += QStringLiteral("　已移除 %1 欄：%2").arg(removed.size()).arg(titles.join(QStringLiteral("、")));
  }
  if (columnSet_.Remaining().empty()) text += QStringLiteral("　工作表沒有本頁的任何欄位");
  status_->setText(text);
  status_->setToolTip(fileName);
}

}  // namespace tabrin::grid
