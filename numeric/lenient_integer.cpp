// The integer syntax of lenient_number.h: decimal within the signed 32-bit range, or a
// hexadecimal 32-bit pattern.
#include "numeric/lenient_number.h"
#include "numeric/number_start.h"

using lenient_number::IsDecimalDigit;
using lenient_number::SkipSpacesAndSign;

namespace {

// Value of a hexadecimal digit, or -1.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Length of the hexadecimal prefix at position i ("$", "x", "X", "0x", "0X"), 0 if none.
std::size_t HexPrefixLength(std::string_view text, std::size_t i) {
  if (i >= text.size()) return 0;
  const char c = text[i];
  if (c == '$' || c == 'x' || c == 'X') return 1;
  if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) return 2;
  return 0;
}

// Hexadecimal digits up to the end of the text: a 32-bit pattern of at most 8 significant
// digits. The sign is applied with 32-bit wrap-around, so -$80000000 is -2147483648.
std::int32_t ParseHexTail(std::string_view digits, bool negative) {
  if (digits.empty()) return 0;
  std::uint32_t value = 0;
  int significant = 0;
  for (const char c : digits) {
    const int d = HexDigitValue(c);
    if (d < 0) return 0;
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) return 0;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);  // modular since C++20
}

// Decimal digits up to the end of the text, within the signed 32-bit range.
std::int32_t ParseDecimalTail(std::string_view digits, bool negative) {
  if (digits.empty()) return 0;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (!IsDecimalDigit(c)) return 0;
    value = value * 10 + (c - '0');
    if (value > limit) return 0;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

std::int32_t LenientStrToInt(std::string_view text) {
  bool negative = false;
  std::size_t i = SkipSpacesAndSign(text, negative);
  const std::size_t prefix = HexPrefixLength(text, i);
  if (prefix > 0) return ParseHexTail(text.substr(i + prefix), negative);
  return ParseDecimalTail(text.substr(i), negative);
}
