// The compact text list: every text must read back bit for bit, whether or not it shares
// its attributes, style and font with the text before it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/describe_state.h"
#include "exchange/state/exchange_state.h"
#include "exchange/state/text_list.h"

namespace {

TEST(TextRecordList, NeighboursShareOnlyAnIdenticalSharedPart) {
  struct Case {
    const char* name;
    void (*change)(TJwwEntText&);
    std::size_t rows;
  };
  const Case cases[] = {
      {"nothing", [](TJwwEntText&) {}, 1},
      {"kind, values, content",
       [](TJwwEntText& t) {
         t.TextKind = 3;
         t.Value4 = 7;
         t.Content = "W";
       },
       1},
      {"layer", [](TJwwEntText& t) { t.Layer = 4; }, 2},
      {"style", [](TJwwEntText& t) { t.TextStyle = 11; }, 2},
      {"negative zero width", [](TJwwEntText& t) { t.Width = -0.0; }, 2},
      {"font", [](TJwwEntText& t) { t.FontName = "Gothic"; }, 2},
      // The same name kept again after two other texts: other bytes in the store, same name.
      {"font kept again",
       [](TJwwEntText& t) {
         t.Content = "a";
         t.Content = "b";
         t.FontName = "Mincho";
       },
       1},
  };
  InitExchangeState();
  for (const Case& c : cases) {
    TJwwEntText first;
    first.Layer = 3;
    first.Height = 3.5;
    first.FontName = "Mincho";
    first.Content = "\x95\x94";
    TJwwEntText second = first;
    c.change(second);
    TextRecordList list;
    list.push_back(first);
    list.push_back(second);
    EXPECT_EQ(list.shared_count(), c.rows) << c.name;
    EXPECT_EQ(DescribeRecord(list[0]), DescribeRecord(first)) << c.name;
    EXPECT_EQ(DescribeRecord(list[1]), DescribeRecord(second)) << c.name;
  }
  ReleaseExchangeState();
}

TEST(TextRecordList, ReadsBackAcrossChunksAfterCopyAndClear) {
  InitExchangeState();
  TextRecordList list;
  std::vector<std::string> expected;
  for (int i = 0; i < 5000; ++i) {  // several chunks of texts and of shared rows
    TJwwEntText text;
    text.Color = i / 3;
    text.Value2 = i;
    text.Content = std::to_string(i);
    expected.push_back(DescribeRecord(text));
    list.push_back(text);
  }
  EXPECT_EQ(list.shared_count(), 1667u);
  const TextRecordList copy = list;
  std::vector<std::string> read;
  for (const TJwwEntText& text : copy) read.push_back(DescribeRecord(text));
  EXPECT_EQ(read, expected);
  EXPECT_EQ(DescribeRecord(list.back()), expected.back());
  list.clear();
  list.push_back(copy[4321]);
  EXPECT_EQ(list.shared_count(), 1u);
  EXPECT_EQ(DescribeRecord(list[0]), expected[4321]);
  ReleaseExchangeState();
}

}  // namespace
