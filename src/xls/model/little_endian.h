#pragma once
// Little-endian numbers in a block of bytes: how the compound-file container,
// BIFF records and the packed cells of a sheet store theirs.  The loads take
// any byte pointer (a string_view's data included); the caller checks the
// bounds.
#include <bit>
#include <cstdint>
#include <cstring>

namespace tabrin {

inline std::uint16_t GetU16(const void* at) {
  const auto* bytes = static_cast<const unsigned char*>(at);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

inline std::uint32_t GetU32(const void* at) {
  const auto* bytes = static_cast<const unsigned char*>(at);
  return static_cast<std::uint32_t>(GetU16(bytes)) | static_cast<std::uint32_t>(GetU16(bytes + 2)) << 16;
}

inline std::uint64_t GetU64(const void* at) {
  const auto* bytes = static_cast<const unsigned char*>(at);
  return static_cast<std::uint64_t>(GetU32(bytes)) | static_cast<std::uint64_t>(GetU32(bytes + 4)) << 32;
}

inline double GetF64(const void* at) { return std::bit_cast<double>(GetU64(at)); }

inline void PutU8(std::uint8_t* at, std::uint8_t v) { at[0] = v; }
inline void PutU16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* at, std::uint32_t v) {
  PutU16(at, static_cast<std::uint16_t>(v));
  PutU16(at + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void PutDouble(std::uint8_t* at, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  PutU32(at, static_cast<std::uint32_t>(bits));
  PutU32(at + 4, static_cast<std::uint32_t>(bits >> 32));
}

}  // namespace tabrin
