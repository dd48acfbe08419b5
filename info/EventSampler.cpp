// Geocentric nodes from the planet library, interpolated, and the place's
// own part of each step.
#include "EventSampler.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDeg = kPi / 180.0;
constexpr double kArcsec = kDeg / 3600.0;
constexpr double kMetresPerAu = 149597870700.0;
constexpr double kEquatorialRadius = 6378137.0;  // WGS84, metres
constexpr double kFlattening = 1.0 / 298.257223563;

double Reduce(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  return r;
}

double Fold(double a) {
  const double r = Reduce(a);
  return r > kPi ? kTwoPi - r : r;
}

// Mean obliquity (IAU 1980) and the main terms of the nutation in longitude
// and obliquity: enough for the sidereal time and for turning the true
// equator of date into the ecliptic of date (a few hundredths of an arcsecond).
struct DateFrame {
  double obliquity, nutationLongitude;
};

DateFrame FrameOfDate(double julianDate) {
  const double t = (julianDate - 2451545.0) / 36525.0;
  const double mean = (84381.448 + t * (-46.8150 + t * (-0.00059 + t * 0.001813))) * kArcsec;
  const double node = (125.04452 - 1934.136261 * t) * kDeg;
  const double sunL = (280.4665 + 36000.7698 * t) * kDeg;
  const double moonL = (218.3165 + 481267.8813 * t) * kDeg;
  const double dpsi = (-17.20 * std::sin(node) - 1.32 * std::sin(2 * sunL) - 0.23 * std::sin(2 * moonL) +
                       0.21 * std::sin(2 * node)) * kArcsec;
  const double deps = (9.20 * std::cos(node) + 0.57 * std::cos(2 * sunL) + 0.10 * std::cos(2 * moonL) -
                       0.09 * std::cos(2 * node)) * kArcsec;
  return {mean + deps, dpsi};
}

double GreenwichMeanSiderealTime(double julianDate) {
  const double d = julianDate - 2451545.0, t = d / 36525.0;
  const double deg = 280.46061837 + 360.98564736629 * d + t * t * (0.000387933 - t / 38710000.0);
  return Reduce(deg * kDeg);
}

void ToSpherical(double x, double y, double z, double& ra, double& dec) {
  const double r = std::sqrt(x * x + y * y + z * z);
  ra = Reduce(std::atan2(y, x));
  dec = r > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, z / r))) : 0.0;
}

}  // namespace

CEventSampler::CEventSampler(PlanetesCalculProc library, const EventSite& site, double nodeHours)
    : m_library(library), m_site(site), m_nodeDays(nodeHours / 24.0) {}

bool CEventSampler::Geocentric(double julianDate, Node& node) {
  if (m_library == nullptr) return false;
  // A site at the centre of the Earth (on the equator, one equatorial radius
  // down) gives the geocentric apparent places of date; the place's part is
  // added per step.
  static const PlanetLibraryElements kNoElements{};
  const PlanetLibraryResult* rows =
      m_library(julianDate, 0.0, 0.0, -kEquatorialRadius, 10.0, 0.0, kPlanetLibraryModeAllBodies, kNoElements);
  ++m_calls;
  if (rows == nullptr) return false;
  node.assign(kNodeValues, 0.0);
  const DateFrame frame = FrameOfDate(julianDate);
  const double ce = std::cos(frame.obliquity), se = std::sin(frame.obliquity);
  auto apparentLongitude = [&](const double* e) {
    const double ra = e[kEntryRightAscension], dec = e[kEntryDeclination];
    const double x = std::cos(dec) * std::cos(ra), y = std::cos(dec) * std::sin(ra), z = std::sin(dec);
    return Reduce(std::atan2(y * ce + z * se, x));
  };
  // The heliocentric longitudes come on the J2000 ecliptic: they move to the
  // Sun's frame of date by the difference of its two geocentric longitudes,
  // so heliocentric and apparent longitudes can be compared.
  const double sunApparent = apparentLongitude(rows[0].entries);
  const double toDate = sunApparent - rows[0].entries[kEntryEclipticLongitude];
  for (int n = 0; n < kEventBodyCount; ++n) {
    const double* e = rows[n].entries;
    double* v = &node[n * kValuesPerBody];
    v[5] = e[kEntrySunDistance];
    if (n == 3) continue;
    const double ra = e[kEntryRightAscension], dec = e[kEntryDeclination], d = e[kEntryEarthDistance];
    v[0] = d * std::cos(dec) * std::cos(ra);
    v[1] = d * std::cos(dec) * std::sin(ra);
    v[2] = d * std::sin(dec);
    v[3] = (n == 0 || n == 10) ? apparentLongitude(e) : Reduce(e[kEntryHelioLongitude] + toDate);
    v[4] = d;
    v[6] = e[kEntryApparentDiameter] * kArcsec;
  }
  return true;
}

