// Rewriting in place on a file whose writes stop at a limit (a file-size limit, a quota):
// the way back stops at the same place, and what the file holds afterwards is decided by
// its contents, never left half-written.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "os/in_place_rewrite.h"

namespace {

// A file in memory whose bytes past `limit` can never be written.
class LimitedFile final : public InPlaceFile {
 public:
  LimitedFile(std::string bytes, std::size_t limit) : bytes_(std::move(bytes)), limit_(limit) {}

  bool ReadAll(std::string& bytes, std::size_t limit) override {
    if (bytes_.size() > limit) return false;
    bytes = bytes_;
    return true;
  }
  bool WriteFromStart(std::string_view bytes) override {
    const std::size_t fits = std::min(bytes.size(), limit_);
    if (bytes_.size() < fits) bytes_.resize(fits);
    std::copy_n(bytes.begin(), fits, bytes_.begin());
    return fits == bytes.size();
  }
  bool Truncate(std::size_t size) override {
    if (size > bytes_.size()) return false;
    bytes_.resize(size);
    return true;
  }
  bool Flush() override { return true; }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::size_t limit_;
};

TEST(InPlaceRewrite, WritesStoppedByALimit) {
  const std::string settings = "3\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n";
  struct Case {
    const char* what;
    std::string old, bytes;
    std::size_t limit;
    std::optional<std::string_view> afterFailure;
    bool replaced;
    std::string expected;
  } cases[] = {
      {"within the limit", settings, "1\r\n", 64, std::nullopt, true, "1\r\n"},
      {"settings longer than the limit keep every old byte", settings,
       "30\r\n50\r\n20\r\n10\r\n125\r\n5\r\n30\r\n", 8, std::nullopt, false, settings},
      {"the way back written whole", "0 0 1 1\r\n", "0 0 100 100\r\n", 10, "hq\r\n", false,
       "hq\r\n"},
      {"nothing fits: an old file longer than the limit stays as it was", settings,
       "4\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n", 0, std::nullopt, false, settings},
      {"a way back that does not fit empties the file", "x", "0 0 100 100\r\n", 2, "hq\r\n", false,
       ""},
  };
  for (const Case& c : cases) {
    LimitedFile file(c.old, c.limit);
    ReplaceOptions options;
    options.BytesAfterFailedWrite = c.afterFailure;
    EXPECT_EQ(RewriteInPlace(file, c.bytes, options), c.replaced) << c.what;
    EXPECT_EQ(file.Bytes(), c.expected) << c.what;
  }
}

}  // namespace
