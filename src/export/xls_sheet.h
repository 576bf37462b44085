#pragma once
// The sheet model: one TxlsSheet per worksheet to write, kept in the export
// component's TxlsSheets.  A sheet carries its own source, column and record
// settings, formats and page texts; while it is written it also holds its
// columns, its current row and the data ranges of its columns.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/ferran_columns.h"
#include "export/ferran_formats.h"
#include "export/sheet_extras.h"
#include "export/string_list.h"
#include "export/xls_options.h"
#include "export/xls_sheet_settings.h"
#include "xls/model/format_model.h"
#include "xls/model/sheet_objects.h"

namespace tabrin {

class TFerran3XLS;

// Where the data cells of one column went (0-based; -1 until set).
struct TxlsColumn {
  std::string Name;
  int FirstRow = -1, LastRow = -1, FirstCol = -1, LastCol = -1;
};

// The 1-based range a chart series reads.
struct TxlsChartDataRange {
  int FirstCol = 0, FirstRow = 0, LastCol = 0, LastRow = 0;
};

class TxlsColumnList {
 public:
  void Clear() {
    items_.clear();
    entryAt_.clear();
  }
  // Widens the range of the entry of that name (any letter case), creating
  // the entry when missing.
  void NoteDataCell(std::string_view name, int row, int col);
  // The same for the cell of a row position that always carries this name:
  // the entry is looked up once per position, not once per cell.
  void NoteDataCellAt(int position, std::string_view name, int row, int col);
  const TxlsColumn* Find(std::string_view name) const;
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  std::vector<TxlsColumn> items_;
  std::vector<int> entryAt_;  // per row position: its entry in items_, or -1
};

class TxlsSheet : public TFerranColumnHolder, public TxlsSheetSettings {
 public:
  explicit TxlsSheet(TFerran3XLS& owner, std::string title);

  TFerran3XLS& Owner() const { return owner_; }

  // --- settings (those of TxlsSheetSettings, and these) ---------------------
  bool Exported = true;
  std::int32_t Tag = 0;
  double DefRowHeight = 12.75;
  std::int32_t DefColWidth = 8;

  TxlsSheetSettings& Settings() { return *this; }
  const TxlsSheetSettings& Settings() const { return *this; }

  // The title, when it is not empty, names the sheet.
  const std::string& DisplayName() const { return Title; }
  // Copies the TxlsSheetSettings (not DefRowHeight, DefColWidth, Exported, Tag).
  void Assign(const TxlsSheet& source);

  TFerranHolderSettings HolderSettings() const override;

  // --- run state ------------------------------------------------------------
  TFerranColumns& Columns() { return columns_; }
  const TFerranColumns& Columns() const { return columns_; }
  TFerranRow& Row() { return row_; }
  int CurrentRow = 0;       // next worksheet row to write (0-based)
  int RecordCounter = 0;    // records passed in this sheet's walk
  bool HasImages = false;
  TxlsColumnList& ColumnList() { return columnList_; }

  void NoteDataCell(std::string_view name, int row, int col);
  // Fills range with the 1-based data range of that column; nothing when no
  // cell of it was noted.
  void DataRange(std::string_view name, TxlsChartDataRange& range) const;

  // --- writing (used by the exporter while this sheet is written) -----------
  void PrepareSheet();
  void WriteHeaderLines();
  void WriteFooterLines();
  void WriteCaptionRow();
  void WriteDataRow();
  // The data row of the source's current record, written from the values
  // the source holds (see ValuesDirect).
  void WriteDataRowFrom(const TFerranSourceAdapter& source, const TFerranWalkState& walk);
  // True when this run writes its data cells from the source's values: a
  // data set source, and nothing that wants the cells' texts (text and row
  // events, column widths from the texts).  The cells are the same either
  // way; the texts are only not made.
  bool ValuesDirect() const { return valuesDirect_; }
  void WriteAggregateRow();
  void RegisterStripeFormats();
  void RegisterColumnFormat(int column);
  std::uint16_t DataCellFormat(int column);
  // The cell format for a number-format text and an optional look.
  std::uint16_t ResolveCellFormat(std::string_view numberFormat, const TxlsFormat* format);
  int DataStartRow() const;
  // The extra cells and merged ranges EndSheet writes.
  TxlsSheetTail BuildTail();
  // Position of this sheet in the owner's Sheets.
  int SheetIndex() const;

 private:
  enum class TextLines { Header, Footer };
  void WriteTextLines(TextLines which);
  void WriteBeforeDataCells();
  // Writes one data cell; returns its cell format.
  std::uint16_t WriteDataCell(int position, int col);
  std::uint16_t WriteValueCell(int position, int col, const TFerranSourceAdapter& source,
                               const TFerranWalkState& walk);
  void CheckRowFits() const;

  TFerran3XLS& owner_;
  int runIndex_ = 0;  // SheetIndex() as of PrepareSheet
  TFerranColumns columns_;
  TFerranRow row_;
  // Per column: its per-field cell format, looked up once per sheet (the
  // cache entries of a sheet are all made while it is prepared).
  std::vector<std::uint16_t> fieldFormats_;
  TxlsColumnList columnList_;
  bool valuesDirect_ = false;
  bool datesDirect_ = false;  // date-time values read back from their texts without making them
};

class TxlsSheets {
 public:
  explicit TxlsSheets(TFerran3XLS& owner) : owner_(owner) {}
  // Appends a sheet titled "Sheet n" (n = count after adding).
  TxlsSheet& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  TxlsSheet& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TxlsSheet& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  int IndexOf(const TxlsSheet& sheet) const;
  void Delete(int index);
  void Clear() { items_.clear(); }

 private:
  TFerran3XLS& owner_;
  std::vector<std::unique_ptr<TxlsSheet>> items_;
};

}  // namespace tabrin
