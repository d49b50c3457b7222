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

// Lines are 64 bytes, about 32,768 to a large block: past a large page the chunks come from
// large blocks, so the longer list crosses the switch and the blocks' edges.
TEST(ChunkedList, RecordsStayInPlaceWhileTheListGrows) {
  for (const int count : {5000, 150000}) {
    SCOPED_TRACE(count);
    EntityList<TJwwEntLine> list;
    std::vector<const TJwwEntLine*> addresses;
    for (int i = 0; i < count; ++i) {
      TJwwEntLine& line = list.emplace_back();
      line.X1 = i;
      line.PolylineNo = i;
      addresses.push_back(&line);
    }
    ASSERT_EQ(list.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(list.end() - list.begin(), count);
    int index = 0;
    for (const TJwwEntLine& line : list) {  // in order, each where it was put
      ASSERT_EQ(&line, addresses[static_cast<std::size_t>(index)]);
      ASSERT_EQ(line.X1, index);
      ASSERT_EQ(line.PolylineNo, index);
      ++index;
    }
    for (std::size_t i = 0; i < addresses.size(); ++i) ASSERT_EQ(&list[i], addresses[i]);
    EXPECT_EQ(list.back().X1, count - 1);

    EntityList<TJwwEntLine> copy = list;
    list.clear();
    EXPECT_TRUE(list.empty());
    list.push_back(copy[7]);
    for (int i = 1; i < count; ++i) list.emplace_back().X1 = -i;  // into the same memory
    for (std::size_t i = 0; i < addresses.size(); ++i) ASSERT_EQ(&list[i], addresses[i]);
    EXPECT_EQ(list[0].X1, 7.0);
    EXPECT_EQ(list.back().X1, -(count - 1));
    EntityList<TJwwEntLine> moved = std::move(copy);
    for (int i = 0; i < count; ++i) ASSERT_EQ(moved[static_cast<std::size_t>(i)].X1, i);
    list.release();
    moved.release();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_TRUE(moved.empty());
  }
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

}  // namespace
