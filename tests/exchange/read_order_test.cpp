// Packed read order: positions kept to the limit; past it a read stops as if out of memory.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "exchange/reading/reader_plan.h"
#include "exchange/state/read_order.h"
#include "tests/support/reader_test.h"

namespace {

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

class ReadOrderLimit : public ReaderTest {
 protected:
  void TearDown() override {
    s.ReadOrder = ReadOrderList();
    ReaderTest::TearDown();
  }
};

TEST_F(ReadOrderLimit, ReadStopsAtTheLimitWithWhatItRead) {
  s.ReadOrder = ReadOrderList(3);
  std::string file = "ci 0 0 5\n";
  for (int i = 0; i < 5; ++i) file += "1 2 3 " + std::to_string(i) + "\n";
  for (const bool batched : {false, true}) {  // line by line, then in batches on a thread
    InitExchangeState();                      // the limit stays
    ReadPlan plan;
    plan.BatchingFrom = batched ? 2 : file.size() + 1;
    plan.Batches = BatchingPlan{4, 2, true, 0.5};
    EXPECT_FALSE(ReadExchangeBytes(file, plan)) << batched;
    ASSERT_EQ(s.LineList.size(), 3u);
    EXPECT_EQ(s.LineList.back().Y2, 2.0);
    EXPECT_EQ(s.CircleList.size(), 1u);
    EXPECT_EQ(s.ReadOrder.size(), TotalRecords(s));
  }
}

}  // namespace
