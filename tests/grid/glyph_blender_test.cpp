// The grid lays its cell texts onto the window's image itself: a page must
// come out exactly as with every glyph drawn through QPainter, for plain and
// selected rows, Latin and Chinese texts, wrapped texts, and columns cut by
// the edge of the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QScrollBar>
#include <QTableView>

#include <vector>

#include "grid/glyph_blender.h"
#include "grid/gw_db_grid.h"
#include "grid_test_support.h"

namespace tabrin::test {
namespace {

using grid::TGlyphBlender;

TRows MixedRows(int count) {
  const char* texts[] = {"烏龍茶", "礦泉水 a name long enough to wrap over the lines of its cell", "洋芋片 12",
                         "Ünïcødé é", "咖啡, 泡麵", "AV Wa To 0123456789"};
  TRows rows;
  for (int i = 0; i < count; ++i) {
    std::vector<TCell> row;
    for (int c = 0; c < static_cast<int>(ItemListFields().size()); ++c) {
      const int kind = (i + c) % 5;
      if (c == 0 || kind == 0) row.emplace_back(std::string(texts[(i + c) % 6]));
      if (c == 0) continue;
      if (kind == 1) row.emplace_back(1234.5 + i * 0.37 + c);
      if (kind == 2) row.emplace_back(TDate{38000.0 + i + (i % 2 ? 0.25 : 0)});
      if (kind == 3) row.emplace_back(std::monostate{});
      if (kind == 4) row.emplace_back(std::string("X") + std::to_string(i * 7919 % 100000));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

QImage Page(grid::TgwDBGrid& grid, bool ownBlending) {
  TGlyphBlender::SetEnabled(ownBlending);
  const QImage image = grid.grab().toImage();
  TGlyphBlender::SetEnabled(true);
  return image;
}

TEST(GlyphBlender, PagesLookTheSameAsDrawnThroughQPainter) {
  TScratchFolder folder;
  WriteSheet(folder.File("mixed.xls"), ItemListFields(), MixedRows(80));
  TOpenSheet sheet(TMasterTable::mtItem, folder.File("mixed.xls"));
  grid::TgwDBGrid grid(TMasterTable::mtItem);
  grid.resize(850, 330);
  grid.show();
  QApplication::processEvents();
  grid.SetSheet(&sheet.Query(), "mixed.xls");
  QApplication::processEvents();

  QTableView* view = grid.View();
  const auto check = [&](const char* where) {
    QApplication::processEvents();
    EXPECT_EQ(Page(grid, true), Page(grid, false)) << where;
  };
  check("first page");
  view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  check("second page");
  view->selectRow(view->verticalScrollBar()->value() + 2);
  check("a selected row");
  view->horizontalScrollBar()->setValue(300);
  check("scrolled sideways");
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  check("last page");
}

// A font whose glyphs Qt blends with gamma correction (Noto Sans CJK, a CFF
// font with stem darkening) goes through QPainter; the glyphs of the other
// fonts are still laid by the blender, before and after it.
TEST(GlyphBlender, AFontQtBlendsAnotherWayLeavesTheOtherFontsToIt) {
  QFont noto(QStringLiteral("Noto Sans CJK TC"));
  noto.setPixelSize(13);
  const QRawFont darkened = QRawFont::fromFont(noto);
  if (darkened.familyName() != QStringLiteral("Noto Sans CJK TC")) GTEST_SKIP() << "fonts-noto-cjk is not installed";
  QFont liberation(QStringLiteral("Liberation Sans"));
  liberation.setPixelSize(13);
  const QRawFont plain = QRawFont::fromFont(liberation);

  QImage image(200, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setPen(Qt::black);
  TGlyphBlender blender;
  ASSERT_TRUE(blender.Begin(painter, image.rect()));
  const auto draw = [&](const QRawFont& font, const QString& text) {
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    std::vector<QPointF> positions;
    for (int i = 0; i < glyphs.size(); ++i) positions.emplace_back(10 + 16 * i, 20);
    return blender.Draw(font, glyphs.data(), positions.data(), static_cast<int>(glyphs.size()));
  };
  EXPECT_TRUE(draw(plain, QStringLiteral("12")));
  EXPECT_FALSE(draw(darkened, QStringLiteral("烏龍")));
  EXPECT_TRUE(draw(plain, QStringLiteral("34")));
  EXPECT_FALSE(draw(darkened, QStringLiteral("茶")));
}

}  // namespace
}  // namespace tabrin::test
