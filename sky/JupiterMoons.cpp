#include "JupiterMoons.h"

#include <cmath>

#include "SkyMath.h"
#include "SkyModel.h"

// Periodic terms of J. Meeus, Astronomical Algorithms, 2nd ed., chapter 44
// (higher-accuracy method), transcribed with the published coefficients
// (degrees for the longitude series, radians for the latitude tangents,
// fractions for the radius vectors).

GalileanArguments GalileanMoonArguments(double t) {
  const double d = kDegToRad;
  GalileanArguments a;
  a.l[0] = 1.8513962 + 3.551552269981 * t;  // 106.07719 + 203.488955790 t degrees
  a.l[1] = 3.0670952 + 1.769322724929 * t;  // 175.73161 + 101.374724735 t
  a.l[2] = 2.1041485 + 0.87820795239 * t;   // 120.55883 +  50.317609207 t
  a.l[3] = 1.473836 + 0.37648621522 * t;    //  84.44459 +  21.571071177 t
  a.pi[0] = (97.0881 + 0.16138586 * t) * d;
  a.pi[1] = (154.8663 + 0.04726307 * t) * d;
  a.pi[2] = (188.1840 + 0.00712734 * t) * d;
  a.pi[3] = (335.2868 + 0.00184000 * t) * d;
  a.omega[0] = (312.3346 - 0.13279386 * t) * d;
  a.omega[1] = (100.4411 - 0.03263064 * t) * d;
  a.omega[2] = (119.1942 - 0.00717703 * t) * d;
  a.omega[3] = (322.6186 - 0.00175934 * t) * d;
  a.gamma = (0.33033 * std::sin((163.679 + 0.0010512 * t) * d) + 0.03439 * std::sin((34.486 - 0.0161731 * t) * d)) * d;
  a.phiLambda = (199.6766 + 0.17379190 * t) * d;
  a.psi = (316.5182 - 0.00000208 * t) * d;
  a.g = (30.23756 + 0.0830925701 * t) * d + a.gamma;
  a.gPrime = (31.97853 + 0.0334597339 * t) * d;
  return a;
}

