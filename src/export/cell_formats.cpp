// Cell formats of a sheet: finding or registering the workbook's cell format
// for a number-format text and a look, and the per-column and stripe formats
// the data cells use.
#include "export/ferran3_xls.h"
#include "export/xls_sheet.h"
#include "xls/model/workbook_output.h"

namespace tabrin {

namespace {

// The look of a registered cell format, as a format object an event handler
// can change.
TxlsFormat FormatOfCell(const TxlsXFormat& entry) {
  TxlsFormat format;
  if (entry.Font != nullptr) format.Font = *entry.Font;
  format.Font.Index = 0;
  format.Borders = entry.Borders;
  format.Fill = entry.Fill;
  format.Alignment = entry.Alignment;
  format.Wrap = entry.Wrap;
  return format;
}

}  // namespace

std::uint16_t TxlsSheet::ResolveCellFormat(std::string_view numberFormat, const TxlsFormat* format) {
  if (numberFormat == "General" && format == nullptr) return kDefaultXfIndex;
  const std::string text = numberFormat.empty() ? std::string("General") : std::string(numberFormat);
  std::optional<std::string> ownNumberFormat;
  if (text != "General") ownNumberFormat = text;

  TxlsCellFormatRequest request;
  if (format != nullptr) {
    // Only a font that differs from the data cells' own font is the cell's.
    const bool ownFont = !format->Font.SameAs(Options.DataFormat.Font);
    request = TxlsCellFormatRequest::From(*format, ownFont, ownNumberFormat);
  } else {
    request.NumberFormat = ownNumberFormat;
  }
  return owner_.Writer()->Formats().GetOrCreate(request);
}

void TxlsSheet::RegisterColumnFormat(int column) {
  const TFerranColumn& col = columns_.Items(column);
  const TxlsFieldFormat* fieldFormat = nullptr;
  for (const TxlsFieldFormat& item : FieldFormats) {
    if (SameText(item.FieldName, col.Name)) {
      fieldFormat = &item;
      break;
    }
  }
  const std::uint16_t xf = ResolveCellFormat(col.Format, fieldFormat);
  TxlsFormatRegistry& registry = owner_.Writer()->Formats();
  if (xf != kDefaultXfIndex && !registry.FieldCache.Contains(runIndex_, col.Name)) {
    registry.FieldCache.Add(runIndex_, col.Name, xf);
  }
}

void TxlsSheet::RegisterStripeFormats() {
  const int m = static_cast<int>(StripStyles.size());
  if (m == 0 || StripType == ssNone) return;
  TxlsFormatRegistry& registry = owner_.Writer()->Formats();
  for (int i = 0; i < columns_.Count(); ++i) {
    const std::string& format = columns_.Items(i).Format;
    if (StripType == ssCol) {
      registry.StripeCache.Add(runIndex_, i, ResolveCellFormat(format, &StripStyles[static_cast<std::size_t>(i % m)]));
    } else {
      for (int j = 0; j < m; ++j) {
        registry.StripeCache.Add(runIndex_, i + 1000 * j,
                                 ResolveCellFormat(format, &StripStyles[static_cast<std::size_t>(j)]));
      }
    }
  }
}

std::uint16_t TxlsSheet::DataCellFormat(int p) {
  const TFerranColumn& column = columns_.Items(p);
  TxlsFormatRegistry& registry = owner_.Writer()->Formats();
  std::uint16_t c = static_cast<std::size_t>(p) < fieldFormats_.size() ? fieldFormats_[static_cast<std::size_t>(p)]
                                                                       : registry.FieldCache.Lookup(runIndex_, column.Name);
  if (c == kDefaultXfIndex && !registry.StripeCache.Empty()) {
    const int m = static_cast<int>(StripStyles.size());
    if (StripType == ssCol) {
      c = registry.StripeCache.Lookup(runIndex_, p);
    } else if (StripType == ssRow && m > 0) {
      c = registry.StripeCache.Lookup(runIndex_, p + 1000 * (RecordCounter % m));
    }
  }
  if (owner_.OnGetDataParams) {
    TxlsFormat format;
    std::string fmt;
    const TxlsXFormat* entry = c == kDefaultXfIndex ? nullptr : registry.CellFormats.GetByIndex(c);
    if (entry == nullptr) {
      format.Assign(Options.DataFormat);
      fmt = "General";
    } else {
      format = FormatOfCell(*entry);
      fmt = entry->NumberFormat != nullptr ? entry->NumberFormat->Text : std::string();
    }
    owner_.OnGetDataParams(*this, runIndex_, StartDataCol + p, CurrentRow, format, fmt);
    if (fmt.empty()) fmt = column.Format;
    c = ResolveCellFormat(fmt, &format);
  }
  return c;
}

}  // namespace tabrin
