// The planet library against an independent high-precision ephemeris: the
// topocentric apparent places of data/reference_places.txt (made once from
// the Swiss Ephemeris, DE431, by tools/placefixture), 1900-2030, five
// observers from Tromso to Sydney and Mauna Kea.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Ephemeris.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
constexpr double kArcsec = kDeg / 3600.0;

struct Place {
  double jdUT, deltaT, eastLongitude, latitude, elevation;
  int row;
  double ra, dec;  // degrees
};

std::vector<Place> ReadPlaces() {
  std::vector<Place> places;
  std::ifstream in(std::string(NUVARINE_TEST_DATA) + "/reference_places.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    fields.imbue(std::locale::classic());
    Place p;
    fields >> p.jdUT >> p.deltaT >> p.eastLongitude >> p.latitude >> p.elevation >> p.row >> p.ra >> p.dec;
    if (fields) places.push_back(p);
  }
  return places;
}

// Great-circle separation in arcseconds.
double Separation(double ra1, double dec1, double ra2, double dec2) {
  const double s = std::sin(dec1) * std::sin(dec2) + std::cos(dec1) * std::cos(dec2) * std::cos(ra1 - ra2);
  const double dRa = std::remainder(ra1 - ra2, 2 * kPi) * std::cos(dec2), dDec = dec1 - dec2;
  // Small angles: the flat form keeps the precision acos loses.
  return (s > 0.9999 ? std::hypot(dRa, dDec) : std::acos(std::fmin(1.0, s))) / kArcsec;
}

// Worst separation per library row over all instants and observers, at the
// reference's own dynamical time or with the library's Delta T.
std::map<int, double> WorstPerBody(const std::vector<Place>& places, bool ownDeltaT) {
  std::map<int, double> worst;
  PlanetLibraryResult rows[11];
  double lastJd = 0, lastLongitude = 1000, lastLatitude = 1000;
  for (const Place& p : places) {
    if (p.jdUT != lastJd || p.eastLongitude != lastLongitude || p.latitude != lastLatitude) {
      orbicalc::Site site;
      site.westLongitudeDegrees = -p.eastLongitude;
      site.latitudeDegrees = p.latitude;
      site.elevation = p.elevation;
      if (ownDeltaT)
        orbicalc::ComputeAllBodies(p.jdUT, site, rows);
      else
        orbicalc::ComputeAllBodiesAt(p.jdUT, p.jdUT + p.deltaT / 86400.0, site, rows);
      lastJd = p.jdUT, lastLongitude = p.eastLongitude, lastLatitude = p.latitude;
    }
    const double* r = rows[p.row].entries;
    const double error = Separation(r[kEntryRightAscension], r[kEntryDeclination], p.ra * kDeg, p.dec * kDeg);
    worst[p.row] = std::fmax(worst[p.row], error);
  }
  return worst;
}

const char* const kNames[11] = {"Sun", "Mercury", "Venus", "Earth", "Mars", "Jupiter",
                                "Saturn", "Uranus", "Neptune", "Pluto", "Moon"};

// Largest separation allowed per row. The Sun and Mercury to Saturn: 0.3".
// Uranus and Neptune: VSOP87 was fitted to an ephemeris (DE200) whose outer
// planets drift from the modern ones after 1990; even the complete series is
// 1.3" and 1.5" off by 2030. The Moon: within 1" (ELP2000-82B's secular
// terms drift by 0.7" towards 1900). Pluto: libnova's series, within 1".
double Limit(int row) {
  switch (row) {
    case 7: return 1.5;
    case 8: return 1.6;
    case 9: return 1.0;
    case 10: return 1.0;
    default: return 0.3;
  }
}

TEST(ReferencePlaces, TopocentricApparentPlacesMatchTheReferenceEphemeris) {
  const std::vector<Place> places = ReadPlaces();
  ASSERT_EQ(places.size(), 600u);
  // The theories and the reduction, at the reference's dynamical time.
  for (const auto& [row, error] : WorstPerBody(places, false)) {
    std::printf("%-8s worst %.3f\"\n", kNames[row], error);
    EXPECT_LT(error, Limit(row)) << kNames[row];
  }
  // With the library's own Delta T (observed record; extrapolated for 2030):
  // the Moon moves 0.5" per second of Delta T.
  for (const auto& [row, error] : WorstPerBody(places, true)) {
    std::printf("%-8s worst %.3f\" with the library's Delta T\n", kNames[row], error);
    EXPECT_LT(error, Limit(row)) << kNames[row];
  }
}

}  // namespace
