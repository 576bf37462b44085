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
#include "xls/cfb/compound_file_format.h"
#include "xls/model/little_endian.h"

namespace tabrin {
namespace {

constexpr std::uint32_t kSectorShift = 9;
constexpr std::uint32_t kSectorSize = 1u << kSectorShift;
constexpr std::uint32_t kMiniSectorSize = 1u << cfb::kMiniSectorShift;
constexpr std::uint32_t kEntriesPerFatSector = kSectorSize / 4;
constexpr std::uint32_t kDifatEntriesPerSector = kEntriesPerFatSector - 1;

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
  l.mini = streamSize > 0 && streamSize < cfb::kMiniStreamCutoff;
  if (l.mini) {
    l.miniSectors = static_cast<std::uint32_t>(CeilDiv(streamSize, kMiniSectorSize));
    l.miniFatSectors = static_cast<std::uint32_t>(CeilDiv(l.miniSectors * 4ull, kSectorSize));
    l.dataSectors = static_cast<std::uint32_t>(CeilDiv(std::uint64_t{l.miniSectors} * kMiniSectorSize, kSectorSize));
  } else {
    l.dataSectors = static_cast<std::uint32_t>(CeilDiv(streamSize, kSectorSize));
  }
  // The FAT covers every sector, its own and the DIFAT's included.
  for (;;) {
    const std::uint32_t fat = static_cast<std::uint32_t>(CeilDiv(l.Total(), kEntriesPerFatSector));
    const std::uint32_t difat =
        fat > cfb::kHeaderDifatEntries
            ? static_cast<std::uint32_t>(CeilDiv(fat - cfb::kHeaderDifatEntries, kDifatEntriesPerSector))
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

using TEntryBytes = std::array<std::uint8_t, cfb::kEntrySize>;

TEntryBytes DirectoryEntry(std::u16string_view name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                           std::uint64_t size) {
  TEntryBytes e{};
  for (std::size_t i = 0; i < name.size(); ++i) PutU16(e.data() + 2 * i, name[i]);
  PutU16(e.data() + cfb::kEntryNameLengthAt, static_cast<std::uint16_t>(2 * (name.size() + 1)));
  e[cfb::kEntryTypeAt] = type;
  e[cfb::kEntryColourAt] = 1;  // black
  PutU32(e.data() + cfb::kEntryLeftAt, cfb::kNoEntry);
  PutU32(e.data() + cfb::kEntryRightAt, cfb::kNoEntry);
  PutU32(e.data() + cfb::kEntryChildAt, child);
  PutU32(e.data() + cfb::kEntryStartAt, start);
  PutU32(e.data() + cfb::kEntrySizeAt, static_cast<std::uint32_t>(size));
  PutU32(e.data() + cfb::kEntrySizeAt + 4, static_cast<std::uint32_t>(size >> 32));
  return e;
}

TEntryBytes UnusedEntry() {
  TEntryBytes e{};
  PutU32(e.data() + cfb::kEntryLeftAt, cfb::kNoEntry);
  PutU32(e.data() + cfb::kEntryRightAt, cfb::kNoEntry);
  PutU32(e.data() + cfb::kEntryChildAt, cfb::kNoEntry);
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
  std::array<std::uint8_t, cfb::kHeaderSize> header{};
  std::memcpy(header.data(), cfb::kSignature.data(), cfb::kSignature.size());
  PutU16(header.data() + cfb::kMinorVersionAt, 0x003E);
  PutU16(header.data() + cfb::kMajorVersionAt, 0x0003);
  PutU16(header.data() + cfb::kByteOrderAt, 0xFFFE);  // little-endian
  PutU16(header.data() + cfb::kSectorShiftAt, kSectorShift);
  PutU16(header.data() + cfb::kMiniSectorShiftAt, cfb::kMiniSectorShift);
  PutU32(header.data() + cfb::kFatSectorCountAt, l.fatSectors);
  PutU32(header.data() + cfb::kFirstDirectorySectorAt, l.Directory());
  PutU32(header.data() + cfb::kMiniStreamCutoffAt, cfb::kMiniStreamCutoff);
  PutU32(header.data() + cfb::kFirstMiniFatSectorAt, l.miniFatSectors ? l.FirstMiniFat() : cfb::kEndOfChain);
  PutU32(header.data() + cfb::kMiniFatSectorCountAt, l.miniFatSectors);
  PutU32(header.data() + cfb::kFirstDifatSectorAt, l.difatSectors ? l.FirstDifat() : cfb::kEndOfChain);
  PutU32(header.data() + cfb::kDifatSectorCountAt, l.difatSectors);
  for (std::uint32_t i = 0; i < cfb::kHeaderDifatEntries; ++i) {
    PutU32(header.data() + cfb::kHeaderDifatAt + 4 * i, i < l.fatSectors ? i : cfb::kFreeSector);
  }
  out.Put(header.data(), header.size());

  // FAT: one entry per sector, chains for directory, mini FAT and data.
  auto chain = [&](std::uint32_t first, std::uint32_t count, std::uint32_t sector) {
    return sector + 1 < first + count ? sector + 1 : cfb::kEndOfChain;
  };
  const std::uint32_t fatEntries = l.fatSectors * kEntriesPerFatSector;
  for (std::uint32_t s = 0; s < fatEntries; ++s) {
    std::uint32_t v = cfb::kFreeSector;
    if (s < l.fatSectors) v = cfb::kFatSector;
    else if (s < l.Directory()) v = cfb::kDifatSector;
    else if (s == l.Directory()) v = cfb::kEndOfChain;
    else if (s < l.FirstData()) v = chain(l.FirstMiniFat(), l.miniFatSectors, s);
    else if (s < l.Total()) v = chain(l.FirstData(), l.dataSectors, s);
    out.PutU32(v);
  }

  // DIFAT sectors: the FAT sectors beyond the header's 109, 127 per sector,
  // each sector ending with the next DIFAT sector.
  for (std::uint32_t d = 0; d < l.difatSectors; ++d) {
    for (std::uint32_t i = 0; i < kDifatEntriesPerSector; ++i) {
      const std::uint64_t fat = cfb::kHeaderDifatEntries + static_cast<std::uint64_t>(d) * kDifatEntriesPerSector + i;
      out.PutU32(fat < l.fatSectors ? static_cast<std::uint32_t>(fat) : cfb::kFreeSector);
    }
    out.PutU32(d + 1 < l.difatSectors ? l.FirstDifat() + d + 1 : cfb::kEndOfChain);
  }

  // Directory: root, "Workbook", two unused entries.
  const std::uint32_t streamStart = size == 0 ? cfb::kEndOfChain : (l.mini ? 0 : l.FirstData());
  const std::uint32_t rootStart = l.mini ? l.FirstData() : cfb::kEndOfChain;
  const std::uint64_t rootSize = l.mini ? static_cast<std::uint64_t>(l.miniSectors) * kMiniSectorSize : 0;
  const auto root = DirectoryEntry(u"Root Entry", cfb::kRootEntry, 1, rootStart, rootSize);
  const auto stream = DirectoryEntry(u"Workbook", cfb::kStreamEntry, cfb::kNoEntry, streamStart, size);
  const auto unused = UnusedEntry();
  out.Put(root.data(), root.size());
  out.Put(stream.data(), stream.size());
  out.Put(unused.data(), unused.size());
  out.Put(unused.data(), unused.size());

  // Mini FAT: one chain over the stream's mini sectors.
  for (std::uint32_t i = 0; i < l.miniFatSectors * kEntriesPerFatSector; ++i) {
    out.PutU32(i < l.miniSectors ? (i + 1 < l.miniSectors ? i + 1 : cfb::kEndOfChain) : cfb::kFreeSector);
  }

  // The stream itself (or the mini stream, which holds just it), padded.
  workbook.ForEachBlock([&](const std::uint8_t* p, std::size_t n) { out.Put(p, n); });
  out.PadToSector(size);
  out.Finish();
}

}  // namespace tabrin
