#include "export/ferran3_xls.h"

#include <filesystem>

#include "config/program_folder.h"
#include "export/ferran_locale.h"
#include "export/source_adapter.h"
#include "xls/workbook_output_for.h"
#include "text/error.h"
#include "text/translation.h"
#include "xls/ooxml/xlsx_writer.h"

namespace tabrin {

namespace {

// Resumes a source's attached controls however the walk of a sheet ends.
class TSuspendedSource {
 public:
  explicit TSuspendedSource(const TFerranSourceRefs& refs) : adapter_(refs) { adapter_.Suspend(); }
  ~TSuspendedSource() { adapter_.Resume(); }
  TSuspendedSource(const TSuspendedSource&) = delete;
  TSuspendedSource& operator=(const TSuspendedSource&) = delete;

 private:
  TFerranSourceAdapter adapter_;
};

// Marks the component busy for the length of a run.
class TRunGuard {
 public:
  explicit TRunGuard(bool& running) : running_(running) {
    if (running_) throw TabrinError(Tr("The export is already running"));
    running_ = true;
  }
  ~TRunGuard() { running_ = false; }
  TRunGuard(const TRunGuard&) = delete;
  TRunGuard& operator=(const TRunGuard&) = delete;

 private:
  bool& running_;
};

}  // namespace

std::string MoreRowsHint(const TWorkbookOutput& writer) {
  if (writer.MaxRows() >= kXlsxSheetRows) return {};
  return FormatMessage(Tr("; an Excel 2007 or later workbook (.xlsx) holds up to %d rows"), {kXlsxSheetRows});
}

// The sheet a run without exported sheets adds from the component's own
// settings; removed again however the run ends.
class TFerran3XLS::TemporarySheet {
 public:
  explicit TemporarySheet(TFerran3XLS& owner) : owner_(owner) {
    owner_.Sheets.Add().Settings() = owner_.SheetSettings();
  }
  ~TemporarySheet() { owner_.Sheets.Delete(owner_.Sheets.Count() - 1); }
  TemporarySheet(const TemporarySheet&) = delete;
  TemporarySheet& operator=(const TemporarySheet&) = delete;

 private:
  TFerran3XLS& owner_;
};

std::string DirectoryOfFile(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return fileName.substr(0, slash);
}

TFerran3XLS::TFerran3XLS() : Sheets(*this) {}
TFerran3XLS::~TFerran3XLS() = default;

void TFerran3XLS::Notification(const void* removed) {
  TFerran3::Notification(removed);
  for (int i = 0; i < Sheets.Count(); ++i) Sheets.Items(i).Forget(removed);
}

void TFerran3XLS::Execute() {
  TRunGuard guard(running_);
  if (FileName.empty()) RaiseFerranError(msgFileNameMissing);

  std::string directory = DirectoryOfFile(FileName);
  if (directory.empty()) directory = ProgramFolder();
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error)) {
    std::filesystem::create_directories(directory, error);
    if (!std::filesystem::is_directory(directory, error)) RaiseFerranError(msgDirectoryNotCreated, {directory});
  }

  OpenOutput();
  try {
    RunSheets();
  } catch (...) {
    CloseOutput(true);
    throw;
  }
  CloseOutput(false);
  ShowResult();
}

void TFerran3XLS::OpenOutput() {
  writer_ = WorkbookOutputFor(FileName);
  writer_->CreateWorkbookFile(FileName, sinkFactory_);
}

void TFerran3XLS::CloseOutput(bool failed) {
  std::unique_ptr<TWorkbookOutput> writer = std::move(writer_);
  if (!failed) {
    writer->CloseWorkbookFile();
    return;
  }
  // The run's own error is the one to report; the output is only dropped.
  try {
    writer->CloseWorkbookFile();
  } catch (...) {
  }
}

