#include "grid/sheet_view.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>

#include "grid/cell_text_painter.h"
#include "grid/grid_look.h"
#include "grid/sheet_table_model.h"

namespace tabrin::grid {

TSheetView::TSheetView(QWidget* parent) : QTableView(parent), text_(std::make_unique<TCellTextPainter>(font())) {
  // paintEvent covers every pixel: no background fill before it.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

TSheetView::~TSheetView() = default;

void TSheetView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) text_ = std::make_unique<TCellTextPainter>(font());
  QTableView::changeEvent(event);
}

void TSheetView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  const QPalette::ColorGroup group = isActiveWindow() ? QPalette::Active : QPalette::Inactive;
  const QColor base = palette().color(group, QPalette::Base);
  const auto* sheet = qobject_cast<const TSheetTableModel*>(model());

  const int rows = sheet ? sheet->rowCount() : 0;
  const int columns = sheet ? sheet->columnCount() : 0;
  int firstRow = rowAt(area.top());
  int lastRow = rowAt(area.bottom());
  int firstColumn = columnAt(area.left());
  int lastColumn = columnAt(area.right());
  if (rows == 0 || columns == 0 || firstRow < 0 || firstColumn < 0) {
    painter.fillRect(area, base);
    return;
  }
  if (lastRow < 0) lastRow = rows - 1;
  if (lastColumn < 0) lastColumn = columns - 1;

  const int left = columnViewportPosition(firstColumn);
  const int right = columnViewportPosition(lastColumn) + columnWidth(lastColumn);  // one past
  const int top = rowViewportPosition(firstRow);
  const int bottom = rowViewportPosition(lastRow) + rowHeight(lastRow);
  // What lies beyond the last column and row.
  if (right <= area.right()) painter.fillRect(QRect(right, area.top(), area.right() - right + 1, area.height()), base);
  if (bottom <= area.bottom()) painter.fillRect(QRect(area.left(), bottom, area.width(), area.bottom() - bottom + 1), base);

  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QColor gridColor = static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this));
  const int line = showGrid() ? 1 : 0;
  const QItemSelectionModel* selection = selectionModel();

  // One fill for the rows' background (each fill has a fixed cost, which
  // matters on every scroll step), then the selected row over it.
  painter.fillRect(QRect(left, top, right - left, bottom - top), base);
  painter.setFont(text_->Font());
  for (int row = firstRow; row <= lastRow; ++row) {
    const int y = rowViewportPosition(row);
    const int height = rowHeight(row);
    const bool selected = selection && selection->isRowSelected(row, rootIndex());
    if (selected) painter.fillRect(QRect(left, y, right - left, height), palette().color(group, QPalette::Highlight));
    const QColor textColor = palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    if (textColor != painter.pen().color()) {
      text_->Flush(painter);
      painter.setPen(textColor);
    }
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const QString text = sheet->CellText(row, column);
      if (text.isEmpty()) continue;
      const QRect cell(columnViewportPosition(column), y, columnWidth(column) - line, height - line);
      text_->Draw(painter, cell.adjusted(kCellMargin, kCellMargin, -kCellMargin, -kCellMargin), text,
                  sheet->IsNumberColumn(column));
    }
  }
  text_->Flush(painter);

  // Grid lines as one-pixel rectangles: solid fills are the raster engine's
  // cheapest operation, far cheaper than stroked lines.
  if (line) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const int x = columnViewportPosition(column) + columnWidth(column) - 1;
      painter.fillRect(QRect(x, top, 1, bottom - top), gridColor);
    }
    for (int row = firstRow; row <= lastRow; ++row) {
      const int y = rowViewportPosition(row) + rowHeight(row) - 1;
      painter.fillRect(QRect(left, y, right - left, 1), gridColor);
    }
  }
}

}  // namespace tabrin::grid
