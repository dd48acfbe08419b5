#include "Orbits.h"

#include <cmath>

double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Norm(Vec3 a) { return std::sqrt(Dot(a, a)); }

namespace {

constexpr double kPi = 3.141592653589793;

// Stumpff functions.
double StumpffC(double z) {
  if (z > 1e-8) return (1 - std::cos(std::sqrt(z))) / z;
  if (z < -1e-8) return (std::cosh(std::sqrt(-z)) - 1) / (-z);
  return 0.5 - z / 24 + z * z / 720;
}
double StumpffS(double z) {
  if (z > 1e-8) {
    const double s = std::sqrt(z);
    return (s - std::sin(s)) / (s * s * s);
  }
  if (z < -1e-8) {
    const double s = std::sqrt(-z);
    return (std::sinh(s) - s) / (s * s * s);
  }
  return 1.0 / 6 - z / 120 + z * z / 5040;
}

}  // namespace

Vec3 PropagateKepler(Vec3 r0, Vec3 v0, double dt, Vec3* vOut) {
  const double mu = kMuSun, smu = std::sqrt(mu);
  const double r0n = Norm(r0), vr0 = Dot(r0, v0) / r0n;
  const double alpha = 2.0 / r0n - Dot(v0, v0) / mu;  // 1/a
  // Starting values of D. A. Vallado, Fundamentals of Astrodynamics and
  // Applications, algorithm 8 (Kepler's problem in universal variables).
  double chi = smu * alpha * dt;
  if (alpha < -1e-12) {
    const double a = 1.0 / alpha, sign = dt >= 0 ? 1.0 : -1.0;
    const double arg = -2.0 * mu * alpha * dt / (Dot(r0, v0) + sign * std::sqrt(-mu * a) * (1.0 - r0n * alpha));
    chi = arg > 0 ? sign * std::sqrt(-a) * std::log(arg) : smu * dt / r0n;
  } else if (alpha <= 1e-12) {
    chi = smu * dt / r0n;
  }
  for (int it = 0; it < 200; ++it) {
    const double z = alpha * chi * chi;
    const double C = StumpffC(z), S = StumpffS(z);
    const double F = r0n * vr0 / smu * chi * chi * C + (1 - alpha * r0n) * chi * chi * chi * S + r0n * chi - smu * dt;
    const double dF = r0n * vr0 / smu * chi * (1 - alpha * chi * chi * S) + (1 - alpha * r0n) * chi * chi * C + r0n;
    double step = F / dF;
    // Keep Newton's steps bounded for long hyperbolic arcs.
    if (std::fabs(step) > 0.5 * std::fabs(chi) + 1.0) step = (step > 0 ? 1 : -1) * (0.5 * std::fabs(chi) + 1.0);
    chi -= step;
    if (std::fabs(step) < 1e-13 * (1 + std::fabs(chi))) break;
  }
  const double z = alpha * chi * chi;
  const double C = StumpffC(z), S = StumpffS(z);
  const double f = 1 - chi * chi / r0n * C;
  const double g = dt - chi * chi * chi / smu * S;
  const Vec3 r = f * r0 + g * v0;
  if (vOut) {
    const double rn = Norm(r);
    const double fdot = smu / (rn * r0n) * (alpha * chi * chi * chi * S - chi);
    const double gdot = 1 - chi * chi / rn * C;
    *vOut = fdot * r0 + gdot * v0;
  }
  return r;
}

namespace {

struct LambertGeometry {
  double r1, r2, A;
};

double LambertY(const LambertGeometry& g, double z) {
  return g.r1 + g.r2 + g.A * (z * StumpffS(z) - 1) / std::sqrt(StumpffC(z));
}

// Time of flight (days) for z; negative when y < 0 (no solution there).
double LambertTime(const LambertGeometry& g, double z) {
  const double y = LambertY(g, z);
  if (y < 0) return -1.0;
  const double C = StumpffC(z);
  return (std::pow(y / C, 1.5) * StumpffS(z) + g.A * std::sqrt(y)) / std::sqrt(kMuSun);
}

// z in (lo, hi) with LambertTime = tof, time increasing with z over the range.
double BisectIncreasing(const LambertGeometry& g, double lo, double hi, double tof) {
  for (int it = 0; it < 200; ++it) {
    const double mid = 0.5 * (lo + hi);
    const double t = LambertTime(g, mid);
    if (t < 0 || t < tof) lo = mid;
    else hi = mid;
  }
  return 0.5 * (lo + hi);
}

double BisectDecreasing(const LambertGeometry& g, double lo, double hi, double tof) {
  for (int it = 0; it < 200; ++it) {
    const double mid = 0.5 * (lo + hi);
    const double t = LambertTime(g, mid);
    if (t >= 0 && t > tof) lo = mid;
    else hi = mid;
  }
  return 0.5 * (lo + hi);
}

void LambertVelocities(const LambertGeometry& g, Vec3 r1, Vec3 r2, double z, Vec3& v1, Vec3& v2) {
  const double y = LambertY(g, z);
  const double f = 1 - y / g.r1;
  const double gg = g.A * std::sqrt(y / kMuSun);
  const double gdot = 1 - y / g.r2;
  v1 = (1.0 / gg) * (r2 - f * r1);
  v2 = (1.0 / gg) * (gdot * r2 - r1);
}

}  // namespace

