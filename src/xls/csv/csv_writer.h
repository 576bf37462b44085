#pragma once
// The export pipeline's output as comma-separated text instead of a
// workbook: UTF-8 with a byte-order mark (so that a spreadsheet program
// reads it as Unicode), CRLF line ends, fields holding a comma, a quote or a
// line break in double quotes.  A cell is written as the sheet would show
// it: a text as it is, a number in the general form, a number in a date
// format as the regional date-time (as the sheet query reads a date), a
// Boolean as "True" or "False"; formulas, pictures and formats have no place
// in it.  The first sheet is the file; later sheets are left out.
//
// Like the workbook writers, it writes to a temporary file beside the target
// and puts it in place only when the workbook is finished.
#include <memory>
#include <string>
#include <vector>

#include "xls/model/workbook_output.h"

namespace tabrin {

class TFileReplacement;

class TCsvWorkbookWriter : public TWorkbookOutput {
 public:
  TCsvWorkbookWriter();
  ~TCsvWorkbookWriter() override;

  void CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory = {}) override;
  void CloseWorkbookFile() override;
  void BeginWorkbook() override {}
  void FinishWorkbook() override;
  void SetPictures(const TxlsPictures&) override {}
  void BeginSheet(const TxlsSheetHead& head) override;
  void EndSheet(const TxlsSheetTail& tail = {}) override;

  void WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) override;
  void WriteNumber(int row, int col, double value, std::uint16_t xf) override;
  void WriteBoolean(int row, int col, bool value, std::uint16_t xf) override;
  void WriteBlank(int, int, std::uint16_t) override {}
  void WriteAggregateFormula(int, int, std::uint16_t, TxlsAggregate, int, int) override {}
  void MeasureCellWidth(std::string_view, std::uint16_t, int) override {}
  void MeasureRowHeight(std::uint16_t, int) override {}
  void PatchColumnWidths() override {}

  TxlsFormatRegistry& Formats() override { return formats_; }
  std::vector<int>& ColumnWidths() override { return columnWidths_; }
  int MaxRows() const override;
  int MaxColumns() const override;

 private:
  void Put(int row, int col, std::string text);
  void FlushRow();

  std::unique_ptr<TFileReplacement> file_;
  TxlsFormatRegistry formats_;
  std::vector<int> columnWidths_;
  int sheets_ = 0;       // sheets begun
  bool finished_ = false;
  int row_ = -1;                  // the row being gathered
  int rowsWritten_ = 0;           // lines written so far
  std::vector<std::string> cells_;  // its cells by column
  std::string text_;              // written in pieces
};

}  // namespace tabrin
