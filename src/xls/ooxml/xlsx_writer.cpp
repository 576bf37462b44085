#include "xls/ooxml/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>

#include "config/file_replacement.h"
#include "text/error.h"
#include "text/format.h"
#include "text/messages.h"
#include "text/translation.h"
#include "xls/model/extra_cell_values.h"
#include "xls/model/text_measure.h"

namespace tabrin {

namespace {

// Excel's limit on a column width, in characters.
constexpr int kMaxColumnWidth = 255;
// libxlsxwriter turns a width in characters into the stored width with the
// 7-pixel digit of its default font and 5 pixels of padding.
constexpr double kLxwDigitPixels = 7;
constexpr double kLxwPaddingPixels = 5;

[[noreturn]] void Unsupported(const std::string& sheet, std::string_view what) {
  throw TabrinError(FormatMessage(
      Tr("Sheet %s has %s, which only an Excel 97-2003 workbook (.xls) can hold; export it to .xls"), {sheet, what}));
}

lxw_color_t Rgb(TxlsColor color) {
  const TxlsRgb rgb = ColorRgb(color);
  return static_cast<lxw_color_t>(rgb.red) << 16 | static_cast<lxw_color_t>(rgb.green) << 8 | rgb.blue;
}

std::uint8_t Underline(TxlsFontUnderline underline) {
  switch (underline) {
    case fulSingle: return LXW_UNDERLINE_SINGLE;
    case fulDouble: return LXW_UNDERLINE_DOUBLE;
    case fulSingleAccounting: return LXW_UNDERLINE_SINGLE_ACCOUNTING;
    case fulDoubleAccounting: return LXW_UNDERLINE_DOUBLE_ACCOUNTING;
    case fulNone: break;
  }
  return LXW_UNDERLINE_NONE;
}

void ApplyFont(lxw_format* format, const TxlsFont& font) {
  format_set_font_name(format, font.Name.c_str());
  format_set_font_size(format, font.Size);
  if (font.Has(xfsBold)) format_set_bold(format);
  if (font.Has(xfsItalic)) format_set_italic(format);
  if (font.Has(xfsStrikeOut)) format_set_font_strikeout(format);
  if (font.Underline != fulNone) format_set_underline(format, Underline(font.Underline));
  if (font.Script == fscSuperscript) format_set_font_script(format, LXW_FONT_SUPERSCRIPT);
  if (font.Script == fscSubscript) format_set_font_script(format, LXW_FONT_SUBSCRIPT);
  if (font.Color != clrBlack) format_set_font_color(format, Rgb(font.Color));
}

// The border styles and fill patterns of the model are numbered as both file
// formats number them.
void ApplyBorders(lxw_format* format, const TxlsBorders& borders) {
  const auto side = [&](const TxlsBorder& border, void (*setStyle)(lxw_format*, uint8_t),
                        void (*setColor)(lxw_format*, lxw_color_t)) {
    if (border.Style == bstNone) return;
    setStyle(format, border.Style);
    if (border.Color != clrBlack) setColor(format, Rgb(border.Color));
  };
  side(borders.Left, format_set_left, format_set_left_color);
  side(borders.Right, format_set_right, format_set_right_color);
  side(borders.Top, format_set_top, format_set_top_color);
  side(borders.Bottom, format_set_bottom, format_set_bottom_color);
  const TxlsBorder& diagonal = borders.DiagDown.Style != bstNone ? borders.DiagDown : borders.DiagUp;
  if (diagonal.Style != bstNone) {
    const bool down = borders.DiagDown.Style != bstNone, up = borders.DiagUp.Style != bstNone;
    format_set_diag_type(format, down && up ? LXW_DIAGONAL_BORDER_UP_DOWN
                                 : down     ? LXW_DIAGONAL_BORDER_DOWN
                                            : LXW_DIAGONAL_BORDER_UP);
    format_set_diag_border(format, diagonal.Style);
    if (diagonal.Color != clrBlack) format_set_diag_color(format, Rgb(diagonal.Color));
  }
}

void ApplyFill(lxw_format* format, const TxlsFill& fill) {
  if (fill.Pattern == ptNone) return;
  format_set_pattern(format, fill.Pattern);
  // The model's Background is the colour a solid fill shows (the pattern's
  // foreground in both files), its Foreground the colour behind a pattern.
  if (fill.Pattern == ptSolid) {
    format_set_bg_color(format, Rgb(fill.Background));
  } else {
    format_set_fg_color(format, Rgb(fill.Background));
    format_set_bg_color(format, Rgb(fill.Foreground));
  }
}

void ApplyAlignment(lxw_format* format, const TxlsAlignment& alignment, bool wrap) {
  switch (alignment.Horizontal) {
    case halLeft: format_set_align(format, LXW_ALIGN_LEFT); break;
    case halCenter: format_set_align(format, LXW_ALIGN_CENTER); break;
    case halRight: format_set_align(format, LXW_ALIGN_RIGHT); break;
    case halFill: format_set_align(format, LXW_ALIGN_FILL); break;
    case halGeneral: break;
  }
  switch (alignment.Vertical) {
    case valTop: format_set_align(format, LXW_ALIGN_VERTICAL_TOP); break;
    case valCenter: format_set_align(format, LXW_ALIGN_VERTICAL_CENTER); break;
    case valJustify: format_set_align(format, LXW_ALIGN_VERTICAL_JUSTIFY); break;
    case valBottom: break;
  }
  if (wrap) format_set_text_wrap(format);
}

// A page header or footer without a section code is centred, in both file
// formats; said explicitly, so that readers that insist on the codes read it.
std::string CentredPageText(const std::string& text) {
  const bool hasSection = text.size() >= 2 && text[0] == '&' && (text[1] == 'L' || text[1] == 'C' || text[1] == 'R');
  return hasSection ? text : "&C" + text;
}

// "A", "Z", "AA", ... for a 0-based column.
std::string ColumnName(int column) {
  std::string name;
  for (int c = column + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  return name;
}

}  // namespace

TxlsxWorkbookWriter::TxlsxWorkbookWriter() = default;

TxlsxWorkbookWriter::~TxlsxWorkbookWriter() {
  if (workbook_ != nullptr) lxw_workbook_free(workbook_);
}

void TxlsxWorkbookWriter::Check(int error, const char* what) const {
  if (error == LXW_NO_ERROR) return;
  throw TabrinError(FormatMessage(Tr("Cannot write %s to '%s': %s"),
                                  {Tr(what), target_, lxw_strerror(static_cast<lxw_error>(error))}));
}

void TxlsxWorkbookWriter::CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory) {
  if (workbook_ != nullptr) throw TabrinError(Tr("The workbook output is already open"));
  target_ = fileName;
  const std::string cannotCreate = FormatMessage(Tr("Cannot create file '%s'"), {fileName});
  const auto cannotWrite = [](int) { return std::string(kWriteErrorMessage); };
  file_ = std::make_unique<TFileReplacement>(
      fileName, TReplacementMessages{[cannotCreate](int) { return cannotCreate; }, cannotWrite, cannotWrite});
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = nullptr;  // the row data waits in an anonymous temporary file
  options.use_zip64 = LXW_FALSE;  // a sheet of a million rows stays far below 4 GiB
  // The library opens the file by name when the workbook is closed.
  workbook_ = workbook_new_opt(file_->Path().c_str(), &options);
  if (workbook_ == nullptr) {
    file_.reset();
    throw TabrinError(cannotCreate);
  }
  formats_ = std::make_unique<TxlsFormatRegistry>();
  cellFormats_.clear();
  columnWidths_.clear();
  finished_ = false;
}

void TxlsxWorkbookWriter::CloseWorkbookFile() {
  lxw_workbook* workbook = workbook_;
  workbook_ = nullptr;
  sheet_ = nullptr;
  cellFormats_.clear();
  const std::unique_ptr<TFileReplacement> file = std::move(file_);
  if (workbook == nullptr) return;
  if (!finished_) {
    lxw_workbook_free(workbook);
    return;  // the replacement discards the file
  }
  if (workbook_close(workbook) != LXW_NO_ERROR) throw TabrinError(kWriteErrorMessage);
  file->Commit();
}

void TxlsxWorkbookWriter::BeginWorkbook() {
  if (workbook_ == nullptr) throw TabrinError(Tr("The workbook output is not open"));
}

void TxlsxWorkbookWriter::FinishWorkbook() {
  if (workbook_ == nullptr) throw TabrinError(Tr("The workbook output is not open"));
  finished_ = true;
}

void TxlsxWorkbookWriter::SetPictures(const TxlsPictures&) {}

void TxlsxWorkbookWriter::RequireSheet() const {
  if (sheet_ == nullptr) throw TabrinError(Tr("No sheet is being written"));
}

void TxlsxWorkbookWriter::BeginSheet(const TxlsSheetHead& head) {
  if (workbook_ == nullptr) throw TabrinError(Tr("The workbook output is not open"));
  if (head.Title.empty()) throw TabrinError(Tr("A sheet title cannot be empty"));
  if (workbook_validate_sheet_name(workbook_, head.Title.c_str()) != LXW_NO_ERROR) {
    throw TabrinError(FormatMessage(
        Tr("Sheet title \"%s\" cannot be used: at most 31 characters, none of : \\ / ? * [ ], not used by another sheet"),
        {head.Title}));
  }
  if (!head.Background.empty()) Unsupported(head.Title, Tr("a background picture"));
  sheet_ = workbook_add_worksheet(workbook_, head.Title.c_str());
  sheetTitle_ = head.Title;
  if (sheet_ == nullptr) throw TabrinError(FormatMessage(Tr("Cannot add the sheet \"%s\""), {head.Title}));
  startCol_ = head.StartDataCol;
  if (startCol_ + columnWidths_.size() > static_cast<std::size_t>(kXlsxSheetColumns)) {
    throw TabrinError(FormatMessage(Tr("Column %d is outside the worksheet (columns 1 to %d)"),
                                    {static_cast<int>(startCol_ + columnWidths_.size()), kXlsxSheetColumns}));
  }
  worksheet_set_default_row(sheet_, head.DefRowHeight, LXW_FALSE);
  if (!head.PageHeader.empty()) {
    Check(worksheet_set_header(sheet_, CentredPageText(head.PageHeader).c_str()), TrNoop("the page header"));
  }
  if (!head.PageFooter.empty()) {
    Check(worksheet_set_footer(sheet_, CentredPageText(head.PageFooter).c_str()), TrNoop("the page footer"));
  }
  SetColumnWidths();
}

int TxlsxWorkbookWriter::DefaultZeroWidth() {
  if (zeroWidth_ <= 0) zeroWidth_ = std::max(1, TxlsTextMeasurer::Shared().TextWidth(TxlsFont(), std::string_view("0")));
  return zeroWidth_;
}

// The same stored widths as the Excel 97-2003 writer's: w characters of the
// default font's "0" plus one and a pixel.
void TxlsxWorkbookWriter::SetColumnWidths() {
  const double z = DefaultZeroWidth();
  for (std::size_t i = 0; i < columnWidths_.size(); ++i) {
    const int w = std::clamp(columnWidths_[i], 0, kMaxColumnWidth);
    const double stored = w + 1 + 1 / z;
    const double given = (std::round(stored * kLxwDigitPixels) - kLxwPaddingPixels) / kLxwDigitPixels;
    const auto column = static_cast<lxw_col_t>(startCol_ + i);
    const std::uint16_t xf = ColumnFormat(i);
    Check(worksheet_set_column(sheet_, column, column, std::max(given, 0.0),
                               xf == kDefaultXfIndex ? nullptr : FormatOf(xf)),
          TrNoop("a column width"));
  }
}

void TxlsxWorkbookWriter::PatchColumnWidths() {
  RequireSheet();
  SetColumnWidths();
}

lxw_format* TxlsxWorkbookWriter::MakeFormat(const TxlsXFormat* entry) {
  lxw_format* format = workbook_add_format(workbook_);
  if (format == nullptr) throw TabrinError(Tr("There is not enough memory for a cell format"));
  ApplyFont(format, entry != nullptr && entry->Font != nullptr ? *entry->Font : TxlsFont());
  if (entry == nullptr) return format;
  if (entry->NumberFormat != nullptr && entry->NumberFormat->Text != "General") {
    format_set_num_format(format, entry->NumberFormat->Text.c_str());
  }
  ApplyBorders(format, entry->Borders);
  ApplyFill(format, entry->Fill);
  ApplyAlignment(format, entry->Alignment, entry->Wrap);
  return format;
}

// The default cell format (15) too gets a format of its own: the workbook's
// default font is Arial 10 here as in the Excel 97-2003 files, not the
// library's Calibri 11.
lxw_format* TxlsxWorkbookWriter::FormatOf(std::uint16_t xf) {
  if (xf >= cellFormats_.size()) cellFormats_.resize(xf + std::size_t{1}, nullptr);
  lxw_format*& format = cellFormats_[xf];
  if (format == nullptr) format = MakeFormat(xf == kDefaultXfIndex ? nullptr : formats_->CellFormats.GetByIndex(xf));
  return format;
}

void TxlsxWorkbookWriter::WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t xf) {
  RequireSheet();
  const std::string text(utf8);
  Check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), text.c_str(),
                               FormatOf(xf)),
        TrNoop("a text cell"));
}

