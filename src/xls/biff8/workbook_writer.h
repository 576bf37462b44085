#pragma once
// The workbook file writer: turns sheets of cells into an Excel 97-2003
// workbook (BIFF8 in a compound document with one stream "Workbook").
//
// Use, in this order:
//   TxlsWorkbookWriter w;
//   w.CreateWorkbookFile("out.xls");   // opens the output (temporary file)
//   w.BeginWorkbook();
//   per sheet:
//     w.ColumnWidths() = {...};        // width in characters per column
//     w.BeginSheet(head);
//     w.WriteLabelSst(r, c, u8"文字", xf); w.WriteNumber(...); ...
//     w.MeasureCellWidth(text, xf, i); ... w.PatchColumnWidths();  (optional)
//     w.EndSheet(tail);                // also hyperlinks, notes and images
//   w.FinishWorkbook();
//   w.CloseWorkbookFile();             // writes the file, replaces the target
//
// Cell formats (XF indices) come from w.Formats().GetOrCreate(...) or are 15.
// Rows and columns are 0-based; a row above 65535 or a column above 255
// raises TabrinError.  Closing before FinishWorkbook (or destroying the
// writer) discards the output and leaves an existing target file untouched.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/format_registry.h"
#include "xls/model/output_sink.h"
#include "xls/biff8/drawing/picture_store.h"
#include "xls/model/sheet_objects.h"
#include "xls/biff8/sst_strings.h"
#include "xls/biff8/used_range.h"
#include "xls/model/workbook_output.h"
#include "xls/biff8/workbook_file.h"
#include "xls/biff8/xls_stream.h"

namespace tabrin {

class TxlsTextMeasurer;

class TxlsWorkbookWriter : public TWorkbookOutput {
 public:
  TxlsWorkbookWriter();
  ~TxlsWorkbookWriter() override;
  TxlsWorkbookWriter(const TxlsWorkbookWriter&) = delete;
  TxlsWorkbookWriter& operator=(const TxlsWorkbookWriter&) = delete;

  // --- output --------------------------------------------------------------
  // Opens the output: fresh registries, string table, used ranges, lists and
  // record buffer; a temporary file beside fileName (UTF-8).  sinkFactory
  // lets tests wrap the file writes.
  void CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory = {}) override;
  // Writes and renames the file when FinishWorkbook has run, else discards
  // it.  Frees everything CreateWorkbookFile made.  Raises "Error writing
  // output file" when the file cannot be written (no target is left then).
  void CloseWorkbookFile() override;
  bool IsOpen() const { return file_ != nullptr; }

  // --- records -------------------------------------------------------------
  // The 8224-byte record buffer that directly written records are built in.
  std::uint8_t* Buffer() { return buffer_.data() + 4; }
  // Zero-fills the first length buffer bytes and returns the buffer.
  std::uint8_t* ClearBuffer(std::size_t length, std::uint8_t fill = 0);
  // Writes id, length and the first length buffer bytes (checked writes).
  void WriteRecord(std::uint16_t id, std::uint16_t length);
  void WriteWordRecord(std::uint16_t id, std::uint16_t value);
  // The workbook stream (before CloseWorkbookFile).
  TxlsMemoryStream& Stream();

  // --- workbook ------------------------------------------------------------
  void BeginWorkbook() override;
  void FinishWorkbook() override;
  bool Finished() const { return finished_; }

  // --- sheets --------------------------------------------------------------
  // Validates the title, creates the sheet entry and writes the head.
  void BeginSheet(const TxlsSheetHead& head) override;
  // Writes the extra cells, MERGEDCELLS, hyperlink cells, WINDOW2,
  // SELECTION, HLINK/QUICKTIP, the drawing objects and EOF.
  void EndSheet(const TxlsSheetTail& tail = {}) override;

