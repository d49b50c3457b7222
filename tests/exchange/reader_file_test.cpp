// Reading the exchange file: its line ends, lines longer than any block or prepared line, the field
// limit in batched files, read failures, and the read-order limit; batched reading forced onto
// small inputs gives the same state as line by line, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <new>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "exchange/reading/line_batch_pipeline.h"
#include "exchange/reading/reader_line_source.h"
#include "exchange/reading/reader_plan.h"
#include "exchange/state/read_order.h"
#include "tests/support/reader_test.h"
#include "tests/support/state_fields.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class ReaderFile : public ReaderTest {
 protected:
  void TearDown() override {
    s.ReadOrder = ReadOrderList();  // a test may have lowered its limit
    ReaderTest::TearDown();
  }
  fs::path Write(const std::string& bytes) {
    WriteBytes(dir_ / "JWC_TEMP.TXT", bytes);
    return dir_ / "JWC_TEMP.TXT";
  }
  // Reads `bytes` from a file and line by line: both succeed with the same state, kept after.
  void ReadBothWays(const std::string& bytes) {
    ReadPlan lineByLine;
    lineByLine.BatchingFrom = bytes.size() + 1;
    InitExchangeState();
    ASSERT_TRUE(ReadExchangeBytes(bytes, lineByLine));
    const std::string expected = DescribeState();
    InitExchangeState();
    ASSERT_TRUE(ReadExchangeFile(Write(bytes)));
    EXPECT_EQ(FirstDifference(expected, DescribeState()), "")
        << "the batched reading differs from the line-by-line reading";
  }
  TempDir dir_;
};

TEST_F(ReaderFile, NoFileToReadKeepsDefaults) {
  for (const fs::path& path : {dir_ / "nothing.txt", dir_.Path()}) {
    EXPECT_FALSE(ReadExchangeFile(path)) << path;
    EXPECT_TRUE(StateHolds("", "PaperWidth 1189|ReadOrder.size 0")) << path;
  }
}

