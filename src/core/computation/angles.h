// Trigonometry in degrees, the angle unit of cell angles and crystal rotations.
#pragma once

#include <cmath>
#include <numbers>

namespace xtalsp {

// The double nearest to pi, which is also what 4*atan(1) yields; a constant avoids
// static-initialisation order questions between translation units.
inline constexpr double kPi = std::numbers::pi;

inline double degreesToRadians(double degrees) {
    return degrees * kPi / 180.0;
}

// A right angle gives exactly 0 and 1, as crystallographic libraries take it: the rounded pi/2
// would leave cos at 6e-17, so an orthogonal cell would get tiny off-diagonal reciprocal
// components and side planes corrected against it would come out as 6e-17 instead of 0.
inline double cosDegrees(double degrees) {
    return degrees == 90.0 ? 0.0 : std::cos(degreesToRadians(degrees));
}

inline double sinDegrees(double degrees) {
    return degrees == 90.0 ? 1.0 : std::sin(degreesToRadians(degrees));
}

} // namespace xtalsp
