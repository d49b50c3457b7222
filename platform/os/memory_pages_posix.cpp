#include "platform/os/memory_pages.h"

#include <sys/mman.h>

#include <cstdint>

void* AllocateLargePages(std::size_t bytes) {
  // Mapped with a large page to spare, then trimmed to the aligned part: a large page can
  // only back an aligned range.
  const std::size_t span = bytes + kLargePageSize;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kLargePageSize - 1) & ~std::uintptr_t{kLargePageSize - 1};
  const std::uintptr_t end = aligned + bytes;
  if (aligned > start) munmap(raw, aligned - start);
  if (start + span > end) munmap(reinterpret_cast<void*>(end), start + span - end);
  void* block = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
  // Only a hint: where large pages are off or used up, the block keeps small pages.
  madvise(block, bytes, MADV_HUGEPAGE);
#endif
  return block;
}

void FreeLargePages(void* block, std::size_t bytes) {
  if (block != nullptr) munmap(block, bytes);
}
