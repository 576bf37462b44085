// Compound File Binary format, version 3: a 512-byte header, then 512-byte
// sectors.  Our files hold one root storage with one stream, "Workbook", and
// are laid out as
//   [FAT sectors][DIFAT sectors][directory][mini FAT][stream or mini stream]
// A stream below 4096 bytes lives in the mini stream (64-byte mini sectors)
// as the format requires; larger ones occupy regular sectors.
#include "xls/cfb/compound_file_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "text/error.h"
#include "xls/biff8/biff_record.h"
#include "xls/model/little_endian.h"

namespace tabrin {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kEntriesPerFatSector = kSectorSize / 4;
constexpr std::uint32_t kHeaderDifatEntries = 109;
constexpr std::uint32_t kDifatEntriesPerSector = kEntriesPerFatSector - 1;

constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

struct Layout {
  bool mini = false;
  std::uint32_t dataSectors = 0;     // sectors of the stream or the mini stream
  std::uint32_t miniSectors = 0;     // mini sectors of the stream
  std::uint32_t miniFatSectors = 0;
  std::uint32_t fatSectors = 0;
  std::uint32_t difatSectors = 0;

  std::uint32_t FirstDifat() const { return fatSectors; }
  std::uint32_t Directory() const { return fatSectors + difatSectors; }
  std::uint32_t FirstMiniFat() const { return Directory() + 1; }
  std::uint32_t FirstData() const { return FirstMiniFat() + miniFatSectors; }
  std::uint32_t Total() const { return FirstData() + dataSectors; }
};

Layout PlanLayout(std::uint64_t streamSize) {
  Layout l;
  l.mini = streamSize > 0 && streamSize < kMiniStreamCutoff;
  if (l.mini) {
    l.miniSectors = static_cast<std::uint32_t>(CeilDiv(streamSize, kMiniSectorSize));
    l.miniFatSectors = static_cast<std::uint32_t>(CeilDiv(l.miniSectors * 4ull, kSectorSize));
    l.dataSectors = static_cast<std::uint32_t>(CeilDiv(l.miniSectors * 64ull, kSectorSize));
  } else {
    l.dataSectors = static_cast<std::uint32_t>(CeilDiv(streamSize, kSectorSize));
  }
  // The FAT covers every sector, its own and the DIFAT's included.
  for (;;) {
    const std::uint32_t fat = static_cast<std::uint32_t>(CeilDiv(l.Total(), kEntriesPerFatSector));
    const std::uint32_t difat =
        fat > kHeaderDifatEntries
            ? static_cast<std::uint32_t>(CeilDiv(fat - kHeaderDifatEntries, kDifatEntriesPerSector))
            : 0;
    if (fat == l.fatSectors && difat == l.difatSectors) break;
    l.fatSectors = std::max(fat, l.fatSectors);
    l.difatSectors = std::max(difat, l.difatSectors);
  }
  return l;
}

// Buffers sector-sized pieces and checks every write to the sink.
class SectorWriter {
 public:
  explicit SectorWriter(TOutputSink& sink) : sink_(sink) { buffer_.reserve(kBufferSize); }
  void Put(const void* data, std::size_t count) {
    if (count >= kBufferSize) {
      // Large pieces (the workbook stream's chunks) go out as they are.
      Drain();
      Send(data, count);
      return;
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (count > 0) {
      const std::size_t n = std::min(count, kBufferSize - buffer_.size());
      buffer_.insert(buffer_.end(), p, p + n);
      p += n;
      count -= n;
      if (buffer_.size() == kBufferSize) Drain();
    }
  }
  void PutU32(std::uint32_t v) {
    std::uint8_t b[4];
    tabrin::PutU32(b, v);
    Put(b, 4);
  }
  void PadToSector(std::uint64_t written) {
    const std::uint64_t rest = (kSectorSize - written % kSectorSize) % kSectorSize;
    static const std::array<std::uint8_t, kSectorSize> zeros{};
    Put(zeros.data(), static_cast<std::size_t>(rest));
  }
  void Finish() {
    Drain();
    if (!sink_.Flush()) throw TabrinError(kWriteErrorMessage);
  }

 private:
  static constexpr std::size_t kBufferSize = 1u << 16;
  void Drain() {
    if (buffer_.empty()) return;
    Send(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  void Send(const void* data, std::size_t count) {
    if (sink_.Write(data, count) != count) throw TabrinError(kWriteErrorMessage);
  }
  TOutputSink& sink_;
  std::vector<std::uint8_t> buffer_;
};

std::array<std::uint8_t, 128> DirectoryEntry(std::u16string_view name, std::uint8_t type,
                                             std::uint32_t child, std::uint32_t start,
                                             std::uint64_t size) {
  std::array<std::uint8_t, 128> e{};
  for (std::size_t i = 0; i < name.size(); ++i) PutU16(e.data() + 2 * i, name[i]);
  PutU16(e.data() + 64, static_cast<std::uint16_t>(2 * (name.size() + 1)));
  e[66] = type;
  e[67] = 1;  // black
  PutU32(e.data() + 68, kNoStream);
  PutU32(e.data() + 72, kNoStream);
  PutU32(e.data() + 76, child);
  PutU32(e.data() + 116, start);
  PutU32(e.data() + 120, static_cast<std::uint32_t>(size));
  PutU32(e.data() + 124, static_cast<std::uint32_t>(size >> 32));
  return e;
}

std::array<std::uint8_t, 128> UnusedEntry() {
  std::array<std::uint8_t, 128> e{};
  PutU32(e.data() + 68, kNoStream);
  PutU32(e.data() + 72, kNoStream);
  PutU32(e.data() + 76, kNoStream);
  return e;
}

}  // namespace

std::uint64_t CompoundFileSize(std::uint64_t streamSize) {
  return kSectorSize + static_cast<std::uint64_t>(PlanLayout(streamSize).Total()) * kSectorSize;
}

void WriteCompoundFile(const TxlsMemoryStream& workbook, TOutputSink& sink) {
  const std::uint64_t size = workbook.Size();
  const Layout l = PlanLayout(size);
  SectorWriter out(sink);

  // Header.
  std::array<std::uint8_t, kSectorSize> header{};
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(header.data(), signature, 8);
  PutU16(header.data() + 24, 0x003E);  // minor version
  PutU16(header.data() + 26, 0x0003);  // major version 3
  PutU16(header.data() + 28, 0xFFFE);  // little-endian
  PutU16(header.data() + 30, 9);       // 512-byte sectors
  PutU16(header.data() + 32, 6);       // 64-byte mini sectors
  PutU32(header.data() + 44, l.fatSectors);
  PutU32(header.data() + 48, l.Directory());
  PutU32(header.data() + 56, kMiniStreamCutoff);
  PutU32(header.data() + 60, l.miniFatSectors ? l.FirstMiniFat() : kEndOfChain);
  PutU32(header.data() + 64, l.miniFatSectors);
  PutU32(header.data() + 68, l.difatSectors ? l.FirstDifat() : kEndOfChain);
  PutU32(header.data() + 72, l.difatSectors);
  for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
    PutU32(header.data() + 76 + 4 * i, i < l.fatSectors ? i : kFreeSect);
  }
  out.Put(header.data(), header.size());

  // FAT: one entry per sector, chains for directory, mini FAT and data.
  auto chain = [&](std::uint32_t first, std::uint32_t count, std::uint32_t sector) {
    return sector + 1 < first + count ? sector + 1 : kEndOfChain;
  };
  const std::uint32_t fatEntries = l.fatSectors * kEntriesPerFatSector;
  for (std::uint32_t s = 0; s < fatEntries; ++s) {
    std::uint32_t v = kFreeSect;
    if (s < l.fatSectors) v = kFatSect;
    else if (s < l.Directory()) v = kDifSect;
    else if (s == l.Directory()) v = kEndOfChain;
    else if (s < l.FirstData()) v = chain(l.FirstMiniFat(), l.miniFatSectors, s);
    else if (s < l.Total()) v = chain(l.FirstData(), l.dataSectors, s);
    out.PutU32(v);
  }

  // DIFAT sectors: the FAT sectors beyond the header's 109, 127 per sector,
  // each sector ending with the next DIFAT sector.
  for (std::uint32_t d = 0; d < l.difatSectors; ++d) {
    for (std::uint32_t i = 0; i < kDifatEntriesPerSector; ++i) {
      const std::uint64_t fat = kHeaderDifatEntries + static_cast<std::uint64_t>(d) * kDifatEntriesPerSector + i;
      out.PutU32(fat < l.fatSectors ? static_cast<std::uint32_t>(fat) : kFreeSect);
    }
    out.PutU32(d + 1 < l.difatSectors ? l.FirstDifat() + d + 1 : kEndOfChain);
  }

  // Directory: root, "Workbook", two unused entries.
  const std::uint32_t streamStart = size == 0 ? kEndOfChain : (l.mini ? 0 : l.FirstData());
  const std::uint32_t rootStart = l.mini ? l.FirstData() : kEndOfChain;
  const std::uint64_t rootSize = l.mini ? static_cast<std::uint64_t>(l.miniSectors) * kMiniSectorSize : 0;
  const auto root = DirectoryEntry(u"Root Entry", 5, 1, rootStart, rootSize);
  const auto stream = DirectoryEntry(u"Workbook", 2, kNoStream, streamStart, size);
  const auto unused = UnusedEntry();
  out.Put(root.data(), root.size());
  out.Put(stream.data(), stream.size());
  out.Put(unused.data(), unused.size());
  out.Put(unused.data(), unused.size());

  // Mini FAT: one chain over the stream's mini sectors.
  for (std::uint32_t i = 0; i < l.miniFatSectors * kEntriesPerFatSector; ++i) {
    out.PutU32(i < l.miniSectors ? (i + 1 < l.miniSectors ? i + 1 : kEndOfChain) : kFreeSect);
  }

  // The stream itself (or the mini stream, which holds just it), padded.
  workbook.ForEachBlock([&](const std::uint8_t* p, std::size_t n) { out.Put(p, n); });
  out.PadToSector(size);
  out.Finish();
}

}  // namespace tabrin
