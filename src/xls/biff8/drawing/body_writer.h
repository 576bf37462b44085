#pragma once
// Writes a record body front to back into memory the caller provides (the
// writer's record buffer, cleared to the body's length).
//
//   TBodyWriter body(writer.ClearBuffer(length));
//   body.U16(row); body.Utf16(text); ...
//   writer.WriteRecord(id, static_cast<std::uint16_t>(body.Size()));
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "xls/biff8/biff_record.h"

namespace tabrin {

class TBodyWriter {
 public:
  explicit TBodyWriter(std::uint8_t* at) : start_(at), at_(at) {}
  void U8(std::uint8_t v) { *Take(1) = v; }
  void U16(std::uint16_t v) { PutU16(Take(2), v); }
  void U32(std::uint32_t v) { PutU32(Take(4), v); }
  void Bytes(const void* data, std::size_t n) { std::memcpy(Take(n), data, n); }
  void Zeros(std::size_t n) { std::memset(Take(n), 0, n); }
  void Utf16(std::u16string_view text) {
    for (char16_t c : text) U16(c);
  }
  std::size_t Size() const { return static_cast<std::size_t>(at_ - start_); }

 private:
  std::uint8_t* Take(std::size_t n) {
    std::uint8_t* here = at_;
    at_ += n;
    return here;
  }
  std::uint8_t* start_;
  std::uint8_t* at_;
};

}  // namespace tabrin
