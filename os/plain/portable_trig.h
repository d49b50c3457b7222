#pragma once
// Sine and cosine from double arithmetic alone (os/plain/quarter_turns.h and series in
// double-double), the same bits on every system that rounds each double operation to
// nearest: correctly rounded except where the true value lies within about 2^-70 of a
// rounding boundary. The Windows program's PreciseSin and PreciseCos.
double PortableSin(double x);
double PortableCos(double x);
