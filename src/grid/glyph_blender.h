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
// the pixels are the ones Qt would have drawn.  Most glyphs land on a cell's
// plain background, where their blended pixels are the same every time:
// each glyph keeps them for that background and colour (its stamp), and a
// row of the glyph that lies on the plain background is copied from it.
// Whenever Qt's pixels cannot be guaranteed (another paint device or pixel
// format, a transformation, a clip, a translucent pen, glyphs Qt draws
// another way) Begin() says no and the caller draws through QPainter.
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

#include <array>
#include <cstdint>
#include <utility>
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
  // Positions are multiples of 1/64 pixel, as font advances are.  Once a
  // glyph of a font turns out not to be drawn as this class assumes (a font
  // Qt blends with gamma correction, such as a CFF font with stem
  // darkening), every run of that font goes through QPainter; the others
  // are still laid here.
  bool Draw(const QRawFont& font, const quint32* glyphs, const QPointF* positions, int count);

  // Off for every blender: glyphs always go through QPainter (to compare).
  static void SetEnabled(bool enabled);

 private:
  // A glyph's coverage at one sub-pixel offset: a box of bytes placed
  // relative to the whole-pixel part of the glyph's position, each row
  // padded with zeros to a multiple of four bytes.
  struct TCoverage {
    int left = 0, top = 0, width = 0, height = 0;
    std::size_t offset = 0;  // into coverage_
    // The last stamp made of it: its pixels blended over `background` in
    // `colour`, in rows padded as the coverage's, at stampOffset in stamps_
    // (kNoStamp: none yet).
    std::size_t stampOffset = kNoStamp;
    quint32 background = 0, colour = 0;
  };
  static constexpr std::size_t kNoStamp = static_cast<std::size_t>(-1);
  int FontIndex(const QRawFont& font);
  // The coverage of a glyph at an offset, measured when first asked for;
  // -1 when it cannot be drawn here.
  int CoverageIndex(int font, quint32 glyph, int subX, int subY);
  bool Measure(int font, quint32 glyph, int subX, int subY, TCoverage& coverage, std::vector<std::uint8_t>& bytes);
  void Blend(TCoverage& coverage, int x, int y);
  // The coverage blended over a background of one colour in the pen's
  // colour, made when first asked for.
  const quint32* Stamp(TCoverage& coverage, quint32 background);

  std::vector<QRawFont> fonts_;
  std::vector<bool> refused_;  // by font: left to QPainter
  // (font, glyph, offset) → index into coverages_.  Most offsets of a glyph
  // share one coverage, which is kept once.
  QHash<quint64, int> known_;
  // The last key met in each of a few slots, before known_ is asked.
  struct TRecent {
    quint64 key = ~quint64(0);
    int index = -1;
  };
  static constexpr int kRecentBits = 10;
  std::array<TRecent, std::size_t(1) << kRecentBits> recent_{};
  std::vector<TCoverage> coverages_;
  QMultiHash<std::size_t, int> byContent_;
  std::vector<std::uint8_t> coverage_;
  // Stamps by coverage, background and colour, beyond the one each coverage
  // keeps at hand (the selected row's other colours).
  QHash<std::pair<quint64, quint32>, std::size_t> otherStamps_;
  std::vector<quint32> stamps_;
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
