#pragma once
// The Excel 2007+ workbook writer (.xlsx): the workbook output of the export
// pipeline over libxlsxwriter in its constant-memory mode, so that a sheet
// of a million rows is written as it comes, a row at a time.
//
// Extra cells and merged ranges are written; drawing objects (notes,
// images, backgrounds) and hyperlinks are not: a sheet that has them stops
// the export with a clear error, and no file is left.
//
// Cell formats come from the same registry as the Excel 97-2003 writer's;
// each one used becomes a libxlsxwriter format on first use.  Widths are
// given in the same characters as there, the page header and footer in the
// same codes ("Page &P of &N").  The file is written as a TFileReplacement
// of its target: beside it, and put in its place only once complete.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/workbook_output.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace tabrin {

class TxlsTextMeasurer;
class TFileReplacement;

// The grid of these workbooks.
inline constexpr int kXlsxSheetRows = 1048576;
inline constexpr int kXlsxSheetColumns = 16384;

class TxlsxWorkbookWriter : public TWorkbookOutput {
 public:
  TxlsxWorkbookWriter();
  ~TxlsxWorkbookWriter() override;
  TxlsxWorkbookWriter(const TxlsxWorkbookWriter&) = delete;
  TxlsxWorkbookWriter& operator=(const TxlsxWorkbookWriter&) = delete;

  // The sink factory of the Excel 97-2003 writer does not apply here.
  void CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory = {}) override;
  void CloseWorkbookFile() override;
  void BeginWorkbook() override;
  void FinishWorkbook() override;
  // Pictures, images, notes, hyperlinks and backgrounds are refused with a
  // clear error: only the Excel 97-2003 writer draws them.
  void SetPictures(const TxlsPictures& pictures) override;
  void BeginSheet(const TxlsSheetHead& head) override;
  void EndSheet(const TxlsSheetTail& tail = {}) override;

  void WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) override;
  void WriteNumber(int row, int col, double value, std::uint16_t xf) override;
  void WriteBoolean(int row, int col, bool value, std::uint16_t xf) override;
  void WriteBlank(int row, int col, std::uint16_t xf) override;
  void WriteAggregateFormula(int row, int col, std::uint16_t xf, TxlsAggregate aggregate, int firstRow,
                             int lastRow) override;
  void MeasureCellWidth(std::string_view utf8, std::uint16_t xf, int column) override;
  void MeasureRowHeight(std::uint16_t xf, int row) override;
  void PatchColumnWidths() override;

  TxlsFormatRegistry& Formats() override { return *formats_; }
  std::vector<int>& ColumnWidths() override { return columnWidths_; }
  int MaxRows() const override { return kXlsxSheetRows; }
  int MaxColumns() const override { return kXlsxSheetColumns; }

 private:
  void RequireSheet() const;
  lxw_format* FormatOf(std::uint16_t xf);
  lxw_format* MakeFormat(const TxlsXFormat* entry);
  void SetColumnWidths();
  // `what` is marked with TrNoop and translated only when the write fails:
  // a cell write is checked a million times.
  void Check(int error, const char* what) const;
  int DefaultZeroWidth();

  std::string target_;
  std::string sheetTitle_;
  std::unique_ptr<TFileReplacement> file_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  std::unique_ptr<TxlsFormatRegistry> formats_;
  std::vector<lxw_format*> cellFormats_;  // by XF index; made on first use
  std::vector<int> columnWidths_;
  std::uint8_t startCol_ = 0;
  bool finished_ = false;
  int zeroWidth_ = 0;
};

}  // namespace tabrin
