#include "numeric/lenient_number.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <cstddef>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>  // part of every x86-64 target, so no machine-specific build flag
#endif

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Mantissa digits are gathered while the value stays below this bound, far inside 64 bits.
constexpr std::uint64_t kFastMantissaLimit = 100000000000000000ULL;  // 1e17

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Value of a hexadecimal digit, or -1.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Skips the leading spaces (code 32 only) and one optional sign. Returns the position after
// them and reports the sign.
std::size_t SkipSpacesAndSign(std::string_view text, bool& negative) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

// Length of the hexadecimal prefix at position i ("$", "x", "X", "0x", "0X"), 0 if none.
std::size_t HexPrefixLength(std::string_view text, std::size_t i) {
  if (i >= text.size()) return 0;
  const char c = text[i];
  if (c == '$' || c == 'x' || c == 'X') return 1;
  if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) return 2;
  return 0;
}

// Hexadecimal digits up to the end of the text: a 32-bit pattern of at most 8 significant
// digits. The sign is applied with 32-bit wrap-around, so -$80000000 is -2147483648.
std::int32_t ParseHexTail(std::string_view digits, bool negative) {
  if (digits.empty()) return 0;
  std::uint32_t value = 0;
  int significant = 0;
  for (const char c : digits) {
    const int d = HexDigitValue(c);
    if (d < 0) return 0;
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) return 0;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);  // modular since C++20
}

