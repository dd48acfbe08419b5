// The program's start-up, run while the view window is being created: the
// saved colours, defaults and settings, every catalogue, the precomputed
// tables, the planet library (the one step whose failure ends the program),
// the clock, the observer terms, the grids, the saved mode and the version
// texts.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Catalogues.h"
#include "Cp1252.h"
#include "ConstellationTables.h"
#include "FileVersionInfo.h"
#include "InstallPath.h"
#include "Nuvarine2View.h"
#include "NumberFormat.h"
#include "ProcessObjects.h"
#include "ProgramUpdate.h"
#include "RegularFile.h"
#include "Registry.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "SysColors.h"
#include "UiDefs.h"

namespace {

constexpr double kGridStep = 0.1308996938995747;  // 7.5 degrees
constexpr double kDegree = kPi / 180.0;

double IntoTwoPi(double a) {
  a = std::fmod(a, kTwoPi);
  return a < 0.0 ? a + kTwoPi : a;
}

}  // namespace

const int g_sysColorElements[13] = {16, 22, 14, 15, 2, 10, 12, 4, 7, 20, 9, 8, 5};
const COLORREF g_nightVisionColors[13] = {RGB(150, 0, 0),     RGB(200, 0, 0),     RGB(150, 150, 150), RGB(100, 0, 0),
                                          RGB(80, 0, 0),      RGB(100, 0, 0),     RGB(0, 0, 0),       RGB(0, 0, 0),
                                          RGB(150, 150, 150), RGB(150, 150, 150), RGB(150, 150, 150), RGB(150, 150, 150),
                                          RGB(0, 0, 0)};
COLORREF g_savedSysColors[13] = {};
namespace {
const COLORREF kStandardColors[13] = {RGB(128, 128, 128), RGB(224, 224, 224), RGB(255, 255, 255), RGB(192, 192, 192),
                                      RGB(0, 0, 128),     RGB(192, 192, 192), RGB(128, 128, 128), RGB(192, 192, 192),
                                      RGB(0, 0, 0),       RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),
                                      RGB(255, 255, 255)};
}  // namespace

BorderSegment BuildBorderSegment(double a, double d1, double b, double d2) {
  BorderSegment s{};
  double da = d1 + (d2 - d1) / 3.0;
  if (da >= 1.4707963267948965) {
    a = IntoTwoPi(a + kPi);
    b = IntoTwoPi(b + kPi);
    da = kPi - da;
  }
  s.declination1 = da;
  double d = IntoTwoPi(a - b);
  if (d > kPi) d = kTwoPi - d;
  const bool forward = a < b ? !(a < 1.0 && b > 5.0) : (a > 5.0 && b < 1.0);
  const double sign = forward ? 1.0 : -1.0;
  s.rightAscension1 = IntoTwoPi(a + sign * d / 3.0);
  double db = d1 + 2.0 * (d2 - d1) / 3.0;
  if (db >= 1.3707963267948966) db = s.declination1;
  s.declination2 = db;
  s.rightAscension2 = IntoTwoPi(a + sign * 2.0 * d / 3.0);
  return s;
}

void ComputeObserverTerms(double latitude, double elevation, double& rhoSinPhi, double& rhoCosPhi) {
  if (std::fabs(std::fabs(latitude) - kPi / 2.0) > 0.001 && latitude != 0.0) {
    const double u = std::atan(0.99664719 * std::tan(latitude));
    rhoSinPhi = 0.99664719 * std::sin(u) + elevation * 1.5678552054360676e-07 * std::sin(latitude);
    rhoCosPhi = std::cos(u) + elevation * 1.5678552054360676e-07 * std::cos(latitude);
  } else {
    rhoSinPhi = std::sin(latitude);
    rhoCosPhi = std::cos(latitude);
  }
}

double StartupRefractionFactor(double pressure, double temperature) {
  return pressure * 0.0009869232667160128 * 273.0 / (temperature + 273.0000000001);
}

