#include "xls/ooxml/inflated_chunks.h"

#include <utility>

#include "xls/ooxml/handover_hook.h"

namespace tabrin::detail {

TInflatedChunks::TInflatedChunks(TRead read, bool ownThread, std::size_t chunkBytes)
    : read_(std::move(read)), chunkBytes_(chunkBytes) {
  if (ownThread) thread_ = std::thread([this] { Run(); });
}

TInflatedChunks::~TInflatedChunks() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool TInflatedChunks::Fill(std::vector<char>& bytes) {
  bytes.resize(kChunkRoom + chunkBytes_);
  std::size_t size = kChunkRoom;
  while (size < bytes.size()) {
    const std::size_t got = read_(bytes.data() + size, bytes.size() - size);
    if (got == 0) break;
    size += got;
  }
  bytes.resize(size);
  return size > kChunkRoom;
}

void TInflatedChunks::Run() {
  for (;;) {
    std::vector<char> bytes;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return closing_ || ready_.size() < kChunksAhead; });
      if (closing_) return;
      if (!spare_.empty()) {
        bytes = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    bool more = false;
    std::exception_ptr failure;
    try {
      more = Fill(bytes);
      if (more && pieceReadHook != nullptr) pieceReadHook();
    } catch (...) {
      failure = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      if (more) {
        ready_.push_back(std::move(bytes));
      } else {
        failure_ = failure;
        ended_ = true;
      }
    }
    changed_.notify_all();
    if (!more) return;
  }
}

bool TInflatedChunks::Next(TChunk& chunk) {
  if (!thread_.joinable()) {
    if (!Fill(chunk.bytes)) return false;
    chunk.begin = kChunkRoom;
    return true;
  }
  std::vector<char> next;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty() || ended_; });
    if (ready_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return false;
    }
    next = std::move(ready_.front());
    ready_.pop_front();
    if (chunk.bytes.capacity() >= kChunkRoom + chunkBytes_) spare_.push_back(std::move(chunk.bytes));
  }
  changed_.notify_all();
  chunk.bytes = std::move(next);
  chunk.begin = kChunkRoom;
  return true;
}

}  // namespace tabrin::detail
