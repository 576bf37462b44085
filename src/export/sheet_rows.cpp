// How a sheet writes its rows: header and footer lines, the caption row, the
// data rows and the aggregate row, each cell with its registered format.
#include <algorithm>
#include <optional>

#include "db/value.h"
#include "export/ferran3_xls.h"
#include "export/xls_sheet.h"
#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/regional.h"
#include "text/translation.h"
#include "xls/model/workbook_output.h"

namespace tabrin {

namespace {

constexpr int kTextLineColumns = 256;

// Part c of a line, parts ending at each tab character.
std::vector<std::string_view> TabParts(std::string_view line) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
    parts.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  return parts;
}

bool IsNumberKind(TFerranColType kind) {
  return kind == ectInteger || kind == ectBigint || kind == ectFloat || kind == ectCurrency;
}

bool IsDateKind(TFerranColType kind) { return kind == ectDate || kind == ectTime || kind == ectDateTime; }

// What the text of a date-time ("yyyy/M/d[ HH:mm:ss]") reads back as: the
// value to the second.  Only for days from 1 January 1900 to the year 9999,
// which the text shows plainly; nothing otherwise.
std::optional<double> ShownDateTime(double serial) {
  if (!(serial >= 2 && serial < 2958466)) return std::nullopt;
  DateTimeParts parts = DecodeDateTime(serial);
  parts.millisecond = 0;
  return TryEncodeDateTime(parts);
}

}  // namespace

void TxlsSheet::PrepareSheet() {
  runIndex_ = SheetIndex();
  CurrentRow = 0;
  RecordCounter = 0;
  columns_.Clear();
  columns_.Build(false);
  row_.Build(columns_);
  RegisterStripeFormats();
  if (StripType == ssNone || StripStyles.empty()) {
    for (int i = 0; i < columns_.Count(); ++i) RegisterColumnFormat(i);
  }
  fieldFormats_.clear();
  const TxlsFormatRegistry& registry = owner_.Writer()->Formats();
  for (int i = 0; i < columns_.Count(); ++i) {
    fieldFormats_.push_back(registry.FieldCache.Lookup(runIndex_, columns_.Items(i).Name));
  }
  HasImages = std::any_of(Images.begin(), Images.end(),
                          [&](const TxlsImage& image) { return owner_.Pictures.Find(image.PictureName) != nullptr; });
  valuesDirect_ = ExportSource == esDataSet && !owner_.OnGetExportText && !owner_.OnAdvancedGetExportText &&
                  !owner_.OnBeforeExportRow && !owner_.OnAdvancedBeforeExportRow && !AutoCalcColWidth;
  const TRegionalFormats& regional = TRegionalFormats::System();
  datesDirect_ = regional.shortDate == "yyyy/M/d" && regional.longTime == "HH:mm:ss" &&
                 regional.dateSeparator == '/' && regional.timeSeparator == ':';
}

int TxlsSheet::DataStartRow() const {
  const int headerLines = HeaderRows != 0 ? HeaderRows : static_cast<int>(Header.size());
  return headerLines + (AllowCaptions ? 1 : 0);
}

void TxlsSheet::CheckRowFits() const {
  const TWorkbookOutput& writer = *owner_.Writer();
  if (CurrentRow >= writer.MaxRows()) {
    throw TabrinError(FormatMessage(Tr("Sheet %s cannot hold all records: a worksheet has at most %d rows%s"),
                                    {Title, writer.MaxRows(), MoreRowsHint(writer)}));
  }
}

void TxlsSheet::WriteHeaderLines() { WriteTextLines(TextLines::Header); }
void TxlsSheet::WriteFooterLines() { WriteTextLines(TextLines::Footer); }

