#include "SaturnMoons.h"

#include <cmath>

#include "SkyMath.h"
#include "SkyModel.h"

// Mean elements and periodic terms: J. Meeus, Astronomical Algorithms, 2nd
// ed., chapter 46, with the published coefficients.

namespace {

constexpr double d = kDegToRad;
double SinD(double x) { return std::sin(x * d); }
double CosD(double x) { return std::cos(x * d); }
double Atan2D(double y, double x) { return std::atan2(y, x) / d; }

constexpr double kRingInclination = 28.0817;  // 0.49011812455729165 radians
constexpr double kRingNode = 168.8112;

}  // namespace

SaturnMoonTimes SaturnMoonTimeArguments(double jd) {
  SaturnMoonTimes q;
  q.t1 = jd - 2411093.0;
  q.t2 = q.t1 / 365.25;
  q.t3 = (jd - 2433282.423) / 365.25 + 1950.0;
  q.t4 = jd - 2411368.0;
  q.t5 = q.t4 / 365.25;
  q.t6 = jd - 2415020.0;
  q.t7 = q.t6 / 36525.0;
  q.t8 = q.t6 / 365.25;
  q.t9 = (jd - 2442000.5) / 365.25;
  q.t10 = jd - 2409786.0;
  q.t11 = q.t10 / 36525.0;
  q.W0 = 5.095 * (q.t3 - 1866.39);
  q.W1 = 74.4 + 32.39 * q.t2;
  q.W2 = 134.3 + 92.62 * q.t2;
  q.W3 = 42.0 - 0.5118 * q.t5;
  q.W4 = 276.59 + 0.5118 * q.t5;
  q.W5 = 267.2635 + 1222.1136 * q.t7;
  q.W6 = 175.4762 + 1221.5515 * q.t7;
  q.W7 = 2.4891 + 0.002435 * q.t7;
  q.W8 = 113.35 - 0.2597 * q.t7;
  return q;
}

void SaturnMoonEccentricOrbit(double a, double e, double i, double node, double M, double lambda0, double& lambda,
                              double& gamma, double& nodeOut, double& r) {
  const double e2 = e * e, e3 = e2 * e, e4 = e2 * e2, e5 = e4 * e;
  const double Mr = M * d;
  const double C = ((2 * e - e3 / 4 + 5 * e5 / 96) * std::sin(Mr) + (5 * e2 / 4 - 11 * e4 / 24) * std::sin(2 * Mr) +
                    (13 * e3 / 12 - 43 * e5 / 64) * std::sin(3 * Mr) + (103 * e4 / 96) * std::sin(4 * Mr) +
                    (1097 * e5 / 960) * std::sin(5 * Mr)) /
                   d;
  r = a * (1 - e2) / (1 + e * CosD(M + C));
  const double g = node - kRingNode;
  const double a1 = SinD(i) * SinD(g);
  const double a2 = CosD(kRingInclination) * SinD(i) * CosD(g) - SinD(kRingInclination) * CosD(i);
  double s = std::sqrt(a1 * a1 + a2 * a2);
  if (s > 1.0) s = 1.0;
  gamma = std::asin(s) / d;
  const double u = Atan2D(a1, a2);
  nodeOut = kRingNode + u;
  const double h = CosD(kRingInclination) * SinD(i) - SinD(kRingInclination) * CosD(i) * CosD(g);
  const double psi = Atan2D(SinD(kRingInclination) * SinD(g), h);
  lambda = lambda0 + C + u - g - psi;
}

void SaturnMoonRectangular(double lambda, double gamma, double node, double r, double& X, double& Y, double& Z) {
  const double u = lambda - node;
  const double w = node - kRingNode;
  X = r * (CosD(u) * CosD(w) - SinD(u) * CosD(gamma) * SinD(w));
  Y = r * (SinD(u) * CosD(w) * CosD(gamma) + CosD(u) * SinD(w));
  Z = r * SinD(u) * SinD(gamma);
}

void SaturnMoonEcliptic1950(double lambda, double gamma, double node, double r, double out[3]) {
  double X = 0.0, Y = 0.0, Z = 0.0;
  SaturnMoonRectangular(lambda, gamma, node, r, X, Y, Z);
  // Saturn's equator on the ecliptic of 1950: its inclination and node.
  const double ci = CosD(kRingInclination), si = SinD(kRingInclination);
  const double cn = CosD(kRingNode), sn = SinD(kRingNode);
  const double b = ci * Y - si * Z;
  out[0] = cn * X - sn * b;
  out[1] = sn * X + cn * b;
  out[2] = si * Y + ci * Z;
}

