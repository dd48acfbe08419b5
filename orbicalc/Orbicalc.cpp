// The library's single entry point. The rows live here and are overwritten by
// the next call, which is what the callers expect.
#include "Ephemeris.h"

namespace {
PlanetLibraryResult g_rows[11];
}

extern "C" __attribute__((visibility("default"))) PlanetLibraryResult* PlanetesCalcul(
    double julianDate, double longitudeDegrees, double latitudeDegrees, double elevation, double temperature,
    double pressure, int mode, PlanetLibraryElements elements) {
  orbicalc::Site site;
  site.westLongitudeDegrees = longitudeDegrees;
  site.latitudeDegrees = latitudeDegrees;
  site.elevation = elevation;
  site.temperature = temperature;
  site.pressure = pressure;
  if (mode == kPlanetLibraryModeAllBodies) {
    orbicalc::ComputeAllBodies(julianDate, site, g_rows);
  } else if (mode == kPlanetLibraryModeElements) {
    orbicalc::ComputeFromElements(julianDate, site, orbicalc::DecodeElements(elements), g_rows[0]);
  } else {
    // Unknown mode: answer zero rows rather than stale ones.
    for (PlanetLibraryResult& row : g_rows)
      for (double& v : row.entries) v = 0.0;
  }
  return g_rows;
}
