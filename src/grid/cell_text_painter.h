#pragma once
// Draws the texts of data cells as fast as a page of a few hundred cells
// redrawn on every scroll step needs.  Each character's glyph (in the cell
// font, or in the fallback font that has it, as Qt's own layout picks it) is
// looked up once and kept; a text that fits on one line is then drawn
// straight from those glyphs, with no shaping, font fallback search or line
// breaking per cell, and the glyphs of many cells go to the painter in one
// call per font.  Text that needs more (a line break, wrapping, combining
// marks, characters outside the basic plane) goes through QPainter's
// word-wrapping layout at once.  The cell font is used without kerning, so
// both ways place the same glyphs at the same places.
//
//   painter.setFont(text.Font()); painter.setPen(colour);
//   for (each cell) text.Draw(painter, inner, cellText, alignRight);
//   text.Flush(painter, area);  // before the pen changes and at the end
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QPointF>
#include <QRawFont>

#include <array>
#include <vector>

class QPainter;
class QRect;
class QString;

#include "grid/glyph_blender.h"

namespace tabrin::grid {

class TCellTextPainter {
 public:
  explicit TCellTextPainter(const QFont& font);

  const QFont& Font() const { return font_; }
  // Draws `text` in `inner` (the cell less its margin), aligned right or
  // left, from the top; word-wrapped when it does not fit on one line.
  // The painter's font must be Font(); its pen gives the colour.  Lines
  // drawn from glyphs are held until Flush.
  void Draw(QPainter& painter, const QRect& inner, const QString& text, bool alignRight);
  // `area` is the part being painted, in the painter's coordinates.
  void Flush(QPainter& painter, const QRect& area);

 private:
  struct TGlyph {
    int font = -1;  // index into fonts_; -1: not drawable from the glyph table
    quint32 index = 0;
    qreal advance = 0;
  };
  const TGlyph& GlyphFor(char16_t c);
  TGlyph LookUp(char16_t c);
  bool AddLine(const QRect& inner, const QString& text, bool alignRight);

  QFont font_;
  QRawFont primary_;  // the cell font's own face, before any fallback
  std::vector<QRawFont> fonts_;
  std::vector<qreal> ascents_;
  std::array<TGlyph, 128> ascii_{};
  std::array<bool, 128> asciiKnown_{};
  QHash<char16_t, TGlyph> others_;
  // The last character met in each slot, before others_ is asked (0: none,
  // a character that is never looked up here).
  struct TRecent {
    char16_t c = 0;
    TGlyph glyph;
  };
  std::array<TRecent, 512> recent_{};
  // The glyphs held for Flush, one list per font, positioned in the
  // painter's coordinates on their baselines.
  struct TPending {
    std::vector<quint32> glyphs;
    std::vector<QPointF> positions;
  };
  std::vector<TPending> pending_;
  // One cell's glyphs before it is known to fit, reused from cell to cell.
  // Copies, not references: looking up a new character may grow others_
  // and move the glyphs it holds.
  std::vector<TGlyph> line_;
  QGlyphRun run_;
  TGlyphBlender blender_;
};

}  // namespace tabrin::grid