namespace {

// Longitude perturbations in degrees.
double Sigma(int k, const GalileanArguments& a, double P) {
  const double l1 = a.l[0], l2 = a.l[1], l3 = a.l[2], l4 = a.l[3];
  const double p1 = a.pi[0], p2 = a.pi[1], p3 = a.pi[2], p4 = a.pi[3];
  const double w2 = a.omega[1], w3 = a.omega[2], w4 = a.omega[3];
  const double psi = a.psi, G = a.g, Gp = a.gPrime, PL = a.phiLambda;
  const double d = kDegToRad;
  using std::sin;
  switch (k) {
    case 0:
      return 0.47259 * sin(2 * (l1 - l2)) - 0.03478 * sin(p3 - p4) + 0.01081 * sin(l2 - 2 * l3 + p3) +
             0.00738 * sin(PL) + 0.00713 * sin(l2 - 2 * l3 + p2) - 0.00674 * sin(p1 + p3 - 2 * P - 2 * G) +
             0.00666 * sin(l2 - 2 * l3 + p4) + 0.00445 * sin(l1 - p3) - 0.00354 * sin(l1 - l2) -
             0.00317 * sin(2 * psi - 2 * P) + 0.00265 * sin(l1 - p4) - 0.00186 * sin(G) + 0.00162 * sin(p2 - p3) +
             0.00158 * sin(4 * (l1 - l2)) - 0.00155 * sin(l1 - l3) - 0.00138 * sin(psi + w3 - 2 * P - 2 * G) -
             0.00115 * sin(2 * (l1 - 2 * l2 + w2)) + 0.00089 * sin(p2 - p4) + 0.00085 * sin(l1 + p3 - 2 * P - 2 * G) +
             0.00083 * sin(w2 - w3) + 0.00053 * sin(psi - w2);
    case 1:
      return 1.06476 * sin(2 * (l2 - l3)) + 0.04256 * sin(l1 - 2 * l2 + p3) + 0.03581 * sin(l2 - p3) +
             0.02395 * sin(l1 - 2 * l2 + p4) + 0.01984 * sin(l2 - p4) - 0.01778 * sin(PL) + 0.01654 * sin(l2 - p2) +
             0.01334 * sin(l2 - 2 * l3 + p2) + 0.01294 * sin(p3 - p4) - 0.01142 * sin(l2 - l3) - 0.01057 * sin(G) -
             0.00775 * sin(2 * (psi - P)) + 0.00524 * sin(2 * (l1 - l2)) - 0.00460 * sin(l1 - l3) +
             0.00316 * sin(psi - 2 * G + w3 - 2 * P) - 0.00203 * sin(p1 + p3 - 2 * P - 2 * G) +
             0.00146 * sin(psi - w3) - 0.00145 * sin(2 * G) + 0.00125 * sin(psi - w4) -
             0.00115 * sin(l1 - 2 * l3 + p3) - 0.00094 * sin(2 * (l2 - w2)) + 0.00086 * sin(2 * (l1 - 2 * l2 + w2)) -
             0.00086 * sin(5 * Gp - 2 * G + 52.225 * d) - 0.00078 * sin(l2 - l4) -
             0.00064 * sin(3 * l3 - 7 * l4 + 4 * p4) + 0.00064 * sin(p1 - p4) - 0.00063 * sin(l1 - 2 * l3 + p4) +
             0.00058 * sin(w3 - w4) + 0.00056 * sin(2 * (psi - P - G)) + 0.00056 * sin(2 * (l2 - l4)) +
             0.00055 * sin(2 * (l1 - l3)) + 0.00052 * sin(3 * l3 - 7 * l4 + p3 + 3 * p4) - 0.00043 * sin(l1 - p3) +
             0.00041 * sin(5 * (l2 - l3)) + 0.00041 * sin(p4 - P) + 0.00032 * sin(w2 - w3) +
             0.00032 * sin(2 * (l3 - G - P));
    case 2:
      return 0.16490 * sin(l3 - p3) + 0.09081 * sin(l3 - p4) - 0.06907 * sin(l2 - l3) + 0.03784 * sin(p3 - p4) +
             0.01846 * sin(2 * (l3 - l4)) - 0.01340 * sin(G) - 0.01014 * sin(2 * (psi - P)) +
             0.00704 * sin(l2 - 2 * l3 + p3) - 0.00620 * sin(l2 - 2 * l3 + p2) - 0.00541 * sin(l3 - l4) +
             0.00381 * sin(l2 - 2 * l3 + p4) + 0.00235 * sin(psi - w3) + 0.00198 * sin(psi - w4) +
             0.00176 * sin(PL) + 0.00130 * sin(3 * (l3 - l4)) + 0.00125 * sin(l1 - l3) -
             0.00119 * sin(5 * Gp - 2 * G + 52.225 * d) + 0.00109 * sin(l1 - l2) -
             0.00100 * sin(3 * l3 - 7 * l4 + 4 * p4) + 0.00091 * sin(w3 - w4) +
             0.00080 * sin(3 * l3 - 7 * l4 + p3 + 3 * p4) - 0.00075 * sin(2 * l2 - 3 * l3 + p3) +
             0.00072 * sin(p1 + p3 - 2 * P - 2 * G) + 0.00069 * sin(p4 - P) - 0.00058 * sin(2 * l3 - 3 * l4 + p4) -
             0.00057 * sin(l3 - 2 * l4 + p4) + 0.00056 * sin(l3 + p3 - 2 * P - 2 * G) -
             0.00052 * sin(l2 - 2 * l3 + p1) - 0.00050 * sin(p2 - p3) + 0.00048 * sin(l3 - 2 * l4 + p3) -
             0.00045 * sin(2 * l2 - 3 * l3 + p4) - 0.00041 * sin(p2 - p4) - 0.00038 * sin(2 * G) -
             0.00037 * sin(p3 - p4 + w3 - w4) - 0.00032 * sin(3 * l3 - 7 * l4 + 2 * p3 + 2 * p4) +
             0.00030 * sin(4 * (l3 - l4)) + 0.00029 * sin(l3 + p4 - 2 * P - 2 * G) -
             0.00028 * sin(w3 + psi - 2 * P - 2 * G) + 0.00026 * sin(l3 - P - G) + 0.00024 * sin(l2 - 3 * l3 + 2 * l4) +
             0.00021 * sin(2 * (l3 - P - G)) - 0.00021 * sin(l3 - p2) + 0.00017 * sin(2 * (l3 - p3));
    default:
      return 0.84287 * sin(l4 - p4) + 0.03431 * sin(p4 - p3) - 0.03305 * sin(2 * (psi - P)) - 0.03211 * sin(G) -
             0.01862 * sin(l4 - p3) + 0.01186 * sin(psi - w4) + 0.00623 * sin(l4 + p4 - 2 * G - 2 * P) +
             0.00387 * sin(2 * (l4 - p4)) - 0.00284 * sin(5 * Gp - 2 * G + 52.225 * d) -
             0.00234 * sin(2 * (psi - p4)) - 0.00223 * sin(l3 - l4) - 0.00208 * sin(l4 - P) +
             0.00178 * sin(psi + w4 - 2 * p4) + 0.00134 * sin(p4 - P) + 0.00125 * sin(2 * (l4 - G - P)) -
             0.00117 * sin(2 * G) - 0.00112 * sin(2 * (l3 - l4)) + 0.00107 * sin(3 * l3 - 7 * l4 + 4 * p4) +
             0.00102 * sin(l4 - G - P) + 0.00096 * sin(2 * l4 - psi - w4) + 0.00087 * sin(2 * (psi - w4)) -
             0.00085 * sin(3 * l3 - 7 * l4 + p3 + 3 * p4) + 0.00085 * sin(l3 - 2 * l4 + p4) -
             0.00081 * sin(2 * (l4 - psi)) + 0.00071 * sin(l4 + p4 - 2 * P - 3 * G) + 0.00061 * sin(l1 - l4) -
             0.00056 * sin(psi - w3) - 0.00054 * sin(l3 - 2 * l4 + p3) + 0.00051 * sin(l2 - l4) +
             0.00042 * sin(2 * (psi - G - P)) + 0.00039 * sin(2 * (p4 - w4)) + 0.00036 * sin(psi + P - p4 - w4) +
             0.00035 * sin(2 * Gp - G + 188.37 * d) - 0.00035 * sin(l4 - p4 + 2 * P - 2 * psi) -
             0.00032 * sin(l4 + p4 - 2 * P - G) + 0.00030 * sin(2 * Gp - 2 * G + 149.15 * d) +
             0.00029 * sin(3 * l3 - 7 * l4 + 2 * p3 + 2 * p4) + 0.00028 * sin(l4 - p4 + 2 * psi - 2 * P) -
             0.00028 * sin(2 * (l4 - w4)) - 0.00027 * sin(p3 - p4 + w3 - w4) -
             0.00026 * sin(5 * Gp - 3 * G + 188.37 * d) + 0.00025 * sin(w4 - w3) - 0.00025 * sin(l2 - 3 * l3 + 2 * l4) -
             0.00023 * sin(3 * (l3 - l4)) + 0.00021 * sin(2 * l4 - 2 * P - 3 * G) - 0.00021 * sin(2 * l3 - 3 * l4 + p4) +
             0.00019 * sin(l4 - p4 - G) - 0.00019 * sin(2 * l4 - p3 - p4) - 0.00018 * sin(l4 - p4 + G) -
             0.00016 * sin(l4 + p3 - 2 * P - 2 * G);
  }
}

// Tangent of the latitude; L is the perturbed longitude, s the perturbation (radians).
double LatitudeTangent(int k, const GalileanArguments& a, double L, double s, double P) {
  const double l1 = a.l[0], l2 = a.l[1];
  const double w1 = a.omega[0], w2 = a.omega[1], w3 = a.omega[2], w4 = a.omega[3];
  const double psi = a.psi, G = a.g;
  using std::sin;
  switch (k) {
    case 0:
      return 0.0006393 * sin(L - w1) + 0.0001825 * sin(L - w2) + 0.0000329 * sin(L - w3) - 0.0000311 * sin(L - psi) +
             0.0000093 * sin(L - w4) + 0.0000075 * sin(3 * L - 4 * l2 - 1.9927 * s + w2) +
             0.0000046 * sin(L + psi - 2 * P - 2 * G);
    case 1:
      return 0.0081004 * sin(L - w2) + 0.0004512 * sin(L - w3) - 0.0003284 * sin(L - psi) + 0.0001160 * sin(L - w4) +
             0.0000272 * sin(l1 - 2 * a.l[2] + 1.0146 * s + w2) - 0.0000144 * sin(L - w1) +
             0.0000143 * sin(L + psi - 2 * P - 2 * G) + 0.0000035 * sin(L - psi + G) -
             0.0000028 * sin(l1 - 2 * a.l[2] + 1.0146 * s + w3);
    case 2:
      return 0.0032402 * sin(L - w3) - 0.0016911 * sin(L - psi) + 0.0006847 * sin(L - w4) - 0.0002797 * sin(L - w2) +
             0.0000321 * sin(L + psi - 2 * P - 2 * G) + 0.0000051 * sin(L - psi + G) - 0.0000045 * sin(L - psi - G) -
             0.0000045 * sin(L + psi - 2 * P) + 0.0000037 * sin(L + psi - 2 * P - 3 * G) +
             0.0000030 * sin(2 * l2 - 3 * L + 4.03 * s + w2) - 0.0000021 * sin(2 * l2 - 3 * L + 4.03 * s + w3);
    default:
      return -0.0076579 * sin(L - psi) + 0.0044134 * sin(L - w4) - 0.0005112 * sin(L - w3) +
             0.0000773 * sin(L + psi - 2 * P - 2 * G) + 0.0000104 * sin(L - psi + G) - 0.0000102 * sin(L - psi - G) +
             0.0000088 * sin(L + psi - 2 * P - 3 * G) - 0.0000038 * sin(L + psi - 2 * P - G);
  }
}

// Radius-vector series (the part added to 1).
double RadiusSeries(int k, const GalileanArguments& a, double P) {
  const double l1 = a.l[0], l2 = a.l[1], l3 = a.l[2], l4 = a.l[3];
  const double p1 = a.pi[0], p2 = a.pi[1], p3 = a.pi[2], p4 = a.pi[3];
  const double w2 = a.omega[1], w4 = a.omega[3];
  const double psi = a.psi, G = a.g;
  using std::cos;
  switch (k) {
    case 0:
      return -0.0041339 * cos(2 * (l1 - l2)) - 0.0000387 * cos(l1 - p3) - 0.0000214 * cos(l1 - p4) +
             0.0000170 * cos(l1 - l2) - 0.0000131 * cos(4 * (l1 - l2)) + 0.0000106 * cos(l1 - l3) -
             0.0000066 * cos(l1 + p3 - 2 * P - 2 * G);
    case 1:
      return 0.0093848 * cos(l1 - l2) - 0.0003116 * cos(l2 - p3) - 0.0001744 * cos(l2 - p4) -
             0.0001442 * cos(l2 - p2) + 0.0000553 * cos(l2 - l3) + 0.0000523 * cos(l1 - l3) -
             0.0000290 * cos(2 * (l1 - l2)) + 0.0000164 * cos(2 * (l2 - w2)) + 0.0000107 * cos(l1 - 2 * l3 + p3) -
             0.0000102 * cos(l2 - p1) - 0.0000091 * cos(2 * (l1 - l3));
    case 2:
      return -0.0014388 * cos(l3 - p3) - 0.0007917 * cos(l3 - p4) + 0.0006342 * cos(l2 - l3) -
             0.0001761 * cos(2 * (l3 - l4)) + 0.0000294 * cos(l3 - l4) - 0.0000156 * cos(3 * (l3 - l4)) +
             0.0000156 * cos(l1 - l3) - 0.0000153 * cos(l1 - l2) + 0.0000070 * cos(2 * l2 - 3 * l3 + p3) -
             0.0000051 * cos(l3 + p3 - 2 * P - 2 * G);
    default:
      return -0.0073546 * cos(l4 - p4) + 0.0001621 * cos(l4 - p3) + 0.0000974 * cos(l3 - l4) -
             0.0000543 * cos(l4 + p4 - 2 * P - 2 * G) - 0.0000271 * cos(2 * (l4 - p4)) + 0.0000182 * cos(l4 - P) +
             0.0000177 * cos(2 * (l3 - l4)) - 0.0000167 * cos(2 * l4 - psi - w4) + 0.0000167 * cos(psi - w4) -
             0.0000155 * cos(2 * (l4 - P - G)) + 0.0000142 * cos(2 * (l4 - psi)) + 0.0000105 * cos(l1 - l4) +
             0.0000092 * cos(l2 - l4) - 0.0000089 * cos(l4 - P - G) - 0.0000062 * cos(l4 + p4 - 2 * P - 3 * G) +
             0.0000048 * cos(2 * (l4 - w4));
  }
}

// Mean distances in Jupiter radii (the theory's).
constexpr double kMeanDistanceRadii[4] = {5.90569, 9.39657, 14.98832, 26.36273};

}  // namespace