void SaturnMoonOffset(double lambda, double gamma, double node, double r, double& x, double& y, double& z) {
  double v[3];
  SaturnMoonEcliptic1950(lambda, gamma, node, r, v);
  PrecessEclipticVector(kSaturnMoonEquinox, 2451545.0, v);
  // Saturn radii to millions of km, onto the scene's axes.
  const double scale = kSaturnRadiusKm * 1e-6;
  x = v[1] * scale;
  y = v[0] * scale;
  z = v[2] * scale;
}

namespace {

void Mimas(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double L = 127.64 + 381.994497 * q.t1 - 43.57 * SinD(q.W0) - 0.720 * SinD(3 * q.W0) - 0.02144 * SinD(5 * q.W0);
  const double p = 106.1 + 365.549 * q.t2;
  const double M = L - p;
  const double C = 2.18287 * SinD(M) + 0.025988 * SinD(2 * M) + 0.00043 * SinD(3 * M);
  lambda = L + C;
  r = 3.06879 / (1 + 0.01905 * CosD(M + C));
  gamma = 1.563;
  node = 54.5 - 365.072 * q.t2;
}

void Enceladus(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double L = 200.317 + 262.7319002 * q.t1 + 0.25667 * SinD(q.W1) + 0.20883 * SinD(q.W2);
  const double p = 309.107 + 123.44121 * q.t2;
  const double M = L - p;
  const double C = 0.55577 * SinD(M) + 0.00168 * SinD(2 * M);
  lambda = L + C;
  r = 3.94118 / (1 + 0.00485 * CosD(M + C));
  gamma = 0.0262;
  node = 348.0 - 151.95 * q.t2;
}

void Tethys(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  lambda = 285.306 + 190.69791226 * q.t1 + 2.063 * SinD(q.W0) + 0.03409 * SinD(3 * q.W0) + 0.001015 * SinD(5 * q.W0);
  r = 4.880998;
  gamma = 1.0976;
  node = 111.33 - 72.2441 * q.t2;
}

void Dione(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double L = 254.712 + 131.53493193 * q.t1 - 0.0215 * SinD(q.W1) - 0.01733 * SinD(q.W2);
  const double p = 174.8 + 30.820 * q.t2;
  const double M = L - p;
  const double C = 0.24717 * SinD(M) + 0.00033 * SinD(2 * M);
  lambda = L + C;
  r = 6.24871 / (1 + 0.002157 * CosD(M + C));
  gamma = 0.0139;
  node = 232.0 - 30.27 * q.t2;
}

void Rhea(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double pp = 342.7 + 10.057 * q.t2;
  const double a1 = 0.000265 * SinD(pp) + 0.001 * SinD(q.W4);
  const double a2 = 0.000265 * CosD(pp) + 0.001 * CosD(q.W4);
  const double e = std::sqrt(a1 * a1 + a2 * a2);
  const double p = Atan2D(a1, a2);
  const double N = 345.0 - 10.057 * q.t2;
  const double lambda0 = 359.244 + 79.69004720 * q.t1 + 0.086754 * SinD(N);
  const double i = 28.0362 + 0.346898 * CosD(N) + 0.01930 * CosD(q.W3);
  const double Om = 168.8034 + 0.736936 * SinD(N) + 0.041 * SinD(q.W3);
  SaturnMoonEccentricOrbit(8.725924, e, i, Om, lambda0 - p, lambda0, lambda, gamma, node, r);
}

void Titan(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double L = 261.1582 + 22.57697855 * q.t4 + 0.074025 * SinD(q.W3);
  const double ip = 27.45141 + 0.295999 * CosD(q.W3);
  const double Op = 168.66925 + 0.628808 * SinD(q.W3);
  const double a1 = SinD(q.W7) * SinD(Op - q.W8);
  const double a2 = CosD(q.W7) * SinD(ip) - SinD(q.W7) * CosD(ip) * CosD(Op - q.W8);
  const double g0 = 102.8623;
  const double psi = Atan2D(a1, a2);
  const double s = std::sqrt(a1 * a1 + a2 * a2);
  double g = q.W4 - Op - psi;
  double varpi = 0.0;
  for (int n = 0; n < 3; ++n) {
    varpi = q.W4 + 0.37515 * (SinD(2 * g) - SinD(2 * g0));
    g = varpi - Op - psi;
  }
  const double ep = 0.029092 + 0.00019048 * (CosD(2 * g) - CosD(2 * g0));
  const double qq = 2 * (q.W5 - varpi);
  const double b1 = SinD(ip) * SinD(Op - q.W8);
  const double b2 = CosD(q.W7) * SinD(ip) * CosD(Op - q.W8) - SinD(q.W7) * CosD(ip);
  const double theta = Atan2D(b1, b2) + q.W8;
  const double e = ep + 0.002778797 * ep * CosD(qq);
  const double p = varpi + 0.159215 * SinD(qq);
  const double u = 2 * q.W5 - 2 * theta + psi;
  const double h = 0.9375 * ep * ep * SinD(qq) + 0.1875 * s * s * SinD(2 * (q.W5 - theta));
  const double e1 = 0.05589 - 0.000346 * q.t7;
  const double lambda0 = L - 0.254744 * (e1 * SinD(q.W6) + 0.75 * e1 * e1 * SinD(2 * q.W6) + h);
  const double i = ip + 0.031843 * s * CosD(u);
  const double Om = Op + 0.031843 * s * SinD(u) / SinD(ip);
  SaturnMoonEccentricOrbit(20.216193, e, i, Om, lambda0 - p, lambda0, lambda, gamma, node, r);
}

void Hyperion(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double eta = 92.39 + 0.5621071 * q.t6;
  const double zeta = 148.19 - 19.18 * q.t8;
  const double theta = 184.8 - 35.41 * q.t9;
  const double thetap = theta - 7.5;
  const double as = 176.0 + 12.22 * q.t8;
  const double bs = 8.0 + 24.44 * q.t8;
  const double cs = bs + 5.0;
  const double varpi = 69.898 - 18.67088 * q.t8;
  const double phi = 2 * (varpi - q.W5);
  const double chi = 94.9 - 2.292 * q.t8;
  const double a = 24.50601 - 0.08686 * CosD(eta) - 0.00166 * CosD(zeta + eta) + 0.00175 * CosD(zeta - eta);
  const double e = 0.103458 - 0.004099 * CosD(eta) - 0.000167 * CosD(zeta + eta) + 0.000235 * CosD(zeta - eta) +
                   0.02303 * CosD(zeta) - 0.00212 * CosD(2 * zeta) + 0.000151 * CosD(3 * zeta) + 0.00013 * CosD(phi);
  const double p = varpi + 0.15648 * SinD(chi) - 0.4457 * SinD(eta) - 0.2657 * SinD(zeta + eta) -
                   0.3573 * SinD(zeta - eta) - 12.872 * SinD(zeta) + 1.668 * SinD(2 * zeta) - 0.2419 * SinD(3 * zeta) -
                   0.07 * SinD(phi);
  const double lambda0 = 177.047 + 16.91993829 * q.t6 + 0.15648 * SinD(chi) + 9.142 * SinD(eta) +
                         0.007 * SinD(2 * eta) - 0.014 * SinD(3 * eta) + 0.2275 * SinD(zeta + eta) +
                         0.2112 * SinD(zeta - eta) - 0.26 * SinD(zeta) - 0.0098 * SinD(2 * zeta) - 0.013 * SinD(as) +
                         0.017 * SinD(bs) - 0.0303 * SinD(phi);
  const double i = 27.3347 + 0.643486 * CosD(chi) + 0.315 * CosD(q.W3) + 0.018 * CosD(theta) - 0.018 * CosD(cs);
  const double Om = 168.6812 + 1.40136 * CosD(chi) + 0.68599 * SinD(q.W3) - 0.0392 * SinD(cs) + 0.0366 * SinD(thetap);
  SaturnMoonEccentricOrbit(a, e, i, Om, lambda0 - p, lambda0, lambda, gamma, node, r);
}

void Iapetus(const SaturnMoonTimes& q, double& lambda, double& gamma, double& node, double& r) {
  const double L = 261.1582 + 22.57697855 * q.t4;
  const double varpip = 91.796 + 0.562 * q.t7;
  const double psi = 4.367 - 0.195 * q.t7;
  const double theta = 146.819 - 3.198 * q.t7;
  const double phi = 60.470 + 1.521 * q.t7;
  const double PHI = 205.055 - 2.091 * q.t7;
  const double ep = 0.028298 + 0.001156 * q.t11;
  const double varpi0 = 352.91 + 11.71 * q.t11;
  const double mu = 76.3852 + 4.53795125 * q.t10;
  const double T = q.t11;
  const double ip = 18.4602 - 0.9518 * T - 0.072 * T * T + 0.0054 * T * T * T;
  const double Op = 143.198 - 3.919 * T + 0.116 * T * T + 0.008 * T * T * T;
  const double l = mu - varpi0;
  const double g = varpi0 - Op - psi;
  const double g1 = varpi0 - Op - phi;
  const double ls = q.W5 - varpip;
  const double gs = varpip - theta;
  const double lT = L - q.W4;
  const double gT = q.W4 - PHI;
  const double u1 = 2 * (l + g - ls - gs);
  const double u2 = l + g1 - lT - gT;
  const double u3 = l + 2 * (g - ls - gs);
  const double u4 = lT + gT - g1;
  const double u5 = 2 * (ls + gs);
  const double a = 58.935028 + 0.004638 * CosD(u1) + 0.058222 * CosD(u2);
  const double e = ep - 0.0014097 * CosD(g1 - gT) + 0.0003733 * CosD(u5 - 2 * g) + 0.0001180 * CosD(u3) +
                   0.0002408 * CosD(l) + 0.0002849 * CosD(l + u2) + 0.0006190 * CosD(u4);
  const double w = 0.08077 * SinD(g1 - gT) + 0.02139 * SinD(u5 - 2 * g) - 0.00676 * SinD(u3) + 0.01380 * SinD(l) +
                   0.01632 * SinD(l + u2) + 0.03547 * SinD(u4);
  const double p = varpi0 + w / ep;
  const double lambda0 = mu - 0.04299 * SinD(u2) - 0.00789 * SinD(u1) - 0.06312 * SinD(ls) - 0.00295 * SinD(2 * ls) -
                         0.02231 * SinD(u5) + 0.00650 * SinD(u5 + psi);
  const double i = ip + 0.04204 * CosD(u5 + psi) + 0.00235 * CosD(l + g1 + lT + gT + phi) + 0.00360 * CosD(u2 + phi);
  const double wp = 0.04204 * SinD(u5 + psi) + 0.00235 * SinD(l + g1 + lT + gT + phi) + 0.00358 * SinD(u2 + phi);
  const double Om = Op + wp / SinD(ip);
  SaturnMoonEccentricOrbit(a, e, i, Om, lambda0 - p, lambda0, lambda, gamma, node, r);
}

// Phoebe: mean elements of our own (retrograde, inclined 174 degrees).
void Phoebe(double jd, double& lambda, double& gamma, double& node, double& r) {
  const double t = jd - 2433282.5;
  const double T = t / 365.25;
  const double lambda0 = 277.872 - 0.6541068 * t;
  const double periapsis = 280.165 - 0.19586 * T;
  const double M = lambda0 - periapsis;
  const double Om = 245.998 - 0.41353 * T;
  const double i = 173.949 - 0.02 * T;
  SaturnMoonEccentricOrbit(214.67704243601824, 0.16326, i, Om, M, lambda0, lambda, gamma, node, r);
}

}  // namespace

