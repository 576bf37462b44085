#pragma once
// The workbook-wide shared string table (SST).
//
// AddString hands out the index of a text (equal texts share one entry) and
// plans, as it goes, how the entries fall into the SST record and its
// CONTINUE records (at most 8224 body bytes each; an entry that does not fit
// into what is left starts the next record whole).  SaveToStream writes the
// table in one pass.  Texts of 4111 or more UTF-16 units, which fit in no
// record, are split on character boundaries; every later piece starts a
// CONTINUE record with the option byte 0x01.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/large_block.h"
#include "xls/biff8/xls_stream.h"

namespace tabrin {

struct TsstString {
  std::int32_t Index = 0;
  std::u16string Text;
  std::int32_t RefCount = 0;
};

class TsstStrings {
 public:
  std::uint32_t AddString(std::u16string_view text);
  // The batched form of AddString for writers of many cells.  Queue keeps a
  // copy of text with the caller's tag and starts fetching the table slot
  // the text hashes to; it returns true once a batch is full.
  // ResolveQueued then adds the queued texts in order, exactly as AddString
  // would, and calls resolved(tag, index) for each.  So the look-ups of a
  // batch wait for memory together instead of one after another, which is
  // what adding hundreds of thousands of distinct texts is bound by.
  bool Queue(std::u16string_view text, std::uint64_t tag);
  template <typename Resolved>
  void ResolveQueued(Resolved&& resolved) {
    for (const Queued& q : queued_) {
      resolved(q.tag, Add(std::u16string_view(queuedUnits_.data() + q.offset, q.length), q.hash));
    }
    queued_.clear();
    queuedUnits_.clear();
  }
  bool HasQueued() const { return !queued_.empty(); }
  // Writes SST and its CONTINUE records (checked writes).
  void SaveToStream(TxlsStream& stream);
  // Number of bytes SaveToStream writes (records with their headers).
  std::uint64_t StreamSize() const;

  std::uint32_t TotalCount() const { return totalCount_; }
  std::uint32_t UniqueCount() const { return static_cast<std::uint32_t>(entries_.size()); }
  TsstString Entry(std::size_t index) const;
  std::u16string_view Text(std::size_t index) const;
  // Planned body lengths of the SST record and each CONTINUE record.
  const std::vector<std::int32_t>& RecordLengths() const { return recordLengths_; }

 private:
  // Entries live in one block of code units, found again through an
  // open-addressing table of entry numbers: a few bytes per entry besides
  // the text, and no allocation per string.
  struct Slot {
    const char16_t* units;
    std::uint32_t length;
    std::int32_t refCount;
  };
  struct Queued {
    std::size_t offset;
    std::uint32_t length;
    std::uint32_t hash;
    std::uint64_t tag;
  };
  static constexpr std::size_t kQueueBatch = 16;
  std::uint32_t Add(std::u16string_view text, std::uint32_t hash);
  void PlanEntry(std::u16string_view text);
  void Grow();
  const char16_t* Store(std::u16string_view text);

  std::vector<TLargeBlock<char16_t>> blocks_;
  std::size_t blockUsed_ = 0;
  std::size_t blockSize_ = 0;
  std::vector<Slot> entries_;
  // Hash in the high half, entry number + 1 in the low half; 0 = free.
  // Keeping the hash here lets a probe skip other texts without touching them.
  TLargeBlock<std::uint64_t> table_;
  std::size_t tableSize_ = 0;  // a power of two
  std::vector<Queued> queued_;
  std::u16string queuedUnits_;
  std::vector<std::int32_t> recordLengths_;
  std::int32_t fill_ = 8;
  std::uint32_t totalCount_ = 0;
  bool saved_ = false;
};

}  // namespace tabrin
