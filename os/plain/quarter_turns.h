#pragma once
// The argument reduction of the sine and cosine: x = (4n + quadrant) pi/2 + r with
// |r| <= pi/4, r to about 2^-100 of itself for every finite double.
#include "os/plain/double_double.h"

struct QuarterTurns {
  int quadrant;       // 0 to 3: which quarter turn r is measured from
  DoubleDouble rest;  // r in radians
};

// For finite x with |x| >= 1/2 (below that, r is x itself).
QuarterTurns ReduceByQuarterTurns(double x);
