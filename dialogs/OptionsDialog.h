#pragma once
// The configuration dialog: nine pages on a tab control (constellations,
// stars, deep sky, planets, coordinates, planetarium, work unit, 3D,
// satellites), the Direct 3D settings box of the 3D page and the choice of
// the comets and asteroids to display. The dialogs never see the view: the
// configuration command fills `OptionsSettings` before the dialog runs and
// takes it back after "Apply".
#include <vector>

#include "Dialog.h"

constexpr UINT IDD_OPTIONS = 326;
constexpr UINT IDD_OPTIONS_CONSTELLATIONS = 327;
constexpr UINT IDD_OPTIONS_STARS = 328;
constexpr UINT IDD_OPTIONS_DEEP_SKY = 329;
constexpr UINT IDD_OPTIONS_PLANETS = 330;
constexpr UINT IDD_OPTIONS_COORDINATES = 331;
constexpr UINT IDD_OPTIONS_PLANETARIUM = 333;
constexpr UINT IDD_OPTIONS_WORK_UNIT = 341;
constexpr UINT IDD_OPTIONS_3D = 219;
constexpr UINT IDD_OPTIONS_SATELLITES = 343;
constexpr UINT IDD_DIRECT3D_SETTINGS = 290;
constexpr UINT IDD_SELECT_OBJECTS = 283;

// Most objects a display list holds.
constexpr int kSelectionCapacity = 100;

// Everything the dialog shows and edits, in the dialog's own types (check
// boxes as bools, the name choices as their texts, luminosity as the slider
// position).
struct OptionsSettings {
  // Constellations
  bool showConstellationNames = false, showConstellationBorders = false, showConstellationFigures = false;
  CString constellationLanguageText;
  // Stars
  bool showStarNames = false, useSky2000 = false, useTycho2 = false;
  double starMagnitudeLimit = 0.0, magnitudeZero = 0.0;
  CString starNameStyleText, starPicturePath;
  // Deep sky
  bool showDeepSkyObjects = false, showDeepSkyNames = false, showDeepSkyPictures = false;
  double deepSkyMagnitudeLimit = 0.0;
  int milkyWay = 0;            // the level; the page shows level > 0
  int milkyWayLuminosity = 0;  // slider position, -3 to 3
  // Planets
  bool showPlanetNames = false, showComets = false, showAsteroids = false, showOrbits = false;
  double cometMagnitudeLimit = 0.0, asteroidMagnitudeLimit = 0.0;
  std::vector<CString> cometNames, asteroidNames;  // the loaded records, in order
  int selectedComets[kSelectionCapacity] = {};
  int selectedAsteroids[kSelectionCapacity] = {};
  int selectedCometCount = 0, selectedAsteroidCount = 0;
  // Coordinates
  bool showRule = false, showEquatorialGrid = false, showHorizontalGrid = false, showEquator = false,
       showEcliptic = false;
  // Planetarium
  bool showStatusLine = false, naturalSkyColor = false, showLandscape = false, showCloudySky = false;
  int landscapeElevation = 0, landscapeOrientation = 0;
  CString landscapePath;
  // Work unit
  CString setiClientStatePath;
  bool showSetiWorkUnits = false;
  // 3D
  int antialiasing = 0, textureLevel = 2, bumpMapping = 0;
  bool showAtmospheres = false, reflection = false, lensFlare = false, wireframe = false, textureCompression = false,
       cloudShadows = false, realTimeCloudMap = false;
  int depthStencilFormat = 0;
  unsigned presentInterval = 0;
  int mipMapping = 0, vertexProcessing = 0;
  bool multisample2Supported = true, multisample4Supported = true;
  // Satellites
  bool computeSatellitePositions = false, showSatelliteNames = false;
};

// The name of a Direct3D 9 surface format as the headers spell it ("D3DFMT_"
// and the format; without the prefix when `prefix` is false), "Unknown
// format" for a value that is none.
CString GetD3DFormatName(int format, bool prefix);

// The "Direct 3D settings" box of the 3D page.
class Options10 : public CDialog {
 public:
  Options10() : CDialog(IDD_DIRECT3D_SETTINGS) {}
  BOOL OnInitDialog() override;
  void OnOK() override;
  int m_depthStencilFormat = 0;
  unsigned m_presentInterval = 0;
  int m_mipMapping = 0;
  int m_vertexProcessing = 0;
};

// Objects to display: the loaded names on the left, the picks on the right.
class SelectionObjets : public CDialog {
 public:
  SelectionObjets() : CDialog(IDD_SELECT_OBJECTS) {}
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnAdd();
  void OnRemove();

  const std::vector<CString>* m_names = nullptr;
  int m_selectionCount = 0;
  int m_selection[kSelectionCapacity];
  int m_workingCount = 0;
};

// Runs a dialog modally; tests answer them instead.
using DialogRunner = std::function<INT_PTR(CDialog&)>;

class OptionsPage;

// The tab control of the configuration dialog and its nine pages (owned, in
// tab order). Pages change on mouse clicks only.
class COptionsTabCtrl : public CTabCtrl {
 public:
  static constexpr int kPageCount = 9;
  COptionsTabCtrl();
  ~COptionsTabCtrl() override;
  // Creates the page windows on the control and shows the current one.
  void Init();
  // Places every page below the tabs; only the current one shows.
  void SetRectangle();
  void OnLButtonDown(UINT flags, CPoint point) override;
  // Shows another page as a click on its tab does.
  void ShowPage(int index);

  OptionsPage* m_pages[kPageCount] = {};
  int m_currentPage = 0;
  int m_pageCount = kPageCount;
};

// The configuration dialog.
class Options : public CDialog {
 public:
  Options();
  ~Options() override;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCancel() override;

  COptionsTabCtrl m_tabs;
  OptionsSettings m_settings;
  bool m_restoreDefaults = false;
  int m_currentPage = 0;
  // Nested dialogs (file choice, object choice, Direct 3D box) go through it
  // when set.
  DialogRunner m_runDialog;

  static constexpr int kPageCount = COptionsTabCtrl::kPageCount;
  OptionsPage* Page(int index) const { return m_tabs.m_pages[index]; }
};

// One page: a child dialog on the tab control's pane.
class OptionsPage : public CDialog {
 public:
  explicit OptionsPage(UINT templateId) : CDialog(templateId) {}
  // Escape on a page cancels the whole dialog.
  void OnCancel() override;
  // Enter on a page is the dialog's "Apply".
  void OnOK() override;
  // Puts the settings into the page's members (the controls follow with
  // UpdateData(FALSE)) and takes them back.
  virtual void Load(const OptionsSettings& s) = 0;
  virtual void Store(OptionsSettings& s) const = 0;
  // Runs nested dialogs (the configuration dialog's runner).
  DialogRunner* m_runDialog = nullptr;
  INT_PTR Run(CDialog& dialog) { return m_runDialog && *m_runDialog ? (*m_runDialog)(dialog) : dialog.DoModal(); }
};

// True when the path's own extension (after its last dot, in its file name)
// is `extension` (".tga"), letters in any case.
bool PathHasExtension(const CString& path, const char* extension);
