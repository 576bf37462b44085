// The grid reads the sheet query itself, as drawn: the texts the query
// gives, in any order of access; nothing to edit, insert or delete; and
// hands off while another thread walks the query.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <thread>

#include "grid/gw_db_grid.h"
#include "grid/sheet_table_model.h"
#include "grid_test_support.h"

namespace tabrin::test {
namespace {

using grid::TgwDBGrid;

const std::vector<std::string> kTitles = {"管理貨號", "國際碼", "品名", "建檔日期", "售價"};

// Row i: item number, a 13-digit barcode held as a number, a name, a date
// with a time of day on odd rows, a price with a fraction on some.
TRows ItemRows(int count) {
  TRows rows;
  for (int i = 0; i < count; ++i) {
    rows.push_back({std::string("I") + std::to_string(1000 + i), 4710000000000.0 + i, std::string("品名") + std::to_string(i),
                    TDate{45356.0 + i + (i % 2 ? 0.5 : 0.0)}, 10 + i * 0.25});
  }
  return rows;
}

class SheetReading : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSheet(folder.File("items.xls"), kTitles, ItemRows(60));
    sheet = std::make_unique<TOpenSheet>(TMasterTable::mtItem, folder.File("items.xls"));
    grid = std::make_unique<TgwDBGrid>(TMasterTable::mtItem);
    grid->SetSheet(&sheet->Query(), "items.xls");
    grid->resize(900, 300);
    grid->show();
    QApplication::processEvents();
  }

  std::string QueryText(int row, const std::string& field) {
    sheet->Query().MoveTo(row);
    return sheet->Query().FieldByName(field).AsString();
  }
  std::string GridText(int row, int column) {
    return grid->Model()->index(row, column).data().toString().toStdString();
  }

  TScratchFolder folder;
  std::unique_ptr<TOpenSheet> sheet;
  std::unique_ptr<TgwDBGrid> grid;
};

TEST_F(SheetReading, CellsAreTheQuerysTextsInAnyOrderOfAccess) {
  ASSERT_EQ(grid->Model()->rowCount(), 60);
  ASSERT_EQ(grid->Model()->columnCount(), 5);
  // What the query gives, collected first...
  std::vector<std::vector<std::string>> expected;
  for (int row = 0; row < 60; ++row) {
    expected.emplace_back();
    for (const std::string& title : kTitles) expected.back().push_back(QueryText(row, title));
  }
  EXPECT_EQ(expected[3][1], "4710000000003");
  EXPECT_EQ(expected[2][4], "10.5");
  // ...then read through the grid backwards and column by column, so that a
  // stale current record would show.
  for (int column = 4; column >= 0; --column) {
    for (int row = 59; row >= 0; row -= 7) EXPECT_EQ(GridText(row, column), expected[row][column]) << row << "," << column;
  }
  EXPECT_EQ(GridText(0, 3), expected[0][3]);
  EXPECT_NE(GridText(1, 3), GridText(2, 3));
}

TEST_F(SheetReading, NothingCanBeEditedInsertedOrDeleted) {
  QTableView* view = grid->View();
  const QModelIndex cell = grid->Model()->index(2, 2);
  EXPECT_FALSE(grid->Model()->flags(cell) & Qt::ItemIsEditable);
  EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(grid->Model()->setData(cell, "x"));
  EXPECT_FALSE(grid->Model()->insertRows(0, 1));
  EXPECT_FALSE(grid->Model()->removeRows(0, 1));

  view->setFocus();
  view->setCurrentIndex(cell);
  const std::string before = GridText(2, 2);
  for (int key : {Qt::Key_F2, Qt::Key_Return, Qt::Key_Insert, Qt::Key_Delete, Qt::Key_X, Qt::Key_Space}) {
    QTest::keyClick(view, Qt::Key(key));
  }
  QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), view) << "an editor would hold the focus";
  EXPECT_EQ(view->indexWidget(cell), nullptr);
  EXPECT_EQ(grid->Model()->rowCount(), 60);
  EXPECT_EQ(GridText(2, 2), before);
  EXPECT_EQ(sheet->Query().State(), TDataSetState::dsBrowse);
  EXPECT_EQ(sheet->Query().RecordCount(), 60);
}