void GalileanMoonCoordinates(int k, double jd, double perihelionLongitude, double& longitude, double& latitude,
                             double& radiusInJupiterRadii) {
  if (k < 0) k = 0;
  if (k > 3) k = 3;
  const GalileanArguments a = GalileanMoonArguments(jd - 2443000.5);
  const double sigmaRaw = Sigma(k, a, perihelionLongitude);
  const double sigmaDeg = std::fmod(sigmaRaw, 360.0);
  const double sigma = (sigmaDeg < 0.0 ? sigmaDeg + 360.0 : sigmaDeg) * kDegToRad;
  const double L = a.l[k] + sigma;
  longitude = L;
  // The latitude series uses the perturbation itself (a small signed angle).
  latitude = std::atan(LatitudeTangent(k, a, L, sigmaRaw * kDegToRad, perihelionLongitude));
  radiusInJupiterRadii = kMeanDistanceRadii[k] * (1.0 + RadiusSeries(k, a, perihelionLongitude));
}

namespace {

// The theory's reduction from Jupiter's equator to the ecliptic of date: the
// coordinates (X, Y, Z) counted from the node psi of Jupiter's equator, turned
// by the inclination I of the equator on the orbit, by psi - Omega, by the
// inclination i of the orbit and by its node Omega.
void JupiterEquatorToEclipticOfDate(double jd, double psi, const double in[3], double out[3]) {
  const double T = (jd - 2415020.0) / 36525.0;
  const double I = (3.120262 + 0.0006 * T) * kDegToRad;
  const double Tj = (jd - 2451545.0) / 36525.0;
  const double node = (100.464441 + 1.0209550 * Tj + 0.00040117 * Tj * Tj + 0.000000569 * Tj * Tj * Tj) * kDegToRad;
  const double incl = (1.303270 - 0.0054966 * Tj + 0.00000465 * Tj * Tj - 0.000000004 * Tj * Tj * Tj) * kDegToRad;
  const double phi = psi - node;
  const double a1 = in[0];
  const double b1 = in[1] * std::cos(I) - in[2] * std::sin(I);
  const double c1 = in[1] * std::sin(I) + in[2] * std::cos(I);
  const double a2 = a1 * std::cos(phi) - b1 * std::sin(phi);
  const double b2 = a1 * std::sin(phi) + b1 * std::cos(phi);
  const double b3 = b2 * std::cos(incl) - c1 * std::sin(incl);
  const double c3 = b2 * std::sin(incl) + c1 * std::cos(incl);
  out[0] = a2 * std::cos(node) - b3 * std::sin(node);
  out[1] = a2 * std::sin(node) + b3 * std::cos(node);
  out[2] = c3;
}

// Precession of the theory's longitudes from the equinox of 1950 to the date.
double PrecessionSince1950(double jd) {
  const double T = (jd - 2433282.423) / 36525.0;
  return (1.3966626 * T + 0.0003088 * T * T) * kDegToRad;
}

}  // namespace

