#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/reading/reader_line_source.h"
#include "tests/support/reader_test.h"
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

TEST_F(ReaderFile, MissingFileKeepsDefaults) {
  EXPECT_FALSE(ReadExchangeFile(dir_ / "nothing.txt"));
  EXPECT_EQ(s.PaperWidth, 1189.0);
  EXPECT_EQ(s.ReadOrder.size(), 0u);
}

TEST_F(ReaderFile, DirectoryIsNoFile) {
  EXPECT_FALSE(ReadExchangeFile(dir_.Path()));
  EXPECT_EQ(s.ReadOrder.size(), 0u);
}

TEST_F(ReaderFile, LineEnds) {
  struct Case {
    std::string name;
    std::string bytes;
  };
  const Case cases[] = {
      {"LF", "lc3\nhp1 10 20\n1 2 3 4\nci 0 0 5\n"},
      {"CR LF", "lc3\r\nhp1 10 20\r\n1 2 3 4\r\nci 0 0 5\r\n"},
      {"mixed, no end on the last line", "lc3\r\nhp1 10 20\n1 2 3 4\r\nci 0 0 5"},
      {"blank lines between", "\n\r\nlc3\n\n hp1 10 20\n\t\n1 2 3 4\nci 0 0 5\n\n"},
      {"Ctrl-Z ends the file",
       "lc3\nhp1 10 20\n1 2 3 4\nci 0 0 5\n\x1A"
       "ci 0 0 9\n7 7 7 7\n"},
  };
  for (const Case& c : cases) {
    InitExchangeState();
    EXPECT_TRUE(ReadExchangeFile(Write(c.bytes))) << c.name;
    EXPECT_EQ(s.Emit.Color, 3) << c.name;
    EXPECT_EQ(s.HandPoints[1].Y, 20.0) << c.name;
    ASSERT_EQ(s.LineList.size(), 1u) << c.name;
    EXPECT_EQ(s.LineList[0].Y2, 4.0) << c.name;  // no CR left on the last value
    ASSERT_EQ(s.CircleList.size(), 1u) << c.name;
    EXPECT_EQ(s.CircleList[0].Radius, 5.0) << c.name;
    EXPECT_EQ(s.ReadOrder.size(), 2u) << c.name;
  }
}

TEST_F(ReaderFile, CtrlZInsideALineIsDropped) {
  EXPECT_TRUE(ReadExchangeFile(Write("ci 0 0 5\x1A\nci 1 1 1\n")));
  ASSERT_EQ(s.CircleList.size(), 2u);
  EXPECT_EQ(s.CircleList[0].Radius, 5.0);
}

TEST_F(ReaderFile, EmptyFile) {
  EXPECT_TRUE(ReadExchangeFile(Write("")));
  EXPECT_EQ(s.ReadOrder.size(), 0u);
}

TEST_F(ReaderFile, VeryLongLineBetweenOrdinaryOnes) {
  const std::string content(3 * 1024 * 1024 + 17, 'x');
  EXPECT_TRUE(ReadExchangeFile(Write("ci 0 0 1\r\nch 1 2 3 4 \"" + content + "\r\nci 0 0 2\r\n")));
  ASSERT_EQ(s.TextList.size(), 1u);
  EXPECT_EQ(s.TextList[0].Content, content);
  ASSERT_EQ(s.CircleList.size(), 2u);
  EXPECT_EQ(s.CircleList[1].Radius, 2.0);
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
