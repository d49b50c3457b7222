#pragma once
// The real text form: every real the tool writes as text (commands, settings file, dialog
// boxes) goes through this one function. Up to 15 significant digits, rounded half-up on
// the exact binary value, trailing zeros dropped, "." as the decimal point, positional
// notation for decimal exponents -3..15 and "dE-x" form outside (0.0001, 1E-5, 1E15).
#include <string>

std::string RealToText(double value);

// Appends the same text to out (no temporary string).
void AppendRealText(std::string& out, double value);
