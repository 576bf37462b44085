// The writer object: opening and closing the output, the record buffer and
// the direct record writes.  The records themselves are written in
// globals_prologue.cpp, globals_tail.cpp, sheet_head.cpp, sheet_cells.cpp
// and sheet_tail.cpp.
#include "xls/biff8/workbook_writer.h"

#include <algorithm>
#include <cstring>

#include "text/error.h"
#include "text/translation.h"
#include "xls/biff8/biff_record.h"
#include "xls/model/text_measure.h"

namespace tabrin {

TxlsWorkbookWriter::TxlsWorkbookWriter() = default;

TxlsWorkbookWriter::~TxlsWorkbookWriter() = default;  // an unfinished output is discarded

void TxlsWorkbookWriter::CreateWorkbookFile(const std::string& fileName, TOutputSinkFactory sinkFactory) {
  if (IsOpen()) throw TabrinError(Tr("The workbook output is already open"));
  auto file = std::make_unique<TWorkbookFile>(fileName, std::move(sinkFactory));
  formats_ = std::make_unique<TxlsFormatRegistry>();
  sst_ = std::make_unique<TsstStrings>();
  sheets_ = std::make_unique<TxlsBoundSheetList>();
  columnWidths_.clear();
  rowHeights_.clear();
  pictureStore_.Clear();
  drawings_.clear();
  drawingCount_ = 0;
  buffer_.assign(4 + biff::kMaxRecordBody, 0);
  insertionPoint_ = 0;
  firstColInfoPosition_ = 0;
  colInfoCount_ = 0;
  workbookBegun_ = false;
  finished_ = false;
  sheetOpen_ = false;
  file_ = std::move(file);
}

void TxlsWorkbookWriter::CloseWorkbookFile() {
  if (!IsOpen()) return;
  std::unique_ptr<TWorkbookFile> file = std::move(file_);
  const bool complete = finished_;
  buffer_.clear();
  buffer_.shrink_to_fit();
  sst_.reset();
  sheets_.reset();
  formats_.reset();
  columnWidths_.clear();
  rowHeights_.clear();
  pictureStore_.Clear();
  drawings_.clear();
  drawingCount_ = 0;
  if (complete) {
    file->Commit();
  } else {
    file->Discard();
  }
}

void TxlsWorkbookWriter::RequireOpen() const {
  if (!IsOpen()) throw TabrinError(Tr("The workbook output is not open"));
}

TxlsMemoryStream& TxlsWorkbookWriter::Stream() {
  RequireOpen();
  ResolveQueuedStrings();
  return file_->Stream();
}

void TxlsWorkbookWriter::ResolveQueuedStrings() {
  if (sst_ == nullptr || !sst_->HasQueued()) return;
  TxlsMemoryStream& stream = file_->Stream();
  sst_->ResolveQueued([&](std::uint64_t indexPosition, std::uint32_t index) {
    std::uint8_t bytes[4];
    PutU32(bytes, index);
    stream.Overwrite(indexPosition, bytes, sizeof bytes);
  });
}

std::uint8_t* TxlsWorkbookWriter::ClearBuffer(std::size_t length, std::uint8_t fill) {
  RequireOpen();
  std::memset(Buffer(), fill, std::min(length, biff::kMaxRecordBody));
  return Buffer();
}

void TxlsWorkbookWriter::WriteRecord(std::uint16_t id, std::uint16_t length) {
  RequireOpen();
  if (length > biff::kMaxRecordBody) throw TabrinError(kWriteErrorMessage);
  // Header and body go out in one write, in front of the body in the buffer.
  PutU16(buffer_.data(), id);
  PutU16(buffer_.data() + 2, length);
  WriteChecked(file_->Stream(), buffer_.data(), 4u + length);
}

void TxlsWorkbookWriter::WriteWordRecord(std::uint16_t id, std::uint16_t value) {
  RequireOpen();
  PutU16(Buffer(), value);
  WriteRecord(id, 2);
}

TxlsTextMeasurer& TxlsWorkbookWriter::Measurer() {
  return measurer_ != nullptr ? *measurer_ : TxlsTextMeasurer::Shared();
}

int TxlsWorkbookWriter::DefaultZeroWidth() {
  if (zeroWidth_ <= 0) zeroWidth_ = std::max(1, Measurer().TextWidth(TxlsFont(), std::string_view("0")));
  return zeroWidth_;
}

}  // namespace tabrin
