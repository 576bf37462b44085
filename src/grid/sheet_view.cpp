#include "grid/sheet_view.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

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

  // The rows' backgrounds with their grid lines, then the texts.  The
  // selected row is filled over and gets its lines after its text.
  const bool stamped = DrawRowBackgrounds(painter, firstRow, lastRow, firstColumn, lastColumn, base, gridColor, line);
  if (!stamped) painter.fillRect(QRect(left, top, right - left, bottom - top), base);
  int selectedRow = -1;
  painter.setFont(text_->Font());
  for (int row = firstRow; row <= lastRow; ++row) {
    const int y = rowViewportPosition(row);
    const int height = rowHeight(row);
    const bool selected = selection && selection->isRowSelected(row, rootIndex());
    if (selected) {
      painter.fillRect(QRect(left, y, right - left, height), palette().color(group, QPalette::Highlight));
      selectedRow = row;
    }
    const QColor textColor = palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    if (textColor != painter.pen().color()) {
      text_->Flush(painter, area);
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
  text_->Flush(painter, area);

  // Grid lines as one-pixel rectangles: solid fills are the raster engine's
  // cheapest operation, far cheaper than stroked lines.
  if (!line) return;
  const int linesTop = stamped ? rowViewportPosition(std::max(selectedRow, firstRow)) : top;
  const int linesBottom = stamped ? (selectedRow < 0 ? linesTop : linesTop + rowHeight(selectedRow)) : bottom;
  if (linesBottom <= linesTop) return;
  for (int column = firstColumn; column <= lastColumn; ++column) {
    const int x = columnViewportPosition(column) + columnWidth(column) - 1;
    painter.fillRect(QRect(x, linesTop, 1, linesBottom - linesTop), gridColor);
  }
  for (int row = firstRow; row <= lastRow; ++row) {
    const int y = rowViewportPosition(row) + rowHeight(row) - 1;
    if (y >= linesTop && y < linesBottom) painter.fillRect(QRect(left, y, right - left, 1), gridColor);
  }
}

// Every row of a page looks the same under its text: the window colour with
// the column lines and the bottom line.  That row is drawn once into an image
// (as the lines would be drawn over the filled rows) and copied under each
// row, which costs a fraction of filling the page and then drawing each line
// down it.  Only for rows of one height; false when nothing was drawn.
bool TSheetView::DrawRowBackgrounds(QPainter& painter, int firstRow, int lastRow, int firstColumn, int lastColumn,
                                    const QColor& base, const QColor& gridColor, int line) {
  const int height = rowHeight(firstRow);
  for (int row = firstRow + 1; row <= lastRow; ++row) {
    if (rowHeight(row) != height) return false;
  }
  const int left = columnViewportPosition(firstColumn);
  TRowLook look;
  look.height = height;
  look.base = base.rgba();
  look.grid = line ? gridColor.rgba() : 0;
  for (int column = firstColumn; column <= lastColumn; ++column) {
    look.columnEnds.push_back(columnViewportPosition(column) + columnWidth(column) - left);
  }
  if (height <= 0 || look.columnEnds.back() <= 0) return false;
  if (!(look == rowLook_) || rowImage_.isNull()) {
    rowImage_ = QImage(look.columnEnds.back(), height, QImage::Format_RGB32);
    QPainter row(&rowImage_);
    row.fillRect(rowImage_.rect(), base);
    if (line) {
      for (int end : look.columnEnds) row.fillRect(QRect(end - 1, 0, 1, height), gridColor);
      row.fillRect(QRect(0, height - 1, rowImage_.width(), 1), gridColor);
    }
    rowLook_ = std::move(look);
  }
  for (int row = firstRow; row <= lastRow; ++row) painter.drawImage(QPoint(left, rowViewportPosition(row)), rowImage_);
  return true;
}

}  // namespace tabrin::grid
