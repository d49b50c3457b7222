#include "numeric/lenient_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <limits>
#include <string_view>

namespace {

struct IntCase {
  std::string_view text;
  std::int32_t expected;
};

struct RealCase {
  std::string_view text;
  double expected;
};

void CheckInts(std::initializer_list<IntCase> cases) {
  for (const IntCase& c : cases) {
    EXPECT_EQ(LenientStrToInt(c.text), c.expected) << "text: [" << c.text << "]";
  }
}

// The text `lead` bytes into a buffer, digits before and points after: a bad mask shows.
double ReadInBuffer(std::string_view text, std::size_t lead) {
  const std::string bytes = std::string(lead, '7') + std::string(text) + "..";
  PaddedBuffer buffer(bytes.size());
  std::memcpy(buffer.data(), bytes.data(), bytes.size());
  return LenientStrToFloat(buffer.Text(std::string_view(buffer.data() + lead, text.size())));
}

// Bit for bit as LenientStrToFloat(text) at every lead, both sides of the 16-byte read.
void ExpectSameInBuffer(std::string_view text) {
  const double expected = LenientStrToFloat(text);
  for (std::size_t lead = 0; lead <= 17; ++lead) {
    const double value = ReadInBuffer(text, lead);
    ASSERT_EQ(std::signbit(value), std::signbit(expected)) << "[" << text << "] at " << lead;
    ASSERT_EQ(value, expected) << "[" << text << "] at " << lead;
  }
}

void CheckReals(std::initializer_list<RealCase> cases) {
  for (const RealCase& c : cases) {
    const double value = LenientStrToFloat(c.text);
    EXPECT_EQ(value, c.expected) << "text: [" << c.text << "]";
    EXPECT_FALSE(std::signbit(value) && value == 0.0) << "negative zero from [" << c.text << "]";
    ExpectSameInBuffer(c.text);
  }
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(LenientStrToInt, SpacesAndEmptyText) {
  CheckInts({{"", 0}, {"   ", 0}, {" 12", 12}, {"12 ", 0}, {"1 2", 0}, {"\t12", 0}, {"12\t", 0}});
}

TEST(LenientStrToInt, Decimal) {
  CheckInts({{"007", 7}, {"010", 10}, {"-0", 0}, {"+5", 5}, {"-5", -5}, {"--5", 0}, {"+-5", 0}});
  CheckInts({{"-", 0}, {"+", 0}, {"5-", 0}, {"1.0", 0}, {"1e3", 0}, {"2147483647", 2147483647}});
  CheckInts({{"-2147483648", kMin}, {"2147483648", 0}, {"-2147483649", 0}});
  CheckInts({{"00000000000002147483647", 2147483647}, {"99999999999999999999999", 0}});
}

TEST(LenientStrToInt, Hexadecimal) {
  CheckInts({{"$1F", 31}, {"x1F", 31}, {"X1f", 31}, {"0x1F", 31}, {"0X1f", 31}, {"$", 0}});
  CheckInts(
      {{"0x", 0}, {"x", 0}, {"$FFFFFFFF", -1}, {"$80000000", kMin}, {"$7FFFFFFF", 2147483647}});
  CheckInts({{"$100000000", 0}, {"$000000001F", 31}, {"-$10", -16}, {"-0x10", -16}, {"+$10", 16}});
  CheckInts({{"$-10", 0}, {"-$80000000", kMin}, {"-$FFFFFFFF", 1}, {"$1G", 0}, {"$1F ", 0}});
  CheckInts({{" $a", 10}, {"0$1", 0}, {"$100000001", 0}});  // nine digits, not wrapped to 1
}

TEST(LenientStrToFloat, SpacesAndEmptyText) {
  CheckReals({{"", 0.0}, {"   ", 0.0}, {" 1.5", 1.5}, {"1.5 ", 0.0}, {"1 .5", 0.0}, {"\t1", 0.0}});
}

TEST(LenientStrToFloat, MantissaForms) {
  CheckReals({{"1.5", 1.5}, {"+1.5", 1.5}, {"-1.5", -1.5}, {"1.5e0", 1.5}, {".5", 0.5}});
  CheckReals({{"5.", 5.0}, {"-.5", -0.5}, {".", 0.0}, {"+", 0.0}, {"-", 0.0}, {"-.", 0.0}});
  CheckReals({{"-0", 0.0}, {"-0.0e5", 0.0}, {"1,5", 0.0}, {"1.2.3", 0.0}, {"0x10", 0.0}});
  // Bytes from 0x80 up among the digits.
  CheckReals({{"12\xB5\x33.5", 0.0}, {"1.23\xC4\x35\x36", 0.0}, {"1234/678", 0.0}});
  CheckReals({{"12:4.5678", 0.0}, {"$10", 0.0}, {"--1", 0.0}, {"inf", 0.0}, {"nan", 0.0}});
  CheckReals({{"infinity", 0.0}, {"0.1", 0.1}, {"3.14159265358979", 3.14159265358979}});
  CheckReals({{"123456789012345678901234567890", 123456789012345678901234567890.0}});
}

TEST(LenientStrToFloat, Exponents) {
  CheckReals({{"1e3", 1000.0}, {"1E+3", 1000.0}, {"2.5e-2", 0.025}, {"1e", 0.0}, {"1e+", 0.0}});
  CheckReals({{"1e-", 0.0}, {"1e3.0", 0.0}, {"1e3 ", 0.0}, {".e5", 0.0}, {"5.e1", 50.0}});
  CheckReals({{"1e0000000000000000000000003", 1000.0}});
}

TEST(LenientStrToFloat, ValuesBeyondTheDoubleRangeReadAsZero) {
  CheckReals({{"1e400", 0.0}, {"-1e400", 0.0}, {"1e99999999999999999999", 0.0}, {"1e-400", 0.0}});
  CheckReals({{"2e-324", 0.0}});  // nearer to 0 than to the smallest subnormal
  CheckReals({{"1.7976931348623157e308", std::numeric_limits<double>::max()}});
}

TEST(LenientStrToFloat, TinyValuesBecomeTheNearestSubnormal) {
  const double smallest = std::numeric_limits<double>::denorm_min();
  CheckReals({{"4.9406564584124654e-324", smallest}, {"3e-324", smallest}});
  CheckReals({{"-3e-324", -smallest}, {"1e-310", 1e-310}});
}

TEST(LenientStrToFloat, NearestDoubleOnBothSidesOfTheExactFastPath) {
  CheckReals({{"9007199254740992", 9007199254740992.0}, {"1e22", 1e22}, {"1e23", 1e23}});
  CheckReals({{"9007199254740993", 9007199254740992.0}});  // ties to even
  CheckReals({{"123456789012345678", 123456789012345678.0}, {"0.1e-20", 1e-21}});
  CheckReals({{"-12345.6789", -12345.6789}, {"0.000000000000000000001", 1e-21}});
  CheckReals({{"00000000000000000000000000001.5", 1.5}, {"0e999999", 0.0}});
  CheckReals({{"1.00000000000000000000000000001", 1.0}});
}

// Six decimals are read two words at a time: cases at the shape's length ends and word cuts.
TEST(LenientStrToFloat, SixDecimalFields) {
  CheckReals({{"1.234567", 1.234567}, {"-.123456", -0.123456}, {"+.000001", 0.000001}});
  CheckReals({{"-0.000000", 0.0}, {"12345678.123456", 12345678.123456}});
  CheckReals({{"-1234567.999999", -1234567.999999}, {"-12345678.123456", -12345678.123456}});
  CheckReals({{"123456789.123456", 123456789.123456}, {"12.34567", 12.34567}});
  CheckReals({{"1.2345678", 1.2345678}, {"1-.123456", 0.0}, {"--.123456", 0.0}});
  CheckReals({{"+-1.123456", 0.0}, {" 1.123456", 1.123456}, {"1 .123456", 0.0}});
  CheckReals({{"12a4.123456", 0.0}, {"1234.12345a", 0.0}, {"1234.1234.6", 0.0}});
  CheckReals({{"12:4.123456", 0.0}, {"1234/123456", 0.0}});
}

// Past 64 bits no digit may wrap: 2^64 + 1 and 2^65 + 1 read as the nearest doubles, not 1.
TEST(LenientStrToFloat, DigitsBeyondSixtyFourBits) {
  CheckReals({{"18446744073709551617", 18446744073709551616.0}});
  CheckReals({{"-18446744073709551617", -18446744073709551616.0}});
  CheckReals({{"36893488147419103233", 36893488147419103232.0}});
  CheckReals({{"18446744073709551617.5", 18446744073709551616.0}, {"99999999999999999999", 1e20}});
  CheckReals({{"1844674407370955161.7", 1844674407370955161.7}});
}

// Random decimal digits, as many as asked.
std::string RandomDigits(std::mt19937& rng, int count) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::string text;
  for (; count > 0; --count) text += static_cast<char>('0' + digit(rng));
  return text;
}

// Unsigned, "+" and "-", alone and in a buffer, as the standard conversion reads it.
void ExpectStandardConversion(const std::string& text) {
  double expected = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), expected);
  if (result.ec != std::errc()) expected = 0.0;
  const double negated = expected == 0.0 ? 0.0 : -expected;
  ASSERT_EQ(LenientStrToFloat(text), expected) << text;
  ASSERT_EQ(LenientStrToFloat('+' + text), expected) << text;
  ASSERT_EQ(LenientStrToFloat('-' + text), negated) << text;
  ASSERT_EQ(ReadInBuffer(text, 16), expected) << text;
  ASSERT_EQ(ReadInBuffer('-' + text, 16), negated) << text;
}

// Every length of the six-decimal shape.
TEST(LenientStrToFloat, SixDecimalFieldsMatchTheStandardConversion) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 20000; ++round) {
    const std::string whole = RandomDigits(rng, round % 10) + '.';
    ASSERT_NO_FATAL_FAILURE(ExpectStandardConversion(whole + RandomDigits(rng, 6)));
  }
}

// Random decimal texts in every shape.
TEST(LenientStrToFloat, MatchesTheStandardConversion) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> digitCount(0, 22);
  std::uniform_int_distribution<int> exponent(-330, 330);
  std::uniform_int_distribution<int> coin(0, 3);
  for (int round = 0; round < 20000; ++round) {
    std::string text = RandomDigits(rng, digitCount(rng));
    if (coin(rng) != 0) text += '.' + RandomDigits(rng, digitCount(rng));
    if (text.find_first_of("0123456789") == std::string::npos) text += '7';
    if (coin(rng) == 0) text += 'e' + std::to_string(exponent(rng) / (coin(rng) + 1));
    ASSERT_NO_FATAL_FAILURE(ExpectStandardConversion(text));
  }
}

}  // namespace
