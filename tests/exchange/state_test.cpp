// The exchange state: the defaults it starts from and returns to, one described line per field,
// its records freed beside the work that writes the result; and the lists behind it: records stay
// where they are while a list grows, the compact lists read every record back bit for bit, the
// strings' store keeps every text, and the packed read order keeps every position to its limit.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "exchange/state/read_order.h"
#include "exchange/state/text_store.h"
#include "os/memory_pages.h"
#include "tests/support/reader_test.h"
#include "tests/support/state_fields.h"

namespace {

using ExchangeStateTest = ReaderTest;

// A fresh state as InitExchangeState makes it, which keeps PointKindUnset: every field.
void ExpectFresh(const ExchangeState& s) {
  ExchangeState fresh;
  fresh.Emit.PointKindUnset = s.Emit.PointKindUnset;
  EXPECT_EQ(FirstDifference(DescribeState(fresh), DescribeState(s)), "");
}

// The values the state must start from, as the host and the writer rely on them; reading anything
// and initialising again (twice) restores every one.
TEST_F(ExchangeStateTest, DefaultsAfterInitAndAfterReading) {
  EXPECT_TRUE(StateHolds("",
                         R"(PaperWidth 1189|PaperHeight 841|HostFontName ""|HandPoints.size 100|)"
                         "GroupNames.size 16|LayerValues.size 256|Emit.LayerGroupUnset true|"
                         "Emit.TextStyleUnset true|HostLayerGroup 0|Emit.LineType 1|"
                         R"(Emit.TextStyle 1|Emit.FontName "<\x82l\x82r \x83S\x83V\x83b\x83N>")"));
  for (const double scale : s.GroupScales) EXPECT_EQ(scale, 1.0);
  for (const TextStyleDef& style : s.TextStyles) EXPECT_EQ(style, (TextStyleDef{3.0, 3.0, 0.0, 2}));
  for (const HandPoint& p : s.HandPoints) EXPECT_FALSE(p.Used);
  TJwwEntLine pendingDimLine;
  pendingDimLine.X2 = 1.0;
  EXPECT_EQ(s.PendingDimLine, pendingDimLine);
  ExpectFresh(s);
  ReadParted("hzs 1 2|hcw 1 2 3 4 5 6 7 8 9 10|cn$X|hp3 1 2|pl|1 2 3 4|msg|5 6 7 8|lg4|cn7|");
  ReadParted("ci 0 0 1|hhp5");
  s.CommandQueue.push_back("lc3");
  for (int again = 0; again < 2; ++again) {
    InitExchangeState();
    ExpectFresh(s);
  }
}

TEST_F(ExchangeStateTest, ResetEmitStateKeepsHostAttributesAndHandPointRef) {
  ReadParted("lg3|ly5|lc2|pn4|hhp7|pl");
  ResetEmitState();
  EXPECT_EQ((std::array{s.HostLayerGroup, s.HostLayer, s.HostColor}), (std::array{3, 5, 2}));
  EmitState expected;  // every value at its default, every Unset flag true
  expected.HandPointRef = 7;
  expected.PointKindUnset = true;
  EXPECT_TRUE(s.Emit == expected);
  EXPECT_TRUE(s.InPolyline);
  ParseExchangeLine("ci 0 0 1");
  EXPECT_EQ(s.CircleList[0].HandPointRef, 7);
}

// Lines applied to a released state, or after the writer moved EmitState out of the reader's
// ranges, touch no table entry that is not there.
TEST_F(ExchangeStateTest, TableKeysStayInsideTheTables) {
  ReleaseExchangeState();
  ReadParted("hp1 1 2|lg1 5|ly2 6|lgnX|lynY|ci 0 0 1");
  EXPECT_EQ(s.HandPointCount, 0);
  EXPECT_EQ(s.CircleList.size(), 1u);
  InitExchangeState();
  s.Emit.LayerGroup = 400;
  s.Emit.Layer = -3;
  ReadParted("lynZ|lgnZ");
  for (const std::string& name : s.LayerNames) EXPECT_EQ(name, "");
  for (const std::string& name : s.GroupNames) EXPECT_EQ(name, "");
}

// One changed field of a fresh state changes exactly its own line, showing every bit.
TEST(StateDescription, EachFieldIsALineOfItsOwn) {
  using S = ExchangeState&;
  const struct {
    const char* what;
    void (*change)(ExchangeState&);
    const char* lines;  // parted by '|'
  } kCases[] = {
      {"host free text width", [](S s) { s.HostFreeTextWidth = 0.5; }, "HostFreeTextWidth 0x1p-1"},
      {"host free text height", [](S s) { s.HostFreeTextHeight = -3; },
       "HostFreeTextHeight -0x1.8p+1"},
      {"host free text spacing", [](S s) { s.HostFreeTextSpacing = -0.0; },
       "HostFreeTextSpacing -0x0p+0"},
      {"free text width", [](S s) { s.Emit.FreeTextWidth = 0x1.0000000000001p+1; },
       "Emit.FreeTextWidth 0x1.0000000000001p+1"},
      {"free text height", [](S s) { s.Emit.FreeTextHeight = 1e-320; },
       "Emit.FreeTextHeight 0x0.00000000007e8p-1022"},
      {"free text spacing", [](S s) { s.Emit.FreeTextSpacing = 4; }, "Emit.FreeTextSpacing 0x1p+2"},
      {"bytes of a string", [](S s) { s.HostFontName = "\x82\xA0\"a\\"; },
       R"(HostFontName "\x82\xA0\x22a\x5C")"},
      {"an entry of a table", [](S s) { s.HandPoints[99].HitKind = 4; },
       "HandPoints[99].HitKind 4"},
      {"a record of a list", [](S) { AppendReadOrder(kEntSg, 7); },
       "ReadOrder.size 1|ReadOrder[0].Kind 15|ReadOrder[0].Index 7"},
      {"a queued command", [](S s) { s.CommandQueue.push_back("lg0"); },
       R"(CommandQueue.size 1|CommandQueue[0] "lg0")"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    InitExchangeState();
    const std::string fresh = DescribeState();
    c.change(Exchange());
    EXPECT_EQ(ChangedLines(fresh, DescribeState()), c.lines);
  }
  InitExchangeState();
}

// Lines, texts and circles enough (or not) to have the records freed on a second thread.
std::string Entities(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    bytes += i % 3 == 0 ? "ch 1 2 3 0 abc\r\n" : i % 3 == 1 ? "ci 1 2 3\r\n" : "1 2 3 4\r\n";
  }
  return bytes;
}

// The work sees its command queue whole, the records are gone afterwards on either path, and a
// throwing work still finds the freeing finished (a thread left running ends the process).
TEST_F(ExchangeStateTest, ReleaseRecordsDuringFreesTheRecordsAndKeepsTheQueue) {
  for (const int count : {10, 70000}) {
    for (const bool throws : {false, true}) {
      SCOPED_TRACE("records " + std::to_string(count) + (throws ? ", work throws" : ""));
      InitExchangeState();
      ASSERT_TRUE(ReadExchangeBytes(Entities(count)));
      ASSERT_EQ(s.ReadOrder.size(), static_cast<std::size_t>(count));
      s.CommandQueue.push_back("hq");
      int runs = 0;
      const auto work = [&] {
        ++runs;
        EXPECT_EQ(s.CommandQueue.size(), 1u);
        if (throws) throw std::runtime_error("write failed");
      };
      if (throws) {
        EXPECT_THROW(ReleaseRecordsDuring(work), std::runtime_error);
      } else {
        ReleaseRecordsDuring(work);
      }
      EXPECT_EQ(runs, 1);
      EXPECT_TRUE(s.ReadOrder.empty() && s.LineList.empty() && s.TextList.empty());
      EXPECT_TRUE(s.CircleList.empty());
      EXPECT_EQ(s.CommandQueue.size(), 1u);
    }
  }
}

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

// Lines into the large blocks, rows over several chunks; several chunks of texts and of rows.
TEST(CompactLists, ReadBackAcrossChunksAndBlocksAfterCopyAndClear) {
  InitExchangeState();
  const auto line = [](TJwwEntLine& l, int i) { l.Color = i / 2, l.X1 = i; };
  ExpectReadsBackAfterCopyAndClear<LineRecordList>(70000, line, 35000, 65433);
  const auto text = [](TJwwEntText& t, int i) {
    t.Color = i / 3, t.Value2 = i, t.Content = std::to_string(i);
  };
  ExpectReadsBackAfterCopyAndClear<TextRecordList>(5000, text, 1667, 4321);
  ReleaseExchangeState();
}

TEST(TextStore, KeepsEveryTextAcrossBlocks) {
  TextStore store;
  std::vector<std::pair<const char*, std::string>> kept;
  const std::size_t lengths[] = {0, 1, 8, 4092, 4093, 15, 255, 70000};
  for (std::size_t round = 0; round < 3000; ++round) {
    std::size_t length = lengths[round % std::size(lengths)] + round % 7;
    if (round == 1000) length = std::size_t{3} << 20;  // beyond a large page
    std::string text(length, static_cast<char>('A' + round % 26));
    if (!text.empty()) text.back() = '\x82';  // a lead byte at the end stays a byte
    kept.emplace_back(store.Keep(text), text);
  }
  for (const auto& [bytes, text] : kept) ASSERT_EQ(std::string(bytes, text.size()), text);
  store.Clear();
  EXPECT_EQ(std::string(store.Keep("again"), 5), "again");
  store.Release();
}

TEST(RecordText, ReadsLikeTheTextAssigned) {
  InitExchangeState();
  TJwwEntText text;
  EXPECT_TRUE(text.Content.empty());
  EXPECT_EQ(text.Content, "");
  const std::string content("\x95\x94\x89\xae 1", 6);
  text.Content = content;
  text.FontName = "Mincho";
  text.Content.assign(text.Content);  // from its own bytes
  EXPECT_EQ(text.Content, content);
  EXPECT_EQ(text.Content.size(), 6u);
  EXPECT_EQ(text.FontName, "Mincho");
  TJwwEntText copy = text;
  text.FontName = "Gothic";
  EXPECT_EQ(copy.FontName, "Mincho");
  EXPECT_EQ(text.FontName, "Gothic");
  ReleaseExchangeState();
}

TEST(ReadOrderList, EveryKindKeepsItsPositionAndWrongEntriesAreRefused) {
  constexpr auto kLimit = static_cast<std::int32_t>(ReadOrderList::kIndexLimit);
  ReadOrderList list;
  for (const std::int32_t index : {0, 1, 0x5A5A5A5, kLimit - 1}) {
    for (std::int32_t kind = 1; kind <= 15; ++kind) {
      list.push_back({kind, index});
      EXPECT_EQ(list.back(), (ReadOrderEntry{kind, index}));
    }
  }
  for (const ReadOrderEntry wrong :
       {ReadOrderEntry{1, kLimit}, ReadOrderEntry{15, INT32_MAX}, ReadOrderEntry{2, -1}}) {
    EXPECT_THROW(list.push_back(wrong), std::bad_alloc) << wrong.Index;
  }
  for (const std::int32_t kind : {0, 16})
    EXPECT_THROW(list.push_back({kind, 0}), std::invalid_argument);
  EXPECT_EQ(list.size(), 60u);
  EXPECT_EQ(list.back(), (ReadOrderEntry{15, kLimit - 1}));
}

}  // namespace
