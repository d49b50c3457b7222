#include "numeric/decimal_convert.h"

#include <charconv>
#include <system_error>

#include "numeric/decimal_scan.h"
#include "numeric/powers_of_ten.h"

namespace lenient_number {
namespace {

// The nearest double of what the scan found; 0.0 for a number without digits and for one
// beyond the double range, never a negative zero. Here beside its one caller, so that the
// description stays in registers.
double ConvertDecimal(const ScannedDecimal& number) {
  if (number.digitCount == 0 || (number.mantissaExact && number.mantissa == 0)) return 0.0;

  // Exact fast path: a mantissa up to 2^53 and a power of ten up to 1e22 are both exact
  // doubles, so one multiplication or division rounds once, to the nearest double.
  const int power = number.power;
  if (number.mantissaExact && number.mantissa <= (std::uint64_t{1} << 53) &&
      power >= -kMaxExactPowerOfTen && power <= kMaxExactPowerOfTen) {
    const double m = static_cast<double>(number.mantissa);
    const double value = power >= 0 ? m * kPowersOfTen[power] : m / kPowersOfTen[-power];
    return number.negative ? -value : value;
  }

  // Everything else goes through from_chars, whose syntax the unsigned text is in (it
  // accepts "5." and ".5" alike). Values beyond the double range read as 0.0, like any text
  // that does not convert; values too small even for a subnormal round to 0.0, the nearest
  // double.
  const std::string_view text = number.unsignedText;
  double value = 0.0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size()) return 0.0;
  if (value == 0.0) return 0.0;  // no negative zero
  return number.negative ? -value : value;
}

}  // namespace

double GeneralStrToFloat(std::string_view text) {
  const std::optional<ScannedDecimal> number = ScanDecimal(text);
  return number ? ConvertDecimal(*number) : 0.0;
}

}  // namespace lenient_number
