#pragma once
// How the preview grids look: the title and cell fonts, the title colour, and
// the pixel sizes the grid derives from the fonts actually loaded (column
// widths, row heights).  Every size comes from QFontMetrics, so a fallback
// font changes the sizes consistently instead of clipping text.
#include <QColor>
#include <QFont>
#include <QString>

namespace tabrin::grid {

inline constexpr int kIndicatorWidth = 11;  // the column marking the current row
inline constexpr int kCellMargin = 2;       // around the text of a data cell
inline constexpr int kRowHeightPercent = 120;

// The Ming title font "新細明體", 15 pixels, regular; where it is not
// installed, the packaged AR PL UMing TW (fonts-arphic-uming).
QFont TitleFont();
// "Arial" at 13 pixels, else Liberation Sans (fonts-liberation); Chinese
// characters from AR PL UMing TW.
QFont CellFont();
// RGB (128, 128, 255).
QColor TitleBackground();
QColor TitleText();

// The height of `text` set on one line in `font`: the line height of the
// font that draws it (ascent + descent), as the grid's row formulas expect.
int TextHeight(const QFont& font, const QString& text);

// width characters × the width of "0" in the cell font + 4, widened to the
// title's width in the title font + 4.
int ColumnPixelWidth(int widthInCharacters, const QString& title, const QFont& cellFont, const QFont& titleFont);
// (height of "W" in the cell font + 3) × 120 / 100, integer division.
int DataRowHeight(const QFont& cellFont);
// Height of "W" in the title font × one title line + 4.
int TitleRowHeight(const QFont& titleFont);

}  // namespace tabrin::grid
