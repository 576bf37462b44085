#include "grid/glyph_blender.h"

#include <QGlyphRun>
#include <QPaintEngine>

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tabrin::grid {

namespace {

bool enabled = true;

bool Whole(qreal value) { return value == std::floor(value); }

// A coverage row's length in bytes: its width rounded up to groups of four.
int Padded(int width) { return (width + 3) & ~3; }

// Qt's multiplication of the four channels of `x` by a/255, rounded as Qt
// rounds it.
inline quint32 ByteMul(quint32 x, quint32 a) {
  quint32 t = (x & 0xff00ff) * a;
  t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
  t &= 0xff00ff;
  x = ((x >> 8) & 0xff00ff) * a;
  x = x + ((x >> 8) & 0xff00ff) + 0x800080;
  x &= 0xff00ff00;
  return x | t;
}

// The pen colour `colour` (premultiplied) laid over `dst` with coverage
// `coverage`, as Qt's raster engine blends a grey glyph: covered source over
// the destination.  Coverage 0 and 255 come out the same as Qt's shortcuts.
inline quint32 BlendPixel(quint32 dst, quint32 colour, quint32 coverage) {
  const quint32 source = ByteMul(colour, coverage);
  return source + ByteMul(dst, 255 - (source >> 24));
}

#ifdef __SSE2__
// The same for two pixels in 16-bit lanes: (v × a + (v × a >> 8) + 128) >> 8.
inline __m128i ByteMul16(__m128i v, __m128i a) {
  const __m128i t = _mm_mullo_epi16(v, a);
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)), 8);
}

inline __m128i BlendTwo(__m128i dst, __m128i colour, __m128i coverage) {
  const __m128i source = ByteMul16(colour, coverage);
  // 255 − the source's alpha, in all four lanes of each pixel.
  __m128i alpha = _mm_shufflelo_epi16(source, _MM_SHUFFLE(3, 3, 3, 3));
  alpha = _mm_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  return _mm_add_epi16(source, ByteMul16(dst, inverse));
}
#endif

// One row of a glyph: each pixel with coverage gets the pen colour blended
// over it, as Qt blends it.  Where the row lies on `background`, the result
// is the stamp's pixel (the same blend, made once), copied four at a time.
void BlendLine(quint32* dst, const std::uint8_t* coverage, const quint32* stamp, int count, quint32 colour,
               quint32 background) {
  int i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
  const __m128i plain = _mm_set1_epi32(static_cast<int>(background));
  for (; i + 4 <= count; i += 4) {
    std::uint32_t four;
    std::memcpy(&four, coverage + i, 4);
    if (four == 0) continue;
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(pixels, plain)) == 0xffff) {
      const __m128i stamped = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stamp + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), stamped);
      continue;
    }
    __m128i c = _mm_cvtsi32_si128(static_cast<int>(four));
    c = _mm_unpacklo_epi8(c, c);   // c0 c0 c1 c1 c2 c2 c3 c3
    c = _mm_unpacklo_epi16(c, c);  // c0 ×4, c1 ×4, c2 ×4, c3 ×4
    const __m128i low = BlendTwo(_mm_unpacklo_epi8(pixels, zero), colour16, _mm_unpacklo_epi8(c, zero));
    const __m128i high = BlendTwo(_mm_unpackhi_epi8(pixels, zero), colour16, _mm_unpackhi_epi8(c, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < count; ++i) {
    if (coverage[i] == 0) continue;
    dst[i] = dst[i] == background ? stamp[i] : BlendPixel(dst[i], colour, coverage[i]);
  }
}

// The rows of one glyph on the image: where they land, and the glyph's
// coverage and stamp from the first of them on, `padded` apart.
struct TGlyphRows {
  std::uint8_t* line;  // the first pixel of the first row
  qsizetype stride;
  const std::uint8_t* coverage;
  const quint32* stamp;
  int padded;
  int count;  // pixels of each row
  int rows;
  quint32 colour, background;
};

