#include "os/memory_pages.h"

#include <windows.h>

// Large pages on Windows need a privilege that ordinary users lack, so the block is plain
// committed memory; it is aligned to the allocation granularity, which is all it needs here.
void* AllocateLargePages(std::size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

// The pages come on first write; the system has no call that puts a range of fresh pages in
// place at once.
void PopulateLargePages(void* /*part*/, std::size_t /*bytes*/) {}

void FreeLargePages(void* block, std::size_t /*bytes*/) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}
