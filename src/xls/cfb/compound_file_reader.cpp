#include "xls/cfb/compound_file_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/ascii.h"
#include "text/encoding.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/cfb/compound_file_format.h"
#include "xls/model/little_endian.h"

namespace tabrin::detail {

namespace {

[[noreturn]] void Damaged(std::string_view pattern, std::initializer_list<MessageArg> args = {}) {
  throw TDamagedDocument(FormatMessage(pattern, args));
}

}  // namespace

TLentBytes::~TLentBytes() {
  if (mapping_ != nullptr) ::munmap(mapping_, mappingSize_);
}

std::unique_ptr<TLentBytes> TMemoryBytes::Lend(std::uint64_t offset, std::size_t length) const {
  return std::make_unique<TLentBytes>(bytes_.data() + offset, length);
}

void TMemoryBytes::Read(std::uint64_t offset, std::size_t length, char* out) const {
  std::memcpy(out, bytes_.data() + offset, length);
}

TFileBytes::TFileBytes(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw TabrinError(FormatMessage(Tr("Cannot open file '%s': %s"), {path, std::strerror(errno)}));
  struct stat status {};
  if (::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode)) {
    const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
    ::close(fd_);
    throw TabrinError(FormatMessage(Tr("Cannot open file '%s': %s"), {path, std::strerror(error)}));
  }
  size_ = static_cast<std::uint64_t>(status.st_size);
}

TFileBytes::~TFileBytes() { ::close(fd_); }

void TFileBytes::Read(std::uint64_t offset, std::size_t length, char* out) const {
  while (length > 0) {
    const ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw TabrinError(FormatMessage(Tr("Cannot read file '%s': %s"),
                                      {path_, n == 0 ? Tr("it is shorter than it was") : std::strerror(errno)}));
    }
    out += n, offset += static_cast<std::uint64_t>(n), length -= static_cast<std::size_t>(n);
  }
}

std::unique_ptr<TLentBytes> TFileBytes::Lend(std::uint64_t offset, std::size_t length) const {
  // A file cut short after it was opened would fault on a mapping past its
  // end; its size is checked again first, and the bytes are copied when
  // they cannot be mapped.
  struct stat status {};
  if (length == 0 || ::fstat(fd_, &status) != 0 || static_cast<std::uint64_t>(status.st_size) < offset + length) {
    return nullptr;
  }
  const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t start = offset / page * page;
  const std::size_t mappingSize = static_cast<std::size_t>(offset - start) + length;
  void* mapping = ::mmap(nullptr, mappingSize, PROT_READ, MAP_PRIVATE, fd_, static_cast<off_t>(start));
  if (mapping == MAP_FAILED) return nullptr;
  ::madvise(mapping, mappingSize, MADV_SEQUENTIAL | MADV_WILLNEED);
  return std::make_unique<TLentBytes>(static_cast<const char*>(mapping) + (offset - start), length, mapping,
                                      mappingSize);
}

std::string TFileBytes::Head(std::size_t length) const {
  std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(length, size_)), '\0');
  Read(0, head.size(), head.data());
  return head;
}

TCompoundFileReader::TCompoundFileReader(std::string_view bytes) : memory_(bytes), bytes_(memory_) { Open(); }

TCompoundFileReader::TCompoundFileReader(const TContainerBytes& bytes) : bytes_(bytes) { Open(); }

void TCompoundFileReader::Open() {
  size_ = bytes_.Size();
  char signature[cfb::kSignature.size()] = {};
  if (size_ >= sizeof signature) bytes_.Read(0, sizeof signature, signature);
  if (size_ < sizeof signature || std::string_view(signature, sizeof signature) != cfb::kSignature) {
    throw TNotCompoundDocument(Tr("not a compound document"));
  }
  if (size_ < cfb::kHeaderSize) Damaged(Tr("the file ends inside its header"));
  header_ = std::string(cfb::kHeaderSize, '\0');
  bytes_.Read(0, cfb::kHeaderSize, header_.data());
  ReadHeader();
  ReadFat();
  ReadDirectory();
  ReadMiniFat();
}