// Lays the rows: a row that lies on the plain background gets the stamp's
// pixels, any other is blended.  Groups: the rows' width in groups of four,
// so that the compiler unrolls the test and the copy (0: any width, every
// row blended).
template <int Groups>
void LayRows(const TGlyphRows& glyph) {
  std::uint8_t* line = glyph.line;
  std::size_t at = 0;
#ifdef __SSE2__
  const __m128i plain = _mm_set1_epi32(static_cast<int>(glyph.background));
#endif
  for (int row = 0; row < glyph.rows; ++row, line += glyph.stride, at += static_cast<std::size_t>(glyph.padded)) {
    auto* dst = reinterpret_cast<quint32*>(line);
#ifdef __SSE2__
    if constexpr (Groups > 0) {
      __m128i differs = _mm_setzero_si128();
      for (int g = 0; g < Groups; ++g) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst) + g);
        differs = _mm_or_si128(differs, _mm_xor_si128(pixels, plain));
      }
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(differs, _mm_setzero_si128())) == 0xffff) {
        for (int g = 0; g < Groups; ++g) {
          const __m128i stamped = _mm_loadu_si128(reinterpret_cast<const __m128i*>(glyph.stamp + at) + g);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(dst) + g, stamped);
        }
        continue;
      }
    }
#endif
    BlendLine(dst, glyph.coverage + at, glyph.stamp + at, glyph.count, glyph.colour, glyph.background);
  }
}

}  // namespace

void TGlyphBlender::SetEnabled(bool on) { enabled = on; }

bool TGlyphBlender::Begin(QPainter& painter, const QRect& area) {
  bits_ = nullptr;
  if (!enabled) return false;
  QPaintEngine* engine = painter.paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster) return false;
  QPaintDevice* device = engine->paintDevice();
  if (!device || device->devType() != QInternal::Image) return false;
  auto* image = static_cast<QImage*>(device);
  if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied) return false;
  if (image->devicePixelRatio() != 1) return false;
  if (painter.hasClipping() || painter.opacity() != 1 ||
      painter.compositionMode() != QPainter::CompositionMode_SourceOver) {
    return false;
  }
  const QPen& pen = painter.pen();
  if (pen.style() == Qt::NoPen || pen.brush().style() != Qt::SolidPattern || pen.color().alpha() != 255) return false;
  const QTransform transform = painter.deviceTransform();
  if (transform.type() > QTransform::TxTranslate || !Whole(transform.dx()) || !Whole(transform.dy())) return false;
  dx_ = static_cast<int>(transform.dx());
  dy_ = static_cast<int>(transform.dy());
  clip_ = image->rect() & area.translated(dx_, dy_);
  const QRegion system = engine->systemClip();
  if (!system.isEmpty()) {
    if (system.rectCount() != 1) return false;
    clip_ &= system.boundingRect();
  }
  bits_ = image->bits();
  stride_ = image->bytesPerLine();
  imageWidth_ = image->width();
  colour_ = pen.color().rgba();
  hints_ = painter.renderHints();
  return bits_ != nullptr;
}

int TGlyphBlender::FontIndex(const QRawFont& font) {
  auto known = std::find(fonts_.begin(), fonts_.end(), font);
  if (known != fonts_.end()) return static_cast<int>(known - fonts_.begin());
  fonts_.push_back(font);
  refused_.push_back(false);
  return static_cast<int>(fonts_.size()) - 1;
}

bool TGlyphBlender::Draw(const QRawFont& font, const quint32* glyphs, const QPointF* positions, int count) {
  if (!bits_) return false;
  const int fontIndex = FontIndex(font);
  if (refused_[static_cast<std::size_t>(fontIndex)]) return false;
  std::vector<TPlaced>& placed = placed_;
  placed.clear();
  // Everything is known before anything is drawn, so that a glyph that
  // cannot be drawn here leaves the whole run to QPainter.
  for (int i = 0; i < count; ++i) {
    const qreal x = (positions[i].x() + dx_) * 64;
    const qreal y = (positions[i].y() + dy_) * 64;
    if (!(std::abs(x) <= 1e9 && std::abs(y) <= 1e9)) return false;
    const auto fixedX = static_cast<qint64>(x), fixedY = static_cast<qint64>(y);
    if (static_cast<qreal>(fixedX) != x || static_cast<qreal>(fixedY) != y) return false;  // not on the 1/64 grid
    // Whole pixels rounded down and the sixty-fourths beyond them.
    const int coverage =
        CoverageIndex(fontIndex, glyphs[i], static_cast<int>(fixedX & 63), static_cast<int>(fixedY & 63));
    if (coverage < 0) {
      refused_[static_cast<std::size_t>(fontIndex)] = true;
      return false;
    }
    placed.push_back({coverage, static_cast<int>(fixedX >> 6), static_cast<int>(fixedY >> 6)});
  }
  for (const TPlaced& glyph : placed) Blend(coverages_[static_cast<std::size_t>(glyph.coverage)], glyph.x, glyph.y);
  return true;
}

