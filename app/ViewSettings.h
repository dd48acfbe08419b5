#pragma once
// The persisted settings of the main view and the routines that put them back
// to their defaults, write and read the settings file "\nuvarine.ini", and
// handle the configuration files (open, save as, import of the first
// version's binary file). No window and no drawing: the main view derives from
// this class, so every routine keeps its view method name; the file dialogs
// are the view's, which passes the chosen path to the routines here.
#include <atomic>
#include <cstdint>

#include "CString.h"
#include "SceneDeviceOptions.h"
#include "SkyModel.h"
#include "WinTypes.h"

// Capacity of each display list (comets, asteroids).
constexpr int kDisplayListSize = 101;
// Number of label fonts.
constexpr int kLabelFontCount = 12;

// ---- Process-wide settings ---------------------------------------------------
// Sky-survey images (numbered from 1; 0 names no server, type or option).
extern bool g_dssEnabled;
extern BYTE g_dssServer;
extern BYTE g_dssMode;
extern BYTE g_dssOptions;
// Cleared by a sky-survey download whose connection test fails.
extern std::atomic<bool> g_internetReachable;
// LX200 serial connection.
extern CString g_telescopePort;
extern int g_telescopeBaudRate;
extern char g_telescopeParity;  // the parity letter ('N', 'E', 'O'...)
extern int g_telescopeDataBits;
extern int g_telescopeStopBits;
// Comets and asteroids chosen for display, by element-record name, with the
// indices of the matching loaded records.
extern int g_displayedCometCount;
extern CString g_displayedCometNames[kDisplayListSize];
extern int g_displayedCometIndices[kDisplayListSize];
extern int g_displayedAsteroidCount;
extern CString g_displayedAsteroidNames[kDisplayListSize];
extern int g_displayedAsteroidIndices[kDisplayListSize];

// Outcome of a configuration-file command: whether it did its work, and the
// text the view shows the user (empty: nothing to show).
struct SettingsCommandResult {
  bool done = false;
  CString message;
};

// What the view's file dialog of a configuration-file command shows.
struct ConfigurationFileDialog {
  const char* defaultExtension;  // ".ini" or ".cfg"
  const char* filter;            // "description| pattern|"
};

// The device options (antialiasing, depth-stencil format, presentation
// interval, mipmapping, vertex processing) are members of the virtual base
// CSceneDeviceOptions, shared with the 3D scene base of the view.
class CViewSettings : public CSkyModel, public virtual CSceneDeviceOptions {
 public:
  // The construction values of the settings (place, atmosphere, files, serial
  // and sky-survey globals, the constructor-only switches), then
  // SetDefaultSettings.
  CViewSettings();
  ~CViewSettings() override;

  // ---- Defaults -------------------------------------------------------------
  // Display, animation, catalogue, update, GPS and some 3D settings, and the
  // run-time switches they go with. Leaves the place, files, mode, zoom step,
  // proxy name, tips and alerts, serial and sky-survey globals, device
  // settings and display lists as they are.
  void SetDefaultSettings();
  // Holds values read from a file within what the program can use: a zoom
  // step that is not a number, or does not zoom by 1 % to 10 times a press,
  // goes back to the default (a step of 0 gave an infinite field); so does
  // an animation speed outside what the animation dialog accepts.
  void BoundSettingsRead();
  // The animation speed factors the keys and the dialog can reach.
  static constexpr double kMinAnimationSpeed = 1e-10;
  static constexpr double kMaxAnimationSpeed = 1e13;
  // The twelve label fonts and the fifteen colours.
  void SetDefaultFonts();

  // ---- Settings file ------------------------------------------------------------
  // An empty path means m_installFolder + "\nuvarine.ini". Writes all twelve
  // sections; false when the file could not be written (the old file is then
  // kept as it was; m_settingsSaveProblem says why). A file that LoadSettings
  // could not read whole is first copied beside itself (KeepCopyBeside), and
  // m_settingsKeptCopy names the copy; without a copy it is not written.
  bool SaveSettings(const CString& path);
  // True when the six observation keys were present and the whole file read;
  // false at the first missing observation key (the keys before it stay
  // changed, nothing after it is read) or when there is no file.
  bool LoadSettings(const CString& path);

