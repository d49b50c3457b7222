#pragma once
// The first half of reading a real's text in any shape: one pass checks the syntax of
// lenient_number.h and describes the number; decimal_convert.cpp makes the double of it.
// Inline, so that the conversion finds the description in registers, not in memory.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "numeric/number_start.h"

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

// Takes the run of digits at p: into the mantissa while it stays below the bound, each
// fraction digit taken lowering the power by one. Returns the position after the run.
inline const char* TakeDigits(const char* p, const char* last, bool fraction,
                              ScannedDecimal& number) {
  for (; p < last && IsDecimalDigit(*p); ++p) {
    if (number.mantissa < kScannedMantissaLimit) {
      number.mantissa = number.mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
      if (fraction) --number.power;
    } else {
      number.mantissaExact = false;
    }
    ++number.digitCount;
  }
  return p;
}

// The exponent after its "E" or "e": an optional sign and at least one digit. Its value
// saturates far beyond the double range. Returns the position after it, null if it has no
// digit.
inline const char* TakeExponent(const char* p, const char* last, int& exponent) {
  bool negative = false;
  if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* const digits = p;
  for (; p < last && IsDecimalDigit(*p); ++p) {
    if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
  }
  if (p == digits) return nullptr;
  if (negative) exponent = -exponent;
  return p;
}

// The description of `text`, or nothing when the text is outside the syntax.
inline std::optional<ScannedDecimal> ScanDecimal(std::string_view text) {
  ScannedDecimal number;
  const char* const first = text.data() + SkipSpacesAndSign(text, number.negative);
  const char* const last = text.data() + text.size();
  const char* p = TakeDigits(first, last, false, number);
  if (p < last && *p == '.') p = TakeDigits(p + 1, last, true, number);
  if (p < last && (*p == 'e' || *p == 'E')) {
    int exponent = 0;
    p = TakeExponent(p + 1, last, exponent);
    if (p == nullptr) return std::nullopt;
    number.power += exponent;
  }
  if (p != last) return std::nullopt;
  number.unsignedText = std::string_view(first, static_cast<std::size_t>(last - first));
  return number;
}

}  // namespace lenient_number
