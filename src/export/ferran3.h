#pragma once
// The export component's base classes.  TFerran3 holds what does not depend
// on the output format: the source, the record window, the column list and
// row, the events and the abort protocol.  TFerran3Text adds the file name
// and what to do with the file afterwards, TFerran3AdvancedText header and
// footer lines, TFerran3FormatText captions and formats.  Only the
// spreadsheet exporter (TFerran3XLS) is instantiated.
//
//   TFerran3XLS exporter;
//   exporter.FileName = "/tmp/items.xls";
//   exporter.DataSet = &query;          // an open query
//   exporter.Execute();                 // raises TabrinError on failure
#include <cstdint>
#include <functional>
#include <string>

#include "export/ferran_columns.h"
#include "export/ferran_formats.h"
#include "export/ferran_types.h"
#include "export/source_adapter.h"
#include "export/string_list.h"

namespace tabrin {

// The source settings (ExportSource, DataSet, CustomSource, ListView, DBGrid,
// StringGrid; references are not owned) are those of TFerranSourceRefs.
class TFerran3 : public TFerranColumnHolder, public TFerranSourceRefs {
 public:
  using TNotifyEvent = std::function<void(TFerran3& sender)>;
  using TExportedRecordEvent = std::function<void(TFerran3& sender, int recNo)>;
  using TFerranStopEvent = std::function<void(TFerran3& sender, bool& canContinue)>;
  // Sender is the component, or the sheet being written in a spreadsheet run.
  using TGetExportTextEvent = std::function<void(TFerranColumnHolder& sender, int colNo, std::string& text)>;
  using TBeforeExportRowEvent = std::function<void(TFerran3& sender, TFerranRow& row, bool& accept)>;

  TFerran3();
  ~TFerran3() override;
  TFerran3(const TFerran3&) = delete;
  TFerran3& operator=(const TFerran3&) = delete;

  // --- settings (the source's, and these) ----------------------------------
  TStringList ExportedFields;
  bool CurrentRecordOnly = false;
  bool GoToFirstRecord = true;
  std::int32_t ExportRecCount = 0;
  std::int32_t SkipRecCount = 0;
  bool OnlyVisibleFields = false;
  bool AutoCalcStrType = false;
  std::int32_t CaptionRow = -1;
  bool ExportEmpty = true;
  // Kept here for the exporters that publish them (the spreadsheet one).
  TStringList ColumnsWidth;
  bool AutoCalcColWidth = false;

  // --- events ---------------------------------------------------------------
  TNotifyEvent OnBeginExport;
  TNotifyEvent OnEndExport;
  TExportedRecordEvent OnSkippedRecord;
  TExportedRecordEvent OnExportedRecord;
  TFerranStopEvent OnStopExport;
  TGetExportTextEvent OnGetExportText;
  TBeforeExportRowEvent OnBeforeExportRow;

  // --- operations -----------------------------------------------------------
  virtual void BeginExport();
  virtual void BeforeRows() {}
  virtual void AfterRows() {}
  virtual void EndExport();
  virtual void Execute() = 0;
  // Asks a running export to stop (meant for event handlers).
  virtual void Abort() { aborted_ = true; }
  bool Aborted() const { return aborted_; }
  // Called with Aborted set: lets OnStopExport decide; true = go on.
  bool AskToContinue();

  // A component that the export refers to goes away: every reference to it
  // is cleared.
  virtual void Notification(const void* removed);

  TFerranHolderSettings HolderSettings() const override;
  TFerranColumns& Columns() { return columns_; }
  TFerranRow& Row() { return row_; }

 protected:
  void SetAborted(bool aborted) { aborted_ = aborted; }

 private:
  bool aborted_ = false;
  TFerranColumns columns_;
  TFerranRow row_;
};

class TFerran3Text : public TFerran3 {
 public:
  // Runs a shell verb ("open" or "print") on a file; failures are ignored.
  using TShellVerb = std::function<void(const std::string& verb, const std::string& fileName)>;

  std::string FileName;
  bool ShowFile = false;
  bool PrintFile = false;
  // How the verbs are carried out: "open" through xdg-open, "print" through
  // lp.  Replaceable so that a window or a test can take them over.
  TShellVerb ShellVerb;

  TFerran3Text();
  // Opens and/or prints the finished file; nothing after an aborted run.
  virtual void ShowResult();
};

class TFerran3AdvancedText : public TFerran3Text {
 public:
  TStringList Header;
  TStringList Footer;
};

class TFerran3FormatText : public TFerran3AdvancedText {
 public:
  bool AllowCaptions = true;
  TStringList Captions;  // lines column name=caption
  TFerranFormats Formats;
  TStringList UserFormats;  // lines column name=format text

  TFerranHolderSettings HolderSettings() const override;
};

// The default shell verbs: "open" runs xdg-open, "print" runs lp, detached;
// failures are ignored.
void RunShellVerb(const std::string& verb, const std::string& fileName);

}  // namespace tabrin
