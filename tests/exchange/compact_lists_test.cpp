// The compact lists: every record reads back bit for bit, shared with its neighbour or not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/state/exchange_state.h"
#include "tests/support/describe_state.h"

namespace {

// `records` in a list take `rows` shared rows, and each reads back as it went in.
template <typename List, typename Record>
void ExpectSharedRows(std::initializer_list<Record> records, std::size_t rows) {
  List list;
  for (const Record& record : records) list.push_back(record);
  EXPECT_EQ(list.shared_count(), rows);
  std::size_t index = 0;
  for (const Record& record : records)
    EXPECT_EQ(DescribeRecord(list[index++]), DescribeRecord(record));
}

// `count` records filled by `fill`, across chunks, through a copy and a clear: each reads back.
template <typename List>
void ExpectReadsBackAfterCopyAndClear(int count, void (*fill)(typename List::Record&, int),
                                      std::size_t rows, std::size_t probe) {
  List list;
  std::vector<std::string> expected;
  for (int i = 0; i < count; ++i) {
    typename List::Record record;
    fill(record, i);
    list.push_back(record);
    expected.push_back(DescribeRecord(record));
  }
  EXPECT_EQ(list.shared_count(), rows);
  const List copy = list;
  std::vector<std::string> read;
  for (const auto& record : copy) read.push_back(DescribeRecord(record));
  EXPECT_EQ(read, expected);
  EXPECT_EQ(DescribeRecord(list.back()), expected.back());
  list.clear();
  list.push_back(copy[probe]);
  EXPECT_EQ(list.shared_count(), 1u);
  EXPECT_EQ(DescribeRecord(list.front()), expected[probe]);
}

TEST(LineRecordList, ReadsBackWhetherOrNotNeighboursShare) {
  const struct {
    const char* what;
    void (*change)(TJwwEntLine&);
    std::size_t rows;  // for the first line, the changed one, the first again
  } kCases[] = {
      {"negative zero, a large end", [](TJwwEntLine& l) { l.X1 = -0.0, l.Y2 = 1e300; }, 1},
      {"indicated point", [](TJwwEntLine& l) { l.HandPointRef = 7; }, 3},
      {"line width", [](TJwwEntLine& l) { l.LineWidth = -1; }, 3},
      {"flags", [](TJwwEntLine& l) { l.ZFlags = 10; }, 3},
      {"polyline", [](TJwwEntLine& l) { l.PolylineNo = 2; }, 3},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const TJwwEntLine first{{{3, 1, 4, 2, 5, 0}, 0}, 1, 1.5, -2.5, 3.0, 4.25};
    TJwwEntLine second = first;
    c.change(second);
    ExpectSharedRows<LineRecordList>({first, second, first}, c.rows);
  }
}

// Into the large blocks, rows over several chunks.
TEST(LineRecordList, ReadsBackAcrossChunksAndBlocksAfterCopyAndClear) {
  const auto fill = [](TJwwEntLine& l, int i) { l.Color = i / 2, l.X1 = i; };
  ExpectReadsBackAfterCopyAndClear<LineRecordList>(70000, fill, 35000, 65433);
}

TEST(TextRecordList, NeighboursShareOnlyAnIdenticalSharedPart) {
  using T = TJwwEntText&;
  const struct {
    const char* what;
    void (*change)(TJwwEntText&);
    std::size_t rows;
  } kCases[] = {
      {"nothing", [](T) {}, 1},
      {"kind, values, content", [](T t) { t.TextKind = 3, t.Value4 = 7, t.Content = "W"; }, 1},
      {"layer", [](T t) { t.Layer = 4; }, 2},
      {"style", [](T t) { t.TextStyle = 11; }, 2},
      {"negative zero width", [](T t) { t.Width = -0.0; }, 2},
      {"font", [](T t) { t.FontName = "Gothic"; }, 2},
      // The same name kept again after two other texts: other bytes in the store, same name.
      {"font kept again", [](T t) { t.Content = "a", t.Content = "b", t.FontName = "Mincho"; }, 1},
  };
  InitExchangeState();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TJwwEntText first;
    first.Layer = 3, first.Height = 3.5, first.FontName = "Mincho", first.Content = "\x95\x94";
    TJwwEntText second = first;
    c.change(second);
    ExpectSharedRows<TextRecordList>({first, second}, c.rows);
  }
  ReleaseExchangeState();
}

// Several chunks of texts and of shared rows.
TEST(TextRecordList, ReadsBackAcrossChunksAfterCopyAndClear) {
  InitExchangeState();
  const auto fill = [](TJwwEntText& t, int i) {
    t.Color = i / 3, t.Value2 = i, t.Content = std::to_string(i);
  };
  ExpectReadsBackAfterCopyAndClear<TextRecordList>(5000, fill, 1667, 4321);
  ReleaseExchangeState();
}

}  // namespace
