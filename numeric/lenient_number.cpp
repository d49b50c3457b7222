#include "numeric/lenient_number.h"

#include <charconv>
#include <cstddef>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Value of a hexadecimal digit, or -1.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Skips the leading spaces (code 32 only) and one optional sign. Returns the position after
// them and reports the sign.
std::size_t SkipSpacesAndSign(std::string_view text, bool& negative) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
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
    if (!IsDigit(c)) return 0;
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

double LenientStrToFloat(std::string_view text) {
  bool negative = false;
  const std::size_t start = SkipSpacesAndSign(text, negative);
  const std::size_t n = text.size();

  // Syntax check: digits [ "." digits ] [ ("E" | "e") [sign] digits ], nothing after.
  std::size_t i = start;
  std::size_t mantissaDigits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++mantissaDigits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++mantissaDigits;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t expDigitsStart = i;
    while (i < n && IsDigit(text[i])) ++i;
    if (i == expDigitsStart) return 0.0;
  }
  if (i != n) return 0.0;
  // A mantissa without any digit ("." alone, "", "+") has the value 0.
  if (mantissaDigits == 0) return 0.0;

  // The checked text (without the sign) is in the from_chars syntax, which accepts "5." and
  // ".5" alike. Values beyond the double range read as 0.0, like any text that does not
  // convert; values too small even for a subnormal round to 0.0, the nearest double.
  double value = 0.0;
  const char* first = text.data() + start;
  const char* last = text.data() + n;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || ptr != last) return 0.0;
  if (value == 0.0) return 0.0;  // no negative zero
  return negative ? -value : value;
}
