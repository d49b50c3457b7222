#pragma once
// The bytes of exchange-file text that need a look of their own while a line is split at
// its blanks, found up to 64 at a time. Shared by the splitter and the batch reader, which
// finds line ends and fields in the same pass.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>  // part of every x86-64 target, so no machine-specific build flag
#endif

// Blanks and control bytes (below 0x21), the double quote, the equals sign and every byte
// from 0x80 up (lead bytes, and single-byte characters the splitter checks one by one).
constexpr bool IsSpecialByte(unsigned char byte) {
  return byte < 0x21 || byte >= 0x80 || byte == '"' || byte == '=';
}

// Bytes that need a look of their own while Splitting is on: anything below 0x21 (blanks
// and control bytes), the double quote, the equals sign and every byte from 0x80 up. Eight
// bytes are tested at a time in one 64-bit word ("SIMD within a register"), with the byte
// tests of Sean Anderson's "Bit Twiddling Hacks" below. No such byte is ever missed; a
// borrow running upwards from a flagged byte may also flag a plain byte above it, which
// the callers pass over after a look at the byte itself.
inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The high bit (0x80) of every byte of w below `n` (n at most 0x80): subtracting n from a
// smaller byte borrows into its high bit, and "& ~w" drops the bytes whose high bit was
// set already. The "has a byte less than n" test of Bit Twiddling Hacks.
constexpr std::uint64_t BytesBelow(std::uint64_t w, std::uint64_t n) {
  return (w - kOnes * n) & ~w & kHighBits;
}

// The high bit of every zero byte of w: the "has a zero byte" test, BytesBelow(w, 1).
constexpr std::uint64_t ZeroBytes(std::uint64_t w) { return BytesBelow(w, 1); }

// The high bit of every byte of w equal to `byte`: equal bytes are zero after the XOR.
constexpr std::uint64_t BytesEqualTo(std::uint64_t w, unsigned char byte) {
  return ZeroBytes(w ^ (kOnes * byte));
}

inline std::uint64_t SpecialBytes(std::uint64_t w) {
  return BytesBelow(w, 0x21) | BytesEqualTo(w, '"') | BytesEqualTo(w, '=') | (w & kHighBits);
}

// Eight byte flags (the high bits that the tests above set) as eight adjacent bits, first
// byte lowest: what a SIMD "movemask" instruction gives, done with one multiplication.
// After the shift the flag of byte i is bit 8i; the factor has bit 8j + 7 - j set for each
// byte j, so flag i times that bit lands on bit 8(i + j) + 7 - j, which is bit 56 + i when
// j = 7 - i. All these products sit on distinct bits, so nothing carries, and the top byte
// holds the eight flags.
constexpr std::uint64_t GatherByteFlags(std::uint64_t highBits) {
  return ((highBits >> 7) * 0x0102040810204080ULL) >> 56;
}

// One bit per byte of the eight bytes at `p`, first byte lowest.
inline std::uint64_t SpecialBitsOfWord(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return GatherByteFlags(SpecialBytes(word));
}

#if defined(__SSE2__)
// The same test on sixteen bytes at once, without the spurious flags of the word version:
// bytes from 0x80 up compare as negative, so one signed comparison catches them together
// with blanks and control bytes.
inline std::uint64_t SpecialBitsOf16(const unsigned char* p) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lowOrHigh = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x21));
  const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
  const __m128i equals = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('='));
  const int mask = _mm_movemask_epi8(_mm_or_si128(lowOrHigh, _mm_or_si128(quote, equals)));
  return static_cast<std::uint64_t>(static_cast<unsigned>(mask));
}
#endif

// The mask without its lowest set bit: subtracting 1 flips that bit and the zeros below it
// (Peter Wegner's bit-counting step). With countr_zero, which finds that bit, a loop visits
// the flagged bytes in order and skips every plain byte between them.
constexpr std::uint64_t WithoutLowestBit(std::uint64_t bits) { return bits & (bits - 1); }

// One bit per byte of the up to 64 bytes at `p`: set where the byte needs a look of its own.
// The last few bytes are tested with the group that ends with them, overlapping bytes
// already tested, which saves a loop of unpredictable length on nearly every line.
inline std::uint64_t SpecialBits(const unsigned char* p, std::size_t count) {
  std::uint64_t bits = 0;
  std::size_t k = 0;
#if defined(__SSE2__)
  for (; k + 16 <= count; k += 16) bits |= SpecialBitsOf16(p + k) << k;
  if (k < count && count >= 16) {
    return bits | ((SpecialBitsOf16(p + count - 16) >> (16 - (count - k))) << k);
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    for (; k + 8 <= count; k += 8) bits |= SpecialBitsOfWord(p + k) << k;
    if (k < count && count >= 8) {
      return bits | ((SpecialBitsOfWord(p + count - 8) >> (8 - (count - k))) << k);
    }
  }
  for (; k < count; ++k) {
    if (IsSpecialByte(p[k])) bits |= std::uint64_t{1} << k;
  }
  return bits;
}
