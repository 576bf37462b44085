#pragma once
// TgwDBGrid: the read-only grid of an import tab over the tab's sheet query,
// with a status line under it.
//
//   TgwDBGrid grid(TMasterTable::mtItem);   // 19 titles over an empty body
//   sheet.Open();
//   grid.SetSheet(&sheet, "items.xls");     // columns built, rows shown
//   grid.SetSuspended(true);                // a worker thread walks `sheet`
//   ...
//   grid.SetSuspended(false);
//
// The columns come from the tab's column list, not from the sheet: an entry
// whose column the open sheet lacks is dropped for the rest of the run, also
// for workbooks shown later on the same grid.  Rows are read from the query
// as they are drawn (see TSheetTableModel), so SetSheet must be called again
// whenever the query was closed and reopened.
#include <QWidget>

#include "db/master_table.h"
#include "grid/grid_column_set.h"
#include "grid/sheet_table_model.h"

class QLabel;
class QTableView;

namespace tabrin {
class TQuery;
}

namespace tabrin::grid {

class TIndicatorHeader;
class TSheetView;
class TTitleHeader;

class TgwDBGrid : public QWidget {
  Q_OBJECT

 public:
  explicit TgwDBGrid(TMasterTable table, QWidget* parent = nullptr);
  ~TgwDBGrid() override;

  // An open query: builds the columns and shows its rows.  nullptr or a
  // closed query: the titles of the remaining entries over an empty body.
  // Ends a suspension (it reads the query), so call it only once no other
  // thread uses the query.
  void SetSheet(TQuery* openSheet, const QString& fileName = {});
  // A first column of notes on the shown sheet's rows (see TRowNotes), or
  // none (notes without a label); the current row stays current.  Showing
  // another sheet takes them away.
  void SetRowNotes(TRowNotes notes);
  // While true the grid does not touch the query; on resume it repaints.
  void SetSuspended(bool suspended);
  bool Suspended() const;

  TMasterTable Table() const { return table_; }
  QTableView* View() const;
  TSheetTableModel* Model() const { return model_; }
  QLabel* StatusLine() const { return status_; }
  const TGridColumnSet& ColumnSet() const { return columnSet_; }

 private:
  std::vector<TShownColumn> ColumnsOf(const std::vector<TGridColumn>& shown) const;
  std::vector<TShownColumn> TitleColumns() const;
  void ApplyColumnWidths();
  void ShowFirstRowAsCurrent();
  void UpdateStatus(const QString& fileName, int rows);

  TMasterTable table_;
  TGridColumnSet columnSet_;
  TSheetTableModel* model_;
  TSheetView* view_;
  TTitleHeader* titles_;
  TIndicatorHeader* indicator_;
  QLabel* status_;
};

}  // namespace tabrin::grid
