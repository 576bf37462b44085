#include "export/ferran3.h"

#include <algorithm>

#include "export/source_adapter.h"

namespace tabrin {

TFerran3::TFerran3() : columns_(*this) {}
TFerran3::~TFerran3() = default;

TFerranHolderSettings TFerran3::HolderSettings() const {
  TFerranHolderSettings settings;
  settings.ExportedFields = &ExportedFields;
  settings.Sources = SourceRefs();
  settings.OnlyVisibleFields = OnlyVisibleFields;
  settings.AutoCalcStrType = AutoCalcStrType;
  settings.CaptionRow = CaptionRow;
  settings.ColumnsWidth = &ColumnsWidth;
  settings.SkipRecCount = SkipRecCount;
  settings.ExportRecCount = ExportRecCount;
  return settings;
}

void TFerran3::BeginExport() {
  columns_.Clear();
  columns_.Build(false);
  row_.Build(columns_);
  aborted_ = false;
  if (ExportSource == esListView) {
    const int items = TFerranSourceAdapter(SourceRefs()).ItemCount();
    SkipRecCount = std::min(SkipRecCount, items);
    if (ExportRecCount > 0) ExportRecCount = std::min(ExportRecCount, items);
  }
  if (OnBeginExport) OnBeginExport(*this);
}

void TFerran3::EndExport() {
  if (OnEndExport) OnEndExport(*this);
}

bool TFerran3::AskToContinue() {
  bool canContinue = !aborted_;
  if (OnStopExport) OnStopExport(*this, canContinue);
  aborted_ = !canContinue;
  return canContinue;
}

void TFerran3::Notification(const void* removed) { Forget(removed); }

TFerran3Text::TFerran3Text() : ShellVerb(RunShellVerb) {}

void TFerran3Text::ShowResult() {
  if (Aborted() || !ShellVerb) return;
  if (ShowFile) ShellVerb("open", FileName);
  if (PrintFile) ShellVerb("print", FileName);
}

TFerranHolderSettings TFerran3FormatText::HolderSettings() const {
  TFerranHolderSettings settings = TFerran3::HolderSettings();
  settings.Formats = &Formats;
  settings.UserFormats = &UserFormats;
  settings.Captions = &Captions;
  return settings;
}

}  // namespace tabrin
