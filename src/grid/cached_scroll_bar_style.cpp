#include "grid/cached_scroll_bar_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <cmath>
#include <cstring>

namespace tabrin::grid {

namespace {

QStyle* NewApplicationStyle() {
  QStyle* style = QStyleFactory::create(QApplication::style()->name());
  return style ? style : QStyleFactory::create(QStringLiteral("Fusion"));
}

bool Whole(qreal value) { return value == std::floor(value); }

// The device pixel ratio when the painter maps whole logical pixels onto
// whole device pixels by that ratio and nothing else; 0 otherwise.
qreal WholePixelRatio(const QPainter& painter) {
  const QTransform transform = painter.deviceTransform();
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 0;
  if (ratio < 1 || !Whole(ratio)) return 0;
  if (transform.m12() != 0 || transform.m21() != 0 || transform.m13() != 0 || transform.m23() != 0) return 0;
  if (transform.m11() != ratio || transform.m22() != ratio || transform.m33() != 1) return 0;
  if (!Whole(transform.dx()) || !Whole(transform.dy())) return 0;
  if (painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1) return 0;
  return ratio;
}

bool IsOpaque(const QImage& image) {
  const int width = image.width();
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width; ++x) {
      if (qAlpha(line[x]) != 255) return false;
    }
  }
  return true;
}

}  // namespace

TCachedScrollBarStyle::TCachedScrollBarStyle(QObject* owner) : QProxyStyle(NewApplicationStyle()) {
  setParent(owner);
}

