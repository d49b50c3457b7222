// The compact line list: every line must read back bit for bit, whether or not it shares
// its attributes and polyline number with the line before it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/state/line_list.h"

namespace {

std::string Fields(const TJwwEntLine& l) {
  std::string out;
  for (const std::int32_t v : {l.HandPointRef, l.LayerGroup, l.Layer, l.Color, l.LineType,
                               l.LineWidth, l.ZFlags, l.PolylineNo})
    out += std::to_string(v) + ' ';
  for (const double v : {l.X1, l.Y1, l.X2, l.Y2})
    out += std::to_string(std::bit_cast<std::uint64_t>(v)) + ' ';
  return out;
}

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
    EXPECT_EQ(list.shared_count(), rows) << Fields(second);
    EXPECT_EQ(Fields(list[1]), Fields(second));
    EXPECT_EQ(Fields(list.back()), Fields(first)) << Fields(second);
  }
}

TEST(LineRecordList, ReadsBackAcrossChunksAndBlocksAfterCopyAndClear) {
  LineRecordList list;
  std::vector<std::string> expected;
  for (int i = 0; i < 70000; ++i) {  // into the large blocks, rows over several chunks
    TJwwEntLine line;
    line.Color = i / 2;
    line.X1 = i;
    expected.push_back(Fields(line));
    list.push_back(line);
  }
  EXPECT_EQ(list.shared_count(), 35000u);
  const LineRecordList copy = list;
  std::vector<std::string> read;
  for (const TJwwEntLine& line : copy) read.push_back(Fields(line));
  EXPECT_EQ(read, expected);
  list.clear();
  list.push_back(copy[65433]);
  EXPECT_EQ(list.shared_count(), 1u);
  EXPECT_EQ(Fields(list.front()), expected[65433]);
}

}  // namespace
