// "Nuvarine configuration...": the view's settings go into the options
// dialog, and after "Apply" come back, with whatever depends on them redone:
// star tiles, the work unit, the sky positions and, when a 3D setting
// changed, the device.
#include <strings.h>
#include <unistd.h>

#include <algorithm>

#include "Catalogues.h"
#include "InstallPath.h"
#include "Nuvarine2View.h"
#include "OptionsDialog.h"
#include "Resource.h"
#include "SolarSystemTypes.h"

int g_lastOptionsPage = 0;

namespace {

// Texts of values 1 to 3 of the constellation-name and star-label choices.
constexpr UINT kLanguageStrings[3] = {1042, 1043, 1044};
constexpr UINT kStarLabelStrings[3] = {1045, 1046, 1047};

CString ChoiceText(const UINT (&strings)[3], int value) {
  return value >= 1 && value <= 3 ? AfxString(strings[value - 1]) : CString();
}

// The value whose text is exactly `text`; 0 when none is.
int ChoiceValue(const UINT (&strings)[3], const CString& text) {
  for (int i = 0; i < 3; ++i)
    if (text == AfxString(strings[i])) return i + 1;
  return 0;
}

// The file name of a path (either separator).
CString FileNamePart(const CString& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : CString(path.substr(cut + 1));
}

bool SameIgnoringCase(const CString& a, const CString& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

// Record indices of the listed names (first record of each name, any case);
// names without a record are dropped. Returns how many were found.
template <typename NameOf>
int MatchNames(const CString* names, int nameCount, int recordCount, NameOf nameOf, int* indices) {
  int found = 0;
  nameCount = std::max(0, std::min(nameCount, kSelectionCapacity));
  for (int j = 0; j < nameCount; ++j) {
    for (int i = 0; i < recordCount; ++i) {
      if (SameIgnoringCase(names[j], nameOf(i))) {
        indices[found++] = i;
        break;
      }
    }
  }
  return found;
}

}  // namespace

OptionsSettings CNuvarine2View::OptionsFromView() const {
  OptionsSettings s;
  s.showConstellationNames = m_showConstellationNames;
  s.showConstellationBorders = m_showConstellationBorders;
  s.showConstellationFigures = m_showConstellationFigures;
  s.constellationLanguageText = ChoiceText(kLanguageStrings, m_constellationNameLanguage);
  s.showStarNames = m_showStarNames;
  s.useSky2000 = m_useSky2000;
  s.useTycho2 = m_useTycho2;
  s.starMagnitudeLimit = m_starMagnitudeLimit;
  s.magnitudeZero = m_magnitudeZero;
  s.starNameStyleText = ChoiceText(kStarLabelStrings, m_starNameStyle);
  s.starPicturePath = m_installFolder + "\\textures\\stars\\" + m_starPictureFile;
  s.showDeepSkyObjects = m_showDeepSkyObjects;
  s.showDeepSkyNames = m_showDeepSkyNames;
  s.showDeepSkyPictures = m_showDeepSkyPictures;
  s.deepSkyMagnitudeLimit = m_deepSkyMagnitudeLimit;
  s.milkyWay = m_milkyWay;
  s.milkyWayLuminosity = m_milkyWayLuminosity - 3;
  s.showPlanetNames = m_showPlanetNames;
  s.showComets = m_showComets;
  s.showAsteroids = m_showAsteroids;
  s.showOrbits = m_showOrbits;
  s.cometMagnitudeLimit = m_cometMagnitudeLimit;
  s.asteroidMagnitudeLimit = m_asteroidMagnitudeLimit;
  for (int i = 0; i < g_cometCount; ++i) s.cometNames.push_back(g_comets[i].name);
  for (int i = 0; i < g_asteroidCount; ++i) s.asteroidNames.push_back(g_asteroids[i].name);
  std::fill(std::begin(s.selectedComets), std::end(s.selectedComets), -1);
  std::fill(std::begin(s.selectedAsteroids), std::end(s.selectedAsteroids), -1);
  s.selectedCometCount = MatchNames(
      g_displayedCometNames, g_displayedCometCount, g_cometCount, [](int i) { return CString(g_comets[i].name); },
      s.selectedComets);
  s.selectedAsteroidCount = MatchNames(
      g_displayedAsteroidNames, g_displayedAsteroidCount, g_asteroidCount,
      [](int i) { return CString(g_asteroids[i].name); }, s.selectedAsteroids);
  s.showRule = m_showRule;
  s.showEquatorialGrid = m_showEquatorialGrid;
  s.showHorizontalGrid = m_showHorizontalGrid;
  s.showEquator = m_showEquator;
  s.showEcliptic = m_showEcliptic;
  s.showStatusLine = m_showStatusLine;
  s.naturalSkyColor = m_naturalSkyColor;
  s.showLandscape = m_showLandscape;
  s.showCloudySky = m_showCloudySky;
  s.landscapeElevation = static_cast<signed char>(m_landscapeElevation);
  s.landscapeOrientation = m_landscapeOrientation;
  s.landscapePath = m_installFolder + "\\textures\\landscapes\\" + m_landscapeFile;
  s.setiClientStatePath = m_setiClientStatePath;
  s.showSetiWorkUnits = m_showSetiWorkUnits;
  s.antialiasing = m_antialiasing;
  s.textureLevel = m_textureLevel;
  s.bumpMapping = m_bumpMapping;
  s.showAtmospheres = m_showAtmospheres;
  s.reflection = m_reflection;
  s.lensFlare = m_lensFlare;
  s.wireframe = m_wireframe;
  s.textureCompression = m_textureCompression;
  s.cloudShadows = m_cloudShadows;
  s.realTimeCloudMap = m_realTimeCloudMap;
  s.depthStencilFormat = m_depthStencilFormat;
  s.presentInterval = m_presentInterval;
  s.mipMapping = m_mipMapping ? 1 : 0;
  s.vertexProcessing = m_vertexProcessing;
  s.multisample2Supported = m_multisample2Accepted;
  s.multisample4Supported = m_multisample4Accepted;
  s.computeSatellitePositions = m_computeSatellitePositions;
  s.showSatelliteNames = m_showSatelliteNames;
  return s;
}

void CNuvarine2View::OptionsToView(const OptionsSettings& s) {
  if (const int language = ChoiceValue(kLanguageStrings, s.constellationLanguageText))
    m_constellationNameLanguage = static_cast<BYTE>(language);
  if (const int style = ChoiceValue(kStarLabelStrings, s.starNameStyleText)) m_starNameStyle = static_cast<BYTE>(style);
  m_showConstellationNames = s.showConstellationNames;
  m_showConstellationBorders = s.showConstellationBorders;
  m_showConstellationFigures = s.showConstellationFigures;
  m_showStarNames = s.showStarNames;
  m_useSky2000 = s.useSky2000;
  m_useTycho2 = s.useTycho2;
  m_starMagnitudeLimit = static_cast<float>(s.starMagnitudeLimit);
  m_magnitudeZero = static_cast<float>(s.magnitudeZero);
  m_starPictureFile = FileNamePart(s.starPicturePath);
  m_showDeepSkyObjects = s.showDeepSkyObjects;
  m_showDeepSkyNames = s.showDeepSkyNames;
  m_showDeepSkyPictures = s.showDeepSkyPictures;
  m_deepSkyMagnitudeLimit = s.deepSkyMagnitudeLimit;
  m_milkyWay = static_cast<BYTE>(s.milkyWay);
  m_milkyWayLuminosity = static_cast<BYTE>(s.milkyWayLuminosity + 3);
  m_showPlanetNames = s.showPlanetNames;
  m_showComets = s.showComets;
  m_showAsteroids = s.showAsteroids;
  m_showOrbits = s.showOrbits;
  m_cometMagnitudeLimit = s.cometMagnitudeLimit;
  m_asteroidMagnitudeLimit = s.asteroidMagnitudeLimit;
  // The picks become the displayed lists (never more than a list holds, and
  // only indices of loaded records).
  auto take = [](const int* picks, int count, int recordCount, auto nameOf, CString* names, int* indices) {
    int kept = 0;
    count = std::max(0, std::min(count, kSelectionCapacity));
    for (int i = 0; i < count; ++i) {
      if (picks[i] < 0 || picks[i] >= recordCount) continue;
      names[kept] = nameOf(picks[i]);
      indices[kept++] = picks[i];
    }
    return kept;
  };
  g_displayedCometCount = take(
      s.selectedComets, s.selectedCometCount, g_cometCount, [](int i) { return CString(g_comets[i].name); },
      g_displayedCometNames, g_displayedCometIndices);
  g_displayedAsteroidCount = take(
      s.selectedAsteroids, s.selectedAsteroidCount, g_asteroidCount, [](int i) { return CString(g_asteroids[i].name); },
      g_displayedAsteroidNames, g_displayedAsteroidIndices);
  m_showRule = s.showRule;
  m_showEquatorialGrid = s.showEquatorialGrid;
  m_showHorizontalGrid = s.showHorizontalGrid;
  m_showEquator = s.showEquator;
  m_showEcliptic = s.showEcliptic;
  m_showStatusLine = s.showStatusLine;
  m_naturalSkyColor = s.naturalSkyColor;
  m_showLandscape = s.showLandscape;
  m_showCloudySky = s.showCloudySky;
  m_landscapeElevation = static_cast<BYTE>(static_cast<signed char>(s.landscapeElevation));
  m_landscapeOrientation = s.landscapeOrientation;
  m_landscapeFile = FileNamePart(s.landscapePath);
  m_setiClientStatePath = s.setiClientStatePath;
  m_showSetiWorkUnits = s.showSetiWorkUnits;
  m_antialiasing = static_cast<BYTE>(s.antialiasing);
  m_textureLevel = static_cast<BYTE>(s.textureLevel);
  m_bumpMapping = static_cast<BYTE>(s.bumpMapping);
  m_showAtmospheres = s.showAtmospheres;
  m_reflection = s.reflection;
  m_lensFlare = s.lensFlare;
  m_wireframe = s.wireframe;
  m_textureCompression = s.textureCompression;
  m_cloudShadows = s.cloudShadows;
  m_realTimeCloudMap = s.realTimeCloudMap;
  m_depthStencilFormat = s.depthStencilFormat;
  m_presentInterval = s.presentInterval;
  m_mipMapping = s.mipMapping == 1;
  m_vertexProcessing = static_cast<BYTE>(s.vertexProcessing);
  m_computeSatellitePositions = s.computeSatellitePositions;
  m_showSatelliteNames = s.showSatelliteNames;
  // The live cloud map is drawn on the atmospheres.
  if (m_realTimeCloudMap) m_showAtmospheres = true;
}

CNuvarine2View::DeviceSettings CNuvarine2View::CurrentDeviceSettings() const {
  DeviceSettings d;
  d.showAtmospheres = m_showAtmospheres;
  d.antialiasing = m_antialiasing;
  d.textureLevel = m_textureLevel;
  d.bumpMapping = m_bumpMapping;
  // The drawing reads only whether the Milky Way is shown.
  d.milkyWayShown = m_milkyWay > 0;
  d.lensFlare = m_lensFlare;
  d.starPictureFile = m_starPictureFile;
  d.landscapeFile = m_landscapeFile;
  d.wireframe = m_wireframe;
  d.depthStencilFormat = m_depthStencilFormat;
  d.presentInterval = m_presentInterval;
  d.textureCompression = m_textureCompression;
  d.showCloudySky = m_showCloudySky;
  d.mipMapping = m_mipMapping;
  d.reflection = m_reflection;
  d.realTimeCloudMap = m_realTimeCloudMap;
  return d;
}

bool CNuvarine2View::DeviceSettings::operator==(const DeviceSettings& o) const {
  return showAtmospheres == o.showAtmospheres && antialiasing == o.antialiasing && textureLevel == o.textureLevel &&
         bumpMapping == o.bumpMapping && milkyWayShown == o.milkyWayShown && lensFlare == o.lensFlare &&
         SameIgnoringCase(starPictureFile, o.starPictureFile) && SameIgnoringCase(landscapeFile, o.landscapeFile) &&
         wireframe == o.wireframe && depthStencilFormat == o.depthStencilFormat &&
         presentInterval == o.presentInterval && textureCompression == o.textureCompression &&
         showCloudySky == o.showCloudySky && mipMapping == o.mipMapping && reflection == o.reflection &&
         realTimeCloudMap == o.realTimeCloudMap;
}

INT_PTR CNuvarine2View::RunOptionsDialog(Options& dialog) { return RunDialog(dialog); }

void CNuvarine2View::OnConfiguration() {
  const DeviceSettings before = CurrentDeviceSettings();
  const BYTE vertexProcessingBefore = m_vertexProcessing;

  Options dialog;
  dialog.m_settings = OptionsFromView();
  dialog.m_currentPage = g_lastOptionsPage;
  dialog.m_restoreDefaults = false;
  const INT_PTR result = RunOptionsDialog(dialog);
  g_lastOptionsPage = dialog.m_currentPage;
  if (result != IDOK) return;

  // "By default" ends without reading the pages: the values copied in go
  // back unchanged, then the defaults replace what they cover.
  OptionsToView(dialog.m_settings);
  if (m_showSetiWorkUnits && !LoadSetiWorkUnit(m_setiClientStatePath)) m_showSetiWorkUnits = false;
  // The star tiles the new settings call for load at the next frame.
  g_sky2000StarCount = 0;
  g_tycho2StarCount = 0;
  g_tycho2Part2StarCount = 0;
  std::fill(std::begin(m_sky2000TileSlots), std::end(m_sky2000TileSlots), 0);
  std::fill(std::begin(m_tycho2TileSlots), std::end(m_tycho2TileSlots), 0);
  if (::chdir(ResolveInstallPath(m_installFolder, ".").c_str()) != 0) {
    // Paths used later are absolute: nothing depends on the current folder.
  }
  if (dialog.m_restoreDefaults) SetDefaultSettings();
  UpdateSkyPositions();

  if (m_vertexProcessing != vertexProcessingBefore)
    ::MessageBox(GetSafeHwnd(), AfxString(304).c_str(), "Nuvarine 2.0", MB_OK);
  if (!(CurrentDeviceSettings() == before)) {
    ShowLoadingMessage(2, IDS_INITIALIZING_3D, "");
    m_loadingWindow = 2;
    ResetObjectsForSwitch();
  }
}
