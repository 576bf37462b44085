#include "xls/sst_strings.h"

#include "text/error.h"
#include "xls/biff_record.h"

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
    for (char16_t c : text) {
      U16(c);
      if (bytes_.size() >= kBlock) Drain();
    }
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

std::uint32_t TsstStrings::AddString(std::u16string_view text) {
  ++totalCount_;
  const auto found = lookup_.find(text);
  if (found != lookup_.end()) {
    ++entries_[found->second].RefCount;
    return found->second;
  }
  const auto index = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(TsstString{static_cast<std::int32_t>(index), std::u16string(text), 1});
  lookup_.emplace(entries_.back().Text, index);
  PlanEntry(entries_.back().Text);
  return index;
}

void TsstStrings::PlanEntry(const std::u16string& text) {
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
  for (const TsstString& entry : entries_) {
    const std::u16string& text = entry.Text;
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
      out.Units(std::u16string_view(text).substr(done, pieces[i]));
      done += pieces[i];
      writeFill = (i == 0 ? 3 : 1) + 2 * static_cast<std::int32_t>(pieces[i]);
    }
  }
  out.Drain();
}

}  // namespace tabrin
