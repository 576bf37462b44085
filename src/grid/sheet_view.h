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
#include <optional>

namespace tabrin::grid {

class TCellTextPainter;
class TSheetTableModel;

class TSheetView : public QTableView {
  Q_OBJECT

 public:
  explicit TSheetView(QWidget* parent = nullptr);
  ~TSheetView() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;  // a new font: new glyph tables

 private:
  // The part of the sheet a paint event covers: the rows and columns under
  // its area and their edges in the viewport (right and bottom one past).
  struct TPage {
    int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
    // Each shown column's left edge and width, firstColumn first: asked of
    // the header once per page, not once per cell.
    QVector<int> columnLefts, columnWidths;
    QRect Cells() const { return QRect(left, top, right - left, bottom - top); }
  };

  std::optional<TPage> PageUnder(const QRect& area, const TSheetTableModel* sheet) const;
  QColor GridColor();
  void FillBeyondCells(QPainter& painter, const QRect& area, const TPage& page, const QColor& base);
  bool PrepareRowBackground(const TPage& page, const QColor& base, const QColor& gridColor, int line);
  int DrawRows(QPainter& painter, const QRect& area, const TPage& page, const TSheetTableModel& sheet,
               QPalette::ColorGroup group, int line, bool stamped);
  void DrawRowTexts(QPainter& painter, const TPage& page, const TSheetTableModel& sheet, int row, int line);
  void DrawGridLines(QPainter& painter, const TPage& page, bool stamped, int selectedRow, const QColor& gridColor);

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
  QString cellText_;  // the cell being drawn, its buffer kept from cell to cell
};

}  // namespace tabrin::grid
