#pragma once
// Everything that decides what one worksheet holds and how it looks, as one
// value: the component hands it to the sheet it builds from its own
// settings, and one sheet takes it from another, each with one copy.
#include <cstdint>
#include <string>
#include <vector>

#include "export/ferran_formats.h"
#include "export/ferran_types.h"
#include "export/sheet_extras.h"
#include "export/source_adapter.h"
#include "export/string_list.h"
#include "export/xls_options.h"
#include "xls/model/format_model.h"
#include "xls/model/sheet_objects.h"

namespace tabrin {

enum TxlsStripType : std::uint8_t { ssNone, ssCol, ssRow };

// The source (references are not owned) is the TFerranSourceRefs base.
struct TxlsSheetSettings : TFerranSourceRefs {
  std::string Title;

  TStringList ExportedFields, Header, Captions, Footer, UserFormats, ColumnsWidth;
  TFerranFormats Formats;
  TXLSOptions Options;
  std::vector<TxlsFieldFormat> FieldFormats;
  std::vector<TxlsFormat> StripStyles;
  std::vector<TxlsHyperlink> Hyperlinks;
  std::vector<TxlsNote> Notes;
  std::vector<TxlsChart> Charts;
  std::vector<TxlsImage> Images;
  std::vector<TxlsCell> Cells;
  std::vector<TxlsMergedCells> MergedCells;
  std::string Background;  // picture file name; empty = none
  TxlsStripType StripType = ssNone;
  std::uint16_t HeaderRows = 0, FooterRows = 0;
  std::uint8_t StartDataCol = 0;

  // Which records and columns.
  bool AllowCaptions = true;
  bool GoToFirstRecord = true;
  std::int32_t ExportRecCount = 0, SkipRecCount = 0;
  bool CurrentRecordOnly = false;
  bool OnlyVisibleFields = true;
  bool AutoCalcStrType = false;
  std::int32_t CaptionRow = -1;
  bool AutoCalcColWidth = false;
};

}  // namespace tabrin
