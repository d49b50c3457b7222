#pragma once
// The sine and cosine of the geometry. The constructions call these by name, never the C
// runtime's sin and cos, so that the Linux and the Windows program write the same
// coordinates but for a rare last digit.
//
// Elsewhere they are the C library's own (os/plain/precise_trig.cpp). The Windows compiler's
// runtime computes sine and cosine with the x87 FSIN and FCOS instructions, whose reduction
// by a 66-bit pi loses precision near multiples of pi: sin(pi) came out
// 1.2246063538223773e-16 instead of 1.2246467991473532e-16, which changed the coordinates
// the tool writes. There they are our own (os/win32/precise_trig.cpp, os/plain/
// portable_trig.h), correctly rounded nearly always. Linux's C library is not quite: on
// drawing angles it gives other bits, one unit in the last place, in about 7 calls in
// 10,000 (bench/trig_agreement.cpp). Through the whole program (bench/
// linux_windows_agreement.py, its first 4,000 random runs of "/R1"-"/R9"), 3,998 wrote
// identical bytes and 2 differ only in the last (15th) significant digit of one coordinate;
// the functions these replaced gave 3,999 of 4,000, the one differing run being one of those.
double PreciseSin(double x);
double PreciseCos(double x);