  // ---- Configuration files ----------------------------------------------------
  // Dialog contents of File Open, Save as and the version-1 import, in the
  // interface language.
  ConfigurationFileDialog OpenDialogTexts() const;
  ConfigurationFileDialog SaveAsDialogTexts() const;
  ConfigurationFileDialog ImportV1DialogTexts() const;
  // File Open with the chosen path: reads it when its extension is ".ini" (any
  // case) and recomputes the terms derived from the place. When `done`, the
  // view resets the device (ResetObjects) so that the 3D settings read apply.
  SettingsCommandResult OpenConfigurationFile(const CString& chosenPath);
  // Save as with the chosen path: writes the settings when its extension is
  // ".ini" (any case); a write failure comes back with its message.
  SettingsCommandResult SaveConfigurationFileAs(const CString& chosenPath);
  // Import of the first version's binary file when the extension is ".cfg"
  // (any case): fields are taken as far as the file reaches.
  SettingsCommandResult ImportConfigurationV1(const CString& chosenPath);

  // Recomputes the terms derived from the observing place and atmosphere
  // (sines and cosines of the latitude, refraction factor).
  void UpdateObserverTerms();

  // ---- Display-list matching ----------------------------------------------------
  // The loaded comet and asteroid element records (g_comets, g_asteroids),
  // by name; an index outside the records has no name (nullptr). Without
  // any record, every listed name is dropped.
  virtual int LoadedCometCount() const;
  virtual const char* LoadedCometName(int index) const;
  virtual int LoadedAsteroidCount() const;
  virtual const char* LoadedAsteroidName(int index) const;
  // Keeps, in order, the listed names that name a loaded record (exact
  // bytes), with the record indices; drops the others.
  void MatchDisplayedLists();

  // ---- Paths ---------------------------------------------------------------------
  // m_installFolder (current directory at construction) is a CSkyModel member.
  CString m_settingsPath;   // m_installFolder + "\nuvarine.ini"
  CString m_landscapeFile;
  CString m_starPictureFile;
  CString m_proxyName;

  // ---- Application settings ------------------------------------------------------
  float m_magnitudeZero = 17.0f;
  float m_starMagnitudeLimit = 13.0f;
  BYTE m_milkyWayLuminosity = 2;
  double m_cometMagnitudeLimit = 11.0;
  double m_asteroidMagnitudeLimit = 11.0;
  BYTE m_constellationNameLanguage = 3;
  BYTE m_starNameStyle = 1;
  BYTE m_landscapeElevation = 0;
  int m_landscapeOrientation = 0;
  bool m_showCloudySky = false;
  bool m_realTimeCloudMap = false;
  bool m_showRule = false;
  bool m_showPlanetNames = true;
  bool m_showDeepSkyNames = false;
  bool m_showLandscape = true;
  bool m_showStatusLine = true;
  bool m_useTycho2Part2 = true;
  bool m_showDeepSkyPictures = true;
  bool m_showSatelliteNames = true;
  bool m_naturalSkyColor = true;
  bool m_showHorizontalGrid = false;
  BYTE m_milkyWay = 2;  // level; the file keeps only whether it is above 0
  bool m_showSetiWorkUnits = false;
  // m_planetariumMode, the switches and limits the per-instant update reads
  // and m_setiClientStatePath are CSkyModel members.
  float m_zoomStep = 1.07f;
  bool m_showTipsAtStartup = true;
  bool m_showAlertsAtStartup = true;
  bool m_showTimeZoneAlert = true;
  float m_moonScaleFactor = 1.0f;
  float m_sunScaleFactor = 1.0f;
  BYTE m_skyColorRed = 5;
  BYTE m_skyColorGreen = 5;
  BYTE m_skyColorBlue = 10;

  // ---- Update settings -------------------------------------------------------------
  bool m_autoUpdateElements = true;
  bool m_autoUpdateComets = true;
  bool m_autoUpdateAsteroids = true;
  bool m_autoUpdateSatellites = true;