  void WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) override;
  void WriteLabelSst(int row, int col, std::u16string_view utf16, std::uint16_t xf);
  void WriteNumber(int row, int col, double value, std::uint16_t xf) override;
  void WriteBoolean(int row, int col, bool value, std::uint16_t xf) override;
  void WriteBlank(int row, int col, std::uint16_t xf) override;
  // =SUM/AVERAGE/MIN/MAX(col firstRow : col lastRow), computed on load;
  // aggNone (or any other value) gives COUNT.
  void WriteAggregateFormula(int row, int col, std::uint16_t xf, TxlsAggregate aggregate,
                             int firstRow, int lastRow) override;

  // Raises entry `column` of the column-width list so the text fits.
  void MeasureCellWidth(std::string_view utf8, std::uint16_t xf, int column) override;
  // Notes the height the XF's font needs in that row (row-height list).
  void MeasureRowHeight(std::uint16_t xf, int row) override;
  // Rewrites the COLINFO widths of the current sheet from the width list.
  void PatchColumnWidths() override;

  // The workbook's pictures, which images refer to by name (copied).
  void SetPictures(const TxlsPictures& pictures) override { pictures_ = pictures; }

  // --- state the export pipeline reads and fills -----------------------------
  TxlsFormatRegistry& Formats() override { return *formats_; }
  TsstStrings& SharedStrings() {
    ResolveQueuedStrings();
    return *sst_;
  }
  TxlsBoundSheetList& UsedRanges() { return *sheets_; }
  std::vector<int>& ColumnWidths() override { return columnWidths_; }
  int MaxRows() const override { return 65536; }
  int MaxColumns() const override { return 256; }
  // Row -> height in twips (largest noted).
  std::map<int, int>& RowHeights() { return rowHeights_; }
  // Width in pixels of "0" in the default font (arial 10).
  int DefaultZeroWidth();
  // Replaces the text measurer (default: TxlsTextMeasurer::Shared()).
  void SetMeasurer(TxlsTextMeasurer* measurer) {
    measurer_ = measurer;
    zeroWidth_ = 0;
  }

 private:
  void RequireOpen() const;
  void CheckCell(int row, int col) const;
  void NoteWritten(int row, int col);
  void WriteCellHeader(std::uint8_t* body, int row, int col, std::uint16_t xf);
  template <std::size_t Size>
  void AppendCellRecord(const std::uint8_t (&record)[Size]);
  // LABELSST records are written before their string is looked up (see
  // TsstStrings::Queue); this adds the queued texts and fills in their
  // indices.  Run before anything reads the stream or the string table.
  void ResolveQueuedStrings();
  void WritePageText(std::uint16_t id, const std::string& text);
  void WriteColumnInfos(std::uint8_t startCol);
  void WriteExtraCells(const TxlsSheetTail& tail);
  void WriteMergedCells(const std::vector<TxlsMergedCells>& ranges);
  // Hyperlinks: the title cells, then HLINK (+ QUICKTIP) after the window.
  void WriteHyperlinkCells(const std::vector<TxlsResolvedHyperlink>& links);
  void WriteHyperlinks(const std::vector<TxlsResolvedHyperlink>& links);
  // Notes and images: MSODRAWING, OBJ, TXO and NOTE records of the sheet.
  void WriteDrawingObjects(const TxlsSheetTail& tail);
  // The body of MSODRAWINGGROUP: drawing clusters, picture store, defaults.
  std::vector<std::uint8_t> BuildDrawingGroup();
  // BITMAP (+ CONTINUE) of a sheet's background picture.
  void WriteBackground(const std::string& fileName);
  void FixDimensions();
  void BuildGlobalsTail(TxlsMemoryStream& tail, std::uint64_t tailSize);
  void WriteFonts(TxlsStream& tail);
  void WriteCellFormats(TxlsStream& tail);
  void WritePalette(TxlsStream& tail);
  TxlsTextMeasurer& Measurer();

  std::unique_ptr<TWorkbookFile> file_;
  std::vector<std::uint8_t> buffer_;  // 4 header bytes, then the record body
  std::u16string scratch_;            // room for the UTF-16 form of the text being written
  std::unique_ptr<TxlsFormatRegistry> formats_;
  std::unique_ptr<TsstStrings> sst_;
  std::unique_ptr<TxlsBoundSheetList> sheets_;
  std::vector<int> columnWidths_;
  std::map<int, int> rowHeights_;
  TxlsPictures pictures_;
  TxlsPictureStore pictureStore_;
  // Shape ids come in clusters of 1024, each owned by one drawing (one per
  // sheet with drawing objects, numbered from 1); a drawing with more shapes
  // takes several clusters in a row.
  struct TDrawingCluster {
    std::uint32_t DrawingId = 0;
    std::uint32_t ShapeIdsUsed = 0;  // shapes and the group
    std::uint32_t LastShapeId = 0;
  };
  std::vector<TDrawingCluster> drawings_;
  std::uint32_t drawingCount_ = 0;
  std::uint64_t insertionPoint_ = 0;
  std::uint64_t firstColInfoPosition_ = 0;
  std::size_t colInfoCount_ = 0;
  bool workbookBegun_ = false;
  bool finished_ = false;
  bool sheetOpen_ = false;
  TxlsSheetHead currentHead_;  // of the sheet being written
  int zeroWidth_ = 0;
  TxlsTextMeasurer* measurer_ = nullptr;
};

}  // namespace tabrin
