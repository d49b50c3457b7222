// The growable list behind the entity lists: records stay where they are while it grows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "exchange/state/exchange_state.h"
#include "os/memory_pages.h"

namespace {

TEST(ChunkedList, GrowsAcrossChunksWithoutMovingRecords) {
  EntityList<TJwwEntLine> list;
  constexpr int kCount = 5000;  // several chunks
  const TJwwEntLine* first = nullptr;
  for (int i = 0; i < kCount; ++i) {
    TJwwEntLine& line = list.emplace_back();
    line.X1 = i;
    if (i == 0) first = &line;
  }
  EXPECT_EQ(&list[0], first);
  ASSERT_EQ(list.size(), static_cast<std::size_t>(kCount));
  double sum = 0;
  for (const TJwwEntLine& line : list) sum += line.X1;
  EXPECT_EQ(sum, kCount * (kCount - 1) / 2.0);
  EXPECT_EQ(list.back().X1, kCount - 1);
  EXPECT_EQ(list.end() - list.begin(), kCount);

  EntityList<TJwwEntLine> copy = list;
  EXPECT_EQ(copy[4321].X1, 4321.0);
  list.clear();
  EXPECT_TRUE(list.empty());
  list.push_back(copy[7]);
  EXPECT_EQ(list[0].X1, 7.0);
  list.release();
  EXPECT_EQ(list.size(), 0u);
}

TEST(ChunkedList, OwnsItsStrings) {
  EntityList<std::string> list;
  for (int i = 0; i < 3000; ++i) list.push_back(std::string(40, static_cast<char>('a' + i % 26)));
  EntityList<std::string> moved = std::move(list);
  EXPECT_EQ(moved[2999], std::string(40, static_cast<char>('a' + 2999 % 26)));
  EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
}

// The large blocks that a long list takes its chunks from.
TEST(ChunkedList, LargeBlocksAreAlignedWritableAndDistinct) {
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

// Past a large page the chunks come from large blocks: several blocks' worth of lines, 64
// bytes each, about 32,768 to a block, across the switch and the blocks' edges.
TEST(ChunkedList, RecordsStayInPlaceAcrossLargeBlocks) {
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
