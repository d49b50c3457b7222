// Double-byte characters once splitting is off (after the first quote or equals sign): the
// pair travels whole, so a trail byte that looks like a tab, a quote or a control byte is
// kept, although the same byte alone would be dropped there.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "exchange/line_splitter.h"

namespace {

struct AfterQuoteCase {
  std::string_view name;
  std::string line;
  std::vector<std::string> fields;
};

TEST(LineSplitterAfterQuote, DoubleByteCharactersStayWhole) {
  const std::vector<AfterQuoteCase> cases = {
      {"pair after the quote", "ch 1 2 3 4 \"a\x82\xA0" "b", {"ch", "1", "2", "3", "4", "a\x82\xA0" "b"}},
      {"trail byte is a tab", "\"a\x81\tb\tc", {"a\x81\tbc"}},
      {"trail byte is a quote", "x=\x95\"y", {"x=\x95\"y"}},
      {"trail byte is a control byte", "=\xE0\x01\x01", {"=\xE0\x01"}},
      {"pair then lone lead byte", "\"\x82\xA0\x82", {"\x82\xA0"}},
  };
  LineSplitter splitter;
  for (const AfterQuoteCase& c : cases) {
    const FieldTable& table = splitter.Split(c.line);
    ASSERT_EQ(table.FieldCount, static_cast<int>(c.fields.size())) << c.name;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      EXPECT_EQ(table.Field[i], c.fields[i]) << c.name << ", field " << i;
    }
  }
}

}  // namespace