void TFerran3XLS::RunSheets() {
  writer_->BeginWorkbook();
  writer_->SetPictures(Pictures);

  bool anyExported = false;
  for (int i = 0; i < Sheets.Count(); ++i) anyExported = anyExported || Sheets.Items(i).Exported;
  std::unique_ptr<TemporarySheet> temporary;
  if (!anyExported) temporary = std::make_unique<TemporarySheet>(*this);

  exportedCount_ = 0;
  for (int i = 0; i < Sheets.Count(); ++i) {
    if (Sheets.Items(i).Exported) CheckSheetSource(Sheets.Items(i));
  }

  BeginExport();
  BeforeRows();
  if (Aborted()) return;

  for (int i = 0; i < Sheets.Count(); ++i) {
    if (!Sheets.Items(i).Exported) continue;
    if (!ExportSheet(Sheets.Items(i))) return;
  }

  writer_->FinishWorkbook();
  AfterRows();
  EndExport();
}

void TFerran3XLS::CheckSheetSource(TxlsSheet& sheet) {
  const TFerranSourceAdapter source(sheet.SourceRefs());
  try {
    source.CheckAssigned();
  } catch (const TabrinError& e) {
    RaiseFerranError(msgSheetDefineError, {sheet.Title, e.what()});
  }
  source.CheckActive();
  if (!ExportEmpty && source.IsEmpty()) RaiseFerranError(msgSourceEmpty, {SourceKindName(source.Kind())});
}

bool TFerran3XLS::ExportSheet(TxlsSheet& sheet) {
  const int s = sheet.SheetIndex();
  if (OnBeforeExportSheet) OnBeforeExportSheet(*this, s);
  {
    TSuspendedSource suspended(sheet.SourceRefs());
    if (!WalkSheet(sheet)) return false;
  }
  if (OnAfterExportSheet) OnAfterExportSheet(*this, s);
  return true;
}

bool TFerran3XLS::WalkSheet(TxlsSheet& sheet) {
  const TFerranSourceAdapter source(sheet.SourceRefs());
  sheet.PrepareSheet();
  SetAborted(false);

  std::vector<int>& widths = writer_->ColumnWidths();
  widths.clear();
  for (int i = 0; i < sheet.Columns().Count(); ++i) widths.push_back(sheet.Columns().Items(i).Width);

  if (sheet.ExportSource == esListView) {
    const int items = source.ItemCount();
    sheet.SkipRecCount = std::min(sheet.SkipRecCount, items);
    if (sheet.ExportRecCount > 0) sheet.ExportRecCount = std::min(sheet.ExportRecCount, items);
  }
  CheckSheetCapacity(sheet);

  sheet.ColumnList().Clear();
  TxlsSheetHead head;
  head.SheetIndex = sheet.SheetIndex();
  head.Title = sheet.Title;
  head.DefColWidth = sheet.DefColWidth;
  head.DefRowHeight = sheet.DefRowHeight;
  head.PageHeader = sheet.Options.PageHeader;
  head.PageFooter = sheet.Options.PageFooter;
  head.StartDataCol = sheet.StartDataCol;
  head.Background = sheet.Background;
  writer_->BeginSheet(head);

  sheet.WriteHeaderLines();
  if (Aborted()) return false;
  if (sheet.AllowCaptions) {
    sheet.WriteCaptionRow();
    if (Aborted()) return false;
  }

  TFerranWalkState walk{0, sheet.SkipRecCount, sheet.ExportRecCount};
  if (sheet.GoToFirstRecord) source.First();
  for (int k = 0; k < sheet.SkipRecCount; ++k) {
    walk.RecordCounter = ++sheet.RecordCounter;
    source.Next();
    if (OnSkippedRecord) OnSkippedRecord(*this, sheet.RecordCounter);
  }
  if (Aborted()) return false;

  const int s = sheet.SheetIndex();
  TFerranColumns& columns = sheet.Columns();
  TFerranRow& row = sheet.Row();
  sheet.RecordCounter = 0;
  for (;;) {
    walk.RecordCounter = sheet.RecordCounter;
    if (source.Eof(walk)) break;
    if (sheet.ExportRecCount != 0 && sheet.RecordCounter >= sheet.ExportRecCount) break;
    if (Aborted() && !AskToContinue()) break;

    if (sheet.ValuesDirect()) {
      sheet.WriteDataRowFrom(source, walk);
    } else {
      // By position: two columns may carry the same name (list-view captions).
      for (int i = 0; i < columns.Count(); ++i) row.SetValueAt(i, source.ValueText(columns.Items(i).SourceIndex, walk));

      bool accept = true;
      if (OnBeforeExportRow) OnBeforeExportRow(*this, row, accept);
      if (accept && OnAdvancedBeforeExportRow) OnAdvancedBeforeExportRow(*this, s, row, accept);
      if (accept) sheet.WriteDataRow();
    }
    if (sheet.CurrentRecordOnly) break;

    ++sheet.RecordCounter;
    walk.RecordCounter = sheet.RecordCounter;
    source.Next();
    ++exportedCount_;
    if (OnExportedRecord) OnExportedRecord(*this, exportedCount_);
    if (OnAdvancedExportedRecord) OnAdvancedExportedRecord(*this, s, sheet.RecordCounter);
  }

  sheet.WriteAggregateRow();
  if (sheet.AutoCalcColWidth) writer_->PatchColumnWidths();
  sheet.WriteFooterLines();
  const TxlsSheetTail tail = sheet.BuildTail();
  writer_->EndSheet(tail);
  return true;
}

