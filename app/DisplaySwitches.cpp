// The view's display switches (names, lines, grids, catalogues, Milky Way,
// landscape, clouds, night vision, finder fields) and the update rules that
// grey and tick their menu items and tool-bar buttons. The switches only
// change members: the next frame reads them. Textures a switch turns off are
// released at once, so that the memory goes back; turning on again reloads
// them through the scene's reset.
#include "NumberFormat.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "SysColors.h"

namespace {

void ReleaseTexture(IDirect3DTexture9*& texture) {
  if (texture) texture->Release();
  texture = nullptr;
}

// Both shown, the second only, none, the first only, both again: one member
// changes per press.
void StepPair(bool& first, bool& second) {
  if (first && second) {
    first = false;
  } else if (second) {
    second = false;
  } else if (!first) {
    first = true;
  } else {
    second = true;
  }
}

// Orbit slots, bodies and menu names of Hubble, the ISS and the NOAA
// satellites 10 to 18, by command.
struct SatelliteItem {
  UINT command;
  int slot;
  int body;
  const char* name;
};
constexpr SatelliteItem kSatelliteItems[] = {
    {154, 3, 11, "Hubble"},     {155, 2, 12, "ISS"},        {42791, 9, 49, "NOAA-10"},  {42792, 10, 50, "NOAA-11"},
    {42793, 11, 51, "NOAA-12"}, {42794, 12, 52, "NOAA-14"}, {42795, 13, 53, "NOAA-15"}, {42796, 14, 54, "NOAA-16"},
    {42797, 15, 55, "NOAA-17"}, {42798, 16, 56, "NOAA-18"}};

}  // namespace

void CNuvarine2View::ResetObjectsForSwitch() {
  ResetObjects(static_cast<int>(m_backBufferWidth), static_cast<int>(m_backBufferHeight));
}

void CNuvarine2View::OnPlanetNames() { m_showPlanetNames = !m_showPlanetNames; }

void CNuvarine2View::OnStarNames() {
  int style = m_starNameStyle + 1;
  if (style > 3) style = 0;
  m_starNameStyle = static_cast<BYTE>(style);
  m_showStarNames = style != 0;
}

void CNuvarine2View::OnConstellationNames() {
  int language = m_constellationNameLanguage + 1;
  if (language != 0) m_showConstellationNames = true;
  if (language > 3) {
    language = 0;
    m_showConstellationNames = false;
  }
  m_constellationNameLanguage = static_cast<BYTE>(language);
  UpdateSkyPositions();
}

void CNuvarine2View::OnConstellationLines() {
  StepPair(m_showConstellationBorders, m_showConstellationFigures);
  UpdateSkyPositions();
}

void CNuvarine2View::OnEclipticAndEquator() { StepPair(m_showEquator, m_showEcliptic); }

void CNuvarine2View::OnGrids() {
  StepPair(m_showEquatorialGrid, m_showHorizontalGrid);
  UpdateSkyPositions();
}

void CNuvarine2View::OnDeepSkyObjects() { m_showDeepSkyObjects = !m_showDeepSkyObjects; }
void CNuvarine2View::OnDeepSkyNames() { m_showDeepSkyNames = !m_showDeepSkyNames; }

void CNuvarine2View::OnComets() {
  m_showComets = !m_showComets;
  UpdateSkyPositions();
}

void CNuvarine2View::OnAsteroids() {
  m_showAsteroids = !m_showAsteroids;
  UpdateSkyPositions();
}

void CNuvarine2View::OnSatelliteNames() {
  m_showSatelliteNames = !m_showSatelliteNames;
  UpdateSkyPositions();
}

void CNuvarine2View::OnOrbits() {
  m_showOrbits = !m_showOrbits;
  UpdateSkyPositions();
}

void CNuvarine2View::OnMilkyWay() {
  if (m_milkyWay != 0) {
    m_milkyWay = 0;
    ReleaseTexture(m_milkyWayTexture);
    return;
  }
  // The settings' level 2 comes back only from the settings file.
  m_milkyWay = 1;
  if (!m_milkyWayTexture) ResetObjectsForSwitch();
}

void CNuvarine2View::OnLandscape() {
  if (m_showLandscape) {
    m_showLandscape = false;
    ReleaseTexture(m_landscapeTexture);
    ReleaseTexture(m_cloudySkyTexture);
    return;
  }
  m_showLandscape = true;
  if (!m_landscapeTexture) ResetObjectsForSwitch();
}

void CNuvarine2View::OnAtmospheres() {
  if (m_planetariumMode) {
    if (m_showCloudySky) {
      m_showCloudySky = false;
      ReleaseTexture(m_cloudySkyTexture);
      return;
    }
    m_showCloudySky = true;
    if (!m_cloudySkyTexture) ResetObjectsForSwitch();
    return;
  }
  IDirect3DTexture9*& earthClouds = m_bodyTextures[2];
  if (m_showAtmospheres) {
    m_showAtmospheres = false;
    ReleaseTexture(earthClouds);
    ResetObjectsForSwitch();
    return;
  }
  m_showAtmospheres = true;
  if (!earthClouds) ResetObjectsForSwitch();
}

void CNuvarine2View::OnRule() { m_showRule = !m_showRule; }
void CNuvarine2View::OnNaturalSkyColor() { m_naturalSkyColor = !m_naturalSkyColor; }

void CNuvarine2View::OnNightVision() {
  m_nightVision = !m_nightVision;
  // Off gives back the desktop's colours of the start, not those of the
  // moment night vision was turned on.
  SetSysColors(13, g_sysColorElements, m_nightVision ? g_nightVisionColors : g_savedSysColors);
}