void TxlsxWorkbookWriter::WriteNumber(int row, int col, double value, std::uint16_t xf) {
  RequireSheet();
  Check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), value, FormatOf(xf)),
        TrNoop("a number cell"));
}

void TxlsxWorkbookWriter::WriteBoolean(int row, int col, bool value, std::uint16_t xf) {
  RequireSheet();
  Check(worksheet_write_boolean(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), value ? 1 : 0,
                                FormatOf(xf)),
        TrNoop("a Boolean cell"));
}

void TxlsxWorkbookWriter::WriteBlank(int row, int col, std::uint16_t xf) {
  RequireSheet();
  // A blank cell in the default format shows nothing and needs no record.
  if (xf == kDefaultXfIndex) return;
  Check(worksheet_write_blank(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), FormatOf(xf)),
        TrNoop("a blank cell"));
}

void TxlsxWorkbookWriter::WriteAggregateFormula(int row, int col, std::uint16_t xf, TxlsAggregate aggregate,
                                                int firstRow, int lastRow) {
  RequireSheet();
  const char* function = aggregate == aggSum ? "SUM" : aggregate == aggAvg ? "AVERAGE"
                       : aggregate == aggMin ? "MIN" : aggregate == aggMax ? "MAX" : "COUNT";
  const std::string column = ColumnName(col);
  const std::string formula = std::string("=") + function + "(" + column + std::to_string(firstRow + 1) + ":" +
                              column + std::to_string(std::max(firstRow, lastRow) + 1) + ")";
  Check(worksheet_write_formula(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), formula.c_str(),
                                FormatOf(xf)),
        TrNoop("a formula"));
}

