#pragma once
// Plane geometry shared by the constructions.

// Distance from (x1, y1) to (x2, y2).
double PointDistance(double x1, double y1, double x2, double y2);

// Direction of the vector (dx, dy) in radians, from 0 up to 2*pi. A vector whose two
// components are both below 1e-10 in magnitude has direction 0.
double DirectionAngle(double dx, double dy);
