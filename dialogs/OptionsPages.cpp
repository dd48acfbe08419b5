// The nine pages of the configuration dialog. Each keeps plain members bound
// to its controls; Load and Store carry them from and to the dialog's
// settings.
#include <algorithm>
#include <initializer_list>

#include "NumberFormat.h"
#include "OptionsDialog.h"

namespace {

// Name choices shown as texts: string ids of values 1, 2 and 3.
constexpr UINT kLanguageStrings[3] = {1042, 1043, 1044};
constexpr UINT kStarLabelStrings[3] = {1045, 1046, 1047};

// The file chosen for a path edit: kept only when its extension is the one
// asked for.
bool ChooseFileWithExtension(const char* extension, const char* initialName, const char* filter, CString& path) {
  CString chosen;
  if (!AfxChooseFile(TRUE, extension, initialName, filter, nullptr, chosen)) return false;
  if (!PathHasExtension(chosen, extension)) return false;
  path = chosen;
  return true;
}

class Options2 : public OptionsPage {
 public:
  Options2() : OptionsPage(IDD_OPTIONS_CONSTELLATIONS) {}
  BOOL OnInitDialog() override {
    for (UINT id : kLanguageStrings) AfxAddComboString(this, 1131, AfxString(id).c_str());
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1132, m_showConstellationBorders);
    DDX_Check(pDX, 1130, m_showConstellationNames);
    DDX_Check(pDX, 1133, m_showConstellationFigures);
    if (pDX->m_bSaveAndValidate) m_languageText = AfxGetComboText(this, 1131);
    else AfxSetComboText(this, 1131, m_languageText.c_str());
  }
  void Load(const OptionsSettings& s) override {
    m_showConstellationBorders = s.showConstellationBorders;
    m_showConstellationNames = s.showConstellationNames;
    m_showConstellationFigures = s.showConstellationFigures;
    m_languageText = s.constellationLanguageText;
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.showConstellationBorders = m_showConstellationBorders;
    s.showConstellationNames = m_showConstellationNames;
    s.showConstellationFigures = m_showConstellationFigures;
    s.constellationLanguageText = m_languageText;
  }
  bool m_showConstellationBorders = false, m_showConstellationNames = false, m_showConstellationFigures = false;
  CString m_languageText;
};

class Options3 : public OptionsPage {
 public:
  Options3() : OptionsPage(IDD_OPTIONS_STARS) {
    // Ticking Tycho-2 ticks Sky2000 too (its stars come first); only the two
    // boxes change, whatever else was typed stays.
    MapCommand(1139, [this] {
      if (IsDlgButtonChecked(1139)) CheckDlgButton(1138, 1);
    });
    MapNotify(1141, UDN_DELTAPOS, [this](int delta) {
      if (delta < 0) m_magnitudeZero += 1.0;
      else if (delta > 0 && m_magnitudeZero > 1.0) m_magnitudeZero -= 1.0;
      ShowMagnitudeZero();
    });
    MapCommand(1182, [this] {
      CString path;
      if (ChooseFileWithExtension(".tga", nullptr, ".tga files| *.tga|", path)) SetDlgItemText(1019, path.c_str());
    });
  }
  BOOL OnInitDialog() override {
    for (UINT id : kStarLabelStrings) AfxAddComboString(this, 1135, AfxString(id).c_str());
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1134, m_showStarNames);
    DDX_Check(pDX, 1138, m_useSky2000);
    DDX_Check(pDX, 1139, m_useTycho2);
    DDX_Text(pDX, 1140, m_magnitudeZeroText);
    DDX_Text(pDX, 1143, m_starMagnitudeLimit);
    DDV_MinMaxDouble(pDX, m_starMagnitudeLimit, -50.0, 15.0);
    if (pDX->m_failed) return;
    if (pDX->m_bSaveAndValidate) m_starNameStyleText = AfxGetComboText(this, 1135);
    else AfxSetComboText(this, 1135, m_starNameStyleText.c_str());
    DDX_Text(pDX, 1019, m_starPicturePath);
  }
  void Load(const OptionsSettings& s) override {
    m_showStarNames = s.showStarNames;
    m_useSky2000 = s.useSky2000;
    m_useTycho2 = s.useTycho2;
    m_magnitudeZero = s.magnitudeZero;
    m_starMagnitudeLimit = s.starMagnitudeLimit;
    m_starNameStyleText = s.starNameStyleText;
    m_starPicturePath = s.starPicturePath;
    m_magnitudeZeroText = MagnitudeZeroText();
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.showStarNames = m_showStarNames;
    s.useSky2000 = m_useSky2000;
    s.useTycho2 = m_useTycho2;
    s.magnitudeZero = m_magnitudeZero;
    s.starMagnitudeLimit = m_starMagnitudeLimit;
    s.starNameStyleText = m_starNameStyleText;
    s.starPicturePath = m_starPicturePath;
  }
  CString MagnitudeZeroText() const { return FormatC(AfxString(568).c_str(), m_magnitudeZero).c_str(); }
  void ShowMagnitudeZero() {
    m_magnitudeZeroText = MagnitudeZeroText();
    SetDlgItemText(1140, m_magnitudeZeroText.c_str());
  }
  bool m_showStarNames = false, m_useSky2000 = false, m_useTycho2 = false;
  CString m_magnitudeZeroText;
  double m_magnitudeZero = 0.0, m_starMagnitudeLimit = 0.0;
  CString m_starNameStyleText, m_starPicturePath;
};

