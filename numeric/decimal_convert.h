#pragma once
// The second half of reading a real's text in any shape: the nearest double of what
// decimal_scan.h found.
#include <string_view>

#include "numeric/decimal_scan.h"

namespace lenient_number {

// The nearest double; 0.0 for a number without digits and for one beyond the double range,
// never a negative zero.
double ConvertDecimal(const ScannedDecimal& number);

// Any text the fast paths leave: scanned, then converted; 0.0 outside the syntax.
double GeneralStrToFloat(std::string_view text);

}  // namespace lenient_number
