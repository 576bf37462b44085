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
// bar whose image has no see-through pixel is marked opaque
// (Qt::WA_OpaquePaintEvent), so that Qt does not paint what lies under it.
#include <QImage>
#include <QPalette>
#include <QProxyStyle>
#include <QRect>

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

  // Enough for a view's two scroll bars plus one more state of each.
  std::array<TEntry, 4> mutable cache_;
  int mutable next_ = 0;
};

}  // namespace tabrin::grid
