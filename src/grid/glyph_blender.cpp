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

void BlendLine(quint32* dst, const std::uint8_t* coverage, int count, quint32 colour) {
  int i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
  for (; i + 4 <= count; i += 4) {
    std::uint32_t four;
    std::memcpy(&four, coverage + i, 4);
    if (four == 0) continue;
    __m128i c = _mm_cvtsi32_si128(static_cast<int>(four));
    c = _mm_unpacklo_epi8(c, c);   // c0 c0 c1 c1 c2 c2 c3 c3
    c = _mm_unpacklo_epi16(c, c);  // c0 ×4, c1 ×4, c2 ×4, c3 ×4
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i low = BlendTwo(_mm_unpacklo_epi8(pixels, zero), colour16, _mm_unpacklo_epi8(c, zero));
    const __m128i high = BlendTwo(_mm_unpackhi_epi8(pixels, zero), colour16, _mm_unpackhi_epi8(c, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < count; ++i) {
    if (coverage[i] != 0) dst[i] = BlendPixel(dst[i], colour, coverage[i]);
  }
}

}  // namespace

void TGlyphBlender::SetEnabled(bool on) { enabled = on; }

bool TGlyphBlender::Begin(QPainter& painter, const QRect& area) {
  bits_ = nullptr;
  if (!enabled || !usable_) return false;
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
  return static_cast<int>(fonts_.size()) - 1;
}

bool TGlyphBlender::Draw(const QRawFont& font, const quint32* glyphs, const QPointF* positions, int count) {
  if (!bits_ || !usable_) return false;
  const int fontIndex = FontIndex(font);
  std::vector<TPlaced>& placed = placed_;
  placed.clear();
  // Everything is known before anything is drawn, so that a glyph that
  // cannot be drawn here leaves the whole run to QPainter.
  for (int i = 0; i < count; ++i) {
    const qreal x = (positions[i].x() + dx_) * 64;
    const qreal y = (positions[i].y() + dy_) * 64;
    if (!Whole(x) || !Whole(y) || std::abs(x) > 1e9 || std::abs(y) > 1e9) return false;
    const auto fixedX = static_cast<qint64>(x), fixedY = static_cast<qint64>(y);
    const qint64 wholeX = fixedX >= 0 ? fixedX / 64 : -((-fixedX + 63) / 64);
    const qint64 wholeY = fixedY >= 0 ? fixedY / 64 : -((-fixedY + 63) / 64);
    const int coverage = CoverageIndex(fontIndex, glyphs[i], static_cast<int>(fixedX - wholeX * 64),
                                       static_cast<int>(fixedY - wholeY * 64));
    if (coverage < 0) {
      usable_ = false;
      return false;
    }
    placed.push_back({coverage, static_cast<int>(wholeX), static_cast<int>(wholeY)});
  }
  for (const TPlaced& glyph : placed) Blend(coverages_[static_cast<std::size_t>(glyph.coverage)], glyph.x, glyph.y);
  return true;
}

int TGlyphBlender::CoverageIndex(int font, quint32 glyph, int subX, int subY) {
  const quint64 key = (quint64(glyph) << 32) | (quint64(font & 0xfff) << 12) | quint64(subX << 6) | quint64(subY);
  const auto found = known_.constFind(key);
  if (found != known_.constEnd()) return *found;
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

void TGlyphBlender::Blend(const TCoverage& coverage, int x, int y) {
  if (coverage.width == 0) return;
  const QRect box(x + coverage.left, y + coverage.top, coverage.width, coverage.height);
  const QRect shown = box & clip_;
  if (shown.isEmpty()) return;
  const std::uint8_t* map = coverage_.data() + coverage.offset;
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
  for (int row = shown.top(); row <= shown.bottom(); ++row) {
    auto* dst = reinterpret_cast<quint32*>(bits_ + row * stride_) + shown.left();
    const std::uint8_t* line = map + (row - box.top()) * padded + cutLeft;
    BlendLine(dst, line, count, colour_);
  }
}

}  // namespace tabrin::grid
