#pragma once
// Draws a data cell of a preview grid: the text with a 2-pixel margin,
// word-wrapped, aligned as the model says; the selected row in the
// palette's highlight colours, the others on the base colour.  Cheaper than
// the style's item drawing, which matters when a page of cells is drawn on
// every scroll step.
#include <QStyledItemDelegate>

namespace tabrin::grid {

class TCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The grid is read-only: no editor is ever made.
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace tabrin::grid
