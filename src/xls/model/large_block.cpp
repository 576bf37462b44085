#include "xls/model/large_block.h"

#include <sys/mman.h>

#include <new>

namespace tabrin {

void* AllocateLargeBlock(std::size_t bytes) {
  if (bytes < kLargePageSize) {
    if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
    throw std::bad_alloc();
  }
  const std::size_t rounded = (bytes + kLargePageSize - 1) / kLargePageSize * kLargePageSize;
  void* p = std::aligned_alloc(kLargePageSize, rounded);
  if (p == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  // Only advice: without huge pages the block works the same.
  ::madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}

}  // namespace tabrin
