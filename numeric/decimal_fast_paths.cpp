// The real syntax of lenient_number.h on the shapes most texts have, without a general scan:
// the host's six-decimal field, then any plain decimal; everything else goes to the general
// scan and conversion (decimal_convert.h).
#include <cstddef>
#include <cstdint>

#include "numeric/decimal_convert.h"
#include "numeric/decimal_fast_paths.h"
#include "numeric/eight_digits.h"
#include "numeric/lenient_number.h"
#include "numeric/powers_of_ten.h"
#include "numeric/six_decimal_field.h"

using namespace lenient_number;

namespace {

// Replaces the lowest `count` bytes (0 to 8) of w, the first characters, by "0".
std::uint64_t ZeroFirstBytes(std::uint64_t w, unsigned count) {
  const std::uint64_t mask = count >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * count)) - 1;
  return (w & ~mask) | (kEightZeros & mask);
}

// Adds the run of digits at p to the mantissa, eight at a time while it can; returns the
// position after the run.
const char* AccumulateDigits(const char* p, const char* last, std::uint64_t& mantissa) {
  if constexpr (kLittleEndian) {
    while (last - p >= 8) {
      const std::uint64_t w = LoadWord(p);
      if (!EightDigits(w)) break;
      mantissa = mantissa * 100000000 + EightDigitValue(w);
      p += 8;
    }
  }
  unsigned digit = 0;
  while (p < last && (digit = static_cast<unsigned char>(*p) - unsigned{'0'}) < 10) {
    mantissa = mantissa * 10 + digit;
    ++p;
  }
  return p;
}

// The six-decimal field (six_decimal_field.h). Two overlapping words cover it without
// reading a byte outside the text: the last eight characters hold the point and the
// decimals, the first eight the sign and the whole digits. The whole digits are moved to the
// top of their word and everything before them becomes "0", so that both words are read as
// eight digits each. False leaves the text to the other paths.
bool TrySixDecimals(std::string_view text, double& result) {
  if constexpr (!kLittleEndian) return false;
  const std::size_t n = text.size();
  if (n < 8 || n > 15) return false;
  const char* const p = text.data();
  std::uint64_t fraction = LoadWord(p + n - 8);
  if (((fraction >> 8) & 0xFF) != '.') return false;
  fraction = ZeroFirstBytes(fraction, 2);
  const bool negative = p[0] == '-';
  const unsigned sign = static_cast<unsigned>(negative | (p[0] == '+'));
  // The whole digits end before the point at n - 7; shifting them up to the word's top byte
  // pushes out the point and whatever follows it, and what comes in below is made "0".
  // Two shifts, as shift + sign may reach 8.
  const unsigned shift = static_cast<unsigned>(15 - n);
  const std::uint64_t kept = (~std::uint64_t{0} << (8 * shift)) << (8 * sign);
  const std::uint64_t whole = ((LoadWord(p) << (8 * shift)) & kept) | (kEightZeros & ~kept);
  if ((NonDigitBits(whole) | NonDigitBits(fraction)) != 0) return false;
  result = MillionthsValue(
      std::uint64_t{EightDigitValue(whole)} * 1000000 + EightDigitValue(fraction), negative);
  return true;
}

// Any other plain decimal, such as "12.5" or "300": an optional sign, at most 19 digits
// with an optional point, nothing else. Its digits fit into 64 bits without a check; when
// the mantissa is exact as a double, one division rounds to the nearest double. False
// leaves the text to the general path.
bool TryPlainDecimal(std::string_view text, double& result) {
  if (text.empty() || text.size() > 19) return false;
  const char* p = text.data();
  const char* const last = p + text.size();
  const bool negative = *p == '-';
  p += static_cast<std::size_t>(negative | (*p == '+'));  // no branch: signs come at random
  std::uint64_t mantissa = 0;
  const char* const digitsStart = p;
  p = AccumulateDigits(p, last, mantissa);
  std::size_t digitCount = static_cast<std::size_t>(p - digitsStart);
  std::size_t fractionDigits = 0;
  if (p < last && *p == '.') {
    const char* const fractionStart = ++p;
    p = AccumulateDigits(p, last, mantissa);
    fractionDigits = static_cast<std::size_t>(p - fractionStart);
    digitCount += fractionDigits;
  }
  if (p != last || digitCount == 0 || mantissa > (std::uint64_t{1} << 53)) return false;
  if (mantissa == 0) {
    result = 0.0;
    return true;
  }
  const double value = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
  result = std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) |
                                 (static_cast<std::uint64_t>(negative) << 63));
  return true;
}

}  // namespace

// Kept out of line: the registers the plain decimal's loops need would otherwise be saved
// and restored on every call, the six-decimal fields included.
[[gnu::noinline]] double lenient_number::OtherStrToFloat(std::string_view text) {
  if (double plain = 0.0; TryPlainDecimal(text, plain)) return plain;
  return GeneralStrToFloat(text);
}

double LenientStrToFloat(std::string_view text) {
  if (double value = 0.0; TrySixDecimals(text, value)) return value;
  return OtherStrToFloat(text);
}
