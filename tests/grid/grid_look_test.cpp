// How the grid looks, measured on the fonts actually loaded: column widths,
// row heights, alignment of numbers, the title row's colours, the selected
// row and the indicator column, checked on the drawn pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableView>
#include <QTextLayout>

#include <algorithm>
#include <optional>
#include <set>

#include "grid/grid_look.h"
#include "grid/gw_db_grid.h"
#include "grid/sheet_table_model.h"
#include "grid_test_support.h"
#include "import/workbook_preview_columns.h"

namespace tabrin::test {
namespace {

using grid::TgwDBGrid;

void Show(TgwDBGrid& grid, int width = 900, int height = 400) {
  grid.resize(width, height);
  grid.show();
  QApplication::processEvents();
}

// The horizontal extent of the pixels inside `rect` that differ from the
// colour at its inner top-left corner (the cell's background).
std::optional<std::pair<int, int>> InkColumns(const QImage& image, const QRect& rect) {
  const QRect inner = rect.adjusted(1, 1, -2, -2);
  const QRgb background = image.pixel(inner.topLeft());
  int left = -1, right = -1;
  for (int y = inner.top(); y <= inner.bottom(); ++y) {
    for (int x = inner.left(); x <= inner.right(); ++x) {
      if (image.pixel(x, y) == background) continue;
      left = left < 0 ? x : std::min(left, x);
      right = std::max(right, x);
    }
  }
  if (left < 0) return std::nullopt;
  return std::make_pair(left, right);
}

TEST(GridLook, FontsAreTheRequestedFamiliesAtTheirPixelSizes) {
  TgwDBGrid grid(TMasterTable::mtItem);
  const QFont cell = grid.View()->font();
  const QFont title = grid.View()->horizontalHeader()->font();
  EXPECT_EQ(cell.family(), "Arial");
  EXPECT_EQ(cell.pixelSize(), 13);
  EXPECT_EQ(title.family(), "新細明體");
  EXPECT_EQ(title.pixelSize(), 15);
  EXPECT_FALSE(cell.bold() || title.bold() || cell.italic() || title.italic());
  // Arial resolves to a metric-compatible font (Liberation Sans on Linux).
  const QString loaded = QFontInfo(cell).family();
  EXPECT_TRUE(loaded == "Arial" || loaded == "Liberation Sans") << loaded.toStdString();
}

// The faces that draw `text` in `font`, as Qt's layout picks them.
std::set<QString> FacesDrawing(const QFont& font, const QString& text) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  std::set<QString> faces;
  for (const QGlyphRun& run : layout.glyphRuns()) faces.insert(run.rawFont().familyName());
  return faces;
}

// Whatever the desktop's language and its other Chinese fonts (Noto Sans CJK,
// AR PL UKai), Chinese characters come from the packaged Ming face.
TEST(GridLook, ChineseCharactersComeFromTheMingFace) {
  const QString ming = QStringLiteral("AR PL UMing TW");
  const QString latin = QFontInfo(grid::CellFont()).family();
  EXPECT_TRUE(latin == "Arial" || latin == "Liberation Sans") << latin.toStdString();
  const struct {
    QFont font;
    const char* text;
    std::set<QString> faces;
  } cases[] = {
      {grid::CellFont(), "8888 烏龍茶", {latin, ming}},
      {grid::CellFont(), "（含稅）價格", {ming}},
      {grid::TitleFont(), "管理貨號", {ming}},
      {grid::TitleFont(), "VIP價格", {ming}},
  };
  for (const auto& c : cases) {
    const std::set<QString> faces = FacesDrawing(c.font, QString::fromUtf8(c.text));
    EXPECT_EQ(faces, c.faces) << c.text << ": " << QStringList(faces.begin(), faces.end()).join(", ").toStdString();
  }
}

TEST(GridLook, ColumnWidthsAndRowHeightsFollowTheLoadedFonts) {
  for (TMasterTable table : kMasterTables) {
    TgwDBGrid grid(table);
    Show(grid);
    const QFontMetrics cell(grid.View()->font());
    const QFontMetrics title(grid.View()->horizontalHeader()->font());
    const auto list = GridColumnList(table);
    int widenedByTitle = 0;
    for (int c = 0; c < static_cast<int>(list.size()); ++c) {
      const auto& entry = list[static_cast<std::size_t>(c)];
      const int byWidth = entry.width * cell.horizontalAdvance('0') + 4;
      const int byTitle = title.horizontalAdvance(QString::fromUtf8(entry.title.data(), qsizetype(entry.title.size()))) + 4;
      EXPECT_EQ(grid.View()->columnWidth(c), std::max(byWidth, byTitle)) << entry.title;
      widenedByTitle += byTitle > byWidth;
    }
    if (table == TMasterTable::mtItem) {
      // "稅別" and "單位" are four characters wide but their titles are wider.
      EXPECT_GE(widenedByTitle, 2);
    }
    EXPECT_EQ(grid.View()->verticalHeader()->defaultSectionSize(), (cell.height() + 3) * 120 / 100);
    EXPECT_EQ(grid.View()->horizontalHeader()->height(), title.height() + 4);
    EXPECT_EQ(grid.View()->verticalHeader()->width(), 11);
  }
}

TEST(GridLook, DataRowsHaveTheFontsRowHeight) {
  TScratchFolder folder;
  WriteSheet(folder.File("cls.xls"), {"小分類代碼", "小分類名稱"},
             {{std::string("001"), std::string("飲料")}, {std::string("002"), std::string("零食")}});
  TOpenSheet sheet(TMasterTable::mtClassify, folder.File("cls.xls"));
  TgwDBGrid grid(TMasterTable::mtClassify);
  grid.SetSheet(&sheet.Query());
  Show(grid);
  const QFontMetrics cell(grid.View()->font());
  for (int row = 0; row < 2; ++row) EXPECT_EQ(grid.View()->rowHeight(row), (cell.height() + 3) * 120 / 100);
}

TEST(GridLook, NumbersAreDrawnRightAlignedAndTheRestLeft) {
  TScratchFolder folder;
  // In grid order: 品名 text, 建檔日期 dates, 貨架 numbers and text mixed
  // (the whole column is text then), 售價 numbers.
  WriteSheet(folder.File("items.xls"), {"管理貨號", "品名", "建檔日期", "售價", "貨架"},
             {{std::string("1"), std::string("茶"), TDate{45356}, 5.0, 3.0},
              {std::string("2"), std::string("水"), TDate{45357}, 12.5, std::string("A")}});
  TOpenSheet sheet(TMasterTable::mtItem, folder.File("items.xls"));
  TgwDBGrid grid(TMasterTable::mtItem);
  grid.SetSheet(&sheet.Query());
  Show(grid, 1200, 300);
  grid.View()->clearSelection();
  QApplication::processEvents();

  struct Case {
    int column;
    bool right;
  };
  const QImage image = grid.View()->viewport()->grab().toImage();
  for (const Case& c : {Case{1, false}, Case{2, false}, Case{3, false}, Case{4, true}}) {
    const QModelIndex index = grid.Model()->index(0, c.column);
    const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    EXPECT_EQ(bool(alignment & Qt::AlignRight), c.right) << c.column;
    // On screen: the text sits against the 2-pixel margin of its side.
    const QRect rect = grid.View()->visualRect(index);
    const auto ink = InkColumns(image, rect);
    ASSERT_TRUE(ink) << c.column;
    const int leftGap = ink->first - rect.left();
    const int rightGap = rect.right() - ink->second;
    if (c.right) {
      EXPECT_LE(rightGap, 2 + 2) << c.column;
      EXPECT_GT(leftGap, rightGap) << c.column;
    } else {
      EXPECT_LE(leftGap, 2 + 2) << c.column;
      EXPECT_GT(rightGap, leftGap) << c.column;
    }
  }
}

TEST(GridLook, TitlesOnTheTitleColourAndTheCurrentRowSelectedAndMarked) {
  TScratchFolder folder;
  WriteSheet(folder.File("cls.xls"), {"小分類代碼", "小分類名稱"},
             {{std::string("001"), std::string("飲料")}, {std::string("002"), std::string("零食")}});
  TOpenSheet sheet(TMasterTable::mtClassify, folder.File("cls.xls"));
  TgwDBGrid grid(TMasterTable::mtClassify);
  grid.SetSheet(&sheet.Query());
  Show(grid);

  QHeaderView* titles = grid.View()->horizontalHeader();
  const QImage titleImage = titles->viewport()->grab().toImage();
  EXPECT_EQ(QColor(titleImage.pixel(2, 2)), QColor(128, 128, 255));
  // The title is drawn in white on it (thin strokes are blended, so: whitish).
  bool white = false;
  for (int y = 0; y < titleImage.height() && !white; ++y) {
    for (int x = 0; x < titles->sectionSize(0) && !white; ++x) {
      const QColor pixel(titleImage.pixel(x, y));
      white = pixel.red() > 230 && pixel.green() > 230 && pixel.blue() > 230;
    }
  }
  EXPECT_TRUE(white);

  // The first row is current after opening: selected as a whole row...
  QTableView* view = grid.View();
  EXPECT_EQ(view->currentIndex().row(), 0);
  EXPECT_TRUE(view->selectionModel()->isRowSelected(0, {}));
  const QImage body = view->viewport()->grab().toImage();
  const QPalette palette = view->palette();
  for (int column = 0; column < 2; ++column) {
    const QRect selected = view->visualRect(grid.Model()->index(0, column));
    const QRect plain = view->visualRect(grid.Model()->index(1, column));
    const QColor highlight = QColor(body.pixel(selected.topLeft() + QPoint(1, 1)));
    EXPECT_TRUE(highlight == palette.color(QPalette::Active, QPalette::Highlight) ||
                highlight == palette.color(QPalette::Inactive, QPalette::Highlight));
    EXPECT_EQ(QColor(body.pixel(plain.topLeft() + QPoint(1, 1))), palette.color(QPalette::Base));
  }
  // ...and marked in the indicator column; moving the current row moves the mark.
  auto markedRows = [&] {
    QHeaderView* indicator = view->verticalHeader();
    const QImage image = indicator->viewport()->grab().toImage();
    const QColor mark = indicator->palette().color(QPalette::WindowText);
    std::vector<int> rows;
    for (int row = 0; row < 2; ++row) {
      const int top = indicator->sectionViewportPosition(row);
      bool found = false;
      for (int y = top; y < top + indicator->sectionSize(row) && !found; ++y) {
        for (int x = 0; x < image.width() && !found; ++x) found = QColor(image.pixel(x, y)) == mark;
      }
      if (found) rows.push_back(row);
    }
    return rows;
  };
  EXPECT_EQ(markedRows(), std::vector<int>{0});
  view->setCurrentIndex(grid.Model()->index(1, 0));
  QApplication::processEvents();
  EXPECT_EQ(markedRows(), std::vector<int>{1});
}

// Each row of the indicator column: the button colour with the edge colour
// down its right side and along its bottom, on the first page and after
// paging down.
TEST(GridLook, IndicatorRowsHaveTheirEdges) {
  TScratchFolder folder;
  std::vector<std::vector<TCell>> rows;
  for (int i = 0; i < 60; ++i) rows.push_back({std::to_string(100 + i), std::string("名稱")});
  WriteSheet(folder.File("cls.xls"), {"小分類代碼", "小分類名稱"}, rows);
  TOpenSheet sheet(TMasterTable::mtClassify, folder.File("cls.xls"));
  TgwDBGrid grid(TMasterTable::mtClassify);
  grid.SetSheet(&sheet.Query());
  Show(grid, 400, 300);
  QTableView* view = grid.View();
  QHeaderView* indicator = view->verticalHeader();
  const QRgb fill = indicator->palette().color(QPalette::Button).rgb();
  const QRgb edge = indicator->palette().color(QPalette::Mid).rgb();
  for (int page = 0; page < 3; ++page) {
    const QImage image = indicator->viewport()->grab().toImage();
    const int width = image.width();
    const int first = indicator->visualIndexAt(0);
    const int last = indicator->visualIndexAt(image.height() - 1);
    ASSERT_GE(first, 0);
    for (int row = first; row <= last && row >= 0; ++row) {
      const int top = indicator->sectionViewportPosition(row);
      const int bottom = top + indicator->sectionSize(row) - 1;
      if (row == view->currentIndex().row()) continue;  // the marker
      for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y) {
        EXPECT_EQ(image.pixel(0, y), fill) << "row " << row << ", y " << y;
        EXPECT_EQ(image.pixel(width - 1, y), edge) << "row " << row << ", y " << y;
      }
      if (bottom < image.height()) {
        for (int x = 0; x < width; ++x) EXPECT_EQ(image.pixel(x, bottom), edge) << "row " << row;
      }
    }
    view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QApplication::processEvents();
  }
}

}  // namespace
}  // namespace tabrin::test
