#pragma once
// TCachedScrollBarStyle: the application's style for the grid's scroll bars,
// with each drawn scroll bar kept as an image and shown again while nothing
// that changes its pixels has changed.  Paging through a long sheet moves the
// slider by less than a pixel on most steps, yet the style (Fusion's
// gradients in particular, which the raster engine hands to helper threads)
// costs as much as a quarter of drawing the page.
//
//   view->verticalScrollBar()->setStyle(new TCachedScrollBarStyle(owner));
//
// The image is drawn by the base style itself with the very same option at
// the same whole-pixel offset, so it holds the same pixels; whatever the
// option says that could change them (size, state, active part, palette,
// direction, slider rectangle, slider at an end) is part of the cache key.
// Painters that are not a plain whole-pixel translation draw directly.  A
// slider moved to a place not drawn before is the slider's pixels moved on
// the groove, once that has given the style's own pixels twice.  A
// bar whose image has no see-through pixel is marked opaque
// (Qt::WA_OpaquePaintEvent), so that Qt does not paint what lies under it.
#include <QImage>
#include <QPalette>
#include <QProxyStyle>
#include <QRect>
#include <QStyleOptionSlider>

#include <array>

namespace tabrin::grid {

class TCachedScrollBarStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // The base is a new instance of the application's current style; `owner`
  // must outlive every widget the style is set on.
  explicit TCachedScrollBarStyle(QObject* owner);

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget = nullptr) const override;

 private:
  struct TKey {
    QSize size;
    qreal pixelRatio = 0;
    int state = 0;
    int direction = 0;
    qint64 palette = 0;
    int subControls = 0;
    int activeSubControls = 0;
    int orientation = 0;
    bool upsideDown = false;
    bool atMinimum = false;
    bool atMaximum = false;
    QRect slider;
    const QWidget* widget = nullptr;
    bool operator==(const TKey&) const = default;
  };
  struct TEntry {
    TKey key;
    QImage image;
  };

  // A bar whose slider can be moved on its groove: the groove alone and the
  // bar as the base style drew it with the slider at key.slider.  checks:
  // how often moving it gave the base style's own pixels; -1 once it did not.
  struct TMover {
    TKey key;
    QImage groove;
    QImage drawn;
    QRect footprint;  // the pixels of `drawn` the slider changed
    int checks = 0;
    // Where the slider's pixels go for a slider at `slider`.
    QRect FootprintAt(const QRect& slider) const;
    QImage Moved(const QRect& slider) const;
  };

  QImage DrawnByBase(const QStyleOptionSlider& bar, qreal ratio, const QPainter& like, const QWidget* widget) const;
  QImage BarImage(const QStyleOptionSlider& bar, const TKey& key, const QPainter& like,
                     const QWidget* widget) const;

  // Enough for a view's two scroll bars plus one more state of each.
  std::array<TEntry, 4> mutable cache_;
  int mutable next_ = 0;
  std::array<TMover, 2> mutable movers_;
  int mutable nextMover_ = 0;
};

}  // namespace tabrin::grid
