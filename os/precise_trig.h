#pragma once
// The sine and cosine of the geometry. The constructions call these by name, never the C
// runtime's sin and cos, so that every platform's program writes the same coordinates to
// the last bit.
//
// Elsewhere they are the C library's own (os/plain/precise_trig.cpp), whose bits are the
// reference. The Windows compiler's runtime computes sine and cosine with the x87 FSIN and
// FCOS instructions, whose reduction by a 66-bit pi loses precision near multiples of pi:
// sin(pi) came out 1.2246063538223773e-16 instead of 1.2246467991473532e-16, which changed
// the coordinates the tool writes. There they are computed as the other C libraries do
// (os/win32/precise_trig.cpp).
double PreciseSin(double x);
double PreciseCos(double x);
