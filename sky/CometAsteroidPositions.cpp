// Positions of the displayed comets and asteroids from the planet library.
#include <cmath>

#include "SkyModel.h"

namespace {

constexpr double kMillionKmPerAu = 149.597870691;
constexpr double kAuPerMillionKm = 0.006684587122670599;

double Distance(const Vector3d& a, const Vector3d& b) {
  const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

PlanetLibraryElements ElementBlock(double epoch, double inclination, double node, double perihelion,
                                   double semiMajorAxis, double eccentricity, double meanAnomalyDegrees, double h) {
  return MakeOrbitElements(epoch, inclination, node, perihelion, semiMajorAxis, eccentricity, meanAnomalyDegrees,
                           2451545.0, h);
}

// The state both kinds of record share, filled from row 0 of the answer.
template <typename Record>
void TakeRow(CSkyModel& model, Record& r, const PlanetLibraryResult& row, int objectNumber) {
  const double* e = row.entries;
  const double l = e[kEntrySceneLongitude], b = e[kEntrySceneLatitude], R = e[kEntrySceneDistance];
  r.position = {R * std::cos(b) * std::sin(l) * kMillionKmPerAu, R * std::cos(b) * std::cos(l) * kMillionKmPerAu,
                R * std::sin(b) * kMillionKmPerAu};
  double ra = std::fmod(e[kEntryRightAscension], kTwoPi);
  if (ra < 0.0) ra += kTwoPi;
  r.rightAscension = ra;
  r.declination = e[kEntryDeclination];
  r.altitude = e[kEntryAltitude] * kDegToRad;
  r.azimuth = e[kEntryAzimuth] * kDegToRad;
  if (!model.m_planetariumMode)
    model.ProjectPointToSky(r.position.x, r.position.y, r.position.z, r.rightAscension, r.declination);
  const double d = Distance(r.position, model.m_cameraPosition);
  r.apparentDiameter = std::atan(r.displaySize / (d * 2000000.0));
  if (objectNumber != model.m_lockedObject) {
    r.cameraDistance = d;
    r.sunDistance = R * kMillionKmPerAu;
  }
  r.earthDistance = Distance(r.position, g_bodies[kBodyEarth].position) * kAuPerMillionKm;
  model.ComputePhaseAndMagnitude(objectNumber);
}

int DisplayedCount(int count) { return count < 0 ? 0 : (count > kMaxDisplayedObjects ? kMaxDisplayedObjects : count); }

}  // namespace

void CSkyModel::UpdateCometPositions() {
  const int shown = DisplayedCount(g_displayedCometCount);
  for (int k = 0; k < shown; ++k) {
    const int i = g_displayedCometIndices[k];
    if (g_comets == nullptr || i < 0 || i >= g_cometCount) continue;
    CometRecord& c = g_comets[i];
    const double q = c.perihelionDistance, e = c.eccentricity;
    const double a = e < 1.0 ? q / (1.0 - e) : q;
    const PlanetLibraryElements block =
        ElementBlock(c.perihelionTime, c.inclination, c.ascendingNode, c.argumentOfPerihelion, a, e, 0.0,
                     c.absoluteMagnitude);
    const PlanetLibraryResult* rows = CallPlanetLibrary(kPlanetLibraryModeElements, block, m_pressure);
    if (rows == nullptr) return;
    TakeRow(*this, c, rows[0], 2000 + i);
  }
}

void CSkyModel::UpdateAsteroidPositions() {
  const int shown = DisplayedCount(g_displayedAsteroidCount);
  for (int k = 0; k < shown; ++k) {
    const int i = g_displayedAsteroidIndices[k];
    if (g_asteroids == nullptr || i < 0 || i >= g_asteroidCount) continue;
    AsteroidRecord& r = g_asteroids[i];
    const PlanetLibraryElements block =
        ElementBlock(r.epoch, r.inclination, r.ascendingNode, r.argumentOfPerihelion, r.semiMajorAxis, r.eccentricity,
                     r.meanAnomaly * 57.29577951308232, r.absoluteMagnitude);
    const PlanetLibraryResult* rows = CallPlanetLibrary(kPlanetLibraryModeElements, block, m_pressure);
    if (rows == nullptr) return;
    TakeRow(*this, r, rows[0], 1000 + i);
  }
}