void GalileanMoonEclipticOfDate(int k, double jd, double perihelionLongitude, double out[3]) {
  if (k < 0) k = 0;
  if (k > 3) k = 3;
  double L = 0.0, B = 0.0, R = 0.0;
  GalileanMoonCoordinates(k, jd, perihelionLongitude, L, B, R);
  const double P = PrecessionSince1950(jd);
  const double psi = GalileanMoonArguments(jd - 2443000.5).psi + P;
  const double in[3] = {R * std::cos(L + P - psi) * std::cos(B), R * std::sin(L + P - psi) * std::cos(B),
                        R * std::sin(B)};
  JupiterEquatorToEclipticOfDate(jd, psi, in, out);
}

void GalileanPoleEclipticOfDate(double jd, double out[3]) {
  const double psi = GalileanMoonArguments(jd - 2443000.5).psi + PrecessionSince1950(jd);
  const double in[3] = {0.0, 0.0, 1.0};
  JupiterEquatorToEclipticOfDate(jd, psi, in, out);
}

void GalileanMoonOffset(int k, double jd, double& x, double& y, double& z) {
  if (k < 0) k = 0;
  if (k > 3) k = 3;
  double v[3];
  GalileanMoonEclipticOfDate(k, jd, 0.0, v);
  PrecessEclipticVector(jd, 2451545.0, v);
  // Jupiter radii to millions of km, onto the scene's axes.
  const double scale = kJupiterRadiusKm * 1e-6;
  x = v[1] * scale;
  y = v[0] * scale;
  z = v[2] * scale;
}