void CNuvarine2View::OnTipsAtStartup() { m_showTipsAtStartup = !m_showTipsAtStartup; }
void CNuvarine2View::OnAlertsAtStartup() { m_showAlertsAtStartup = !m_showAlertsAtStartup; }

void CNuvarine2View::SetFinderFields(bool quickfinder, bool telrad) {
  if (!m_planetariumMode) return;
  m_eyepieceFieldSize = 0.0f;
  m_showQuickfinderField = quickfinder;
  m_showTelradField = telrad;
}

bool CNuvarine2View::OrbitSlotHasPosition(int slot) const {
  const double* p = g_orbits[slot].position;
  return p[0] != 0.0 || p[1] != 0.0 || p[2] != 0.0;
}

void CNuvarine2View::MapDisplaySwitchCommands() {
  MapCommand(32870, [this] { OnPlanetNames(); });
  MapCommand(32861, [this] { OnStarNames(); });
  MapCommand(162, [this] { OnConstellationNames(); });
  MapCommand(32858, [this] { OnConstellationLines(); });
  MapCommand(158, [this] { OnEclipticAndEquator(); });
  MapCommand(163, [this] { OnGrids(); });
  MapCommand(157, [this] { OnDeepSkyObjects(); });
  MapCommand(180, [this] { OnDeepSkyNames(); });
  MapCommand(218, [this] { OnComets(); });
  MapCommand(32812, [this] { OnAsteroids(); });
  MapCommand(32786, [this] { OnSatelliteNames(); });
  MapCommand(295, [this] { OnOrbits(); });
  MapCommand(221, [this] { OnMilkyWay(); });
  MapCommand(160, [this] { OnLandscape(); });
  MapCommand(5008, [this] { OnAtmospheres(); });
  MapCommand(161, [this] { OnRule(); });
  MapCommand(222, [this] { OnNaturalSkyColor(); });
  MapCommand(32875, [this] { OnNightVision(); });
  MapCommand(245, [this] { OnTipsAtStartup(); });
  MapCommand(246, [this] { OnAlertsAtStartup(); });
  MapCommand(32902, [this] { SetFinderFields(true, false); });
  MapCommand(32903, [this] { SetFinderFields(false, false); });
  MapCommand(32904, [this] { SetFinderFields(false, true); });
  MapCommand(32905, [this] { SetFinderFields(false, false); });

  auto check = [this](UINT id, std::function<bool()> on) {
    MapUpdateCommandUI(id, [on](CCmdUI* ui) { ui->SetCheck(on() ? 1 : 0); });
  };
  check(32870, [this] { return m_showPlanetNames; });
  check(32861, [this] { return m_starNameStyle > 0; });
  check(162, [this] { return m_showConstellationNames; });
  check(32858, [this] { return m_showConstellationBorders || m_showConstellationFigures; });
  check(158, [this] { return m_showEquator || m_showEcliptic; });
  check(163, [this] { return m_showEquatorialGrid || m_showHorizontalGrid; });
  check(157, [this] { return m_showDeepSkyObjects; });
  check(180, [this] { return m_showDeepSkyNames; });
  check(218, [this] { return m_showComets; });
  check(32812, [this] { return m_showAsteroids; });
  check(32786, [this] { return m_showSatelliteNames; });
  check(221, [this] { return m_milkyWay > 0; });
  check(5008, [this] { return m_planetariumMode ? m_showCloudySky : m_showAtmospheres; });
  check(32875, [this] { return m_nightVision; });
  check(245, [this] { return m_showTipsAtStartup; });
  check(246, [this] { return m_showAlertsAtStartup; });

  // Planetarium only: grey and unticked in the solar-system mode whatever
  // the switch holds.
  auto planetarium = [this](UINT id, std::function<bool()> on) {
    MapUpdateCommandUI(id, [this, on](CCmdUI* ui) {
      ui->Enable(m_planetariumMode);
      ui->SetCheck(m_planetariumMode && on() ? 1 : 0);
    });
  };
  planetarium(160, [this] { return m_showLandscape; });
  planetarium(161, [this] { return m_showRule; });
  planetarium(222, [this] { return m_naturalSkyColor; });
  planetarium(32842, [] { return g_dssEnabled; });
  MapUpdateCommandUI(295, [this](CCmdUI* ui) {
    ui->Enable(!m_planetariumMode);
    ui->SetCheck(!m_planetariumMode && m_showOrbits ? 1 : 0);
  });
  for (UINT id : {32902u, 32903u, 32904u, 32905u, 32778u, 32824u, 32867u, 32828u, 32829u})
    MapUpdateCommandUI(id, [this](CCmdUI* ui) { ui->Enable(m_planetariumMode); });
  MapUpdateCommandUI(32783, [this](CCmdUI* ui) { ui->Enable(m_showSetiWorkUnits); });
  // A satellite whose elements are too far from the instant says so in its
  // item, which stays open on its information text (why, and what to do).
  for (const SatelliteItem& s : kSatelliteItems) {
    MapUpdateCommandUI(s.command, [this, s](CCmdUI* ui) {
      if (SatelliteElementsOutOfDate(s.body)) {
        ui->Enable(TRUE);
        ui->SetText(FormatC(AfxString(IDS_SATELLITE_ELEMENTS_OUT_OF_DATE).c_str(), s.name).c_str());
      } else {
        ui->Enable(OrbitSlotHasPosition(s.slot));
        ui->SetText(s.name);
      }
    });
  }
  // Line 1 of the 22nd built-in satellite: its elements are loaded.
  MapUpdateCommandUI(10005, [this](CCmdUI* ui) { ui->Enable(m_tleLines[42][0] == '1'); });
}