bool CEventSampler::NodeAt(long index, Node& node) {
  auto it = m_nodes.find(index);
  if (it != m_nodes.end()) {
    node = it->second;
    return true;
  }
  if (!Geocentric(static_cast<double>(index) * m_nodeDays, node)) return false;
  m_nodes.emplace(index, node);
  return true;
}

bool CEventSampler::StateAt(double julianDate, EventState& out) {
  Node values;
  if (m_nodeDays <= 0.0) {
    if (!Geocentric(julianDate, values)) return false;
    Finish(julianDate, values, out);
    return true;
  }
  const double u = julianDate / m_nodeDays;
  const long k = static_cast<long>(std::floor(u));
  const double f = u - static_cast<double>(k);
  const double w[4] = {-f * (f - 1) * (f - 2) / 6.0, (f + 1) * (f - 1) * (f - 2) / 2.0,
                       -(f + 1) * f * (f - 2) / 2.0, (f + 1) * f * (f - 1) / 6.0};
  Node nodes[4];
  for (int i = 0; i < 4; ++i)
    if (!NodeAt(k - 1 + i, nodes[i])) return false;
  values.assign(kNodeValues, 0.0);
  for (int j = 0; j < kNodeValues; ++j) {
    const bool angle = j % kValuesPerBody == 3;
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
      double x = nodes[i][j];
      // Longitudes are unwrapped against the first node before weighing.
      if (angle) x = nodes[0][j] + std::remainder(x - nodes[0][j], kTwoPi);
      sum += w[i] * x;
    }
    values[j] = angle ? Reduce(sum) : sum;
  }
  Finish(julianDate, values, out);
  return true;
}

void CEventSampler::Finish(double julianDate, const Node& values, EventState& out) const {
  out.julianDate = julianDate;
  const DateFrame frame = FrameOfDate(julianDate);
  const double ce = std::cos(frame.obliquity), se = std::sin(frame.obliquity);
  const double lst = Reduce(GreenwichMeanSiderealTime(julianDate) + frame.nutationLongitude * ce - m_site.westLongitude);
  // The observer on the WGS84 ellipsoid, true equator of date, AU.
  const double e2 = kFlattening * (2.0 - kFlattening);
  const double sl = std::sin(m_site.latitude), cl = std::cos(m_site.latitude);
  const double n = kEquatorialRadius / std::sqrt(1.0 - e2 * sl * sl);
  const double rxy = (n + m_site.elevation) * cl / kMetresPerAu;
  const double ox = rxy * std::cos(lst), oy = rxy * std::sin(lst), oz = (n * (1.0 - e2) + m_site.elevation) * sl / kMetresPerAu;

  double sunLongitude = 0.0;
  for (int b = 0; b < kEventBodyCount; ++b) {
    const double* v = &values[b * kValuesPerBody];
    EventBody& r = out.bodies[b];
    r = EventBody{};
    r.sunDistance = v[5];
    if (b == 3) continue;
    const double x = v[0], y = v[1], z = v[2];
    r.earthDistance = v[4];
    ToSpherical(x, y, z, r.geocentricRightAscension, r.geocentricDeclination);
    r.eclipticLongitude = Reduce(std::atan2(y * ce + z * se, x));
    r.heliocentricLongitude = v[3];
    r.geocentricDiameter = v[6];
    const double tx = x - ox, ty = y - oy, tz = z - oz;
    ToSpherical(tx, ty, tz, r.rightAscension, r.declination);
    const double geo = std::sqrt(x * x + y * y + z * z), topo = std::sqrt(tx * tx + ty * ty + tz * tz);
    r.apparentDiameter = topo > 0.0 ? v[6] * geo / topo : v[6];
    const double h = lst - r.rightAscension;
    const double sinAlt = sl * std::sin(r.declination) + cl * std::cos(r.declination) * std::cos(h);
    r.altitude = std::asin(std::fmax(-1.0, std::fmin(1.0, sinAlt)));
    if (b == 0) sunLongitude = r.eclipticLongitude;
  }
  for (int b = 0; b < kEventBodyCount; ++b)
    if (b != 3) out.bodies[b].elongation = Fold(out.bodies[b].eclipticLongitude - sunLongitude);
  out.sunLongitude = Reduce(sunLongitude + kPi);
  out.earthSunDistance = out.bodies[3].sunDistance;
  out.bodies[3].eclipticLongitude = out.sunLongitude;
  out.bodies[3].heliocentricLongitude = out.sunLongitude;
}
