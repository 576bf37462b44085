// The grid's scroll bars repaint on a value change only when it shows: what
// the window holds of a bar is always the bar drawn afresh for its value,
// however far the slider moved, and the view still follows its bars.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QScrollBar>
#include <QTableView>

#include "grid/gw_db_grid.h"
#include "grid/sheet_scroll_bar.h"
#include "grid_test_support.h"

namespace tabrin::test {
namespace {

using grid::TgwDBGrid;

// The pixels of `widget` in its window's backing store: what the window shows.
QImage Shown(const QWidget& widget) {
  QBackingStore* store = widget.window()->backingStore();
  if (!store || !store->paintDevice() || store->paintDevice()->devType() != QInternal::Image) return {};
  const auto* image = static_cast<const QImage*>(store->paintDevice());
  return image->copy(QRect(widget.mapTo(widget.window(), QPoint(0, 0)), widget.size()));
}

TEST(SheetScrollBar, TheWindowShowsTheBarAsDrawnForItsValueWhileTheSheetIsPaged) {
  TScratchFolder folder;
  TRows rows;
  // Enough rows that a page moves the slider by less than a pixel.
  for (int i = 0; i < 6000; ++i) rows.push_back({std::to_string(100 + i), std::string("名稱")});
  WriteSheet(folder.File("cls.xls"), {"小分類代碼", "小分類名稱"}, rows);
  TOpenSheet sheet(TMasterTable::mtClassify, folder.File("cls.xls"));
  TgwDBGrid grid(TMasterTable::mtClassify);
  grid.SetSheet(&sheet.Query());
  grid.resize(400, 300);
  grid.show();
  QApplication::processEvents();

  QTableView* view = grid.View();
  QScrollBar* bar = view->verticalScrollBar();
  ASSERT_NE(qobject_cast<grid::TSheetScrollBar*>(bar), nullptr);
  ASSERT_FALSE(Shown(*bar).isNull()) << "no raster backing store";
  const auto check = [&](const char* when) {
    const QImage shown = Shown(*bar);
    EXPECT_EQ(shown, bar->grab().toImage().convertToFormat(shown.format())) << when << ", value " << bar->value();
  };
  int moves = 0;
  for (int page = 0; page < 40; ++page) {
    const int before = bar->value();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QApplication::processEvents();
    moves += bar->value() != before;
    check("paging down");
    EXPECT_EQ(view->rowAt(0), bar->value());  // the view follows its bar
  }
  EXPECT_EQ(moves, 40);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  QApplication::processEvents();
  check("at the end");
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  QApplication::processEvents();
  check("a page back from the end");
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  QApplication::processEvents();
  check("back at the top");
}

}  // namespace
}  // namespace tabrin::test
