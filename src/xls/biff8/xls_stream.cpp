#include "xls/biff8/xls_stream.h"

#include <algorithm>
#include <cstring>

#include "text/error.h"
#include "text/translation.h"

namespace tabrin {

void TxlsMemoryStream::Reserve(std::uint64_t size) {
  while (static_cast<std::uint64_t>(chunks_.size()) * kChunkSize < size + base_) {
    chunks_.push_back(MakeLargeBlock<std::uint8_t>(kChunkSize));
  }
}

void TxlsMemoryStream::CopyIn(std::uint64_t at, const std::uint8_t* data, std::size_t count) {
  at += base_;
  while (count > 0) {
    const std::size_t offset = static_cast<std::size_t>(at % kChunkSize);
    const std::size_t n = std::min(count, kChunkSize - offset);
    std::memcpy(chunks_[static_cast<std::size_t>(at / kChunkSize)].get() + offset, data, n);
    at += n;
    data += n;
    count -= n;
  }
}

void TxlsMemoryStream::CopyOut(std::uint64_t at, std::uint8_t* data, std::size_t count) const {
  at += base_;
  while (count > 0) {
    const std::size_t offset = static_cast<std::size_t>(at % kChunkSize);
    const std::size_t n = std::min(count, kChunkSize - offset);
    std::memcpy(data, chunks_[static_cast<std::size_t>(at / kChunkSize)].get() + offset, n);
    at += n;
    data += n;
    count -= n;
  }
}

std::size_t TxlsMemoryStream::WriteSlow(const void* data, std::size_t count) {
  if (count == 0) return 0;
  const std::uint64_t end = position_ + count;
  Reserve(end);
  if (position_ > size_) {
    // A seek past the end leaves a gap that reads as zeros.
    std::vector<std::uint8_t> zeros(static_cast<std::size_t>(position_ - size_), 0);
    CopyIn(size_, zeros.data(), zeros.size());
  }
  CopyIn(position_, static_cast<const std::uint8_t*>(data), count);
  position_ = end;
  size_ = std::max(size_, end);
  return count;
}

std::size_t TxlsMemoryStream::Read(void* data, std::size_t count) {
  if (position_ >= size_) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - position_));
  CopyOut(position_, static_cast<std::uint8_t*>(data), n);
  position_ += n;
  return n;
}

std::uint64_t TxlsMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = static_cast<std::int64_t>(position_);
  if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(size_);
  const std::int64_t target = base + offset;
  if (target < 0) throw TabrinError(Tr("Seek before the start of a stream"));
  position_ = static_cast<std::uint64_t>(target);
  return position_;
}

void TxlsMemoryStream::OpenGap(std::uint64_t position, std::uint64_t count) {
  if (count == 0) return;
  if (position <= size_ - position) return OpenGapByMovingFront(position, count);
  const std::uint64_t oldSize = size_;
  Reserve(oldSize + count);
  // Move the bytes behind the gap down, back to front, one piece at a time
  // so the stream never needs a second copy of itself.
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, oldSize - position + 1)));
  std::uint64_t end = oldSize;
  while (end > position) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), end - position));
    CopyOut(end - n, piece.data(), n);
    CopyIn(end - n + count, piece.data(), n);
    end -= n;
  }
  size_ = oldSize + count;
}

// The bytes in front of the gap move towards the start of the stream, into
// chunks put before the first when the first has no room left before its
// start; the bytes behind the gap stay where they are.
void TxlsMemoryStream::OpenGapByMovingFront(std::uint64_t position, std::uint64_t count) {
  if (count > base_) {
    const std::size_t added = static_cast<std::size_t>((count - base_ + kChunkSize - 1) / kChunkSize);
    std::vector<TLargeBlock<std::uint8_t>> front;
    for (std::size_t i = 0; i < added; ++i) front.push_back(MakeLargeBlock<std::uint8_t>(kChunkSize));
    chunks_.insert(chunks_.begin(), std::make_move_iterator(front.begin()), std::make_move_iterator(front.end()));
    base_ += added * kChunkSize;
  }
  const std::size_t from = base_;
  const std::size_t to = base_ - static_cast<std::size_t>(count);
  // Front to back: each piece lands before any byte not yet moved.
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, position + 1)));
  for (std::uint64_t done = 0; done < position;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), position - done));
    base_ = from;
    CopyOut(done, piece.data(), n);
    base_ = to;
    CopyIn(done, piece.data(), n);
    done += n;
  }
  base_ = to;
  size_ += count;
}

void TxlsMemoryStream::InsertGap(std::uint64_t position, std::uint64_t count) {
  OpenGap(std::min(position, size_), count);
}

void TxlsMemoryStream::Insert(std::uint64_t position, const void* data, std::size_t count) {
  position = std::min(position, size_);
  OpenGap(position, count);
  CopyIn(position, static_cast<const std::uint8_t*>(data), count);
  position_ = position + count;
}

void TxlsMemoryStream::Insert(std::uint64_t position, const TxlsMemoryStream& source) {
  position = std::min(position, size_);
  OpenGap(position, source.Size());
  std::uint64_t at = position;
  source.ForEachBlock([&](const std::uint8_t* p, std::size_t n) {
    CopyIn(at, p, n);
    at += n;
  });
  position_ = at;
}

std::vector<std::uint8_t> TxlsMemoryStream::Bytes() const {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size_));
  if (size_ > 0) CopyOut(0, out.data(), out.size());
  return out;
}

void TxlsMemoryStream::Clear() {
  chunks_.clear();
  base_ = 0;
  size_ = 0;
  position_ = 0;
}

}  // namespace tabrin