// Decimal digits up to the end of the text, within the signed 32-bit range.
std::int32_t ParseDecimalTail(std::string_view digits, bool negative) {
  if (digits.empty()) return 0;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (!IsDigit(c)) return 0;
    value = value * 10 + (c - '0');
    if (value > limit) return 0;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

std::int32_t LenientStrToInt(std::string_view text) {
  bool negative = false;
  std::size_t i = SkipSpacesAndSign(text, negative);
  const std::size_t prefix = HexPrefixLength(text, i);
  if (prefix > 0) return ParseHexTail(text.substr(i + prefix), negative);
  return ParseDecimalTail(text.substr(i), negative);
}

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr std::uint64_t kEightZeros = 0x3030303030303030ULL;  // "00000000"

// Eight characters in a 64-bit word, first character lowest (little-endian only). Zero if
// all of them are digits: each byte's high nibble must be 3 and its low nibble, plus 6,
// must not carry into the high nibble. No carry crosses a byte, so the eight bytes are
// tested at once like the lanes of a vector ("SIMD within a register").
std::uint64_t NonDigitBits(std::uint64_t w) {
  return ((w & 0xF0F0F0F0F0F0F0F0ULL) |
          (((w + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ^
         0x3333333333333333ULL;
}

bool EightDigits(std::uint64_t w) { return NonDigitBits(w) == 0; }

// The value of eight digit characters, first character most significant: pairs, then
// quadruples, then the whole, each step one multiplication. Each step multiplies a group by
// its weight and adds the neighbour in the same product (10 * 256 + 1: ten times the first
// digit plus the second, landing one byte up), then masks out every other group. This is
// the eight-digit step of the fast_float library (Daniel Lemire and others).
std::uint32_t EightDigitValue(std::uint64_t w) {
  w = ((w & 0x0F0F0F0F0F0F0F0FULL) * (256 * 10 + 1)) >> 8;
  w = ((w & 0x00FF00FF00FF00FFULL) * (65536 * 100 + 1)) >> 16;
  return static_cast<std::uint32_t>(
      ((w & 0x0000FFFF0000FFFFULL) * ((std::uint64_t{10000} << 32) + 1)) >> 32);
}

std::uint64_t LoadWord(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

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

// The value of a six-decimal field from its count of millionths (below 1e14, exact as a
// double) and its sign: the one division by the exact 1e6 rounds to the nearest double, and
// "-0.000000" reads as 0.
double MillionthsValue(std::uint64_t millionths, bool negative) {
  const double value = static_cast<double>(millionths) / 1e6;
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) |
                               (static_cast<std::uint64_t>(negative & (millionths != 0)) << 63));
}

// The field the host writes most: an optional sign, at most eight digits, "." and exactly
// six decimals, 8 to 15 characters, such as "-12345.678901". Two overlapping words cover it
// without reading a byte outside the text: the last eight characters hold the point and the
// decimals, the first eight the sign and the whole digits. The whole digits are moved to the
// top of their word and everything before them becomes "0", so that both words are read as
// eight digits each. The mantissa stays below 1e14, exact as a double, and the one division
// by the exact 1e6 rounds to the nearest double. False leaves the text to the other paths.
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

// Everything but the plain decimal. Kept out of line: the registers its loops need would
// otherwise be saved and restored on every call, the common fields included.
[[gnu::noinline]] double GeneralStrToFloat(std::string_view text) {
  bool negative = false;
  const std::size_t start = SkipSpacesAndSign(text, negative);
  const char* const first = text.data() + start;
  const char* const last = text.data() + text.size();

  // One pass checks the syntax, digits [ "." digits ] [ ("E" | "e") [sign] digits ] with
  // nothing after, and gathers up to 18 mantissa digits for the exact fast path.
  const char* p = first;
  std::uint64_t mantissa = 0;
  bool mantissaExact = true;  // every digit went into `mantissa`
  int scale = 0;              // decimal exponent that the fraction digits contribute
  std::size_t digits = 0;
  auto takeDigit = [&](char c, bool fraction) {
    if (mantissa < kFastMantissaLimit) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      if (fraction) --scale;
    } else {
      mantissaExact = false;
    }
    ++digits;
  };
  while (p < last && IsDigit(*p)) takeDigit(*p++, false);
  if (p < last && *p == '.') {
    ++p;
    while (p < last && IsDigit(*p)) takeDigit(*p++, true);
  }
  int exponent = 0;
  if (p < last && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p < last && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
    const char* const exponentDigits = p;
    while (p < last && IsDigit(*p)) {
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');  // saturates far out
      ++p;
    }
    if (p == exponentDigits) return 0.0;
    if (negativeExponent) exponent = -exponent;
  }
  if (p != last) return 0.0;
  // A mantissa without any digit ("." alone, "", "+") has the value 0.
  if (digits == 0 || (mantissaExact && mantissa == 0)) return 0.0;

  // Exact fast path: a mantissa below 2^53 and a power of ten up to 1e22 are both exact
  // doubles, so one multiplication or division rounds once, to the nearest double.
  const int power = scale + exponent;
  if (mantissaExact && mantissa <= (std::uint64_t{1} << 53) && power >= -22 && power <= 22) {
    const double m = static_cast<double>(mantissa);
    const double value = power >= 0 ? m * kPowersOfTen[power] : m / kPowersOfTen[-power];
    return negative ? -value : value;
  }

  // Everything else goes through from_chars; the checked text without its sign is in its
  // syntax, which accepts "5." and ".5" alike. Values beyond the double range read as 0.0,
  // like any text that does not convert; values too small even for a subnormal round to
  // 0.0, the nearest double.
  double value = 0.0;
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || end != last) return 0.0;
  if (value == 0.0) return 0.0;  // no negative zero
  return negative ? -value : value;
}

// Every shape but the six decimals, out of line for the same reason.
[[gnu::noinline]] double OtherStrToFloat(std::string_view text) {
  if (double plain = 0.0; TryPlainDecimal(text, plain)) return plain;
  return GeneralStrToFloat(text);
}

}  // namespace

double LenientStrToFloat(std::string_view text) {
  if (double value = 0.0; TrySixDecimals(text, value)) return value;
  return OtherStrToFloat(text);
}

#if defined(__SSE2__)
namespace {

// ---- The six-decimal field in one 16-byte step ----
// The 16 bytes that end with the text hold all of it: the point is always lane 9 (byte 9,
// lane 0 first), the decimals lanes 10 to 15, and the whole digits run from lane `first` up
// to lane 8. The lanes before `first` are bytes before the text (its buffer's, or the
// margin) or its sign. The helpers below do in one 128-bit register what the SWAR helpers
// above do in a word.

// Sixteen zero bytes, then sixteen 0xFF: read from position 16 - k, the lanes from k up.
alignas(16) constexpr unsigned char kLanesFrom[32] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The lanes of v from `first` (0 to 16) on; the lanes before it cleared.
__m128i LanesFrom(__m128i v, unsigned first) {
  return _mm_and_si128(v,
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLanesFrom + 16 - first)));
}

