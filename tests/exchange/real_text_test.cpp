// The written form of reals: values and the exact text they must give; random values read back by
// the tool's own number reader; and RealToText against an independent reference, the exact
// decimal expansion by long multiplication, rounded half-up with string arithmetic
// (AUXLINE_LONG_TESTS sweeps 50 times more).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "exchange/writing/real_text.h"
#include "numeric/lenient_number.h"

namespace {

using Limits = std::numeric_limits<double>;

struct RealTextCase {
  double value;
  const char* text;
};

void ExpectTexts(std::initializer_list<RealTextCase> cases) {
  for (const RealTextCase& c : cases) {
    EXPECT_EQ(RealToText(c.value), c.text) << "value " << c.value;
    std::string appended = "x ";
    AppendRealText(appended, c.value);
    EXPECT_EQ(appended, std::string("x ") + c.text);
  }
}

TEST(RealText, ExactTexts) {
  ExpectTexts({{0.1, "0.1"}, {1.0 / 3.0, "0.333333333333333"}, {2.0 / 3.0, "0.666666666666667"}});
  ExpectTexts({{-2.5, "-2.5"}, {12.25, "12.25"}, {0.5, "0.5"}, {1.0, "1"}, {-1.0, "-1"}});
  ExpectTexts({{50000000.0, "50000000"}, {30.0, "30"}, {123456.789, "123456.789"}});
  ExpectTexts({{3.141592653589793, "3.14159265358979"}});
  // Positional from E = -3 (0.000d...) up to E = 15 (fifteen digits before the point).
  ExpectTexts({{1e15, "1E15"}, {999999999999999.0, "999999999999999"}});
  ExpectTexts({{123456789012345.0, "123456789012345"}, {1e14, "100000000000000"}});
  ExpectTexts({{1234567890123456.0, "1.23456789012346E15"}, {0.0001, "0.0001"}});
  ExpectTexts({{0.00012345, "0.00012345"}, {0.00001, "1E-5"}, {0.000012345, "1.2345E-5"}});
  ExpectTexts({{1e20 / 3.0, "3.33333333333333E19"}, {2e-8, "2E-8"}, {-1.5e-7, "-1.5E-7"}});
  ExpectTexts({{1e100, "1E100"}, {-1e-100, "-1E-100"}});
  // Half-up on the exact binary value: ties away from zero; a carry can switch the notation. An
  // exact tie; half-even would give 1E15.
  ExpectTexts({{1000000000000005.0, "1.00000000000001E15"}});
  ExpectTexts({{1000000000000015.0, "1.00000000000002E15"}});
  ExpectTexts({{999999999999999.5, "1E15"}});  // carry moves E from 15 to 16
  ExpectTexts({{-999999999999999.5, "-1E15"}});
  ExpectTexts({{2.000000000000005, "2"}});                 // 2.00000000000000488... in binary
  ExpectTexts({{1.000000000000005, "1.00000000000001"}});  // 1.00000000000000510... in binary
  ExpectTexts({{99999999999999.85, "99999999999999.8"}});  // ...99.84375 in binary
  ExpectTexts({{99999999999999.95, "100000000000000"}});   // ...99.953125 in binary
  ExpectTexts({{0.1 + 0.2, "0.3"}, {0.00099999999999999995, "0.001"}});
  ExpectTexts({{Limits::max(), "1.79769313486232E308"}, {Limits::min(), "2.2250738585072E-308"}});
  ExpectTexts({{Limits::lowest(), "-1.79769313486232E308"}});
  ExpectTexts({{Limits::denorm_min(), "4.94065645841247E-324"}});
  // Zero of either sign is 0, and so are values the reader has no word for (any word reads 0).
  ExpectTexts({{0.0, "0"}, {-0.0, "0"}});
  ExpectTexts({{Limits::infinity(), "0"}, {-Limits::infinity(), "0"}, {Limits::quiet_NaN(), "0"}});
}

// The same value up to the 15-digit rounding, and writing the value read gives the same text.
TEST(RealText, ReadBackWithinFifteenDigits) {
  std::mt19937_64 random(99);
  int failures = 0;
  for (int i = 0; i < 50000; ++i) {
    const auto value = std::bit_cast<double>(random());
    // Beyond 1.797693134862315e308 the 15-digit form passes the double range.
    if (!(std::fabs(value) <= 1.797693134862315e308)) continue;
    const std::string text = RealToText(value);
    const double read = LenientStrToFloat(text);
    const double allowed = std::fabs(value) * 5.2e-15 + Limits::denorm_min();
    const bool close = std::fabs(read - value) <= allowed;
    const bool stable = RealToText(read) == text;
    if ((!close || !stable) && ++failures <= 10) {
      ADD_FAILURE() << std::hexfloat << value << " written " << text << " read " << read;
    }
  }
  EXPECT_EQ(failures, 0);
}

#ifdef AUXLINE_LONG_TESTS
constexpr int kScale = 50;
#else
constexpr int kScale = 1;
#endif

// Non-negative big integer, one decimal digit a limb, least significant first: a digit times a
// factor below 2^53, plus the carry, fits 64 bits.
using BigNumber = std::vector<std::uint8_t>;

void MultiplyBy(BigNumber& n, std::uint64_t factor) {
  std::uint64_t carry = 0;
  for (std::uint8_t& digit : n) {
    const std::uint64_t product = digit * factor + carry;
    digit = static_cast<std::uint8_t>(product % 10);
    carry = product / 10;
  }
  for (; carry != 0; carry /= 10) n.push_back(static_cast<std::uint8_t>(carry % 10));
}

// Powers of two and five up to the largest the double range needs, built once.
const BigNumber& Power(std::uint64_t base, int exponent) {
  static std::vector<BigNumber> twos{BigNumber{1}};
  static std::vector<BigNumber> fives{BigNumber{1}};
  std::vector<BigNumber>& table = base == 2 ? twos : fives;
  while (static_cast<int>(table.size()) <= exponent) {
    table.push_back(table.back());
    MultiplyBy(table.back(), base);
  }
  return table[static_cast<std::size_t>(exponent)];
}

// Every digit of |value| (finite, non-zero), and the exponent e with |value| = 0.digits * 10^e.
std::pair<std::string, int> ExactDigits(double value) {
  int binaryExponent = 0;
  const double fraction = std::frexp(std::fabs(value), &binaryExponent);
  // |value| = mantissa * 2^power; with power < 0, mantissa * 5^-power / 10^-power.
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int power = binaryExponent - 53;
  BigNumber n = Power(power > 0 ? 2 : 5, std::abs(power));
  MultiplyBy(n, mantissa);
  std::string digits(n.rbegin(), n.rend());
  for (char& digit : digits) digit = static_cast<char>('0' + digit);
  return {digits, static_cast<int>(digits.size()) + std::min(power, 0)};
}

// The written form, built from the exact digits with string operations only.
std::string ReferenceText(double value) {
  if (value == 0.0) return "0";
  auto [exact, e] = ExactDigits(value);
  std::string kept = exact.substr(0, 15);
  if (exact.size() > 15 && exact[15] >= '5') {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) {
      kept.insert(kept.begin(), '1');
      ++e;
    } else {
      ++kept[i - 1];
    }
  }
  kept.erase(kept.find_last_not_of('0') + 1);
  const int n = static_cast<int>(kept.size());
  std::string text = value < 0 ? "-" : "";
  if (e >= -3 && e <= 0) {
    text += "0.";
    text.append(static_cast<std::size_t>(-e), '0');
    text += kept;
  } else if (e >= 1 && e <= 15) {
    text.append(kept, 0, static_cast<std::size_t>(e));
    if (n <= e) {
      text.append(static_cast<std::size_t>(e - n), '0');
    } else {
      text += '.';
      text.append(kept, static_cast<std::size_t>(e));
    }
  } else {
    text += kept[0];
    if (n > 1) {
      text += '.';
      text.append(kept, 1);
    }
    text += 'E';
    text += std::to_string(e - 1);
  }
  return text;
}

