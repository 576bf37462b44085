#include "xls/biff8/biff_record.h"

#include <algorithm>
#include <cstring>

#include "text/error.h"

namespace tabrin {

void WriteChecked(TxlsStream& stream, const void* data, std::size_t count) {
  if (stream.Write(data, count) != count) throw TabrinError(kWriteErrorMessage);
}

void WriteU16Checked(TxlsStream& stream, std::uint16_t value) {
  std::uint8_t bytes[2];
  PutU16(bytes, value);
  WriteChecked(stream, bytes, 2);
}

TbiffRecord::TbiffRecord(std::uint16_t id, std::uint16_t dataSize) : id_(id), data_(dataSize, 0) {}

TbiffRecord::TbiffRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : id_(id), data_(std::move(data)) {}

void TbiffRecord::SaveToStream(TxlsStream& stream) const {
  const std::size_t size = GetDataSize();
  WriteU16Checked(stream, id_);
  std::size_t chunk = std::min(size, biff::kRecordObjectSplit);
  WriteU16Checked(stream, static_cast<std::uint16_t>(chunk));
  if (chunk == 0) return;
  WriteChecked(stream, data_.data(), chunk);
  std::size_t done = chunk;
  while (done < size) {
    chunk = std::min(size - done, biff::kRecordObjectSplit);
    WriteU16Checked(stream, biff::kContinue);
    WriteU16Checked(stream, static_cast<std::uint16_t>(chunk));
    WriteChecked(stream, data_.data() + done, chunk);
    done += chunk;
  }
}

void TbiffRecord::ClearData() { std::fill(data_.begin(), data_.end(), 0); }

namespace {
void PutUtf16(std::uint8_t* at, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) PutU16(at + 2 * i, text[i]);
}
}  // namespace

TbiffFont::TbiffFont(std::u16string_view name)
    : TbiffRecord(biff::kFont, static_cast<std::uint16_t>(16 + 2 * name.size())) {
  PutU8(Data() + 14, static_cast<std::uint8_t>(name.size()));
  PutU8(Data() + 15, 1);
  PutUtf16(Data() + 16, name);
}

TbiffFormat::TbiffFormat(std::uint16_t formatIndex, std::u16string_view text)
    : TbiffRecord(biff::kFormat, static_cast<std::uint16_t>(5 + 2 * text.size())) {
  PutU16(Data(), formatIndex);
  PutU16(Data() + 2, static_cast<std::uint16_t>(text.size()));
  PutU8(Data() + 4, 1);
  PutUtf16(Data() + 5, text);
}

TbiffXF::TbiffXF() : TbiffRecord(biff::kXf, 20) {}

TbiffStyle::TbiffStyle(std::uint32_t body) : TbiffRecord(biff::kStyle, 4) { PutU32(Data(), body); }

TbiffBoundSheet::TbiffBoundSheet(std::u16string_view title)
    : TbiffRecord(biff::kBoundSheet, static_cast<std::uint16_t>(8 + 2 * title.size())) {
  PutU8(Data() + 6, static_cast<std::uint8_t>(title.size()));
  PutU8(Data() + 7, 1);
  PutUtf16(Data() + 8, title);
}

TbiffCountry::TbiffCountry(std::uint16_t defaultCountry, std::uint16_t systemCountry)
    : TbiffRecord(biff::kCountry, 4) {
  PutU16(Data(), defaultCountry);
  PutU16(Data() + 2, systemCountry);
}

TbiffSupbookInternal::TbiffSupbookInternal(std::uint16_t sheetCount) : TbiffRecord(biff::kSupBook, 4) {
  PutU16(Data(), sheetCount);
  PutU16(Data() + 2, 0x0401);
}

TbiffExternSheet::TbiffExternSheet(std::uint16_t sheetCount)
    : TbiffRecord(biff::kExternSheet, static_cast<std::uint16_t>(2 + 6 * sheetCount)) {
  PutU16(Data(), sheetCount);
  for (std::uint16_t i = 0; i < sheetCount; ++i) {
    PutU16(Data() + 2 + 6 * i, 0);
    PutU16(Data() + 4 + 6 * i, i);
    PutU16(Data() + 6 + 6 * i, i);
  }
}

TbiffMSODrawingGroup::TbiffMSODrawingGroup(std::vector<std::uint8_t> drawingGroup)
    : TbiffRecord(biff::kMsoDrawingGroup, std::move(drawingGroup)) {}

}  // namespace tabrin
