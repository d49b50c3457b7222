// Replaces the runtime's sin, cos and sincos (the compiler may merge a sine and a cosine
// of the same angle into one sincos call) for the whole Windows program; see
// precise_trig.h. Arguments beyond 2^20 * pi/2 keep the x87 result, as before.
#include "os/precise_trig.h"

#include <cmath>

namespace {

// Apart, so that the compiler cannot merge them into a sincos call of its own.
[[gnu::noinline]] double X87Sin(double x) { return static_cast<double>(sinl(x)); }
[[gnu::noinline]] double X87Cos(double x) { return static_cast<double>(cosl(x)); }

double Sine(double x) {
  double result = 0;
  return precise_trig::SinOrCos(x, false, result) ? result : X87Sin(x);
}

double Cosine(double x) {
  double result = 0;
  return precise_trig::SinOrCos(x, true, result) ? result : X87Cos(x);
}

}  // namespace

extern "C" {

double sin(double x) { return Sine(x); }
double cos(double x) { return Cosine(x); }

void sincos(double x, double* sine, double* cosine) {
  *sine = Sine(x);
  *cosine = Cosine(x);
}

}  // extern "C"
