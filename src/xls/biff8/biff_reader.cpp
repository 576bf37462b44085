#include "xls/biff8/biff_reader.h"

#include <bit>
#include <cstring>

#include "text/encoding.h"
#include "text/translation.h"
#include "xls/biff8/record_numbers.h"
#include "xls/cfb/compound_file_reader.h"
#include "xls/model/little_endian.h"

namespace tabrin::detail {

namespace {

void AppendUtf16Unit(std::string& out, char16_t unit, char16_t& pendingHigh) {
  if (pendingHigh != 0) {
    const char16_t high = pendingHigh;
    pendingHigh = 0;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (unit - 0xDC00));
      return;
    }
    AppendUtf8(out, 0xFFFD);
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    pendingHigh = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    AppendUtf8(out, 0xFFFD);
  } else if (unit < 0x80) {
    out += static_cast<char>(unit);
  } else {
    AppendUtf8(out, unit);
  }
}

}  // namespace

void RaiseRecordEndsEarly() { throw TDamagedDocument(Tr("a record ends before its data")); }

TBiffRecordCursor::TBiffRecordCursor(std::string_view stream, std::size_t offset) : stream_(stream), offset_(offset) {}

std::string_view TBiffRecordCursor::NextRaw(std::uint16_t& type) {
  if (stream_.size() - offset_ < 4) throw TDamagedDocument(Tr("the workbook stream ends inside a record"));
  type = GetU16(stream_.data() + offset_);
  const std::size_t length = GetU16(stream_.data() + offset_ + 2);
  if (stream_.size() - offset_ - 4 < length) throw TDamagedDocument(Tr("the workbook stream ends inside a record"));
  const std::string_view body = stream_.substr(offset_ + 4, length);
  offset_ += 4 + length;
  return body;
}

TBiffRecordView TBiffRecordCursor::Next() {
  TBiffRecordView record;
  record.body = NextRaw(record.type);
  continues_.clear();
  while (stream_.size() - offset_ >= 4 && GetU16(stream_.data() + offset_) == biff::kContinue) {
    std::uint16_t type = 0;
    continues_.push_back(NextRaw(type));
  }
  record.continues = continues_;
  return record;
}

TBiffBodyReader::TBiffBodyReader(std::string_view body, std::span<const std::string_view> continues)
    : piece_(body), rest_(continues) {}

bool TBiffBodyReader::NextPiece() {
  if (rest_.empty()) return false;
  piece_ = rest_.front();
  rest_ = rest_.subspan(1);
  at_ = 0;
  return true;
}

bool TBiffBodyReader::AtEnd() const {
  if (at_ < piece_.size()) return false;
  for (const std::string_view piece : rest_) {
    if (!piece.empty()) return false;
  }
  return true;
}

std::uint8_t TBiffBodyReader::U8() {
  while (at_ >= piece_.size()) {
    if (!NextPiece()) RaiseRecordEndsEarly();
  }
  return static_cast<std::uint8_t>(piece_[at_++]);
}

std::uint16_t TBiffBodyReader::U16() {
  if (piece_.size() - at_ >= 2) {
    const std::uint16_t value = GetU16(piece_.data() + at_);
    at_ += 2;
    return value;
  }
  const std::uint16_t low = U8();
  return static_cast<std::uint16_t>(low | U8() << 8);
}

std::uint32_t TBiffBodyReader::U32() {
  const std::uint32_t low = U16();
  return low | static_cast<std::uint32_t>(U16()) << 16;
}

double TBiffBodyReader::F64() {
  std::uint64_t bits = U32();
  bits |= static_cast<std::uint64_t>(U32()) << 32;
  return std::bit_cast<double>(bits);
}

void TBiffBodyReader::Skip(std::size_t count) {
  while (count > 0) {
    while (at_ >= piece_.size()) {
      if (!NextPiece()) RaiseRecordEndsEarly();
    }
    const std::size_t step = std::min(count, piece_.size() - at_);
    at_ += step;
    count -= step;
  }
}

std::string TBiffBodyReader::Bytes(std::size_t count) {
  std::string out;
  while (out.size() < count) {
    while (at_ >= piece_.size()) {
      if (!NextPiece()) RaiseRecordEndsEarly();
    }
    const std::size_t step = std::min(count - out.size(), piece_.size() - at_);
    out.append(piece_.substr(at_, step));
    at_ += step;
  }
  return out;
}

void TBiffBodyReader::AppendUnicodeChars(std::string& out, std::size_t count, bool highByte) {
  char16_t pendingHigh = 0;
  while (count > 0) {
    if (at_ >= piece_.size()) {
      if (!NextPiece()) RaiseRecordEndsEarly();
      // A text split over records: the continuation restates its width.
      highByte = (U8() & 0x01) != 0;
      continue;
    }
    const std::size_t width = highByte ? 2 : 1;
    const std::size_t available = std::min(count, (piece_.size() - at_) / width);
    if (available == 0) RaiseRecordEndsEarly();  // half a character at the end of a record
    const char* data = piece_.data() + at_;
    if (highByte) {
      for (std::size_t i = 0; i < available; ++i) {
        const auto unit = static_cast<char16_t>(GetU16(data + 2 * i));
        if (pendingHigh != 0 || (unit >= 0xD800 && unit <= 0xDFFF)) {
          AppendUtf16Unit(out, unit, pendingHigh);
        } else if (unit < 0x80) {
          out += static_cast<char>(unit);
        } else if (unit < 0x800) {
          const char bytes[2] = {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
          out.append(bytes, 2);
        } else {
          // Most texts of these workbooks: Chinese characters, three bytes each.
          const char bytes[3] = {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | ((unit >> 6) & 0x3F)),
                                 static_cast<char>(0x80 | (unit & 0x3F))};
          out.append(bytes, 3);
        }
      }
    } else {
      // Compressed characters are UTF-16 units whose high byte is zero.
      for (std::size_t i = 0; i < available; ++i) {
        const auto unit = static_cast<unsigned char>(data[i]);
        if (unit < 0x80) {
          out += static_cast<char>(unit);
        } else {
          AppendUtf16Unit(out, unit, pendingHigh);
        }
      }
    }
    at_ += available * width;
    count -= available;
  }
  if (pendingHigh != 0) AppendUtf8(out, 0xFFFD);
}

std::string ReadUnicodeString(TBiffBodyReader& reader, int countBytes) {
  const std::size_t count = countBytes == 1 ? reader.U8() : reader.U16();
  const std::uint8_t options = reader.U8();
  const bool rich = (options & 0x08) != 0;
  const bool phonetic = (options & 0x04) != 0;
  const std::size_t runs = rich ? reader.U16() : 0;
  const std::size_t phoneticBytes = phonetic ? reader.U32() : 0;
  std::string out;
  reader.AppendUnicodeChars(out, count, (options & 0x01) != 0);
  reader.Skip(4 * runs);
  reader.Skip(phoneticBytes);
  return out;
}

void AppendRichExtendedString(TBiffBodyReader& reader, std::string& out) {
  const std::size_t count = reader.U16();
  const std::uint8_t options = reader.U8();
  const std::size_t runs = (options & 0x08) != 0 ? reader.U16() : 0;
  const std::size_t phoneticBytes = (options & 0x04) != 0 ? reader.U32() : 0;
  reader.AppendUnicodeChars(out, count, (options & 0x01) != 0);
  reader.Skip(4 * runs);
  reader.Skip(phoneticBytes);
}

}  // namespace tabrin::detail
