#include "tool/constructions.h"

#include <cmath>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"
#include "numeric/plane_geometry.h"
#include "os/precise_trig.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kPointMarkKind = 9;

// A slot the host did not fill holds (0, 0); so does one outside a released table.
const HandPoint& IndicatedPoint(std::size_t slot) {
  static const HandPoint kUnfilled;
  const std::vector<HandPoint>& points = Exchange().HandPoints;
  return slot < points.size() ? points[slot] : kUnfilled;
}

double DegreesToRadians(double degrees) { return degrees / 180.0 * kPi; }

// "/R2" to "/R4": through P1 at an angle to the host angle.
void LineAtHostAngle(const RunMode& mode) {
  double degrees = Exchange().HostAngle;
  if (mode.Builds() == Construction::LinePerpendicularToHostAngle) degrees = degrees + 90.0;
  if (mode.Builds() == Construction::LineAtAngleToHostAngle) {
    degrees = mode.AngleArgument() + degrees;
  }
  const HandPoint& p1 = IndicatedPoint(1);
  EmitConstructionLine(p1.X, p1.Y, DegreesToRadians(degrees));
}

// "/R5" to "/R7": through P2 at an angle to the first line the host sent. The line's
// orientation (which end came first) must not matter, so its direction is taken below 180.
bool LineAtFirstLineAngle(const RunMode& mode) {
  const ExchangeState& state = Exchange();
  if (state.LineList.empty()) return false;
  const TJwwEntLine line = state.LineList.front();  // the list yields records by value
  double degrees = DirectionAngle(line.X2 - line.X1, line.Y2 - line.Y1) * 180.0 / kPi;
  if (degrees >= 180.0) degrees = degrees - 180.0;
  if (mode.Builds() == Construction::LinePerpendicularToLine) degrees = degrees + 90.0;
  if (mode.Builds() == Construction::LineAtAngleToLine) degrees = mode.AngleArgument() + degrees;
  const HandPoint& p2 = IndicatedPoint(2);
  EmitConstructionLine(p2.X, p2.Y, DegreesToRadians(degrees));
  return true;
}

}  // namespace

void EmitConstructionLine(double px, double py, double theta) {
  // cos and sin of theta + pi are computed rather than negated: the host receives exactly
  // these endpoints, tiny residues included, the same on every platform.
  const double x1 = px + PreciseCos(theta) * kConstructionHalfLength;
  const double y1 = py + PreciseSin(theta) * kConstructionHalfLength;
  const double x2 = px + PreciseCos(theta + kPi) * kConstructionHalfLength;
  const double y2 = py + PreciseSin(theta + kPi) * kConstructionHalfLength;
  EmitLine(x1, y1, x2, y2);
}

bool ConstructionRun(const RunMode& mode) {
  const HandPoint& p1 = IndicatedPoint(1);
  const HandPoint& p2 = IndicatedPoint(2);
  switch (mode.Builds()) {
    case Construction::LineThroughTwoPoints:
      EmitConstructionLine((p1.X + p2.X) / 2.0, (p1.Y + p2.Y) / 2.0,
                           DirectionAngle(p2.X - p1.X, p2.Y - p1.Y));
      break;
    case Construction::LineAtHostAngle:
    case Construction::LinePerpendicularToHostAngle:
    case Construction::LineAtAngleToHostAngle: LineAtHostAngle(mode); break;
    case Construction::LineParallelToLine:
    case Construction::LinePerpendicularToLine:
    case Construction::LineAtAngleToLine: return LineAtFirstLineAngle(mode);
    case Construction::PointMark:
      EmitPointKind(kPointMarkKind, 0);
      EmitPoint(p1.X, p1.Y);
      break;
    case Construction::CircleThroughPoint:
      EmitCircle(p1.X, p1.Y, PointDistance(p1.X, p1.Y, p2.X, p2.Y));
      break;
    // Built on OK in the dialog.
    case Construction::CircleOrEllipse: break;
    case Construction::None: break;
  }
  return true;
}

void EllipseRun(double radius, double ratio, double angle) {
  const HandPoint& p1 = IndicatedPoint(1);
  if (std::fabs(ratio - 1.0) <= kGeometryThreshold) {
    EmitCircle(p1.X, p1.Y, radius);
    return;
  }
  // The tilt is not reduced again: 350 + 20 is sent as 370.
  const double tilt = Exchange().HostAngle + angle;
  EmitArc(p1.X, p1.Y, radius, 0.0, 0.0, ratio, tilt);
}

double ReduceToFullTurn(double degrees) {
  if (!std::isfinite(degrees)) return 0.0;
  double reduced = std::fmod(degrees, 360.0);
  if (reduced < 0.0) reduced += 360.0;
  // A tiny negative remainder plus 360 rounds to 360 itself, which lies outside the range.
  if (reduced >= 360.0) reduced = 0.0;
  return reduced == 0.0 ? 0.0 : reduced;  // no negative zero
}