void SaturnMoonElements(int moon, double jd, double& lambda, double& gamma, double& node, double& r) {
  const SaturnMoonTimes q = SaturnMoonTimeArguments(jd);
  switch (moon) {
    case kMimas: Mimas(q, lambda, gamma, node, r); break;
    case kEnceladus: Enceladus(q, lambda, gamma, node, r); break;
    case kTethys: Tethys(q, lambda, gamma, node, r); break;
    case kDione: Dione(q, lambda, gamma, node, r); break;
    case kRhea: Rhea(q, lambda, gamma, node, r); break;
    case kTitan: Titan(q, lambda, gamma, node, r); break;
    case kHyperion: Hyperion(q, lambda, gamma, node, r); break;
    case kIapetus: Iapetus(q, lambda, gamma, node, r); break;
    default: Phoebe(jd, lambda, gamma, node, r); break;
  }
}

void SaturnMoonOffsetAt(int moon, double jd, double& x, double& y, double& z) {
  double lambda = 0.0, gamma = 0.0, node = 0.0, r = 0.0;
  SaturnMoonElements(moon, jd, lambda, gamma, node, r);
  SaturnMoonOffset(lambda, gamma, node, r, x, y, z);
}

// ---- View methods -----------------------------------------------------------

void CSkyModel::ComputeMimasOffset(double& x, double& y, double& z) { SaturnMoonOffsetAt(kMimas, m_julianDate, x, y, z); }
void CSkyModel::ComputeEnceladusOffset(double& x, double& y, double& z) {
  SaturnMoonOffsetAt(kEnceladus, m_julianDate, x, y, z);
}
void CSkyModel::ComputeTethysOffset(double& x, double& y, double& z) {
  SaturnMoonOffsetAt(kTethys, m_julianDate, x, y, z);
}
void CSkyModel::ComputeDioneOffset(double& x, double& y, double& z) { SaturnMoonOffsetAt(kDione, m_julianDate, x, y, z); }
void CSkyModel::ComputeRheaOffset(double& x, double& y, double& z) { SaturnMoonOffsetAt(kRhea, m_julianDate, x, y, z); }
void CSkyModel::ComputeTitanOffset(double& x, double& y, double& z) { SaturnMoonOffsetAt(kTitan, m_julianDate, x, y, z); }
void CSkyModel::ComputeHyperionOffset(double& x, double& y, double& z) {
  SaturnMoonOffsetAt(kHyperion, m_julianDate, x, y, z);
}
void CSkyModel::ComputeIapetusOffset(double& x, double& y, double& z) {
  SaturnMoonOffsetAt(kIapetus, m_julianDate, x, y, z);
}
void CSkyModel::ComputePhoebeOffset(double& x, double& y, double& z) {
  SaturnMoonOffsetAt(kPhoebe, m_julianDate, x, y, z);
}