int SolveLambert(Vec3 r1v, Vec3 r2v, double tof, int maxRevolutions, Vec3* v1s, Vec3* v2s, bool shortWay) {
  LambertGeometry g;
  g.r1 = Norm(r1v);
  g.r2 = Norm(r2v);
  double c = Dot(r1v, r2v) / (g.r1 * g.r2);
  c = std::fmax(-1.0, std::fmin(1.0, c));
  double dtheta = std::acos(c);
  if (!shortWay && Cross(r1v, r2v).z < 0) dtheta = 2 * kPi - dtheta;
  g.A = std::sin(dtheta) * std::sqrt(g.r1 * g.r2 / (1 - std::cos(dtheta)));
  if (!(std::fabs(g.A) > 1e-12) || !(tof > 0)) return 0;
  int count = 0;
  // Zero revolutions: time grows with z from the hyperbolic side up to 4 pi^2.
  {
    double lo = -1.0;
    while (LambertTime(g, lo) > tof && lo > -1e6) lo *= 2;
    const double hi = 4 * kPi * kPi - 1e-9;
    if (LambertTime(g, hi * 0.999999) > tof || LambertTime(g, hi * 0.999999) < 0) {
      const double z = BisectIncreasing(g, lo, hi, tof);
      LambertVelocities(g, r1v, r2v, z, v1s[count], v2s[count]);
      ++count;
    }
  }
  for (int n = 1; n <= maxRevolutions; ++n) {
    const double lo = std::pow(2 * n * kPi, 2) + 1e-9, hi = std::pow(2 * (n + 1) * kPi, 2) - 1e-9;
    // Minimum time of flight inside the range (golden section).
    double a = lo, b = hi;
    for (int it = 0; it < 200; ++it) {
      const double m1 = a + 0.382 * (b - a), m2 = a + 0.618 * (b - a);
      double t1 = LambertTime(g, m1), t2 = LambertTime(g, m2);
      if (t1 < 0) t1 = 1e300;
      if (t2 < 0) t2 = 1e300;
      if (t1 < t2) b = m2;
      else a = m1;
    }
    const double zmin = 0.5 * (a + b);
    const double tmin = LambertTime(g, zmin);
    if (tmin < 0 || tmin > tof) continue;
    const double zLeft = BisectDecreasing(g, lo, zmin, tof);
    const double zRight = BisectIncreasing(g, zmin, hi, tof);
    LambertVelocities(g, r1v, r2v, zLeft, v1s[count], v2s[count]);
    ++count;
    LambertVelocities(g, r1v, r2v, zRight, v1s[count], v2s[count]);
    ++count;
  }
  return count;
}

Vec3 EllipsePosition(double a, double e, double i, double node, double peri, double M0, double epoch, double jd) {
  const double d = kPi / 180;
  const double n = std::sqrt(kMuSun / (a * a * a));
  double M = std::fmod(M0 * d + n * (jd - epoch), 2 * kPi);
  double E = e < 0.8 ? M : kPi;
  for (int it = 0; it < 100; ++it) {
    const double dE = (E - e * std::sin(E) - M) / (1 - e * std::cos(E));
    E -= dE;
    if (std::fabs(dE) < 1e-14) break;
  }
  const double xp = a * (std::cos(E) - e), yp = a * std::sqrt(1 - e * e) * std::sin(E);
  const double cO = std::cos(node * d), sO = std::sin(node * d), ci = std::cos(i * d), si = std::sin(i * d);
  const double cw = std::cos(peri * d), sw = std::sin(peri * d);
  return {(cO * cw - sO * sw * ci) * xp + (-cO * sw - sO * cw * ci) * yp,
          (sO * cw + cO * sw * ci) * xp + (-sO * sw + cO * cw * ci) * yp, (sw * si) * xp + (cw * si) * yp};
}
