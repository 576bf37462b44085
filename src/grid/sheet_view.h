#pragma once
// TSheetView: the table view of a preview grid.  It draws its cells itself,
// row by row (one fill per row, the grid lines as long lines, the texts
// through TCellTextPainter) instead of asking the style and a delegate for
// every cell: a page of the sheet is redrawn on every scroll step, and the
// per-cell style options cost more than the drawing.
#include <QImage>
#include <QTableView>
#include <QVector>

#include <memory>

namespace tabrin::grid {

class TCellTextPainter;

class TSheetView : public QTableView {
  Q_OBJECT

 public:
  explicit TSheetView(QWidget* parent = nullptr);
  ~TSheetView() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;  // a new font: new glyph tables

 private:
  bool DrawRowBackgrounds(QPainter& painter, int firstRow, int lastRow, int firstColumn, int lastColumn,
                          const QColor& base, const QColor& gridColor, int line);

  std::unique_ptr<TCellTextPainter> text_;
  // The look of one row under its text, and that row drawn.
  struct TRowLook {
    int height = 0;
    QRgb base = 0;
    QRgb grid = 0;
    QVector<int> columnEnds;  // from the first shown column's left edge
    bool operator==(const TRowLook&) const = default;
  };
  TRowLook rowLook_;
  QImage rowImage_;
};

}  // namespace tabrin::grid
