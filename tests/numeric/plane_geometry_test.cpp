#include "numeric/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

struct DirectionCase {
  double dx;
  double dy;
  double expected;
};

TEST(DirectionAngle, Quadrants) {
  const DirectionCase cases[] = {
      {1, 0, 0.0},          {0, 1, kPi / 2}, {-1, 0, kPi},          {0, -1, 4.71238898038469},
      {1, -1, 7 * kPi / 4}, {1, 1, kPi / 4}, {-1, -1, 5 * kPi / 4},
  };
  for (const DirectionCase& c : cases) {
    EXPECT_NEAR(DirectionAngle(c.dx, c.dy), c.expected, 1e-14) << c.dx << ", " << c.dy;
  }
}

TEST(DirectionAngle, ZeroThresholdAppliesOnlyWhenBothComponentsAreTiny) {
  EXPECT_EQ(DirectionAngle(0, 0), 0.0);
  EXPECT_EQ(DirectionAngle(5e-11, -5e-11), 0.0);
  EXPECT_EQ(DirectionAngle(-9.9e-11, 9.9e-11), 0.0);
  EXPECT_DOUBLE_EQ(DirectionAngle(0, 1e-10), kPi / 2);
  EXPECT_DOUBLE_EQ(DirectionAngle(-1e-10, 0), kPi);
}

TEST(DirectionAngle, StaysWithinZeroToFullTurn) {
  const double belowAxis = DirectionAngle(1.0, -1e-300);
  EXPECT_GT(belowAxis, 6.28);
  EXPECT_LE(belowAxis, 6.283185307179586);
  const double justBelow = DirectionAngle(1.0, -1e-9);
  EXPECT_LT(justBelow, 6.283185307179586);
  EXPECT_GT(justBelow, 6.28318530);
  EXPECT_EQ(DirectionAngle(-1.0, -0.0), 6.283185307179586 - kPi);  // atan2(-0, -1) = -pi
}

TEST(PointDistance, IsSymmetricAndExact) {
  EXPECT_EQ(PointDistance(0, 0, 3, 4), 5.0);
  EXPECT_EQ(PointDistance(3, 4, 0, 0), 5.0);
  EXPECT_EQ(PointDistance(-2.5, 7, -2.5, 7), 0.0);
  EXPECT_EQ(PointDistance(1, 1, 4, 5), PointDistance(4, 5, 1, 1));
  EXPECT_EQ(PointDistance(0, 0, -6, 8), 10.0);
}

}  // namespace