class Options4 : public OptionsPage {
 public:
  Options4() : OptionsPage(IDD_OPTIONS_DEEP_SKY) {}
  BOOL OnInitDialog() override {
    AfxSetSliderRange(this, 1153, -3, 3);
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1144, m_showDeepSkyObjects);
    DDX_Check(pDX, 1145, m_showDeepSkyNames);
    DDX_Check(pDX, 1146, m_showDeepSkyPictures);
    DDX_Text(pDX, 1148, m_deepSkyMagnitudeLimit);
    DDX_Check(pDX, 1149, m_showMilkyWay);
    DDX_Slider(pDX, 1153, m_luminosity);
  }
  void Load(const OptionsSettings& s) override {
    m_showDeepSkyObjects = s.showDeepSkyObjects;
    m_showDeepSkyNames = s.showDeepSkyNames;
    m_showDeepSkyPictures = s.showDeepSkyPictures;
    m_deepSkyMagnitudeLimit = s.deepSkyMagnitudeLimit;
    m_showMilkyWay = s.milkyWay > 0;
    m_luminosity = s.milkyWayLuminosity;
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.showDeepSkyObjects = m_showDeepSkyObjects;
    s.showDeepSkyNames = m_showDeepSkyNames;
    s.showDeepSkyPictures = m_showDeepSkyPictures;
    s.deepSkyMagnitudeLimit = m_deepSkyMagnitudeLimit;
    s.milkyWay = m_showMilkyWay ? 1 : 0;
    s.milkyWayLuminosity = m_luminosity;
  }
  bool m_showDeepSkyObjects = false, m_showDeepSkyNames = false, m_showDeepSkyPictures = false;
  double m_deepSkyMagnitudeLimit = 0.0;
  bool m_showMilkyWay = false;
  int m_luminosity = 0;
};

