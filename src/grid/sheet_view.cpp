#include "grid/sheet_view.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "grid/cell_text_painter.h"
#include "grid/grid_look.h"
#include "grid/sheet_scroll_bar.h"
#include "grid/sheet_table_model.h"

namespace tabrin::grid {

TSheetView::TSheetView(QWidget* parent) : QTableView(parent), text_(std::make_unique<TCellTextPainter>(font())) {
  // paintEvent covers every pixel: no background fill before it.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  // Scroll bars that repaint only when a change shows, connected to the
  // item view as the ones they replace were.
  auto* vertical = new TSheetScrollBar(Qt::Vertical);
  auto* horizontal = new TSheetScrollBar(Qt::Horizontal);
  setVerticalScrollBar(vertical);
  setHorizontalScrollBar(horizontal);
  connect(vertical, &QScrollBar::actionTriggered, this, &TSheetView::verticalScrollbarAction);
  connect(horizontal, &QScrollBar::actionTriggered, this, &TSheetView::horizontalScrollbarAction);
  connect(vertical, &QScrollBar::valueChanged, this, &TSheetView::verticalScrollbarValueChanged);
  connect(horizontal, &QScrollBar::valueChanged, this, &TSheetView::horizontalScrollbarValueChanged);
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
  const std::optional<TPage> page = PageUnder(area, sheet);
  if (!page) {
    painter.fillRect(area, base);
    return;
  }
  FillBeyondCells(painter, area, *page, base);
  const QColor gridColor = GridColor();
  const int line = showGrid() ? 1 : 0;

  // Row by row, its background with its grid lines, then its texts; the
  // selected row is filled over and gets its lines after its text.
  const bool stamped = PrepareRowBackground(*page, base, gridColor, line);
  if (!stamped) painter.fillRect(page->Cells(), base);
  const int selectedRow = DrawRows(painter, area, *page, *sheet, group, line, stamped);
  if (line) DrawGridLines(painter, *page, stamped, selectedRow, gridColor);
}

// None when the area shows no cell: an empty sheet, or the area lies right
// of the last column or below the last row.
std::optional<TSheetView::TPage> TSheetView::PageUnder(const QRect& area, const TSheetTableModel* sheet) const {
  const int rows = sheet ? sheet->rowCount() : 0;
  const int columns = sheet ? sheet->columnCount() : 0;
  TPage page;
  page.firstRow = rowAt(area.top());
  page.lastRow = rowAt(area.bottom());
  page.firstColumn = columnAt(area.left());
  page.lastColumn = columnAt(area.right());
  if (rows == 0 || columns == 0 || page.firstRow < 0 || page.firstColumn < 0) return std::nullopt;
  if (page.lastRow < 0) page.lastRow = rows - 1;
  if (page.lastColumn < 0) page.lastColumn = columns - 1;

  for (int column = page.firstColumn; column <= page.lastColumn; ++column) {
    page.columnLefts.push_back(columnViewportPosition(column));
    page.columnWidths.push_back(columnWidth(column));
  }
  page.left = page.columnLefts.front();
  page.right = page.columnLefts.back() + page.columnWidths.back();
  page.top = rowViewportPosition(page.firstRow);
  page.bottom = rowViewportPosition(page.lastRow) + rowHeight(page.lastRow);
  return page;
}

QColor TSheetView::GridColor() {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  return static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this));
}

// What lies beyond the last column and row.
void TSheetView::FillBeyondCells(QPainter& painter, const QRect& area, const TPage& page, const QColor& base) {
  if (page.right <= area.right()) {
    painter.fillRect(QRect(page.right, area.top(), area.right() - page.right + 1, area.height()), base);
  }
  if (page.bottom <= area.bottom()) {
    painter.fillRect(QRect(area.left(), page.bottom, area.width(), area.bottom() - page.bottom + 1), base);
  }
}

