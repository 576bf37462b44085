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
                          "（含稅）價格", "AV Wa To", "烏龍茶", "一丁丂", "一丁"};
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

// A painter meets new characters all the time while a sheet scrolls: a line
// that brings in many of them, each added to what the painter keeps, must
// still be drawn from the right glyphs.  Hundreds of distinct Chinese
// characters are first met in texts too wide for the cell (kept, drawn by
// the layout), then in short lines that fit.
TEST(CellTextPainter, LinesOfCharactersNewToThePainterDrawTheirOwnGlyphs) {
  TCellTextPainter text(grid::CellFont());
  char16_t next = 0x4E00;  // CJK unified ideographs, each new to the painter
  const auto fresh = [&next](int count) {
    QString value;
    for (int i = 0; i < count; ++i) value.append(QChar(next++));
    return value;
  };
  for (int round = 0; round < 40; ++round) {
    const QString wide = fresh(3 + round % 7 * 9);
    const QString line = fresh(8);
    for (const QString& value : {wide, line}) {
      const QImage quick = WithPainter(text, value, round % 2 == 1);
      const QImage layout = WithLayout(text.Font(), value, round % 2 == 1);
      ASSERT_EQ(quick, layout) << "round " << round << ", " << value.size() << " characters";
    }
  }
}

}  // namespace
}  // namespace tabrin::test
