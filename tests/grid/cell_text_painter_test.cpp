// The grid's quick way of drawing cell texts must put the same pixels on the
// screen as Qt's own text layout, for Latin and Chinese texts, left and
// right aligned; texts that do not fit are wrapped within the cell.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "grid/cell_text_painter.h"
#include "grid/grid_look.h"

namespace tabrin::test {
namespace {

using grid::TCellTextPainter;

constexpr QRect kCell(3, 2, 140, 40);

QImage Blank() {
  QImage image(160, 50, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

QImage WithPainter(TCellTextPainter& text, const QString& value, bool right) {
  QImage image = Blank();
  QPainter painter(&image);
  painter.setFont(text.Font());
  painter.setPen(Qt::black);
  text.Draw(painter, kCell, value, right);
  text.Flush(painter);
  return image;
}

QImage WithLayout(const QFont& font, const QString& value, bool right) {
  QImage image = Blank();
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(kCell, (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextWordWrap, value);
  return image;
}

bool HasInk(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    }
  }
  return false;
}

TEST(CellTextPainter, DrawsWhatTheLayoutDraws) {
  TCellTextPainter text(grid::CellFont());
  QFont layoutFont = text.Font();
  ASSERT_FALSE(layoutFont.kerning());
  const char* values[] = {"12345.67", "I0001 ABC-xyz", "4710000000003", "2024/3/5 14:30:15", "烏龍茶 12",
                          "（含稅）價格", "AV Wa To"};
  for (const char* value : values) {
    for (bool right : {false, true}) {
      const QImage quick = WithPainter(text, QString::fromUtf8(value), right);
      const QImage layout = WithLayout(layoutFont, QString::fromUtf8(value), right);
      EXPECT_TRUE(HasInk(quick)) << value;
      EXPECT_EQ(quick, layout) << value << (right ? " right" : " left");
    }
  }
}

TEST(CellTextPainter, TextWiderThanTheCellWrapsInsideIt) {
  TCellTextPainter text(grid::CellFont());
  const QString longText = QStringLiteral("one two three four five six seven eight nine ten eleven twelve");
  const QImage quick = WithPainter(text, longText, false);
  const QImage layout = WithLayout(text.Font(), longText, false);
  EXPECT_EQ(quick, layout);
  // More than one line was drawn, and nothing right of the cell.
  const int lineHeight = QFontMetrics(text.Font()).height();
  bool secondLine = false;
  for (int x = kCell.left(); x <= kCell.right() && !secondLine; ++x) {
    secondLine = quick.pixel(x, kCell.top() + lineHeight + lineHeight / 2) != qRgb(255, 255, 255);
  }
  EXPECT_TRUE(secondLine);
  for (int y = 0; y < quick.height(); ++y) {
    for (int x = kCell.right() + 1 + grid::kCellMargin; x < quick.width(); ++x) {
      ASSERT_EQ(quick.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace tabrin::test
