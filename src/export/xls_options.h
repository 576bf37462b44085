#pragma once
// TXLSOptions: the formats and page texts of a sheet (and of the export
// component, which hands them to its temporary sheet).
#include <string>
#include <string_view>

#include "export/sheet_extras.h"
#include "xls/model/format_model.h"

namespace tabrin {

class TXLSOptions {
 public:
  TXLSOptions();

  std::string PageHeader;
  std::string PageFooter = "Page &P of &N";
  TxlsFormat HeaderFormat;
  TxlsFormat CaptionsFormat;  // bold by default
  TxlsFormat DataFormat;
  TxlsFormat AggregateFormat;
  TxlsFormat FooterFormat;
  TxlsFormat HyperlinkFormat;  // blue, single underline by default
  TxlsNoteFormat NoteFormat;

  const std::string& SheetTitle() const { return sheetTitle_; }
  // An empty title becomes "Sheet1".
  void SetSheetTitle(std::string_view title);

  // Copies all ten settings.
  void Assign(const TXLSOptions& source);

 private:
  std::string sheetTitle_ = "Sheet 1";
};

}  // namespace tabrin