void TCompoundFileReader::ReadHeader() {
  const std::uint16_t major = GetU16(header_.data() + cfb::kMajorVersionAt);
  sectorShift_ = GetU16(header_.data() + cfb::kSectorShiftAt);
  if (major == 3 && sectorShift_ == 9) {
    version4_ = false;
  } else if (major == 4 && sectorShift_ == 12) {
    version4_ = true;
  } else {
    Damaged(Tr("unknown container version %d with sector shift %d"), {static_cast<int>(major), static_cast<int>(sectorShift_)});
  }
  sectorSize_ = std::size_t{1} << sectorShift_;
  if (GetU16(header_.data() + cfb::kMiniSectorShiftAt) != cfb::kMiniSectorShift) Damaged(Tr("unknown mini sector size"));
  fatSectorCount_ = GetU32(header_.data() + cfb::kFatSectorCountAt);
  firstDirectorySector_ = GetU32(header_.data() + cfb::kFirstDirectorySectorAt);
  miniCutoff_ = GetU32(header_.data() + cfb::kMiniStreamCutoffAt);
  firstMiniFatSector_ = GetU32(header_.data() + cfb::kFirstMiniFatSectorAt);
  miniFatSectorCount_ = GetU32(header_.data() + cfb::kMiniFatSectorCountAt);
  firstDifatSector_ = GetU32(header_.data() + cfb::kFirstDifatSectorAt);
  difatSectorCount_ = GetU32(header_.data() + cfb::kDifatSectorCountAt);
}

std::string TCompoundFileReader::Sector(std::uint32_t index, std::size_t length) const {
  const std::uint64_t offset = (static_cast<std::uint64_t>(index) + 1) << sectorShift_;
  if (offset > size_ || size_ - offset < length) {
    Damaged(Tr("the file ends before sector %d"), {static_cast<long long>(index)});
  }
  std::string bytes(length, '\0');
  bytes_.Read(offset, length, bytes.data());
  return bytes;
}

void TCompoundFileReader::ReadFat() {
  const std::size_t sectorsInFile = static_cast<std::size_t>(size_ >> sectorShift_);
  if (fatSectorCount_ > sectorsInFile) Damaged(Tr("the allocation table claims more sectors than the file holds"));

  // The first 109 allocation-table sector numbers sit in the header, the
  // rest in a chain of DIFAT sectors whose last entry links to the next.
  std::vector<std::uint32_t> fatSectors;
  fatSectors.reserve(fatSectorCount_);
  for (std::size_t i = 0; i < cfb::kHeaderDifatEntries && fatSectors.size() < fatSectorCount_; ++i) {
    fatSectors.push_back(GetU32(header_.data() + cfb::kHeaderDifatAt + 4 * i));
  }
  const std::size_t perDifatSector = sectorSize_ / 4 - 1;
  std::uint32_t next = firstDifatSector_;
  std::vector<bool> seen(sectorsInFile + 1, false);
  while (fatSectors.size() < fatSectorCount_) {
    if (next >= sectorsInFile || seen[next]) Damaged(Tr("the list of allocation-table sectors is broken"));
    seen[next] = true;
    const std::string difat = Sector(next, sectorSize_);
    for (std::size_t i = 0; i < perDifatSector && fatSectors.size() < fatSectorCount_; ++i) {
      fatSectors.push_back(GetU32(difat.data() + 4 * i));
    }
    next = GetU32(difat.data() + 4 * perDifatSector);
  }

  const std::size_t perSector = sectorSize_ / 4;
  fat_.reserve(fatSectors.size() * perSector);
  for (const std::uint32_t sector : fatSectors) {
    const std::string entries = Sector(sector, sectorSize_);
    for (std::size_t i = 0; i < perSector; ++i) fat_.push_back(GetU32(entries.data() + 4 * i));
  }
}

std::vector<std::uint32_t> TCompoundFileReader::FollowChain(const std::vector<std::uint32_t>& table,
                                                            std::uint32_t start, std::size_t needed,
                                                            const char* what) const {
  std::vector<std::uint32_t> chain;
  std::vector<bool> seen(table.size(), false);
  std::uint32_t current = start;
  while (chain.size() < needed) {
    if (current == cfb::kEndOfChain) {
      if (needed == SIZE_MAX) break;
      Damaged(Tr("the %s is shorter than its recorded size"), {what});
    }
    if (current >= table.size()) Damaged(Tr("the %s points outside the file"), {what});
    if (seen[current]) Damaged(Tr("the sector chain of the %s runs in a loop"), {what});
    seen[current] = true;
    chain.push_back(current);
    current = table[current];
  }
  return chain;
}

std::string TCompoundFileReader::ReadRegularStream(std::uint32_t start, std::uint64_t size, const char* what) const {
  if (size > size_) Damaged(Tr("the %s is larger than the file"), {what});
  const std::size_t needed = static_cast<std::size_t>((size + sectorSize_ - 1) >> sectorShift_);
  const std::vector<std::uint32_t> chain = FollowChain(fat_, start, needed, what);
  std::string out(static_cast<std::size_t>(size), '\0');
  // Runs of consecutive sectors, the usual layout, are read at once.
  std::size_t done = 0;
  for (std::size_t i = 0; i < chain.size();) {
    std::size_t run = 1;
    while (i + run < chain.size() && chain[i + run] == chain[i] + run) ++run;
    const std::uint64_t offset = (static_cast<std::uint64_t>(chain[i]) + 1) << sectorShift_;
    const std::size_t length = std::min<std::size_t>(run << sectorShift_, out.size() - done);
    if (offset > size_ || size_ - offset < length) {
      Damaged(Tr("the file ends before sector %d"), {static_cast<long long>(chain[i] + run - 1)});
    }
    bytes_.Read(offset, length, out.data() + done);
    done += length;
    i += run;
  }
  return out;
}

