#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/reading/reader_line_source.h"
#include "tests/support/reader_test.h"
#include "tests/support/state_fields.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class ReaderFile : public ReaderTest {
 protected:
  fs::path Write(const std::string& bytes) {
    WriteBytes(dir_ / "JWC_TEMP.TXT", bytes);
    return dir_ / "JWC_TEMP.TXT";
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

TEST_F(ReaderFile, VeryLongLineBetweenOrdinaryOnes) {
  const std::string content(3 * 1024 * 1024 + 17, 'x');
  EXPECT_TRUE(ReadExchangeFile(Write("ci 0 0 1\r\nch 1 2 3 4 \"" + content + "\r\nci 0 0 2\r\n")));
  ASSERT_TRUE(StateHolds("", "TextList.size 1|CircleList.size 2|CircleList[1].Radius 2"));
  EXPECT_EQ(s.TextList[0].Content, content);
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

}  // namespace
