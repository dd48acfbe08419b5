// The probes of the "Probes/satellites" menu: each command loads the probe's
// trajectory (and, for the probes that share a flight, the partner's into
// the second table first), locks the view on the probe and shows it: the 3D
// camera goes to it in the solar system; the planetarium turns to it.
#include <cstring>

#include "InfoDialogs.h"
#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"
#include "UiDefs.h"

namespace {

constexpr UINT kNoPositionString = 800;

struct ProbeCommand {
  UINT command;
  const char* partnerFile;  // null: none
  const char* probeFile;
  int body;
};

const ProbeCommand kProbeCommands[] = {
    {187, nullptr, "\\donnees\\galileo.xyz", kBodyGalileo},
    {225, nullptr, "\\donnees\\voyager2.xyz", kBodyVoyager2},
    {231, nullptr, "\\donnees\\spirit.xyz", kBodySpirit},
    {232, "\\donnees\\huygens.xyz", "\\donnees\\cassini.xyz", kBodyCassini},
    {240, nullptr, "\\donnees\\voyager1.xyz", kBodyVoyager1},
    {249, nullptr, "\\donnees\\pioneer10.xyz", kBodyPionner10},
    {305, nullptr, "\\donnees\\rosetta.xyz", kBodyRosetta},
    {325, "\\donnees\\tempel1.xyz", "\\donnees\\deepimpact1.xyz", kBodyDeepImpact},
    {32784, nullptr, "\\donnees\\newhorizons.xyz", kBodyNewHorizons},
    {32785, nullptr, "\\donnees\\marsexpress.xyz", kBodyMarsExpress},
    {33000, nullptr, "\\donnees\\venusexpress.xyz", kBodyVenusExpress},
    {10000, nullptr, "\\donnees\\near.xyz", kBodyNear},
    {33001, "\\donnees\\cassini.xyz", "\\donnees\\huygens.xyz", kBodyHuygens},
};

}  // namespace

void CNuvarine2View::ShowProbeCommand(UINT command) {
  for (const ProbeCommand& c : kProbeCommands) {
    if (c.command != command) continue;
    if (c.partnerFile) {
      LoadTrajectory(m_installFolder, c.partnerFile);
      CopyTrajectoryToSecond();
    }
    // A file that cannot be read leaves the table empty: it is then taken
    // as a date outside the trajectory, never as the last probe's path.
    const bool loaded = LoadTrajectory(m_installFolder, c.probeFile);
    m_selectedSpacecraft = c.body;
    m_trajectoryBody = c.body;
    if (loaded && IsDateInTrajectory()) {
      m_lockedObject = c.body;
      UpdateSkyPositions();
      if (m_planetariumMode) {
        // The planetarium's camera stays at the observer: the probe is
        // centred in the sky when it is above the horizon; below it the view
        // is left as it is, and the information says so.
        const BodyState& b = g_bodies[c.body];
        if (b.altitude >= 0.0) {
          m_targetAzimuth = b.azimuth;
          m_targetAltitude = b.altitude;
          m_targetRightAscension = b.rightAscension;
          m_targetDeclination = b.declination;
          m_targetMarked = true;
          ResetAndRotateCamera(static_cast<float>(-b.azimuth), static_cast<float>(b.altitude));
        }
      } else {
        GoToBody(c.body, 0.0);
      }
      ShowBodyInformation(c.body, OBJECT_PLANET);
    } else {
      ::MessageBox(GetSafeHwnd(), AfxString(kNoPositionString).c_str(), "Nuvarine 2.0", MB_OK);
      ShowBodyInformation(c.body, OBJECT_PLANET);
      std::memset(static_cast<void*>(g_trajectory), 0, sizeof g_trajectory);
      m_lockedObject = -1;
    }
    return;
  }
}

void CNuvarine2View::MapSpacecraftCommands() {
  for (const ProbeCommand& c : kProbeCommands) MapCommand(c.command, [this, c] { ShowProbeCommand(c.command); });
}