  // ---- Animation settings -----------------------------------------------------------
  int m_animationMethod = 1;
  double m_animationStepDays = 0.0;
  double m_animationStepHours = 0.0;
  double m_animationStepMinutes = 5.0;
  double m_animationStepSeconds = 0.0;
  double m_animationFps = 30.0;
  double m_animationSpeedFactor = 3000.0;
  bool m_animationAutomatic = true;
  bool m_realTime = false;

  // ---- Telescope ------------------------------------------------------------------------
  bool m_useLx200Driver = true;  // false: an ASCOM driver

  // ---- Fonts and colours ----------------------------------------------------------------
  COLORREF m_borderColor = 0;
  COLORREF m_figureColor = 0;
  COLORREF m_starNameColor = 0;
  COLORREF m_deepSkyNameColor = 0;
  COLORREF m_constellationNameColor = 0;
  COLORREF m_planetNameColor = 0;
  COLORREF m_ruleColor = 0;
  COLORREF m_eclipticColor = 0;
  COLORREF m_equatorColor = 0;
  COLORREF m_cometNameColor = 0;
  COLORREF m_asteroidNameColor = 0;
  COLORREF m_gridColor = 0;
  COLORREF m_probeNameColor = 0;
  COLORREF m_horizonLineColor = 0;
  COLORREF m_orbitLineColor = 0;
  // Kinds: 0 star names, 1 deep-sky names, 2 planet names, 3 coordinate rule,
  // 4 constellation names, 5 ecliptic, 6 equator, 7 comets, 8 asteroids,
  // 9 symbols (not kept in the file), 10 grids, 11 probes.
  LOGFONT m_labelLogFonts[kLabelFontCount];

  // ---- 3D settings ------------------------------------------------------------------------
  BYTE m_textureLevel = 2;
  BYTE m_bumpMapping = 0;
  bool m_lensFlare = true;
  bool m_reflection = false;
  bool m_showAtmospheres = true;
  bool m_cloudShadows = false;
  bool m_wireframe = false;
  bool m_textureCompression = false;
  // The last device reset with the current 3D settings succeeded; only then
  // are the device keys written.
  bool m_videoConfigValid = true;

  // ---- Settings file read and written ----------------------------------------------------
  // The settings file last found not read whole (present but unreadable, or
  // its observation block incomplete so that the rest was not read), and why.
  CString m_unreadSettingsFile;
  CString m_unreadSettingsReason;
  // After SaveSettings: why it failed, and the copy kept of an unread file.
  CString m_settingsSaveProblem;
  CString m_settingsKeptCopy;

  // ---- Internet ------------------------------------------------------------------------------
  bool m_useProxy = false;

  // ---- GPS -----------------------------------------------------------------------------------
  int m_gpsPort = 1;  // n of COMn
  // The receiver's device when one was chosen by its path (a USB adapter,
  // "/dev/serial/by-id/..."); empty: COMn above.
  CString m_gpsDevice;
  int m_gpsBaudRate = 4800;
  int m_gpsParity = 1;  // 1 none, 2 even, 3 odd
  int m_gpsDataBits = 8;
  int m_gpsStopBits = 1;

  // ---- Other settings put back by SetDefaultSettings -------------------------------------
  float m_eyepieceFieldSize = 0.0f;  // degrees; 0 draws no eyepiece field
  int m_flightTargetBody = -1;
  int m_pictureTargetObject = -1;
  bool m_showInfoOverlay = true;
  bool m_englishUi = true;
  // Shown and edited only by the options dialog; the version-1 import sets it.
  bool m_optionsDialogFlag = false;

  // ---- Run-time state put back with the defaults ------------------------------------------
  bool m_targetMarked = false;
  // m_computingEphemeris is a CSkyModel member.
  bool m_ephemerisResultShown = false;
  bool m_tycho2Part2Loaded = false;
  bool m_animationReversed = false;
  bool m_animationRunning = false;
  bool m_nightVision = false;
  bool m_telescopeConnected = false;
  bool m_chartInverted = false;
  bool m_showQuickfinderField = false;
  bool m_showTelradField = false;
  bool m_showFrameRate = false;
  int m_gpsActive = 0;
  int m_gpsFixValid = 0;
};

// True when the last extension of `path` (after the last dot of its file name)
// equals `extension` (given with its dot) without regard to case.
bool HasFileExtension(const CString& path, const char* extension);