class Options5 : public OptionsPage {
 public:
  Options5() : OptionsPage(IDD_OPTIONS_PLANETS) {
    MapCommand(1007, [this] { Select(m_cometNames, m_selectedComets, m_selectedCometCount); });
    MapCommand(1008, [this] { Select(m_asteroidNames, m_selectedAsteroids, m_selectedAsteroidCount); });
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1154, m_showPlanetNames);
    DDX_Check(pDX, 1155, m_showComets);
    DDX_Check(pDX, 1046, m_showOrbits);
    DDX_Check(pDX, 1156, m_showAsteroids);
  }
  void Load(const OptionsSettings& s) override {
    m_showPlanetNames = s.showPlanetNames;
    m_showComets = s.showComets;
    m_showOrbits = s.showOrbits;
    m_showAsteroids = s.showAsteroids;
    m_cometNames = s.cometNames;
    m_asteroidNames = s.asteroidNames;
    m_selectedCometCount = s.selectedCometCount;
    m_selectedAsteroidCount = s.selectedAsteroidCount;
    std::copy(s.selectedComets, s.selectedComets + kSelectionCapacity, m_selectedComets);
    std::copy(s.selectedAsteroids, s.selectedAsteroids + kSelectionCapacity, m_selectedAsteroids);
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.showPlanetNames = m_showPlanetNames;
    s.showComets = m_showComets;
    s.showOrbits = m_showOrbits;
    s.showAsteroids = m_showAsteroids;
    s.selectedCometCount = m_selectedCometCount;
    s.selectedAsteroidCount = m_selectedAsteroidCount;
    std::copy(m_selectedComets, m_selectedComets + kSelectionCapacity, s.selectedComets);
    std::copy(m_selectedAsteroids, m_selectedAsteroids + kSelectionCapacity, s.selectedAsteroids);
  }
  void Select(const std::vector<CString>& names, int* selection, int& count) {
    SelectionObjets dialog;
    dialog.m_names = &names;
    std::fill(dialog.m_selection, dialog.m_selection + kSelectionCapacity, -1);
    dialog.m_selectionCount = std::max(0, std::min(count, kSelectionCapacity));
    std::copy(selection, selection + dialog.m_selectionCount, dialog.m_selection);
    if (Run(dialog) != IDOK) return;
    count = std::max(0, std::min(dialog.m_selectionCount, kSelectionCapacity));
    std::copy(dialog.m_selection, dialog.m_selection + kSelectionCapacity, selection);
  }
  bool m_showPlanetNames = false, m_showComets = false, m_showOrbits = false, m_showAsteroids = false;
  std::vector<CString> m_cometNames, m_asteroidNames;
  int m_selectedComets[kSelectionCapacity] = {};
  int m_selectedAsteroids[kSelectionCapacity] = {};
  int m_selectedCometCount = 0, m_selectedAsteroidCount = 0;
};

class Options6 : public OptionsPage {
 public:
  Options6() : OptionsPage(IDD_OPTIONS_COORDINATES) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1157, m_showRule);
    DDX_Check(pDX, 1158, m_showEquatorialGrid);
    DDX_Check(pDX, 1159, m_showHorizontalGrid);
    DDX_Check(pDX, 1160, m_showEquator);
    DDX_Check(pDX, 1161, m_showEcliptic);
  }
  void Load(const OptionsSettings& s) override {
    m_showRule = s.showRule;
    m_showEquatorialGrid = s.showEquatorialGrid;
    m_showHorizontalGrid = s.showHorizontalGrid;
    m_showEquator = s.showEquator;
    m_showEcliptic = s.showEcliptic;
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.showRule = m_showRule;
    s.showEquatorialGrid = m_showEquatorialGrid;
    s.showHorizontalGrid = m_showHorizontalGrid;
    s.showEquator = m_showEquator;
    s.showEcliptic = m_showEcliptic;
  }
  bool m_showRule = false, m_showEquatorialGrid = false, m_showHorizontalGrid = false, m_showEquator = false,
       m_showEcliptic = false;
};

class Options7 : public OptionsPage {
 public:
  Options7() : OptionsPage(IDD_OPTIONS_PLANETARIUM) {
    MapCommand(1174, [this] {
      CString path;
      if (ChooseFileWithExtension(".tga", nullptr, ".tga files| *.tga|", path)) SetDlgItemText(1019, path.c_str());
    });
  }
  BOOL OnInitDialog() override {
    AfxSetSliderRange(this, 1183, -20, 20);
    AfxSetSliderRange(this, 1048, 0, 359);
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1041, m_showStatusLine);
    DDX_Check(pDX, 1098, m_naturalSkyColor);
    DDX_Check(pDX, 1162, m_showLandscape);
    DDX_Check(pDX, 1043, m_showCloudySky);
    DDX_Slider(pDX, 1183, m_elevation);
    DDX_Text(pDX, 1019, m_landscapePath);
    DDX_Slider(pDX, 1048, m_orientation);
  }
  void Load(const OptionsSettings& s) override {
    m_showStatusLine = s.showStatusLine;
    m_naturalSkyColor = s.naturalSkyColor;
    m_showLandscape = s.showLandscape;
    m_showCloudySky = s.showCloudySky;
    m_elevation = s.landscapeElevation;
    m_landscapePath = s.landscapePath;
    m_orientation = s.landscapeOrientation;
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.showStatusLine = m_showStatusLine;
    s.naturalSkyColor = m_naturalSkyColor;
    s.showLandscape = m_showLandscape;
    s.showCloudySky = m_showCloudySky;
    s.landscapeElevation = m_elevation;
    s.landscapePath = m_landscapePath;
    s.landscapeOrientation = m_orientation;
  }
  bool m_showStatusLine = false, m_naturalSkyColor = false, m_showLandscape = false, m_showCloudySky = false;
  int m_elevation = 0, m_orientation = 0;
  CString m_landscapePath;
};

