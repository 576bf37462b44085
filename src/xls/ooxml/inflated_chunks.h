#pragma once
// A part inflated ahead of its reader: a thread of its own inflates the
// next chunks while the reader scans the one before (a deflate stream
// cannot be split, but it can run beside what reads it).  Each chunk keeps
// room in front of its bytes, so that a reader can put the unfinished tail
// of the chunk before in front of them without moving the chunk.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tabrin::detail {

inline constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
inline constexpr std::size_t kChunkRoom = std::size_t{16} << 10;  // in front of a chunk's bytes
inline constexpr std::size_t kChunksAhead = 3;

// A chunk's bytes are bytes[begin, bytes.size()).
struct TChunk {
  std::vector<char> bytes;
  std::size_t begin = 0;
  std::size_t Size() const { return bytes.size() - begin; }
};

class TInflatedChunks {
 public:
  // read fills a buffer with up to size bytes and returns how many, 0 at the
  // end; it may throw.  Without a thread of its own the chunks are read
  // when they are asked for.
  using TRead = std::function<std::size_t(char* buffer, std::size_t size)>;
  TInflatedChunks(TRead read, bool ownThread, std::size_t chunkBytes = kChunkBytes);
  TInflatedChunks(const TInflatedChunks&) = delete;
  TInflatedChunks& operator=(const TInflatedChunks&) = delete;
  ~TInflatedChunks();

  // The next chunk into chunk, whose bytes (a chunk already read) are kept
  // for reuse; false at the end of the part.  Raises what reading raised.
  bool Next(TChunk& chunk);

 private:
  void Run();
  // One chunk read into bytes; false at the end of the part.
  bool Fill(std::vector<char>& bytes);

  TRead read_;
  const std::size_t chunkBytes_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<char>> ready_;
  std::vector<std::vector<char>> spare_;
  std::exception_ptr failure_;
  bool ended_ = false;
  bool closing_ = false;
  std::thread thread_;
};

}  // namespace tabrin::detail
