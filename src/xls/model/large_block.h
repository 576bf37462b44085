#pragma once
// Memory for the writer's big buffers: the workbook stream's chunks, the
// shared-string table and its text blocks.
//
// A block of 2 MiB or more is aligned to 2 MiB and offered to the kernel for
// transparent huge pages.  Filling a 30 MiB workbook stream then takes a few
// dozen page faults instead of thousands, freeing it is as quick, and the
// scattered look-ups in the string table rarely miss the TLB.  Where huge
// pages are not available the blocks are ordinary memory.
#include <cstddef>
#include <cstdlib>
#include <memory>

namespace tabrin {

inline constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

struct TLargeBlockFree {
  void operator()(void* p) const { std::free(p); }
};

template <typename T>
using TLargeBlock = std::unique_ptr<T[], TLargeBlockFree>;

// Uninitialised memory for bytes bytes; raises std::bad_alloc.
void* AllocateLargeBlock(std::size_t bytes);

template <typename T>
TLargeBlock<T> MakeLargeBlock(std::size_t count) {
  return TLargeBlock<T>(static_cast<T*>(AllocateLargeBlock(count * sizeof(T))));
}

}  // namespace tabrin
