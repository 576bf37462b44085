#include "export/xls_options.h"

namespace tabrin {

TXLSOptions::TXLSOptions() {
  CaptionsFormat.Font.Style = xfsBold;
  HyperlinkFormat.Font.Color = clrBlue;
  HyperlinkFormat.Font.Underline = fulSingle;
}

void TXLSOptions::SetSheetTitle(std::string_view title) { sheetTitle_ = title.empty() ? "Sheet1" : std::string(title); }

void TXLSOptions::Assign(const TXLSOptions& source) {
  if (&source == this) return;
  PageHeader = source.PageHeader;
  PageFooter = source.PageFooter;
  SetSheetTitle(source.sheetTitle_);
  HeaderFormat.Assign(source.HeaderFormat);
  CaptionsFormat.Assign(source.CaptionsFormat);
  DataFormat.Assign(source.DataFormat);
  AggregateFormat.Assign(source.AggregateFormat);
  FooterFormat.Assign(source.FooterFormat);
  HyperlinkFormat.Assign(source.HyperlinkFormat);
  NoteFormat = source.NoteFormat;
}

}  // namespace tabrin
