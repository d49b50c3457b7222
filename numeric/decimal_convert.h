#pragma once
// Reading a real's text in any shape: scanned by decimal_scan.h, then converted to the
// nearest double.
#include <string_view>

namespace lenient_number {

// Any text the fast paths leave: 0.0 outside the syntax, for a number without digits and for
// one beyond the double range; never a negative zero.
double GeneralStrToFloat(std::string_view text);

}  // namespace lenient_number
