#pragma once
// The record level of a workbook stream (BIFF5 and BIFF8): records with the
// CONTINUE records that carry their overflow, little-endian values read with
// bounds checks, the texts of both versions and the number formats that
// make a number a date-time.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabrin::detail {

namespace biff {
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kMulBlank = 0x00BE;
constexpr std::uint16_t kRString = 0x00D6;
constexpr std::uint16_t kDbCell = 0x00D7;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kFormat = 0x041E;
constexpr std::uint16_t kBof = 0x0809;
// Beginnings of Excel 2.x, 3.0 and 4.0 streams.
constexpr std::uint16_t kBofBiff2 = 0x0009;
constexpr std::uint16_t kBofBiff3 = 0x0209;
constexpr std::uint16_t kBofBiff4 = 0x0409;

constexpr std::uint16_t kVersionBiff5 = 0x0500;
constexpr std::uint16_t kVersionBiff8 = 0x0600;
constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
}  // namespace biff

struct TBiffRecord {
  std::uint16_t type = 0;
  std::string_view body;
  // The CONTINUE records that follow it, in order.
  std::span<const std::string_view> continues;
};

// Walks the records of a stream from a given offset.  A record whose header
// or body passes the end of the stream raises TDamagedDocument.
class TBiffRecordCursor {
 public:
  TBiffRecordCursor(std::string_view stream, std::size_t offset);
  bool AtEnd() const { return offset_ >= stream_.size(); }
  std::size_t Offset() const { return offset_; }
  TBiffRecord Next();

 private:
  std::string_view NextRaw(std::uint16_t& type);

  std::string_view stream_;
  std::size_t offset_;
  std::vector<std::string_view> continues_;
};

// Reads values in order from a record body and then from its CONTINUE
// bodies.  Reading past the last byte raises TDamagedDocument.
class TBiffBodyReader {
 public:
  explicit TBiffBodyReader(std::string_view body, std::span<const std::string_view> continues = {});
  explicit TBiffBodyReader(const TBiffRecord& record) : TBiffBodyReader(record.body, record.continues) {}

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  double F64();
  void Skip(std::size_t count);
  bool AtEnd() const;

  // BIFF8 characters: count characters, one or two bytes each as highByte
  // says; when they run over into a CONTINUE record, that record starts with
  // a new option byte saying how its characters are stored.  Appends UTF-8.
  void AppendUnicodeChars(std::string& out, std::size_t count, bool highByte);
  // Raw bytes (8-bit texts of BIFF5), within the current piece or across.
  std::string Bytes(std::size_t count);

 private:
  bool NextPiece();
  std::string_view piece_;
  std::size_t at_ = 0;
  std::span<const std::string_view> rest_;
};

// BIFF8 string with a 1- or 2-byte character count and an option byte
// (rich-text runs and phonetic blocks are skipped).
std::string ReadUnicodeString(TBiffBodyReader& reader, int countBytes);
// Appends a BIFF8 shared-string-table entry (XLUnicodeRichExtendedString).
void AppendRichExtendedString(TBiffBodyReader& reader, std::string& out);

// Whether a number format shows a date, a time or both.
bool IsDateFormatCode(std::string_view code);
// The same for the formats every workbook has without a FORMAT record,
// including those a Traditional Chinese Excel shows as dates.
bool IsBuiltInDateFormat(std::uint16_t index);

}  // namespace tabrin::detail