class Options8 : public OptionsPage {
 public:
  Options8() : OptionsPage(IDD_OPTIONS_WORK_UNIT) {
    MapCommand(1166, [this] {
      CString path;
      if (ChooseFileWithExtension(".xml", "client_state.xml", "client_state.xml file| *.xml|", path))
        SetDlgItemText(1165, path.c_str());
    });
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, 1165, m_setiClientStatePath);
    DDX_Check(pDX, 1167, m_showSetiWorkUnits);
  }
  void Load(const OptionsSettings& s) override {
    m_setiClientStatePath = s.setiClientStatePath;
    m_showSetiWorkUnits = s.showSetiWorkUnits;
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.setiClientStatePath = m_setiClientStatePath;
    s.showSetiWorkUnits = m_showSetiWorkUnits;
  }
  CString m_setiClientStatePath;
  bool m_showSetiWorkUnits = false;
};

class Options9 : public OptionsPage {
 public:
  Options9() : OptionsPage(IDD_OPTIONS_3D) {
    const int antialias[3] = {1007, 1005, 1011};
    const int textures[4] = {1012, 1009, 1010, 1055};
    for (int id : antialias) MapCommand(id, [this, id] { Exclusive(id, {1007, 1005, 1011}); });
    for (int id : textures) MapCommand(id, [this, id] { Exclusive(id, {1012, 1009, 1010, 1055}); });
    MapCommand(1063, [this] {
      Options10 box;
      box.m_depthStencilFormat = m_depthStencilFormat;
      box.m_presentInterval = m_presentInterval;
      box.m_mipMapping = m_mipMapping;
      box.m_vertexProcessing = m_vertexProcessing;
      if (Run(box) != IDOK) return;
      m_depthStencilFormat = box.m_depthStencilFormat;
      m_presentInterval = box.m_presentInterval;
      m_mipMapping = box.m_mipMapping;
      m_vertexProcessing = box.m_vertexProcessing;
    });
  }
  BOOL OnInitDialog() override {
    AfxSetSliderRange(this, 1015, 0, 15);
    return CDialog::OnInitDialog();
  }
  // One box of a group ticked: the others of the group are cleared. Very
  // high resolution textures need compression.
  void Exclusive(int clicked, std::initializer_list<int> group) {
    if (!IsDlgButtonChecked(clicked)) return;
    for (int id : group)
      if (id != clicked) CheckDlgButton(id, 0);
    if (clicked == 1055) CheckDlgButton(1040, 1);
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1007, m_antialiasNone);
    DDX_Check(pDX, 1005, m_antialias2x);
    DDX_Check(pDX, 1011, m_antialias4x);
    DDX_Check(pDX, 1012, m_textureLow);
    DDX_Check(pDX, 1009, m_textureNormal);
    DDX_Check(pDX, 1010, m_textureHigh);
    DDX_Check(pDX, 1055, m_textureVeryHigh);
    DDX_Check(pDX, 1017, m_showAtmospheres);
    DDX_Check(pDX, 1016, m_reflection);
    DDX_Check(pDX, 1018, m_lensFlare);
    DDX_Check(pDX, 1030, m_wireframe);
    DDX_Check(pDX, 1040, m_textureCompression);
    DDX_Slider(pDX, 1015, m_bumpMapping);
    DDX_Check(pDX, 1056, m_cloudShadows);
    DDX_Check(pDX, 1058, m_realTimeCloudMap);
  }
  void Load(const OptionsSettings& s) override {
    m_antialiasNone = s.antialiasing == 0;
    m_antialias2x = s.antialiasing == 2;
    m_antialias4x = s.antialiasing == 4;
    m_textureLow = s.textureLevel == 1;
    m_textureNormal = s.textureLevel == 2;
    m_textureHigh = s.textureLevel == 3;
    m_textureVeryHigh = s.textureLevel == 4;
    m_showAtmospheres = s.showAtmospheres;
    m_reflection = s.reflection;
    m_lensFlare = s.lensFlare;
    m_wireframe = s.wireframe;
    m_textureCompression = s.textureCompression;
    m_bumpMapping = s.bumpMapping;
    m_cloudShadows = s.cloudShadows;
    m_realTimeCloudMap = s.realTimeCloudMap;
    m_depthStencilFormat = s.depthStencilFormat;
    m_presentInterval = s.presentInterval;
    m_mipMapping = s.mipMapping;
    m_vertexProcessing = s.vertexProcessing;
    UpdateData(FALSE);
    // What the adapter cannot do is greyed, yet a stored choice still shows.
    if (CWnd* box = GetDlgItem(1005)) box->EnableWindow(s.multisample2Supported);
    if (CWnd* box = GetDlgItem(1011)) box->EnableWindow(s.multisample4Supported);
  }
  void Store(OptionsSettings& s) const override {
    int antialiasing = 0;
    if (m_antialiasNone) antialiasing = 0;
    if (m_antialias2x) antialiasing = 2;
    if (m_antialias4x) antialiasing = 4;
    s.antialiasing = antialiasing;
    int level = 1;
    if (m_textureLow) level = 1;
    if (m_textureNormal) level = 2;
    if (m_textureHigh) level = 3;
    if (m_textureVeryHigh) level = 4;
    s.textureLevel = level;
    s.showAtmospheres = m_showAtmospheres;
    s.reflection = m_reflection;
    s.lensFlare = m_lensFlare;
    s.wireframe = m_wireframe;
    s.textureCompression = m_textureCompression;
    s.bumpMapping = m_bumpMapping;
    s.cloudShadows = m_cloudShadows;
    s.realTimeCloudMap = m_realTimeCloudMap;
    s.depthStencilFormat = m_depthStencilFormat;
    s.presentInterval = m_presentInterval;
    s.mipMapping = m_mipMapping;
    s.vertexProcessing = m_vertexProcessing;
  }
  bool m_antialiasNone = false, m_antialias2x = false, m_antialias4x = false;
  bool m_textureLow = false, m_textureNormal = false, m_textureHigh = false, m_textureVeryHigh = false;
  bool m_showAtmospheres = false, m_reflection = false, m_lensFlare = false, m_wireframe = false,
       m_textureCompression = false, m_cloudShadows = false, m_realTimeCloudMap = false;
  int m_bumpMapping = 0;
  int m_depthStencilFormat = 0;
  unsigned m_presentInterval = 0;
  int m_mipMapping = 0, m_vertexProcessing = 0;
};

class Options11 : public OptionsPage {
 public:
  Options11() : OptionsPage(IDD_OPTIONS_SATELLITES) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 1030, m_computeSatellitePositions);
    DDX_Check(pDX, 1031, m_showSatelliteNames);
  }
  void Load(const OptionsSettings& s) override {
    m_computeSatellitePositions = s.computeSatellitePositions;
    m_showSatelliteNames = s.showSatelliteNames;
    UpdateData(FALSE);
  }
  void Store(OptionsSettings& s) const override {
    s.computeSatellitePositions = m_computeSatellitePositions;
    s.showSatelliteNames = m_showSatelliteNames;
  }
  bool m_computeSatellitePositions = false, m_showSatelliteNames = false;
};

}  // namespace

OptionsPage* CreateOptionsPage(int index) {
  switch (index) {
    case 0: return new Options2;
    case 1: return new Options3;
    case 2: return new Options4;
    case 3: return new Options5;
    case 4: return new Options6;
    case 5: return new Options7;
    case 6: return new Options8;
    case 7: return new Options9;
    default: return new Options11;
  }
}
