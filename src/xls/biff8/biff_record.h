#pragma once
// BIFF8 record output: record ids, little-endian field helpers, and the record
// objects (TbiffRecord and subclasses) that the workbook globals tail is made
// of.
//
// A record object owns its body; SaveToStream writes "id, length, body" and
// continues bodies longer than 8220 bytes in CONTINUE records.  Every write
// is checked: a short one raises TabrinError("Error writing output file").
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xls/biff8/xls_stream.h"
#include "xls/model/little_endian.h"

namespace tabrin {

inline constexpr char kWriteErrorMessage[] = "Error writing output file";

namespace biff {
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kCalcCount = 0x000C;
inline constexpr std::uint16_t kCalcMode = 0x000D;
inline constexpr std::uint16_t kPrecision = 0x000E;
inline constexpr std::uint16_t kRefMode = 0x000F;
inline constexpr std::uint16_t kDelta = 0x0010;
inline constexpr std::uint16_t kIteration = 0x0011;
inline constexpr std::uint16_t kProtect = 0x0012;
inline constexpr std::uint16_t kPassword = 0x0013;
inline constexpr std::uint16_t kHeader = 0x0014;
inline constexpr std::uint16_t kFooter = 0x0015;
inline constexpr std::uint16_t kExternSheet = 0x0017;
inline constexpr std::uint16_t kWindowProtect = 0x0019;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kSelection = 0x001D;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kPrintHeaders = 0x002A;
inline constexpr std::uint16_t kPrintGridlines = 0x002B;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kBackup = 0x0040;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kWriteAccess = 0x005C;
inline constexpr std::uint16_t kSaveRecalc = 0x005F;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kGuts = 0x0080;
inline constexpr std::uint16_t kWsBool = 0x0081;
inline constexpr std::uint16_t kGridSet = 0x0082;
inline constexpr std::uint16_t kHCenter = 0x0083;
inline constexpr std::uint16_t kVCenter = 0x0084;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kCountry = 0x008C;
inline constexpr std::uint16_t kHideObj = 0x008D;
inline constexpr std::uint16_t kPalette = 0x0092;
inline constexpr std::uint16_t kFnGroupCount = 0x009C;
inline constexpr std::uint16_t kBookBool = 0x00DA;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kMergedCells = 0x00E5;
inline constexpr std::uint16_t kBitmap = 0x00E9;
inline constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
inline constexpr std::uint16_t kMsoDrawing = 0x00EC;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kDsf = 0x0161;
inline constexpr std::uint16_t kSupBook = 0x01AE;
inline constexpr std::uint16_t kProt4Rev = 0x01AF;
inline constexpr std::uint16_t kRefreshAll = 0x01B7;
inline constexpr std::uint16_t kProt4RevPass = 0x01BC;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kDefaultRowHeight = 0x0225;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kObj = 0x005D;
inline constexpr std::uint16_t kTxo = 0x01B6;
inline constexpr std::uint16_t kHLink = 0x01B8;
inline constexpr std::uint16_t kQuickTip = 0x0800;

// Largest body of a directly written record (the record buffer's size).
inline constexpr std::size_t kMaxRecordBody = 8224;
// Record objects continue their bodies at this size.
inline constexpr std::size_t kRecordObjectSplit = 8220;
}  // namespace biff

namespace detail {
// BOF body (16 bytes) of the globals (type 0x0005) or a worksheet (0x0010).
inline void PutBofBody(std::uint8_t* body, std::uint16_t type) {
  PutU16(body + 0, 0x0600);
  PutU16(body + 2, type);
  PutU16(body + 4, 3515);
  PutU16(body + 6, 1996);
  PutU32(body + 8, 0);
  PutU32(body + 12, 0x0206);
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
