#include "xls/biff8/sst_strings.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "text/error.h"
#include "xls/biff8/biff_record.h"

namespace tabrin {
namespace {

constexpr std::int32_t kRecordLimit = static_cast<std::int32_t>(biff::kMaxRecordBody);
constexpr std::uint8_t kUncompressed = 0x01;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Sizes, in code units, of the pieces a text too long for one record is cut
// into: the first piece follows the 3-byte entry header at the start of a
// record, every later one the option byte at the start of a CONTINUE record.
// A piece never ends between the two halves of a surrogate pair.
std::vector<std::size_t> LongTextPieces(std::u16string_view text) {
  std::vector<std::size_t> pieces;
  std::size_t done = 0;
  std::size_t room = (kRecordLimit - 3) / 2;
  while (done < text.size()) {
    std::size_t n = std::min(room, text.size() - done);
    if (done + n < text.size() && n > 1 && IsHighSurrogate(text[done + n - 1])) --n;
    pieces.push_back(n);
    done += n;
    room = (kRecordLimit - 1) / 2;
  }
  return pieces;
}

bool FitsOneRecord(std::size_t units) { return 3 + 2 * units <= static_cast<std::size_t>(kRecordLimit); }

// Collects the table's bytes and hands them to the stream in large blocks.
class BlockWriter {
 public:
  explicit BlockWriter(TxlsStream& stream) : stream_(stream) { bytes_.reserve(kBlock + 16); }
  ~BlockWriter() = default;
  void U8(std::uint8_t v) { bytes_.push_back(v); }
  void U16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void Units(std::u16string_view text) {
    if constexpr (std::endian::native == std::endian::little) {
      const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
      bytes_.insert(bytes_.end(), p, p + 2 * text.size());
    } else {
      for (char16_t c : text) U16(c);
    }
    if (bytes_.size() >= kBlock) Drain();
  }
  void Drain() {
    if (!bytes_.empty()) WriteChecked(stream_, bytes_.data(), bytes_.size());
    bytes_.clear();
  }

