#include "ViewSettings.h"

#include "InstallFolder.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

CViewSettings::CViewSettings() {
  // Install folder: the current directory, else the program's own folder.
  m_installFolder = CurrentInstallFolder();
  m_settingsPath = m_installFolder + "\\nuvarine.ini";

  g_dssEnabled = false;
  g_dssServer = 3;
  g_dssMode = 1;
  g_dssOptions = 1;

  // Observing place and atmosphere before any settings file is read.
  m_observerLongitude = 0.009890199094634533;  // 0.5667 degrees west
  m_observerLatitude = 0.7824892813107911;     // 44.8333 degrees north
  m_observerElevation = 0.0;
  m_utcOffset = 0.0;
  m_pressure = 1013.0;
  m_temperature = 10.0;

  m_zoomStep = 1.07f;
  m_showTipsAtStartup = true;
  m_showAlertsAtStartup = true;
  m_planetariumMode = false;
  m_useLx200Driver = true;
  m_videoConfigValid = true;

  SetDefaultSettings();

  g_telescopePort = "COM1";
  g_telescopeParity = 'N';
  g_telescopeBaudRate = 9600;
  g_telescopeStopBits = 1;
  g_telescopeDataBits = 8;

  for (int i = 0; i < kDisplayListSize; ++i) {
    g_displayedCometNames[i].Empty();
    g_displayedAsteroidNames[i].Empty();
    g_displayedCometIndices[i] = 0;
    g_displayedAsteroidIndices[i] = 0;
  }
  g_displayedCometCount = 0;
  g_displayedAsteroidCount = 0;

  m_starPictureFile = "etoile3.tga";
  m_landscapeFile = "landscape.tga";
  m_telescopeConnected = false;

  UpdateObserverTerms();
}

CViewSettings::~CViewSettings() = default;

void CViewSettings::BoundSettingsRead() {
  constexpr float kDefaultZoomStep = 1.07f;
  if (!(m_zoomStep >= 1.01f && m_zoomStep <= 10.0f)) m_zoomStep = kDefaultZoomStep;
  constexpr double kDefaultAnimationSpeed = 3000.0;
  if (!(m_animationSpeedFactor >= kMinAnimationSpeed && m_animationSpeedFactor <= kMaxAnimationSpeed))
    m_animationSpeedFactor = kDefaultAnimationSpeed;
}

void CViewSettings::SetDefaultSettings() {
  m_magnitudeZero = 17.0f;
  m_starMagnitudeLimit = 13.0f;
  m_deepSkyMagnitudeLimit = 30.0;
  m_limitingMagnitude = 7.0;
  m_cometMagnitudeLimit = 11.0;
  m_asteroidMagnitudeLimit = 11.0;
  m_moonScaleFactor = 1.0f;
  m_sunScaleFactor = 1.0f;
  m_eyepieceFieldSize = 0.0f;
  m_animationStepDays = 0.0;
  m_animationStepHours = 0.0;
  m_animationStepSeconds = 0.0;
  m_animationStepMinutes = 5.0;
  m_animationFps = 30.0;
  m_animationSpeedFactor = 3000.0;
  m_animationMethod = 1;
  m_skyColorRed = 5;
  m_skyColorGreen = 5;
  m_skyColorBlue = 10;
  m_milkyWay = 2;
  m_milkyWayLuminosity = 2;
  m_constellationNameLanguage = 3;
  m_starNameStyle = 1;
  m_textureLevel = 2;
  m_landscapeElevation = 0;
  m_landscapeOrientation = 0;
  m_antialiasing = 0;
  m_bumpMapping = 0;
  m_gpsPort = 1;
  m_gpsDevice = "";
  m_gpsBaudRate = 4800;
  m_gpsDataBits = 8;
  m_gpsParity = 1;
  m_gpsStopBits = 1;
  m_flightTargetBody = -1;

  m_showPlanetNames = true;
  m_showDeepSkyObjects = true;
  m_animationAutomatic = true;
  m_showLandscape = true;
  m_showStatusLine = true;
  m_useSky2000 = true;
  m_useTycho2 = true;
  m_useTycho2Part2 = true;
  m_showDeepSkyPictures = true;
  m_lensFlare = true;
  m_showAtmospheres = true;
  m_naturalSkyColor = true;
  m_showTimeZoneAlert = true;
  m_showInfoOverlay = true;
  m_computeSatellitePositions = true;
  m_showSatelliteNames = true;
  m_autoUpdateElements = true;
  m_autoUpdateComets = true;
  m_autoUpdateAsteroids = true;
  m_autoUpdateSatellites = true;
  m_englishUi = true;
  g_internetReachable = true;

  m_showRule = false;
  m_showConstellationNames = false;
  m_showStarNames = false;
  m_showDeepSkyNames = false;
  m_showConstellationBorders = false;
  m_showConstellationFigures = false;
  m_showEquator = false;
  m_showEcliptic = false;
  m_showComets = false;
  m_showAsteroids = false;
  m_showEquatorialGrid = false;
  m_showHorizontalGrid = false;
  m_showOrbits = false;
  m_showSetiWorkUnits = false;
  m_showCloudySky = false;
  m_realTimeCloudMap = false;
  m_reflection = false;
  m_wireframe = false;
  m_cloudShadows = false;
  m_realTime = false;
  m_textureCompression = false;
  m_useProxy = false;

  m_targetMarked = false;
  m_computingEphemeris = false;
  m_ephemerisResultShown = false;
  m_sky2000Loaded = false;
  m_tycho2Loaded = false;
  m_tycho2Part2Loaded = false;
  m_animationReversed = false;
  m_animationRunning = false;
  m_nightVision = false;
  m_telescopeConnected = false;
  m_chartInverted = false;
  m_showQuickfinderField = false;
  m_showTelradField = false;
  m_showFrameRate = false;
  m_gpsActive = 0;
  m_gpsFixValid = 0;
  m_pictureTargetObject = -1;
}

