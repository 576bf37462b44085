// The grid's scroll bars show kept images of what the style drew: they must
// be the style's own pixels in every state, position and orientation, also
// when an image is shown again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QTableView>

#include <memory>

#include "grid/cached_scroll_bar_style.h"
#include "grid/gw_db_grid.h"

namespace tabrin::test {
namespace {

using grid::TCachedScrollBarStyle;

struct TBarCase {
  Qt::Orientation orientation;
  int position;
  QStyle::State extraState;
  QStyle::SubControl active;
  bool enabled;
};

// A scroll bar of the grid's range at `position`.
QStyleOptionSlider BarOption(const QScrollBar& bar, const TBarCase& c) {
  QStyleOptionSlider option;
  option.initFrom(&bar);
  option.orientation = c.orientation;
  if (c.orientation == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  if (!c.enabled) option.state &= ~QStyle::State_Enabled;
  option.state |= c.extraState;
  option.minimum = 0;
  option.maximum = 65521;
  option.pageStep = 13;
  option.singleStep = 1;
  option.sliderPosition = c.position;
  option.sliderValue = c.position;
  option.subControls = QStyle::SC_All;
  option.activeSubControls = c.active;
  return option;
}

QImage Draw(const QStyle& style, const QStyleOptionSlider& option, const QWidget& bar) {
  QImage image(option.rect.size() + QSize(14, 10), QImage::Format_ARGB32_Premultiplied);
  image.fill(bar.palette().color(QPalette::Window));
  QPainter painter(&image);
  // Away from the image's corner and clipped to the bar, as a widget inside
  // a window is painted.
  painter.translate(7, 5);
  painter.setClipRect(option.rect);
  style.drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, &bar);
  return image;
}

TEST(CachedScrollBarStyle, DrawsTheStylesOwnPixelsFreshAndFromItsImages) {
  QObject owner;
  auto* cached = new TCachedScrollBarStyle(&owner);
  const std::unique_ptr<QStyle> plain(QStyleFactory::create(QApplication::style()->name()));
  ASSERT_TRUE(plain);

  const TBarCase cases[] = {
      {Qt::Vertical, 0, {}, QStyle::SC_None, true},
      {Qt::Vertical, 1, {}, QStyle::SC_None, true},
      {Qt::Vertical, 30000, {}, QStyle::SC_None, true},
      {Qt::Vertical, 30013, {}, QStyle::SC_None, true},  // the slider moved by less than a pixel
      {Qt::Vertical, 65520, {}, QStyle::SC_None, true},
      {Qt::Vertical, 65521, {}, QStyle::SC_None, true},
      {Qt::Vertical, 30000, QStyle::State_MouseOver, QStyle::SC_ScrollBarSlider, true},
      {Qt::Vertical, 30000, QStyle::State_Sunken, QStyle::SC_ScrollBarSlider, true},
      {Qt::Vertical, 30000, QStyle::State_Sunken, QStyle::SC_ScrollBarAddLine, true},
      {Qt::Vertical, 30000, QStyle::State_MouseOver, QStyle::SC_ScrollBarSubLine, true},
      {Qt::Vertical, 0, {}, QStyle::SC_None, false},
      {Qt::Horizontal, 0, {}, QStyle::SC_None, true},
      {Qt::Horizontal, 40000, QStyle::State_MouseOver, QStyle::SC_ScrollBarAddPage, true},
      {Qt::Horizontal, 65521, {}, QStyle::SC_None, false},
  };
  QScrollBar vertical(Qt::Vertical);
  vertical.resize(15, 300);
  QScrollBar horizontal(Qt::Horizontal);
  horizontal.resize(820, 15);
  // Twice round: the second time every case is drawn from a kept image (or
  // drawn again once pushed out), and must still match.
  for (int round = 0; round < 2; ++round) {
    for (const TBarCase& c : cases) {
      const QScrollBar& bar = c.orientation == Qt::Vertical ? vertical : horizontal;
      const QStyleOptionSlider option = BarOption(bar, c);
      EXPECT_EQ(Draw(*cached, option, bar), Draw(*plain, option, bar))
          << "round " << round << ", orientation " << c.orientation << ", position " << c.position << ", state "
          << static_cast<int>(c.extraState) << ", active " << c.active << ", enabled " << c.enabled;
    }
  }
}

// Paging down a long sheet: the slider moves a pixel every few pages, each
// place drawn once, most of them by moving the slider on its groove; every
// one must be the style's own pixels.
TEST(CachedScrollBarStyle, ASliderMovedDownTheBarIsTheStylesOwnDrawing) {
  QObject owner;
  auto* cached = new TCachedScrollBarStyle(&owner);
  const std::unique_ptr<QStyle> plain(QStyleFactory::create(QApplication::style()->name()));
  ASSERT_TRUE(plain);
  for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
    QScrollBar bar(orientation);
    bar.resize(orientation == Qt::Vertical ? QSize(15, 300) : QSize(820, 15));
    for (int position = 0; position <= 65521; position += position < 3000 || position > 62500 ? 37 : 211) {
      for (const QStyle::State extra : {QStyle::State(), QStyle::State(QStyle::State_MouseOver)}) {
        const QStyleOptionSlider option =
            BarOption(bar, {orientation, position, extra, extra ? QStyle::SC_ScrollBarSlider : QStyle::SC_None, true});
        ASSERT_EQ(Draw(*cached, option, bar), Draw(*plain, option, bar))
            << "orientation " << orientation << ", position " << position << ", state " << static_cast<int>(extra);
      }
    }
  }
}

TEST(CachedScrollBarStyle, TheGridsScrollBarsUseIt) {
  grid::TgwDBGrid grid(TMasterTable::mtItem);
  for (const QScrollBar* bar : {grid.View()->verticalScrollBar(), grid.View()->horizontalScrollBar()}) {
    EXPECT_NE(qobject_cast<const TCachedScrollBarStyle*>(bar->style()), nullptr);
  }
}

}  // namespace
}  // namespace tabrin::test
