#include "UranusMoons.h"

#include <cmath>

#include "SkyModel.h"

namespace {

struct Term {
  double amplitude, phase, frequency;  // rad, rad, rad/day
};

struct MoonRow {
  double a, n, lambda0;
  Term longitude[3];
  Term z[5];
  Term zeta[2];
};

// Leading terms of GUST86 (Laskar & Jacobson 1987), truncated; empty places
// are zeros. Each term's phase and frequency are those of its argument in the
// theory (combinations of the mean longitudes, or the proper modes of the
// eccentricities and inclinations), in radians and radians per day.
constexpr MoonRow kMoons[5] = {
    {129800, 4.44519055, -0.23805158,
     {{0.02547217, 1.321800307, -0.001370785}, {-0.00308831, 2.643600614, -0.00274157},
      {-0.0003181, 3.965400922, -0.004112355}},
     {{0.00131238, 0.611392, 0.0009596085431}, {-0.00012331, 0.150957693, 0.540714488},
      {0.0001941, 6.045134307, 4.44519055}, {}, {}},
     {{0.03787171, 5.702313, -0.0009704556271}, {}}},
    {191200, 2.49295252, 3.09804641,
     {{-0.0018605, 1.321800307, -0.001370785}, {0.00021999, 2.643600614, -0.00274157}, {}},
     {{0.00118763, 2.408974, 0.0002970763028}, {0.00086159, 2.067774, 0.0001369026231}, {}, {}, {}},
     {{0.00035825, 0.395757, -0.0003004690031}, {0.00029008, 0.589326, -0.0001355168722}}},
    {266000, 1.51614811, 2.28540169,
     {{0.00066057, 1.321800307, -0.001370785}, {}, {}},
     {{-0.00022795, 2.408974, 0.0002970763028},
      {0.00390469, 2.067774, 0.0001369026231},
      {0.00030917, 0.735131, 9.929621316e-05},
      {0.00022192, 0.426767, 1.844482112e-05},
      {0.00054923, 5.710501307, -0.072711093}},
     {{0.00111336, 0.589326, -0.0001355168722}, {0.00035014, 1.746237, -8.806685315e-05}}},
    {435800, 0.72171851, 0.85635879,
     {{}, {}, {}},
     {{0.00093281, 0.735131, 9.929621316e-05}, {0.00112089, 0.426767, 1.844482112e-05},
      {0.00079343, 1.823691307, -0.043360658}, {}, {}},
     {{0.00068572, 1.746237, -8.806685315e-05}, {0.00037832, 4.206896, -1.237618826e-05}}},
    {583600, 0.46669212, -0.9155918,
     {{}, {}, {}},
     {{-0.00075868, 0.735131, 9.929621316e-05}, {0.00139734, 0.426767, 1.844482112e-05},
      {-0.00098726, 1.823691307, -0.043360658}, {}, {}},
     {{-0.00059633, 1.746237, -8.806685315e-05}, {0.00045169, 4.206896, -1.237618826e-05}}},
};

}  // namespace

UranusMoonElements UranusMoonElementsAt(int moon, double jd) {
  if (moon < 0) moon = 0;
  if (moon > 4) moon = 4;
  const MoonRow& row = kMoons[moon];
  const double t = jd - 2444239.5;
  UranusMoonElements el;
  el.a = row.a;
  el.lambda = row.lambda0 + row.n * t;
  for (const Term& term : row.longitude) el.lambda += term.amplitude * std::sin(term.phase + term.frequency * t);
  double k = 0.0, h = 0.0;
  for (const Term& term : row.z) {
    k += term.amplitude * std::cos(term.phase + term.frequency * t);
    h += term.amplitude * std::sin(term.phase + term.frequency * t);
  }
  double q = 0.0, p = 0.0;
  for (const Term& term : row.zeta) {
    q += term.amplitude * std::cos(term.phase + term.frequency * t);
    p += term.amplitude * std::sin(term.phase + term.frequency * t);
  }
  el.e = std::sqrt(k * k + h * h);
  el.varpi = std::atan2(h, k);
  double s = std::sqrt(p * p + q * q);
  if (s > 1.0) s = 1.0;
  el.i = 2.0 * std::asin(s);
  el.node = std::atan2(p, q);
  return el;
}