void CNuvarine2View::RecoverNightVisionColors() {
  bool night = true;
  for (int i = 0; i < 10; ++i) night = night && GetSysColor(g_sysColorElements[i]) == g_nightVisionColors[i];
  if (night) {
    HideLoadingDialogs();
    if (AfxMessageBox(AfxString(IDS_RECOVER_COLORS).c_str(), MB_YESNO) == IDYES) {
      for (int i = 0; i < 13; ++i) g_savedSysColors[i] = kStandardColors[i];
      SetSysColors(13, g_sysColorElements, g_savedSysColors);
      return;
    }
  }
  for (int i = 0; i < 13; ++i) g_savedSysColors[i] = GetSysColor(g_sysColorElements[i]);
}

bool CNuvarine2View::LoadCatalogueZones() {
  // Each zone file that was refused, empty or cut short, with the reason.
  std::vector<std::string> refused;
  auto note = [&](const char* pattern, int zone, const std::string& problem) {
    if (!problem.empty())
      refused.push_back(Utf8ToCp1252(ResolveInstallPath(m_installFolder, FormatC(pattern, zone))) + ": " + problem);
  };
  ShowLoadingMessage(1, IDS_LOADING_BSC5, "");
  if (!g_brightStars) g_brightStars = new BrightStar[kBrightStarCapacity];
  g_brightStarCount = 0;
  g_brightStarZones[0].endIndex = 0;
  bool complete = true;
  for (int zone = 1; zone <= kZoneCount; ++zone) {
    const int before = g_brightStarCount;
    std::string problem;
    if (!LoadBrightStarZone(m_installFolder, zone, &problem)) {
      // A missing or refused zone is empty: the next one starts where this one began.
      g_brightStarZones[zone].endIndex = before;
      complete = false;
    } else if (!problem.empty()) {
      complete = false;  // empty or cut short: its whole records are kept
    }
    note("\\bsc5\\%02i.dat", zone, problem);
  }
  m_loadedBrightStars = g_brightStarCount;

  ShowLoadingMessage(1, IDS_LOADING_SAC, "");
  if (!g_deepSkyObjects) g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
  g_deepSkyCount = 0;
  g_deepSkyZones[0].endIndex = 0;
  for (int zone = 1; zone <= kZoneCount; ++zone) {
    const int before = g_deepSkyCount;
    std::string problem;
    if (!LoadDeepSkyZone(m_installFolder, zone, &problem)) {
      g_deepSkyZones[zone].endIndex = before;
      complete = false;
    } else if (!problem.empty()) {
      complete = false;
    }
    note("\\sac\\%02i.dat", zone, problem);
  }
  m_loadedDeepSkyObjects = g_deepSkyCount;
  // Zone files that are all there but hold no record at all (emptied by a
  // full disk or a bad copy) leave a blank sky: that is no catalogue either.
  if (g_brightStarCount == 0 || g_deepSkyCount == 0) complete = false;
  if (!complete) {
    // Whatever could be read is kept; the user learns once that the
    // catalogues are incomplete, and which files were at fault.
    std::string text = AfxString(IDS_CATALOGUES_MISSING);
    if (!refused.empty()) {
      text += "\r\n";
      constexpr size_t kShown = 8;
      for (size_t i = 0; i < refused.size() && i < kShown; ++i) text += "\r\n" + refused[i];
      if (refused.size() > kShown) text += FormatC("\r\n(%d more)", static_cast<int>(refused.size() - kShown));
    }
    HideLoadingDialogs();
    MessageBeep(0);
    ::MessageBox(nullptr, text.c_str(), AfxString(IDS_ERROR_CAPTION).c_str(), MB_ICONEXCLAMATION);
  }
  return complete;
}