double JupiterCentralMeridianAt(double jd) {
  const double d = jd - 2415020.0;
  const double r2d = kDegToRad;
  const double V = 134.63 + 0.00111587 * d;
  const double M = 358.476 + 0.9856003 * d;
  const double N = 225.328 + 0.0830853 * d + 0.33 * std::sin(V * r2d);
  const double J = 221.647 + 0.9025179 * d - 0.33 * std::sin(V * r2d);
  const double A = 1.916 * std::sin(M * r2d) + 0.02 * std::sin(2 * M * r2d);
  const double B = 5.552 * std::sin(N * r2d) + 0.167 * std::sin(2 * N * r2d);
  double K = std::fmod(J + A - B, 360.0);
  if (K < 0.0) K += 360.0;
  const double R = 1.00014 - 0.01672 * std::cos(M * r2d) - 0.00014 * std::cos(2 * M * r2d);
  const double r = 5.20867 - 0.25192 * std::cos(N * r2d) - 0.0061 * std::cos(2 * N * r2d);
  const double delta = std::sqrt(r * r + R * R - 2 * r * R * std::cos(K * r2d));
  const double psi = std::asin(R * std::sin(K * r2d) / delta) / r2d;
  const double s = std::sin(K * r2d) < 0.0 ? 1.0 : -1.0;
  const double sinHalf = std::sin(psi * r2d / 2.0);
  const double omega =
      870.1869088 * (d - delta / 173.0) + psi - B + s * 57.3 * sinHalf * sinHalf + 290.028 + 90.0;
  return -NormalizeAngle(omega * r2d) - 0.47;
}

// ---- View methods -----------------------------------------------------------

void CSkyModel::ComputeIoOffset(double& x, double& y, double& z) { GalileanMoonOffset(0, m_julianDate, x, y, z); }
void CSkyModel::ComputeEuropaOffset(double& x, double& y, double& z) { GalileanMoonOffset(1, m_julianDate, x, y, z); }
void CSkyModel::ComputeGanymedeOffset(double& x, double& y, double& z) {
  GalileanMoonOffset(2, m_julianDate, x, y, z);
}
void CSkyModel::ComputeCallistoOffset(double& x, double& y, double& z) {
  GalileanMoonOffset(3, m_julianDate, x, y, z);
}
double CSkyModel::JupiterCentralMeridian() { return JupiterCentralMeridianAt(m_julianDate); }