double Parsed(const std::string& text) {
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Compares both signs of every value; stops reporting after a few mismatches.
void ExpectMatchesReference(const std::vector<double>& values) {
  int failures = 0;
  for (const double v : values) {
    for (const double value : {v, -v}) {
      const std::string expected = ReferenceText(value);
      const std::string actual = RealToText(value);
      if (actual != expected && ++failures <= 10) {
        ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<std::uint64_t>(value) << ": got "
                      << actual << ", exact rounding gives " << expected;
      }
    }
  }
  EXPECT_EQ(failures, 0) << "of " << values.size() << " values";
}

TEST(RealTextReference, ReferenceAgreesWithKnownExpansions) {
  EXPECT_EQ(ReferenceText(1000000000000005.0), "1.00000000000001E15");
  EXPECT_EQ(ReferenceText(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(ReferenceText(0.00001), "1E-5");
  EXPECT_EQ(ReferenceText(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324");
  auto [digits, e] = ExactDigits(0.1);
  digits.erase(digits.find_last_not_of('0') + 1);
  EXPECT_EQ(digits, "1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(e, 0);
}

// Uniform bit patterns: every binary exponent equally likely, subnormals included.
TEST(RealTextReference, RandomBitPatterns) {
  std::mt19937_64 random(20240501);
  std::vector<double> values;
  while (values.size() < static_cast<std::size_t>(20000 * kScale)) {
    const double value = std::bit_cast<double>(random() & 0x7FFFFFFFFFFFFFFFull);
    if (std::isfinite(value)) values.push_back(value);
  }
  for (int i = 0; i < 1000 * kScale; ++i)
    values.push_back(std::bit_cast<double>(random() & 0x000FFFFFFFFFFFFFull));
  ExpectMatchesReference(values);
}

// Numbers of the size the tool writes: random digits at decimal exponents -12..20.
TEST(RealTextReference, RandomDrawingMagnitudes) {
  std::mt19937_64 random(77);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 20);
  std::vector<double> values;
  for (int i = 0; i < 5000 * kScale; ++i) {
    values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
  }
  ExpectMatchesReference(values);
}

// Exact ties (odd r * 2^-j, r * 5^j of 16 digits ending in 5) round up, unlike half-even.
TEST(RealTextReference, ExactTiesRoundUp) {
  std::mt19937_64 random(5);
  std::vector<double> values{1000000000000005.0, 999999999999999.5, 1.5, 0.125};
  std::uint64_t fivePower = 1;
  for (int j = 0; j <= 22; ++j, fivePower *= 5) {
    const std::uint64_t low = (1000000000000000ull + fivePower - 1) / fivePower;
    std::uint64_t high = (10000000000000000ull - 1) / fivePower;
    if (high >= (1ull << 53)) high = (1ull << 53) - 1;
    std::uniform_int_distribution<std::uint64_t> pick(low, high);
    for (int i = 0; i < 100 * kScale; ++i) {
      std::uint64_t r = pick(random);
      r = j == 0 ? r / 10 * 10 + 5 : r | 1;
      if (r > high) continue;
      values.push_back(std::ldexp(static_cast<double>(r), -j));
    }
  }
  ExpectMatchesReference(values);
}

// Beside 16-digit decimals ending in 5, over all exponents: the shortest form cannot decide.
TEST(RealTextReference, NearTies) {
  std::mt19937_64 random(11);
  std::uniform_int_distribution<std::uint64_t> leading(100000000000000ull, 999999999999999ull);
  std::uniform_int_distribution<int> exponent(-320, 300);
  std::vector<double> values;
  for (int i = 0; i < 2000 * kScale; ++i) {
    const double value =
        Parsed(std::to_string(leading(random)) + "5e" + std::to_string(exponent(random)));
    if (value == 0.0 || !std::isfinite(value)) continue;
    values.push_back(value);
    values.push_back(std::nextafter(value, 0.0));
    values.push_back(std::nextafter(value, 1e308));
  }
  ExpectMatchesReference(values);
}

// Hard cases, digits 16 to 21 "500000" or "499999" a hair beside the tie: only the complete
// expansion decides. Built with 128-bit integers, which only the 64-bit compilers have.
#if defined(__SIZEOF_INT128__)
__extension__ using Wide = unsigned __int128;

Wide WidePower(Wide base, int exponent) {
  Wide result = 1;
  while (exponent-- > 0) result *= base;
  return result;
}

Wide PowerModulo(Wide base, Wide exponent, Wide modulus) {
  Wide result = 1;
  base %= modulus;
  for (; exponent != 0; exponent >>= 1, base = base * base % modulus) {
    if (exponent & 1) result = result * base % modulus;
  }
  return result;
}

// m in [2^52, 2^53) and in [low, high] with m = residue (mod modulus), or 0 if none.
std::uint64_t MantissaInRange(Wide residue, Wide modulus, Wide low, Wide high) {
  const Wide two52 = Wide{1} << 52;
  if (low < two52) low = two52;
  if (high > (Wide{1} << 53) - 1) high = (Wide{1} << 53) - 1;
  if (low > high) return 0;
  const Wide m = residue + (low > residue ? (low - residue + modulus - 1) / modulus : 0) * modulus;
  return m <= high ? static_cast<std::uint64_t>(m) : 0;
}

std::vector<double> HardCases() {
  std::vector<double> values;
  // Large integers m * 2^e, 15 + p digits, m * 2^e = 10^p / 2 +- 2^(p-1) (mod 10^p).
  for (int p = 9; p <= 22; ++p) {
    const Wide five = WidePower(5, p);
    for (int e = p; e <= p + 70; ++e) {
      const Wide low = (WidePower(10, p + 14) + (Wide{1} << e) - 1) >> e;
      const Wide high = (WidePower(10, p + 15) - 1) >> e;
      const Wide inverse = PowerModulo(Wide{1} << (e - p), 4 * five / 5 - 1, five);
      for (const Wide r : {(five - 1) / 2, (five + 1) / 2}) {
        const std::uint64_t m = MantissaInRange(r * inverse % five, five, low, high);
        if (m != 0) values.push_back(std::ldexp(static_cast<double>(m), e));
      }
    }
  }
  // Small values m * 2^-j = m * 5^j / 10^j, m * 5^j of 15 + q digits, the last q of them
  // 5 * 10^(q-1) +- 5^q.
  for (int q = 21; q <= 23; ++q) {
    const Wide twoQ = Wide{1} << q;
    for (int j = q; j <= q + 12; ++j) {
      const Wide fiveJ = WidePower(5, j);
      const Wide low = (WidePower(10, q + 14) + fiveJ - 1) / fiveJ;
      const Wide high = (WidePower(10, q + 15) - 1) / fiveJ;
      const Wide inverse = PowerModulo(WidePower(5, j - q), (twoQ >> 1) - 1, twoQ);
      for (const Wide s : {(twoQ >> 1) - 1, (twoQ >> 1) + 1}) {
        const std::uint64_t m = MantissaInRange(s * inverse % twoQ, twoQ, low, high);
        if (m != 0) values.push_back(std::ldexp(static_cast<double>(m), -j));
      }
    }
  }
  return values;
}

TEST(RealTextReference, HardCasesBesideATie) {
  const std::vector<double> values = HardCases();
  ASSERT_GT(values.size(), 100u);
  int below = 0;
  for (const double value : values) {
    const std::string exact = ExactDigits(value).first;
    ASSERT_GT(exact.size(), 21u);
    // The construction must land beside the tie: "4999995..." or "5000004..." after digit 15.
    const std::string tail = exact.substr(15, 6);
    ASSERT_TRUE(tail == "499999" || tail == "500000") << exact;
    if (tail == "499999") ++below;
  }
  EXPECT_GT(below, 10);
  ExpectMatchesReference(values);
}
#endif  // __SIZEOF_INT128__

// Around every power of ten and the carries reaching it, notation boundaries E = -4, -3, 15, 16.
TEST(RealTextReference, PowersOfTenAndCarries) {
  std::vector<double> values;
  for (int k = -323; k <= 308; ++k) {
    for (const char* pattern : {"1e", "9.999999999999995e", "9.9999999999999949e",
                                "9.99999999999999e", "1.00000000000001e"}) {
      const double value = Parsed(pattern + std::to_string(k));
      if (value == 0.0 || !std::isfinite(value)) continue;
      double below = value;
      double above = value;
      values.push_back(value);
      for (int step = 0; step < 3 * kScale; ++step) {
        below = std::nextafter(below, 0.0);
        above = std::nextafter(above, 1e308);
        values.push_back(below);
        if (std::isfinite(above)) values.push_back(above);
      }
    }
  }
  ExpectMatchesReference(values);
}

}  // namespace
