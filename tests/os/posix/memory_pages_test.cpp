// The large blocks wherever the system places their mapping: a block is aligned to a large
// page, lies wholly within its mapping, and the parts of the mapping it does not use are
// given back. The kernel of this machine aligns large mappings itself, so the test hands out
// mappings of its own, one large page aligned and one a small page past that.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "os/memory_pages.h"
#include "os/posix/page_mapper.h"

namespace {

std::uintptr_t g_offset = 0;       // of the mapping handed out, past a large-page boundary
std::uintptr_t g_mappedStart = 0;  // the mapping handed out last
std::uintptr_t g_mappedEnd = 0;

// Exactly `bytes` mapped, starting g_offset bytes past a large-page boundary.
void* MapAtOffset(std::size_t bytes) {
  const std::size_t reserve = bytes + 2 * kLargePageSize;
  void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start =
      ((rawStart + kLargePageSize - 1) & ~std::uintptr_t{kLargePageSize - 1}) + g_offset;
  if (start > rawStart) munmap(raw, start - rawStart);
  munmap(reinterpret_cast<void*>(start + bytes), rawStart + reserve - (start + bytes));
  g_mappedStart = start;
  g_mappedEnd = start + bytes;
  return reinterpret_cast<void*>(start);
}

// True when no byte of [from, to) is mapped: msync fails with ENOMEM on unmapped pages.
bool Unmapped(std::uintptr_t from, std::uintptr_t to) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  for (std::uintptr_t p = from; p < to; p += page) {
    if (msync(reinterpret_cast<void*>(p), page, MS_ASYNC) == 0 || errno != ENOMEM) return false;
  }
  return true;
}

TEST(MemoryPages, BlockStaysWithinAMappingTheSystemDidNotAlign) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  SetPageMapper(MapAtOffset);
  for (const std::uintptr_t offset : {std::uintptr_t{0}, page, kLargePageSize - page}) {
    for (const std::size_t bytes : {kLargePageSize, 2 * kLargePageSize}) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << ", " << bytes << " bytes");
      g_offset = offset;
      void* block = AllocateLargePages(bytes);
      ASSERT_NE(block, nullptr);
      const auto start = reinterpret_cast<std::uintptr_t>(block);
      EXPECT_EQ(start % kLargePageSize, 0u);
      ASSERT_GE(start, g_mappedStart);
      ASSERT_LE(start + bytes, g_mappedEnd);
      std::memset(block, 0x5A, bytes);  // every byte of the block is there to write
      EXPECT_TRUE(Unmapped(g_mappedStart, start));
      EXPECT_TRUE(Unmapped(start + bytes, g_mappedEnd));
      FreeLargePages(block, bytes);
      EXPECT_TRUE(Unmapped(start, start + bytes));
    }
  }
  SetPageMapper(nullptr);
}

}  // namespace
