#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "exchange/line_splitter.h"

namespace {

struct SplitCase {
  std::string_view name;
  std::string line;
  std::vector<std::string> fields;  // expected fields, FieldCount = fields.size()
};

void CheckSplits(const std::vector<SplitCase>& cases) {
  LineSplitter splitter;
  for (const SplitCase& c : cases) {
    const FieldTable& table = splitter.Split(c.line);
    ASSERT_EQ(table.FieldCount, static_cast<int>(c.fields.size())) << c.name;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      EXPECT_EQ(table.Field[i], c.fields[i]) << c.name << ", field " << i;
    }
    // Fields past the count are empty, even after a longer line.
    for (std::size_t i = c.fields.size(); i < kMaxFields; ++i) {
      EXPECT_TRUE(table.Field[i].empty()) << c.name << ", field " << i;
    }
  }
}

TEST(LineSplitter, SeparatorsAndFieldCount) {
  CheckSplits({
      {"empty line", "", {""}},
      {"blanks only", " \t  \t", {""}},
      {"lone quote", "\"", {""}},
      {"control bytes only", "\x01\x1b\r", {""}},
      {"simple", "ci 0 0 5", {"ci", "0", "0", "5"}},
      {"leading blanks skipped", " \t ci 0", {"ci", "0"}},
      {"repeated separators count once", "a  \t\t b", {"a", "b"}},
      {"trailing blank opens an empty field", "1 2 3 4 ", {"1", "2", "3", "4", ""}},
      {"trailing tab too", "1 2 3 4\t", {"1", "2", "3", "4", ""}},
      {"several trailing blanks still one", "1 2  \t ", {"1", "2", ""}},
  });
}

TEST(LineSplitter, QuotesAndEquals) {
  CheckSplits({
      {"first quote dropped, blanks kept after it", "ch 1 2 3 4 \"hello  world",
       {"ch", "1", "2", "3", "4", "hello  world"}},
      {"tabs vanish after the quote", "ch 1 2 3 4 \"a\tb \tc", {"ch", "1", "2", "3", "4", "ab c"}},
      {"second quote is text", "ch 1 2 3 4 \"say \"hi\"", {"ch", "1", "2", "3", "4", "say \"hi\""}},
      {"quote inside a field ends splitting", "ab\"c d", {"abc d"}},
      {"quote after a blank opens the field", "a \" b", {"a", " b"}},
      {"equals kept and ends splitting", "file=C:\\My Dir\\a b.jww",
       {"file=C:\\My Dir\\a b.jww"}},
      {"equals after blanks", "x = 1 2", {"x", "= 1 2"}},
      {"quote after equals is text", "a=\"b\"", {"a=\"b\""}},
      {"trailing blank after equals is text", "a= ", {"a= "}},
  });
}

TEST(LineSplitter, ShiftJisAndDroppedBytes) {
  CheckSplits({
      {"full-width space does not split", "ch 1 2 3 4 A\x81\x40" "B", {"ch", "1", "2", "3", "4", "A\x81\x40" "B"}},
      {"full-width space in field 0", "\x81\x40 x", {"\x81\x40", "x"}},
      {"trail byte that looks like a quote", "a\x81\"b c", {"a\x81\"b", "c"}},
      {"trail byte that looks like a blank", "a\x95 b", {"a\x95 b"}},
      {"trail byte that is a control byte", "a\xE0\x01 b", {"a\xE0\x01", "b"}},
      {"lone lead byte at the end dropped", "ab \x82", {"ab", ""}},
      {"lone lead byte after quote dropped", "\"ab\x82", {"ab"}},
      {"control bytes dropped", "a\x01\x02" "b\x1f c\x7f", {"ab", "c\x7f"}},
      {"FE and FF dropped", "a\xFE" "b\xFF", {"ab"}},
      {"single-byte katakana kept", "\xB1\xB2 \xDF", {"\xB1\xB2", "\xDF"}},
      {"carriage return dropped inside a line", "1 2\r3", {"1", "23"}},
  });
}

TEST(LineSplitter, NeverWritesPastThirtyTwoFields) {
  std::string line;
  for (int i = 0; i < 40; ++i) line += std::to_string(i) + " ";
  LineSplitter splitter;
  const FieldTable& table = splitter.Split(line);
  EXPECT_EQ(table.FieldCount, kMaxFields);
  EXPECT_EQ(table.Field[0], "0");
  EXPECT_EQ(table.Field[31], "31");

  // Exactly 32 fields fit, a trailing blank after them adds nothing beyond the table.
  std::string full;
  for (int i = 0; i < 32; ++i) full += "v ";
  EXPECT_EQ(splitter.Split(full).FieldCount, kMaxFields);
  EXPECT_EQ(splitter.Split("a b").FieldCount, 2);
  EXPECT_TRUE(splitter.Split("a b").Field[31].empty());
}

TEST(LineSplitter, LongLine) {
  const std::string longText(1 << 20, 'x');
  LineSplitter splitter;
  const FieldTable& table = splitter.Split("ch 1 2 3 4 \"" + longText);
  ASSERT_EQ(table.FieldCount, 6);
  EXPECT_EQ(table.Field[5].size(), longText.size());
}

}  // namespace
