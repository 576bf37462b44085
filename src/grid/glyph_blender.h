#pragma once
// TGlyphBlender: lays glyphs onto the window's image itself, pixel for pixel
// as Qt's raster engine would, four pixels at a time.  Blending the glyphs'
// antialiased edges is most of the cost of drawing a page of cells, and Qt
// does it one pixel and one glyph at a time.
//
// The coverage of each glyph at each sub-pixel offset is not computed here:
// it is read back from Qt drawing that glyph at that offset, once, black on
// white (and checked white on black, which shows that Qt blends it linearly
// and in grey).  Laying it down then uses Qt's own blending arithmetic, so
// the pixels are the ones Qt would have drawn.  Whenever that cannot be
// guaranteed (another paint device or pixel format, a transformation, a
// clip, a translucent pen, glyphs Qt draws another way) Begin() says no and
// the caller draws through QPainter.
//
//   if (blender.Begin(painter)) blender.Draw(font, glyphs, positions, count);
//   else painter.drawGlyphRun(...);
#include <QHash>
#include <QMultiHash>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QRect>
#include <QPointF>

#include <cstdint>
#include <vector>

namespace tabrin::grid {

class TGlyphBlender {
 public:
  // Whether glyphs can be laid directly onto what `painter` paints on, with
  // its pen, inside `area` (the painter's coordinates; the area being
  // painted).  The painter's state must not change until the last Draw.
  bool Begin(QPainter& painter, const QRect& area);
  // Glyphs of `font` on their baselines, in the painter's coordinates; false
  // (and nothing drawn) when they must go through QPainter instead.
  // Positions are multiples of 1/64 pixel, as font advances are.
  bool Draw(const QRawFont& font, const quint32* glyphs, const QPointF* positions, int count);
  // False once a glyph turned out not to be drawn as this class assumes.
  bool Usable() const { return usable_; }

  // Off for every blender: glyphs always go through QPainter (to compare).
  static void SetEnabled(bool enabled);

 private:
  // A glyph's coverage at one sub-pixel offset: a box of bytes placed
  // relative to the whole-pixel part of the glyph's position, each row
  // padded with zeros to a multiple of four bytes.
  struct TCoverage {
    int left = 0, top = 0, width = 0, height = 0;
    std::size_t offset = 0;  // into coverage_
  };
  int FontIndex(const QRawFont& font);
  // The coverage of a glyph at an offset, measured when first asked for;
  // -1 when it cannot be drawn here.
  int CoverageIndex(int font, quint32 glyph, int subX, int subY);
  bool Measure(int font, quint32 glyph, int subX, int subY, TCoverage& coverage, std::vector<std::uint8_t>& bytes);
  void Blend(const TCoverage& coverage, int x, int y);

  bool usable_ = true;
  std::vector<QRawFont> fonts_;
  // (font, glyph, offset) → index into coverages_.  Most offsets of a glyph
  // share one coverage, which is kept once.
  QHash<quint64, int> known_;
  std::vector<TCoverage> coverages_;
  QMultiHash<std::size_t, int> byContent_;
  std::vector<std::uint8_t> coverage_;
  struct TPlaced {
    int coverage;
    int x, y;
  };
  std::vector<TPlaced> placed_;
  std::vector<std::uint8_t> measured_;
  QPainter::RenderHints hints_;
  // The target of the current Begin.
  std::uint8_t* bits_ = nullptr;
  qsizetype stride_ = 0;
  int imageWidth_ = 0;
  QRect clip_;
  int dx_ = 0, dy_ = 0;
  quint32 colour_ = 0;
};

}  // namespace tabrin::grid
