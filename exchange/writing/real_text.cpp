#include "exchange/writing/real_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

// How the 15 significant digits are found, half-up on the exact binary value:
//
// 0. Magnitudes of drawings (decimal exponents -7 to 15): the value times 10^(15-E), a power
//    of ten that a double holds exactly, rounded to the double hi, then rounded half-up to
//    an integer of 15 digits. hi lies below 2^50, so its fraction is exact and a multiple of
//    at least 2^-6, while the product's rounding error is under half of that: it cannot
//    carry the fraction across one half, except when the fraction is exactly one half.
//    That case goes on to step 1.
// 1. Shortest round-trip digits S (std::to_chars without precision). For a normal double
//    the gap between X and S is at most half an ulp, below 1.12e-16 of X, while the
//    distance from any 15-digit decimal to the nearest rounding tie is at least 5e-16 of X.
//    So when S has at most 15 digits, S is exactly X rounded to 15 digits.
// 2. S with 16 or 17 digits: let t be the tie (15 digits followed by a 5) next to X. If t
//    lay strictly between X and S, t would be a candidate no longer than S and closer to X,
//    and S would not be the shortest closest decimal. So X and S lie on the same side of t
//    unless S is t itself (16 digits ending in 5): then S's sixteenth digit decides.
// 3. Otherwise (a tie candidate, or a subnormal, where step 1 does not hold): 21 digits
//    correctly rounded from the exact value. Double rounding can only mislead when those
//    digits read exactly "...500000" after the fifteenth; then the exact expansion decides
//    (at most 767 significant digits, far fewer for the magnitudes of drawings).

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kCheckDigits = 21;   // step 3: 15 digits plus a six-digit tail
constexpr int kExactDigits = 780;  // every digit of any double, and a few spare zeros

// The significant digits of a positive real: value = 0.d1 d2 ... dn * 10^Exponent10,
// where Exponent10 is the "E" of the written form's rules.
struct Digits {
  std::array<char, kExactDigits + 1> Text;  // filled before use; left uninitialised for speed
  int Count = 0;
  int Exponent10 = 0;
};

// Reads the output of to_chars in scientific form ("d", "d.ddd", then "e+XX" / "e-XXX").
void ReadScientific(const char* first, const char* last, Digits& out) {
  out.Count = 0;
  const char* p = first;
  for (; p != last && *p != 'e'; ++p) {
    if (*p != '.') out.Text[static_cast<std::size_t>(out.Count++)] = *p;
  }
  int exponent = 0;
  bool negative = false;
  if (p != last) ++p;  // 'e'
  if (p != last && (*p == '+' || *p == '-')) negative = (*p++ == '-');
  for (; p != last; ++p) exponent = exponent * 10 + (*p - '0');
  out.Exponent10 = (negative ? -exponent : exponent) + 1;
}

// Keeps the first 15 digits, adding one unit in the last place when roundUp; a carry out of
// the first digit moves the exponent (9.99...95 becomes 1 with E one higher).
void KeepFifteen(Digits& d, bool roundUp) {
  if (d.Count > kSignificantDigits) d.Count = kSignificantDigits;
  if (roundUp) {
    int i = d.Count - 1;
    while (i >= 0 && d.Text[static_cast<std::size_t>(i)] == '9') --i;
    if (i < 0) {
      d.Text[0] = '1';
      d.Count = 1;
      ++d.Exponent10;
      return;
    }
    ++d.Text[static_cast<std::size_t>(i)];
    d.Count = i + 1;
  }
  while (d.Count > 1 && d.Text[static_cast<std::size_t>(d.Count - 1)] == '0') --d.Count;
}

void ConvertWithPrecision(double magnitude, int digitCount, Digits& d) {
  std::array<char, kExactDigits + 16> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                    std::chars_format::scientific, digitCount - 1);
  ReadScientific(buffer.data(), result.ptr, d);
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;

// "00" "01" ... "99": two digits per step with 32-bit arithmetic only.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Writes value (below 100^pairs) as exactly 2 * pairs digits, leading zeros included.
void WritePairs(std::uint32_t value, int pairs, char* out) {
  for (int i = pairs - 1; i >= 0; --i) {
    std::memcpy(out + 2 * i, kDigitPairs.data() + 2 * (value % 100), 2);
    value /= 100;
  }
}

// Writes n (below 10^15) as exactly 15 digits.
void WriteFifteenDigits(std::uint64_t n, char* out) {
  const auto high = static_cast<std::uint32_t>(n / 100000000);  // 7 digits
  const auto low = static_cast<std::uint32_t>(n % 100000000);   // 8 digits
  out[0] = static_cast<char>('0' + high / 1000000);
  WritePairs(high % 1000000, 3, out + 1);
  WritePairs(low, 4, out + 7);
}

