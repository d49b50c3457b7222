#include "os/memory_pages.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>

#include "os/posix/page_mapper.h"

namespace {

void* MapPages(std::size_t bytes) {
  void* raw = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return raw == MAP_FAILED ? nullptr : raw;
}

std::atomic<PageMapper> g_mapPages{MapPages};

}  // namespace

void SetPageMapper(PageMapper mapper) { g_mapPages.store(mapper != nullptr ? mapper : MapPages); }

void* AllocateLargePages(std::size_t bytes) {
  // Mapped with a large page to spare, then trimmed to the aligned part: a large page can
  // only back an aligned range, and the mapping need not be aligned.
  const std::size_t span = bytes + kLargePageSize;
  void* raw = g_mapPages.load(std::memory_order_relaxed)(span);
  if (raw == nullptr) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kLargePageSize - 1) & ~std::uintptr_t{kLargePageSize - 1};
  const std::uintptr_t end = aligned + bytes;
  if (aligned > start) munmap(raw, aligned - start);
  if (start + span > end) munmap(reinterpret_cast<void*>(end), start + span - end);
  void* block = reinterpret_cast<void*>(aligned);
  // No madvise(MADV_HUGEPAGE): where the system gives large pages to every aligned range
  // ("always"), this block gets them anyway. Asking for them where it does not was measured
  // slower for a run after a pause on a virtual machine that hands free memory back to its
  // host: large pages come from the freed blocks the host has taken back and must supply
  // again (system time of reading 101 MiB 0.33-0.49 s without the advice, 0.63-0.72 s with
  // it; 0.03-0.06 s with it only when runs follow each other at once).
  return block;
}

void PopulateLargePages(void* part, std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
  // One call for sixteen pages of a 64 KiB chunk instead of a fault each (Linux 5.14 on):
  // reading the 101 MiB file of entity lines took 115-125 ms instead of 125-135. Older
  // kernels refuse it, and the pages then come on first write as before.
  madvise(part, bytes, MADV_POPULATE_WRITE);
#else
  static_cast<void>(part);
  static_cast<void>(bytes);
#endif
}

void FreeLargePages(void* block, std::size_t bytes) {
  if (block != nullptr) munmap(block, bytes);
}
