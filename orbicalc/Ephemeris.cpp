// Positions of the Sun, the planets, Pluto, the Moon and bodies given by
// orbital elements (the complete VSOP87 series; libnova's ELP2000-82B, Pluto
// and orbit solutions), reduced to the apparent place with ERFA and turned
// into the entries the callers read.
#include "Ephemeris.h"

#include <erfa.h>
#include <libnova/libnova.h>

#include <cmath>

namespace orbicalc {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDeg = kPi / 180.0;
constexpr double kArcsec = kDeg / 3600.0;
constexpr double kAuKm = 149597870.7;
constexpr double kLightDaysPerAu = 0.0057755183;   // light time for 1 AU, days
constexpr double kLightSpeedAuPerDay = 173.1446326846693;  // 299792458 m/s
constexpr double kGauss = 0.01720209895;            // rad/day
constexpr double kJ2000 = 2451545.0;
constexpr double kMjdZero = 2400000.5;  // the two-part dates of ERFA split here

struct V3 {
  double x, y, z;
};
struct M3 {
  double a[3][3];
};

V3 operator+(V3 p, V3 q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }
V3 operator-(V3 p, V3 q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
V3 operator*(double k, V3 p) { return {k * p.x, k * p.y, k * p.z}; }
double Dot(V3 p, V3 q) { return p.x * q.x + p.y * q.y + p.z * q.z; }
double Norm(V3 p) { return std::sqrt(Dot(p, p)); }

V3 operator*(const M3& m, V3 v) {
  return {m.a[0][0] * v.x + m.a[0][1] * v.y + m.a[0][2] * v.z, m.a[1][0] * v.x + m.a[1][1] * v.y + m.a[1][2] * v.z,
          m.a[2][0] * v.x + m.a[2][1] * v.y + m.a[2][2] * v.z};
}
M3 operator*(const M3& p, const M3& q) {
  M3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.a[i][j] = p.a[i][0] * q.a[0][j] + p.a[i][1] * q.a[1][j] + p.a[i][2] * q.a[2][j];
  return r;
}
M3 Transpose(const M3& m) {
  M3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.a[i][j] = m.a[j][i];
  return r;
}
// Rotations of the coordinate frame about the x, y and z axes.
M3 R1(double f) {
  const double c = std::cos(f), s = std::sin(f);
  return {{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
}
M3 R2(double f) {
  const double c = std::cos(f), s = std::sin(f);
  return {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
}
M3 R3(double f) {
  const double c = std::cos(f), s = std::sin(f);
  return {{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

double Reduce(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  return r;
}

void ToSpherical(V3 v, double& lon, double& lat) {
  const double r = Norm(v);
  lon = Reduce(std::atan2(v.y, v.x));
  lat = r > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, v.z / r))) : 0.0;
}

V3 FromSpherical(double lonDeg, double latDeg, double r) {
  const double l = lonDeg * kDeg, b = latDeg * kDeg;
  return {r * std::cos(b) * std::cos(l), r * std::cos(b) * std::sin(l), r * std::sin(b)};
}

// Mean obliquity of the ecliptic (IAU 1980), radians.
double MeanObliquity(double jde) {
  const double t = (jde - kJ2000) / 36525.0;
  return (84381.448 + t * (-46.8150 + t * (-0.00059 + t * 0.001813))) * kArcsec;
}

// J2000 mean equator -> mean equator of date (IAU 1976 precession).
M3 Precession(double jde) {
  const double t = (jde - kJ2000) / 36525.0;
  const double zeta = (2306.2181 + (0.30188 + 0.017998 * t) * t) * t * kArcsec;
  const double z = (2306.2181 + (1.09468 + 0.018203 * t) * t) * t * kArcsec;
  const double theta = (2004.3109 + (-0.42665 - 0.041833 * t) * t) * t * kArcsec;
  return R3(-z) * R2(theta) * R3(-zeta);
}

// The J2000 ecliptic of the theories (VSOP87's dynamical ecliptic and
// equinox; ELP2000-82B's and libnova's Pluto are referred to the same) to
// the FK5 equator and equinox J2000: the rotation published with VSOP87.
const M3& EclipticJ2000ToEquatorial() {
  static const M3 m = {{{1.0, 0.000000440360, -0.000000190919},
                        {-0.000000479966, 0.917482137087, -0.397776982902},
                        {0.0, 0.397776982902, 0.917482137087}}};
  return m;
}

// Apparent semi-diameters at 1 AU, arcseconds (equatorial for the giants).
const double kSemiDiameter[10] = {959.63, 3.36, 8.41, 8.794, 4.68, 98.44, 82.73, 35.02, 33.50, 2.07};

// Heliocentric position of planet n, J2000 equator, AU: the complete VSOP87
// series for Mercury to Neptune, libnova's theory for Pluto.
V3 PlanetHelio(int n, double jde) {
  if (n == 9) {
    ln_helio_posn h;
    ln_get_pluto_helio_coords(jde, &h);
    return EclipticJ2000ToEquatorial() * FromSpherical(h.L, h.B, h.R);
  }
  double lbr[3];
  Vsop87Heliocentric(n, jde, lbr);
  const double cb = std::cos(lbr[1]);
  return EclipticJ2000ToEquatorial() * V3{lbr[2] * cb * std::cos(lbr[0]), lbr[2] * cb * std::sin(lbr[0]), lbr[2] * std::sin(lbr[1])};
}

// Geocentric Moon, J2000 equator, AU (ELP2000-82B). The series are cut at
// terms below 1e-7 of the main ones: against a modern ephemeris over
// 1900-2030 the cut series is as good as the complete one (worst 0.73"
// against 0.71"), twenty times faster.
V3 MoonGeo(double jde) {
  ln_rect_posn m;
  ln_get_lunar_geo_posn(jde, &m, 1e-7);
  return EclipticJ2000ToEquatorial() * V3{m.X / kAuKm, m.Y / kAuKm, m.Z / kAuKm};
}

// Mean Keplerian elements (J2000 ecliptic) of the planets and the Earth-Moon
// barycentre: a, e, I, L, L rate, perihelion longitude, node (degrees, per
// Julian century for L). Good to a few arcminutes: used only to estimate the
// light time before the full theory is evaluated, and for the Earth's velocity
// in the aberration.
struct MeanElements {
  double a, e, i, l0, l1, peri, node;
};
const MeanElements kMeanElements[9] = {
    {0, 0, 0, 0, 0, 0, 0},
    {0.38709927, 0.20563593, 7.00497902, 252.25032350, 149472.67411175, 77.45779628, 48.33076593},
    {0.72333566, 0.00677672, 3.39467605, 181.97909950, 58517.81538729, 131.60246718, 76.67984255},
    {1.00000261, 0.01671123, 0.0, 100.46457166, 35999.37244981, 102.93768193, 0.0},
    {1.52371034, 0.09339410, 1.84969142, -4.55343205, 19140.30268499, -23.94362959, 49.55953891},
    {5.20288700, 0.04838624, 1.30439695, 34.39644051, 3034.74612775, 14.72847983, 100.47390909},
    {9.53667594, 0.05386179, 2.48599187, 49.95424423, 1222.49362201, 92.59887831, 113.66242448},
    {19.18916464, 0.04725744, 0.77263783, 313.23810451, 428.48202785, 170.95427630, 74.01692503},
    {30.06992276, 0.00859048, 1.77004347, -55.12002969, 218.45945325, 44.96476227, 131.78422574}};

// Position (and velocity, AU/day) of planet n from its mean elements, J2000 equator.
V3 MeanPlanet(int n, double jde, V3* velocity) {
  const MeanElements& m = kMeanElements[n];
  const double t = (jde - kJ2000) / 36525.0;
  double meanAnomaly = std::fmod(m.l0 + m.l1 * t - m.peri, 360.0);
  if (meanAnomaly < 0) meanAnomaly += 360.0;
  const double bigE = ln_solve_kepler(m.e, meanAnomaly) * kDeg;
  const double nu = 2.0 * std::atan(std::sqrt((1 + m.e) / (1 - m.e)) * std::tan(bigE / 2));
  const double r = m.a * (1 - m.e * std::cos(bigE));
  const double node = m.node * kDeg, incl = m.i * kDeg, w = (m.peri - m.node) * kDeg;
  // Perifocal position and velocity, then turned by w, i and the node.
  const double p = m.a * (1 - m.e * m.e);
  const double k = kGauss / std::sqrt(p);
  const double px = r * std::cos(nu), py = r * std::sin(nu);
  const double vx = -k * std::sin(nu), vy = k * (m.e + std::cos(nu));
  // Perifocal frame -> J2000 ecliptic.
  const M3 orbit = R3(-node) * R1(-incl) * R3(-w);
  const V3 pos = orbit * V3{px, py, 0};
  if (velocity) *velocity = EclipticJ2000ToEquatorial() * (orbit * V3{vx, vy, 0});
  return EclipticJ2000ToEquatorial() * pos;
}

M3 FromErfa(const double r[3][3]) {
  M3 m;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m.a[i][j] = r[i][j];
  return m;
}

// FK5 J2000 (the frame of the theories above) to the ICRS.
const M3& Fk5ToIcrs() {
  static const M3 m = [] {
    double r5h[3][3], s5h[3];
    eraFk5hip(r5h, s5h);
    return FromErfa(r5h);
  }();
  return m;
}

struct Context {
  double jdUT = 0, jde = 0;
  M3 toEclipticOfDate{};    // J2000 equator -> mean ecliptic of date
  M3 celestialToTrue{};     // ICRS (geocentric) -> true equator and equinox of date
  V3 earth{};               // heliocentric, J2000 equator, AU
  V3 earthVelocity{};       // barycentric, J2000 equator, AU/day
  V3 earthIcrs{};           // heliocentric, ICRS axes
  V3 velocityOverC{};       // observer's barycentric velocity in units of c, ICRS axes
  double lorentz = 1.0;     // sqrt(1 - v^2/c^2)
  double siderealTime = 0;  // local apparent, radians
  double latitude = 0;      // radians
  V3 observer{};            // geocentric observer, ICRS axes, AU
  Site site;
};

// IAU 2006 precession with IAU 2000A nutation and the frame bias (ERFA), the
// Greenwich apparent sidereal time that goes with them, the Earth's
// barycentric velocity, and the observer on the WGS84 ellipsoid.
Context MakeContext(double jdUT, double jdTT, const Site& site) {
  Context c;
  c.jdUT = jdUT;
  c.jde = jdTT;
  c.site = site;
  const double tt2 = c.jde - kMjdZero;
  double dpsi, deps, epsa, rb[3][3], rp[3][3], rbp[3][3], rn[3][3], rbpn[3][3];
  eraPn06a(kMjdZero, tt2, &dpsi, &deps, &epsa, rb, rp, rbp, rn, rbpn);
  c.celestialToTrue = FromErfa(rbpn);
  c.toEclipticOfDate = R1(epsa) * FromErfa(rp);
  c.earth = PlanetHelio(3, c.jde);
  c.earthIcrs = Fk5ToIcrs() * c.earth;
  double pvh[2][3], pvb[2][3];
  eraEpv00(kMjdZero, tt2, pvh, pvb);
  const V3 earthVelocityIcrs{pvb[1][0], pvb[1][1], pvb[1][2]};
  c.earthVelocity = Transpose(Fk5ToIcrs()) * earthVelocityIcrs;

  // Local apparent sidereal time (the library is given UT; UT1 - UTC is
  // below a second and left out).
  const double gst = eraGst06(kMjdZero, jdUT - kMjdZero, kMjdZero, tt2, rbpn);
  const double eastLongitude = -site.westLongitudeDegrees * kDeg;
  c.siderealTime = Reduce(gst + eastLongitude);

  // Observer on the WGS84 ellipsoid, turned with the Earth to the true
  // equator of date, then to the ICRS axes; its rotation speed joins the
  // Earth's orbital speed in the aberration.
  c.latitude = site.latitudeDegrees * kDeg;
  constexpr double kA = 6378137.0, kF = 1.0 / 298.257223563, kE2 = kF * (2.0 - kF);
  const double sinLat = std::sin(c.latitude), cosLat = std::cos(c.latitude);
  const double n = kA / std::sqrt(1.0 - kE2 * sinLat * sinLat);
  const double metresPerAu = kAuKm * 1000.0;
  const double rxy = (n + site.elevation) * cosLat / metresPerAu;
  const V3 observerOfDate{rxy * std::cos(c.siderealTime), rxy * std::sin(c.siderealTime),
                          (n * (1.0 - kE2) + site.elevation) * sinLat / metresPerAu};
  constexpr double kEarthRotation = 6.283185307179586 * 1.00273781191135448;  // rad per UT day
  const V3 observerVelocityOfDate{-kEarthRotation * observerOfDate.y, kEarthRotation * observerOfDate.x, 0.0};
  const M3 trueToCelestial = Transpose(c.celestialToTrue);
  c.observer = trueToCelestial * observerOfDate;
  c.velocityOverC = (1.0 / kLightSpeedAuPerDay) * (earthVelocityIcrs + trueToCelestial * observerVelocityOfDate);
  c.lorentz = std::sqrt(1.0 - Dot(c.velocityOverC, c.velocityOverC));
  return c;
}

// The context of the last instant and site: the callers ask for many bodies
// given by elements at one instant, and the reduction's series (nutation,
// the Earth's velocity) need not be summed again for each.
const Context& ContextFor(double jdUT, double jdTT, const Site& site) {
  thread_local Context cached;
  thread_local bool valid = false;
  if (!valid || cached.jdUT != jdUT || cached.jde != jdTT || cached.site.westLongitudeDegrees != site.westLongitudeDegrees ||
      cached.site.latitudeDegrees != site.latitudeDegrees || cached.site.elevation != site.elevation ||
      cached.site.temperature != site.temperature || cached.site.pressure != site.pressure) {
    cached = MakeContext(jdUT, jdTT, site);
    valid = true;
  }
  return cached;
}

// Longitude and latitude of a J2000 equatorial vector in the J2000 ecliptic.
void EclipticJ2000(V3 p, double* row, int lonEntry) {
  ToSpherical(Transpose(EclipticJ2000ToEquatorial()) * p, row[lonEntry], row[lonEntry + 1]);
}

// Fills entries 7-14 from a light-time corrected geocentric vector (J2000
// equator, AU): the astrometric J2000 place (equatorial and ecliptic), then
// the apparent topocentric place of date and the horizontal coordinates.
// `motion` is what the Earth moved while the light travelled, for a body
// given relative to the Earth (the Moon); `helio` the body's heliocentric
// vector when the Sun's gravity bends its light (every body but the Sun).
void FillApparent(const Context& c, V3 geo, V3 motion, const V3* helio, double* row) {
  ToSpherical(geo, row[kEntryJ2000RightAscension], row[kEntryJ2000Declination]);
  EclipticJ2000(geo, row, kEntryEclipticLongitude);

  const V3 topo = Fk5ToIcrs() * (geo + motion) - c.observer;
  double p[3] = {topo.x, topo.y, topo.z}, u[3], natural[3], apparent[3];
  double range;
  eraPn(p, &range, u);
  const double sunDistance = Norm(c.earthIcrs);
  if (helio) {
    const V3 q = Fk5ToIcrs() * *helio;
    double qv[3] = {q.x, q.y, q.z}, e[3] = {c.earthIcrs.x, c.earthIcrs.y, c.earthIcrs.z};
    double qu[3], eu[3], qn, en;
    eraPn(qv, &qn, qu);
    eraPn(e, &en, eu);
    eraLd(1.0, u, qu, eu, en, 1e-9, natural);
  } else {
    eraCp(u, natural);
  }
  double v[3] = {c.velocityOverC.x, c.velocityOverC.y, c.velocityOverC.z};
  eraAb(natural, v, sunDistance, c.lorentz, apparent);
  double ra, dec;
  ToSpherical(c.celestialToTrue * V3{apparent[0], apparent[1], apparent[2]}, ra, dec);
  row[kEntryRightAscension] = ra;
  row[kEntryDeclination] = dec;

  const double hourAngle = c.siderealTime - ra;
  const double sinAlt = std::sin(c.latitude) * std::sin(dec) + std::cos(c.latitude) * std::cos(dec) * std::cos(hourAngle);
  double altitude = std::asin(std::fmax(-1.0, std::fmin(1.0, sinAlt))) / kDeg;
  const double azimuthFromSouth =
      std::atan2(std::sin(hourAngle), std::cos(hourAngle) * std::sin(c.latitude) - std::tan(dec) * std::cos(c.latitude));
  double azimuth = std::fmod(azimuthFromSouth / kDeg + 180.0, 360.0);
  if (azimuth < 0.0) azimuth += 360.0;
  if (c.site.pressure != 0.0 && altitude > -1.0) {
    const double r = 1.02 / std::tan((altitude + 10.3 / (altitude + 5.11)) * kDeg);  // arcminutes
    altitude += r / 60.0 * (c.site.pressure / 1010.0) * (283.0 / (273.0 + c.site.temperature));
  }
  row[kEntryAltitude] = altitude;
  row[kEntryAzimuth] = azimuth;
}

// Light-time iteration for a heliocentric body seen from the Earth.
template <typename Position>
V3 Retarded(const Context& c, Position position, V3& helio) {
  helio = position(c.jde);
  double tau = kLightDaysPerAu * Norm(helio - c.earth);
  for (int i = 0; i < 2; ++i) {
    helio = position(c.jde - tau);
    tau = kLightDaysPerAu * Norm(helio - c.earth);
  }
  return helio - c.earth;
}

// A planet seen from the Earth: the full theory evaluated once, at the light
// time estimated from the mean elements; a second time only when that
// estimate was off by enough to move the planet 0.01".
V3 PlanetWithLightTime(const Context& c, int n, V3& helio) {
  const double tauEstimate = kLightDaysPerAu * Norm(MeanPlanet(n, c.jde, nullptr) - c.earth);
  helio = PlanetHelio(n, c.jde - tauEstimate);
  double delta = Norm(helio - c.earth);
  const double tau = kLightDaysPerAu * delta;
  const double speed = kGauss / std::sqrt(Norm(helio)) * 1.5;  // generous bound, AU/day
  if (speed * std::fabs(tau - tauEstimate) / delta > 0.01 * kArcsec) helio = PlanetHelio(n, c.jde - tau);
  return helio - c.earth;
}

double PhaseAngle(V3 helio, V3 geo) {
  const double n = Norm(helio) * Norm(geo);
  if (n <= 0.0) return 0.0;
  return std::acos(std::fmax(-1.0, std::fmin(1.0, Dot(helio, geo) / n)));
}

// Saturn's ring terms of the magnitude (tilt B and the Sun-Earth difference of U).
double SaturnRingTerm(const Context& c, V3 helio, V3 geo) {
  const double t = (c.jde - kJ2000) / 36525.0;
  const double i = (28.075216 - 0.012998 * t + 0.000004 * t * t) * kDeg;
  const double node = (169.508470 + 1.394681 * t + 0.000412 * t * t) * kDeg;
  double l, b, l0, b0;
  ToSpherical(c.toEclipticOfDate * geo, l, b);
  ToSpherical(c.toEclipticOfDate * helio, l0, b0);
  const double sinB = std::sin(i) * std::cos(b) * std::sin(l - node) - std::cos(i) * std::sin(b);
  auto u = [&](double lon, double lat) {
    return std::atan2(std::sin(i) * std::sin(lat) + std::cos(i) * std::cos(lat) * std::sin(lon - node),
                      std::cos(lat) * std::cos(lon - node));
  };
  double du = std::fabs(u(l, b) - u(l0, b0)) / kDeg;
  du = std::fmod(du, 360.0);
  if (du > 180.0) du = 360.0 - du;
  return 0.044 * du - 2.60 * std::fabs(sinB) + 1.25 * sinB * sinB;
}

// Visual magnitudes of the planets (formulas of the Astronomical Almanac).
double PlanetMagnitude(int n, double r, double delta, double phaseDeg, double ringTerm) {
  const double f = 5.0 * std::log10(r * delta);
  const double i = phaseDeg;
  switch (n) {
    case 1: return -0.42 + f + 0.0380 * i - 0.000273 * i * i + 0.000002 * i * i * i;
    case 2: return -4.40 + f + 0.0009 * i + 0.000239 * i * i - 0.00000065 * i * i * i;
    case 4: return -1.52 + f + 0.016 * i;
    case 5: return -9.40 + f + 0.005 * i;
    case 6: return -8.88 + f + ringTerm;
    case 7: return -7.19 + f;
    case 8: return -6.87 + f;
    case 9: return -1.00 + f;
    default: return 0.0;
  }
}

}  // namespace

OrbitElements DecodeElements(const PlanetLibraryElements& block) {
  OrbitElements e;
  e.epoch = GetElementDouble(block, kElementEpoch);
  e.inclination = GetElementDouble(block, kElementInclination);
  e.node = GetElementDouble(block, kElementNode);
  e.perihelion = GetElementDouble(block, kElementPerihelion);
  e.semiMajorAxis = GetElementDouble(block, kElementSemiMajorAxis);
  e.meanMotion = GetElementDouble(block, kElementMeanMotion);
  e.eccentricity = GetElementDouble(block, kElementEccentricity);
  e.meanAnomaly = GetElementDouble(block, kElementMeanAnomaly);
  e.equinox = GetElementDouble(block, kElementEquinox);
  e.absoluteMagnitude = GetElementDouble(block, kElementMagnitude);
  return e;
}

void HeliocentricFromElements(const OrbitElements& el, double jde, double& x, double& y, double& z) {
  const double e = el.eccentricity;
  double nu = 0.0, r = 0.0;  // true anomaly (radians), radius (AU)
  if (!(e >= 0.0) || !(el.semiMajorAxis > 0.0)) {
    x = y = z = 0.0;
    return;
  }
  if (e < 1.0) {
    const double a = el.semiMajorAxis;
    const double n = el.meanMotion > 0.0 ? el.meanMotion : kGauss / kDeg / (a * std::sqrt(a));
    double m = std::fmod(el.meanAnomaly + n * (jde - el.epoch), 360.0);
    if (m < 0.0) m += 360.0;
    const double bigE = ln_solve_kepler(e, m);
    nu = ln_get_ell_true_anomaly(e, bigE) * kDeg;
    r = a * (1.0 - e * std::cos(bigE * kDeg));
  } else if (e == 1.0) {
    const double q = el.semiMajorAxis;
    nu = ln_get_par_true_anomaly(q, jde - el.epoch) * kDeg;
    r = ln_get_par_radius_vector(q, jde - el.epoch);
  } else {
    // Hyperbola: e sinh H - H = M, solved by Newton's method.
    const double q = el.semiMajorAxis;
    const double a = q / (e - 1.0);
    const double m = kGauss * (jde - el.epoch) / (a * std::sqrt(a));
    double h = m >= 0.0 ? std::log(2.0 * m / e + 1.8) : -std::log(-2.0 * m / e + 1.8);
    for (int i = 0; i < 100; ++i) {
      const double f = e * std::sinh(h) - h - m;
      const double step = f / (e * std::cosh(h) - 1.0);
      h -= step;
      if (std::fabs(step) < 1e-14 * (1.0 + std::fabs(h))) break;
    }
    nu = 2.0 * std::atan(std::sqrt((e + 1.0) / (e - 1.0)) * std::tanh(h / 2.0));
    r = a * (e * std::cosh(h) - 1.0);
  }
  const double node = el.node * kDeg, incl = el.inclination * kDeg;
  const double u = el.perihelion * kDeg + nu;
  x = r * (std::cos(node) * std::cos(u) - std::sin(node) * std::sin(u) * std::cos(incl));
  y = r * (std::sin(node) * std::cos(u) + std::cos(node) * std::sin(u) * std::cos(incl));
  z = r * std::sin(u) * std::sin(incl);
}

void ComputeAllBodies(double julianDateUT, const Site& site, PlanetLibraryResult rows[11]) {
  ComputeAllBodiesAt(julianDateUT, julianDateUT + DeltaTSeconds(julianDateUT) / 86400.0, site, rows);
}

void ComputeAllBodiesAt(double julianDateUT, double julianDateTT, const Site& site, PlanetLibraryResult rows[11]) {
  for (int n = 0; n < 11; ++n)
    for (double& v : rows[n].entries) v = 0.0;
  if (!std::isfinite(julianDateUT) || !std::isfinite(julianDateTT)) return;
  const Context& c = ContextFor(julianDateUT, julianDateTT, site);

  // Sun: at the origin, seen from the Earth.
  {
    double* row = rows[0].entries;
    const V3 geo = -1.0 * c.earth;
    FillApparent(c, geo, V3{0, 0, 0}, nullptr, row);
    const double delta = Norm(geo);
    row[kEntryHelioLongitude] = row[kEntryEclipticLongitude];
    row[kEntryHelioLatitude] = row[kEntryEclipticLatitude];
    row[kEntryEarthDistance] = delta;
    row[kEntryApparentDiameter] = 2.0 * kSemiDiameter[0] / delta;
    row[kEntryMagnitude] = -26.74 + 5.0 * std::log10(delta);
    row[kEntryIllumination] = 1.0;
  }

  // Planets and Pluto.
  for (int n = 1; n <= 9; ++n) {
    double* row = rows[n].entries;
    if (n == 3) {
      EclipticJ2000(c.earth, row, kEntryHelioLongitude);
      row[kEntrySunDistance] = Norm(c.earth);
      row[kEntryIllumination] = 1.0;
      EclipticJ2000(c.earth, row, kEntrySceneLongitude);
      row[kEntrySceneDistance] = row[kEntrySunDistance];
      continue;
    }
    V3 helio;
    const V3 geo = n == 9 ? Retarded(c, [](double t) { return PlanetHelio(9, t); }, helio) : PlanetWithLightTime(c, n, helio);
    FillApparent(c, geo, V3{0, 0, 0}, &helio, row);
    const double r = Norm(helio), delta = Norm(geo);
    const double phase = PhaseAngle(helio, geo);
    EclipticJ2000(helio, row, kEntryHelioLongitude);
    row[kEntrySunDistance] = r;
    row[kEntryEarthDistance] = delta;
    row[kEntryApparentDiameter] = 2.0 * kSemiDiameter[n] / delta;
    row[kEntryMagnitude] = PlanetMagnitude(n, r, delta, phase / kDeg, n == 6 ? SaturnRingTerm(c, helio, geo) : 0.0);
    row[kEntryIllumination] = (1.0 + std::cos(phase)) / 2.0;
    row[kEntryPhaseAngle] = phase;
    EclipticJ2000(helio, row, kEntrySceneLongitude);
    row[kEntrySceneDistance] = r;
  }

  // Moon: geocentric. Where it was when the light left it, seen from where
  // the Earth is now: the Earth moved on meanwhile.
  {
    double* row = rows[10].entries;
    // The theory is summed once, at the light time of the mean distance: the
    // Moon's range of distances changes it by 0.07 s, a few hundredths of an
    // arcsecond of its motion. The Earth's motion over the light time must
    // use the true distance, though: it cancels the annual aberration, and
    // 0.07 s of it is 1.4".
    const V3 geo = MoonGeo(c.jde - kLightDaysPerAu * 384400.0 / kAuKm);
    const double tau = kLightDaysPerAu * Norm(geo);
    const V3 helio = c.earth + geo;
    FillApparent(c, geo, -tau * c.earthVelocity, &helio, row);
    const double delta = Norm(geo), r = Norm(helio);
    const double phase = PhaseAngle(helio, geo);
    const double phaseDeg = phase / kDeg;
    EclipticJ2000(geo, row, kEntryHelioLongitude);
    row[kEntrySunDistance] = r;
    row[kEntryEarthDistance] = delta;
    row[kEntryApparentDiameter] = 2.0 * 358473400.0 / (delta * kAuKm);
    row[kEntryMagnitude] =
        -12.73 + 0.026 * phaseDeg + 4e-9 * std::pow(phaseDeg, 4) + 5.0 * std::log10(r * delta * kAuKm / 384400.0);
    row[kEntryIllumination] = (1.0 + std::cos(phase)) / 2.0;
    row[kEntryPhaseAngle] = phase;
    EclipticJ2000(helio, row, kEntrySceneLongitude);
    row[kEntrySceneDistance] = r;
  }
  // Theories the caller sums itself (the moons) run on the same time scale.
  for (int n = 0; n < 11; ++n) rows[n].entries[kEntryDeltaT] = julianDateTT - julianDateUT;
}

void ComputeFromElements(double julianDateUT, const Site& site, const OrbitElements& elements,
                         PlanetLibraryResult& result) {
  double* row = result.entries;
  for (double& v : result.entries) v = 0.0;
  // Elements that describe no orbit give an empty row.
  const OrbitElements& e = elements;
  if (!std::isfinite(julianDateUT) || !std::isfinite(e.epoch) || !std::isfinite(e.inclination) ||
      !std::isfinite(e.node) || !std::isfinite(e.perihelion) || !std::isfinite(e.semiMajorAxis) ||
      !std::isfinite(e.meanMotion) || !std::isfinite(e.eccentricity) || !std::isfinite(e.meanAnomaly) ||
      !std::isfinite(e.equinox) || !(e.semiMajorAxis > 0.0) || !(e.eccentricity >= 0.0))
    return;
  const Context& c = ContextFor(julianDateUT, julianDateUT + DeltaTSeconds(julianDateUT) / 86400.0, site);

  // Ecliptic of the elements' equinox -> J2000 mean equator.
  const M3 toJ2000 = Transpose(Precession(elements.equinox)) * R1(-MeanObliquity(elements.equinox));
  auto position = [&](double t) {
    V3 p;
    HeliocentricFromElements(elements, t, p.x, p.y, p.z);
    return toJ2000 * p;
  };
  V3 helio;
  const V3 geo = Retarded(c, position, helio);
  const double r = Norm(helio), delta = Norm(geo);
  if (!(delta > 0.0)) return;
  FillApparent(c, geo, V3{0, 0, 0}, &helio, row);
  const double phase = PhaseAngle(helio, geo);
  EclipticJ2000(helio, row, kEntryHelioLongitude);
  row[kEntrySunDistance] = r;
  row[kEntryEarthDistance] = delta;
  row[kEntryMagnitude] = elements.absoluteMagnitude + 5.0 * std::log10(r * delta);
  row[kEntryIllumination] = (1.0 + std::cos(phase)) / 2.0;
  row[kEntryPhaseAngle] = phase;
  EclipticJ2000(helio, row, kEntrySceneLongitude);
  row[kEntrySceneDistance] = r;
}

}  // namespace orbicalc