// The same lines however they end; Ctrl-Z ends the file only at the start of a line.
TEST_F(ReaderFile, LineEnds) {
  const char* const kFourLines =
      "Emit.Color 3|HandPoints[1].Y 20|LineList.size 1|LineList[0].Y2 4|CircleList.size 1|"
      "CircleList[0].Radius 5|ReadOrder.size 2";  // no CR left on the last value
  const struct {
    const char *what, *fields;
    std::string bytes;
  } kCases[] = {
      {"LF", kFourLines, "lc3\nhp1 10 20\n1 2 3 4\nci 0 0 5\n"},
      {"CR LF", kFourLines, "lc3\r\nhp1 10 20\r\n1 2 3 4\r\nci 0 0 5\r\n"},
      {"mixed, no end on the last line", kFourLines, "lc3\r\nhp1 10 20\n1 2 3 4\r\nci 0 0 5"},
      {"blank lines between", kFourLines, "\n\r\nlc3\n\n hp1 10 20\n\t\n1 2 3 4\nci 0 0 5\n\n"},
      {"Ctrl-Z ends the file", kFourLines,
       "lc3\nhp1 10 20\n1 2 3 4\nci 0 0 5\n\x1A"
       "ci 0 0 9\n7 7 7 7\n"},
      {"Ctrl-Z inside a line is dropped", "CircleList.size 2|CircleList[0].Radius 5",
       "ci 0 0 5\x1A\nci 1 1 1\n"},
      {"empty file", "ReadOrder.size 0", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    InitExchangeState();
    EXPECT_TRUE(ReadExchangeFile(Write(c.bytes)));
    EXPECT_TRUE(StateHolds("", c.fields));
  }
}

// `line` between bare lines, in a file of about 300 KiB; the line sits past the first batch.
std::string LargeFileAround(const std::string& line) {
  std::string before;
  while (before.size() < (260u << 10)) before += "1.000000 2.000000 3.000000 4.000000\r\n";
  return before + line + "\r\n5 6 7 8\r\n" + before;
}

// A line longer than a block (small file) or than a prepared line (65,535 bytes, batched file) is
// dispatched whole.
TEST_F(ReaderFile, VeryLongLines) {
  const std::string content(3 * 1024 * 1024 + 17, 'x');
  EXPECT_TRUE(ReadExchangeFile(Write("ci 0 0 1\r\nch 1 2 3 4 \"" + content + "\r\nci 0 0 2\r\n")));
  ASSERT_TRUE(StateHolds("", "TextList.size 1|CircleList.size 2|CircleList[1].Radius 2"));
  EXPECT_EQ(s.TextList[0].Content, content);
  const std::string key = "ch 1 2 3 4 ";
  for (const std::size_t length : {std::size_t{65535}, std::size_t{65536}, std::size_t{70000}}) {
    SCOPED_TRACE(length);
    const std::string text(length - key.size(), 'w');
    ReadBothWays(LargeFileAround(key + text));
    ASSERT_TRUE(StateHolds("TextList", ".size 1|[0].Value4 4"));
    EXPECT_TRUE(s.TextList.front().Content == text);
  }
}

// 32 fields fill the table, a 33rd is dropped: each line is an arc of its first numbers.
TEST_F(ReaderFile, KeyedLinesAtTheFieldLimitInABatchedFile) {
  for (const int numbers : {31, 32, 33}) {
    SCOPED_TRACE(numbers);
    std::string line = "ci";
    for (int n = 1; n <= numbers; ++n) line.append(" ").append(std::to_string(n));
    ReadBothWays(LargeFileAround(line));
    EXPECT_TRUE(StateHolds("ArcList", ".size 1|[0].CenterX 1|[0].Radius 3|[0].Tilt 7"));
  }
}

// Past the read order's limit a read stops as if out of memory, keeping what it read.
TEST_F(ReaderFile, ReadStopsAtTheReadOrderLimitWithWhatItRead) {
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

// Every block boundary gives the same lines, and nothing after the last however often asked.
TEST(ReaderLineSource, BlockBoundariesDoNotChangeTheLines) {
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
  } kCases[] = {
      {"every line end, then Ctrl-Z",
       "first\r\n\r\nsecond line\nthird\r\r\n\n\x1A"
       "z\nafter",
       {"first", "", "second line", "third\r", ""}},
      {"no end on the last line", "a\nbc", {"a", "bc"}},
  };
  for (const auto& c : kCases) {
    for (std::size_t block = 1; block <= c.bytes.size() + 1; ++block) {
      SCOPED_TRACE(std::string(c.what) + ", block " + std::to_string(block));
      std::istringstream in(c.bytes);
      ReaderLineSource source(in, block);
      std::vector<std::string> lines;
      std::string_view line;
      while (source.Next(line)) lines.emplace_back(line);
      EXPECT_EQ(lines, c.lines);
      EXPECT_FALSE(source.Next(line));
      EXPECT_TRUE(source.ReadToEnd());
    }
  }
}

// A stream failing part-way: whole lines before it are handed out, the unfinished one not.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(std::string head) : head_(std::move(head)) {
    setg(head_.data(), head_.data(), head_.data() + head_.size());
  }

 protected:
  int_type underflow() override { throw std::runtime_error("device error"); }

 private:
  std::string head_;
};

TEST(ReaderLineSource, ReadFailureStopsWithoutTheUnfinishedLine) {
  FailingBuffer buffer("ci 0 0 1\nci 0 0");
  std::istream in(&buffer);
  ReaderLineSource source(in, 9);  // the first block holds the whole first line
  std::vector<std::string> lines;
  std::string_view line;
  while (source.Next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, std::vector<std::string>{"ci 0 0 1"});
  EXPECT_FALSE(source.ReadToEnd());
}

