// The orbit table: small moons on Kepler ellipses, Sedna from the planet
// library and the artificial satellites from their element sets, brought to
// the view's instant before the solar-system update places them.
#include <cmath>

#include "OrbitOutlines.h"
#include "SkyModel.h"

namespace {

constexpr double kMillionKmPerAu = 149.597870691;

void ClearPosition(OrbitRecord& slot) { slot.position[0] = slot.position[1] = slot.position[2] = 0.0; }

const SatelliteSlot* SatelliteOfSlot(int orbitSlot) {
  for (const SatelliteSlot& s : kSatelliteSlots)
    if (s.orbitSlot == orbitSlot) return &s;
  return nullptr;
}

}  // namespace

void CSkyModel::UpdateOrbitTable() {
  for (int s = 0; s < kOrbitSlotCount; ++s) {
    OrbitRecord& slot = g_orbits[s];
    switch (slot.orbitType) {
      case 1:
        KeplerSlotOffset(slot.meanMotion, slot.epoch, slot.semiMajorAxis, slot.inclination, slot.argumentOfPeriapsis,
                         slot.ascendingNode, slot.meanAnomaly, slot.eccentricity, m_julianDate, slot.position);
        break;

      case 2: {
        const PlanetLibraryElements block =
            MakeOrbitElements(slot.epoch, slot.inclination, slot.ascendingNode, slot.argumentOfPeriapsis,
                              slot.semiMajorAxis, slot.eccentricity, slot.meanAnomaly * kRadToDeg, slot.epoch,
                              slot.absoluteMagnitude);
        const PlanetLibraryResult* rows = CallPlanetLibrary(99, block, m_pressure);
        if (!rows) break;  // no library: the slot keeps its last place
        const double l = rows[0].entries[kEntrySceneLongitude];
        const double b = rows[0].entries[kEntrySceneLatitude];
        const double r = rows[0].entries[kEntrySceneDistance];
        slot.position[0] = r * std::cos(b) * std::sin(l) * kMillionKmPerAu;
        slot.position[1] = r * std::cos(b) * std::cos(l) * kMillionKmPerAu;
        slot.position[2] = r * std::sin(b) * kMillionKmPerAu;
        break;
      }

      case 3: {
        const SatelliteSlot* sat = SatelliteOfSlot(s);
        if (!sat || !m_computeSatellitePositions || !(m_julianDate > sat->startDate) ||
            !(m_julianDate < kSatelliteEndDate)) {
          ClearPosition(slot);
          break;
        }
        const char* lines[2] = {m_tleLines[2 * sat->pair].data(), m_tleLines[2 * sat->pair + 1].data()};
        double x, y, z, ra, dec, alt, az;
        if (SatelliteElementsOutOfDate(sat->body) || !ComputeSatellitePosition(lines, x, y, z, ra, dec, alt, az)) {
          // Elements too far from the instant, rejected, or a decayed orbit:
          // no place, neither on the sky nor in space, so nothing is drawn
          // or labelled.
          ClearPosition(slot);
          BodyState& body = g_bodies[sat->body];
          body.azimuth = body.altitude = 0.0;
          break;
        }
        slot.position[0] = x * 1e-6;
        slot.position[1] = y * 1e-6;
        slot.position[2] = z * 1e-6;
        BodyState& body = g_bodies[sat->body];
        body.rightAscension = body.j2000RightAscension = ra;
        body.declination = body.j2000Declination = dec;
        body.azimuth = az;
        body.altitude = alt;
        body.apparentDiameter = static_cast<double>(1e-4f);
        body.earthDistance = 0.0;
        break;
      }

      default:
        break;
    }
  }
}

void CSkyModel::BuildOrbitPaths() {
  const OrbitRecord& sedna = g_orbits[8];
  BuildOrbitOutlines(m_julianDate,
                     {sedna.ascendingNode, sedna.argumentOfPeriapsis, sedna.semiMajorAxis, sedna.eccentricity,
                      sedna.inclination},
                     m_orbitOutlines);
}