TEST_F(SheetReading, WhileSuspendedTheQueryIsLeftAloneAndTheScreenKeepsItsRows) {
  QTableView* view = grid->View();
  const int shownRows = view->rowAt(view->viewport()->height() - 1);
  ASSERT_GT(shownRows, 2);
  ASSERT_LT(shownRows, 50);
  const std::string firstName = GridText(0, 2);

  // Keeping the rows on screen does not move the query for whoever takes it over.
  sheet->Query().MoveTo(37);
  grid->SetSuspended(true);
  EXPECT_EQ(sheet->Query().RecNo(), 37);
  // Another thread would now walk the query; it leaves it on a row far from
  // the screen.
  sheet->Query().MoveTo(55);
  grid->grab();                 // a full repaint
  view->scrollTo(grid->Model()->index(50, 0));
  grid->grab();                 // rows that were not on screen
  view->scrollToTop();
  grid->grab();
  EXPECT_EQ(sheet->Query().RecNo(), 55);
  EXPECT_FALSE(sheet->Query().Eof());
  EXPECT_EQ(GridText(0, 2), firstName);  // kept from before
  EXPECT_EQ(GridText(50, 2), "");        // never read

  grid->SetSuspended(false);
  EXPECT_EQ(GridText(50, 2), QueryText(50, "品名"));
  EXPECT_EQ(GridText(0, 2), firstName);
}

// As the window imports: a worker thread walks the query from first to last
// again and again while the grid is drawn and scrolled on this thread.  A
// grid that moved the query's current record would make the walk skip or
// repeat records.
TEST_F(SheetReading, AWorkerWalksTheQueryUndisturbedWhileTheSuspendedGridIsDrawn) {
  constexpr int kWalks = 3000;
  QTableView* view = grid->View();
  grid->SetSuspended(true);
  std::atomic<bool> done{false};
  std::atomic<int> walks{0}, outOfOrder{0};
  std::thread worker([&] {
    TQuery& query = sheet->Query();
    TField& code = query.FieldByName("管理貨號");
    for (int walk = 0; walk < kWalks; ++walk) {
      int expected = 0;
      for (query.First(); !query.Eof(); query.Next(), ++expected) {
        if (code.AsString() != "I" + std::to_string(1000 + expected)) ++outOfOrder;
      }
      if (expected != 60) ++outOfOrder;
      ++walks;
    }
    done = true;
  });
  int frames = 0;
  while (!done) {
    view->scrollTo(grid->Model()->index((frames * 7) % 60, 0));
    grid->grab();
    QApplication::processEvents();
    ++frames;
  }
  worker.join();
  grid->SetSuspended(false);
  EXPECT_EQ(walks, kWalks);
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_GT(frames, 0);
  EXPECT_EQ(GridText(42, 0), "I1042");  // reading again after the resume
}

TEST_F(SheetReading, AQueryClosedBehindTheGridsBackShowsBlankCellsInsteadOfFailing) {
  sheet->Query().Close();
  grid->grab();
  EXPECT_EQ(GridText(0, 0), "");
  grid->SetSheet(&sheet->Query());  // closed: titles over an empty body
  EXPECT_EQ(grid->Model()->rowCount(), 0);
  EXPECT_EQ(grid->Model()->columnCount(), 5);
  sheet->Query().Open();
  grid->SetSheet(&sheet->Query());
  EXPECT_EQ(grid->Model()->rowCount(), 60);
  EXPECT_EQ(GridText(59, 0), "I1059");
}

// The notes' column comes first and shifts the sheet's columns by one; its
// labels are kept with the rows on screen while the grid is suspended, the
// tip answers for every column of the row, and showing the sheet again (or
// notes without a label) takes the column away.
TEST_F(SheetReading, RowNotesComeFirstAndGoWithTheSheet) {
  grid::TRowNotes notes;
  notes.title = QStringLiteral("試算");
  notes.widthInCharacters = 9;
  notes.label = [](int row) { return row % 2 ? QStringLiteral("新增") : QStringLiteral("覆蓋"); };
  notes.tip = [](int row) { return row % 2 ? QString() : QStringLiteral("tip %1").arg(row); };
  const std::string name5 = GridText(5, 2);
  grid->SetRowNotes(notes);
  ASSERT_EQ(grid->Model()->columnCount(), 6);
  EXPECT_EQ(grid->Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("試算"));
  EXPECT_EQ(GridText(5, 0), "新增");
  EXPECT_EQ(GridText(4, 0), "覆蓋");
  EXPECT_EQ(GridText(5, 3), name5);
  EXPECT_EQ(grid->Model()->index(4, 3).data(Qt::ToolTipRole).toString(), QStringLiteral("tip 4"));
  EXPECT_TRUE(grid->Model()->index(5, 0).data(Qt::ToolTipRole).isNull());

  grid->SetSuspended(true);
  EXPECT_EQ(GridText(0, 0), "覆蓋");
  EXPECT_EQ(GridText(0, 1), QueryText(0, "管理貨號"));
  grid->SetSuspended(false);

  grid->SetRowNotes({});
  EXPECT_EQ(grid->Model()->columnCount(), 5);
  EXPECT_EQ(GridText(5, 2), name5);
  grid->SetRowNotes(notes);
  grid->SetSheet(&sheet->Query(), "items.xls");
  EXPECT_EQ(grid->Model()->columnCount(), 5);
  EXPECT_TRUE(grid->Model()->index(4, 0).data(Qt::ToolTipRole).isNull());
}

}  // namespace
}  // namespace tabrin::test
