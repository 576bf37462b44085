#include "grid/grid_look.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace tabrin::grid {

namespace {

QFont PixelFont(const QStringList& families, int pixels) {
  QFont font(families);
  font.setPixelSize(pixels);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

}  // namespace

// Each font names its own fallbacks, tried before the desktop's: fontconfig's
// choice for a family it does not know, or for Chinese characters, follows
// the desktop's language and its installed fonts (Noto Sans CJK, AR PL UKai),
// whose other shapes and line heights would change the grid's look, and
// whose stem-darkened glyphs Qt blends with gamma correction, which
// TGlyphBlender leaves to QPainter.
QFont TitleFont() { return PixelFont({QStringLiteral("新細明體"), QStringLiteral("AR PL UMing TW")}, 15); }

QFont CellFont() {
  return PixelFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("AR PL UMing TW")}, 13);
}

QColor TitleBackground() { return QColor(128, 128, 255); }

QColor TitleText() { return QColor(Qt::white); }

int TextHeight(const QFont& font, const QString& text) {
  return QFontMetrics(font).size(Qt::TextSingleLine, text).height();
}

int ColumnPixelWidth(int widthInCharacters, const QString& title, const QFont& cellFont, const QFont& titleFont) {
  const int byCharacters = widthInCharacters * QFontMetrics(cellFont).horizontalAdvance(QLatin1Char('0')) + 4;
  const int byTitle = QFontMetrics(titleFont).horizontalAdvance(title) + 4;
  return std::max(byCharacters, byTitle);
}

int DataRowHeight(const QFont& cellFont) {
  return (TextHeight(cellFont, QStringLiteral("W")) + 3) * kRowHeightPercent / 100;
}

int TitleRowHeight(const QFont& titleFont) {
  constexpr int kTitleLines = 1;
  return TextHeight(titleFont, QStringLiteral("W")) * kTitleLines + 4;
}

}  // namespace tabrin::grid
