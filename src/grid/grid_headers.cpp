#include "grid/grid_headers.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

#include "grid/grid_look.h"

namespace tabrin::grid {

namespace {

// The right and bottom edges of a header cell, in the colour of the grid's
// lines, so that header and body lines meet.
void DrawCellEdges(QPainter* painter, const QRect& rect, const QColor& color) {
  painter->fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), color);
  painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), color);
}

}  // namespace

TTitleHeader::TTitleHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setFont(TitleFont());
  setSectionsClickable(false);
  setHighlightSections(false);
  setSectionsMovable(false);
  setSectionResizeMode(QHeaderView::Interactive);
  setMinimumSectionSize(kCellMargin * 2);
  setDefaultAlignment(Qt::AlignCenter);
}

QSize TTitleHeader::sizeHint() const {
  return {length(), TitleRowHeight(font())};
}

void TTitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  painter->fillRect(rect, TitleBackground());
  DrawCellEdges(painter, rect, palette().color(QPalette::Mid));
  const QString title = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
  painter->setFont(font());
  painter->setPen(TitleText());
  painter->drawText(rect.adjusted(kCellMargin, 0, -kCellMargin, 0), Qt::AlignCenter | Qt::TextSingleLine, title);
  painter->restore();
}

TIndicatorHeader::TIndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
  setSectionsClickable(false);
  setHighlightSections(false);
  setSectionsMovable(false);
  setMinimumSectionSize(1);
  setSectionResizeMode(QHeaderView::Fixed);
}

QSize TIndicatorHeader::sizeHint() const { return {kIndicatorWidth, length()}; }

void TIndicatorHeader::SetCurrentRow(int row) {
  if (row == currentRow_) return;
  const int previous = currentRow_;
  currentRow_ = row;
  for (int changed : {previous, row}) {
    if (changed < 0 || changed >= count()) continue;
    viewport()->update(0, sectionViewportPosition(changed), viewport()->width(), sectionSize(changed));
  }
}

void TIndicatorHeader::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect();
  const int first = visualIndexAt(area.top());
  const int last = visualIndexAt(area.bottom());
  // Rows are neither moved nor hidden, so visual and logical indexes agree.
  if (first < 0 || last < 0 || sectionsMoved() || sectionsHidden()) {
    QHeaderView::paintEvent(event);
    return;
  }
  QPainter painter(viewport());
  const int width = viewport()->width();
  const int top = sectionViewportPosition(first);
  const int bottom = sectionViewportPosition(last) + sectionSize(last);
  const QColor edge = palette().color(QPalette::Mid);
  const QColor fill = palette().color(QPalette::Button);
  if (!DrawStamped(painter, first, last, fill, edge)) {
    painter.fillRect(QRect(0, top, width, bottom - top), fill);
    painter.fillRect(QRect(width - 1, top, 1, bottom - top), edge);
    for (int row = first; row <= last; ++row) {
      const int y = sectionViewportPosition(row) + sectionSize(row) - 1;
      painter.fillRect(QRect(0, y, width, 1), edge);
    }
  }
  if (currentRow_ >= first && currentRow_ <= last) {
    DrawMarker(painter, QRect(0, sectionViewportPosition(currentRow_), width, sectionSize(currentRow_)));
  }
}

// Rows of one height look alike: the page of them is drawn once into an
// image (the fill, the right edge, each row's bottom edge, as the fills would
// lay them) and copied.  Only for opaque colours; false when not drawn.
bool TIndicatorHeader::DrawStamped(QPainter& painter, int first, int last, const QColor& fill, const QColor& edge) {
  const int height = sectionSize(first);
  for (int row = first + 1; row <= last; ++row) {
    if (sectionSize(row) != height) return false;
  }
  const int width = viewport()->width();
  const int rows = last - first + 1;
  if (height <= 0 || width <= 0 || fill.alpha() != 255 || edge.alpha() != 255) return false;
  if (stamp_.width() != width || stamp_.height() < rows * height || stampRowHeight_ != height ||
      stampFill_ != fill.rgba() || stampEdge_ != edge.rgba()) {
    // Room for a page of the viewport's height, so that it is made once.
    const int stampRows = std::max(rows, viewport()->height() / height + 2);
    stamp_ = QImage(width, stampRows * height, QImage::Format_RGB32);
    QPainter image(&stamp_);
    image.fillRect(stamp_.rect(), fill);
    image.fillRect(QRect(width - 1, 0, 1, stamp_.height()), edge);
    for (int row = 0; row < stampRows; ++row) image.fillRect(QRect(0, (row + 1) * height - 1, width, 1), edge);
    stampRowHeight_ = height;
    stampFill_ = fill.rgba();
    stampEdge_ = edge.rgba();
  }
  painter.drawImage(QPoint(0, sectionViewportPosition(first)), stamp_, QRect(0, 0, width, rows * height));
  return true;
}

void TIndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->fillRect(rect, palette().color(QPalette::Button));
  DrawCellEdges(painter, rect, palette().color(QPalette::Mid));
  if (logicalIndex == currentRow_) DrawMarker(*painter, rect);
}

// A small right-pointing triangle, centred in the row's cell.
void TIndicatorHeader::DrawMarker(QPainter& painter, const QRect& rect) const {
  painter.save();
  const int half = std::max(2, std::min(rect.width(), rect.height()) / 3);
  const QPoint centre = rect.center();
  const QPolygon marker({QPoint(centre.x() - half / 2, centre.y() - half), QPoint(centre.x() - half / 2, centre.y() + half),
                         QPoint(centre.x() + half / 2 + 1, centre.y())});
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(Qt::NoPen);
  painter.setBrush(palette().color(QPalette::WindowText));
  painter.drawPolygon(marker);
  painter.restore();
}

}  // namespace tabrin::grid
