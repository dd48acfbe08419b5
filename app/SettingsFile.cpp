#include <cmath>
#include <cstring>

#include "IniFile.h"
#include "InstallPath.h"
#include "NumberFormat.h"
#include "SettingsKeys.h"
#include "ViewSettings.h"

const char* const kObservationSection = "Observation Settings";

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 0.017453292519943295;

const char* const kApplication = "Application Settings";
const char* const kUpdate = "Update Settings";
const char* const kDss = "DSS Settings";
const char* const kAnimation = "Animation Settings";
const char* const kTelescope = "Telescope";
const char* const kFonts = "Fonts and colors";
const char* const k3D = "3D Settings";
const char* const kInternet = "Internet";
const char* const kGps = "GPS";
const char* const kComets = "Comets";
const char* const kAsteroids = "Asteroids";

// Label font kinds kept in the file, in writer order, with their key prefixes.
struct FontKeys {
  int kind;
  const char* prefix;
};
const FontKeys kFontKeys[] = {
    {0, "Stars names"}, {1, "Deep Sky names"}, {4, "Constellation name"}, {2, "Planets names"},
    {3, "Rule"},        {5, "Ecliptic"},       {6, "Equator"},            {7, "Comets"},
    {8, "Asteroids"},   {10, "Grids"},         {11, "Probes"},
};

CString SettingsFilePath(const CViewSettings& view, const CString& path) {
  const CString designed = path.IsEmpty() ? CString(view.m_installFolder + "\\nuvarine.ini") : path;
  return CString(ResolveInstallPath("", designed));
}

void WriteKey(CIniFile& ini, const SettingKey& k) {
  const char* key = k.key.c_str();
  const char* s = k.section;
  switch (k.kind) {
    case SettingKind::Degrees:
      ini.SetDouble(key, "", s, *static_cast<double*>(k.member) * kDegreesPerRadian);
      break;
    case SettingKind::Double:
      ini.SetDouble(key, "", s, *static_cast<double*>(k.member));
      break;
    case SettingKind::Float:
      ini.SetDouble(key, "", s, *static_cast<float*>(k.member));
      break;
    case SettingKind::Int:
    case SettingKind::SignedLowByte:
    case SettingKind::IntReadAsDouble:
      ini.SetInt(key, *static_cast<int*>(k.member), "", s);
      break;
    case SettingKind::Byte:
    case SettingKind::ByteAnyValue:
      ini.SetInt(key, static_cast<signed char>(*static_cast<BYTE*>(k.member)), "", s);
      break;
    case SettingKind::ItalicByte:
      ini.SetInt(key, *static_cast<BYTE*>(k.member), "", s);
      break;
    case SettingKind::UIntAnyValue:
    case SettingKind::Colour:
      ini.SetInt(key, static_cast<int32_t>(*static_cast<uint32_t*>(k.member)), "", s);
      break;
    case SettingKind::Bool:
      ini.SetBool(key, *static_cast<bool*>(k.member), "", s);
      break;
    case SettingKind::LevelAsBool:
      ini.SetBool(key, *static_cast<BYTE*>(k.member) > 0, "", s);
      break;
    case SettingKind::String:
      ini.SetString(key, static_cast<CString*>(k.member)->c_str(), "", s);
      break;
    case SettingKind::Char: {
      const char text[2] = {*static_cast<char*>(k.member), '\0'};
      ini.SetString(key, text, "", s);
      break;
    }
    case SettingKind::FaceName: {
      const char* face = static_cast<const char*>(k.member);
      ini.SetString(key, CString(face, strnlen(face, LF_FACESIZE - 1)).c_str(), "", s);
      break;
    }
  }
}

