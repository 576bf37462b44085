#pragma once
// The fixed numbers of the Compound File Binary format, the container of
// Excel 97-2003 workbooks: what our reader expects and our writer writes.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tabrin::cfb {

// Every compound file begins with these bytes.
inline constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// The header, and where its fields lie in it.
inline constexpr std::size_t kHeaderSize = 512;
inline constexpr std::size_t kMinorVersionAt = 0x18;
inline constexpr std::size_t kMajorVersionAt = 0x1A;
inline constexpr std::size_t kByteOrderAt = 0x1C;
inline constexpr std::size_t kSectorShiftAt = 0x1E;
inline constexpr std::size_t kMiniSectorShiftAt = 0x20;
inline constexpr std::size_t kFatSectorCountAt = 0x2C;
inline constexpr std::size_t kFirstDirectorySectorAt = 0x30;
inline constexpr std::size_t kMiniStreamCutoffAt = 0x38;
inline constexpr std::size_t kFirstMiniFatSectorAt = 0x3C;
inline constexpr std::size_t kMiniFatSectorCountAt = 0x40;
inline constexpr std::size_t kFirstDifatSectorAt = 0x44;
inline constexpr std::size_t kDifatSectorCountAt = 0x48;
// The first allocation-table sector numbers stand in the header itself.
inline constexpr std::size_t kHeaderDifatAt = 0x4C;
inline constexpr std::size_t kHeaderDifatEntries = 109;

// Mini sectors hold the streams shorter than the cutoff.
inline constexpr unsigned kMiniSectorShift = 6;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;

// Sector numbers that stand for no sector.
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;

// A directory entry, and where its fields lie in it.
inline constexpr std::size_t kEntrySize = 128;
inline constexpr std::size_t kEntryNameBytes = 64;
inline constexpr std::size_t kEntryNameLengthAt = 0x40;
inline constexpr std::size_t kEntryTypeAt = 0x42;
inline constexpr std::size_t kEntryColourAt = 0x43;
inline constexpr std::size_t kEntryLeftAt = 0x44;
inline constexpr std::size_t kEntryRightAt = 0x48;
inline constexpr std::size_t kEntryChildAt = 0x4C;
inline constexpr std::size_t kEntryStartAt = 0x74;
inline constexpr std::size_t kEntrySizeAt = 0x78;
inline constexpr std::uint8_t kStreamEntry = 2;
inline constexpr std::uint8_t kRootEntry = 5;
// An entry number that stands for no entry.
inline constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;

}  // namespace tabrin::cfb
