#include "numeric/decimal_scan.h"

#include "numeric/number_start.h"

namespace lenient_number {
namespace {

// Takes the run of digits at p: into the mantissa while it stays below the bound, each
// fraction digit taken lowering the power by one. Returns the position after the run.
const char* TakeDigits(const char* p, const char* last, bool fraction, ScannedDecimal& number) {
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
const char* TakeExponent(const char* p, const char* last, int& exponent) {
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

}  // namespace

std::optional<ScannedDecimal> ScanDecimal(std::string_view text) {
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
