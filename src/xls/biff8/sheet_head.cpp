// The head of a worksheet (BOF to DIMENSIONS) and the column widths: the
// COLINFO records, text measurement and the later width patch.
#include <algorithm>
#include <cmath>

#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/model/text_measure.h"
#include "xls/biff8/workbook_writer.h"

namespace tabrin {
namespace {

// Excel's limit on a column width, in characters.
constexpr int kMaxColumnWidth = 255;

// Excel refuses a workbook whose sheet names are empty, longer than 31
// characters, hold one of : \ / ? * [ ] or repeat another sheet's name.
void CheckSheetTitle(const std::string& title, const TxlsBoundSheetList& sheets) {
  if (title.empty()) throw TabrinError(Tr("A sheet title cannot be empty"));
  if (Utf16Length(title) > 31) {
    throw TabrinError(FormatMessage(Tr("Sheet title \"%s\" is longer than 31 characters"), {title}));
  }
  if (title.find_first_of(":\\/?*[]") != std::string::npos) {
    throw TabrinError(FormatMessage(
        Tr("Sheet title \"%s\" contains one of the characters : \\ / ? * [ ]"), {title}));
  }
  for (const TxlsBoundSheet& other : sheets) {
    if (EqualNoCaseAscii(other.Title, title)) {
      throw TabrinError(FormatMessage(Tr("Sheet title \"%s\" is used by another sheet"), {title}));
    }
  }
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

void TxlsWorkbookWriter::WritePageText(std::uint16_t id, const std::string& text) {
  if (text.empty()) {
    WriteRecord(id, 0);
    return;
  }
  const char* what = id == biff::kHeader ? Tr("Page header") : Tr("Page footer");
  if (IsAscii(text)) {
    if (text.size() > 255) {
      throw TabrinError(FormatMessage(Tr("%s is longer than 255 characters"), {what}));
    }
    std::uint8_t* body = ClearBuffer(3 + text.size());
    PutU16(body, static_cast<std::uint16_t>(text.size()));
    body[2] = 0;  // 8-bit characters
    std::copy(text.begin(), text.end(), body + 3);
    WriteRecord(id, static_cast<std::uint16_t>(3 + text.size()));
    return;
  }
  // Other characters cannot be stored as 8-bit text: UTF-16 form.
  const std::u16string wide = Utf8ToUtf16(text);
  if (wide.size() > 255) throw TabrinError(FormatMessage(Tr("%s is longer than 255 characters"), {what}));
  std::uint8_t* body = ClearBuffer(3 + 2 * wide.size());
  PutU16(body, static_cast<std::uint16_t>(wide.size()));
  body[2] = 1;
  for (std::size_t i = 0; i < wide.size(); ++i) PutU16(body + 3 + 2 * i, wide[i]);
  WriteRecord(id, static_cast<std::uint16_t>(3 + 2 * wide.size()));
}

void TxlsWorkbookWriter::WriteColumnInfos(std::uint8_t startCol) {
  if (startCol + columnWidths_.size() > 256) {
    throw TabrinError(FormatMessage(Tr("Column %d is outside the worksheet (columns 1 to 256)"),
                                    {static_cast<int>(startCol + columnWidths_.size())}));
  }
  const double z = DefaultZeroWidth();
  firstColInfoPosition_ = Stream().Position();
  colInfoCount_ = columnWidths_.size();
  for (std::size_t i = 0; i < columnWidths_.size(); ++i) {
    const int w = std::clamp(columnWidths_[i], 0, kMaxColumnWidth);
    // Nearest integer, halves to even (the default rounding mode).
    const double width = std::nearbyint((w + 1 + 1 / z) * 256);
    std::uint8_t* body = ClearBuffer(11);
    PutU16(body + 0, static_cast<std::uint16_t>(startCol + i));
    PutU16(body + 2, static_cast<std::uint16_t>(startCol + i));
    PutU16(body + 4, static_cast<std::uint16_t>(std::min(width, 65535.0)));
    PutU16(body + 6, ColumnFormat(i));
    PutU16(body + 8, 0);
    WriteRecord(biff::kColInfo, 11);
  }
}

void TxlsWorkbookWriter::BeginSheet(const TxlsSheetHead& head) {
  RequireOpen();
  if (!workbookBegun_ || finished_) throw TabrinError(Tr("Sheets are written between BeginWorkbook and FinishWorkbook"));
  if (sheetOpen_) throw TabrinError(Tr("A sheet is still open"));
  CheckSheetTitle(head.Title, *sheets_);

  TxlsBoundSheet entry;
  entry.SheetIndex = head.SheetIndex;
  entry.Title = head.Title;
  entry.BofPosition = Stream().Position();
  TxlsBoundSheet& sheet = sheets_->Add(std::move(entry));
  sheetOpen_ = true;
  currentHead_ = head;
  rowHeights_.clear();  // image placement reads the heights of this sheet's rows

  detail::PutBofBody(ClearBuffer(16), biff::kWorksheetSubstream);
  WriteRecord(biff::kBof, 16);
  WriteWordRecord(biff::kCalcMode, 1);
  WriteWordRecord(biff::kCalcCount, 100);
  WriteWordRecord(biff::kRefMode, 1);
  WriteWordRecord(biff::kIteration, 0);
  PutDouble(ClearBuffer(8), 0.001);
  WriteRecord(biff::kDelta, 8);
  WriteWordRecord(biff::kSaveRecalc, 1);
  WriteWordRecord(biff::kPrintHeaders, 0);
  WriteWordRecord(biff::kPrintGridlines, 0);
  WriteWordRecord(biff::kGridSet, 1);
  ClearBuffer(8);
  WriteRecord(biff::kGuts, 8);
  WriteWordRecord(biff::kDefColWidth, static_cast<std::uint16_t>(std::clamp(head.DefColWidth, 0, 255)));
  std::uint8_t* body = ClearBuffer(4);
  // Twips with the fraction cut off: 12.75 and 12.76 points both give 255.
  const double twips = std::clamp(head.DefRowHeight * 20, 0.0, 8190.0);
  PutU16(body + 2, static_cast<std::uint16_t>(twips));
  WriteRecord(biff::kDefaultRowHeight, 4);
  WriteWordRecord(biff::kWsBool, 0x04C1);
  WritePageText(biff::kHeader, head.PageHeader);
  WritePageText(biff::kFooter, head.PageFooter);
  WriteWordRecord(biff::kHCenter, 0);
  WriteWordRecord(biff::kVCenter, 0);
  if (!head.Background.empty()) WriteBackground(head.Background);
  WriteColumnInfos(head.StartDataCol);
  sheet.DimensionsPosition = Stream().Position();
  ClearBuffer(14);
  WriteRecord(biff::kDimensions, 14);
}

void TxlsWorkbookWriter::MeasureCellWidth(std::string_view utf8, std::uint16_t xf, int column) {
  RequireOpen();
  if (column < 0 || static_cast<std::size_t>(column) >= columnWidths_.size()) return;
  const TxlsFont* own = formats_->FontOf(xf);
  const TxlsFont font = own != nullptr ? *own : TxlsFont();
  std::string text(utf8);
  text += 'I';
  const int t = Measurer().TextWidth(font, std::string_view(text));
  const int z = DefaultZeroWidth();
  const int characters = (t + z - 1) / z;
  int& entry = columnWidths_[static_cast<std::size_t>(column)];
  if (characters > entry) entry = characters;
}

void TxlsWorkbookWriter::MeasureRowHeight(std::uint16_t xf, int row) {
  RequireOpen();
  const TxlsFont* font = formats_->FontOf(xf);
  if (font == nullptr) return;
  if (EqualNoCaseAscii(font->Name, "arial") && font->Size == 10 && font->Style == 0) return;
  const TxlsFontMetrics m = Measurer().Metrics(*font);
  const int pixels = 2 * std::max(m.internalLeading, m.descent) + m.Height() + m.externalLeading -
                     m.internalLeading - m.descent + 1;
  const int twips = pixels * 1440 / 96;
  int& height = rowHeights_[row];
  height = std::max(height, twips);
}

void TxlsWorkbookWriter::PatchColumnWidths() {
  RequireOpen();
  TxlsMemoryStream& stream = Stream();
  const std::uint64_t resume = stream.Position();
  const std::size_t count = std::min(colInfoCount_, columnWidths_.size());
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t width[2];
    PutU16(width, static_cast<std::uint16_t>(std::clamp(columnWidths_[i], 0, kMaxColumnWidth) * 256));
    stream.Seek(static_cast<std::int64_t>(firstColInfoPosition_ + 15 * i + 8), TSeekOrigin::soBeginning);
    WriteChecked(stream, width, sizeof width);
  }
  stream.Seek(static_cast<std::int64_t>(resume), TSeekOrigin::soBeginning);
}

}  // namespace tabrin