void TCompoundFileReader::ReadDirectory() {
  const std::vector<std::uint32_t> chain = FollowChain(fat_, firstDirectorySector_, SIZE_MAX, Tr("directory"));
  if (chain.empty()) Damaged(Tr("the directory is missing"));
  const std::size_t perSector = sectorSize_ / cfb::kEntrySize;
  entries_.reserve(chain.size() * perSector);
  for (const std::uint32_t sector : chain) {
    const std::string block = Sector(sector, sectorSize_);
    for (std::size_t i = 0; i < perSector; ++i) {
      const std::string_view raw = std::string_view(block).substr(i * cfb::kEntrySize, cfb::kEntrySize);
      TDirectoryEntry entry;
      const std::size_t nameBytes =
          std::min<std::size_t>(GetU16(raw.data() + cfb::kEntryNameLengthAt), cfb::kEntryNameBytes);
      std::u16string name;
      for (std::size_t at = 0; at + 1 < nameBytes; at += 2) {
        const char16_t unit = GetU16(raw.data() + at);
        if (unit == 0) break;
        name += unit;
      }
      entry.name = Utf16ToUtf8(name);
      entry.type = static_cast<std::uint8_t>(raw[cfb::kEntryTypeAt]);
      entry.left = GetU32(raw.data() + cfb::kEntryLeftAt);
      entry.right = GetU32(raw.data() + cfb::kEntryRightAt);
      entry.child = GetU32(raw.data() + cfb::kEntryChildAt);
      entry.start = GetU32(raw.data() + cfb::kEntryStartAt);
      // Version 3 files keep only 32 bits of size; some writers leave
      // garbage in the high half.
      entry.size = version4_ ? GetU64(raw.data() + cfb::kEntrySizeAt) : GetU32(raw.data() + cfb::kEntrySizeAt);
      entries_.push_back(std::move(entry));
    }
  }
  if (entries_.front().type != cfb::kRootEntry) Damaged(Tr("the directory has no root entry"));
}

void TCompoundFileReader::ReadMiniFat() {
  if (miniFatSectorCount_ == 0 || firstMiniFatSector_ == cfb::kEndOfChain) return;
  if (miniFatSectorCount_ > fat_.size()) Damaged(Tr("the mini allocation table claims more sectors than the file holds"));
  const std::vector<std::uint32_t> chain = FollowChain(fat_, firstMiniFatSector_, miniFatSectorCount_, Tr("mini allocation table"));
  const std::size_t perSector = sectorSize_ / 4;
  miniFat_.reserve(chain.size() * perSector);
  for (const std::uint32_t sector : chain) {
    const std::string entries = Sector(sector, sectorSize_);
    for (std::size_t i = 0; i < perSector; ++i) miniFat_.push_back(GetU32(entries.data() + 4 * i));
  }
}

std::string TCompoundFileReader::ReadMiniStream(std::uint32_t start, std::uint64_t size) const {
  const TDirectoryEntry& root = entries_.front();
  const std::size_t miniSector = std::size_t{1} << cfb::kMiniSectorShift;
  const std::size_t needed = static_cast<std::size_t>((size + miniSector - 1) >> cfb::kMiniSectorShift);
  const std::vector<std::uint32_t> chain = FollowChain(miniFat_, start, needed, Tr("small stream"));
  // The mini stream itself is a regular stream owned by the root entry;
  // only its sectors that the chain uses are needed, but it is small.
  const std::string container = ReadRegularStream(root.start, root.size, Tr("mini stream"));
  std::string out;
  out.reserve(static_cast<std::size_t>(size));
  for (const std::uint32_t sector : chain) {
    const std::size_t offset = static_cast<std::size_t>(sector) << cfb::kMiniSectorShift;
    const std::size_t length = std::min<std::size_t>(miniSector, static_cast<std::size_t>(size) - out.size());
    if (offset > container.size() || container.size() - offset < length) {
      Damaged(Tr("a small stream points outside the mini stream"));
    }
    out.append(container, offset, length);
  }
  return out;
}

std::vector<std::uint32_t> TCompoundFileReader::RootChildren() const {
  // The children of a storage form a tree through left/right links; a
  // damaged tree may link back, so each entry is visited once.
  std::vector<std::uint32_t> children;
  std::vector<bool> seen(entries_.size(), false);
  std::vector<std::uint32_t> pending{entries_.front().child};
  while (!pending.empty()) {
    const std::uint32_t index = pending.back();
    pending.pop_back();
    if (index == cfb::kNoEntry || index >= entries_.size() || seen[index]) continue;
    seen[index] = true;
    children.push_back(index);
    pending.push_back(entries_[index].left);
    pending.push_back(entries_[index].right);
  }
  std::sort(children.begin(), children.end());
  return children;
}