// Reads of at most `chunk` bytes; after `failAfter` bytes one fails (-1) or throws.
ReaderLineSource::BlockReader ChunkReader(std::string_view bytes, std::size_t chunk,
                                          std::size_t failAfter = std::string::npos,
                                          bool throwing = false) {
  return [bytes, chunk, failAfter, throwing, at = std::size_t{0}](
             char* buffer, std::size_t size) mutable -> std::ptrdiff_t {
    if (at >= failAfter) {
      if (throwing) throw std::bad_alloc();
      return -1;
    }
    const std::size_t count = std::min({size, chunk, bytes.size() - at, failAfter - at});
    std::memcpy(buffer, bytes.data() + at, count);
    at += count;
    return static_cast<std::ptrdiff_t>(count);
  };
}

// Whether the reading went to the end, then the state it left: equal texts, equal readings.
std::string ReadThrough(const ReaderLineSource::BlockReader& read, const ReadPlan& plan) {
  InitExchangeState();
  std::string reading = ParseExchangeBlocks(read, plan) ? "read to the end\n" : "stopped\n";
  reading += DescribeState();
  InitExchangeState();
  return reading;
}

// Line by line: the first read of one byte never fills the large first block.
std::string ReadLineByLine(std::string_view bytes, std::size_t failAfter = std::string::npos,
                           bool throwing = false) {
  ReadPlan plan;
  plan.BatchingFrom = 4096;
  return ReadThrough(ChunkReader(bytes, 1, failAfter, throwing), plan);
}

const std::string kLines[] = {
    "hk 0\r\nhs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\r\nlc3\r\nhp1 10 20\r\n1.5 2.25 -3 4e2\r\n"
    "ci 0 0 5\r\nci 1 2 3 4 5 6 7 8\r\npt 1 2\r\npt 1 2 3 4 5\r\nsl 1 2 3 4 5 6 7 8\r\n"
    "sc 1 2 3 4 5 6 7 8\r\nBL 1 2 name\r\nch 1 2 3 4 text\r\n0.1 0.2 0.3 0.4\r\n",
    "1 2 3 4\nlc5\n5 6 7 8\n\n  9  10 11 12 \nci 3 3 3",  // LF only, no end on the last line
    "1 2 3 4\r\n5 6 7 8\r",                               // a CR alone ends the file
    "1 2 3 4\r\n\x1A"
    "5 6 7 8\r\n9 9 9 9\r\n",              // Ctrl-Z ends the file
    "1 2 3 4\r\nci 0 0 5\x1A\r\n7 7 7 7",  // Ctrl-Z inside a line is no end
    "ch 1 2 3 4 \"quoted text\"\r\nch 1 2 3 4 \x82\xA0\x82\xA2\r\nhn=5 6\r\n1\t2 3 4\r\n"
    "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33\r\n",
    "ci 0 0 " + std::string(200, '7') + "\r\n1 2 3 " + std::string(150, '5') + "\r\nci 1 1 1\r\n",
    "0x10 .5 -0 1e999\r\n1e-320 +7. 123456789012345678901234 00012.500000\r\nci 1e 2 3\r\n",
    // Bare lines in every mode and with every start a number may have, which the batches
    // take on sight, among lines of four fields that a key takes.
    "pl\r\n-1.000000 2 3 4\r\n+1 2 3 4\r\nz2\r\n.5 a b c\r\n1x 2 3 \r\nmsg\r\n9 8 7 6\r\n"
    "ci 1 2 3\r\npl\r\nmsg\r\n5 5 5 5\r\n6 6 6 6\r\n#1 2 3 4\r\nBL 1 2 3\r\nsc 1 2 3\r\n"
    "pt 1 2 3\r\n-12345.678901 1 2 3\r\n$1 2 3 4\r\n_1 2 3 4\r\n*x 2 3 4\r\nAb 1 2 3\r\n"
    "Z1 2 3 4\r\n",
};