// Reads one key into its member; returns false only when a number key was
// missing (the observation block stops there).
bool ReadKey(const CIniFile& ini, const SettingKey& k) {
  const char* key = k.key.c_str();
  const char* s = k.section;
  switch (k.kind) {
    case SettingKind::Degrees:
    case SettingKind::Double:
    case SettingKind::Float: {
      const double d = ini.GetDouble(key, s);
      // "inf" or "nan" is no value: the member keeps what it had, as for a
      // missing key.
      if (d == kIniMissingDouble || !std::isfinite(d)) return false;
      if (k.kind == SettingKind::Degrees)
        *static_cast<double*>(k.member) = d * kRadiansPerDegree;
      else if (k.kind == SettingKind::Double)
        *static_cast<double*>(k.member) = d;
      else
        *static_cast<float*>(k.member) = static_cast<float>(d);
      return true;
    }
    case SettingKind::IntReadAsDouble: {
      const double d = ini.GetDouble(key, s);
      if (d == kIniMissingDouble || std::isnan(d)) return false;
      // Cut toward zero; a number beyond the int range is held at its end.
      int v = 0;
      if (d >= 2147483647.0)
        v = 2147483647;
      else if (d <= -2147483648.0)
        v = -2147483647 - 1;
      else if (!std::isnan(d))
        v = static_cast<int>(d);
      *static_cast<int*>(k.member) = v;
      return true;
    }
    case SettingKind::Int:
    case SettingKind::SignedLowByte:
    case SettingKind::Byte:
    case SettingKind::ItalicByte:
    case SettingKind::Colour: {
      const long n = ini.GetInt(key, s);
      if (n == kIniMissingInt) return false;
      if (k.kind == SettingKind::Int)
        *static_cast<int*>(k.member) = static_cast<int>(n);
      else if (k.kind == SettingKind::SignedLowByte)
        *static_cast<int*>(k.member) = static_cast<signed char>(static_cast<unsigned long>(n) & 0xFF);
      else if (k.kind == SettingKind::Colour)
        *static_cast<uint32_t*>(k.member) = static_cast<uint32_t>(n);
      else
        *static_cast<BYTE*>(k.member) = static_cast<BYTE>(static_cast<unsigned long>(n) & 0xFF);
      return true;
    }
    case SettingKind::ByteAnyValue:
      *static_cast<BYTE*>(k.member) = static_cast<BYTE>(static_cast<unsigned long>(ini.GetInt(key, s)) & 0xFF);
      return true;
    case SettingKind::UIntAnyValue:
      *static_cast<uint32_t*>(k.member) = static_cast<uint32_t>(ini.GetInt(key, s));
      return true;
    case SettingKind::Bool:
      *static_cast<bool*>(k.member) = ini.GetBool(key, s);
      return true;
    case SettingKind::LevelAsBool:
      *static_cast<BYTE*>(k.member) = ini.GetBool(key, s) ? 1 : 0;
      return true;
    case SettingKind::String: {
      const CString v = ini.GetString(key, s);
      if (!v.IsEmpty()) *static_cast<CString*>(k.member) = v;
      return true;
    }
    case SettingKind::Char: {
      const CString v = ini.GetString(key, s);
      if (!v.IsEmpty()) *static_cast<char*>(k.member) = v[0];
      return true;
    }
    case SettingKind::FaceName: {
      const CString v = ini.GetString(key, s);
      if (!v.IsEmpty()) {
        // Longer names are cut to the field's 31 characters.
        char* face = static_cast<char*>(k.member);
        std::memset(face, 0, LF_FACESIZE);
        std::memcpy(face, v.data(), v.size() < LF_FACESIZE - 1 ? v.size() : LF_FACESIZE - 1);
      }
      return true;
    }
  }
  return true;
}

int BoundedCount(int count) { return count < 0 ? 0 : (count > kDisplayListSize ? kDisplayListSize : count); }

void WriteList(CIniFile& ini, const char* section, const char* countKey, const char* entryFormat, int count,
               const CString* names) {
  const int n = BoundedCount(count);
  ini.SetInt(countKey, n, "", section);
  for (int i = 0; i < n; ++i) ini.SetString(FormatC(entryFormat, i).c_str(), names[i].c_str(), "", section);
}

void ReadList(const CIniFile& ini, const char* section, const char* countKey, const char* entryFormat, int& count,
              CString* names) {
  const long n = ini.GetInt(countKey, section);
  if (n == kIniMissingInt) return;
  // A count beyond the list's capacity is held at the capacity.
  count = BoundedCount(static_cast<int>(n));
  for (int i = 0; i < count; ++i) {
    const CString v = ini.GetString(FormatC(entryFormat, i).c_str(), section);
    if (!v.IsEmpty()) names[i] = v;
  }
}

}  // namespace

