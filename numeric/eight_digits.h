#pragma once
// Eight ASCII digits worked on at once in a 64-bit word, the first character in the lowest
// byte (so on little-endian machines only). No carry ever crosses from one byte, or group of
// bytes, into the next, so the word is treated like the lanes of a vector.
#include <bit>
#include <cstdint>
#include <cstring>

namespace lenient_number {

inline constexpr bool kLittleEndian = std::endian::native == std::endian::little;
inline constexpr std::uint64_t kEightZeros = 0x3030303030303030ULL;  // "00000000"

inline std::uint64_t LoadWord(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// Zero if all eight characters are digits: each byte's high nibble must be 3 and its low
// nibble, plus 6, must not carry into the high nibble.
inline std::uint64_t NonDigitBits(std::uint64_t w) {
  return ((w & 0xF0F0F0F0F0F0F0F0ULL) |
          (((w + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ^
         0x3333333333333333ULL;
}

inline bool EightDigits(std::uint64_t w) { return NonDigitBits(w) == 0; }

// The mask of the low half of every `width`-bit group of a word.
constexpr std::uint64_t LowHalves(unsigned width) {
  const std::uint64_t half = (std::uint64_t{1} << (width / 2)) - 1;
  std::uint64_t mask = 0;
  for (unsigned shift = 0; shift < 64; shift += width) mask |= half << shift;
  return mask;
}

// Joins neighbouring groups of `width` bits into groups twice as wide. The low half of each
// group g[i] holds a value below `base`, g[0] (lowest) the most significant. Multiplying by
// (base << width) + 1 adds to every group base times the group below it, so group i + 1 now
// holds base * g[i] + g[i + 1] <= base * base - 1 < 2^width: no carry reaches the group
// above. The shift brings it down to group i. For even i that is the joined value of the
// pair, in the low half of the wider group; the odd groups hold the sums across two pairs,
// which the next step's mask drops.
template <unsigned width, std::uint64_t base>
std::uint64_t JoinNeighbours(std::uint64_t w) {
  static_assert(base * base <= (std::uint64_t{1} << width), "the joined value fits its group");
  constexpr std::uint64_t kMask = LowHalves(width);
  constexpr std::uint64_t kMultiplier = (base << width) + 1;
  return ((w & kMask) * kMultiplier) >> width;
}

// The value of eight digit characters, the first most significant: the low nibble of each
// byte is its digit; digits are joined into pairs, pairs into fours, fours into the whole.
inline std::uint32_t EightDigitValue(std::uint64_t w) {
  return static_cast<std::uint32_t>(
      JoinNeighbours<32, 10000>(JoinNeighbours<16, 100>(JoinNeighbours<8, 10>(w))));
}

static_assert(LowHalves(8) == 0x0F0F0F0F0F0F0F0FULL && LowHalves(32) == 0x0000FFFF0000FFFFULL);

}  // namespace lenient_number