QImage TCachedScrollBarStyle::DrawnByBase(const QStyleOptionSlider& bar, qreal ratio, const QPainter& like,
                                           const QWidget* widget) const {
  QImage image(bar.rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(like.renderHints());
  painter.setFont(like.font());
  painter.setPen(like.pen());
  painter.setBrush(like.brush());
  painter.setBrushOrigin(like.brushOrigin());
  QProxyStyle::drawComplexControl(CC_ScrollBar, &bar, &painter, widget);
  return image;
}

// The bar for `key`.  Paging through a sheet moves the slider a pixel every
// few pages, to a place not drawn before: the bar is then its groove with
// the slider's pixels moved there.  That holds for a style
// that draws the groove alike all along the bar and the slider alike
// wherever it is, which is checked against the base style's own drawing at
// two more places before it is relied on; a bar at either end (whose arrows
// may look different) is always drawn by the base style.
QImage TCachedScrollBarStyle::BarImage(const QStyleOptionSlider& bar, const TKey& key, const QPainter& like,
                                          const QWidget* widget) const {
  constexpr int kChecks = 2;
  const auto sameButSlider = [&key](const TKey& other) {
    TKey moved = other;
    moved.slider = key.slider;
    return moved == key && other.slider.size() == key.slider.size();
  };
  const bool movable = !key.atMinimum && !key.atMaximum && key.pixelRatio == 1 && !key.slider.isEmpty() &&
                       QRect(QPoint(), key.size).contains(key.slider);
  TMover* mover = nullptr;
  for (TMover& candidate : movers_) {
    if (!candidate.groove.isNull() && sameButSlider(candidate.key)) mover = &candidate;
  }
  // Only a slider well clear of the arrows (a slider's length away): next to
  // them, what each part draws over the other may change its pixels.
  const QRect grooveRect = subControlRect(CC_ScrollBar, &bar, SC_ScrollBarGroove, widget);
  const auto clear = [&](const QRect& pixels) {
    const int margin = (key.orientation == Qt::Vertical ? key.slider.height() : key.slider.width()) + 4;
    const QRect middle = key.orientation == Qt::Vertical ? grooveRect.adjusted(0, margin, 0, -margin)
                                                         : grooveRect.adjusted(margin, 0, -margin, 0);
    return middle.contains(pixels);
  };
  const bool moveHere = movable && mover && clear(mover->FootprintAt(key.slider));
  if (moveHere && mover->checks >= kChecks) return mover->Moved(key.slider);

  QImage drawn = DrawnByBase(bar, key.pixelRatio, like, widget);
  if (moveHere && mover->checks >= 0) mover->checks = mover->Moved(key.slider) == drawn ? mover->checks + 1 : -1;
  const QRect roughFootprint =
      key.orientation == Qt::Vertical ? key.slider.adjusted(0, -2, 0, 2) : key.slider.adjusted(-2, 0, 2, 0);
  if (!movable || mover || !clear(roughFootprint)) return drawn;

  TMover made;
  QStyleOptionSlider groove = bar;
  groove.subControls &= ~SC_ScrollBarSlider;
  made.key = key;
  made.groove = DrawnByBase(groove, key.pixelRatio, like, widget);
  made.drawn = drawn;
  // What the slider covers may reach past its rectangle (its outline).
  made.footprint = key.slider;
  for (int y = 0; y < drawn.height(); ++y) {
    const auto* with = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
    const auto* without = reinterpret_cast<const QRgb*>(made.groove.constScanLine(y));
    for (int x = 0; x < drawn.width(); ++x) {
      if (with[x] != without[x]) made.footprint |= QRect(x, y, 1, 1);
    }
  }
  if (clear(made.footprint)) {
    movers_[static_cast<std::size_t>(nextMover_)] = std::move(made);
    nextMover_ = (nextMover_ + 1) % static_cast<int>(movers_.size());
  }
  return drawn;
}

QRect TCachedScrollBarStyle::TMover::FootprintAt(const QRect& slider) const {
  return footprint.translated(slider.topLeft() - key.slider.topLeft());
}

QImage TCachedScrollBarStyle::TMover::Moved(const QRect& slider) const {
  QImage image = groove.copy();
  const QRect to = FootprintAt(slider) & image.rect();
  const QRect from = to.translated(key.slider.topLeft() - slider.topLeft());
  for (int y = 0; y < to.height(); ++y) {
    std::memcpy(image.scanLine(to.top() + y) + to.left() * 4, drawn.constScanLine(from.top() + y) + from.left() * 4,
                static_cast<std::size_t>(to.width()) * 4);
  }
  return image;
}

void TCachedScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                               QPainter* painter, const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
  const qreal ratio = painter ? WholePixelRatio(*painter) : 0;
  // Transient scroll bars fade in and out: their look is not the option's
  // alone.  The parts of a scroll bar are placed from (0, 0), not from the
  // rectangle's corner, so only a bar drawn there (as a scroll bar draws
  // itself) is kept.
  if (control != CC_ScrollBar || !bar || ratio == 0 || option->rect.isEmpty() || option->rect.topLeft() != QPoint() ||
      styleHint(SH_ScrollBar_Transient, option, widget)) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }

  TKey key;
  key.size = bar->rect.size();
  key.pixelRatio = ratio;
  key.state = static_cast<int>(bar->state);
  key.direction = bar->direction;
  key.palette = bar->palette.cacheKey();
  key.subControls = static_cast<int>(bar->subControls);
  key.activeSubControls = static_cast<int>(bar->activeSubControls);
  key.orientation = bar->orientation;
  key.upsideDown = bar->upsideDown;
  key.atMinimum = bar->sliderPosition <= bar->minimum;
  key.atMaximum = bar->sliderPosition >= bar->maximum;
  key.slider = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
  key.widget = widget;

  const TEntry* found = nullptr;
  for (const TEntry& entry : cache_) {
    if (!entry.image.isNull() && entry.key == key) found = &entry;
  }
  if (!found) {
    TEntry& entry = cache_[static_cast<std::size_t>(next_)];
    next_ = (next_ + 1) % static_cast<int>(cache_.size());
    entry.key = key;
    entry.image = BarImage(*bar, key, *painter, widget);
    // An image without any see-through pixel is copied onto the window
    // instead of being blended with it: the same pixels, a plain copy.
    if (!entry.image.hasAlphaChannel() || IsOpaque(entry.image)) {
      entry.image = std::move(entry.image).convertToFormat(QImage::Format_RGB32);
    }
    found = &entry;
  }
  painter->drawImage(QPoint(), found->image);
  // A bar whose image has no see-through pixel covers whatever lies under it:
  // Qt need not paint the scroll area's frame and background there first.
  if (auto* shown = const_cast<QWidget*>(widget); shown && option->rect == shown->rect()) {
    const bool opaque = !found->image.hasAlphaChannel();
    if (shown->testAttribute(Qt::WA_OpaquePaintEvent) != opaque) shown->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
  }
}

}  // namespace tabrin::grid
