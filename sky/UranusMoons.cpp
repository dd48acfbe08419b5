#include "UranusMoons.h"

#include <cmath>

#include "RowRotation.h"
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

void UranusMoonOffset(int moon, double jd, double& x, double& y, double& z) {
  if (moon < 0 || moon > 4) {
    x = y = z = 0.0;
    return;
  }
  const UranusMoonElements el = UranusMoonElementsAt(moon, jd);
  const double M = el.lambda + 3.0541516580648773 - el.varpi;
  double E = M;
  for (int n = 0; n < 4; ++n) E = M + el.e * std::sin(E);
  const float vx = static_cast<float>(el.a * (std::cos(E) - el.e));
  const float vz = static_cast<float>(-el.a * std::sqrt(1.0 - el.e * el.e) * std::sin(E));
  const RowMatrix3f m = RowMultiply(RowMultiply(RowRotationY(static_cast<float>(el.node)), RowRotationX(static_cast<float>(el.i))),
                                    RowRotationY(static_cast<float>(el.varpi - el.node)));
  float out[3];
  RowTransform(m, vx, 0.0f, vz, out);
  x = out[2] * 1e-6;
  y = -out[0] * 1e-6;
  z = out[1] * 1e-6;
}

// ---- View method ------------------------------------------------------------

void CSkyModel::ComputeUranusMoonOffset(int moon, double& x, double& y, double& z) {
  UranusMoonOffset(moon, m_julianDate, x, y, z);
}
