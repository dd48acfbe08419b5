#pragma once
// Small pure helpers of the sky model: a vector of doubles, rounding rules and
// angle reduction. No state, no failure reports.

struct Vector3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
constexpr double kArcsecToRad = 4.84813681109536e-6;

void SetVector3d(double x, double y, double z, Vector3d& out);
void SetVector3dFromFloats(Vector3d& out, float x, float y, float z);
Vector3d& ScaleVector3d(double k, Vector3d& out, const Vector3d& v);
Vector3d& AddVector3d(Vector3d& out, const Vector3d& a, const Vector3d& b);
Vector3d& SubtractVector3d(Vector3d& out, const Vector3d& a, const Vector3d& b);
// Unit vector of v; the zero vector gives (0, 0, 0).
Vector3d NormalizeVector3d(const Vector3d& v);

// Nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3).
double RoundHalfAwayFromZero(double x);
// floor for x >= 0, ceiling for x < 0.
double TruncateTowardZero(double x);
// x becomes its whole part (sign kept); returns the absolute whole part.
int TruncateInPlace(double& x);

// a reduced to [0, 2pi).
double NormalizeAngle(double a);
// a reduced to [0, 2pi), then folded into [0, pi]: the unsigned difference of two directions.
double FoldAngle(double a);
// NormalizeAngle in single precision.
double NormalizeAngleFloat(float a);
// Angle in radians between two equatorial positions; never NaN.
double AngularSeparation(double ra1, double ra2, double dec1, double dec2);

// arcsin written as an arctangent, as the sky model computes it; the argument is
// clamped to [-1, 1] so that rounding at the poles cannot give NaN.
double ArcsinByArctan(double s);

// A rectangular vector of the mean ecliptic and equinox of the Julian date
// jd0 carried to those of jd, in place (the rigorous ecliptic precession of
// J. Meeus, Astronomical Algorithms, chapter 21). Its length is kept.
void PrecessEclipticVector(double jd0, double jd, double v[3]);