void CNuvarine2View::BuildConstellationTables() {
  ShowLoadingMessage(1, IDS_PREPARATORY, "");
  for (int i = 0; i < g_borderPointCount; ++i) {
    BorderPoint& p = g_borderPoints[i];
    p.rightAscension = HoursMinutesValue(p.rightAscension) * kPi / 12.0;
    p.declination = HoursMinutesValue(p.declination) * kDegree;
  }
  for (ConstellationEntry& c : g_constellations) {
    c.rightAscension *= kPi / 12.0;
    c.declination *= kDegree;
  }
  for (int k = 0; k < g_borderPairCount; ++k) {
    const BorderPoint& a = g_borderPoints[g_borderPointPairs[k][0]];
    const BorderPoint& b = g_borderPoints[g_borderPointPairs[k][1]];
    g_borderSegments[k] = BuildBorderSegment(a.rightAscension, a.declination, b.rightAscension, b.declination);
  }
}

void CNuvarine2View::BuildGridTables() {
  for (int i = 0; i <= 48; ++i)
    for (int j = 0; j < 20; ++j) {
      SkyPoint& p = m_horizontalGridPoints[i * 25 + j];
      p.azimuth = IntoTwoPi(i * kGridStep);
      p.altitude = (j - 2) * kGridStep;
    }
  for (int i = 0; i <= 48; ++i)
    for (int j = 0; j < kGridRowCount; ++j) {
      SkyPoint& p = m_equatorialGridPoints[i][j];
      p.rightAscension = IntoTwoPi(i * kGridStep);
      p.declination = j * kGridStep - kPi / 2.0;
      EquatorialToHorizontal(p.azimuth, p.altitude, m_localSiderealTime, p.rightAscension, p.declination);
    }
}

void CNuvarine2View::BuildEquatorAndEcliptic() {
  const double t = (m_julianDate - 2415020.0) * 2.7378507871321012e-05;
  m_obliquity = (((5.03e-07 * t - 1.64e-06) * t - 0.0130125) * t + 23.452294) * kDegree;
  m_cosObliquity = std::cos(m_obliquity);
  m_sinObliquity = std::sin(m_obliquity);
  for (int k = 0; k < kEquatorPointCount; ++k) {
    SkyPoint& e = m_equatorPoints[k];
    e.rightAscension = k * kDegree;
    e.declination = 0.0;
    EquatorialToHorizontal(e.azimuth, e.altitude, m_localSiderealTime, e.rightAscension, e.declination);
    SkyPoint& c = m_eclipticPoints[k];
    EclipticToEquatorial(c.rightAscension, k * kDegree, 0.0, c.declination);
    EquatorialToHorizontal(c.azimuth, c.altitude, m_localSiderealTime, c.rightAscension, c.declination);
  }
}

void CNuvarine2View::ReadVersionTexts() {
  CFileVersionInfo program;
  if (program.Open("nuvarine2.exe")) {
    m_programVersion = program.GetFileVersionText();
    m_privateBuildText = program.GetStringValue(0, "PrivateBuild");
    m_specialBuildText = program.GetStringValue(0, "SpecialBuild");
  }
  CFileVersionInfo library;
  if (library.Open("orbicalc.dll")) m_planetLibraryVersion = library.GetFileVersionText();
}

bool g_startupSequenceEnabled = true;

// A kill during a download or a save leaves its temporary file beside the
// target for ever: those of our own downloads and of the settings file and
// the per-user store go at start (only their own names, only in their folders).
void CNuvarine2View::RemoveLeftTemporaryFiles() {
  static const char* const kDownloaded[] = {
      "\\donnees\\cometes2.dat", "\\donnees\\asteroides.dat", "\\donnees\\asteroides2.dat",
      "\\donnees\\satellites.dat", "\\textures\\nuagestr.jpg"};
  for (const char* designed : kDownloaded) RemoveLeftTemporaries(ResolveInstallPath(m_installFolder, designed), ".part-");
  for (int c = 0; c < kComponentCount; ++c)
    RemoveLeftTemporaries(ResolveInstallPath(m_installFolder, std::string("\\update\\") + PackageFileName(c)),
                          ".part-");
  RemoveLeftTemporaries(ResolveInstallPath("", m_settingsPath), ".");
  const std::string store = GetRegistryStorePath();
  if (!store.empty()) RemoveLeftTemporaries(store, ".");
}

