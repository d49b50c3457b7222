#include "numeric/decimal_scan.h"

#include <gtest/gtest.h>

namespace {

using lenient_number::ScanDecimal;
using lenient_number::ScannedDecimal;

// What the scan hands the conversion: the exact path trusts mantissa and power only while
// every digit was taken, and the exact conversion reads the unsigned text.
TEST(ScanDecimal, DescribesTheTextForTheConversion) {
  const struct {
    const char* what;
    std::string_view text;
    std::optional<ScannedDecimal> expected;  // nothing: outside the syntax
  } kCases[] = {
      {"spaces and sign left out of the text", "  -1.25e+3",
       ScannedDecimal{.negative = true,
                      .unsignedText = "1.25e+3",
                      .digitCount = 3,
                      .mantissa = 125,
                      .power = 1}},
      {"fraction digits and a negative exponent", "+.5E-2",
       ScannedDecimal{.unsignedText = ".5E-2", .digitCount = 1, .mantissa = 5, .power = -3}},
      {"a digit past the bound does not lower the power", "123456789012345678.9",
       ScannedDecimal{.unsignedText = "123456789012345678.9",
                      .digitCount = 19,
                      .mantissa = 123456789012345678,
                      .mantissaExact = false}},
      {"a point alone has no digit", ".", ScannedDecimal{.unsignedText = "."}},
      {"an exponent without digits", "1e+", std::nullopt},
      {"a space after the number", "1.5 ", std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::optional<ScannedDecimal> number = ScanDecimal(c.text);
    ASSERT_EQ(number.has_value(), c.expected.has_value());
    if (!number) continue;
    EXPECT_EQ(number->negative, c.expected->negative);
    EXPECT_EQ(number->unsignedText, c.expected->unsignedText);
    EXPECT_EQ(number->digitCount, c.expected->digitCount);
    EXPECT_EQ(number->mantissa, c.expected->mantissa);
    EXPECT_EQ(number->mantissaExact, c.expected->mantissaExact);
    EXPECT_EQ(number->power, c.expected->power);
  }
}

}  // namespace
