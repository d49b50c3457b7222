#include "platform/os/memory_pages.h"

#include <windows.h>

// Large pages on Windows need a privilege that ordinary users lack, so the block is plain
// committed memory; it is aligned to the allocation granularity, which is all it needs here.
void* AllocateLargePages(std::size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeLargePages(void* block, std::size_t /*bytes*/) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}
