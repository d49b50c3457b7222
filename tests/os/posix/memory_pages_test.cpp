// Large blocks from mappings the system did not align (this kernel aligns them, so faked).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "os/memory_pages.h"
#include "os/posix/page_mapper.h"

namespace {

using Address = std::uintptr_t;
const Address kPage = static_cast<Address>(sysconf(_SC_PAGESIZE));
Address g_offset = 0;                        // of the next mapping, past a large-page boundary
Address g_mappedStart = 0, g_mappedEnd = 0;  // the last mapping handed out

void* MapAtOffset(std::size_t bytes) {
  const std::size_t reserve = bytes + 2 * kLargePageSize;
  void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto rawStart = reinterpret_cast<Address>(raw);
  const Address start = ((rawStart + kLargePageSize - 1) & ~Address{kLargePageSize - 1}) + g_offset;
  if (start > rawStart) munmap(raw, start - rawStart);
  munmap(reinterpret_cast<void*>(start + bytes), rawStart + reserve - (start + bytes));
  g_mappedStart = start;
  g_mappedEnd = start + bytes;
  return reinterpret_cast<void*>(start);
}

// True when no byte of [from, to) is mapped: msync fails with ENOMEM on unmapped pages.
bool Unmapped(Address from, Address to) {
  for (Address p = from; p < to; p += kPage)
    if (msync(reinterpret_cast<void*>(p), kPage, MS_ASYNC) == 0 || errno != ENOMEM) return false;
  return true;
}

TEST(MemoryPages, BlockStaysWithinAMappingTheSystemDidNotAlign) {
  SetPageMapper(MapAtOffset);
  for (const Address offset : {Address{0}, kPage, kLargePageSize - kPage}) {
    for (const std::size_t bytes : {kLargePageSize, 2 * kLargePageSize}) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << ", " << bytes << " bytes");
      g_offset = offset;
      void* block = AllocateLargePages(bytes);
      ASSERT_NE(block, nullptr);
      const auto start = reinterpret_cast<Address>(block);
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
