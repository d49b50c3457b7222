// Holds is checked in every build: the Release tests run without Text's assertion.
#include "numeric/padded_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PaddedBuffer, HandsOutOnlyTextsInsideIt) {
  PaddedBuffer buffer(8);
  const std::string elsewhere = "12345678";
  const struct {
    const char* what;
    std::string_view text;
    bool inside;
  } kCases[] = {
      {"the whole buffer", {buffer.data(), 8}, true},
      {"its last byte", {buffer.data() + 7, 1}, true},
      {"empty, from nowhere", {}, true},
      {"one byte past its end", {buffer.data() + 8, 1}, false},
      {"ending one byte past it", {buffer.data() + 4, 5}, false},
      {"starting in the margin", {buffer.data() - 1, 2}, false},
      {"another string's bytes", elsewhere, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(buffer.Holds(c.text), c.inside);
    if (c.inside) {
      EXPECT_EQ(buffer.Text(c.text).View().data(), c.text.data());
    } else {
      EXPECT_DEBUG_DEATH(buffer.Text(c.text), "");
    }
  }
}

}  // namespace
