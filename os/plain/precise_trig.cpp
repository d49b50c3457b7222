// The C library's sine and cosine: on Linux and the other systems whose C library computes
// them in double precision with a full reduction, these are the reference bits.
#include "os/precise_trig.h"

#include <cmath>

double PreciseSin(double x) { return std::sin(x); }
double PreciseCos(double x) { return std::cos(x); }
