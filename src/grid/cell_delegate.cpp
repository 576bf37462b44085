#include "grid/cell_delegate.h"

#include <QPainter>

#include "grid/grid_look.h"

namespace tabrin::grid {

void TCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
  painter->save();
  painter->fillRect(option.rect, option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
  const QString text = index.data(Qt::DisplayRole).toString();
  if (!text.isEmpty()) {
    const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    painter->setFont(option.font);
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect inner = option.rect.adjusted(kCellMargin, kCellMargin, -kCellMargin, -kCellMargin);
    painter->setClipRect(option.rect);
    painter->drawText(inner, int(alignment) | Qt::TextWordWrap, text);
  }
  painter->restore();
}

QWidget* TCellDelegate::createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const {
  return nullptr;
}

}  // namespace tabrin::grid
