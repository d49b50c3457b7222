#pragma once
// The start that integer and real texts share: leading spaces and one optional sign.
#include <cstddef>
#include <string_view>

namespace lenient_number {

inline bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Skips the leading spaces (code 32 only) and one optional sign. Returns the position after
// them and reports the sign.
inline std::size_t SkipSpacesAndSign(std::string_view text, bool& negative) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

}  // namespace lenient_number