int TGlyphBlender::CoverageIndex(int font, quint32 glyph, int subX, int subY) {
  const quint64 key = (quint64(glyph) << 32) | (quint64(font & 0xfff) << 12) | quint64(subX << 6) | quint64(subY);
  // A page asks for the same few hundred glyphs again and again.
  TRecent& recent = recent_[(key * 0x9e3779b97f4a7c15ULL) >> (64 - kRecentBits)];
  if (recent.key == key) return recent.index;
  const auto found = known_.constFind(key);
  if (found != known_.constEnd()) {
    recent = {key, *found};
    return *found;
  }
  TCoverage coverage;
  std::vector<std::uint8_t>& bytes = measured_;
  bytes.clear();
  if (!Measure(font, glyph, subX, subY, coverage, bytes)) return -1;
  const std::size_t content =
      qHashMulti(qHashBits(bytes.data(), bytes.size()), coverage.left, coverage.top, coverage.width, coverage.height);
  int index = -1;
  for (auto same = byContent_.constFind(content); same != byContent_.constEnd() && same.key() == content; ++same) {
    const TCoverage& other = coverages_[static_cast<std::size_t>(*same)];
    if (other.left == coverage.left && other.top == coverage.top && other.width == coverage.width &&
        other.height == coverage.height &&
        std::equal(bytes.begin(), bytes.end(), coverage_.begin() + static_cast<std::ptrdiff_t>(other.offset))) {
      index = *same;
      break;
    }
  }
  if (index < 0) {
    coverage.offset = coverage_.size();
    coverage_.insert(coverage_.end(), bytes.begin(), bytes.end());
    index = static_cast<int>(coverages_.size());
    coverages_.push_back(coverage);
    byContent_.insert(content, index);
  }
  known_.insert(key, index);
  recent = {key, index};
  return index;
}