BOOL CNuvarine2View::PreCreateWindow(CREATESTRUCT& cs) {
  if (!g_startupSequenceEnabled) {
    CreateMovieCapture();
    return CView::PreCreateWindow(cs);
  }
  m_startupRan = true;
  ShowLoadingMessage(1, IDS_INITIALIZING, "");
  ReadRegistryDates();
  RecoverNightVisionColors();
  SetDefaultSettings();
  SetDefaultFonts();

  // Cache folders; unfinished survey downloads of an earlier run go.
  const std::filesystem::path install = ResolveInstallPath(m_installFolder, ".");
  std::error_code ignored;
  std::filesystem::create_directories(install / "cache" / "DSS", ignored);
  for (const auto& entry : std::filesystem::directory_iterator(install / "cache" / "DSS", ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("temp-", 0) == 0 && name.find(".gif") != std::string::npos)
      std::filesystem::remove(entry.path(), ignored);
  }
  RemoveLeftTemporaryFiles();

  if (!LoadAsteroids(m_installFolder)) m_showAsteroids = false;
  if (!LoadComets(m_installFolder)) m_showComets = false;
  LoadSettings(m_settingsPath);
  InitBodyConstants();
  LoadSatellites(m_installFolder);
  if (m_setiClientStatePath.Find(".xml") < 0) m_setiClientStatePath = kDefaultSetiClientStatePath;

  InitTileCentres();
  std::fill(std::begin(m_sky2000TileSlots), std::end(m_sky2000TileSlots), 0);
  std::fill(std::begin(m_tycho2TileSlots), std::end(m_tycho2TileSlots), 0);
  LoadCatalogueZones();
  BuildConstellationTables();

  for (DeepSkyPicture& p : g_deepSkyPictures) p.objectNumber = -1;
  LoadDeepSkyPictures();
  LoadOpticsFile();

  if (!LoadPlanetLibrary()) {
    // The program cannot run without it: the box for the user, and standard
    // error with a failing status for whoever started it from a script.
    std::fprintf(stderr,
                 "nuvarine2: %s: the planet library liborbicalc.so in the install folder is missing or "
                 "unusable; the program ends.\n",
                 m_planetLibraryFailure.c_str());
    ::MessageBox(nullptr, m_planetLibraryFailure.c_str(), kPlanetLibraryFailureCaption, MB_OK);
    return FALSE;
  }

  if (m_year == 0 && m_day == 0 && m_month == 0 && m_hour == 0 && m_minute == 0 && m_second == 0) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) {
      m_year = local.tm_year + 1900;
      m_month = local.tm_mon + 1;
      m_day = local.tm_mday;
      m_hour = local.tm_hour;
      m_minute = local.tm_min;
      m_second = local.tm_sec;
    } else {
      m_year = m_month = m_day = 0;
      m_hour = m_minute = m_second = -1;
    }
  }
  if (m_showSetiWorkUnits && !LoadSetiWorkUnit(m_setiClientStatePath)) m_showSetiWorkUnits = false;

  for (int i = 0; i < kBodyCount; ++i) g_bodies[i].position = Vector3d{};
  m_lockedObject = -1;

  m_cosLatitude = std::cos(m_observerLatitude);
  m_sinLatitude = std::sin(m_observerLatitude);
  m_refractionFactor = StartupRefractionFactor(m_pressure, m_temperature);
  ComputeObserverTerms(m_observerLatitude, m_observerElevation, m_rhoSinPhi, m_rhoCosPhi);

  BuildGridTables();
  m_planetariumMode = !m_planetariumMode;
  OnToggleMode();
  BuildEquatorAndEcliptic();

  ReadVersionTexts();
  if (g_telescopeLogOpen)
    WriteTelescopeLog(FormatC("\r\n\r\n---------------\r\nVersion %s\r\n\r\n", m_programVersion.c_str()).c_str());
  if (m_showAlertsAtStartup) {
    ShowLoadingMessage(1, IDS_EPHEMERIS, "");
    ComputeStartupAlerts();
  }
  InitializeOle();
  CreateMovieCapture();
  return CView::PreCreateWindow(cs);
}
