#pragma once
// BIFF8 record output: the record objects (TbiffRecord and subclasses) that
// the workbook globals tail is made of, and what writing any record needs:
// the record numbers (record_numbers.h) and little-endian stores
// (model/little_endian.h).
//
// A record object owns its body; SaveToStream writes "id, length, body" and
// continues bodies longer than 8220 bytes in CONTINUE records.  Every write
// is checked: a short one raises TabrinError("Error writing output file").
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xls/biff8/record_numbers.h"
#include "xls/biff8/xls_stream.h"
#include "xls/model/little_endian.h"
#include "text/messages.h"

namespace tabrin {

namespace biff {
// Largest body of a directly written record (the record buffer's size).
inline constexpr std::size_t kMaxRecordBody = 8224;
// Record objects continue their bodies at this size.
inline constexpr std::size_t kRecordObjectSplit = 8220;
}  // namespace biff

namespace detail {
// BOF body (16 bytes) of the globals (biff::kGlobalsSubstream) or a
// worksheet (biff::kWorksheetSubstream).
inline void PutBofBody(std::uint8_t* body, std::uint16_t substream) {
  PutU16(body + 0, biff::kVersionBiff8);
  PutU16(body + 2, substream);
  PutU16(body + 4, 3515);     // build
  PutU16(body + 6, 1996);     // year
  PutU32(body + 8, 0);        // file history
  PutU32(body + 12, 0x0206);  // lowest version to read the file
}
}  // namespace detail

// Writes count bytes and raises "Error writing output file" unless all went.
void WriteChecked(TxlsStream& stream, const void* data, std::size_t count);
void WriteU16Checked(TxlsStream& stream, std::uint16_t value);

class TbiffRecord {
 public:
  TbiffRecord(std::uint16_t id, std::uint16_t dataSize);
  TbiffRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  virtual ~TbiffRecord() = default;

  std::uint16_t Id() const { return id_; }
  std::uint16_t DataSize() const { return static_cast<std::uint16_t>(data_.size()); }
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }

  virtual std::size_t GetDataSize() const { return data_.size(); }
  std::size_t GetRecordSize() const { return GetDataSize() + 4; }
  // Writes the record to any stream, continued in CONTINUE records past 8220
  // body bytes.
  virtual void SaveToStream(TxlsStream& stream) const;
  void ClearData();

 protected:
  std::uint16_t id_;
  std::vector<std::uint8_t> data_;
};

class TbiffFont : public TbiffRecord {
 public:
  explicit TbiffFont(std::u16string_view name);
  void SetHeight(std::uint16_t twips) { PutU16(Data() + 0, twips); }
  void SetOptions(std::uint16_t flags) { PutU16(Data() + 2, flags); }
  void SetColorIndex(std::uint16_t index) { PutU16(Data() + 4, index); }
  void SetWeight(std::uint16_t weight) { PutU16(Data() + 6, weight); }
  void SetEscapement(std::uint16_t escapement) { PutU16(Data() + 8, escapement); }
  void SetUnderline(std::uint8_t underline) { PutU8(Data() + 10, underline); }
  void SetCharset(std::uint8_t charset) { PutU8(Data() + 12, charset); }
};

class TbiffFormat : public TbiffRecord {
 public:
  TbiffFormat(std::uint16_t formatIndex, std::u16string_view text);
};

class TbiffXF : public TbiffRecord {
 public:
  TbiffXF();
  std::uint16_t FontIndex() const { return GetU16(Data() + 0); }
  void SetFontIndex(std::uint16_t v) { PutU16(Data() + 0, v); }
  std::uint16_t FormatIndex() const { return GetU16(Data() + 2); }
  void SetFormatIndex(std::uint16_t v) { PutU16(Data() + 2, v); }
  std::uint16_t TypeProtection() const { return GetU16(Data() + 4); }
  void SetTypeProtection(std::uint16_t v) { PutU16(Data() + 4, v); }
  std::uint16_t Alignment() const { return GetU16(Data() + 6); }
  void SetAlignment(std::uint16_t v) { PutU16(Data() + 6, v); }
  std::uint16_t UsedAttributes() const { return GetU16(Data() + 8); }
  void SetUsedAttributes(std::uint16_t v) { PutU16(Data() + 8, v); }
  std::uint16_t LineStyles() const { return GetU16(Data() + 10); }
  void SetLineStyles(std::uint16_t v) { PutU16(Data() + 10, v); }
  std::uint16_t LineColors() const { return GetU16(Data() + 12); }
  void SetLineColors(std::uint16_t v) { PutU16(Data() + 12, v); }
  std::uint32_t TopBottomColors() const { return GetU32(Data() + 14); }
  void SetTopBottomColors(std::uint32_t v) { PutU32(Data() + 14, v); }
  std::uint16_t FillColors() const { return GetU16(Data() + 18); }
  void SetFillColors(std::uint16_t v) { PutU16(Data() + 18, v); }
};

class TbiffStyle : public TbiffRecord {
 public:
  explicit TbiffStyle(std::uint32_t body);
};

class TbiffBoundSheet : public TbiffRecord {
 public:
  explicit TbiffBoundSheet(std::u16string_view title);
  void SetStreamPosition(std::uint32_t position) { PutU32(Data(), position); }
};

class TbiffCountry : public TbiffRecord {
 public:
  TbiffCountry(std::uint16_t defaultCountry, std::uint16_t systemCountry);
};

class TbiffSupbookInternal : public TbiffRecord {
 public:
  explicit TbiffSupbookInternal(std::uint16_t sheetCount);
};

class TbiffExternSheet : public TbiffRecord {
 public:
  // References i = 0..count-1: SUPBOOK 0, first and last sheet i.
  explicit TbiffExternSheet(std::uint16_t sheetCount);
};

class TbiffMSODrawingGroup : public TbiffRecord {
 public:
  explicit TbiffMSODrawingGroup(std::vector<std::uint8_t> drawingGroup);
};

}  // namespace tabrin
