// The steps of the solar-system update that take positions from the moon
// theories and the probe trajectories.
#include <cmath>

#include "SkyModel.h"
#include "Trajectory.h"

// Planet-centred offsets (millions of km, scene frame) of the moons given by a theory:
// Io to Callisto (Jupiter), Mimas to Phoebe (Saturn), Miranda to Oberon
// (Uranus, moons 0 to 4). The theories read m_julianDate, which the caller has
// set to dynamical time (TT) less the planet's light time.
bool CSkyModel::TheoryMoonOffset(int body, float& x, float& y, float& z) {
  double dx = 0.0, dy = 0.0, dz = 0.0;
  switch (body) {
    case kBodyIo: ComputeIoOffset(dx, dy, dz); break;
    case kBodyEuropa: ComputeEuropaOffset(dx, dy, dz); break;
    case kBodyGanymede: ComputeGanymedeOffset(dx, dy, dz); break;
    case kBodyCallisto: ComputeCallistoOffset(dx, dy, dz); break;
    case kBodyMimas: ComputeMimasOffset(dx, dy, dz); break;
    case kBodyTitan: ComputeTitanOffset(dx, dy, dz); break;
    case kBodyEncelade: ComputeEnceladusOffset(dx, dy, dz); break;
    case kBodyTethys: ComputeTethysOffset(dx, dy, dz); break;
    case kBodyDione: ComputeDioneOffset(dx, dy, dz); break;
    case kBodyRhea: ComputeRheaOffset(dx, dy, dz); break;
    case kBodyHyperion: ComputeHyperionOffset(dx, dy, dz); break;
    case kBodyIapetus: ComputeIapetusOffset(dx, dy, dz); break;
    case kBodyPhoebe: ComputePhoebeOffset(dx, dy, dz); break;
    case kBodyMiranda: case kBodyAriel: case kBodyUmbriel: case kBodyTitania: case kBodyOberon:
      ComputeUranusMoonOffset(body - kBodyMiranda, dx, dy, dz);
      break;
    default:
      x = y = z = 0.0f;
      return false;
  }
  x = static_cast<float>(dx);
  y = static_cast<float>(dy);
  z = static_cast<float>(dz);
  return true;
}

void CSkyModel::UpdateSpacecraftPosition(int mode, int body) {
  if (body < 0 || body >= kBodyCount) return;
  Vector3d p;
  // Outside the trajectory the body stays where it was.
  if (!SpacecraftScenePosition(mode, body, m_julianDate, p)) return;
  BodyState& b = g_bodies[body];
  b.position = p;
  if (body != m_lockedObject) {
    const double dx = p.x - m_cameraPosition.x, dy = p.y - m_cameraPosition.y, dz = p.z - m_cameraPosition.z;
    b.cameraDistance = std::sqrt(dx * dx + dy * dy + dz * dz);
    b.surfaceDistance = b.cameraDistance - b.diameter * 5e-7;
  }
}

// Probes from their trajectories, only the locked body and the trajectory
// body: first pass Galileo, Voyager 2, Spirit, Cassini-Huygens, Voyager 1,
// Pionner 10, Rosetta, Deep Impact (with Tempel 1), New horizons and Mars
// Express; second pass Venus Express, Near and Cassini-Huygens again.
void CSkyModel::UpdateProbeBodies(bool secondPass) {
  auto chosen = [&](int body) { return body == m_lockedObject || body == m_trajectoryBody; };
  auto place = [&](int mode, int body) {
    UpdateSpacecraftPosition(mode, body);
    if (m_planetariumMode) {
      ComputeApparentPlace(body, 0);
    } else {
      ProjectBodyToSky(body);
    }
  };
  auto cassiniPair = [&]() {
    if (!chosen(kBodyCassini) && !chosen(kBodyHuygens)) return;
    const bool cassiniLoaded = g_trajectory[0].julianDate == kCassiniFirstDate;
    place(cassiniLoaded ? 1 : 2, kBodyCassini);
    place(cassiniLoaded ? 2 : 1, kBodyHuygens);
  };
  if (secondPass) {
    for (int body : {kBodyVenusExpress, kBodyNear})
      if (chosen(body)) place(1, body);
    cassiniPair();
    return;
  }
  for (int body : {kBodyGalileo, kBodyVoyager2, kBodySpirit, kBodyCassini, kBodyVoyager1, kBodyPionner10,
                   kBodyRosetta, kBodyDeepImpact, kBodyNewHorizons, kBodyMarsExpress}) {
    if (body == kBodyCassini) {
      cassiniPair();
      continue;
    }
    if (!chosen(body)) continue;
    place(1, body);
    if (body == kBodyDeepImpact) place(2, kBodyTempel1);
  }
}