// Step 0; false when the magnitude lies outside its range.
bool ScaledDigits(double magnitude, Digits& d) {
  // 2^(b-1) <= magnitude < 2^b, from the exponent field (subnormals lie outside the range).
  const int binaryExponent = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1022;
  // E is this estimate or one more.
  int e = static_cast<int>(std::floor((binaryExponent - 1) * 0.30102999566398120)) + 1;
  for (;; ++e) {
    const int k = kSignificantDigits - e;
    if (k < 0 || k > kLargestExactPower) return false;
    const double scale = kPowersOfTen[k];
    const double hi = magnitude * scale;
    if (hi > 1e15) continue;      // E was one more than the estimate
    if (hi < 1e14) return false;  // cannot happen (E is never below the estimate); be safe
    const double whole = std::floor(hi);
    const double fraction = hi - whole;
    // Exactly one half in hi: the product's rounding error decides, and step 1 reads it.
    if (fraction == 0.5) return false;
    const bool roundUp = fraction > 0.5;
    const auto rounded = static_cast<std::uint64_t>(whole) + (roundUp ? 1u : 0u);
    if (rounded == 1000000000000000u) {  // a carry into the next power of ten
      d.Text[0] = '1';
      d.Count = 1;
      d.Exponent10 = e + 1;
      return true;
    }
    WriteFifteenDigits(rounded, d.Text.data());
    d.Count = kSignificantDigits;
    d.Exponent10 = e;
    KeepFifteen(d, false);  // drops the trailing zeros
    return true;
  }
}

// Digits of a finite, positive magnitude, rounded half-up to 15 significant digits.
void SignificantDigits(double magnitude, Digits& d) {
  if (ScaledDigits(magnitude, d)) return;
  if (magnitude >= std::numeric_limits<double>::min()) {
    std::array<char, 32> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::scientific);
    ReadScientific(buffer.data(), result.ptr, d);
    if (d.Count <= kSignificantDigits) {
      KeepFifteen(d, false);
      return;
    }
    const char sixteenth = d.Text[kSignificantDigits];
    if (d.Count == 17 || sixteenth != '5') {
      KeepFifteen(d, sixteenth >= '5');
      return;
    }
  }
  ConvertWithPrecision(magnitude, kCheckDigits, d);
  const char* tail = d.Text.data() + kSignificantDigits;
  if (std::memcmp(tail, "500000", kCheckDigits - kSignificantDigits) != 0) {
    KeepFifteen(d, tail[0] >= '5');
    return;
  }
  // The exact expansion: m * 2^(e-53) with an integer m has at most 53 - e binary places,
  // so at most Exponent10 + 53 - e significant decimal digits.
  int binaryExponent = 0;
  std::frexp(magnitude, &binaryExponent);
  const int exactLength = d.Exponent10 + std::max(0, 53 - binaryExponent);
  ConvertWithPrecision(magnitude, std::clamp(exactLength, kCheckDigits, kExactDigits), d);
  KeepFifteen(d, d.Text[kSignificantDigits] >= '5');
}

// Lays out the digits in positional or scientific form; returns the end of the text.
char* Layout(const Digits& d, bool negative, char* out) {
  if (negative) *out++ = '-';
  const int e = d.Exponent10;
  const char* digits = d.Text.data();
  const int n = d.Count;
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      *out++ = '0';
      *out++ = '.';
      for (int i = 0; i < -e; ++i) *out++ = '0';
      std::memcpy(out, digits, static_cast<std::size_t>(n));
      return out + n;
    }
    const int whole = n < e ? n : e;
    std::memcpy(out, digits, static_cast<std::size_t>(whole));
    out += whole;
    for (int i = n; i < e; ++i) *out++ = '0';
    if (n > e) {
      *out++ = '.';
      std::memcpy(out, digits + e, static_cast<std::size_t>(n - e));
      out += n - e;
    }
    return out;
  }
  *out++ = digits[0];
  if (n > 1) {
    *out++ = '.';
    std::memcpy(out, digits + 1, static_cast<std::size_t>(n - 1));
    out += n - 1;
  }
  *out++ = 'E';
  int power = e - 1;
  if (power < 0) {
    *out++ = '-';
    power = -power;
  }
  return std::to_chars(out, out + 8, power).ptr;
}

}  // namespace

void AppendRealText(std::string& out, double value) {
  // Zero of either sign is "0"; so is a value no reader could take back (infinity, NaN):
  // the real text syntax has no word for them, and the reader would make 0 of any word.
  if (value == 0.0 || !std::isfinite(value)) {
    out.push_back('0');
    return;
  }
  Digits digits;
  SignificantDigits(std::fabs(value), digits);
  std::array<char, 48> text;
  char* end = Layout(digits, std::signbit(value), text.data());
  out.append(text.data(), static_cast<std::size_t>(end - text.data()));
}

std::string RealToText(double value) {
  std::string text;
  AppendRealText(text, value);
  return text;
}
