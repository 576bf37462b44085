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
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/xls_stream.h"

namespace tabrin {

struct TsstString {
  std::int32_t Index = 0;
  std::u16string Text;
  std::int32_t RefCount = 0;
};

class TsstStrings {
 public:
  std::uint32_t AddString(std::u16string_view text);
  // Writes SST and its CONTINUE records (checked writes).
  void SaveToStream(TxlsStream& stream);

  std::uint32_t TotalCount() const { return totalCount_; }
  std::uint32_t UniqueCount() const { return static_cast<std::uint32_t>(entries_.size()); }
  const TsstString& Entry(std::size_t index) const { return entries_[index]; }
  // Planned body lengths of the SST record and each CONTINUE record.
  const std::vector<std::int32_t>& RecordLengths() const { return recordLengths_; }

 private:
  void PlanEntry(const std::u16string& text);

  std::deque<TsstString> entries_;  // stable addresses: lookup_ views their texts
  std::unordered_map<std::u16string_view, std::uint32_t> lookup_;
  std::vector<std::int32_t> recordLengths_;
  std::int32_t fill_ = 8;
  std::uint32_t totalCount_ = 0;
  bool saved_ = false;
};

}  // namespace tabrin
