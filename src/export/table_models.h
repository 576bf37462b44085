#pragma once
// The table-like controls an export can read besides a data set: a list view,
// a string grid and a data-bound grid.  The window puts its widgets behind
// these interfaces; TMemory... tables serve tests and non-visual callers.
#include <memory>
#include <string>
#include <vector>

namespace tabrin {

class TQuery;

// A report-style list view: captioned columns, items with a caption (column
// 0) and sub-items (columns 1, 2, ...).
class TListViewModel {
 public:
  virtual ~TListViewModel() = default;
  virtual int ColumnCount() const = 0;
  virtual std::string ColumnCaption(int column) const = 0;
  virtual int ColumnPixelWidth(int column) const = 0;
  virtual int ItemCount() const = 0;
  virtual std::string ItemCaption(int item) const = 0;
  // Raises when the item has no such sub-item.
  virtual std::string SubItem(int item, int subItem) const = 0;
  virtual void SelectItem(int item) = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};

// A grid of text cells with fixed (heading) rows at the top and a current row.
class TStringGridModel {
 public:
  virtual ~TStringGridModel() = default;
  virtual int ColCount() const = 0;
  virtual int RowCount() const = 0;
  virtual int FixedRows() const = 0;
  virtual std::string Cell(int col, int row) const = 0;
  virtual int ColPixelWidth(int col) const = 0;
  // Pixel width of "X" in the grid's font.
  virtual int CharPixelWidth() const = 0;
  virtual int CurrentRow() const = 0;
  virtual void SetCurrentRow(int row) = 0;
};

// A grid showing the fields of a data set, one column per field (a column may
// have no field).
class TDataGridModel {
 public:
  virtual ~TDataGridModel() = default;
  // The data set of the grid's data source; null when the grid has no data
  // source or the source no data set.
  virtual TQuery* DataSet() const = 0;
  virtual int ColumnCount() const = 0;
  // Empty when the column shows no field.
  virtual std::string ColumnFieldName(int column) const = 0;
  virtual std::string ColumnTitle(int column) const = 0;
  virtual int ColumnPixelWidth(int column) const = 0;
  virtual int CharPixelWidth() const = 0;
};

class TMemoryListView : public TListViewModel {
 public:
  struct Column {
    std::string caption;
    int pixelWidth = 64;
  };
  struct Item {
    std::string caption;
    std::vector<std::string> subItems;
  };
  std::vector<Column> columns;
  std::vector<Item> items;
  int selected = -1;
  int updateDepth = 0;

  int ColumnCount() const override { return static_cast<int>(columns.size()); }
  std::string ColumnCaption(int column) const override { return columns.at(Index(column)).caption; }
  int ColumnPixelWidth(int column) const override { return columns.at(Index(column)).pixelWidth; }
  int ItemCount() const override { return static_cast<int>(items.size()); }
  std::string ItemCaption(int item) const override { return items.at(Index(item)).caption; }
  std::string SubItem(int item, int subItem) const override;
  void SelectItem(int item) override { selected = item; }
  void BeginUpdate() override { ++updateDepth; }
  void EndUpdate() override { --updateDepth; }

 private:
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
};

class TMemoryStringGrid : public TStringGridModel {
 public:
  TMemoryStringGrid(int colCount, int rowCount, int fixedRows = 1);
  // Sets a cell, growing nothing: col and row must lie inside the grid.
  void SetCell(int col, int row, std::string text);
  std::vector<int> colPixelWidths;  // default 64 each
  int charPixelWidth = 8;

  int ColCount() const override { return colCount_; }
  int RowCount() const override { return rowCount_; }
  int FixedRows() const override { return fixedRows_; }
  std::string Cell(int col, int row) const override;
  int ColPixelWidth(int col) const override { return colPixelWidths.at(static_cast<std::size_t>(col)); }
  int CharPixelWidth() const override { return charPixelWidth; }
  int CurrentRow() const override { return currentRow_; }
  void SetCurrentRow(int row) override { currentRow_ = row; }

 private:
  int colCount_, rowCount_, fixedRows_;
  int currentRow_;
  std::vector<std::string> cells_;
};

class TMemoryDataGrid : public TDataGridModel {
 public:
  struct Column {
    std::string fieldName;
    std::string title;
    int pixelWidth = 64;
  };
  TQuery* dataSet = nullptr;
  std::vector<Column> columns;
  int charPixelWidth = 8;

  TQuery* DataSet() const override { return dataSet; }
  int ColumnCount() const override { return static_cast<int>(columns.size()); }
  std::string ColumnFieldName(int column) const override { return columns.at(static_cast<std::size_t>(column)).fieldName; }
  std::string ColumnTitle(int column) const override { return columns.at(static_cast<std::size_t>(column)).title; }
  int ColumnPixelWidth(int column) const override { return columns.at(static_cast<std::size_t>(column)).pixelWidth; }
  int CharPixelWidth() const override { return charPixelWidth; }
};

}  // namespace tabrin
