// Rewriting in place when a step fails: the file must end with the new bytes, the bytes
// meant for a failure, or nothing - never a mixture of old and new.
#include "platform/os/in_place_rewrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// A file in memory whose n-th write (from 1) stops half-way and whose n-th truncation fails.
class FakeFile final : public InPlaceFile {
 public:
  FakeFile(std::string initial, int failingWrite, int failingTruncate)
      : bytes(std::move(initial)), failingWrite_(failingWrite), failingTruncate_(failingTruncate) {}
  bool ReadAll(std::string& out, std::size_t limit) override {
    out = bytes;
    return bytes.size() <= limit;
  }
  bool WriteFromStart(std::string_view in) override {
    const bool fails = ++writes_ == failingWrite_;
    const std::string_view written = fails ? in.substr(0, in.size() / 2) : in;
    bytes.replace(0, std::min(bytes.size(), written.size()), written);
    return !fails;
  }
  bool Truncate(std::size_t size) override {
    if (++truncations_ == failingTruncate_) return false;
    bytes.resize(size);
    return true;
  }
  bool Flush() override { return true; }

  std::string bytes;

 private:
  int failingWrite_, failingTruncate_, writes_ = 0, truncations_ = 0;
};

constexpr int kNever = 99;

TEST(InPlaceRewrite, AFailedWriteLeavesTheFallbackOrNothing) {
  const std::string old = "hp1 0 0\r\nhp2 10 10\r\nlonger than the new list\r\n";
  const std::string fresh = "lg0\r\n0 0 1 1\r\n";
  const struct {
    const char* name;
    bool restoreOld;  // settings: the old bytes; exchange file: "hq"
    int failingWrite;
    int failingTruncate;
    bool result;
    std::string expected;
  } cases[] = {
      {"written", false, kNever, kNever, true, fresh},
      {"new bytes cut off, exchange", false, 1, kNever, false, "hq\r\n"},
      {"new bytes cut off, settings", true, 1, kNever, false, old},
      {"cut to length fails, exchange", false, kNever, 1, false, "hq\r\n"},
      {"cut to length fails, settings", true, kNever, 1, false, old},
      {"fallback cut off too, exchange", false, 2, 1, false, ""},
      {"fallback cut off too, settings", true, 2, 1, false, ""},
  };
  for (const auto& c : cases) {
    FakeFile file(old, c.failingWrite, c.failingTruncate);
    ReplaceOptions options;
    if (!c.restoreOld) options.BytesAfterFailedWrite = "hq\r\n";
    EXPECT_EQ(RewriteInPlace(file, fresh, options), c.result) << c.name;
    EXPECT_EQ(file.bytes, c.expected) << c.name;
  }
}

}  // namespace
