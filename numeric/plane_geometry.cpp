#include "numeric/plane_geometry.h"

#include <cmath>

double PointDistance(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  return std::sqrt(dx * dx + dy * dy);
}

double DirectionAngle(double dx, double dy) {
  constexpr double kZeroThreshold = 1e-10;
  constexpr double kFullTurn = 6.283185307179586;
  if (std::fabs(dx) < kZeroThreshold && std::fabs(dy) < kZeroThreshold) return 0.0;
  double angle = std::atan2(dy, dx);
  if (angle < 0.0) angle += kFullTurn;
  return angle;
}