 private:
  static constexpr std::size_t kBlock = 1u << 16;
  TxlsStream& stream_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

// Four code units at a time: hashing runs once per text cell.
static std::uint32_t HashUnits(std::u16string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = text.size() * kMultiplier;
  const char16_t* p = text.data();
  std::size_t left = text.size();
  for (; left >= 4; left -= 4, p += 4) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 29;
  }
  std::uint64_t last = 0;
  std::memcpy(&last, p, left * sizeof(char16_t));
  h = (h ^ last) * kMultiplier;
  h ^= h >> 32;
  return static_cast<std::uint32_t>(h);
}

std::u16string_view TsstStrings::Text(std::size_t index) const {
  const Slot& slot = entries_[index];
  return std::u16string_view(slot.units, slot.length);
}

const char16_t* TsstStrings::Store(std::u16string_view text) {
  constexpr std::size_t kBlock = kLargePageSize / sizeof(char16_t);
  if (blockUsed_ + text.size() > blockSize_) {
    blockSize_ = std::max(kBlock, text.size());
    blocks_.push_back(MakeLargeBlock<char16_t>(blockSize_));
    blockUsed_ = 0;
  }
  char16_t* at = blocks_.back().get() + blockUsed_;
  std::copy(text.begin(), text.end(), at);
  blockUsed_ += text.size();
  return at;
}

TsstString TsstStrings::Entry(std::size_t index) const {
  return TsstString{static_cast<std::int32_t>(index), std::u16string(Text(index)), entries_[index].refCount};
}

// Doubles the table.  The old table is walked front to back and each entry
// lands at (nearly) the same slot or the one half a table further on, so
// rebuilding is two sequential sweeps rather than a random write per entry.
void TsstStrings::Grow() {
  const std::size_t oldSize = tableSize_;
  TLargeBlock<std::uint64_t> old = std::move(table_);
  tableSize_ = oldSize == 0 ? 1024 : oldSize * 2;
  table_ = MakeLargeBlock<std::uint64_t>(tableSize_);
  std::fill_n(table_.get(), tableSize_, 0);
  const std::size_t mask = tableSize_ - 1;
  for (std::size_t i = 0; i < oldSize; ++i) {
    const std::uint64_t occupant = old[i];
    if (occupant == 0) continue;
    std::size_t at = static_cast<std::uint32_t>(occupant >> 32) & mask;
    while (table_[at] != 0) at = (at + 1) & mask;
    table_[at] = occupant;
  }
}

std::uint32_t TsstStrings::AddString(std::u16string_view text) { return Add(text, HashUnits(text)); }

bool TsstStrings::Queue(std::u16string_view text, std::uint64_t tag) {
  const std::uint32_t hash = HashUnits(text);
  if (tableSize_ != 0) __builtin_prefetch(&table_[hash & (tableSize_ - 1)], 1);
  queued_.push_back(Queued{queuedUnits_.size(), static_cast<std::uint32_t>(text.size()), hash, tag});
  queuedUnits_.append(text);
  return queued_.size() >= kQueueBatch;
}

std::uint32_t TsstStrings::Add(std::u16string_view text, std::uint32_t hash) {
  ++totalCount_;
  // At most three quarters full: probes stay short (the hash beside each
  // slot keeps them from touching other texts) and the table small.
  if ((entries_.size() + 1) * 4 > tableSize_ * 3) Grow();
  const std::size_t mask = tableSize_ - 1;
  std::size_t at = hash & mask;
  while (const std::uint64_t occupant = table_[at]) {
    const auto entry = static_cast<std::uint32_t>(occupant) - 1;
    if (static_cast<std::uint32_t>(occupant >> 32) == hash && Text(entry) == text) {
      ++entries_[entry].refCount;
      return entry;
    }
    at = (at + 1) & mask;
  }
  const auto index = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(Slot{Store(text), static_cast<std::uint32_t>(text.size()), 1});
  table_[at] = (static_cast<std::uint64_t>(hash) << 32) | (index + 1);
  PlanEntry(text);
  return index;
}

void TsstStrings::PlanEntry(std::u16string_view text) {
  const std::int32_t n = 3 + 2 * static_cast<std::int32_t>(text.size());
  if (fill_ + n > kRecordLimit) {
    recordLengths_.push_back(fill_);
    fill_ = 0;
  }
  if (FitsOneRecord(text.size())) {
    fill_ += n;
    return;
  }
  const std::vector<std::size_t> pieces = LongTextPieces(text);
  fill_ = 3 + 2 * static_cast<std::int32_t>(pieces.front());
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    recordLengths_.push_back(fill_);
    fill_ = 1 + 2 * static_cast<std::int32_t>(pieces[i]);
  }
}

std::uint64_t TsstStrings::StreamSize() const {
  std::uint64_t size = 0;
  for (std::int32_t length : recordLengths_) size += 4 + static_cast<std::uint64_t>(length);
  // The record still open until SaveToStream closes it.
  if (!saved_) size += 4 + static_cast<std::uint64_t>(fill_);
  return size;
}

void TsstStrings::SaveToStream(TxlsStream& stream) {
  if (!saved_) {
    recordLengths_.push_back(fill_);  // closes the last record
    saved_ = true;
  }
  BlockWriter out(stream);
  std::size_t nextLength = 0;
  auto startRecord = [&](std::uint16_t id) {
    out.U16(id);
    out.U16(static_cast<std::uint16_t>(recordLengths_.at(nextLength++)));
  };
  startRecord(biff::kSst);
  out.U32(totalCount_);
  out.U32(UniqueCount());
  std::int32_t writeFill = 8;
  for (std::size_t e = 0; e < entries_.size(); ++e) {
    const std::u16string_view text = Text(e);
    const std::int32_t n = 3 + 2 * static_cast<std::int32_t>(text.size());
    if (writeFill + n > kRecordLimit) {
      startRecord(biff::kContinue);
      writeFill = 0;
    }
    out.U16(static_cast<std::uint16_t>(text.size()));
    out.U8(kUncompressed);
    if (FitsOneRecord(text.size())) {
      out.Units(text);
      writeFill += n;
      continue;
    }
    const std::vector<std::size_t> pieces = LongTextPieces(text);
    std::size_t done = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) {
        startRecord(biff::kContinue);
        out.U8(kUncompressed);
      }
      out.Units(text.substr(done, pieces[i]));
      done += pieces[i];
      writeFill = (i == 0 ? 3 : 1) + 2 * static_cast<std::int32_t>(pieces[i]);
    }
  }
  out.Drain();
}

}  // namespace tabrin
