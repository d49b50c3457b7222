// A rewrite in place stopped by a size limit or quota leaves whole contents, never half.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "os/in_place_rewrite.h"
#include "tests/support/crlf_lines.h"

namespace {

// A file in memory whose bytes past `limit` can never be written.
struct LimitedFile final : InPlaceFile {
  LimitedFile(std::string b, std::size_t l) : bytes(std::move(b)), limit(l) {}
  bool ReadAll(std::string& out, std::size_t most) override {
    out = bytes;  // the caller uses it only when the whole file fitted
    return bytes.size() <= most;
  }
  bool WriteFromStart(std::string_view in) override {
    const std::size_t fits = std::min(in.size(), limit);
    if (bytes.size() < fits) bytes.resize(fits);
    std::copy_n(in.begin(), fits, bytes.begin());
    return fits == in.size();
  }
  bool Truncate(std::size_t size) override {
    if (size > bytes.size()) return false;
    bytes.resize(size);
    return true;
  }
  bool Flush() override { return true; }
  std::string bytes;
  std::size_t limit;
};

TEST(InPlaceRewrite, WritesStoppedByALimit) {
  const std::string set = CrLf("3|5|2|1|12.5|0.5|330");
  const std::optional<std::string_view> none, hq = "hq\r\n";
  const struct {
    const char* what;
    std::string old, bytes;
    std::size_t limit;
    std::optional<std::string_view> afterFailure;
    bool replaced;
    std::string expected;
  } kCases[] = {
      {"within the limit", set, "1\r\n", 64, none, true, "1\r\n"},
      {"shorter settings over the limit: old kept", set, "1\r\n", 2, none, false, set},
      {"settings over the limit: old kept", set, CrLf("30|50|20|10|125|5|30"), 8, none, false, set},
      {"the way back written whole", "0 0 1 1\r\n", "0 0 100 100\r\n", 10, hq, false, "hq\r\n"},
      {"none fits: longer old file kept", set, CrLf("4|5|2|1|12.5|0.5|330"), 0, none, false, set},
      {"a way back that does not fit empties the file", "x", "0 0 100 100\r\n", 2, hq, false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    LimitedFile file(c.old, c.limit);
    ReplaceOptions options;
    options.BytesAfterFailedWrite = c.afterFailure;
    EXPECT_EQ(RewriteInPlace(file, c.bytes, options), c.replaced);
    EXPECT_EQ(file.bytes, c.expected);
  }
}

}  // namespace
