// Sine and cosine give Linux's C library's bits on these arguments on every system, also
// where the x87 instructions erred.
#include "os/precise_trig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

TEST(PreciseTrig, AgreesWithTheOtherPlatformsToTheBit) {
  const struct {
    double x, sin, cos;
  } kCases[] = {
      {kPi, 0x1.1a62633145c07p-53, -0x1.0000000000000p+0},
      {kPi / 2, 0x1.0000000000000p+0, 0x1.1a62633145c07p-54},
      {3 * kPi / 2, -0x1.0000000000000p+0, -0x1.a79394c9e8a0ap-53},
      {2 * kPi, -0x1.1a62633145c07p-52, 0x1.0000000000000p+0},
      {kPi / 6, 0x1.fffffffffffffp-2, 0x1.bb67ae8584cabp-1},
      {kPi / 4, 0x1.6a09e667f3bccp-1, 0x1.6a09e667f3bcdp-1},
      {kPi / 3, 0x1.bb67ae8584caap-1, 0x1.0000000000001p-1},
      {30.0 / 180.0 * kPi + kPi, -0x1.ffffffffffffbp-2, -0x1.bb67ae8584cacp-1},
      {123.456 / 180.0 * kPi, 0x1.ab2a9b25a9ab8p-1, -0x1.1a43870d371fap-1},
      {1e-9, 0x1.12e0be826d695p-30, 0x1.0000000000000p+0},
      {0.5, 0x1.eaee8744b05f0p-2, 0x1.c1528065b7d50p-1},
      {-2.5, -0x1.326af0dcfcab1p-1, -0x1.9a2f7ef858b7dp-1},
      {100.0, -0x1.03425b78c4db8p-1, 0x1.b981dbf665fdfp-1},
      {12345.678, -0x1.687d5890974a5p-1, 0x1.6b94c3bbe24b8p-1},
      {1e6, -0x1.6664b2568d867p-2, 0x1.df9df9906d32cp-1},
      {0.0, 0.0, 1.0},
      {1e-300, 1e-300, 1.0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(PreciseSin(c.x), c.sin);
    EXPECT_EQ(PreciseCos(c.x), c.cos);
    EXPECT_EQ(PreciseSin(-c.x), -c.sin);
    EXPECT_EQ(PreciseCos(-c.x), c.cos);
  }
}

TEST(PreciseTrig, SpecialArguments) {
  EXPECT_TRUE(std::isnan(PreciseSin(INFINITY)));
  EXPECT_TRUE(std::isnan(PreciseCos(-INFINITY)));
  // Far beyond any angle of a drawing, still a sine.
  EXPECT_LE(std::fabs(PreciseSin(1e22)), 1.0);
}

}  // namespace
