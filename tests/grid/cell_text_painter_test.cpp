// The grid's quick way of drawing cell texts must put the same pixels on the
// screen as Qt's own text layout, for Latin and Chinese texts, left and
// right aligned; texts that do not fit are wrapped within the cell.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include "grid/cell_text_painter.h"
#include "grid/grid_look.h"

namespace tabrin::test {
namespace {

using grid::TCellTextPainter;

constexpr QRect kCell(3, 2, 140, 40);

// Text and background colours and the pixel format of what is painted on:
// black on white, and the selected row's white on blue.
struct TInk {
  QColor pen = Qt::black;
  QColor background = Qt::white;
  QImage::Format format = QImage::Format_RGB32;
};

QImage Blank(const TInk& ink = {}) {
  QImage image(160, 50, ink.format);
  image.fill(ink.background);
  return image;
}

QImage WithPainter(TCellTextPainter& text, const QString& value, bool right, const TInk& ink = {}) {
  QImage image = Blank(ink);
  QPainter painter(&image);
  painter.setFont(text.Font());
  painter.setPen(ink.pen);
  text.Draw(painter, kCell, value, right);
  text.Flush(painter, image.rect());
  return image;
}

QImage WithLayout(const QFont& font, const QString& value, bool right, const TInk& ink = {}) {
  QImage image = Blank(ink);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(ink.pen);
  painter.drawText(kCell, (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextWordWrap, value);
  return image;
}

TEST(CellTextPainter, DrawsWhatTheLayoutDraws) {
  TCellTextPainter text(grid::CellFont());
  QFont layoutFont = text.Font();
  ASSERT_FALSE(layoutFont.kerning());
  const char* values[] = {"12345.67", "I0001 ABC-xyz", "4710000000003", "2024/3/5 14:30:15", "烏龍茶 12",
                          "（含稅）價格", "AV Wa To", "烏龍茶", "一丁丂", "一丁"};
  const TInk inks[] = {{}, {Qt::white, QColor(48, 140, 198), QImage::Format_RGB32},
                       {QColor(20, 20, 20), QColor(255, 255, 255), QImage::Format_ARGB32_Premultiplied},
                       {QColor(200, 30, 60), QColor(240, 240, 200), QImage::Format_ARGB32_Premultiplied}};
  for (const TInk& ink : inks) {
    for (const char* value : values) {
      for (bool right : {false, true}) {
        const QImage quick = WithPainter(text, QString::fromUtf8(value), right, ink);
        const QImage layout = WithLayout(layoutFont, QString::fromUtf8(value), right, ink);
        EXPECT_TRUE(quick != Blank(ink)) << value;
        EXPECT_EQ(quick, layout) << value << (right ? " right" : " left") << ", pen " << ink.pen.name().toStdString();
      }
    }
  }
}

// Glyphs cut by the edge of what is painted: only the part inside is drawn,
// as Qt clips them.
TEST(CellTextPainter, GlyphsAtTheEdgeOfThePaintedAreaAreCutAsQtCutsThem) {
  TCellTextPainter text(grid::CellFont());
  const QString value = QStringLiteral("8888 烏龍茶");
  for (const QRect area : {QRect(0, 0, 30, 50), QRect(20, 0, 160, 10), QRect(-5, 9, 40, 7)}) {
    QImage quick = Blank(), layout = Blank();
    {
      QPainter painter(&quick);
      painter.setFont(text.Font());
      painter.setPen(Qt::black);
      text.Draw(painter, kCell, value, false);
      text.Flush(painter, area);
    }
    {
      QPainter painter(&layout);
      painter.setClipRect(area);
      painter.setFont(text.Font());
      painter.setPen(Qt::black);
      painter.drawText(kCell, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, value);
    }
    EXPECT_EQ(quick, layout) << area.x() << "," << area.y() << " " << area.width() << "x" << area.height();
  }
}

// Characters the cell's faces lack come from whatever font the desktop has
// for them; those of a font Qt blends with gamma correction (Noto Sans CJK)
// go through QPainter, and are cut at the painted area all the same.
TEST(CellTextPainter, GlyphsOfAFontQtBlendsAnotherWayAreCutAsQtCutsThem) {
  TCellTextPainter text(grid::CellFont());
  const QString value = QStringLiteral("8888 한국어 烏龍");
  QTextLayout probe(value, text.Font());
  probe.beginLayout();
  probe.createLine();
  probe.endLayout();
  bool noto = false;
  for (const QGlyphRun& run : probe.glyphRuns()) noto = noto || run.rawFont().familyName().startsWith("Noto Sans CJK");
  if (!noto) GTEST_SKIP() << "Hangul does not come from Noto Sans CJK here (fonts-noto-cjk)";
  for (const QRect area : {QRect(0, 0, 160, 50), QRect(0, 0, 60, 50), QRect(50, 0, 160, 10), QRect(-5, 9, 90, 7)}) {
    QImage quick = Blank(), layout = Blank();
    {
      QPainter painter(&quick);
      painter.setFont(text.Font());
      painter.setPen(Qt::black);
      text.Draw(painter, kCell, value, false);
      text.Flush(painter, area);
    }
    {
      QPainter painter(&layout);
      painter.setClipRect(area);
      painter.setFont(text.Font());
      painter.setPen(Qt::black);
      painter.drawText(kCell, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, value);
    }
    EXPECT_EQ(quick, layout) << area.x() << "," << area.y() << " " << area.width() << "x" << area.height();
  }
}

// Glyphs are laid onto whatever lies under them: a plain background, lines
// through the text, or other glyphs, and the same text again in another
// colour over the first one.
TEST(CellTextPainter, GlyphsOverOtherPixelsComeOutAsQtDrawsThem) {
  TCellTextPainter text(grid::CellFont());
  const auto striped = [] {
    QImage image = Blank();
    QPainter painter(&image);
    for (int x = 0; x < image.width(); x += 5) painter.fillRect(QRect(x, 0, 1, image.height()), QColor(200, 220, 240));
    painter.fillRect(QRect(0, 9, image.width(), 2), QColor(250, 200, 120));
    return image;
  };
  for (const char* value : {"8888 烏龍茶", "AV Wa To (12)", "免稅 瓶 礦泉水"}) {
    QImage quick = striped(), layout = striped();
    for (const QColor& pen : {QColor(Qt::black), QColor(30, 90, 200)}) {
      const int shift = pen == QColor(Qt::black) ? 0 : 3;
      {
        QPainter painter(&quick);
        painter.setFont(text.Font());
        painter.setPen(pen);
        text.Draw(painter, kCell.translated(shift, 1), QString::fromUtf8(value), false);
        text.Flush(painter, quick.rect());
      }
      {
        QPainter painter(&layout);
        painter.setFont(text.Font());
        painter.setPen(pen);
        painter.drawText(kCell.translated(shift, 1), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         QString::fromUtf8(value));
      }
    }
    EXPECT_EQ(quick, layout) << value;
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
