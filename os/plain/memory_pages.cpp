#include "os/memory_pages.h"

#include <new>

// Systems without a known way to ask for large pages: aligned memory from the allocator.
void* AllocateLargePages(std::size_t bytes) {
  return ::operator new (bytes, std::align_val_t{kLargePageSize}, std::nothrow);
}

void PopulateLargePages(void* /*part*/, std::size_t /*bytes*/) {}

void FreeLargePages(void* block, std::size_t /*bytes*/) {
  ::operator delete (block, std::align_val_t{kLargePageSize});
}
