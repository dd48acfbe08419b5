#pragma once
// The main view: the single context of the running program. It owns the
// modeless windows, the serial ports and the frame loop; the 3D scene, the
// settings and the sky model are its bases (every scene, sky and settings
// operation is a view method). Subsystems extend it by
// adding members in their own sections and methods in their own sources.
#include <array>
#include <cstdint>
#include <string>
#include <functional>
#include <memory>
#include <vector>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "Geometry.h"
#include "Gps.h"
#include "Lx200.h"
#include "Optics.h"
#include "Scene3D.h"
#include "SerialPort.h"
#include "SurveyTiles.h"
#include "Dialog.h"
#include "View.h"
#include "ViewCamera.h"
#include "ViewSettings.h"
#include "FindObject.h"
#include "ObjectPick.h"

class CSplashDialog;
class ChargementDialog;
class AjouterImage;
class LX200;
class CDialog;
class CAviCapture;
class CTextureFont;
class ScreenLabelQueue;
class CD3DFile_Mesh;
class BodyTextureLoader;
struct BodyTextureRequest;
struct BodyTextureOutcome;
class CMenu;
class NouvRecherche;
struct OptionsSettings;
class Options;

// The page the configuration dialog showed when it last closed (for the run).
extern int g_lastOptionsPage;

// Frame-loop state shared with the renderer and the system report.
extern double g_previousFrameTime;  // ms; double, so hours of uptime keep millisecond steps
extern float g_frameRate;
extern float g_previousFrameRate;
extern bool g_firstPaint;

// Display elements night vision recolours, their night colours, and the
// colours put back at exit.
extern const int g_sysColorElements[13];
extern const COLORREF g_nightVisionColors[13];
extern COLORREF g_savedSysColors[13];
// The border segment joining the thirds of the edge from (a, d1) to (b, d2)
// (radians), the short way round in right ascension.
BorderSegment BuildBorderSegment(double a, double d1, double b, double d2);
// Geocentric terms of an observer at a latitude (radians) and elevation (m).
void ComputeObserverTerms(double latitude, double elevation, double& rhoSinPhi, double& rhoCosPhi);
// The start-up's refraction scale for a pressure (hPa) and temperature (C).
double StartupRefractionFactor(double pressure, double temperature);
// Survey tiles: the resolution steps one level at a time toward the field of
// view (300 px level 2 above 0.053 rad, 512 level 3, 1024 level 4, 1500
// level 5 below 0.008); a field on a boundary keeps the level.
void StepSurveyTileLevel(float fieldOfView, char& level, int& size);
// Width of a tile of `size` rows at a declination (degrees), at least 1.
int SurveyTileWidth(int size, double declination);
// Evens out a grey tile's background from the levels along its borders
// (rows 3 and H - 3, columns 3 and W - 4) toward 50.
void FlattenSurveyTile(unsigned char* bits, int width, int height, int pitch);
// Survey state shared with the tile requests: slot states (0 until a slot's
// first request), the request table (degrees: view centre truncated [0] [5]
// and unrounded [1] [6], last tile of each slot [2..4] [7..9]), the tile
// resolution and the field of view of the steady view.
extern char g_dssSlotState[3];
extern double g_dssRequests[10];
extern int g_dssTileSize;
extern char g_dssTileLevel;
extern double g_dssSteadyFieldOfView;
extern BYTE g_dssFrameTicker;
// Window-layer tests that build the whole frame without an install folder
// clear it: the view window is then made without the start-up sequence.
extern bool g_startupSequenceEnabled;
// Frees every catalogue buffer (stars, deep-sky objects, asteroids, comets).
void FreeCatalogueBuffers();

// Slots of the star tiles loaded per catalogue.
constexpr int kSkyTileSlotCount = 30;

class DownloadProgress;
// Surface-tile textures loaded now (all levels).
extern int g_loadedTileCount;

// The boxes of what the saves at exit could not do, once the windows are gone.
void ShowExitSaveMessages();

class CNuvarine2View : public CView, public CScene3D, public CViewSettings {
  DECLARE_DYNCREATE(CNuvarine2View)
 public:
  CNuvarine2View();
  ~CNuvarine2View() override;

  // ---- Window life ---------------------------------------------------------
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void OnInitialUpdate() override;
  // One frame (paint messages only; it never runs inside itself).
  void OnDraw(CDC* pDC) override;

  // ---- Scene operations -------------------------------------------------------
  bool InitObjects() override;
  // Resets the device for a back buffer of width x height (0: the display's
  // size) and the objects that depend on it; the scene objects are made
  // again at the fifth frame after it. A failure tells the user and opens
  // the configuration dialog.
  bool ResetObjects(int width, int height) override;
  void FrameMove(float frameTime) override;
  bool Render() override;
  // True once the drawing device exists.
  virtual bool HasDevice() const;
  // The window-size handler: resets the device for the new client size.
  void OnSize(UINT type, int cx, int cy) override;
  // Rebuilds the camera projection from the chart's field of view; aspect 0
  // takes the client area's, near and far both 0 take the sky's planes.
  void UpdateProjection(float aspect, float nearPlane, float farPlane);

  // ---- Calls into other subsystems made by the device code -------------------
  // Releases every device resource of the scene (before a reset and at exit).
  virtual void ReleaseSceneResources();
  // Loads every vertex shader that is not loaded yet (after a reset).
  virtual void LoadVertexShaders();
  // The options dialog; the system report.
  virtual void OnConfiguration();
  virtual void OnSystemDiagnostic();

