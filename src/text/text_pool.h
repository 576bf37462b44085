#pragma once
// TTextPool: many texts stored end to end, addressed by the number Add gave
// them.  A workbook's shared strings and a sheet's own cell texts are kept
// this way, and a loaded sheet's rows refer to them by number instead of
// holding copies (see db/row_store.h).
//
// The texts live in chunks of about a megabyte rather than one buffer, so
// that growing the pool never copies what it holds: a single buffer grown by
// doubling needs its old and new copies at once, twice the texts at the peak.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabrin {

class TTextPool {
 public:
  TTextPool();
  std::uint32_t Add(std::string_view text);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(ends_.size()); }
  std::string_view At(std::uint32_t index) const;
  // For readers that build a text in place: append to Buffer(), then Seal().
  // Buffer() holds earlier texts too; only what was appended since the last
  // Seal() becomes the new text.
  std::string& Buffer() { return chunks_.back(); }
  std::uint32_t Seal();
  // Room for this many more texts and bytes, taken at once.
  void Reserve(std::size_t texts, std::size_t bytes);

 private:
  static constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
  // A new chunk is started once the current one has less room than this,
  // more than the longest text a workbook record holds (32,767 UTF-16
  // units, three bytes each as UTF-8), so that building one seldom has to
  // move its chunk.
  static constexpr std::size_t kLeastRoom = std::size_t{128} << 10;

  std::vector<std::string> chunks_;
  std::vector<std::uint32_t> chunkFirstText_;  // the number of each chunk's first text
  std::vector<std::uint32_t> ends_;            // where each text ends in its chunk
};

}  // namespace tabrin
