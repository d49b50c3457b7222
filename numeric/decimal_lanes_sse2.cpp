// The real syntax of lenient_number.h for a text in a PaddedBuffer: the six-decimal field
// (six_decimal_field.h) in one 16-byte step where the machine has SSE2, every other text as
// LenientStrToFloat reads it alone. A field the step refuses is no six-decimal field, so it
// goes straight to the other shapes.
#include "numeric/lenient_number.h"

#if defined(__SSE2__)
#include <emmintrin.h>  // part of every x86-64 target, so no machine-specific build flag

#include "numeric/decimal_fast_paths.h"
#include "numeric/six_decimal_field.h"

namespace {

// The 16 bytes that end with the text hold all of it: the point is always lane 9 (byte 9,
// lane 0 first), the decimals lanes 10 to 15, and the whole digits run from lane `first` up
// to lane 8. The lanes before `first` are bytes before the text (its buffer's, or the
// margin) or its sign. The helpers below do in one 128-bit register what eight_digits.h
// does in a word.

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
// joining steps of EightDigitValue on 16-bit lanes: each multiply-add (pmaddwd) multiplies
// every group by its weight and adds its neighbour, and the sums are packed back to 16 bits
// (each stays below 10000):
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

// The six-decimal field ending at `end`, in one step: every lane from `first` on but the
// point's must be a digit, and the point must be there. The same count of millionths as the
// word-wise reading, so the same result.
bool TrySixDecimalsInBuffer(const char* end, bool negative, unsigned first, double& result) {
  const __m128i digits =
      _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16)), _mm_set1_epi8('0'));
  const unsigned needed = (0xFFFFu << first) & ~(1u << 9) & 0xFFFFu;
  if ((DigitLanes(digits) & needed) != needed || end[-7] != '.') return false;
  result = lenient_number::MillionthsValue(MillionthsOfLanes(LanesFrom(digits, first)), negative);
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
  return lenient_number::OtherStrToFloat(text);
}
#else
double LenientStrToFloat(PaddedText text) { return LenientStrToFloat(text.View()); }
#endif