void TFerran3XLS::CheckSheetCapacity(TxlsSheet& sheet) const {
  const TFerranColumns& columns = sheet.Columns();
  const int maxColumns = writer_->MaxColumns();
  if (sheet.StartDataCol + columns.Count() > maxColumns) {
    throw TabrinError(FormatMessage(Tr("Sheet %s cannot hold %d columns: a worksheet has at most %d columns"),
                                    {sheet.Title, sheet.StartDataCol + columns.Count(), maxColumns}));
  }
  const int known = TFerranSourceAdapter(sheet.SourceRefs()).KnownRecordCount();
  if (known < 0) return;  // checked row by row while writing
  long long records = std::max(0, known - sheet.SkipRecCount);
  if (sheet.ExportRecCount > 0) records = std::min<long long>(records, sheet.ExportRecCount);
  if (sheet.CurrentRecordOnly) records = std::min<long long>(records, 1);
  const long long rows = sheet.DataStartRow() + records;
  if (rows > writer_->MaxRows()) {
    throw TabrinError(FormatMessage(Tr("Sheet %s cannot hold %d records: a worksheet has at most %d rows%s"),
                                    {sheet.Title, records, writer_->MaxRows(), MoreRowsHint(*writer_)}));
  }
}

TxlsSheetSettings TFerran3XLS::SheetSettings() const {
  TxlsSheetSettings settings;
  settings.Title = Options.SheetTitle();
  settings.SourceRefs() = SourceRefs();
  settings.ExportedFields = ExportedFields;
  settings.Header = Header;
  settings.Captions = Captions;
  settings.Footer = Footer;
  settings.UserFormats = UserFormats;
  settings.ColumnsWidth = ColumnsWidth;
  settings.Formats = Formats;
  settings.Options = Options;
  settings.FieldFormats = FieldFormats;
  settings.StripStyles = StripStyles;
  settings.Hyperlinks = Hyperlinks;
  settings.Notes = Notes;
  settings.Charts = Charts;
  settings.Images = Images;
  settings.Cells = Cells;
  settings.MergedCells = MergedCells;
  settings.Background = Background;
  settings.StripType = StripType;
  settings.HeaderRows = HeaderRows;
  settings.FooterRows = FooterRows;
  settings.StartDataCol = StartDataCol;
  settings.AllowCaptions = AllowCaptions;
  settings.GoToFirstRecord = GoToFirstRecord;
  settings.ExportRecCount = ExportRecCount;
  settings.SkipRecCount = SkipRecCount;
  settings.CurrentRecordOnly = CurrentRecordOnly;
  settings.OnlyVisibleFields = OnlyVisibleFields;
  settings.AutoCalcStrType = AutoCalcStrType;
  settings.CaptionRow = CaptionRow;
  settings.AutoCalcColWidth = AutoCalcColWidth;
  return settings;
}

}  // namespace tabrin
