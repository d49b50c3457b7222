// The two lenient conversions against small reference readers written here (a grammar walk
// plus strtoll/strtod) and against each other: no real is infinite or NaN, and an integer
// text outside the syntax or the range reads as 0, never as a partial value. The real text
// form of the value read, and of the input's first eight bytes as a double, against the exact
// expansion rounded half-up to 15 digits, and read back.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/writing/real_text.h"
#include "numeric/lenient_number.h"

namespace {

[[noreturn]] void Fail(const std::string& what, std::string_view text) {
  std::fprintf(stderr, "numbers_fuzzer: %s for text [", what.c_str());
  for (const char c : text) std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
  std::fprintf(stderr, "]\n");
  std::abort();
}

struct IntReading {
  bool hexForm = false;               // the text took the hexadecimal branch of the syntax
  std::optional<std::int32_t> value;  // empty: outside the syntax or the range
};

// The integer syntax walked directly: spaces, sign, prefix or digits, nothing after.
IntReading ReferenceInt(std::string_view text) {
  IntReading reading;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.starts_with("0x") || text.starts_with("0X")) {
    reading.hexForm = true;
    text.remove_prefix(2);
  } else if (!text.empty() && (text.front() == '$' || text.front() == 'x' || text.front() == 'X')) {
    reading.hexForm = true;
    text.remove_prefix(1);
  }
  const bool hex = reading.hexForm;
  const std::string_view allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (text.empty() || text.find_first_not_of(allowed) != text.npos) return reading;
  const std::string digits(text.substr(std::min(text.find_first_not_of('0'), text.size() - 1)));
  if (digits.size() > (hex ? 8u : 10u)) return reading;
  const long long magnitude = std::strtoll(digits.c_str(), nullptr, hex ? 16 : 10);
  const long long value = negative ? -magnitude : magnitude;
  if (hex) {
    reading.value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));  // wraps
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    reading.value = static_cast<std::int32_t>(value);
  }
  return reading;
}

struct RealReading {
  bool valid = false;
  bool hasDigits = false;
  std::string_view numberText;  // from the sign on, for strtod
};

// The real syntax walked directly.
RealReading ReferenceRealSyntax(std::string_view text) {
  RealReading reading;
  std::size_t i = 0;
  const auto digit = [&](std::size_t at) {
    return at < text.size() && text[at] >= '0' && text[at] <= '9';
  };
  while (i < text.size() && text[i] == ' ') ++i;
  reading.numberText = text.substr(i);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (digit(i)) ++i, reading.hasDigits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (digit(i)) ++i, reading.hasDigits = true;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digit(i)) return reading;
    while (digit(i)) ++i;
  }
  reading.valid = i == text.size();
  return reading;
}

void CheckInt(std::string_view text, const IntReading& reference) {
  const std::int32_t value = LenientStrToInt(text);
  if (value != reference.value.value_or(0))
    Fail("LenientStrToInt differs from the reference", text);
}

void CheckReal(std::string_view text, const IntReading& intReference) {
  const double value = LenientStrToFloat(text);
  if (!std::isfinite(value)) Fail("LenientStrToFloat gave infinity or NaN", text);

  const RealReading syntax = ReferenceRealSyntax(text);
  if (!syntax.valid || !syntax.hasDigits) {
    if (value != 0.0) Fail("LenientStrToFloat read text outside the syntax", text);
  } else {
    const std::string number(syntax.numberText);
    errno = 0;
    const double expected = std::strtod(number.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(expected)) {
      if (value != 0.0) Fail("LenientStrToFloat kept a value beyond the double range", text);
    } else if (errno == ERANGE) {
      // Underflow: 0 or the nearest subnormal are both the nearest reading we accept.
      if (value != 0.0 && value != expected) Fail("LenientStrToFloat underflow reading", text);
    } else if (value != expected) {
      Fail("LenientStrToFloat is not the nearest double", text);
    }
  }

  // Read where it lies in a larger buffer, after digits that must not count.
  PaddedBuffer buffer(16 + text.size());
  std::memset(buffer.data(), '9', 16);
  if (!text.empty()) std::memcpy(buffer.data() + 16, text.data(), text.size());
  const double inBuffer =
      LenientStrToFloat(buffer.Text(std::string_view(buffer.data() + 16, text.size())));
  if (std::memcmp(&inBuffer, &value, sizeof value) != 0)
    Fail("a text in a buffer reads differently", text);

  // The two syntaxes against each other.
  if (intReference.hexForm && value != 0.0) Fail("a hexadecimal text read as a real", text);
  if (!intReference.hexForm && intReference.value &&
      value != static_cast<double>(*intReference.value)) {
    Fail("a decimal integer reads differently as a real", text);
  }
}

// The real text form from the exact decimal expansion that printf gives for any precision:
// 15 significant digits rounded half-up, trailing zeros dropped, positional notation for
// decimal exponents -3..15, "dE-x" outside.
std::string ReferenceRealText(double value) {
  if (value == 0.0) return "0";
  char expansion[1100];  // "d.ddd...e+x", exact
  std::snprintf(expansion, sizeof expansion, "%.800e", std::fabs(value));
  int exponent = std::atoi(std::strchr(expansion, 'e') + 1) + 1;  // value = 0.ddd... * 10^exponent
  // The first 15 digits, plus one when the 16th is 5 or more; a carry out of them adds a digit.
  const long long first15 = std::stoll(expansion[0] + std::string(expansion + 2, 14));
  std::string digits = std::to_string(first15 + (expansion[16] >= '5' ? 1 : 0));
  if (digits.size() > 15) {
    digits.pop_back();
    ++exponent;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string text = value < 0 ? "-" : "";
  const int count = static_cast<int>(digits.size());
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      text += "0." + std::string(static_cast<std::size_t>(-exponent), '0') + digits;
    } else if (count <= exponent) {
      text += digits + std::string(static_cast<std::size_t>(exponent - count), '0');
    } else {
      text += digits.substr(0, static_cast<std::size_t>(exponent)) + "." +
              digits.substr(static_cast<std::size_t>(exponent));
    }
  } else {
    text += digits.substr(0, 1);
    if (count > 1) text += "." + digits.substr(1);
    text += "E" + std::to_string(exponent - 1);
  }
  return text;
}

void CheckRealText(double value) {
  if (!std::isfinite(value)) return;  // the writer never formats these
  const std::string text = RealToText(value);
  const std::string expected = ReferenceRealText(value);
  if (text != expected) Fail("RealToText differs from the reference " + expected, text);
  // Read back: the nearest double to the 15 digits, which writes as the same text; only a
  // text rounded past the largest double reads as 0.
  const double back = LenientStrToFloat(text);
  if (back == 0.0 && text != "0" && std::fabs(value) < 1.7976931348623e308) {
    Fail("a written real reads back as 0", text);
  }
  if (back != 0.0 && RealToText(back) != text) Fail("a written real does not read back", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const IntReading intReference = ReferenceInt(text);
  CheckInt(text, intReference);
  CheckReal(text, intReference);

  CheckRealText(LenientStrToFloat(text));
  if (size >= sizeof(double)) {
    double pattern = 0.0;
    std::memcpy(&pattern, data, sizeof pattern);
    CheckRealText(pattern);
  }

  // The reader's single hexadecimal digit: "$" and one byte gives 0..15.
  if (size > 0) {
    const std::string digit{'$', static_cast<char>(data[0])};
    const std::int32_t value = LenientStrToInt(digit);
    if (value < 0 || value > 15) Fail("a single hexadecimal digit outside 0..15", digit);
  }
  return 0;
}
