// The Windows program's sine and cosine are our own portable ones: the compiler's runtime
// computes them with the x87 instructions, whose reduction by a 66-bit pi loses the last
// digits near multiples of pi (see os/precise_trig.h).
#include "os/precise_trig.h"

#include "os/plain/portable_trig.h"

double PreciseSin(double x) { return PortableSin(x); }
double PreciseCos(double x) { return PortableCos(x); }
