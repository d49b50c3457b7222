#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"

namespace {

// Lines, texts and circles enough (or not) to have the records freed on a second thread.
std::string Entities(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    bytes += i % 3 == 0 ? "ch 1 2 3 0 abc\r\n" : i % 3 == 1 ? "ci 1 2 3\r\n" : "1 2 3 4\r\n";
  }
  return bytes;
}

// The work sees its command queue whole, the records are gone afterwards on either path, and
// a throwing work still finds the freeing finished (a thread left running ends the process).
TEST(ReleaseRecordsDuring, FreesTheRecordsAndKeepsTheQueue) {
  for (const int count : {10, 70000}) {
    for (const bool throws : {false, true}) {
      SCOPED_TRACE("records " + std::to_string(count) + (throws ? ", work throws" : ""));
      InitExchangeState();
      ASSERT_TRUE(ReadExchangeBytes(Entities(count)));
      ASSERT_EQ(Exchange().ReadOrder.size(), static_cast<std::size_t>(count));
      Exchange().CommandQueue.push_back("hq");
      int runs = 0;
      const auto work = [&] {
        ++runs;
        EXPECT_EQ(Exchange().CommandQueue.size(), 1u);
        if (throws) throw std::runtime_error("write failed");
      };
      if (throws) {
        EXPECT_THROW(ReleaseRecordsDuring(work), std::runtime_error);
      } else {
        ReleaseRecordsDuring(work);
      }
      EXPECT_EQ(runs, 1);
      EXPECT_TRUE(Exchange().ReadOrder.empty());
      EXPECT_TRUE(Exchange().LineList.empty() && Exchange().TextList.empty());
      EXPECT_TRUE(Exchange().CircleList.empty());
      EXPECT_EQ(Exchange().CommandQueue.size(), 1u);
    }
  }
  InitExchangeState();
}

}  // namespace
