#include "export/export_command.h"

#include <chrono>

#include "db/query.h"
#include "db/schema.h"
#include "export/ferran3_xls.h"
#include "export/string_list.h"
#include "text/translation.h"

namespace tabrin {

namespace {

// The progress and cancel hooks of one run, put in front of the exporter's
// own handlers for the length of the run.  A cancel request makes the
// exporter abort; when the record loop then asks whether to go on, or when a
// sheet is done (the request came with its last record), the run is ended by
// TWorkCancelled before the workbook is finished, and the exporter drops its
// unfinished output.  A request seen before the first sheet ends the run
// early, which writes nothing.
class TExportRunHooks {
 public:
  TExportRunHooks(TFerran3XLS& exporter, const TWorkControl& control, int total)
      : exporter_(exporter),
        control_(control),
        total_(total),
        onBegin_(exporter.OnBeginExport),
        onExported_(exporter.OnExportedRecord),
        onStop_(exporter.OnStopExport),
        onSheetDone_(exporter.OnAfterExportSheet) {
    exporter.OnBeginExport = [this](TFerran3& sender) {
      if (onBegin_) onBegin_(sender);
      control_.Report(0, total_);
      AbortWhenCancelled();
    };
    exporter.OnExportedRecord = [this](TFerran3& sender, int recNo) {
      if (onExported_) onExported_(sender, recNo);
      control_.Report(recNo, total_);
      AbortWhenCancelled();
    };
    exporter.OnStopExport = [this](TFerran3& sender, bool& canContinue) {
      if (cancelled_) throw TWorkCancelled(std::string(Tr(kExportCancelledMessage)));
      if (onStop_) onStop_(sender, canContinue);
    };
    exporter.OnAfterExportSheet = [this](TFerran3XLS& sender, int sheetIndex) {
      AbortWhenCancelled();
      if (cancelled_) throw TWorkCancelled(std::string(Tr(kExportCancelledMessage)));
      if (onSheetDone_) onSheetDone_(sender, sheetIndex);
    };
  }
  ~TExportRunHooks() {
    exporter_.OnBeginExport = std::move(onBegin_);
    exporter_.OnExportedRecord = std::move(onExported_);
    exporter_.OnStopExport = std::move(onStop_);
    exporter_.OnAfterExportSheet = std::move(onSheetDone_);
  }
  TExportRunHooks(const TExportRunHooks&) = delete;
  TExportRunHooks& operator=(const TExportRunHooks&) = delete;

  bool Cancelled() const { return cancelled_; }

 private:
  void AbortWhenCancelled() {
    if (!control_.CancelRequested()) return;
    cancelled_ = true;
    exporter_.Abort();
  }

  TFerran3XLS& exporter_;
  const TWorkControl& control_;
  int total_;
  bool cancelled_ = false;
  TFerran3::TNotifyEvent onBegin_;
  TFerran3::TExportedRecordEvent onExported_;
  TFerran3::TFerranStopEvent onStop_;
  TFerran3XLS::TxlsExportSheetEvent onSheetDone_;
};

}  // namespace

const TQueryDef& ExportQueryDef(TMasterTable table) {
  switch (table) {
    case TMasterTable::mtClassify: return schema::CLSExportQuery();
    case TMasterTable::mtItem: return schema::ItemExportQuery();
    case TMasterTable::mtSupplier: return schema::SupplierExportQuery();
    case TMasterTable::mtCustomer: return schema::CustExportQuery();
  }
  return schema::ItemExportQuery();
}

void ApplyHostExportSettings(TFerran3XLS& exporter) {
  exporter.Formats.SetDateTimeFormat("yyyy/MM/dd");
  exporter.Options.SetSheetTitle("Sheet1");
  exporter.Options.PageFooter = "Page &P of &N";
  exporter.Options.HyperlinkFormat.Font.Color = clrBlue;
  exporter.Options.HyperlinkFormat.Font.Underline = fulSingle;
  TxlsNoteFormat& note = exporter.Options.NoteFormat;
  note.Alignment.Horizontal = halLeft;
  note.Alignment.Vertical = valTop;
  note.Font.Name = "Tahoma";
  note.Font.Size = 8;
}

namespace {

// The name with its extension (the part from the last "." after the last
// "/") replaced by extension, or extension appended when it has none.
std::string ReplaceExtension(std::string_view fileName, std::string_view extension) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.rfind('.');
  std::string result(fileName);
  if (dot != std::string_view::npos && dot >= nameStart) result.erase(dot);
  return result.append(extension);
}

}  // namespace

std::string ForceXlsExtension(std::string_view fileName) { return ReplaceExtension(fileName, ".xls"); }

TExportFormat ExportFormatOf(std::string_view chosenFileName) {
  if (IsCsvFileName(chosenFileName)) return TExportFormat::efCsv;
  return IsXlsxFileName(chosenFileName) ? TExportFormat::efXlsx : TExportFormat::efXls;
}

std::string ExportFileName(std::string_view chosenFileName) {
  if (ExportFormatOf(chosenFileName) != TExportFormat::efXls) return std::string(chosenFileName);
  return ForceXlsExtension(chosenFileName);
}

std::string ExportFileName(std::string_view chosenFileName, TExportFormat chosenEntry) {
  if (chosenEntry == TExportFormat::efXlsx && ExportFormatOf(chosenFileName) == TExportFormat::efXls) {
    return ReplaceExtension(chosenFileName, ".xlsx");
  }
  return ExportFileName(chosenFileName);
}

std::string RunExportCommand(TFerran3XLS& exporter, TQuery& exportQuery, std::string_view chosenFileName,
                             const TWorkControl& control, TExportTimes* times) {
  using TClock = std::chrono::steady_clock;
  const TClock::time_point start = TClock::now();
  exportQuery.Close();
  exportQuery.Open();
  const TClock::time_point opened = TClock::now();
  exporter.FileName = ExportFileName(chosenFileName);
  exporter.DataSet = &exportQuery;
  const int total = exportQuery.RecordCount();
  {
    TExportRunHooks hooks(exporter, control, total);
    exporter.Execute();
    // Cancelled before the first sheet: the run ended early and kept nothing.
    if (hooks.Cancelled()) throw TWorkCancelled(std::string(Tr(kExportCancelledMessage)));
  }
  if (times != nullptr) {
    times->querySeconds = std::chrono::duration<double>(opened - start).count();
    times->writeSeconds = std::chrono::duration<double>(TClock::now() - opened).count();
  }
  control.Report(total, total);
  return exporter.FileName;
}

}  // namespace tabrin
