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

void PrecessEclipticVector(double jd0, double jd, double v[3]) {
  const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (r == 0.0 || jd0 == jd) return;
  const double T = (jd0 - 2451545.0) / 36525.0, t = (jd - jd0) / 36525.0;
  const double eta =
      ((47.0029 - 0.06603 * T + 0.000598 * T * T) * t + (-0.03302 + 0.000598 * T) * t * t + 0.000060 * t * t * t) *
      kArcsecToRad;
  const double bigPi =
      174.876384 * kDegToRad +
      (3289.4789 * T + 0.60622 * T * T - (869.8089 + 0.50491 * T) * t + 0.03536 * t * t) * kArcsecToRad;
  const double p =
      ((5029.0966 + 2.22226 * T - 0.000042 * T * T) * t + (1.11113 - 0.000042 * T) * t * t - 0.000006 * t * t * t) *
      kArcsecToRad;
  const double lambda = std::atan2(v[1], v[0]);
  const double cb = std::hypot(v[0], v[1]) / r, sb = v[2] / r;
  const double a = std::cos(eta) * cb * std::sin(bigPi - lambda) - std::sin(eta) * sb;
  const double b = cb * std::cos(bigPi - lambda);
  const double c = std::cos(eta) * sb + std::sin(eta) * cb * std::sin(bigPi - lambda);
  const double l = p + bigPi - std::atan2(a, b);
  const double horizontal = std::hypot(a, b);
  v[0] = r * horizontal * std::cos(l);
  v[1] = r * horizontal * std::sin(l);
  v[2] = r * c;
}
