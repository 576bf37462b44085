#pragma once
// TFerran3XLS: the spreadsheet exporter.  Given a file name and a source it
// writes an Excel workbook, 2007+ (.xlsx) when the name ends in ".xlsx" and
// 97-2003 (.xls) otherwise: one worksheet per exported sheet (or one
// temporary sheet built from its own settings), each with optional header
// lines, a caption row, one row per record, an optional aggregate row and
// optional footer lines.
//
//   TFerran3XLS exporter;
//   exporter.Formats.SetDateTimeFormat("yyyy/MM/dd");
//   exporter.Options.SetSheetTitle("Sheet1");
//   exporter.FileName = "/home/store/items.xls";
//   exporter.DataSet = &itemExportQuery;   // open
//   exporter.Execute();
//
// A run that fails or is aborted leaves an earlier file of that name as it
// was: the workbook replaces it only once complete.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/ferran3.h"
#include "export/sheet_extras.h"
#include "export/xls_options.h"
#include "export/xls_sheet.h"
#include "xls/model/format_model.h"
#include "xls/model/output_sink.h"
#include "xls/model/sheet_objects.h"
#include "xls/workbook_file_name.h"

namespace tabrin {

class TWorkbookOutput;

// Worksheet limits of the Excel 97-2003 file format; an Excel 2007+ sheet
// holds 1,048,576 rows of 16,384 columns.
inline constexpr int kMaxSheetRows = 65536;
inline constexpr int kMaxSheetColumns = 256;

class TFerran3XLS : public TFerran3FormatText {
 public:
  using TxlsExportSheetEvent = std::function<void(TFerran3XLS& sender, int sheetIndex)>;
  using TxlsBeforeExportRowEvent = std::function<void(TFerran3XLS& sender, int sheet, TFerranRow& row, bool& accept)>;
  using TxlsExportedRecordEvent = std::function<void(TFerran3XLS& sender, int sheet, int recNo)>;
  using TxlsGetExportTextEvent = std::function<void(TxlsSheet& sender, int sheet, int colNo, std::string& text)>;
  using TGetHeaderFooterParamsEvent =
      std::function<void(TxlsSheet& sender, int sheet, int col, int row, TxlsFormat& format, std::string& s)>;
  using TGetCaptionParamsEvent =
      std::function<void(TxlsSheet& sender, int sheet, int col, TxlsFormat& format, std::string& caption)>;
  using TGetDataParamsEvent =
      std::function<void(TxlsSheet& sender, int sheet, int col, int row, TxlsFormat& format, std::string& formatText)>;
  using TGetAggregateParamsEvent = std::function<void(TxlsSheet& sender, int sheet, int col, TxlsFormat& format,
                                                      std::string& formatText, std::string& value)>;

  TFerran3XLS();
  ~TFerran3XLS() override;

  // --- settings -------------------------------------------------------------
  TXLSOptions Options;
  std::vector<TxlsFieldFormat> FieldFormats;  // an item's Width does not affect the output
  std::vector<TxlsFormat> StripStyles;
  TxlsStripType StripType = ssNone;
  std::vector<TxlsHyperlink> Hyperlinks;
  std::vector<TxlsNote> Notes;
  std::vector<TxlsChart> Charts;
  std::vector<TxlsImage> Images;
  std::vector<TxlsCell> Cells;
  std::vector<TxlsMergedCells> MergedCells;
  TxlsPictures Pictures;
  std::string Background;
  TxlsSheets Sheets;
  std::uint16_t HeaderRows = 0;
  std::uint8_t StartDataCol = 0;
  std::uint16_t FooterRows = 0;

  // --- events ---------------------------------------------------------------
  TxlsExportSheetEvent OnBeforeExportSheet;
  TxlsExportSheetEvent OnAfterExportSheet;
  TxlsBeforeExportRowEvent OnAdvancedBeforeExportRow;
  TxlsExportedRecordEvent OnAdvancedExportedRecord;
  TxlsGetExportTextEvent OnAdvancedGetExportText;
  TGetHeaderFooterParamsEvent OnGetHeaderParams;
  TGetHeaderFooterParamsEvent OnGetFooterParams;
  TGetHeaderFooterParamsEvent OnGetBeforeDataParams;
  TGetCaptionParamsEvent OnGetCaptionParams;
  TGetDataParamsEvent OnGetDataParams;
  TGetAggregateParamsEvent OnGetAggregateParams;

  // --- operations -----------------------------------------------------------
  // Runs one export; raises TabrinError with the export's messages (or the
  // data layer's and the writer's) on failure.
  void Execute() override;
  void Notification(const void* removed) override;

  // Records passed in the whole run.
  int ExportedCount() const { return exportedCount_; }
  // The workbook output while a run has it open (null otherwise).
  TWorkbookOutput* Writer() const { return writer_.get(); }
  // Lets tests wrap the file writes of the next runs.
  void SetOutputSinkFactory(TOutputSinkFactory factory) { sinkFactory_ = std::move(factory); }

 private:
  class TemporarySheet;
  void OpenOutput();
  void CloseOutput(bool failed);
  void RunSheets();
  void CheckSheetSource(TxlsSheet& sheet);
  // False when the run ends early (aborted at a fixed point).
  bool ExportSheet(TxlsSheet& sheet);
  bool WalkSheet(TxlsSheet& sheet);
  void CheckSheetCapacity(TxlsSheet& sheet) const;
  // The component's own settings as those of the one sheet it writes when
  // it has no sheets of its own.
  TxlsSheetSettings SheetSettings() const;

  std::unique_ptr<TWorkbookOutput> writer_;
  TOutputSinkFactory sinkFactory_;
  int exportedCount_ = 0;
  bool running_ = false;
};

// "; an Excel 2007 or later workbook (.xlsx) holds up to 1048576 rows" for a
// writer whose sheets hold fewer, else empty: the end of the messages that
// stop an export at the row limit.
std::string MoreRowsHint(const TWorkbookOutput& writer);

// The directory part of a file name ("/" separated): empty for a bare name,
// "/" for a file in the root.
std::string DirectoryOfFile(const std::string& fileName);

}  // namespace tabrin
