#pragma once
// TSheetScrollBar: a scroll bar that is repainted on a change of its value
// only when that change shows: the slider moved by a whole pixel, or it
// reached or left either end.  Paging through a long sheet moves the slider
// by less than a pixel on most steps, and each repaint costs a paint event
// of its own.  Every other change (range, size, state, style) repaints as
// usual.
//
//   view->setVerticalScrollBar(new TSheetScrollBar(Qt::Vertical));
#include <QRect>
#include <QScrollBar>

#include <optional>

namespace tabrin::grid {

class TSheetScrollBar : public QScrollBar {
  Q_OBJECT

 public:
  explicit TSheetScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  void sliderChange(SliderChange change) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // What a value change can change of the bar's pixels.
  struct TLook {
    QRect slider;
    bool atMinimum = false;
    bool atMaximum = false;
    bool operator==(const TLook&) const = default;
  };
  TLook Look() const;

  std::optional<TLook> painted_;
};

}  // namespace tabrin::grid