std::vector<SettingKey> SettingsKeyTable(CViewSettings& v) {
  using K = SettingKind;
  std::vector<SettingKey> t;
  t.reserve(190);
  auto add = [&t](const char* section, const char* key, K kind, void* member, bool deviceKey = false) {
    t.push_back(SettingKey{section, CString(key), kind, member, deviceKey});
  };

  add(kObservationSection, "Latitude", K::Degrees, &v.m_observerLatitude);
  add(kObservationSection, "Longitude", K::Degrees, &v.m_observerLongitude);
  add(kObservationSection, "UTCP", K::Double, &v.m_utcOffset);
  add(kObservationSection, "Pressure", K::Double, &v.m_pressure);
  add(kObservationSection, "Temperature", K::Double, &v.m_temperature);
  add(kObservationSection, "Elevation", K::Double, &v.m_observerElevation);

  add(kApplication, "Magnitude0", K::Float, &v.m_magnitudeZero);
  add(kApplication, "Star magnitude limit", K::Float, &v.m_starMagnitudeLimit);
  add(kApplication, "Deep Sky magnitude limit", K::Double, &v.m_deepSkyMagnitudeLimit);
  add(kApplication, "Milk Way luminosity", K::Byte, &v.m_milkyWayLuminosity);
  add(kApplication, "Comets magnitude limit", K::Double, &v.m_cometMagnitudeLimit);
  add(kApplication, "Asteroids magnitude limit", K::Double, &v.m_asteroidMagnitudeLimit);
  add(kApplication, "Constellations Language", K::Byte, &v.m_constellationNameLanguage);
  add(kApplication, "Stars names Language", K::Byte, &v.m_starNameStyle);
  add(kApplication, "Landscape elevation", K::Byte, &v.m_landscapeElevation);
  add(kApplication, "Landscape orientation", K::Int, &v.m_landscapeOrientation);
  add(kApplication, "Cloudy sky", K::Bool, &v.m_showCloudySky);
  add(kApplication, "Real time cloud map", K::Bool, &v.m_realTimeCloudMap);
  add(kApplication, "Coordinates", K::Bool, &v.m_showRule);
  add(kApplication, "Planets Names", K::Bool, &v.m_showPlanetNames);
  add(kApplication, "Constellations Names", K::Bool, &v.m_showConstellationNames);
  add(kApplication, "Stars Names", K::Bool, &v.m_showStarNames);
  add(kApplication, "Constellation Borders", K::Bool, &v.m_showConstellationBorders);
  add(kApplication, "Deep Sky Objects", K::Bool, &v.m_showDeepSkyObjects);
  add(kApplication, "Deep Sky Objects Names", K::Bool, &v.m_showDeepSkyNames);
  add(kApplication, "Constellations Figures", K::Bool, &v.m_showConstellationFigures);
  add(kApplication, "Landscape", K::Bool, &v.m_showLandscape);
  add(kApplication, "Status line", K::Bool, &v.m_showStatusLine);
  add(kApplication, "Equator", K::Bool, &v.m_showEquator);
  add(kApplication, "Ecliptic", K::Bool, &v.m_showEcliptic);
  add(kApplication, "Sky2000", K::Bool, &v.m_useSky2000);
  add(kApplication, "Tycho2", K::Bool, &v.m_useTycho2);
  add(kApplication, "Deep Sky Objects pictures", K::Bool, &v.m_showDeepSkyPictures);
  add(kApplication, "Show Comets", K::Bool, &v.m_showComets);
  add(kApplication, "Show asteroids", K::Bool, &v.m_showAsteroids);
  add(kApplication, "Compute satellites positions", K::Bool, &v.m_computeSatellitePositions);
  add(kApplication, "Show satellites names", K::Bool, &v.m_showSatelliteNames);
  add(kApplication, "Sky", K::Bool, &v.m_naturalSkyColor);
  add(kApplication, "Show AR Grid", K::Bool, &v.m_showEquatorialGrid);
  add(kApplication, "Show AZ Grid", K::Bool, &v.m_showHorizontalGrid);
  add(kApplication, "Show orbits", K::Bool, &v.m_showOrbits);
  add(kApplication, "Show Milk Way", K::LevelAsBool, &v.m_milkyWay);
  add(kApplication, "Seti", K::Bool, &v.m_showSetiWorkUnits);
  add(kApplication, "Planetarium", K::Bool, &v.m_planetariumMode);
  add(kApplication, "Landscape path", K::String, &v.m_landscapeFile);
  add(kApplication, "Seti path", K::String, &v.m_setiClientStatePath);
  add(kApplication, "Zoom Value", K::Float, &v.m_zoomStep);
  add(kApplication, "Edit tips at startup", K::Bool, &v.m_showTipsAtStartup);
  add(kApplication, "Edit alerts at startup", K::Bool, &v.m_showAlertsAtStartup);
  add(kApplication, "Show alert about time zone", K::Bool, &v.m_showTimeZoneAlert);
  add(kApplication, "Moon scale factor", K::Float, &v.m_moonScaleFactor);
  add(kApplication, "Sun scale factor", K::Float, &v.m_sunScaleFactor);
  add(kApplication, "Sky color (red)", K::Byte, &v.m_skyColorRed);
  add(kApplication, "Sky color (green)", K::Byte, &v.m_skyColorGreen);
  add(kApplication, "Sky color (blue)", K::Byte, &v.m_skyColorBlue);

  add(kUpdate, "Automatic", K::Bool, &v.m_autoUpdateElements);
  add(kUpdate, "Comets", K::Bool, &v.m_autoUpdateComets);
  add(kUpdate, "Asteroids", K::Bool, &v.m_autoUpdateAsteroids);
  add(kUpdate, "Satellites", K::Bool, &v.m_autoUpdateSatellites);

  add(kDss, "On", K::Bool, &g_dssEnabled);
  add(kDss, "Server", K::ByteAnyValue, &g_dssServer);
  add(kDss, "Mode", K::ByteAnyValue, &g_dssMode);
  add(kDss, "Options", K::ByteAnyValue, &g_dssOptions);

  add(kAnimation, "Methode", K::IntReadAsDouble, &v.m_animationMethod);
  add(kAnimation, "Days span", K::Double, &v.m_animationStepDays);
  add(kAnimation, "Hours span", K::Double, &v.m_animationStepHours);
  add(kAnimation, "Minutes span", K::Double, &v.m_animationStepMinutes);
  add(kAnimation, "Secondes span", K::Double, &v.m_animationStepSeconds);
  add(kAnimation, "FPS", K::Double, &v.m_animationFps);
  add(kAnimation, "Animation X", K::Double, &v.m_animationSpeedFactor);
  add(kAnimation, "Automatique", K::Bool, &v.m_animationAutomatic);
  add(kAnimation, "Real time", K::Bool, &v.m_realTime);

  add(kTelescope, "Drivers type LX200", K::Bool, &v.m_useLx200Driver);
  add(kTelescope, "Serial port", K::String, &g_telescopePort);
  add(kTelescope, "Speed", K::Int, &g_telescopeBaudRate);
  add(kTelescope, "Parity", K::Char, &g_telescopeParity);
  add(kTelescope, "Data bits", K::Int, &g_telescopeDataBits);
  add(kTelescope, "Stop bits", K::Int, &g_telescopeStopBits);

  add(kFonts, "Borders color", K::Colour, &v.m_borderColor);
  add(kFonts, "Figures color", K::Colour, &v.m_figureColor);
  add(kFonts, "Stars names color", K::Colour, &v.m_starNameColor);
  add(kFonts, "Deek Sky names color", K::Colour, &v.m_deepSkyNameColor);
  add(kFonts, "Constellations names color", K::Colour, &v.m_constellationNameColor);
  add(kFonts, "Planets names color", K::Colour, &v.m_planetNameColor);
  add(kFonts, "Rule color", K::Colour, &v.m_ruleColor);
  add(kFonts, "Ecliptic color", K::Colour, &v.m_eclipticColor);
  add(kFonts, "Equateur color", K::Colour, &v.m_equatorColor);
  add(kFonts, "Comets names color", K::Colour, &v.m_cometNameColor);
  add(kFonts, "Asteroids names color", K::Colour, &v.m_asteroidNameColor);
  add(kFonts, "Grids color", K::Colour, &v.m_gridColor);
  add(kFonts, "Probes names color", K::Colour, &v.m_probeNameColor);
  add(kFonts, "Horizon line color", K::Colour, &v.m_horizonLineColor);
  add(kFonts, "Orbits line color", K::Colour, &v.m_orbitLineColor);
  for (const FontKeys& f : kFontKeys)
    add(kFonts, (CString(f.prefix) + " font").c_str(), K::FaceName, v.m_labelLogFonts[f.kind].lfFaceName);
  for (const FontKeys& f : kFontKeys)
    add(kFonts, (CString(f.prefix) + " font size").c_str(), K::Int, &v.m_labelLogFonts[f.kind].lfHeight);
  for (const FontKeys& f : kFontKeys)
    add(kFonts, (CString(f.prefix) + " font bold").c_str(), K::Int, &v.m_labelLogFonts[f.kind].lfWeight);
  for (const FontKeys& f : kFontKeys)
    add(kFonts, (CString(f.prefix) + " font italic").c_str(), K::ItalicByte, &v.m_labelLogFonts[f.kind].lfItalic);

  add(k3D, "Texture level", K::Byte, &v.m_textureLevel);
  add(k3D, "Antialiasing", K::Byte, &v.m_antialiasing);
  add(k3D, "Bump mapping", K::Byte, &v.m_bumpMapping);
  add(k3D, "LensFlare", K::Bool, &v.m_lensFlare);
  add(k3D, "Reflection", K::Bool, &v.m_reflection);
  add(k3D, "Atmospheres", K::Bool, &v.m_showAtmospheres);
  add(k3D, "Cloud shadows", K::Bool, &v.m_cloudShadows);
  add(k3D, "Wire", K::Bool, &v.m_wireframe);
  add(k3D, "Star picture", K::String, &v.m_starPictureFile);
  add(k3D, "Back Buffer", K::Int, &v.m_depthStencilFormat, true);
  add(k3D, "Interval", K::UIntAnyValue, &v.m_presentInterval, true);
  add(k3D, "MipMapping", K::Bool, &v.m_mipMapping, true);
  add(k3D, "Compression", K::Bool, &v.m_textureCompression, true);
  add(k3D, "VProcessing", K::Byte, &v.m_vertexProcessing, true);

  add(kInternet, "Use proxy", K::Bool, &v.m_useProxy);
  add(kInternet, "Proxy name", K::String, &v.m_proxyName);

  add(kGps, "Serial port", K::SignedLowByte, &v.m_gpsPort);
  add(kGps, "Speed", K::Int, &v.m_gpsBaudRate);
  add(kGps, "Parity", K::SignedLowByte, &v.m_gpsParity);
  add(kGps, "Data bits", K::SignedLowByte, &v.m_gpsDataBits);
  add(kGps, "Stop bits", K::SignedLowByte, &v.m_gpsStopBits);
  add(kGps, "Device", K::String, &v.m_gpsDevice);
  return t;
}