namespace {

struct DefaultFont {
  const char* face;
  LONG height;
  LONG weight;
  BYTE italic;
};

// By label kind.
const DefaultFont kDefaultFonts[kLabelFontCount] = {
    {"Verdana", -11, 400, 1},            // star names
    {"Arial Narrow", -11, 400, 0},       // deep-sky names
    {"Georgia", -15, 200, 1},            // planet names (light)
    {"Arial", -12, 400, 1},              // coordinate rule
    {"Palatino Linotype", -29, 400, 1},  // constellation names
    {"Arial", -10, 600, 1},              // ecliptic
    {"Arial", -10, 600, 1},              // equator
    {"Arial", -10, 600, 0},              // comets
    {"Arial", -10, 600, 0},              // asteroids
    {"Symbol", -10, 600, 0},             // symbols
    {"Arial", -12, 400, 0},              // grids
    {"Quartz", -12, 400, 0},             // probes
};

}  // namespace

void CViewSettings::SetDefaultFonts() {
  m_borderColor = RGB(65, 65, 65);
  m_figureColor = RGB(118, 125, 216);
  m_starNameColor = RGB(250, 100, 100);
  m_deepSkyNameColor = RGB(160, 160, 160);
  m_constellationNameColor = RGB(0, 64, 128);
  m_planetNameColor = RGB(100, 100, 250);
  m_ruleColor = RGB(150, 150, 150);
  m_eclipticColor = RGB(100, 100, 200);
  m_equatorColor = RGB(0, 200, 200);
  m_cometNameColor = RGB(100, 200, 200);
  m_asteroidNameColor = RGB(190, 190, 0);
  m_gridColor = RGB(70, 70, 70);
  m_probeNameColor = RGB(255, 255, 196);
  m_horizonLineColor = RGB(128, 0, 0);
  m_orbitLineColor = RGB(0, 0, 130);

  for (int kind = 0; kind < kLabelFontCount; ++kind) {
    LOGFONT& f = m_labelLogFonts[kind];
    const DefaultFont& d = kDefaultFonts[kind];
    std::memset(f.lfFaceName, 0, sizeof f.lfFaceName);
    std::strncpy(f.lfFaceName, d.face, LF_FACESIZE - 1);
    f.lfHeight = d.height;
    f.lfWeight = d.weight;
    f.lfItalic = d.italic;
    f.lfWidth = 0;
    f.lfUnderline = 0;
    f.lfStrikeOut = 0;
    f.lfOutPrecision = 0;
    f.lfClipPrecision = 0;
    f.lfQuality = 0;
  }
}

void CViewSettings::UpdateObserverTerms() {
  m_sinLatitude = std::sin(m_observerLatitude);
  m_cosLatitude = std::cos(m_observerLatitude);
  UpdateRefractionFactor();
}

namespace {

// Keeps, in order, the names that some record carries exactly; returns the
// number kept. `count` is already within the list's capacity.
int MatchList(CString* names, int* indices, int count, int recordCount,
              const CViewSettings& view, const char* (CViewSettings::*recordName)(int) const) {
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    for (int r = 0; r < recordCount; ++r) {
      const char* name = (view.*recordName)(r);
      if (name && names[i] == name) {
        // Assign through a copy: kept may equal i.
        const CString found = names[i];
        names[kept] = found;
        indices[kept] = r;
        ++kept;
        break;
      }
    }
  }
  return kept;
}

int BoundCount(int count) { return count < 0 ? 0 : (count > kDisplayListSize ? kDisplayListSize : count); }

}  // namespace

int CViewSettings::LoadedCometCount() const { return g_comets ? std::max(g_cometCount, 0) : 0; }

const char* CViewSettings::LoadedCometName(int index) const {
  return index >= 0 && index < LoadedCometCount() ? g_comets[index].name : nullptr;
}

int CViewSettings::LoadedAsteroidCount() const { return g_asteroids ? std::max(g_asteroidCount, 0) : 0; }

const char* CViewSettings::LoadedAsteroidName(int index) const {
  return index >= 0 && index < LoadedAsteroidCount() ? g_asteroids[index].name : nullptr;
}

void CViewSettings::MatchDisplayedLists() {
  g_displayedAsteroidCount = MatchList(g_displayedAsteroidNames, g_displayedAsteroidIndices,
                                       BoundCount(g_displayedAsteroidCount), LoadedAsteroidCount(), *this,
                                       &CViewSettings::LoadedAsteroidName);
  g_displayedCometCount = MatchList(g_displayedCometNames, g_displayedCometIndices,
                                    BoundCount(g_displayedCometCount), LoadedCometCount(), *this,
                                    &CViewSettings::LoadedCometName);
}

bool HasFileExtension(const CString& path, const char* extension) {
  const size_t slash = path.find_last_of("/\\");
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return false;
  return ::strcasecmp(path.c_str() + dot, extension) == 0;
}
