// The growable list behind the entity lists: records stay where they are while it grows.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "exchange/exchange_state.h"

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

}  // namespace