void TxlsSheet::WriteTextLines(TextLines which) {
  const bool header = which == TextLines::Header;
  const TStringList& lines = header ? Header : Footer;
  const int setting = header ? HeaderRows : FooterRows;
  TxlsFormat& format = header ? Options.HeaderFormat : Options.FooterFormat;
  const auto& event = header ? owner_.OnGetHeaderParams : owner_.OnGetFooterParams;
  TWorkbookOutput& writer = *owner_.Writer();

  const int n = setting != 0 ? setting : static_cast<int>(lines.size());
  for (int r = 0; r < n; ++r) {
    std::string line = r < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(r)] : std::string();
    if (!line.empty() && line.back() != '\t') line += '\t';
    const std::vector<std::string_view> parts = TabParts(line);
    CheckRowFits();
    for (int c = 0; c < kTextLineColumns; ++c) {
      std::string text = c < static_cast<int>(parts.size()) ? std::string(parts[static_cast<std::size_t>(c)]) : "";
      if (event) event(*this, runIndex_, c, CurrentRow, format, text);
      if (text.empty()) continue;
      const std::uint16_t xf = ResolveCellFormat("General", &format);
      writer.WriteLabelSst(CurrentRow, c, text, xf);
      if (HasImages) writer.MeasureRowHeight(xf, CurrentRow);
    }
    ++CurrentRow;
  }
}

void TxlsSheet::WriteCaptionRow() {
  TWorkbookOutput& writer = *owner_.Writer();
  CheckRowFits();
  WriteBeforeDataCells();
  for (int i = 0; i < columns_.Count(); ++i) {
    TxlsFormat format;
    format.Assign(Options.CaptionsFormat);
    std::string text = columns_.Items(i).Caption;
    const int col = StartDataCol + i;
    if (owner_.OnGetCaptionParams) owner_.OnGetCaptionParams(*this, runIndex_, col, format, text);
    if (text.empty()) continue;
    const std::uint16_t xf = format.IsDefault() ? kDefaultXfIndex : ResolveCellFormat("General", &format);
    writer.WriteLabelSst(CurrentRow, col, text, xf);
    if (AutoCalcColWidth) writer.MeasureCellWidth(text, xf, i);
  }
  ++CurrentRow;
}

void TxlsSheet::WriteBeforeDataCells() {
  if (!owner_.OnGetBeforeDataParams || StartDataCol == 0) return;
  TWorkbookOutput& writer = *owner_.Writer();
  for (int c = 0; c < StartDataCol; ++c) {
    TxlsFormat format;
    format.Assign(Options.DataFormat);
    std::string text;
    owner_.OnGetBeforeDataParams(*this, runIndex_, c, CurrentRow, format, text);
    if (text.empty()) continue;
    const std::uint16_t xf = ResolveCellFormat("General", &format);
    writer.WriteLabelSst(CurrentRow, c, text, xf);
  }
}

void TxlsSheet::WriteDataRow() {
  TWorkbookOutput& writer = *owner_.Writer();
  CheckRowFits();
  WriteBeforeDataCells();
  for (int p = 0; p < row_.Count(); ++p) {
    const int col = StartDataCol + p;
    columnList_.NoteDataCellAt(p, row_.Items(p).Name, CurrentRow, col);
    const std::uint16_t xf = WriteDataCell(p, col);
    if (HasImages) writer.MeasureRowHeight(xf, CurrentRow);
  }
  ++CurrentRow;
}

void TxlsSheet::WriteDataRowFrom(const TFerranSourceAdapter& source, const TFerranWalkState& walk) {
  TWorkbookOutput& writer = *owner_.Writer();
  CheckRowFits();
  WriteBeforeDataCells();
  for (int p = 0; p < row_.Count(); ++p) {
    const int col = StartDataCol + p;
    columnList_.NoteDataCellAt(p, row_.Items(p).Name, CurrentRow, col);
    const std::uint16_t xf = WriteValueCell(p, col, source, walk);
    if (HasImages) writer.MeasureRowHeight(xf, CurrentRow);
  }
  ++CurrentRow;
}

