#pragma once
// TSheetView: the table view of a preview grid.  It draws its cells itself,
// row by row (one fill per row, the grid lines as long lines, the texts
// through TCellTextPainter) instead of asking the style and a delegate for
// every cell: a page of the sheet is redrawn on every scroll step, and the
// per-cell style options cost more than the drawing.
#include <QTableView>

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
  std::unique_ptr<TCellTextPainter> text_;
};

}  // namespace tabrin::grid