// One bit per lane, lane 0 lowest, set where the lane holds a digit value 0 to 9 after "0"
// was subtracted from every byte. A byte below "0" has wrapped around to 0xD0 or more, so
// subtracting 9 with unsigned saturation (stopping at 0) leaves 0 for 0 to 9 alone.
unsigned DigitLanes(__m128i digits) {
  const __m128i zero = _mm_setzero_si128();
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(digits, _mm_set1_epi8(9)), zero)));
}

// The count of millionths that the digit values in lanes 0 to 8 (whole digits, cleared lanes
// counting as 0) and 10 to 15 (decimals) stand for; lane 9, the point's, is not read. The
// steps of EightDigitValue on 16-bit lanes: each multiply-add (pmaddwd) multiplies every
// group by its weight and adds its neighbour, and the sums are packed back to 16 bits (each
// stays below 10000):
//   pairs   10a + b of lanes 0-1, 2-3, 4-5, 6-7; lane 8 alone, beside the point's weight 0;
//           10a + b of lanes 10-11, 12-13, 14-15;
//   quads   100p + q of neighbouring pairs: the whole digits 0-3 and 4-7, then lane 8 with
//           the first two decimals (100 d8 + 10 d10 + d11), then the last four decimals;
//   halves  10000q + r: the first eight whole digits, and the last whole digit with the six
//           decimals, which is the count below one ten-millionth of the whole.
// The count is the first half times 10^7 plus the second.
std::uint64_t MillionthsOfLanes(__m128i digits) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i pairs = _mm_packs_epi32(
      _mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), _mm_set_epi16(1, 10, 1, 10, 1, 10, 1, 10)),
      _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), _mm_set_epi16(1, 10, 1, 10, 1, 10, 0, 1)));
  const __m128i quads = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
  const __m128i halves = _mm_madd_epi16(_mm_packs_epi32(quads, quads),
                                        _mm_set_epi16(1, 10000, 1, 10000, 1, 10000, 1, 10000));
  const auto high = static_cast<std::uint32_t>(_mm_cvtsi128_si32(halves));
  const auto low = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(halves, 4)));
  return std::uint64_t{high} * 10000000 + low;
}

// The field of TrySixDecimals, ending at `end`, in one step: every lane from `first` on but
// the point's must be a digit, and the point must be there. Same mantissa, same one division,
// same result.
bool TrySixDecimalsInBuffer(const char* end, bool negative, unsigned first, double& result) {
  const __m128i digits =
      _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16)), _mm_set1_epi8('0'));
  const unsigned needed = (0xFFFFu << first) & ~(1u << 9) & 0xFFFFu;
  if ((DigitLanes(digits) & needed) != needed || end[-7] != '.') return false;
  result = MillionthsValue(MillionthsOfLanes(LanesFrom(digits, first)), negative);
  return true;
}

}  // namespace

static_assert(kReadableMargin >= 16, "the one step reads the 16 bytes that end with the text");

double LenientStrToFloat(PaddedText padded) {
  const std::string_view text = padded.View();
  const std::size_t n = text.size();
  // The margin makes the 16 bytes that end with the text readable at any length.
  if (n >= 8 && n <= 15) {
    const bool negative = text[0] == '-';
    const unsigned first =
        static_cast<unsigned>(16 - n) + static_cast<unsigned>(negative | (text[0] == '+'));
    if (double value = 0.0; TrySixDecimalsInBuffer(text.data() + n, negative, first, value))
      return value;
  }
  return LenientStrToFloat(text);
}
#else
double LenientStrToFloat(PaddedText text) { return LenientStrToFloat(text.View()); }
#endif
