#pragma once
// The two headers of a preview grid, drawn by hand so that they look the same
// under every style: the title row (title colour, title font in white,
// centred, one line high) and the indicator column at the left (11 pixels,
// a marker on the current row, no row numbers).
#include <QHeaderView>
#include <QImage>

namespace tabrin::grid {

class TTitleHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TTitleHeader(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

class TIndicatorHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TIndicatorHeader(QWidget* parent = nullptr);
  QSize sizeHint() const override;

  // The row the marker is drawn on; -1 for none.
  void SetCurrentRow(int row);
  int CurrentRow() const { return currentRow_; }

 protected:
  // A page of rows in one go: one fill, the edges as long lines, the marker.
  // The header's own way (a styled cell per row) is kept for what lies
  // beyond the last row.
  void paintEvent(QPaintEvent* event) override;
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  void DrawMarker(QPainter& painter, const QRect& rect) const;
  bool DrawStamped(QPainter& painter, int first, int last, const QColor& fill, const QColor& edge);

  int currentRow_ = -1;
  // A column of rows as the page draws them, and what it was drawn for.
  QImage stamp_;
  int stampRowHeight_ = 0;
  QRgb stampFill_ = 0, stampEdge_ = 0;
};

}  // namespace tabrin::grid
