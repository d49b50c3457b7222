#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/reading/line_splitter.h"

namespace {

// Exactly `fields`: the count, each field, and every later field empty even after a longer line.
::testing::AssertionResult SameFields(const FieldTable& table,
                                      const std::vector<std::string>& fields) {
  if (table.FieldCount != static_cast<int>(fields.size())) {
    return ::testing::AssertionFailure() << table.FieldCount << " fields, not " << fields.size();
  }
  for (std::size_t i = 0; i < kMaxFields; ++i) {
    const std::string expected = i < fields.size() ? fields[i] : std::string();
    if (table.Field[i] != expected) {
      return ::testing::AssertionFailure() << "field " << i << " [" << table.Field[i] << "]";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(LineSplitter, Fields) {
  const std::string mebibyte(1 << 20, 'x');
  std::string forty, full;
  std::vector<std::string> first32;
  for (int i = 0; i < 40; ++i) forty += std::to_string(i) + " ";
  for (int i = 0; i < 32; ++i) first32.push_back(std::to_string(i)), full += "v ";
  const struct {
    std::string what, line;
    std::vector<std::string> fields;  // FieldCount is their count
  } kCases[] = {
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
      // Quotes and equals signs.
      {"first quote dropped, blanks kept after it",
       "ch 1 2 3 4 \"hello  world",
       {"ch", "1", "2", "3", "4", "hello  world"}},
      {"tabs vanish after the quote", "ch 1 2 3 4 \"a\tb \tc", {"ch", "1", "2", "3", "4", "ab c"}},
      {"second quote is text", "ch 1 2 3 4 \"say \"hi\"", {"ch", "1", "2", "3", "4", "say \"hi\""}},
      {"quote inside a field ends splitting", "ab\"c d", {"abc d"}},
      {"quote after a blank opens the field", "a \" b", {"a", " b"}},
      {"equals kept and ends splitting", "file=C:\\My Dir\\a b.drw", {"file=C:\\My Dir\\a b.drw"}},
      {"equals after blanks", "x = 1 2", {"x", "= 1 2"}},
      {"quote after equals is text", "a=\"b\"", {"a=\"b\""}},
      {"trailing blank after equals is text", "a= ", {"a= "}},
      // Shift JIS, and the bytes dropped.
      {"full-width space does not split",
       "ch 1 2 3 4 A\x81\x40\x42",
       {"ch", "1", "2", "3", "4", "A\x81\x40\x42"}},
      {"full-width space in field 0", "\x81\x40 x", {"\x81\x40", "x"}},
      {"trail byte that looks like a quote", "a\x81\"b c", {"a\x81\"b", "c"}},
      {"trail byte that looks like a blank", "a\x95 b", {"a\x95 b"}},
      {"trail byte that is a control byte", "a\xE0\x01 b", {"a\xE0\x01", "b"}},
      {"lone lead byte at the end dropped", "ab \x82", {"ab", ""}},
      {"lone lead byte after quote dropped", "\"ab\x82", {"ab"}},
      {"control bytes dropped", "a\x01\x02\x62\x1f c\x7f", {"ab", "c\x7f"}},
      {"FE and FF dropped", "a\xFE\x62\xFF", {"ab"}},
      {"single-byte katakana kept", "\xB1\xB2 \xDF", {"\xB1\xB2", "\xDF"}},
      {"carriage return dropped inside a line", "1 2\r3", {"1", "23"}},
      {"plain bytes right after flagged ones", "a\x01!#\x1f\"$%&'", {"a!#$%&'"}},
      {"trail byte in the next 64-byte block",
       std::string(63, 'x') + "\x81 y z",
       {std::string(63, 'x') + "\x81 y", "z"}},
      // After the quote or equals a double-byte pair stays whole, even a trail byte alone dropped.
      {"pair after the quote",
       "ch 1 2 3 4 \"a\x82\xA0\x62",
       {"ch", "1", "2", "3", "4", "a\x82\xA0\x62"}},
      {"trail byte is a tab", "\"a\x81\tb\tc", {"a\x81\tbc"}},
      {"trail byte is a quote", "x=\x95\"y", {"x=\x95\"y"}},
      {"trail byte is a control byte", "=\xE0\x01\x01", {"=\xE0\x01"}},
      {"pair then lone lead byte", "\"\x82\xA0\x82", {"\x82\xA0"}},
      {"a line of a mebibyte", "ch 1 2 3 4 \"" + mebibyte, {"ch", "1", "2", "3", "4", mebibyte}},
      // Never past 32 fields: exactly 32 fit, a trailing blank after them adds nothing; a
      // shorter line after them leaves every later field empty.
      {"forty fields", forty, first32},
      {"32 fields and a trailing blank", full, std::vector<std::string>(32, "v")},
      {"a short line after a full one", "a b", {"a", "b"}},
  };
  LineSplitter splitter;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(SameFields(splitter.Split(c.line), c.fields));
  }
}

// The tokenizer rules walked byte by byte, as plainly as they can be written.
std::vector<std::string> ReferenceSplit(std::string_view line) {
  auto isLead = [](unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
  };
  std::vector<std::string> fields(1);
  bool splitting = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto b = static_cast<unsigned char>(line[i]);
    if (isLead(b)) {
      if (i + 1 == line.size()) break;
      fields.back() += line.substr(i, 2);
      ++i;
    } else if (splitting && b == '"') {
      splitting = false;
    } else if (splitting && b == '=') {
      fields.back() += '=';
      splitting = false;
    } else if (splitting && (b == ' ' || b == '\t')) {
      if (!fields.back().empty()) {
        if (fields.size() == kMaxFields) break;
        fields.emplace_back();
      }
    } else if (b >= 0x20 && b <= 0xFD) {
      fields.back() += static_cast<char>(b);
    }
  }
  return fields;
}

// Random lines, and a special byte at every position of lines up to 140 bytes.
TEST(LineSplitter, AgreesWithTheByteByByteRules) {
  const std::string alphabet = std::string(" \t\"=a1.-\x01\r\x81\x40\xE0\xFE\xFF\xB1") + '\0';
  std::mt19937 rng(2024);
  std::uniform_int_distribution<std::size_t> length(0, 150);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> plainRun(0, 3);
  LineSplitter splitter;
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    for (std::size_t n = length(rng); line.size() < n;) {
      // Mostly separators and runs of plain bytes, now and then anything else.
      line += plainRun(rng) == 0 ? alphabet[pick(rng)] : (plainRun(rng) == 0 ? ' ' : 'x');
    }
    ASSERT_TRUE(SameFields(splitter.Split(line), ReferenceSplit(line))) << "round " << round;
  }
  // Bytes go in overlapping groups of 8 or 16: one special byte anywhere must be seen once.
  const std::string specials = std::string(" \t\"=\x81\x01\xFE\xE0") + '\0';
  for (std::size_t size = 1; size <= 140; ++size) {
    for (std::size_t at = 0; at < size; ++at) {
      for (const char special : specials) {
        std::string line(size, '7');
        line[at] = special;
        ASSERT_TRUE(SameFields(splitter.Split(line), ReferenceSplit(line))) << size << " " << at;
      }
    }
  }
}

}  // namespace
