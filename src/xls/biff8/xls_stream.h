#pragma once
// Seekable byte streams that the workbook writer builds its output in.
//
// TxlsStream is what records are written to: Write returns the number of
// bytes it took (record writers compare it and raise "Error writing output
// file" on a short write), Seek moves anywhere inside the stream so fix-ups
// can overwrite bytes already written.  TxlsMemoryStream keeps the bytes in
// fixed-size chunks, so growing a large stream never copies it and never
// holds two copies at once; Insert opens a gap in place, moving the shorter
// side of it: the workbook globals go in front of the sheets by moving the
// few bytes before them, never the sheets' cells.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "xls/model/large_block.h"

namespace tabrin {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TxlsStream {
 public:
  virtual ~TxlsStream() = default;
  // Writes count bytes at the current position (overwriting, then growing the
  // stream) and returns the number written.
  virtual std::size_t Write(const void* data, std::size_t count) = 0;
  // Reads up to count bytes from the current position; returns the number read.
  virtual std::size_t Read(void* data, std::size_t count) = 0;
  // Returns the new position.  Seeking before the start raises.
  virtual std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::uint64_t Position() const = 0;
  virtual std::uint64_t Size() const = 0;
};

class TxlsMemoryStream : public TxlsStream {
 public:
  static constexpr std::size_t kChunkSize = kLargePageSize;

  std::size_t Write(const void* data, std::size_t count) override {
    // Appending within the last chunk is what almost every record does.
    const std::uint64_t at = position_ + base_;
    const std::size_t offset = static_cast<std::size_t>(at % kChunkSize);
    if (position_ == size_ && count <= kChunkSize - offset && at < chunks_.size() * kChunkSize) {
      std::memcpy(chunks_[static_cast<std::size_t>(at / kChunkSize)].get() + offset, data, count);
      position_ += count;
      size_ = position_;
      return count;
    }
    return WriteSlow(data, count);
  }
  std::size_t Read(void* data, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::uint64_t Position() const override { return position_; }
  std::uint64_t Size() const override { return size_; }

  // Inserts count bytes at position, moving everything behind it down; the
  // stream position ends after the inserted bytes.
  void Insert(std::uint64_t position, const void* data, std::size_t count);
  void Insert(std::uint64_t position, const TxlsMemoryStream& source);
  // Replaces count bytes of the content from position on (which must lie
  // inside the stream) without moving the stream position.
  void Overwrite(std::uint64_t position, const void* data, std::size_t count) {
    CopyIn(position, static_cast<const std::uint8_t*>(data), count);
  }
  // Opens a gap of count bytes at position (its content is left as it was);
  // the stream position is not changed.
  void InsertGap(std::uint64_t position, std::uint64_t count);
  // Calls visit(pointer, length) for the whole content, front to back.
  template <typename Visit>
  void ForEachBlock(Visit&& visit) const {
    std::uint64_t left = size_;
    std::size_t skip = base_;
    for (const auto& chunk : chunks_) {
      if (left == 0) break;
      const std::size_t room = kChunkSize - skip;
      const std::size_t n = left < room ? static_cast<std::size_t>(left) : room;
      visit(chunk.get() + skip, n);
      left -= n;
      skip = 0;
    }
  }
  // The whole content as one vector (for tests and small streams).
  std::vector<std::uint8_t> Bytes() const;
  void Clear();

 private:
  std::size_t WriteSlow(const void* data, std::size_t count);
  void Reserve(std::uint64_t size);
  void OpenGap(std::uint64_t position, std::uint64_t count);
  void OpenGapByMovingFront(std::uint64_t position, std::uint64_t count);
  void CopyIn(std::uint64_t at, const std::uint8_t* data, std::size_t count);
  void CopyOut(std::uint64_t at, std::uint8_t* data, std::size_t count) const;

  std::vector<TLargeBlock<std::uint8_t>> chunks_;
  std::size_t base_ = 0;  // where the first byte lies in the first chunk
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

}  // namespace tabrin
