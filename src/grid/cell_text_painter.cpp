#include "grid/cell_text_painter.h"

#include <QPainter>
#include <QRect>
#include <QString>
#include <QTextLayout>

#include <algorithm>

#include "grid/grid_look.h"

namespace tabrin::grid {

namespace {

QFont WithoutKerning(QFont font) {
  font.setKerning(false);
  return font;
}

// A character drawn the same alone as inside a text: no control character,
// half of a surrogate pair, combining mark or right-to-left character, whose
// look or place depends on its neighbours.
bool StandsAlone(QChar c) {
  if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.isSurrogate() || c.isMark()) return false;
  switch (c.direction()) {
    case QChar::DirR: case QChar::DirAL: case QChar::DirRLE: case QChar::DirRLO: case QChar::DirRLI:
    case QChar::DirLRE: case QChar::DirLRO: case QChar::DirLRI: case QChar::DirFSI: case QChar::DirPDF:
    case QChar::DirPDI: case QChar::DirNSM: case QChar::DirBN: case QChar::DirB: case QChar::DirS:
      return false;
    default:
      return true;
  }
}

}  // namespace

TCellTextPainter::TCellTextPainter(const QFont& font)
    : font_(WithoutKerning(font)), primary_(QRawFont::fromFont(font_)) {}

const TCellTextPainter::TGlyph& TCellTextPainter::GlyphFor(char16_t c) {
  if (c < ascii_.size()) {
    if (!asciiKnown_[c]) {
      ascii_[c] = LookUp(c);
      asciiKnown_[c] = true;
    }
    return ascii_[c];
  }
  // A page meets the same few hundred characters again and again.
  TRecent& recent = recent_[c % recent_.size()];
  if (recent.c == c) return recent.glyph;
  auto found = others_.find(c);
  if (found == others_.end()) found = others_.insert(c, LookUp(c));
  recent = {c, *found};
  return recent.glyph;
}

// Lays the character out alone, as the layout would inside a text, and keeps
// the font and glyph it chose.
TCellTextPainter::TGlyph TCellTextPainter::LookUp(char16_t c) {
  const QChar ch(c);
  if (!StandsAlone(ch)) return {};
  // Punctuation and other characters common to all scripts take the script
  // of their neighbours, which decides the fallback font: alone they could
  // get another font than inside a text.  Only the cell font's own are safe.
  const bool common = ch.script() == QChar::Script_Common || ch.script() == QChar::Script_Inherited;
  if (common && !(primary_.isValid() && primary_.supportsCharacter(ch))) return {};
  QTextLayout layout(QString(ch), font_);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  if (runs.size() != 1 || runs.front().glyphIndexes().size() != 1) return {};
  const QGlyphRun& run = runs.front();
  const quint32 index = run.glyphIndexes().front();
  const QRawFont raw = run.rawFont();
  if (index == 0 || !raw.isValid()) return {};
  auto known = std::find(fonts_.begin(), fonts_.end(), raw);
  if (known == fonts_.end()) {
    fonts_.push_back(raw);
    ascents_.push_back(raw.ascent());
    known = fonts_.end() - 1;
  }
  const QList<QPointF> advances = raw.advancesForGlyphIndexes(QList<quint32>{index});
  return {static_cast<int>(known - fonts_.begin()), index, advances.front().x()};
}

void TCellTextPainter::Draw(QPainter& painter, const QRect& inner, const QString& text, bool alignRight) {
  if (AddLine(inner, text, alignRight)) return;
  const int horizontal = alignRight ? Qt::AlignRight : Qt::AlignLeft;
  painter.save();
  // A wrapped text may have more lines than the row is high: keep them in the cell.
  painter.setClipRect(inner.adjusted(-kCellMargin, -kCellMargin, kCellMargin, kCellMargin), Qt::IntersectClip);
  painter.drawText(inner, horizontal | Qt::AlignTop | Qt::TextWordWrap, text);
  painter.restore();
}

bool TCellTextPainter::AddLine(const QRect& inner, const QString& text, bool alignRight) {
  line_.clear();
  qreal width = 0;
  // The layout's line is never lower than the cell font's own, whichever
  // fonts its characters come from.
  qreal ascent = primary_.isValid() ? primary_.ascent() : 0;
  for (const QChar c : text) {
    const TGlyph glyph = GlyphFor(c.unicode());
    if (glyph.font < 0) return false;
    line_.push_back(glyph);
    ascent = std::max(ascent, ascents_[static_cast<std::size_t>(glyph.font)]);
    width += glyph.advance;
  }
  if (width > inner.width()) return false;  // wraps

  // On the line's baseline, as the layout would place it.
  qreal x = alignRight ? inner.x() + inner.width() - width : inner.x();
  const qreal baseline = inner.y() + ascent;
  if (pending_.size() < fonts_.size()) pending_.resize(fonts_.size());
  for (const TGlyph& glyph : line_) {
    TPending& run = pending_[static_cast<std::size_t>(glyph.font)];
    run.glyphs.push_back(glyph.index);
    run.positions.emplace_back(x, baseline);
    x += glyph.advance;
  }
  return true;
}

void TCellTextPainter::Flush(QPainter& painter, const QRect& area) {
  const bool direct = blender_.Begin(painter, area);
  for (std::size_t font = 0; font < pending_.size(); ++font) {
    TPending& run = pending_[font];
    if (run.glyphs.empty()) continue;
    const int count = static_cast<int>(run.glyphs.size());
    if (!direct || !blender_.Draw(fonts_[font], run.glyphs.data(), run.positions.data(), count)) {
      // Through QPainter, cut at the painted area as the blender cuts.
      painter.save();
      painter.setClipRect(area, Qt::IntersectClip);
      run_.setRawFont(fonts_[font]);
      run_.setRawData(run.glyphs.data(), run.positions.data(), count);
      painter.drawGlyphRun(QPointF(0, 0), run_);
      painter.restore();
    }
    run.glyphs.clear();
    run.positions.clear();
  }
}

}  // namespace tabrin::grid
