#include "xls/csv/csv_writer.h"

#include <cstring>

#include "config/file_replacement.h"
#include "text/format.h"
#include "text/translation.h"
#include "text/messages.h"
#include "text/regional.h"
#include "xls/model/date_formats.h"

namespace tabrin {

namespace {

// As many rows and columns as an Excel 2007+ sheet, which is what opens the file.
constexpr int kCsvRows = 1048576;
constexpr int kCsvColumns = 16384;
// The text goes to the file in pieces of about this size.
constexpr std::size_t kPieceBytes = std::size_t{1} << 16;

std::string Field(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

TCsvWorkbookWriter::TCsvWorkbookWriter() = default;
TCsvWorkbookWriter::~TCsvWorkbookWriter() = default;

int TCsvWorkbookWriter::MaxRows() const { return kCsvRows; }
int TCsvWorkbookWriter::MaxColumns() const { return kCsvColumns; }

void TCsvWorkbookWriter::CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory) {
  file_ = std::make_unique<TFileReplacement>(
      fileName,
      TReplacementMessages{
          [fileName](int error) { return FormatMessage(Tr("Cannot write '%s': %s"), {fileName, std::strerror(error)}); },
          [](int) { return std::string(kWriteErrorMessage); },
          [](int error) { return std::string(std::strerror(error)); }});
  text_ = "\xEF\xBB\xBF";
}

void TCsvWorkbookWriter::BeginSheet(const TxlsSheetHead&) { ++sheets_; }

void TCsvWorkbookWriter::EndSheet(const TxlsSheetTail&) {
  if (sheets_ == 1) FlushRow();
}

void TCsvWorkbookWriter::FinishWorkbook() {
  FlushRow();
  finished_ = true;
}

void TCsvWorkbookWriter::CloseWorkbookFile() {
  std::unique_ptr<TFileReplacement> file = std::move(file_);
  if (!file || !finished_) return;  // dropped: an earlier file of the name stays
  file->Write(text_);
  text_.clear();
  file->Commit();
}

void TCsvWorkbookWriter::WriteLabelSst(int row, int col, std::string_view utf8, std::uint16_t) {
  Put(row, col, std::string(utf8));
}

void TCsvWorkbookWriter::WriteNumber(int row, int col, double value, std::uint16_t xf) {
  const TRegionalFormats& regional = TRegionalFormats::System();
  const TxlsXFormat* format = formats_.CellFormats.GetByIndex(xf);
  if (format != nullptr && format->NumberFormat != nullptr && detail::IsDateFormatCode(format->NumberFormat->Text)) {
    // A sheet's day numbers count a 29 February 1900 that never was.
    Put(row, col, regional.DateTimeToText(value < 60 ? value + 1 : value));
  } else {
    Put(row, col, regional.FloatToText(value));
  }
}

void TCsvWorkbookWriter::WriteBoolean(int row, int col, bool value, std::uint16_t) {
  Put(row, col, value ? "True" : "False");
}

void TCsvWorkbookWriter::Put(int row, int col, std::string text) {
  if (sheets_ != 1 || row < 0 || col < 0) return;
  if (row != row_) {
    FlushRow();
    row_ = row;
  }
  if (static_cast<std::size_t>(col) >= cells_.size()) cells_.resize(static_cast<std::size_t>(col) + 1);
  cells_[static_cast<std::size_t>(col)] = std::move(text);
}

// Writes the gathered row after blank lines for the rows without a cell.
void TCsvWorkbookWriter::FlushRow() {
  if (row_ < 0) return;
  for (; rowsWritten_ < row_; ++rowsWritten_) text_ += "\r\n";
  for (std::size_t i = 0; i < cells_.size(); ++i) text_ += (i > 0 ? "," : "") + Field(cells_[i]);
  text_ += "\r\n";
  ++rowsWritten_;
  cells_.clear();
  row_ = -1;
  if (text_.size() >= kPieceBytes && file_) {
    file_->Write(text_);
    text_.clear();
  }
}

}  // namespace tabrin
