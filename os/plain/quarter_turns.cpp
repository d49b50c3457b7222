// Payne and Hanek's reduction done in integers. x = m 2^e with m an integer of 53 bits, so
// x 2/pi = m times the binary digits of 2/pi moved by e places. Only two things of that
// product matter: its integer part modulo 4 (the quadrant) and its fraction (r = fraction *
// pi/2). Digits of 2/pi whose weight after the move is 4 or more add only multiples of 4 and
// are skipped; digits far below the point change the fraction by less than 2^-140 and are
// cut. What remains is one exact product of integers: a window of eight 32-bit words of 2/pi
// times m. The fraction keeps at least 224 bits, so even the doubles that come closest to a
// multiple of pi/2 (about 2^-61 away) keep more than 70 correct bits of r.
#include "os/plain/quarter_turns.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "os/plain/trig_constants.h"

namespace {

constexpr int kWindowWords = 8;
constexpr int kFactorWords = 3;  // m moved left by up to 31 bits: at most 84 bits
constexpr int kProductWords = kWindowWords + kFactorWords;
// The largest double's exponent places the window's first word at 29.
static_assert(std::size(kTwoOverPiWords) >= 29 + kWindowWords);

struct WideNumber {
  std::uint32_t words[kProductWords] = {};  // least significant first
};

// |x| = m 2^e is written as (m 2^shift) 2^(32 point) with shift in 0..31, so that the
// product's binary point falls between two of its words. Returns m 2^shift as words.
WideNumber Significand(double x, int& point) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int e = static_cast<int>((bits >> 52) & 0x7FF) - 1075;
  const int shift = ((e % 32) + 32) % 32;
  point = (e - shift) / 32;
  const std::uint64_t low = (m & 0xFFFFFFFFu) << shift;
  const std::uint64_t high = ((m >> 32) << shift) + (low >> 32);
  WideNumber significand;
  significand.words[0] = static_cast<std::uint32_t>(low);
  significand.words[1] = static_cast<std::uint32_t>(high);
  significand.words[2] = static_cast<std::uint32_t>(high >> 32);
  return significand;
}

// significand * (words first .. first + 7 of 2/pi read as one integer), schoolbook.
WideNumber TimesTwoOverPi(const WideNumber& significand, int first) {
  WideNumber product;
  for (int i = 0; i < kFactorWords; ++i) {
    std::uint64_t carry = 0;
    for (int k = 0; k < kWindowWords; ++k) {
      const std::uint64_t digit = kTwoOverPiWords[first + kWindowWords - 1 - k];
      const std::uint64_t sum = significand.words[i] * digit + product.words[i + k] + carry;
      product.words[i + k] = static_cast<std::uint32_t>(sum);
      carry = sum >> 32;
    }
    product.words[i + kWindowWords] = static_cast<std::uint32_t>(carry);
  }
  return product;
}

// The words below `point` as a fraction of a turn of four quadrants, in double-double: the
// five leading words from the first that is not zero (at least 129 bits).
DoubleDouble Fraction(const WideNumber& number, int point) {
  int top = point - 1;
  while (top >= 0 && number.words[top] == 0) --top;
  DoubleDouble sum{0.0, 0.0};
  for (int k = top; k >= 0 && k > top - 5; --k) {
    sum = Add(sum, {std::ldexp(static_cast<double>(number.words[k]), 32 * (k - point)), 0.0});
  }
  return sum;
}

}  // namespace

QuarterTurns ReduceByQuarterTurns(double x) {
  int point = 0;
  const WideNumber significand = Significand(std::fabs(x), point);
  // Word j of 2/pi weighs 2^(-32 (j + 1)); after the move by 32 point it weighs at least 2^32
  // (a multiple of 4) while j <= point - 2.
  const int first = std::max(0, point - 1);
  WideNumber product = TimesTwoOverPi(significand, first);
  const int fractionWords = first + kWindowWords - point;  // at most 10 for |x| >= 1/2
  int quadrant = static_cast<int>(product.words[fractionWords] & 3);
  // A fraction of a half or more is measured back from the next quadrant: 1 - fraction, by
  // the two's complement of its words.
  const bool fromNext = (product.words[fractionWords - 1] >> 31) != 0;
  if (fromNext) {
    std::uint64_t carry = 1;
    for (int k = 0; k < fractionWords; ++k) {
      carry += static_cast<std::uint32_t>(~product.words[k]);
      product.words[k] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    quadrant = (quadrant + 1) & 3;
  }
  DoubleDouble rest = Multiply(Fraction(product, fractionWords), {kHalfPiHi, kHalfPiLo});
  if (fromNext != (x < 0)) rest = {-rest.hi, -rest.lo};
  // x < 0 is the mirror image: -(q pi/2 + r) = (4 - q) pi/2 - r.
  if (x < 0) quadrant = (4 - quadrant) & 3;
  return {quadrant, rest};
}