// The cell WriteDataCell writes for the text a value is shown as, found from
// the value itself where that is quick and sure: texts of text columns,
// numbers of number columns (as their 15-digit text reads back), date-times
// of date columns (as their text, to the second, reads back).  Every other
// value goes through its text.
std::uint16_t TxlsSheet::WriteValueCell(int p, int col, const TFerranSourceAdapter& source,
                                        const TFerranWalkState& walk) {
  const TFerranColumn& column = columns_.Items(p);
  const TValue* value = source.Value(column.SourceIndex);
  if (value != nullptr) {
    TWorkbookOutput& writer = *owner_.Writer();
    // A shown value equal to the null text is written as a label.
    const bool noNullText = Formats.NullString().empty();
    switch (value->Type()) {
      case TValueType::vtNull: {
        const std::uint16_t xf = DataCellFormat(p);
        writer.WriteBlank(CurrentRow, col, xf);
        return xf;
      }
      case TValueType::vtText:
        if (column.Kind == ectString) {
          const std::uint16_t xf = DataCellFormat(p);
          const std::string_view text = TrimAscii(value->Text(), kControlOrSpace);
          if (text.empty()) {
            writer.WriteBlank(CurrentRow, col, xf);
          } else {
            writer.WriteLabelSst(CurrentRow, col, text, xf);
          }
          return xf;
        }
        break;
      case TValueType::vtInteger:
        if (IsNumberKind(column.Kind) && noNullText) {
          const std::uint16_t xf = DataCellFormat(p);
          writer.WriteNumber(CurrentRow, col, static_cast<double>(value->Integer()), xf);
          return xf;
        }
        break;
      case TValueType::vtFloat:
        if (IsNumberKind(column.Kind) && noNullText) {
          const std::uint16_t xf = DataCellFormat(p);
          writer.WriteNumber(CurrentRow, col, GeneralValue(value->Float()).value_or(0.0), xf);
          return xf;
        }
        break;
      case TValueType::vtDateTime:
        if ((column.Kind == ectDate || column.Kind == ectDateTime) && noNullText && datesDirect_) {
          if (const std::optional<double> shown = ShownDateTime(value->DateTime())) {
            const std::uint16_t xf = DataCellFormat(p);
            // The worksheet counts the non-existent 29 February 1900 as a day.
            writer.WriteNumber(CurrentRow, col, *shown <= 60 ? *shown - 1 : *shown, xf);
            return xf;
          }
        }
        break;
      case TValueType::vtBoolean:
        break;
    }
  }
  row_.SetValueAt(p, source.ValueText(column.SourceIndex, walk));
  return WriteDataCell(p, col);
}

std::uint16_t TxlsSheet::WriteDataCell(int p, int col) {
  TWorkbookOutput& writer = *owner_.Writer();
  const TFerranColumn& column = columns_.Items(p);
  std::string text = row_.Items(p).Value;
  if (owner_.OnGetExportText) owner_.OnGetExportText(*this, p, text);
  if (owner_.OnAdvancedGetExportText) owner_.OnAdvancedGetExportText(*this, runIndex_, p, text);
  const std::uint16_t xf = DataCellFormat(p);
  const TRegionalFormats& regional = TRegionalFormats::System();

  const auto label = [&](const std::string& value) {
    writer.WriteLabelSst(CurrentRow, col, value, xf);
  };
  const auto number = [&](double value) {
    writer.WriteNumber(CurrentRow, col, value, xf);
  };

  if (text.empty()) {
    writer.WriteBlank(CurrentRow, col, xf);
  } else if (text == Formats.NullString()) {
    label(text);
  } else if (IsNumberKind(column.Kind)) {
    number(regional.ParseFloat(text).value_or(0.0));
  } else if (IsDateKind(column.Kind)) {
    const double v = regional.ParseDateTime(text).value_or(0.0);
    if (v <= 1) {
      // Day 0 and 1 are not dates a worksheet shows: written as text.
      text = column.Format.empty() ? regional.DateTimeToText(v) : regional.FormatDateTime(column.Format, v);
      label(text);
    } else {
      // The worksheet counts the non-existent 29 February 1900 as a day.
      number(v <= 60 ? v - 1 : v);
    }
  } else if (column.Kind == ectString) {
    label(text);
  } else if (column.Kind == ectBoolean) {
    writer.WriteBoolean(CurrentRow, col, SameText(text, Formats.BooleanTrue()), xf);
  } else {
    return xf;  // a column of unknown kind is left out
  }
  if (AutoCalcColWidth) writer.MeasureCellWidth(text, xf, p);
  return xf;
}