  // ---- Start-up texts --------------------------------------------------------
  // kind 1 splash window, 2 loading window; then dispatches pending messages.
  virtual void ShowLoadingMessage(int kind, UINT stringId, const char* argument);
  void HideLoadingDialogs();
  // Shows the splash or the loading window as m_loadingWindow says.
  void ApplyLoadingWindowState();

  // ---- Calls into other subsystems made by the frame loop --------------------
  virtual void PollGpsReceiver();
  // Runs the tips-or-alerts box of frame 7; returns its result, `choice` the
  // list entry chosen (1 = never show again).
  virtual int RunStartupBox(const CString& alertText, int& choice);

  // ---- Screenshots and movies -------------------------------------------------
  static constexpr UINT kCommandTakeScreenShot = 241;
  static constexpr UINT kCommandCaptureMovie = 32779;
  // Saves the view less 2 pixels a side as the next free "Screenshot<i>.bmp";
  // the name, or empty when the picture could not be taken or saved.
  CString SaveScreenshot();
  // The view less 2 pixels a side as a bitmap file; false when it could not be taken or saved.
  bool SaveViewPicture(const CString& name);
  void OnTakeScreenShot();
  // Closes a running movie and starts the next one.
  void OnCaptureMovie();
  // Closes a running movie (F8, the view's end); appends a presented frame.
  void EndMovieCapture();
  void AddCapturedFrame();
  void CreateMovieCapture();
  void DeleteMovieCapture();
  void MapCaptureCommands();
  // Time and place, optics, About, the system report, print and links.
  void MapSetupCommands();
  void OnTimeAndLocation();
  void OnEyepieceField();
  void OnPrintChart();
  void OnWeatherReports();
  void OnVisitHomepage();
  void OnSendMessage();
  void OnAbout();
  // The eyepiece, camera and other field lists ("oculaires.ini"), and the
  // field the sky map outlines: a camera field's width, height and mount.
  OpticsLists m_optics;
  // The optics file as read at start: not read whole (why), then, after the
  // save at exit, why it failed and the copy kept of the file read in part.
  bool m_opticsReadWhole = true;
  std::string m_opticsReadProblem;
  std::string m_opticsSaveProblem;
  std::string m_opticsKeptCopy;
  // Tells on standard error what the saves at exit could not do or had to
  // keep aside, and keeps it for ShowExitSaveMessages.
  void ReportExitSaves(bool settingsSaved);
  float m_selectedCcdSize1 = 0.0f;
  float m_selectedCcdSize2 = 0.0f;
  float m_selectedCcdType = 0.0f;
  // F8 closes a running movie; S without Ctrl saves a screenshot and tells
  // it in the status bar. True when the key was one of them.
  bool HandleCaptureKey(UINT nChar);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  // Focus lost: a Ctrl released in another window never reaches the view.
  void OnKillFocus(CWnd* newWindow) override;
  void OnMouseMove(UINT nFlags, CPoint point) override;
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint point) override;
  void OnLButtonDblClk(UINT nFlags, CPoint point) override;
  BOOL OnEraseBkgnd(CDC* pDC) override;
  // Right ascension and declination (radians) of the horizontal direction
  // under the cursor, the refraction removed.
  void CursorEquatorial(double altitude, double azimuth, double& rightAscension, double& declination) const;

  // ---- View and animation commands -------------------------------------------------
  void MapViewCommands();
  void OnZoomIn();
  void OnZoomOut();
  void OnZoomReset();
  void OnScrollLeft();
  void OnScrollRight();
  void OnScrollUp();
  void OnScrollDown();
  void OnViewNorth();
  void OnViewEast();
  void OnViewSouth();
  void OnViewWest();
  void OnViewZenith();
  void OnInvertChart();
  void OnStartAnimation();
  void OnStartInvertedAnimation();
  void OnStopAnimation();
  // Dialog commands whose windows come with their own subsystem.
  virtual void OnAnimationParameters();
  virtual void OnZoomSetup();
  virtual void OnLookInDirection();
  virtual void OnFindObject();
  // The narrowest field any zoom reaches: far below any useful field, far
  // above the point where the projection overflows.
  static constexpr float kMinimumFieldOfView = 1e-6f;
  // Field widened one step from `field` (70 degrees caps it, holding the
  // last widened value `last`).
  static float WidenField(float field, float step, float& last, double limit);
  // Seconds of the process timer (tests give their own).
  virtual double AbsoluteTime() const;
  // The computer clock as local time; false when it cannot be converted.
  virtual bool LocalClock(double& year, double& month, double& day, double& hour, double& minute,
                          double& second) const;
  void TakeClockTime();
  double m_animationStartDate = 0.0;
  int m_animationStepCount = 0;
  float m_centeringAngle1 = 0.0f;
  float m_centeringAngle2 = 0.0f;
  double m_flightSpeed = 0.0;
  D3DXVECTOR3 m_flightLookDirection{0.0f, 0.0f, 1.0f};
  IDirect3DTexture9* m_placementPictureTexture = nullptr;

  // ---- Per-frame update steps --------------------------------------------------------
  void AdvanceAnimation();
  void UpdatePicturePlacement();
  // Copies the chosen picture into textures/CP under `name`; a different
  // picture already of that name is kept and `name` becomes a free numbered one.
  bool CopyPictureIntoFolder(const std::string& chosenPath, std::string& name) const;
  void FlyCamera();
  // Steps whose owners come with their own subsystems.
  virtual void UpdateHuygensMaterials();
  virtual void RunAutomaticRefreshes(double computerJulianDate);
  virtual void RunSurfaceTiles();
  virtual void RequestSurveyTiles();
  virtual void UpdateBodyDrawFlags();
  virtual void SyncBodyTexturesAndMeshes();
  // Frees the deep-sky picture slots so the sky reloads them.
  virtual void ReleasePictureCache();
  // World matrix of the Milky Way tube: its centre line on the galactic equator.
  D3DXMATRIX MilkyWayWorldMatrix();
  // Scene point (radius 2.01) of a J2000 place, precessed and horizontal in
  // planetarium mode.
  D3DXVECTOR3 DeepSkyScenePoint(double rightAscension, double declination);
  // Position angle on the screen at p, q being p moved south (east in solar-system mode).
  float ScreenPositionAngle(const D3DXVECTOR3& p, const D3DXVECTOR3& q, double positionAngleDegrees);
  // Deep-sky pictures held for drawing: object index (-1 free) and texture.
  static constexpr int kPictureSlots = 15;
  int m_pictureCacheObjects[kPictureSlots] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  IDirect3DTexture9* m_pictureCacheTextures[kPictureSlots] = {};
  // Survey tiles held for drawing: cache name (empty = free), the tile size
  // it was loaded with, and its texture.
  static constexpr int kSurveyTileSlots = 100;
  CString m_dssTileNames[kSurveyTileSlots];
  int m_dssTileSizes[kSurveyTileSlots] = {};
  IDirect3DTexture9* m_dssTileTextures[kSurveyTileSlots] = {};
  // The request handed to each download slot.
  DssTileRequest m_dssTileRequests[3];
  void DropSurveyTile(int slot);
  // Frees every survey tile slot.
  void ReleaseSurveyTileCache();
  // The pixel of a J2000 place (radians) precessed and horizontal, radius 2.01;
  // false when it lies behind the camera.
  bool SurveyPlacePixel(double rightAscension, double declination, float radius, D3DXVECTOR2& pixel);
  bool SurveyTileVisible(double rightAscension, double declination, bool sampleEdges);
  // Moves along the view axis by a step that shrinks near bodies (only the
  // sign of delta matters).
  void MoveCameraAlongView(short delta);
  // Puts the camera at the object's camera distance looking along d.
  void PlaceCameraNearObject(int objectNumber, double dx, double dy, double dz);

  // ---- Internet services ---------------------------------------------------------
  void MapInternetCommands();
  // Runs `work` on a worker while the progress window shows on this thread
  // and messages (and frames) keep coming; false when another foreground
  // download holds the window.
  bool RunForegroundDownload(const std::function<void(DownloadProgress&)>& work);
  // One turn of the wait for a worker: messages, a frame (unless the wait
  // runs inside one) and the run-status report. A close that comes meanwhile
  // is kept for later, and the caller hears it through the return value.
  bool PumpWhileDownloading();
  bool IsDownloading() const { return m_downloadDepth > 0; }
  int m_downloadDepth = 0;
  void DownloadElements(int kind, bool showMessage);
  void DownloadCloudMap();
  void DownloadCometElements(bool showMessage);
  void DownloadAsteroidElements(bool showMessage);
  void DownloadSatelliteElements(bool showMessage);
  void OnUpdateOrbitalElements();
  // The survey settings and the satellite-pass pages (commands 32842, 32886, 32906).
  void MapSurveyAndPageCommands();
  void MapWebPageCommands();
  void OnIridiumFlares();
  void OnSatelliteVisibility();
  // The country dialog's time-zone code; empty after Cancel or a typed text
  // that names no country.
  std::string ChooseCountryCode();
  void OnSettingProxy();
  // Survey tiles loaded in the view's cache slots now.
  int LoadedSurveyTileCount() const;
  // "Update Nuvarine": version page, list of newer components, download page
  // or packages; an installed updater runs only when the user agrees.
  void MapProgramUpdateCommands();
  void OnUpdateProgram();
  // The packages of the non-empty addresses (updater, program, library, 3D
  // objects, textures, help) with their progress window; true when every
  // download ran without a stop.
  bool InstallUpdatePackages(const std::array<std::string, 6>& urls);
  // The weekly element question of the per-frame update.
  void RunElementRefresh(double computerJulianDate);
  void RunCloudMapRefresh(double computerJulianDate);

  // ---- Events calendar ----------------------------------------------------------
  void MapCalendarCommands();
  // The events of a month or of a period (1 to 50 days) as a document shown
  // in the result dialog, or in the alert form as plain text appended to
  // m_lastEphemerisText. The observation context is the same afterwards.
  void ShowEventsCalendar(bool planetsRiseSet, bool periodMode, int lengthDays, bool alertMode, double year,
                          double month, double day);
  void OnEphemeris();
  void OnSeeLastEphemerisResult();
  // While a calculation runs, commands that would touch the borrowed
  // context are refused and shown disabled.
  BOOL OnCmdMsg(UINT id, CCmdUI* pUI) override;
  // A close asked during a calculation: the calculation stops at its next
  // step and the close is carried out once the context is restored.
  void StopEventsCalendar();
  bool IsCalendarRunning() const { return m_calendarRunning; }
  bool m_calendarRunning = false;
  bool m_calendarCloseStop = false;

  // ---- Display switches ------------------------------------------------------------
  void MapDisplaySwitchCommands();
  void OnPlanetNames();
  void OnStarNames();
  void OnConstellationNames();
  void OnConstellationLines();
  void OnEclipticAndEquator();
  void OnGrids();
  void OnDeepSkyObjects();
  void OnDeepSkyNames();
  void OnComets();
  void OnAsteroids();
  void OnSatelliteNames();
  void OnOrbits();
  void OnMilkyWay();
  void OnLandscape();
  void OnAtmospheres();
  void OnRule();
  void OnNaturalSkyColor();
  void OnNightVision();
  void OnTipsAtStartup();
  void OnAlertsAtStartup();
  // Quickfinder and Telrad outlines (planetarium mode only); any eyepiece
  // field goes.
  void SetFinderFields(bool quickfinder, bool telrad);
  // True once the satellite of an orbit slot has a computed position.
  bool OrbitSlotHasPosition(int slot) const;
  // The scene's reset at the back buffer's size: reloads the textures a
  // switch turned on needs.
  void ResetObjectsForSwitch();

  // ---- Configuration dialog -----------------------------------------------------------
  // The dialog's values from the view's settings, and back after "Apply".
  OptionsSettings OptionsFromView() const;
  void OptionsToView(const OptionsSettings& settings);
  // The settings that need a new device when they change.
  struct DeviceSettings {
    bool showAtmospheres, milkyWayShown, lensFlare, wireframe, textureCompression, showCloudySky, mipMapping,
        reflection, realTimeCloudMap;
    int antialiasing, textureLevel, bumpMapping, depthStencilFormat;
    unsigned presentInterval;
    CString starPictureFile, landscapeFile;  // compared ignoring case
    bool operator==(const DeviceSettings& other) const;
  };
  DeviceSettings CurrentDeviceSettings() const;
  virtual INT_PTR RunOptionsDialog(Options& dialog);

  // ---- Dialog and report commands ---------------------------------------------------
  void MapReportCommands();
  void OnFontsAndColors();
  void OnHorizontalCoordinates();
  void OnSiderealTime();
  void OnCatalogueInformation();
  // The texts of the sidereal-time and catalogue boxes.
  CString SiderealTimeText();
  CString CatalogueSummaryText() const;
  // Makes the texture font of a label kind again from its settings record
  // (on the device when there is one).
  void RebuildLabelFont(int kind);

  // ---- Configuration files (File menu) ----------------------------------------------
  void MapConfigurationFileCommands();
  void OnFileOpen();
  void OnFileSaveAs();
  void OnImportConfigurationV1();

  // ---- Paths and texts ---------------------------------------------------------
  CString m_lastEphemerisText;
  CString m_programVersion;
  CString m_planetLibraryVersion;
  CString m_privateBuildText;
  CString m_specialBuildText;

  // ---- Frame and activity state ---------------------------------------------------
  // m_frameCounter is a CSkyModel member (the per-instant update reads it).
  float m_framesPerSecondMax = 0.0f;
  BOOL m_deviceReady = 0;
  BOOL m_sceneReady = 0;
  BOOL m_skyFirstFrame = 1;
  BOOL m_skyPositionsValid = 1;
  bool m_startupBoxPending = true;
  int m_loadingWindow = 1;
  bool m_viewMovedByMouse = false;
  bool m_centeringPending = false;
  bool m_modeSwitchBusy = false;
  bool m_skipNextMouseMove = false;
  bool m_suppressObjectInfo = false;
  bool m_controlKeyDown = false;
  bool m_telescopeFollowTarget = false;
  bool m_capturing = false;
  CAviCapture* m_pAviCapture = nullptr;
  double m_animationStartTime = 0.0;
  double m_lastCloudMapDate = 0.0;
  bool m_cloudMapAddressMissingTold = false;
  double m_lastElementsUpdateDate = 0.0;
  // The millisecond clock of the frame loop (tests give their own).
  std::function<double()> m_millisecondClock;

  // ---- Telescope ------------------------------------------------------------------
  double m_lastSlewRightAscension = -100.0;
  double m_lastSlewDeclination = -100.0;
  // m_telescopeRightAscension/Declination and m_targetRightAscension/Declination
  // are CSkyModel members, with the horizontal places the update derives.
  double m_lx200ReplyDelay = 0.1;
  // Place of the followed object (radians), set by the frame's following.
  double m_followRightAscension = 0.0;
  double m_followDeclination = 0.0;
  double m_followAzimuth = 0.0;
  double m_followAltitude = 0.0;
  // Clear only while the LX200 connection routine runs.
  bool m_lx200ConnectDone = true;
  // The NMEA reader; its give-up counters live for the whole run.
  GpsReceiverReader m_gpsReader;
  // The frame's following (planetarium mode): marks the followed object,
  // turns the view to it and talks to a connected telescope.
  void FollowObjectWithTelescope();
  // Closes the LX200 port and hides the hand panel once disconnected.
  void CloseIdleTelescopePort();
  void ExchangeWithLx200();
  void ExchangeWithTelescopeDriver();
  // The key handler's part: Escape stops a driver's slew while connected.
  void AbortSlewOnEscape(UINT key);
  // Telescope and GPS commands.
  void OnTelescopeConfiguration();
  void OnTelescopeOpenConnection();
  void OnTelescopeCloseConnection();
  void OnStartGps();
  void OnStopGps();
  void MapTelescopeCommands();
  // The protocol's access to the LX200 port, the telescope log and the clock.
  Lx200Io Lx200IoForPort();
  // Waits of the LX200 protocol (seconds); benchmarks and tests give their own.
  std::function<void(double)> m_telescopeSleep;
  // Runs the telescope and GPS dialogs (modal unless a test runs them).
  std::function<INT_PTR(CDialog&)> m_runDialog;
  INT_PTR RunDialog(CDialog& dialog);

  // ---- Information texts and notes --------------------------------------------------
  // The rich-text description of an object at the view's instant and place.
  CString BuildBodyInfoRtf(int body);
  CString BuildCometInfoRtf(int index);
  CString BuildAsteroidInfoRtf(int index);
  CString BuildDeepSkyInfoRtf(int index);
  CString BuildBrightStarInfoRtf(int index);
  CString BuildSetiWorkUnitInfoRtf();
  CString BuildTychoStarInfoRtf(int index);
  CString BuildNamedTychoStarInfoRtf(int index);
  CString BuildSky2000StarInfoRtf(int index);
  CString BuildSpacecraftInfoRtf(int body);
  // Saves an object's note (keys: Notes.h); false, after telling the user,
  // when the notes file could not be written.
  bool SaveObjectNote(int category, int objectNumber, const CString& text);
  bool SaveObjectNoteByKey(int category, const CString& key, const CString& text);

  // ---- Picking, the object pop-up menu, find and the body commands ----------------
  void OnRButtonDblClk(UINT nFlags, CPoint point) override;
  // The object under a pixel (positions brought to the displayed instant).
  PickResult PickObjectAt(CPoint point);
  // The pop-up menu of a pick and the command chosen in it.
  void RunObjectMenu(const PickResult& pick);
  // Builds the menu of a pick (per kind and mode) into `menu`; its title.
  CString BuildObjectMenu(const PickResult& pick, CMenu& menu);
  // The picked object becomes the target (nothing for no pick).
  void SetTargetFromPick(const PickResult& pick);
  void RunObjectCommand(UINT command, const PickResult& pick);
  void ShowPickedInformation(const PickResult& pick);
  void FollowPickedObject(const PickResult& pick);
  void CenterOnTarget();
  void EditPickedNote(const PickResult& pick);
  // Sends the solar-system camera to object n and locks it there.
  void LockOnObject(int objectNumber);
  // The "Add an image..." and "Call a DSS server..." entries.
  virtual void OnAddPictureForObject(int deepSkyIndex);
  virtual void OnCallDssServer();
  void OnFindObjectFromDialog(NouvRecherche& dialog);
  void ShowFoundObject(const FindResult& found);
  void ShowFoundObject3D(const FindResult& found);
  // Gives the star tiles back to the sky drawing after a tile scan.
  void ReleaseStarTiles();
  // The body commands of the Observation menu and the work unit's.
  void ShowBodyInformation(int body, int kind);
  void ShowBodyInformation3D(int body, int kind);
  void OnWorkUnitInfo();
  void MapObjectCommands();
  // Page of the find dialog shown at its next opening.
  int m_lastFindPage = 0;

  // ---- Owned objects --------------------------------------------------------------
  CSerialPort m_gpsSerialPort;
  CSerialPort m_lx200SerialPort;
  CSplashDialog* m_pSplashDialog = nullptr;
  ChargementDialog* m_pLoadingDialog = nullptr;
  AjouterImage* m_pAddPictureDialog = nullptr;
  LX200* m_pLx200Panel = nullptr;

  // ---- Device and back buffer ------------------------------------------------------
  UINT m_availableTextureMemory = 0;  // bytes, read after each reset
  D3DSURFACE_DESC m_backBufferSurfaceDesc{};
  UINT m_backBufferWidthPixels = 0;
  UINT m_backBufferHeightPixels = 0;
  float m_backBufferWidth = 0.0f;
  float m_backBufferHeight = 0.0f;
  float m_halfBackBufferWidth = 0.0f;
  float m_halfBackBufferHeight = 0.0f;

  // ---- Camera ---------------------------------------------------------------------------
  CViewCamera m_camera;
  // Orientation of the 3D camera; its rotation's first row is the side axis
  // and its second row the up axis; the look direction is side x up.
  D3DXQUATERNION m_cameraOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  D3DXVECTOR3 m_cameraUp{0.0f, 1.0f, 0.0f};
  D3DXVECTOR3 m_cameraSide{0.0f, 0.0f, 1.0f};
  // m_cameraPosition (heliocentric ecliptic scene frame, millions of km; every
  // drawn point is taken relative to it in double precision) is the sky
  // model's, so the update and the drawing share one camera place.
  D3DXMATRIX m_viewProjectionMatrix;
  float m_fieldOfView = 0.8f;  // radians

  // ---- Sky projections and shared geometry ------------------------------------------
  // Sky directions to scene points, scene points to pixels and pixels back to
  // sky directions. Direct frame (planetarium): latitude altitude, longitude
  // azimuth, zenith -y, azimuth 0 along +z. Otherwise equatorial directions
  // turned into the ecliptic scene frame by the obliquity.
  void SkyToScenePoint(float out[3], bool direct, float latitude, float longitude, float radius) override;
  D3DXVECTOR3 SkyToScenePoint(bool direct, float latitude, float longitude, float radius);
  // Normalised device coordinates to back-buffer pixels, in place.
  void NdcToScreen(float& x, float& y) const;
  // The sky direction under a pixel; longitude in [0, 2 pi).
  void ScreenToSky(int px, int py, float& latitude, float& longitude) const;
  // The sky direction of a solar-system point (millions of km), through the
  // pixel it falls on; a point behind the camera is clamped to the screen's
  // far edge first.
  void ProjectPointToSky(double x, double y, double z, double& longitude, double& latitude) override;
  // Stores the body's sky direction in its J2000 right ascension and declination.
  void ProjectBodyToSky(int body) override;
  // The point lies within halfAngle of the view direction.
  bool IsInViewCone(float x, float y, float z, float halfAngle) const;
  bool IsInFrontOfCamera(float x, float y, float z) const;
  // False when a body hides the Sun from the camera (lens flare test).
  bool IsSunVisibleFromCamera() const;
  // Sphere of detail level 1-5 with the texture in stage 0 under the current
  // world transform; other levels draw nothing.
  void DrawSphere(IDirect3DTexture9* texture, int level);
  // The same sphere with a normal map (and the Earth's specular map); the
  // plain sphere unless bump mapping or reflection asks for more.
  void DrawBumpMappedSphere(IDirect3DTexture9* normalMap, IDirect3DTexture9* texture, int level);
  // The loaded surface tiles of the three levels around a body.
  void DrawTiledSphere(D3DXMATRIX world, int body);
  // A red circle in pixels, between the caller's Begin and End of m_pLine.
  void DrawMarkerCircle(float x, float y, float scale);
  // Rewrites the sprite quad in the colour (0..1 each).
  void FillSpriteQuad(float red, float green, float blue, float alpha);

  ID3DXLine* m_pLine = nullptr;
  IDirect3DTexture9* m_bodyTextures[35] = {};
  IDirect3DVertexBuffer9* m_spriteQuadVB = nullptr;
  SpriteVertex m_spriteQuadVertices[4] = {};
  IDirect3DVertexBuffer9* m_tubeVB = nullptr;
  IDirect3DVertexBuffer9* m_ringVB = nullptr;
  IDirect3DVertexBuffer9* m_discVB = nullptr;
  IDirect3DVertexBuffer9* m_domeVB = nullptr;
  SphereBuffers m_sphereBuffers[5];
  IDirect3DVertexBuffer9* m_tilePatchVBLevel0[8] = {};
  IDirect3DIndexBuffer9* m_tilePatchIBLevel0[8] = {};
  IDirect3DVertexBuffer9* m_tilePatchVBLevel1[16] = {};
  IDirect3DIndexBuffer9* m_tilePatchIBLevel1[16] = {};
  IDirect3DVertexBuffer9* m_tilePatchVBLevel2[32] = {};
  IDirect3DIndexBuffer9* m_tilePatchIBLevel2[32] = {};
  BYTE m_tileVisibleLevel0[8][20] = {};
  BYTE m_tileVisibleLevel1[16][40] = {};
  BYTE m_tileVisibleLevel2[32][80] = {};
  IDirect3DTexture9* m_tileTexturesLevel0[128] = {};
  IDirect3DTexture9* m_tileTexturesLevel1[512] = {};
  IDirect3DTexture9* m_tileTexturesLevel2[2048] = {};
  D3DXVECTOR2 m_markerCirclePoints[2];

  // ---- Body resources: draw flags, textures and meshes -------------------------------
  // One byte per drawable body resource (texture set, shared texture or
  // mesh), 1 when the current view can show it close up.
  static constexpr int kBodyDrawFlagCount = 57;
  using BodyDrawFlags = std::array<BYTE, kBodyDrawFlagCount>;
  BodyDrawFlags m_bodyDrawFlags{};
  void ClearBodyDrawFlags();
  // Loads the resources of the set flags and releases those of clear ones.
  void SyncBodyTexturesAndMeshes(BodyDrawFlags flags);
  // load false: releases the slot; true with an empty slot: loads it by the
  // texture level (compressed first when asked, then the plain file, then
  // the average level); a filled slot is left. Returns true.
  bool LoadBodyTexture(IDirect3DTexture9** slot, bool load, D3DFORMAT plainFormat, D3DFORMAT compressedFormat,
                       unsigned mipLevels, CString name, CString extension, float bumpScale, bool showMessage);
  // The Earth's clouds (slot 2) as LoadBodyTexture: with the real-time cloud
  // map on, the downloaded map once one has arrived, until then the shipped
  // cloud picture.
  void LoadEarthCloudTexture(bool load, bool showMessage);
  // Slot 2 holds (or awaits) the downloaded map: it turns with the ground and
  // is drawn additively, where the shipped picture drifts and is blended.
  bool m_earthCloudsAreLiveMap = false;
  // Large pictures take longer to decode than a frame may last: with this
  // set (the default) the decoding runs on worker threads and the slot is
  // filled on a later frame; until then the body is drawn as it is without
  // its texture. A slot with its picture on the way is not asked for again.
  bool m_decodeBodyTexturesInBackground = true;
  // Slots waiting for their picture.
  int PendingBodyTextureCount() const;
  // Blocks until every picture on the way has been decoded and its slot
  // filled (headless runs that need the textures in the next frame).
  void WaitForPendingBodyTextures();
  // Makes the textures of the decoded pictures: all of them, or (in a frame)
  // until about one large picture's worth has been handed to the device.
  void FillDecodedBodyTextures(bool all);
  // Releases a slot; its picture, if on the way, is no longer waited for.
  void ReleaseBodyTexture(IDirect3DTexture9*& slot);
  // A normal map from a height picture; on failure the slot stays empty.
  HRESULT CreateNormalMapTexture(const char* path, IDirect3DTexture9** out, float amplitude, D3DFORMAT format);
  // Shows one of the strings 650-652 the first time in the run a picture is
  // larger than its level allows (tests count the calls).
  virtual void ShowTextureSizeBox(UINT stringId);
  // Counts of loaded body textures and meshes (the run-status file).
  int LoadedBodyTextureCount() const;
  int LoadedBodyMeshCount() const;
  // How many times the scene resources went with the device (resizes, resets).
  int m_sceneReleaseCount = 0;
  // The longest time between two frames since the run-status file was last
  // written (milliseconds).
  double m_longestFrameMs = 0.0;
  IDirect3DTexture9* m_saturnRingTexture = nullptr;
  IDirect3DTexture9* m_ringShadowTexture = nullptr;
  static constexpr int kMeshSlotCount = 25;
  CD3DFile_Mesh* m_meshes[kMeshSlotCount] = {};
  D3DMATERIAL9 m_defaultMaterial{};
  D3DMATERIAL9* m_pMaterial = &m_defaultMaterial;
  bool m_textureSizeBoxShown = false;
  std::unique_ptr<BodyTextureLoader> m_bodyTextureLoader;
  void FillBodyTextureSlots(const std::vector<IDirect3DTexture9**>& slots, BodyTextureOutcome& outcome);
  // Each distinct light failure is shown once per run ("Error SetLight",
  // "Error LightEnable"); the trail keeps every one.
  void ReportLightFailure(const char* text, HRESULT result);
  virtual void ShowLightFailureBox(const char* text);
  std::vector<std::string> m_reportedLightFailures;
  // The landscape, the horizon, the finder and CCD fields and the coordinate
  // rule of the planetarium (after the bodies).
  void DrawObserverSurroundings(D3DCOLOR skyColour);
  void DrawLandscape(D3DCOLOR skyColour);
  // The rest between the caller's Begin and End of m_pLine.
  void DrawHorizonLine();
  void DrawFinderFields();
  void DrawCoordinateRule();
  // Parts of the solar-system pass: a point light at the Sun (errors shown
  // once), one object's surface, the Earth's clouds, Saturn with its rings.
  void SetSunLight(DWORD index, const D3DXVECTOR3& position, float diffuse, float specular, float range,
                   float attenuation0, float attenuation1);
  void EnableLight(DWORD index, bool enable);
  void DrawSolarSystemObject(int n, const D3DXMATRIX& world, const D3DXVECTOR3& drawing, float radius, float polar,
                             int level, double cameraDistance);
  void DrawEarthClouds(const D3DXVECTOR3& drawing, float radius);
  void DrawSaturn(const D3DXVECTOR3& drawing, float radius, float polar, int level);
  // Body number of the probe chosen last from the menu (0 none).
  int m_selectedSpacecraft = 0;
  // The probe commands (menu ids 187, 225, ...): the trajectory loaded, the
  // view locked on the probe and its information shown.
  void ShowProbeCommand(UINT command);
  void MapSpacecraftCommands();

  // ---- Frame, scene objects and vertex programs -------------------------------------
  // The five vertex programs (each returns the result of its last step; a
  // failure leaves its shader null, and the passes using it draw nothing).
  HRESULT LoadPlaneShader(const char* path);
  HRESULT LoadLensShader(const char* path);
  HRESULT LoadTubeShader(const char* path);
  HRESULT LoadDiscShader(const char* path);
  HRESULT LoadRingsShader(const char* path);
  // The horizon layers of the planetarium: cloud dome and haze band.
  void DrawHorizonLayers();
  // The Sun's lens flare (d: cosine between the view and the Sun).
  void DrawLensFlare(float d);
  // The text overlays of the frame.
  void DrawOverlays();
  // "Locked on ..." with the locked body's name and distance.
  std::string LockedObjectText();
  // Passes of the frame that other parts of the program provide; until then
  // they draw nothing.
  virtual void DrawSkyScene();
  virtual void RenderBodiesFromEarth(D3DCOLOR ambient);
  virtual void RenderSolarSystem();

  IDirect3DVertexShader9* m_planetShader = nullptr;
  IDirect3DVertexDeclaration9* m_planetDeclaration = nullptr;
  IDirect3DVertexShader9* m_lensShader = nullptr;
  IDirect3DVertexDeclaration9* m_lensDeclaration = nullptr;
  IDirect3DVertexShader9* m_tubeShader = nullptr;
  IDirect3DVertexDeclaration9* m_tubeDeclaration = nullptr;
  IDirect3DVertexShader9* m_discShader = nullptr;
  IDirect3DVertexDeclaration9* m_discDeclaration = nullptr;
  IDirect3DVertexShader9* m_ringShader = nullptr;
  IDirect3DVertexDeclaration9* m_ringDeclaration = nullptr;
  CTextureFont* m_labelFonts[13] = {};
  // Deletes the label and overlay fonts (also made without a device, by the
  // fonts dialog).
  void DeleteLabelFonts();
  CTextureFont* m_overlayFont = nullptr;
  IDirect3DTexture9* m_starPictureTexture = nullptr;
  IDirect3DTexture9* m_haloTexture = nullptr;
  IDirect3DTexture9* m_starSpriteTexture = nullptr;
  IDirect3DTexture9* m_lensTexture = nullptr;
  IDirect3DTexture9* m_lens2Texture = nullptr;
  IDirect3DTexture9* m_landscapeTexture = nullptr;
  IDirect3DTexture9* m_cloudySkyTexture = nullptr;
  IDirect3DTexture9* m_milkyWayTexture = nullptr;
  IDirect3DVertexBuffer9* m_horizonBandVB = nullptr;
  // Colours of the frame, read by the sky and body passes.
  D3DCOLORVALUE m_skyColorValue{};
  D3DCOLORVALUE m_horizonLightColorValue{};
  D3DCOLORVALUE m_ambientGreyValue{};
  // The transposed world x view-projection of the next shader draw.
  D3DXMATRIX m_shaderMatrix;
  DWORD m_depthTestMode = D3DZB_TRUE;
  double m_cameraSpeed = 0.0;  // km/s, shown while flying in the solar system

  // ---- Sky scene: catalogue depth, stars, deep sky, lines and labels -------------
  // Chooses the star catalogues and limiting magnitudes for the field of view.
  void SelectCatalogueDepth();
  // One star sprite at a scene point (size, colour 0..1); false when the
  // sprite quad or its program is missing.
  bool DrawStarSprite(const D3DXVECTOR3& point, float size, float red, float green, float blue);
  // 2 tan(0.2 f): the smallest star sprite of the field.
  float MinimumStarSize() const;
  void DrawBrightStars();
  void QueueStarNames();
  void DrawSky2000Stars();
  void DrawTycho2Stars();
  void DrawTycho2Part2Stars();
  // The tiles (1..tileCount) whose centre lies within the cone, at most 30;
  // the rest of `visible` is zeroed. Returns their count.
  int FindVisibleTiles(const TileCentre* tiles, int tileCount, float cone, int* visible);
  // Drops the slots no longer in view and loads the new tiles; false when a
  // tile could not be read.
  template <typename Star>
  bool RefreshTiles(const int* visible, int visibleCount, int* slots, Star* stars, int& count,
                    bool (*load)(CString, int), bool writeSlots);
  template <typename Star>
  void PlaceTileStar(Star& star);
  virtual void DrawMilkyWay();
  virtual void DrawPicturePlacementPreview();
  virtual void DrawDeepSkyObjects();
  virtual void DrawSurveyTiles();
  // Equator, ecliptic, borders, figures, orbits, grids and the work unit.
  void DrawSkyLines();
  // The planets' orbits seen from the camera (solar-system mode).
  void DrawOrbitOutlines();
  // Grid labels, line names, constellation names, the target and the queue.
  void DrawSkyTexts();
  // The pixel of a scene point (back-buffer size as floats).
  D3DXVECTOR2 ScenePointToPixel(const D3DXVECTOR3& p) const;

  int m_sky2000TileSlots[kSkyTileSlotCount] = {};
  int m_tycho2TileSlots[kSkyTileSlotCount] = {};
  double m_deepSkyLimitingMagnitude = 6.0;
  float m_starSizeScale = 1.0f;
  // A tile of the catalogue could not be read: it stays off for this run.
  bool m_sky2000Unreadable = false;
  bool m_tycho2Unreadable = false;
  bool m_tycho2Part2JustActivated = false;
  HRESULT m_lastStarDrawResult = D3D_OK;
  // The frame's label queue while the sky is drawn.
  ScreenLabelQueue* m_screenLabels = nullptr;
  // Horizontal grid: 49 azimuth rows of 20 altitudes ((j - 2) x 7.5 degrees),
  // rows 25 points apart.
  std::vector<SkyPoint> m_horizontalGridPoints = std::vector<SkyPoint>(49 * 25);

  // ---- Start-up --------------------------------------------------------------------
  void RecoverNightVisionColors();
  // Bright-star and deep-sky zones; false (after telling the user once) when
  // a zone is missing or cut short. The zones read are kept.
  bool LoadCatalogueZones();
  void RemoveLeftTemporaryFiles();
  // Border points and label places in radians, border segments.
  void BuildConstellationTables();
  // Horizontal and equatorial grids; obliquity, equator and ecliptic.
  void BuildGridTables();
  void BuildEquatorAndEcliptic();
  void ReadVersionTexts();
  // Steps that later parts of the program provide; until then they do nothing.
  virtual void ReadRegistryDates();
  virtual void LoadOpticsFile();
  virtual void SaveOpticsFile();
  virtual void ComputeStartupAlerts();
  virtual void InitializeOle();
  virtual void OnInfoEarth();
  virtual void StopDownloadThreads();
  // True while a frame is being drawn; a close asked meanwhile is carried
  // out when the frame ends.
  bool IsDrawingFrame() const { return m_inOnDraw; }
  bool m_closeRequested = false;
  // The start-up sequence has run (the exit then writes the settings).
  bool m_startupRan = false;
  int m_loadedBrightStars = 0;
  int m_loadedDeepSkyObjects = 0;

  // ---- Camera and mode ------------------------------------------------------------
  // Mode 1 looks around, 2 orbits the locked object, 3 rolls.
  void RotateCamera(int mode, float a1, float a2);
  // Planetarium mode: looks at azimuth -yaw, altitude pitch.
  virtual void ResetAndRotateCamera(float yaw, float pitch);
  // Solar-system placements; distance 0 takes the default.
  void GoToBody(int body, double distance);
  void GoToSun(double distance);
  void GoToEarth();
  void StandOffFromBody(int body, float turn, double distance);
  void OnToggleMode();
  void ReadCameraAxes();
  // normalize(up x side): the look direction reversed.
  D3DXVECTOR3 CameraBackAxis() const;
  void RebuildCameraView(const D3DXVECTOR3& up);
  bool LockedObjectPlace(Vector3d& position, double& cameraDistance) const;

 private:
  bool m_inOnDraw = false;
  bool m_frameClockStarted = false;
};

// Star tiles in view in this frame.
extern int g_visibleSky2000Tiles[kSkyTileSlotCount];
extern int g_visibleTycho2Tiles[kSkyTileSlotCount];
// Colour (0-255 each) of a spectral class letter, either case; white for
// any other character.
void SpectralClassColour(char letter, int& r, int& g, int& b);
// Sprite size of a star (magnitudes brighter than 0.5 are sized as 0.5).
float StarSpriteSize(float magnitude, float sizeScale);
// What the star size is divided by for a sky whose blue is skyBlue (0..1).
float StarSizeDivisor(float skyBlue);

// False when another body shadows body n (objects 1000 and above, and body
// 45, are always lit).
bool IsBodySunlit(int n);

// Forgets the frame loop's process-wide state (a new run; tests).
void ResetFrameLoopGlobals();