void TxlsxWorkbookWriter::MeasureCellWidth(std::string_view utf8, std::uint16_t xf, int column) {
  RequireSheet();
  if (column < 0 || static_cast<std::size_t>(column) >= columnWidths_.size()) return;
  const TxlsFont* own = formats_->FontOf(xf);
  const TxlsFont font = own != nullptr ? *own : TxlsFont();
  std::string text(utf8);
  text += 'I';
  const int t = TxlsTextMeasurer::Shared().TextWidth(font, std::string_view(text));
  const int z = DefaultZeroWidth();
  const int characters = (t + z - 1) / z;
  int& entry = columnWidths_[static_cast<std::size_t>(column)];
  if (characters > entry) entry = characters;
}

// Rows take the height of their tallest font by themselves in these files.
void TxlsxWorkbookWriter::MeasureRowHeight(std::uint16_t, int) { RequireSheet(); }

void TxlsxWorkbookWriter::EndSheet(const TxlsSheetTail& tail) {
  RequireSheet();
  if (!tail.Hyperlinks.empty()) Unsupported(sheetTitle_, Tr("hyperlinks"));
  if (!tail.Notes.empty()) Unsupported(sheetTitle_, Tr("notes"));
  if (!tail.Images.empty()) Unsupported(sheetTitle_, Tr("images"));
  // Extra cells and merged ranges count rows and columns from 1; 0 means unset.
  for (const TxlsResolvedCell& resolved : tail.Cells) {
    const TxlsCell* cell = resolved.Cell;
    if (cell == nullptr || cell->Row == 0 || cell->Col == 0) continue;
    const int row = cell->Row - 1, col = cell->Col - 1;
    switch (cell->CellType) {
      case ctBoolean: WriteBoolean(row, col, detail::ValueBoolean(cell->Value), resolved.XfIndex); break;
      case ctDateTime:
      case ctNumeric:
        WriteNumber(row, col, detail::ValueNumber(cell->Value, cell->CellType == ctDateTime), resolved.XfIndex);
        break;
      case ctString: {
        const std::string text = detail::ValueText(cell->Value);
        if (text.empty()) {
          WriteBlank(row, col, resolved.XfIndex);
        } else {
          WriteLabelSst(row, col, text, resolved.XfIndex);
        }
        break;
      }
    }
  }
  for (const TxlsMergedCells& range : tail.MergedCells) {
    if (!range.IsValid()) continue;
    Check(worksheet_merge_range(sheet_, static_cast<lxw_row_t>(range.FirstRow - 1),
                                static_cast<lxw_col_t>(range.FirstCol - 1), static_cast<lxw_row_t>(range.LastRow - 1),
                                static_cast<lxw_col_t>(range.LastCol - 1), "", nullptr),
          TrNoop("merged cells"));
  }
  sheet_ = nullptr;
}

}  // namespace tabrin