TEST(ReaderBatches, SameStateAsLineByLine) {
  for (const std::string& bytes : kLines) {
    const std::string expected = ReadLineByLine(bytes);
    for (const bool threaded : {false, true}) {
      for (const std::size_t batchSize : {1u, 2u, 3u, 5u, 8u, 13u, 64u}) {
        for (const std::size_t batchCount : {2u, 3u}) {
          ReadPlan plan;
          plan.BatchingFrom = 1 + batchSize % 4;
          // Half the lines converted ahead without a thread: both ways of converting.
          plan.Batches = BatchingPlan{batchSize, batchCount, threaded, 0.5};
          SCOPED_TRACE(bytes.substr(0, 40) + " batch " + std::to_string(batchSize) + " x " +
                       std::to_string(batchCount) + (threaded ? " threaded" : ""));
          const std::string actual = ReadThrough(ChunkReader(bytes, 1 + batchSize % 7), plan);
          EXPECT_EQ(FirstDifference(expected, actual), "");
        }
      }
    }
  }
}

// A read failing part-way (or throwing) keeps the whole lines before it, as line by line does.
TEST(ReaderBatches, ReadFailureKeepsTheLinesBeforeIt) {
  for (const std::string& bytes : {kLines[0], kLines[3]}) {
    for (const bool throwing : {false, true}) {
      for (std::size_t failAfter = 4; failAfter < bytes.size(); failAfter += 5) {
        const std::string expected = ReadLineByLine(bytes, failAfter, throwing);
        for (const bool threaded : {false, true}) {
          ReadPlan plan;
          plan.BatchingFrom = 2;
          plan.Batches = BatchingPlan{16, 2, threaded, 0.5};
          SCOPED_TRACE(bytes.substr(0, 20) + " fail after " + std::to_string(failAfter) +
                       (throwing ? " throwing" : "") + (threaded ? " threaded" : ""));
          const std::string actual = ReadThrough(ChunkReader(bytes, 2, failAfter, throwing), plan);
          EXPECT_EQ(FirstDifference(expected, actual), "");
        }
      }
    }
  }
}

// Runs `work` on a thread; a hung one cannot be taken back, so past `limit` the program ends.
void EndsWithin(std::chrono::seconds limit, const std::function<void()>& work) {
  std::promise<void> done;
  std::future<void> ended = done.get_future();
  std::thread runner([&] {
    work();
    done.set_value();
  });
  if (ended.wait_for(limit) == std::future_status::timeout) {
    ADD_FAILURE() << "still running after " << limit.count() << " s";
    std::fflush(nullptr);
    std::_Exit(1);
  }
  runner.join();
}

// A caller stopping early (the dispatch threw) gets the reading thread back, filling or not.
TEST(ReaderBatches, StoppingEarlyEndsTheReadingThread) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "1 2 3 4\r\n";
  EndsWithin(std::chrono::seconds(30), [&bytes] {
    for (const std::size_t taken : {0u, 1u, 2u, 5u}) {
      for (const std::size_t batchCount : {2u, 4u}) {
        auto read = ChunkReader(bytes, 64);
        PaddedBuffer first(8);
        ASSERT_EQ(read(first.data(), 8), 8);
        LineBatchPipeline batches(read, std::move(first), 8,
                                  BatchingPlan{32, batchCount, true, 1.0});
        for (std::size_t i = 0; i < taken; ++i) ASSERT_NE(batches.Next(), nullptr);
      }  // the destructor must not hang
    }
  });
}

// Conversion stops when the dispatch waits: lines not reached go unconverted, never half.
TEST(ReaderBatches, ConversionStopsWhenTheDispatchWaits) {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += "1.5 2 3 4 5 6 7 8 9 10\r\n";
  for (const bool waits : {false, true}) {
    const std::atomic<bool> handOver{waits};
    LineBatchFiller filler(ChunkReader(bytes, 4096), 1 << 16);
    LineBatch batch;
    filler.Fill(batch, 1.0, 0, &handOver);
    ASSERT_EQ(batch.Lines.size(), 300u);
    for (const PreparedLine& line : batch.Lines) {
      EXPECT_EQ(line.ConvertedCount, waits ? 0 : kConvertedFields);
      EXPECT_EQ(PreparedReal(batch, line, 0), 1.5);
    }
  }
}

}  // namespace
