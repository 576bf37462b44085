#include "grid/sheet_scroll_bar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace tabrin::grid {

TSheetScrollBar::TSheetScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

TSheetScrollBar::TLook TSheetScrollBar::Look() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  TLook look;
  look.slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
  look.atMinimum = option.sliderPosition <= option.minimum;
  look.atMaximum = option.sliderPosition >= option.maximum;
  return look;
}

void TSheetScrollBar::sliderChange(SliderChange change) {
  // A transient bar flashes on every change; the others show the same
  // pixels for a slider that has not moved by a pixel.
  if (change == SliderValueChange && painted_ && !style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this) &&
      *painted_ == Look()) {
    return;
  }
  painted_.reset();
  QScrollBar::sliderChange(change);
}

void TSheetScrollBar::paintEvent(QPaintEvent* event) {
  painted_ = Look();
  QScrollBar::paintEvent(event);
}

}  // namespace tabrin::grid
