#include "grid/cached_scroll_bar_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <cmath>

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
    entry.image = QImage(bar->rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    entry.image.setDevicePixelRatio(ratio);
    entry.image.fill(Qt::transparent);
    QPainter image(&entry.image);
    image.setRenderHints(painter->renderHints());
    image.setFont(painter->font());
    image.setPen(painter->pen());
    image.setBrush(painter->brush());
    image.setBrushOrigin(painter->brushOrigin());
    QProxyStyle::drawComplexControl(control, option, &image, widget);
    image.end();
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
