#include "SkyMath.h"

#include <cmath>

void SetVector3d(double x, double y, double z, Vector3d& out) { out = {x, y, z}; }

void SetVector3dFromFloats(Vector3d& out, float x, float y, float z) {
  out = {static_cast<double>(x), static_cast<double>(y), static_cast<double>(z)};
}

Vector3d& ScaleVector3d(double k, Vector3d& out, const Vector3d& v) {
  out = {k * v.x, k * v.y, k * v.z};
  return out;
}

Vector3d& AddVector3d(Vector3d& out, const Vector3d& a, const Vector3d& b) {
  out = {a.x + b.x, a.y + b.y, a.z + b.z};
  return out;
}

Vector3d& SubtractVector3d(Vector3d& out, const Vector3d& a, const Vector3d& b) {
  out = {a.x - b.x, a.y - b.y, a.z - b.z};
  return out;
}

Vector3d NormalizeVector3d(const Vector3d& v) {
  const double length = std::sqrt(std::pow(v.x, 2.0) + std::pow(v.z, 2.0) + std::pow(v.y, 2.0));
  if (length == 0.0) return {0.0, 0.0, 0.0};
  const double k = 1.0 / length;
  return {v.x * k, v.y * k, v.z * k};
}

double RoundHalfAwayFromZero(double x) {
  if (x >= 0.0) {
    const double f = std::floor(x);
    return (x - f >= 0.5) ? std::ceil(x) : f;
  }
  const double c = std::ceil(x);
  return (c - x >= 0.5) ? std::floor(x) : c;
}

double TruncateTowardZero(double x) { return x >= 0.0 ? std::floor(x) : std::ceil(x); }

int TruncateInPlace(double& x) {
  const bool negative = x < 0.0;
  double a = negative ? -x : x;
  a = std::floor(a);
  x = negative ? -a : a;
  return static_cast<int>(a);
}

double NormalizeAngle(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  // fmod of a tiny negative value plus 2pi rounds to 2pi exactly.
  if (r >= kTwoPi) r = 0.0;
  return r;
}

double FoldAngle(double a) {
  const double r = NormalizeAngle(a);
  return r > kPi ? kTwoPi - r : r;
}

double NormalizeAngleFloat(float a) {
  const float twoPi = 6.2831855f;
  float r = std::fmod(a, twoPi);
  if (r < 0.0f) r += twoPi;
  if (r >= twoPi) r = 0.0f;
  return static_cast<double>(r);
}

double AngularSeparation(double ra1, double ra2, double dec1, double dec2) {
  double c = std::cos(ra2 - ra1) * std::cos(dec1) * std::cos(dec2) + std::sin(dec1) * std::sin(dec2);
  if (c > 1.0) c = 1.0;
  if (c < -1.0) c = -1.0;
  return std::acos(c);
}

double ArcsinByArctan(double s) {
  if (s >= 1.0) return kPi / 2.0;
  if (s <= -1.0) return -kPi / 2.0;
  return std::atan(s / std::sqrt(1.0 - s * s));
}