namespace {

struct Frame {
  double axis[3][3];  // the theory's x, y and z axes in the J2000 ecliptic
};

// The theory's frame: z along the pole of Uranus's equator about which the
// moons turn (right ascension 76.6067, declination 15.0320 degrees, B1950),
// x along the ascending node of that equator on the Earth's equator of 1950.
// Its axes are carried to the J2000 equator (IAU 1976 precession from
// 1950.0), then to the J2000 ecliptic.
Frame MakeFrame() {
  const double a = 76.6067 * kDegToRad, d = 15.0320 * kDegToRad;
  const double axes[3][3] = {{std::sin(a), -std::cos(a), 0.0},
                             {std::cos(a) * std::sin(d), std::sin(a) * std::sin(d), -std::cos(d)},
                             {std::cos(a) * std::cos(d), std::sin(a) * std::cos(d), std::sin(d)}};
  const double T = (2433282.4235 - 2451545.0) / 36525.0, t = -T;
  const double s = kArcsecToRad;
  const double zeta =
      ((2306.2181 + 1.39656 * T - 0.000139 * T * T) * t + (0.30188 - 0.000344 * T) * t * t + 0.017998 * t * t * t) * s;
  const double z =
      ((2306.2181 + 1.39656 * T - 0.000139 * T * T) * t + (1.09468 + 0.000066 * T) * t * t + 0.018203 * t * t * t) * s;
  const double theta =
      ((2004.3109 - 0.85330 * T - 0.000217 * T * T) * t - (0.42665 + 0.000217 * T) * t * t - 0.041833 * t * t * t) * s;
  const double eps = 23.4392911 * kDegToRad;
  Frame f;
  for (int k = 0; k < 3; ++k) {
    const double* v = axes[k];
    // Rz(-z) Ry(theta) Rz(-zeta)
    const double x1 = std::cos(zeta) * v[0] - std::sin(zeta) * v[1];
    const double y1 = std::sin(zeta) * v[0] + std::cos(zeta) * v[1];
    const double x2 = std::cos(theta) * x1 - std::sin(theta) * v[2];
    const double z2 = std::sin(theta) * x1 + std::cos(theta) * v[2];
    const double x3 = std::cos(z) * x2 - std::sin(z) * y1;
    const double y3 = std::sin(z) * x2 + std::cos(z) * y1;
    f.axis[k][0] = x3;
    f.axis[k][1] = std::cos(eps) * y3 + std::sin(eps) * z2;
    f.axis[k][2] = -std::sin(eps) * y3 + std::cos(eps) * z2;
  }
  return f;
}

const Frame& TheoryFrame() {
  static const Frame frame = MakeFrame();
  return frame;
}

}  // namespace

void UranusMoonInTheoryFrame(int moon, double jd, double out[3]) {
  out[0] = out[1] = out[2] = 0.0;
  if (moon < 0 || moon > 4) return;
  const UranusMoonElements el = UranusMoonElementsAt(moon, jd);
  const double M = el.lambda - el.varpi;
  double E = M;
  for (int n = 0; n < 4; ++n) E = M + el.e * std::sin(E);
  // In the orbit plane, x towards the periapsis.
  const double px = el.a * (std::cos(E) - el.e);
  const double py = el.a * std::sqrt(1.0 - el.e * el.e) * std::sin(E);
  // Argument of periapsis, inclination and node to the theory's frame.
  const double w = el.varpi - el.node;
  const double x1 = std::cos(w) * px - std::sin(w) * py;
  const double y1 = std::sin(w) * px + std::cos(w) * py;
  const double y2 = std::cos(el.i) * y1;
  const double z2 = std::sin(el.i) * y1;
  out[0] = std::cos(el.node) * x1 - std::sin(el.node) * y2;
  out[1] = std::sin(el.node) * x1 + std::cos(el.node) * y2;
  out[2] = z2;
}

void UranusMoonPole(double out[3]) {
  const Frame& f = TheoryFrame();
  for (int c = 0; c < 3; ++c) out[c] = f.axis[2][c];
}

void UranusMoonOffset(int moon, double jd, double& x, double& y, double& z) {
  double v[3];
  UranusMoonInTheoryFrame(moon, jd, v);
  const Frame& f = TheoryFrame();
  double e[3];
  for (int c = 0; c < 3; ++c) e[c] = (v[0] * f.axis[0][c] + v[1] * f.axis[1][c] + v[2] * f.axis[2][c]) * 1e-6;
  // Onto the scene's axes.
  x = e[1];
  y = e[0];
  z = e[2];
}

// ---- View method ------------------------------------------------------------

void CSkyModel::ComputeUranusMoonOffset(int moon, double& x, double& y, double& z) {
  UranusMoonOffset(moon, m_julianDate, x, y, z);
}
