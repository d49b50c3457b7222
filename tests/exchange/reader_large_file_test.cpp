// Lines at the batched reading's limits, in files large enough to be read in batches.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "exchange/reading/exchange_reader.h"
#include "exchange/reading/reader_plan.h"
#include "exchange/state/exchange_state.h"
#include "tests/support/describe_state.h"
#include "tests/support/state_fields.h"
#include "tests/support/temp_dir.h"

namespace {

// `line` between bare lines, in a file of about 300 KiB; the line sits past the first batch.
std::string LargeFileAround(const std::string& line) {
  std::string before;
  while (before.size() < (260u << 10)) before += "1.000000 2.000000 3.000000 4.000000\r\n";
  std::string file = before;
  file.append(line).append("\r\n5 6 7 8\r\n").append(before);
  return file;
}

// Reads `bytes` from a file and line by line: both succeed with the same state, kept after.
void ReadBothWays(const std::string& bytes) {
  ReadPlan lineByLine;
  lineByLine.BatchingFrom = bytes.size() + 1;
  InitExchangeState();
  ASSERT_TRUE(ReadExchangeBytes(bytes, lineByLine));
  const std::string expected = DescribeState();

  TempDir directory;
  WriteBytes(directory / "JWC_TEMP.TXT", bytes);
  InitExchangeState();
  ASSERT_TRUE(ReadExchangeFile(directory / "JWC_TEMP.TXT"));
  EXPECT_EQ(FirstDifference(expected, DescribeState()), "")
      << "the batched reading differs from the line-by-line reading";
}

std::string NumberedFields(int first, int last) {
  std::string out;
  for (int n = first; n <= last; ++n) out.append(" ").append(std::to_string(n));
  return out;
}

// 32 fields fill the table, a 33rd is dropped: each line is an arc of its first numbers.
TEST(ReaderLargeFile, KeyedLinesAtTheFieldLimit) {
  for (const int numbers : {31, 32, 33}) {
    SCOPED_TRACE(numbers);
    ReadBothWays(LargeFileAround(std::string("ci").append(NumberedFields(1, numbers))));
    EXPECT_TRUE(StateHolds("ArcList", ".size 1|[0].CenterX 1|[0].Radius 3|[0].Tilt 7"));
  }
  InitExchangeState();
}

// A line longer than a prepared line (65,535 bytes) is dispatched whole.
TEST(ReaderLargeFile, TextsLongerThanAPreparedLine) {
  const std::string key = "ch 1 2 3 4 ";
  for (const std::size_t lineLength :
       {std::size_t{65535}, std::size_t{65536}, std::size_t{70000}}) {
    SCOPED_TRACE(lineLength);
    const std::string content(lineLength - key.size(), 'w');
    ReadBothWays(LargeFileAround(std::string(key).append(content)));
    ASSERT_TRUE(StateHolds("TextList", ".size 1|[0].Value4 4"));
    EXPECT_TRUE(Exchange().TextList.front().Content == content);
  }
  InitExchangeState();
}

}  // namespace
