#pragma once
// The field the host writes most: an optional sign, at most eight whole digits, "." and
// exactly six decimals, 8 to 15 characters, such as "-12345.678901". Its digits form a count
// of millionths below 1e14, exact as a double.
#include <bit>
#include <cstdint>

namespace lenient_number {

// The field's value from its count of millionths and its sign: the one division by the
// exact 1e6 rounds to the nearest double, and "-0.000000" reads as 0.
inline double MillionthsValue(std::uint64_t millionths, bool negative) {
  const double value = static_cast<double>(millionths) / 1e6;
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) |
                               (static_cast<std::uint64_t>(negative & (millionths != 0)) << 63));
}

}  // namespace lenient_number