// Draws the glyph alone through QPainter, black on white and white on black,
// and reads its coverage back.  False when the two do not show one grey
// coverage blended linearly (sub-pixel colour or gamma-corrected text) or
// the glyph does not fit the scratch image.
bool TGlyphBlender::Measure(int fontIndex, quint32 glyph, int subX, int subY, TCoverage& coverage,
                            std::vector<std::uint8_t>& bytes) {
  const QRawFont& font = fonts_[static_cast<std::size_t>(fontIndex)];
  const int size = static_cast<int>(std::ceil(font.pixelSize())) * 4 + 16;
  const QPoint origin(size / 4, size * 5 / 8);
  QGlyphRun run;
  run.setRawFont(font);
  run.setGlyphIndexes({glyph});
  run.setPositions({QPointF(origin.x() + subX / 64.0, origin.y() + subY / 64.0)});
  QImage blackOnWhite(size, size, QImage::Format_ARGB32_Premultiplied);
  QImage whiteOnBlack(size, size, QImage::Format_ARGB32_Premultiplied);
  auto draw = [&](QImage& image, QRgb background, Qt::GlobalColor pen) {
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHints(hints_);
    painter.setPen(pen);
    painter.drawGlyphRun(QPointF(0, 0), run);
  };
  draw(blackOnWhite, 0xffffffff, Qt::black);
  draw(whiteOnBlack, 0xff000000, Qt::white);

  int left = size, top = size, right = -1, bottom = -1;
  for (int y = 0; y < size; ++y) {
    const auto* dark = reinterpret_cast<const QRgb*>(blackOnWhite.constScanLine(y));
    const auto* light = reinterpret_cast<const QRgb*>(whiteOnBlack.constScanLine(y));
    for (int x = 0; x < size; ++x) {
      const QRgb d = dark[x], l = light[x];
      const int covered = 255 - qRed(d);
      if (qGreen(d) != qRed(d) || qBlue(d) != qRed(d) || qAlpha(d) != 255 || l != qRgb(covered, covered, covered)) {
        return false;
      }
      if (covered == 0) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  coverage = {};
  if (right < 0) return true;  // nothing to draw (a space)
  if (left == 0 || top == 0 || right == size - 1 || bottom == size - 1) return false;  // may be cut off
  coverage.left = left - origin.x();
  coverage.top = top - origin.y();
  coverage.width = right - left + 1;
  coverage.height = bottom - top + 1;
  for (int y = top; y <= bottom; ++y) {
    const auto* dark = reinterpret_cast<const QRgb*>(blackOnWhite.constScanLine(y));
    for (int x = left; x <= right; ++x) bytes.push_back(static_cast<std::uint8_t>(255 - qRed(dark[x])));
    bytes.resize(bytes.size() + static_cast<std::size_t>(Padded(coverage.width) - coverage.width), 0);
  }
  return true;
}

// Stamp rows are padded as coverage rows are, with the background.
const quint32* TGlyphBlender::Stamp(TCoverage& coverage, quint32 background) {
  if (coverage.stampOffset != kNoStamp && coverage.background == background && coverage.colour == colour_) {
    return stamps_.data() + coverage.stampOffset;
  }
  const auto key = std::make_pair((quint64(coverage.offset) << 32) | background, colour_);
  auto found = otherStamps_.constFind(key);
  if (found == otherStamps_.constEnd()) {
    const std::size_t offset = stamps_.size();
    const std::uint8_t* map = coverage_.data() + coverage.offset;
    const auto pixels = static_cast<std::size_t>(Padded(coverage.width) * coverage.height);
    for (std::size_t i = 0; i < pixels; ++i) {
      stamps_.push_back(map[i] == 0 ? background : BlendPixel(background, colour_, map[i]));
    }
    found = otherStamps_.insert(key, offset);
  }
  coverage.stampOffset = *found;
  coverage.background = background;
  coverage.colour = colour_;
  return stamps_.data() + coverage.stampOffset;
}

void TGlyphBlender::Blend(TCoverage& coverage, int x, int y) {
  if (coverage.width == 0) return;
  const QRect box(x + coverage.left, y + coverage.top, coverage.width, coverage.height);
  const QRect shown(QPoint(std::max(box.left(), clip_.left()), std::max(box.top(), clip_.top())),
                    QPoint(std::min(box.right(), clip_.right()), std::min(box.bottom(), clip_.bottom())));
  if (shown.isEmpty()) return;
  const std::uint8_t* map = coverage_.data() + coverage.offset;
  // Most glyphs land on a cell's plain background, the colour under the
  // box's first pixel: there the stamp's pixels are copied, a whole row at a
  // time where the row is plain, else four pixels at a time.
  const quint32 background = *(reinterpret_cast<const quint32*>(bits_ + shown.top() * stride_) + shown.left());
  const quint32* stamp = Stamp(coverage, background);
  // Rows are kept padded with zero coverage to whole groups of four pixels:
  // when the glyph's right side is shown and the image is wide enough, the
  // padding is blended too (it leaves its pixels as they are), sparing the
  // pixel-by-pixel end of each row.
  const int padded = Padded(coverage.width);
  const int cutLeft = shown.left() - box.left();
  int count = shown.width();
  if (shown.right() == box.right() && Padded(count) <= padded - cutLeft && shown.left() + Padded(count) <= imageWidth_) {
    count = Padded(count);
  }
  const std::size_t at = static_cast<std::size_t>((shown.top() - box.top()) * padded + cutLeft);
  const TGlyphRows rows{bits_ + shown.top() * stride_ + shown.left() * qsizetype(sizeof(quint32)),
                        stride_, map + at, stamp + at, padded, count, shown.height(), colour_, background};
  switch (count) {
    case 4: LayRows<1>(rows); break;
    case 8: LayRows<2>(rows); break;
    case 12: LayRows<3>(rows); break;
    case 16: LayRows<4>(rows); break;
    default: LayRows<0>(rows); break;
  }
}

}  // namespace tabrin::grid
