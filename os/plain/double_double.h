#pragma once
// Numbers carried as the unevaluated sum hi + lo of two doubles (|lo| <= half an ulp of hi),
// about 106 significant bits from double arithmetic alone, so that every system that rounds
// each double operation to nearest gets the same bits. The error-free steps are Knuth's sum
// and Dekker's product with Veltkamp's split; they hold only if the compiler neither keeps
// wider intermediates nor fuses a multiply into an add (the Windows build computes in SSE2;
// the sources that use this header are compiled with contraction off).

struct DoubleDouble {
  double hi;
  double lo;
};

// a + b exactly, as the rounded sum and its rounding error.
inline DoubleDouble TwoSum(double a, double b) {
  const double sum = a + b;
  const double bPart = sum - a;
  const double error = (a - (sum - bPart)) + (b - bPart);
  return {sum, error};
}

// a + b exactly where |a| >= |b| (or a is zero).
inline DoubleDouble FastTwoSum(double a, double b) {
  const double sum = a + b;
  return {sum, b - (sum - a)};
}

// a * b exactly: each factor split into two halves of at most 26 bits, whose products are
// exact, so the rounding error of a * b is their sum minus the rounded product.
inline DoubleDouble TwoProduct(double a, double b) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double aScaled = kSplitter * a;
  const double aHigh = aScaled - (aScaled - a);
  const double aLow = a - aHigh;
  const double bScaled = kSplitter * b;
  const double bHigh = bScaled - (bScaled - b);
  const double bLow = b - bHigh;
  const double product = a * b;
  const double error = ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
  return {product, error};
}

inline DoubleDouble Add(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble high = TwoSum(a.hi, b.hi);
  const DoubleDouble low = TwoSum(a.lo, b.lo);
  const DoubleDouble partial = FastTwoSum(high.hi, high.lo + low.hi);
  return FastTwoSum(partial.hi, partial.lo + low.lo);
}

inline DoubleDouble Multiply(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble product = TwoProduct(a.hi, b.hi);
  return FastTwoSum(product.hi, product.lo + (a.hi * b.lo + a.lo * b.hi));
}
