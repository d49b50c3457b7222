#pragma once
// The first half of reading a real's text in any shape: one pass checks the syntax of
// lenient_number.h and describes the number; decimal_convert.h makes the double of it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lenient_number {

// Leading digits go into the mantissa while it stays below this bound, far inside 64 bits.
inline constexpr std::uint64_t kScannedMantissaLimit = 100000000000000000ULL;  // 1e17

struct ScannedDecimal {
  bool negative = false;
  // The text after the spaces and the sign: digits, point and exponent only.
  std::string_view unsignedText;
  std::size_t digitCount = 0;  // digits before the exponent; none in "", "." or "+"
  std::uint64_t mantissa = 0;  // the leading digits, while below kScannedMantissaLimit
  bool mantissaExact = true;   // every digit went into the mantissa
  int power = 0;               // the value is mantissa * 10^power when the mantissa is exact
};

// The description of `text`, or nothing when the text is outside the syntax.
std::optional<ScannedDecimal> ScanDecimal(std::string_view text);

}  // namespace lenient_number