bool CViewSettings::SaveSettings(const CString& path) {
  const CString file = SettingsFilePath(*this, path);
  m_settingsSaveProblem.Empty();
  m_settingsKeptCopy.Empty();
  // What the file holds beyond what was read would be lost: a copy is kept
  // beside it first, or the file is left alone.
  const bool unread = !m_unreadSettingsFile.IsEmpty() && file == m_unreadSettingsFile;
  if (unread) {
    std::string copy, problem;
    if (!KeepCopyBeside(file.c_str(), copy, problem)) {
      m_settingsSaveProblem = "the file was not read whole at start and " + problem;
      return false;
    }
    m_settingsKeptCopy = copy;
  }
  CIniFile ini;
  ini.Create();
  for (const SettingKey& k : SettingsKeyTable(*this)) {
    if (k.deviceKey && !m_videoConfigValid) continue;
    WriteKey(ini, k);
  }
  WriteList(ini, kComets, "Number of comets", "Comets nb %i", g_displayedCometCount, g_displayedCometNames);
  WriteList(ini, kAsteroids, "Number of asteroids", "Asteroids nb %i", g_displayedAsteroidCount,
            g_displayedAsteroidNames);
  if (!ini.Save(file.c_str())) {
    m_settingsSaveProblem = ini.GetProblem();
    return false;
  }
  if (unread) m_unreadSettingsFile.Empty();
  return true;
}

