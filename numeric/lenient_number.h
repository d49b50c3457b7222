#pragma once
// Lenient conversion of text to numbers. The only way text becomes a number anywhere in
// the tool: exchange-file fields, settings-file lines, dialog boxes, the angle argument.
// Empty text and text outside the syntax read as 0; the caller cannot tell the two apart.
#include <cstdint>
#include <string_view>

#include "numeric/padded_buffer.h"

// Integer syntax: leading spaces (code 32 only), one optional sign, then either a
// hexadecimal form ("$", "x", "X", "0x", "0X" and at most 8 significant digits, read as a
// 32-bit pattern) or decimal digits within the signed 32-bit range; nothing may follow.
std::int32_t LenientStrToInt(std::string_view text);

// Real syntax: leading spaces, one optional sign, digits with an optional "." and digits
// (both sides may be empty), an optional exponent "E"/"e" with sign and digits; nothing may
// follow. The value is the nearest double; a value beyond the double range reads as 0.0, so
// that no infinity or NaN ever enters the tool.
double LenientStrToFloat(std::string_view text);

// The same reading of a text that lies in a buffer with a readable margin: the host's usual
// field is then read in one 16-byte step where the machine has one. The result is
// LenientStrToFloat(text.View()) in every case.
double LenientStrToFloat(PaddedText text);
