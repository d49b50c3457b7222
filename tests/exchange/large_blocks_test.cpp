// Lists that grow past a large page take their chunks from large blocks of the platform
// layer: every record must stay where it was put and keep its value, across the switch from
// single chunks to blocks and across the blocks' edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "exchange/exchange_state.h"
#include "platform/os/memory_pages.h"

namespace {

TEST(LargeBlocks, AlignedWritableAndDistinct) {
  void* first = AllocateLargePages(kLargePageSize);
  void* second = AllocateLargePages(2 * kLargePageSize);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 65536, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(second) % 65536, 0u);
  std::memset(first, 0x11, kLargePageSize);
  std::memset(second, 0x22, 2 * kLargePageSize);
  EXPECT_EQ(static_cast<unsigned char*>(first)[kLargePageSize - 1], 0x11);
  EXPECT_EQ(static_cast<unsigned char*>(second)[0], 0x22);
  FreeLargePages(first, kLargePageSize);
  FreeLargePages(second, 2 * kLargePageSize);
}

// Several blocks' worth of lines: 64 bytes each, so about 32,768 to a block.
TEST(LargeBlocks, ListRecordsStayInPlaceAcrossBlocks) {
  constexpr int kCount = 150000;
  EntityList<TJwwEntLine> list;
  std::vector<const TJwwEntLine*> addresses;
  for (int i = 0; i < kCount; ++i) {
    TJwwEntLine& line = list.emplace_back();
    line.X1 = i;
    line.PolylineNo = i;
    if (i % 1000 == 999) addresses.push_back(&line);
  }
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(list[static_cast<std::size_t>(i)].X1, i);
    ASSERT_EQ(list[static_cast<std::size_t>(i)].PolylineNo, i);
  }
  for (std::size_t k = 0; k < addresses.size(); ++k) EXPECT_EQ(&list[k * 1000 + 999], addresses[k]);

  EntityList<TJwwEntLine> copy = list;
  list.clear();
  for (int i = 0; i < kCount; ++i) list.emplace_back().X1 = -i;  // the same memory again
  EXPECT_EQ(&list[999], addresses[0]);
  EXPECT_EQ(list[kCount - 1].X1, -(kCount - 1));
  EXPECT_EQ(copy[kCount - 1].X1, kCount - 1);
  EntityList<TJwwEntLine> moved = std::move(copy);
  EXPECT_EQ(moved[123456].X1, 123456);
  list.release();
  moved.release();
  EXPECT_TRUE(moved.empty());
}

}  // namespace