bool CViewSettings::LoadSettings(const CString& path) {
  const CString file = SettingsFilePath(*this, path);
  CIniFile ini;
  // A missing file reads like one without keys; one that is there but
  // cannot be read, or whose observation block stops the reading, is noted
  // so that the save keeps a copy of it.
  const bool loaded = ini.Load(file.c_str());
  auto unread = [&](const CString& reason) {
    m_unreadSettingsFile = file;
    m_unreadSettingsReason = reason;
  };
  if (file == m_unreadSettingsFile) m_unreadSettingsFile.Empty();
  if (!loaded && !ini.LoadFoundNoFile()) unread("it cannot be read: " + ini.GetProblem());
  const std::vector<SettingKey> table = SettingsKeyTable(*this);
  for (const SettingKey& k : table) {
    // The observation block comes first and stops at its first gap.
    if (k.section == kObservationSection) {
      if (!ReadKey(ini, k)) {
        if (loaded) unread("its observation block lacks a valid \"" + k.key + "\", so nothing after it was read");
        ini.Close();
        return false;
      }
    } else {
      ReadKey(ini, k);
    }
  }
  ReadList(ini, kComets, "Number of comets", "Comets nb %i", g_displayedCometCount, g_displayedCometNames);
  ReadList(ini, kAsteroids, "Number of asteroids", "Asteroids nb %i", g_displayedAsteroidCount,
           g_displayedAsteroidNames);
  MatchDisplayedLists();
  BoundSettingsRead();
  ini.Close();
  return true;
}
