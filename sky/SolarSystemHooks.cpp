// Steps of the solar-system update that belong to other subsystems. Each is
// called at its place in UpdateSolarSystemBodies and does nothing until the
// subsystem that computes it is wired in here.
#include "SkyModel.h"

// Planet-centred offsets (millions of km) of the moons given by a theory:
// Io to Callisto (Jupiter moon theory), Mimas to Phoebe (Saturn moon theory),
// Miranda to Oberon (Uranus moon theory, moons 0 to 4). The theories read
// m_julianDate, which the caller has set back by the planet's light time.
bool CSkyModel::TheoryMoonOffset(int body, float& x, float& y, float& z) {
  x = y = z = 0.0f;
  return false;  // wired when the moon theories land
}

// Space probes from their loaded trajectories, only for the locked body or the
// trajectory body: first pass Galileo, Voyager 2, Spirit, Cassini-Huygens,
// Voyager 1, Pionner 10, Rosetta, Deep Impact (with Tempel 1), New horizons and
// Mars Express; second pass Venus Express, Near and Cassini-Huygens again.
void CSkyModel::UpdateProbeBodies(bool secondPass) {
  // wired when the trajectories land
}
