// Sine and cosine for the Windows program, with the bits that the C library gives on Linux
// (in all but about one argument in a thousand; see precise_trig.h for why the runtime's
// own will not do). The argument is reduced by pi/2 in up to three stages, then the Taylor
// series is summed in the 64-bit-mantissa long double and rounded once to double.
// Arguments beyond 2^20 * pi/2 keep the x87 result.
#include "os/precise_trig.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

std::uint32_t HighWord(double x) {
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32);
}

constexpr std::size_t kTerms = 12;  // |x| <= pi/4: the first omitted term is below 2^-80

// (-1)^k / (2k + first)! at index k = 0 .. kTerms.
constexpr std::array<long double, kTerms + 1> Coefficients(int first) {
  std::array<long double, kTerms + 1> coefficients{};
  for (std::size_t k = 0; k <= kTerms; ++k) {
    long double factorial = 1.0L;
    for (int i = 2; i <= 2 * static_cast<int>(k) + first; ++i)
      factorial *= static_cast<long double>(i);
    coefficients[k] = (k % 2 ? -1.0L : 1.0L) / factorial;
  }
  return coefficients;
}
constexpr auto kSinCoefficients = Coefficients(1);
constexpr auto kCosCoefficients = Coefficients(0);

// sin r for |r| <= pi/4 (plus rounding).
long double SeriesSin(long double r) {
  const long double z = r * r;
  long double sum = 0.0L;
  for (std::size_t k = kTerms; k >= 1; --k) sum = kSinCoefficients[k] + z * sum;
  return r + r * z * sum;
}

// cos r for |r| <= pi/4.
long double SeriesCos(long double r) {
  const long double z = r * r;
  long double sum = 0.0L;
  for (std::size_t k = kTerms; k >= 2; --k) sum = kCosCoefficients[k] + z * sum;
  return (1.0L - z * 0.5L) + z * z * sum;
}

// The reduction below follows the medium-size path of __ieee754_rem_pio2 in FreeBSD's
// msun (lib/msun/src/e_rem_pio2.c, derived from Sun's fdlibm) closely: its constants (2/pi,
// and pi/2 split into three parts, each with its tail), its rounding to the nearest integer
// by adding 1.5 * 2^52, its second and third stage when more than 16 and 49 bits of the
// exponent cancel, and its limit of 2^20 * pi/2. The limit below which sin x is x and
// cos x is 1, 2^-27, is fdlibm's too. The notice of that source:
//
// ====================================================
// Copyright (C) 1993 by Sun Microsystems, Inc. All rights reserved.
//
// Developed at SunPro, a Sun Microsystems, Inc. business.
// Permission to use, copy, modify, and distribute this
// software is freely granted, provided that this notice
// is preserved.
// ====================================================
//
// Optimized by Bruce D. Evans.

// x - n * pi/2 as head + tail; returns n. Needs |x| < 2^20 * pi/2.
int ReduceByHalfPi(double x, double& head, double& tail) {
  constexpr double kInvHalfPi = 6.36619772367581382433e-01;
  constexpr double kHalfPi1 = 1.57079632673412561417e+00;
  constexpr double kHalfPi1Tail = 6.07710050650619224932e-11;
  constexpr double kHalfPi2 = 6.07710050630396597660e-11;
  constexpr double kHalfPi2Tail = 2.02226624879595063154e-21;
  constexpr double kHalfPi3 = 2.02226624871116645580e-21;
  constexpr double kHalfPi3Tail = 8.47842766036889956997e-32;
  constexpr double kRound = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to an integer
  const volatile double shifted = x * kInvHalfPi + kRound;  // no contraction or reassociation
  const double fn = shifted - kRound;
  const int n = static_cast<int>(fn);
  double r = x - fn * kHalfPi1;
  double w = fn * kHalfPi1Tail;  // good to 85 bits
  const int exponent = static_cast<int>((HighWord(x) & 0x7fffffffu) >> 20);
  head = r - w;
  if (exponent - static_cast<int>((HighWord(head) >> 20) & 0x7ff) > 16) {  // cancellation: 118 bits
    double t = r;
    w = fn * kHalfPi2;
    r = t - w;
    w = fn * kHalfPi2Tail - ((t - r) - w);
    head = r - w;
    if (exponent - static_cast<int>((HighWord(head) >> 20) & 0x7ff) > 49) {  // 151 bits
      t = r;
      w = fn * kHalfPi3;
      r = t - w;
      w = fn * kHalfPi3Tail - ((t - r) - w);
      head = r - w;
    }
  }
  tail = (r - head) - w;
  return n;
}

constexpr std::uint32_t kReducibleHigh = 0x413921fb;  // 2^20 * pi/2
constexpr std::uint32_t kInfinityHigh = 0x7ff00000;
constexpr std::uint32_t kTinyHigh = 0x3e400000;  // 2^-27: sin x is x, cos x is 1

// sin x (cosine false) or cos x (cosine true); false when |x| is too large for the
// reduction (the caller decides then).
bool SinOrCos(double x, bool cosine, double& result) {
  const std::uint32_t high = HighWord(x) & 0x7fffffffu;
  if (high >= kInfinityHigh) {
    result = x - x;  // NaN
    return true;
  }
  if (high > kReducibleHigh) return false;
  if (high < kTinyHigh) {
    result = cosine ? 1.0 : x;
    return true;
  }
  double head = 0, tail = 0;
  const int quadrant = (ReduceByHalfPi(x, head, tail) + (cosine ? 1 : 0)) & 3;
  const long double r = static_cast<long double>(head) + static_cast<long double>(tail);
  switch (quadrant) {
    case 0: result = static_cast<double>(SeriesSin(r)); break;
    case 1: result = static_cast<double>(SeriesCos(r)); break;
    case 2: result = static_cast<double>(-SeriesSin(r)); break;
    default: result = static_cast<double>(-SeriesCos(r)); break;
  }
  return true;
}

// The runtime's x87 results, for the arguments beyond the reduction.
double X87Sin(double x) { return static_cast<double>(sinl(x)); }
double X87Cos(double x) { return static_cast<double>(cosl(x)); }

}  // namespace

double PreciseSin(double x) {
  double result = 0;
  return SinOrCos(x, false, result) ? result : X87Sin(x);
}

double PreciseCos(double x) {
  double result = 0;
  return SinOrCos(x, true, result) ? result : X87Cos(x);
}
