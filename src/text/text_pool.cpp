#include "text/text_pool.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace tabrin {

TTextPool::TTextPool() : chunks_(1), chunkFirstText_(1, 0) {}

std::uint32_t TTextPool::Add(std::string_view text) {
  chunks_.back().append(text);
  return Seal();
}

std::uint32_t TTextPool::Seal() {
  std::string& chunk = chunks_.back();
  if (chunk.size() > UINT32_MAX || ends_.size() >= UINT32_MAX) throw std::bad_alloc();
  ends_.push_back(static_cast<std::uint32_t>(chunk.size()));
  const auto number = static_cast<std::uint32_t>(ends_.size() - 1);
  if (chunk.capacity() - chunk.size() < kLeastRoom) {
    chunks_.emplace_back().reserve(kChunkBytes);
    chunkFirstText_.push_back(Count());
  }
  return number;
}

std::string_view TTextPool::At(std::uint32_t index) const {
  std::size_t chunk = 0;
  if (chunkFirstText_.size() > 1) {
    chunk = static_cast<std::size_t>(std::upper_bound(chunkFirstText_.begin(), chunkFirstText_.end(), index) -
                                     chunkFirstText_.begin()) - 1;
  }
  const std::size_t begin = index == chunkFirstText_[chunk] ? 0 : ends_[index - 1];
  return std::string_view(chunks_[chunk]).substr(begin, ends_[index] - begin);
}

void TTextPool::Reserve(std::size_t texts, std::size_t bytes) {
  ends_.reserve(ends_.size() + texts);
  std::string& chunk = chunks_.back();
  chunk.reserve(chunk.size() + bytes);
}

}  // namespace tabrin
