#pragma once
// The fast paths of the real syntax (decimal_fast_paths.cpp) as the buffered reading needs
// them: once the six-decimal field is ruled out, the remaining shapes.
#include <string_view>

namespace lenient_number {

// LenientStrToFloat(text) for a text that is no six-decimal field (six_decimal_field.h);
// also right for one that is, only slower.
double OtherStrToFloat(std::string_view text);

}  // namespace lenient_number
