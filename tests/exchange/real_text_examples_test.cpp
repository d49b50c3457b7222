// The written form of reals: one table of values and the exact text they must give.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "exchange/writing/real_text.h"

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

TEST(RealText, EverydayValues) {
  ExpectTexts({{0.1, "0.1"}, {1.0 / 3.0, "0.333333333333333"}, {2.0 / 3.0, "0.666666666666667"}});
  ExpectTexts({{-2.5, "-2.5"}, {12.25, "12.25"}, {0.5, "0.5"}, {1.0, "1"}, {-1.0, "-1"}});
  ExpectTexts({{50000000.0, "50000000"}, {30.0, "30"}, {123456.789, "123456.789"}});
  ExpectTexts({{3.141592653589793, "3.14159265358979"}});
}

// Positional from E = -3 (0.000d...) up to E = 15 (fifteen digits before the point).
TEST(RealText, NotationSwitchesAtTheExponentBoundaries) {
  ExpectTexts({{1e15, "1E15"}, {999999999999999.0, "999999999999999"}});
  ExpectTexts({{123456789012345.0, "123456789012345"}, {1e14, "100000000000000"}});
  ExpectTexts({{1234567890123456.0, "1.23456789012346E15"}, {0.0001, "0.0001"}});
  ExpectTexts({{0.00012345, "0.00012345"}, {0.00001, "1E-5"}, {0.000012345, "1.2345E-5"}});
  ExpectTexts({{1e20 / 3.0, "3.33333333333333E19"}, {2e-8, "2E-8"}, {-1.5e-7, "-1.5E-7"}});
  ExpectTexts({{1e100, "1E100"}, {-1e-100, "-1E-100"}});
}

// Half-up on the exact binary value: ties away from zero; a carry can switch the notation.
TEST(RealText, RoundsHalfUpOnTheExactValue) {
  // An exact tie; half-even would give 1E15.
  ExpectTexts({{1000000000000005.0, "1.00000000000001E15"}});
  ExpectTexts({{1000000000000015.0, "1.00000000000002E15"}});
  ExpectTexts({{999999999999999.5, "1E15"}});  // carry moves E from 15 to 16
  ExpectTexts({{-999999999999999.5, "-1E15"}});
  ExpectTexts({{2.000000000000005, "2"}});                 // 2.00000000000000488... in binary
  ExpectTexts({{1.000000000000005, "1.00000000000001"}});  // 1.00000000000000510... in binary
  ExpectTexts({{99999999999999.85, "99999999999999.8"}});  // ...99.84375 in binary
  ExpectTexts({{99999999999999.95, "100000000000000"}});   // ...99.953125 in binary
  ExpectTexts({{0.1 + 0.2, "0.3"}, {0.00099999999999999995, "0.001"}});
}

TEST(RealText, ExtremesOfTheDoubleRange) {
  ExpectTexts({{Limits::max(), "1.79769313486232E308"}, {Limits::min(), "2.2250738585072E-308"}});
  ExpectTexts({{Limits::lowest(), "-1.79769313486232E308"}});
  ExpectTexts({{Limits::denorm_min(), "4.94065645841247E-324"}});
}

// Zero of either sign is 0, and so are the values the reader has no word for (any word reads as 0).
TEST(RealText, ZeroAndNonFiniteValuesAreWrittenAsZero) {
  ExpectTexts({{0.0, "0"}, {-0.0, "0"}});
  ExpectTexts({{Limits::infinity(), "0"}, {-Limits::infinity(), "0"}, {Limits::quiet_NaN(), "0"}});
}

}  // namespace
