#pragma once
// The geometry of the ten constructions. Each one reads the indicated points, the host
// angle and the first line from the exchange state and queues its drawing commands through
// the emitters of the command writer.
#include "tool/run_mode.h"

// Half-length of every construction line, in drawing units.
inline constexpr double kConstructionHalfLength = 5e7;

// Modes "/R1" to "/R9"; "/R4" and "/R7" add the mode's angle argument. Any other mode
// queues nothing. Returns false only for "/R5" to "/R7" when the host sent no line: nothing
// is queued and the caller must close the form at once and end the run sequence.
bool ConstructionRun(const RunMode& mode);

// One line through (px, py) in direction theta (radians), reaching the half-length both
// ways: from P + h(cos theta, sin theta) to P + h(cos(theta + pi), sin(theta + pi)).
void EmitConstructionLine(double px, double py, double theta);

// "/R10": a circle of `radius` around the first indicated point when `ratio` is within
// kGeometryThreshold of 1, otherwise an ellipse with that flattening ratio tilted by the host angle
// plus `angle` degrees. The caller has checked radius and ratio and reduced the angle.
void EllipseRun(double radius, double ratio, double angle);

// The value in [0, 360) that differs from `degrees` by a whole number of turns, computed as
// a remainder so that huge values reduce at once. Non-finite input gives 0.
double ReduceToFullTurn(double degrees);
