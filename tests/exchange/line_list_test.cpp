// The compact line list: every line must read back bit for bit, whether or not it shares
// its attributes and polyline number with the line before it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/describe_state.h"
#include "exchange/state/line_list.h"

namespace {

TEST(LineRecordList, ReadsBackWhetherOrNotNeighboursShare) {
  const std::pair<void (*)(TJwwEntLine&), std::size_t> cases[] = {
      // change, rows for 3 lines
      {[](TJwwEntLine& l) {
         l.X1 = -0.0;
         l.Y2 = 1e300;
       },
       1},
      {[](TJwwEntLine& l) { l.HandPointRef = 7; }, 3},
      {[](TJwwEntLine& l) { l.LineWidth = -1; }, 3},
      {[](TJwwEntLine& l) { l.ZFlags = 10; }, 3},
      {[](TJwwEntLine& l) { l.PolylineNo = 2; }, 3}};
  for (const auto& [change, rows] : cases) {
    const TJwwEntLine first{{{3, 1, 4, 2, 5, 0}, 0}, 1, 1.5, -2.5, 3.0, 4.25};
    TJwwEntLine second = first;
    change(second);
    LineRecordList list;
    for (const TJwwEntLine& line : {first, second, first}) list.push_back(line);
    EXPECT_EQ(list.shared_count(), rows) << DescribeRecord(second);
    EXPECT_EQ(DescribeRecord(list[1]), DescribeRecord(second));
    EXPECT_EQ(DescribeRecord(list.back()), DescribeRecord(first)) << DescribeRecord(second);
  }
}

TEST(LineRecordList, ReadsBackAcrossChunksAndBlocksAfterCopyAndClear) {
  LineRecordList list;
  std::vector<std::string> expected;
  for (int i = 0; i < 70000; ++i) {  // into the large blocks, rows over several chunks
    TJwwEntLine line;
    line.Color = i / 2;
    line.X1 = i;
    expected.push_back(DescribeRecord(line));
    list.push_back(line);
  }
  EXPECT_EQ(list.shared_count(), 35000u);
  const LineRecordList copy = list;
  std::vector<std::string> read;
  for (const TJwwEntLine& line : copy) read.push_back(DescribeRecord(line));
  EXPECT_EQ(read, expected);
  list.clear();
  list.push_back(copy[65433]);
  EXPECT_EQ(list.shared_count(), 1u);
  EXPECT_EQ(DescribeRecord(list.front()), expected[65433]);
}

}  // namespace
