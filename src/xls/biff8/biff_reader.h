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

// A record as it lies in the stream being read (the writer's records, which
// own their bytes, are TbiffRecord).  The list of its CONTINUE bodies is the
// cursor's, and lasts until the cursor reads the next record.
struct TBiffRecordView {
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
  TBiffRecordView Next();

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
  explicit TBiffBodyReader(const TBiffRecordView& record) : TBiffBodyReader(record.body, record.continues) {}

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

// The first `size` bytes of a record's data: its own body when that holds
// them (a cell record's body always holds its fields but in unusual files),
// else the same bytes gathered into `spare` across the CONTINUE records
// after it.  Raises TDamagedDocument when the record's data is shorter.
inline std::string_view LeadingBytes(const TBiffRecordView& record, std::size_t size, std::string& spare) {
  if (record.body.size() >= size) return record.body;
  spare = TBiffBodyReader(record).Bytes(size);
  return spare;
}

// Raises TDamagedDocument for a record shorter than its fields.
[[noreturn]] void RaiseRecordEndsEarly();

// BIFF8 string with a 1- or 2-byte character count and an option byte
// (rich-text runs and phonetic blocks are skipped).
std::string ReadUnicodeString(TBiffBodyReader& reader, int countBytes);
// Appends a BIFF8 shared-string-table entry (XLUnicodeRichExtendedString).
void AppendRichExtendedString(TBiffBodyReader& reader, std::string& out);

}  // namespace tabrin::detail
