#include "Ephemeris.h"

#include <libnova/libnova.h>

#include <cmath>

#include "SaturnMoons.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180;

Vec3 FromHelio(const ln_helio_posn& p) {
  const double L = p.L * kDeg, B = p.B * kDeg;
  return {p.R * std::cos(B) * std::cos(L), p.R * std::cos(B) * std::sin(L), p.R * std::sin(B)};
}

bool PlanetPosition(const std::string& name, double jd, Vec3& out) {
  ln_helio_posn p;
  if (name == "mercury") ln_get_mercury_helio_coords(jd, &p);
  else if (name == "venus") ln_get_venus_helio_coords(jd, &p);
  else if (name == "earth") ln_get_earth_helio_coords(jd, &p);
  else if (name == "mars") ln_get_mars_helio_coords(jd, &p);
  else if (name == "jupiter") ln_get_jupiter_helio_coords(jd, &p);
  else if (name == "saturn") ln_get_saturn_helio_coords(jd, &p);
  else if (name == "uranus") ln_get_uranus_helio_coords(jd, &p);
  else if (name == "neptune") ln_get_neptune_helio_coords(jd, &p);
  else if (name == "pluto") ln_get_pluto_helio_coords(jd, &p);
  else return false;
  out = FromHelio(p);
  return true;
}

// Ecliptic precession of a direction from jd0 to jd (J. Meeus, Astronomical
// Algorithms, chapter 21).
void PrecessEcliptic(double jd0, double jd, double& lambda, double& beta) {
  const double T = (jd0 - 2451545.0) / 36525.0, t = (jd - jd0) / 36525.0;
  const double s = kDeg / 3600;
  const double eta =
      ((47.0029 - 0.06603 * T + 0.000598 * T * T) * t + (-0.03302 + 0.000598 * T) * t * t + 0.000060 * t * t * t) * s;
  const double Pi =
      174.876384 * kDeg + (3289.4789 * T + 0.60622 * T * T - (869.8089 + 0.50491 * T) * t + 0.03536 * t * t) * s;
  const double p =
      ((5029.0966 + 2.22226 * T - 0.000042 * T * T) * t + (1.11113 - 0.000042 * T) * t * t - 0.000006 * t * t * t) * s;
  const double A = std::cos(eta) * std::cos(beta) * std::sin(Pi - lambda) - std::sin(eta) * std::sin(beta);
  const double B = std::cos(beta) * std::cos(Pi - lambda);
  const double C = std::cos(eta) * std::sin(beta) + std::sin(eta) * std::cos(beta) * std::sin(Pi - lambda);
  lambda = p + Pi - std::atan2(A, B);
  beta = std::asin(C);
}

}  // namespace

Vec3 TitanOffsetFromSaturn(double jd) {
  // Saturn-equatorial X, Y, Z (Saturn radii; X towards the node of the
  // equator on the ecliptic of 1950, Z towards the pole), turned to the
  // ecliptic of 1950, then precessed to J2000.
  double lambda, gamma, node, r, X, Y, Z;
  SaturnMoonElements(kTitan, jd, lambda, gamma, node, r);
  SaturnMoonRectangular(lambda, gamma, node, r, X, Y, Z);
  const double inc = 28.0817 * kDeg, nd = 168.8112 * kDeg;
  const double y1 = Y * std::cos(inc) - Z * std::sin(inc), z1 = Y * std::sin(inc) + Z * std::cos(inc);
  const double x2 = X * std::cos(nd) - y1 * std::sin(nd), y2 = X * std::sin(nd) + y1 * std::cos(nd);
  const double rr = std::sqrt(x2 * x2 + y2 * y2 + z1 * z1);
  double lon = std::atan2(y2, x2), lat = std::asin(z1 / rr);
  PrecessEcliptic(2433282.4235, 2451545.0, lon, lat);
  const double au = rr * 60330.0 / kKmPerAu;
  return {au * std::cos(lat) * std::cos(lon), au * std::cos(lat) * std::sin(lon), au * std::sin(lat)};
}

void BodyEphemeris::AddSmallBody(const std::string& name, const SmallBody& body) { m_small[name] = body; }

bool BodyEphemeris::Knows(const std::string& name) const {
  Vec3 v;
  return name == "titan" || m_small.count(name) > 0 || PlanetPosition(name, 2451545.0, v);
}

Vec3 BodyEphemeris::Position(const std::string& name, double jd) const {
  Vec3 v;
  if (PlanetPosition(name, jd, v)) return v;
  if (name == "titan") {
    PlanetPosition("saturn", jd, v);
    return v + TitanOffsetFromSaturn(jd);
  }
  const auto it = m_small.find(name);
  if (it == m_small.end()) return {};
  const SmallBody& b = it->second;
  if (b.comet) {
    const double a = b.a / (1 - b.e);  // q to semi-major axis (elliptic comets only)
    return EllipsePosition(a, b.e, b.i, b.node, b.peri, 0.0, b.epoch, jd);
  }
  return EllipsePosition(b.a, b.e, b.i, b.node, b.peri, b.meanAnomaly, b.epoch, jd);
}

Vec3 BodyEphemeris::Velocity(const std::string& name, double jd) const {
  const double h = 0.01;
  return (1.0 / (2 * h)) * (Position(name, jd + h) - Position(name, jd - h));
}
