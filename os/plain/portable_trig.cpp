// After the reduction, sin and cos of |r| <= pi/4 from their Taylor series, evaluated in
// double-double and rounded once at the end: the series' first omitted term is below 2^-100
// of the result, the arithmetic's error about 2^-100 as well, so the result is the double
// nearest to the true value unless that lies within a hair of the midpoint between two
// doubles.
#include "os/plain/portable_trig.h"

#include <cmath>
#include <cstddef>

#include "os/plain/quarter_turns.h"
#include "os/plain/trig_constants.h"

namespace {

constexpr double kQuarterPi = kHalfPiHi / 2;  // just below pi/4

template <std::size_t N>
DoubleDouble Series(const double (&coefficients)[N][2], DoubleDouble z) {
  DoubleDouble sum{coefficients[N - 1][0], coefficients[N - 1][1]};
  for (std::size_t k = N - 1; k-- > 0;) {
    sum = Add(Multiply(sum, z), {coefficients[k][0], coefficients[k][1]});
  }
  return sum;
}

// The sum is normalised, so its high part is the double nearest to it.
double SineNearZero(DoubleDouble r) {
  const DoubleDouble z = Multiply(r, r);
  return Add(r, Multiply(Multiply(r, z), Series(kSineSeries, z))).hi;
}

double CosineNearZero(DoubleDouble r) {
  const DoubleDouble z = Multiply(r, r);
  return Add({1.0, 0.0}, Multiply(z, Series(kCosineSeries, z))).hi;
}

QuarterTurns Reduce(double x) {
  if (std::fabs(x) <= kQuarterPi) return {0, {x, 0.0}};
  return ReduceByQuarterTurns(x);
}

}  // namespace

double PortableSin(double x) {
  if (!std::isfinite(x)) return x - x;  // not a number, as the C functions give
  if (x == 0) return x;                 // keeps the sign of zero
  const QuarterTurns turns = Reduce(x);
  switch (turns.quadrant) {
    case 0: return SineNearZero(turns.rest);
    case 1: return CosineNearZero(turns.rest);
    case 2: return -SineNearZero(turns.rest);
    default: return -CosineNearZero(turns.rest);
  }
}

double PortableCos(double x) {
  if (!std::isfinite(x)) return x - x;
  const QuarterTurns turns = Reduce(x);
  switch (turns.quadrant) {
    case 0: return CosineNearZero(turns.rest);
    case 1: return -SineNearZero(turns.rest);
    case 2: return -CosineNearZero(turns.rest);
    default: return SineNearZero(turns.rest);
  }
}