std::vector<std::string> TCompoundFileReader::RootStreamNames() const {
  std::vector<std::string> names;
  for (const std::uint32_t index : RootChildren()) {
    if (entries_[index].type == cfb::kStreamEntry) names.push_back(entries_[index].name);
  }
  return names;
}

const TCompoundFileReader::TDirectoryEntry* TCompoundFileReader::FindRootStream(std::string_view name) const {
  for (const std::uint32_t index : RootChildren()) {
    const TDirectoryEntry& entry = entries_[index];
    if (entry.type == cfb::kStreamEntry && EqualNoCaseAscii(entry.name, name)) return &entry;
  }
  return nullptr;
}

std::optional<std::string> TCompoundFileReader::ReadRootStream(std::string_view name) const {
  const TDirectoryEntry* entry = FindRootStream(name);
  if (entry == nullptr) return std::nullopt;
  if (entry->size < miniCutoff_) return ReadMiniStream(entry->start, entry->size);
  return ReadRegularStream(entry->start, entry->size, Tr("stream"));
}

std::unique_ptr<TLentBytes> TCompoundFileReader::LendRootStreamPart(std::string_view name, std::uint64_t offset,
                                                                   std::size_t length) const {
  const TDirectoryEntry* entry = FindRootStream(name);
  if (entry == nullptr || entry->size < miniCutoff_ || entry->size > size_ || offset > entry->size ||
      entry->size - offset < length || length == 0) {
    return nullptr;
  }
  const std::size_t needed = static_cast<std::size_t>((offset + length + sectorSize_ - 1) >> sectorShift_);
  const std::vector<std::uint32_t> chain = FollowChain(fat_, entry->start, needed, Tr("stream"));
  const std::size_t first = static_cast<std::size_t>(offset >> sectorShift_);
  for (std::size_t i = first + 1; i < chain.size(); ++i) {
    if (chain[i] != chain[first] + (i - first)) return nullptr;
  }
  const std::uint64_t fileOffset =
      ((static_cast<std::uint64_t>(chain[first]) + 1) << sectorShift_) + (offset - (static_cast<std::uint64_t>(first) << sectorShift_));
  if (fileOffset > size_ || size_ - fileOffset < length) return nullptr;
  return bytes_.Lend(fileOffset, length);
}

std::optional<std::uint64_t> TCompoundFileReader::RootStreamSize(std::string_view name) const {
  const TDirectoryEntry* entry = FindRootStream(name);
  if (entry == nullptr) return std::nullopt;
  return entry->size;
}

void TCompoundFileReader::ReadRootStreamPart(std::string_view name, std::uint64_t offset, std::size_t length,
                                             char* out) const {
  const TDirectoryEntry* entry = FindRootStream(name);
  if (entry == nullptr || offset > entry->size || entry->size - offset < length) {
    Damaged(Tr("a part of a stream lies outside it"));
  }
  if (entry->size < miniCutoff_) {
    const std::string whole = ReadMiniStream(entry->start, entry->size);
    std::memcpy(out, whole.data() + offset, length);
    return;
  }
  if (entry->size > size_) Damaged(Tr("the stream is larger than the file"));
  const std::size_t needed = static_cast<std::size_t>((offset + length + sectorSize_ - 1) >> sectorShift_);
  const std::vector<std::uint32_t> chain = FollowChain(fat_, entry->start, needed, Tr("stream"));
  // Runs of consecutive sectors, the usual layout, are read at once.
  std::uint64_t at = offset;  // the next stream byte to copy
  const std::uint64_t end = offset + length;
  for (std::size_t i = static_cast<std::size_t>(offset >> sectorShift_); i < chain.size() && at < end;) {
    std::size_t run = 1;
    while (i + run < chain.size() && chain[i + run] == chain[i] + run) ++run;
    const std::uint64_t runStart = static_cast<std::uint64_t>(i) << sectorShift_;  // in the stream
    const std::uint64_t runEnd = std::min<std::uint64_t>(end, runStart + (static_cast<std::uint64_t>(run) << sectorShift_));
    const std::uint64_t fileOffset = ((static_cast<std::uint64_t>(chain[i]) + 1) << sectorShift_) + (at - runStart);
    const std::size_t n = static_cast<std::size_t>(runEnd - at);
    if (fileOffset > size_ || size_ - fileOffset < n) {
      Damaged(Tr("the file ends before sector %d"), {static_cast<long long>(chain[i] + run - 1)});
    }
    bytes_.Read(fileOffset, n, out + (at - offset));
    at = runEnd;
    i += run;
  }
}

}  // namespace tabrin::detail
