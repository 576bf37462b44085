#pragma once
// TSheetTableModel: the rows of an open sheet query as a Qt table model.
// Nothing of the sheet is copied: a cell is read from the query (move to the
// row, the field's text) when the view asks for it, that is when it is drawn.
//
//   TSheetTableModel model;
//   model.ShowSheet(sheet, columns);  // the view shows sheet's rows
//   model.Suspend(first, last);       // another thread may now move the query
//   model.Resume();
//
// Reading moves the query's current record; code that walks the query
// positions it first (First()), as the importers do.  While suspended the
// model does not touch the query at all: it answers from the texts of the
// rows that were on screen when it was suspended and leaves the others blank.
#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "db/query.h"

namespace tabrin::grid {

// One grid column: its title, the sheet column it shows and that column's
// field in the open sheet (null before a sheet is shown).
struct TShownColumn {
  QString title;
  QString fieldName;
  int widthInCharacters = 0;
  TField* field = nullptr;
  bool number = false;  // right-aligned
  bool note = false;    // the row notes' column (see TRowNotes), no sheet column
};

// A note on every row that is not in the sheet (what importing the row would
// do): a short label in a narrow first column and a longer tip for the whole
// row.  Both are looked up by row when drawn or asked for, never copied per
// row; they must not throw and must not touch the sheet query.
struct TRowNotes {
  QString title;
  int widthInCharacters = 0;
  std::function<QString(int row)> label;
  std::function<QString(int row)> tip;
};

class TSheetTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TSheetTableModel(QObject* parent = nullptr);

  // The titles over an empty body.
  void ShowTitles(std::vector<TShownColumn> columns);
  // The rows of the open query under the columns, whose fields are fields of
  // that query.
  void ShowSheet(TQuery& sheet, std::vector<TShownColumn> columns);

  // Puts the notes in a first column before the sheet's columns, or takes
  // them away (notes without a label).  Showing a sheet or titles again
  // takes them away too.
  void SetRowNotes(TRowNotes notes);
  bool HasRowNotes() const { return static_cast<bool>(notes_.label); }

  // Stops reading the query, keeping the texts of rows first..last.
  void Suspend(int firstRow, int lastRow);
  void Resume();
  bool Suspended() const { return suspended_; }

  const std::vector<TShownColumn>& Columns() const { return columns_; }
  // The text of a cell, without a QVariant: what the view draws.
  QString CellText(int row, int column) const;
  // The same into `text`, whose buffer is reused: a page of cells is read on
  // every scroll step.
  void CellText(int row, int column, QString& text) const;
  bool IsNumberColumn(int column) const { return columns_[static_cast<std::size_t>(column)].number; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  QString ReadCell(int row, int column) const;
  void ReadCell(int row, int column, QString& text) const;

  std::vector<TShownColumn> columns_;
  TRowNotes notes_;
  TQuery* sheet_ = nullptr;
  int rows_ = 0;
  std::uint64_t fieldsVersion_ = 0;  // the query's field objects the columns point at

  bool suspended_ = false;
  int snapshotFirstRow_ = 0;
  int snapshotRows_ = 0;
  std::vector<QString> snapshot_;  // snapshotRows_ × columns, row by row
};

// True for the field types whose values the grid right-aligns.
bool IsNumberField(const TField& field);

}  // namespace tabrin::grid