void TxlsSheet::WriteAggregateRow() {
  TFerranColumns& columns = columns_;
  for (int i = 0; i < columns.Count(); ++i) columns.Items(i).AggregateSlot = 0;
  bool anySlot = false;
  for (std::size_t k = 0; k < FieldFormats.size(); ++k) {
    const int i = columns.IndexOfName(FieldFormats[k].FieldName);
    if (i < 0 || FieldFormats[k].Aggregate == aggNone) continue;
    columns.Items(i).AggregateSlot = static_cast<int>(k) + 1;
    anySlot = true;
  }
  if (!anySlot) return;

  TWorkbookOutput& writer = *owner_.Writer();
  CheckRowFits();
  bool written = false;
  for (int i = 0; i < columns.Count(); ++i) {
    const TFerranColumn& column = columns.Items(i);
    const int col = StartDataCol + i;
    TxlsFormat format;
    format.Assign(Options.AggregateFormat);
    std::string value;
    if (column.AggregateSlot != 0) {
      std::string fmt = column.Format.empty() ? "General" : column.Format;
      if (owner_.OnGetAggregateParams) owner_.OnGetAggregateParams(*this, runIndex_, i, format, fmt, value);
      if (fmt.empty()) fmt = "General";
      const std::uint16_t xf =
          (fmt == "General" && format.IsDefault()) ? kDefaultXfIndex : ResolveCellFormat(fmt, &format);
      writer.WriteAggregateFormula(CurrentRow, col, xf,
                                   FieldFormats[static_cast<std::size_t>(column.AggregateSlot - 1)].Aggregate,
                                   DataStartRow(), CurrentRow - 1);
      if (HasImages) writer.MeasureRowHeight(xf, CurrentRow);
      written = true;
    } else if (owner_.OnGetAggregateParams) {
      std::string fmt = "General";
      owner_.OnGetAggregateParams(*this, runIndex_, i, format, fmt, value);
      if (value.empty()) continue;
      const std::uint16_t xf = ResolveCellFormat("General", &format);
      writer.WriteLabelSst(CurrentRow, col, value, xf);
      if (AutoCalcColWidth) writer.MeasureCellWidth(value, xf, i);
      if (HasImages) writer.MeasureRowHeight(xf, CurrentRow);
      written = true;
    }
  }
  if (written) ++CurrentRow;
}

TxlsSheetTail TxlsSheet::BuildTail() {
  TxlsSheetTail tail;
  const TRegionalFormats& regional = TRegionalFormats::System();
  for (TxlsCell& cell : Cells) {
    if (cell.Row == 0 || cell.Col == 0) continue;
    if (cell.DateTimeFormat.empty()) cell.DateTimeFormat = regional.shortDate + " " + regional.longTime;
    std::string numberFormat = "General";
    if (cell.CellType == ctDateTime) numberFormat = cell.DateTimeFormat;
    if (cell.CellType == ctNumeric) numberFormat = cell.NumericFormat;
    tail.Cells.push_back(TxlsResolvedCell{&cell, ResolveCellFormat(numberFormat, &cell.Format)});
  }
  tail.MergedCells = MergedCells;
  for (const TxlsHyperlink& link : Hyperlinks) {
    if (link.IsValid()) tail.Hyperlinks.push_back(TxlsResolvedHyperlink{&link, ResolveCellFormat("General", &link.Format)});
  }
  for (const TxlsNote& note : Notes) tail.Notes.push_back(&note);
  for (const TxlsImage& image : Images) tail.Images.push_back(&image);
  tail.HasImages = HasImages;
  return tail;
}

}  // namespace tabrin
