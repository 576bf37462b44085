#pragma once
// What the export pipeline writes a workbook through, whatever the file
// format: an Excel 97-2003 workbook (TxlsWorkbookWriter, BIFF8) or an Excel
// 2007+ workbook (TxlsxWorkbookWriter, Office Open XML).  Both keep the same
// cell-format registry, so a sheet resolves its cell formats once and either
// file shows them alike.
//
// Use, in this order: CreateWorkbookFile, BeginWorkbook; per sheet
// ColumnWidths() = {...} (and ColumnFormats(), optional), BeginSheet, the cells (rows in ascending order),
// PatchColumnWidths (optional), EndSheet; FinishWorkbook, CloseWorkbookFile.
// Closing before FinishWorkbook discards the output and leaves an existing
// file of that name as it was.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/format_model.h"
#include "xls/model/format_registry.h"
#include "xls/model/output_sink.h"
#include "xls/model/sheet_objects.h"

namespace tabrin {

class TWorkbookOutput {
 public:
  virtual ~TWorkbookOutput() = default;

  virtual void CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory = {}) = 0;
  virtual void CloseWorkbookFile() = 0;
  virtual void BeginWorkbook() = 0;
  virtual void FinishWorkbook() = 0;
  // The workbook's pictures, which images refer to by name (copied).
  virtual void SetPictures(const TxlsPictures& pictures) = 0;
  virtual void BeginSheet(const TxlsSheetHead& head) = 0;
  virtual void EndSheet(const TxlsSheetTail& tail) = 0;

  // Rows and columns are 0-based; xf is an index of Formats() or 15.
  virtual void WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) = 0;
  virtual void WriteNumber(int row, int col, double value, std::uint16_t xf) = 0;
  virtual void WriteBoolean(int row, int col, bool value, std::uint16_t xf) = 0;
  virtual void WriteBlank(int row, int col, std::uint16_t xf) = 0;
  virtual void WriteAggregateFormula(int row, int col, std::uint16_t xf, TxlsAggregate aggregate, int firstRow,
                                     int lastRow) = 0;
  virtual void MeasureCellWidth(std::string_view utf8, std::uint16_t xf, int column) = 0;
  virtual void MeasureRowHeight(std::uint16_t xf, int row) = 0;
  virtual void PatchColumnWidths() = 0;

  virtual TxlsFormatRegistry& Formats() = 0;
  virtual std::vector<int>& ColumnWidths() = 0;
  // The cell format of each column's cells that hold nothing yet (what a
  // value typed into them is shown as), by column from the sheet's start
  // column, among the columns ColumnWidths() gives; a column not given, or
  // given 15, has the default.  Text has none.
  std::vector<std::uint16_t>& ColumnFormats() { return columnFormats_; }

  // The grid of one worksheet of this file format.
  virtual int MaxRows() const = 0;
  virtual int MaxColumns() const = 0;

 protected:
  // The format ColumnFormats() gives column i.
  std::uint16_t ColumnFormat(std::size_t i) const {
    return i < columnFormats_.size() ? columnFormats_[i] : kDefaultXfIndex;
  }

 private:
  std::vector<std::uint16_t> columnFormats_;
};

}  // namespace tabrin