// Each row: its stamped background (when `stamped`), the highlight of a
// selected row, its texts.  A row's texts are laid down before the next row
// is begun, while its pixels are still in the processor's cache.  Returns
// the last selected row, or -1.
int TSheetView::DrawRows(QPainter& painter, const QRect& area, const TPage& page, const TSheetTableModel& sheet,
                         QPalette::ColorGroup group, int line, bool stamped) {
  // Only rows some selection range covers can be selected.
  const QItemSelectionModel* selection = selectionModel();
  int selectionTop = 0, selectionBottom = -1;
  if (selection) {
    for (const QItemSelectionRange& range : selection->selection()) {
      selectionTop = selectionBottom < selectionTop ? range.top() : std::min(selectionTop, range.top());
      selectionBottom = std::max(selectionBottom, range.bottom());
    }
  }
  int selectedRow = -1;
  painter.setFont(text_->Font());
  for (int row = page.firstRow; row <= page.lastRow; ++row) {
    if (stamped) painter.drawImage(QPoint(page.left, rowViewportPosition(row)), rowImage_);
    const bool selected =
        row >= selectionTop && row <= selectionBottom && selection->isRowSelected(row, rootIndex());
    if (selected) {
      const QRect rowRect(page.left, rowViewportPosition(row), page.right - page.left, rowHeight(row));
      painter.fillRect(rowRect, palette().color(group, QPalette::Highlight));
      selectedRow = row;
    }
    const QColor textColor = palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    if (textColor != painter.pen().color()) painter.setPen(textColor);
    DrawRowTexts(painter, page, sheet, row, line);
    text_->Flush(painter, area);
  }
  return selectedRow;
}

void TSheetView::DrawRowTexts(QPainter& painter, const TPage& page, const TSheetTableModel& sheet, int row, int line) {
  const int y = rowViewportPosition(row);
  const int height = rowHeight(row);
  for (int column = page.firstColumn; column <= page.lastColumn; ++column) {
    sheet.CellText(row, column, cellText_);
    if (cellText_.isEmpty()) continue;
    const auto shown = static_cast<qsizetype>(column - page.firstColumn);
    const QRect cell(page.columnLefts[shown], y, page.columnWidths[shown] - line, height - line);
    text_->Draw(painter, cell.adjusted(kCellMargin, kCellMargin, -kCellMargin, -kCellMargin), cellText_,
                sheet.IsNumberColumn(column));
  }
}

// Grid lines as one-pixel rectangles: solid fills are the raster engine's
// cheapest operation, far cheaper than stroked lines.  Stamped rows carry
// their lines already; only the selected one, filled over, needs them again.
void TSheetView::DrawGridLines(QPainter& painter, const TPage& page, bool stamped, int selectedRow,
                               const QColor& gridColor) {
  const int linesTop = stamped ? rowViewportPosition(std::max(selectedRow, page.firstRow)) : page.top;
  const int linesBottom = stamped ? (selectedRow < 0 ? linesTop : linesTop + rowHeight(selectedRow)) : page.bottom;
  if (linesBottom <= linesTop) return;
  for (qsizetype shown = 0; shown < page.columnLefts.size(); ++shown) {
    const int x = page.columnLefts[shown] + page.columnWidths[shown] - 1;
    painter.fillRect(QRect(x, linesTop, 1, linesBottom - linesTop), gridColor);
  }
  for (int row = page.firstRow; row <= page.lastRow; ++row) {
    const int y = rowViewportPosition(row) + rowHeight(row) - 1;
    if (y >= linesTop && y < linesBottom) painter.fillRect(QRect(page.left, y, page.right - page.left, 1), gridColor);
  }
}

// Every row of a page looks the same under its text: the window colour with
// the column lines and the bottom line.  That row is drawn once into an image
// (as the lines would be drawn over the filled rows) and copied under each
// row, which costs a fraction of filling the page and then drawing each line
// down it.  Only for rows of one height; false when there is no such image.
bool TSheetView::PrepareRowBackground(const TPage& page, const QColor& base, const QColor& gridColor, int line) {
  const int height = rowHeight(page.firstRow);
  for (int row = page.firstRow + 1; row <= page.lastRow; ++row) {
    if (rowHeight(row) != height) return false;
  }
  const int left = page.left;
  TRowLook look;
  look.height = height;
  look.base = base.rgba();
  look.grid = line ? gridColor.rgba() : 0;
  for (qsizetype shown = 0; shown < page.columnLefts.size(); ++shown) {
    look.columnEnds.push_back(page.columnLefts[shown] + page.columnWidths[shown] - left);
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
  return true;
}

}  // namespace tabrin::grid
