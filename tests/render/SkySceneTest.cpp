// The sky scene: catalogue depth from the field, star sizes and colours,
// star names, star draws and tiles on the headless device, the dashed
// equator and the target cross; the start-up tables (border segments,
// observer terms, grids), the catalogue zones' box, the camera turns and
// the mode switch; the version block reader; survey tiles.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "Catalogues.h"
#include "ConstellationTables.h"
#include "FileVersionInfo.h"
#include "InstallPath.h"
#include "../../tools/pictures/Image.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ScreenLabel.h"
#include "SolarSystemTypes.h"
#include "SurveyTiles.h"
#include "Textures.h"
#include "UiDefs.h"

namespace fs = std::filesystem;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

class TempFolder {
 public:
  TempFolder() {
    root = fs::temp_directory_path() / ("nv-sky-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count));
    fs::create_directories(root);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;

 private:
  static inline int s_count = 0;
};

// A view over a temporary install folder; Start() makes the device and the
// scene objects (vertex programs and the star sprite).
class SkyView : public CNuvarine2View {
 public:
  // The frames run past the seventh: its start-up box counts as closed at once.
  int RunStartupBox(const CString&, int& choice) override {
    choice = 0;
    return IDCANCEL;
  }
  explicit SkyView(const fs::path& folder) {
    m_installFolder = folder.string();
    m_millisecondClock = [this] { return clock += 20.0; };
  }
  void GetClientSize(int& width, int& height) const override { width = 256, height = 192; }
  void Start() {
    fs::create_directories(fs::path(m_installFolder.GetString()) / "VS");
    fs::create_directories(fs::path(m_installFolder.GetString()) / "textures" / "stars");
    for (const char* name : {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"})
      fs::copy_file(fs::path(NUVARINE_VS_SOURCES) / name, fs::path(m_installFolder.GetString()) / "VS" / name,
                    fs::copy_options::overwrite_existing);
    std::string error;
    textures::WriteTga((fs::path(m_installFolder.GetString()) / "textures/stars/etoile3.tga").string(),
                       textures::DrawRadial(64, textures::StarProfile, 1, 1, 1), error);
    OnInitialUpdate();
    for (int i = 0; i < 5; ++i) OnDraw(nullptr);
  }
  // Looks at azimuth 0 on the horizon with the given field.
  void LookNorth(float field) {
    m_planetariumMode = true;
    m_milkyWay = 0;  // the counts here are of stars
    m_fieldOfView = field;
    m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, -1, 0));
    m_camera.SetProjectionParameters(field, 256.0f / 192.0f, 0.001f, 100.0f);
    D3DXMatrixMultiply(&m_viewProjectionMatrix, &m_camera.m_viewMatrix, &m_camera.m_projectionMatrix);
    m_backBufferWidthPixels = 256, m_backBufferHeightPixels = 192;
    m_backBufferWidth = 256.0f, m_backBufferHeight = 192.0f;
  }
  // Draw calls of one sky scene, unmerged.
  uint64_t CountSkyDraws() {
    IDirect3DDevice9* device = m_pd3dDevice;
    device->SetBatchingForLayer(false);
    device->BeginScene();
    const uint64_t before = device->GetDrawCallCountForLayer();
    DrawSkyScene();
    const uint64_t after = device->GetDrawCallCountForLayer();
    device->EndScene();
    device->SetBatchingForLayer(true);
    return after - before;
  }
  double clock = 1000.0;
};

BrightStar Star(float altitudeDeg, float azimuthDeg, float magnitude, const char* spectral = "  A0V") {
  BrightStar s{};
  s.altitude = static_cast<float>(altitudeDeg * kDeg);
  s.azimuth = static_cast<float>(azimuthDeg * kDeg);
  s.magnitude = magnitude;
  std::snprintf(s.spectralType, sizeof s.spectralType, "%s", spectral);
  std::memcpy(s.bayer, "   ", 4);
  return s;
}

// The bright-star catalogue of a test: the stars in zone 1.
class BrightStars {
 public:
  BrightStars(const BrightStars&) = delete;
  BrightStars& operator=(const BrightStars&) = delete;
  explicit BrightStars(const std::vector<BrightStar>& stars) {
    g_brightStars = new BrightStar[kBrightStarCapacity];
    for (size_t i = 0; i < stars.size(); ++i) g_brightStars[i] = stars[i];
    g_brightStarCount = static_cast<int>(stars.size());
    for (auto& z : g_brightStarZones) z.endIndex = g_brightStarCount;
    g_brightStarZones[0].endIndex = 0;
  }
  ~BrightStars() {
    delete[] g_brightStars;
    g_brightStars = nullptr;
    g_brightStarCount = 0;
    for (auto& z : g_brightStarZones) z.endIndex = 0;
  }
};

class SkyScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back({text, caption});
      return IDOK;
    });
    for (BodyState& b : g_bodies) b = BodyState{};
    for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    FreeCatalogueBuffers();
  }
  struct Box {
    CString text, caption;
  };
  std::vector<Box> boxes;
  TempFolder folder;
};

}  // namespace

// ---- Catalogue depth ------------------------------------------------------------

TEST_F(SkyScene, CatalogueDepthFollowsTheFieldAndTheMode) {
  struct Case {
    float field;
    bool planetarium, sky2000, tycho2;
    double limit;
    bool brightLayer, sky2000Loaded, tycho2Loaded;
  } cases[] = {
      {0.8f, true, true, true, 6.5, true, false, false},
      {0.3f, true, true, true, 1.0 / 0.3 + 5.5, false, true, false},
      {0.15f, true, true, true, 1.0 / 1.5 + 10.1, false, true, true},
      {0.25f, true, false, true, 1.0 / 2.5 + 10.1 - 1.0, false, false, true},
      {0.15f, false, true, true, 6.5, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    SkyView view(folder.root);
    view.m_planetariumMode = c.planetarium;
    view.m_useSky2000 = c.sky2000;
    view.m_useTycho2 = c.tycho2;
    view.m_starMagnitudeLimit = 13.0f;
    view.m_fieldOfView = c.field;
    view.SelectCatalogueDepth();
    EXPECT_NEAR(view.m_limitingMagnitude, c.limit, 1e-4);
    EXPECT_EQ(view.m_brightStarLayerActive, c.brightLayer);
    EXPECT_EQ(view.m_sky2000Loaded, c.sky2000Loaded);
    EXPECT_EQ(view.m_tycho2Loaded, c.tycho2Loaded);
    EXPECT_EQ(g_sky2000Stars != nullptr, c.sky2000Loaded);
    EXPECT_EQ(g_tycho2Stars != nullptr, c.tycho2Loaded);
    // The user's cap wins over the field's depth.
    view.m_starMagnitudeLimit = 5.0f;
    view.SelectCatalogueDepth();
    EXPECT_DOUBLE_EQ(view.m_limitingMagnitude, 5.0);
    FreeCatalogueBuffers();
  }
}

TEST_F(SkyScene, WideningTheFieldFreesTheTileBuffers) {
  SkyView view(folder.root);
  view.m_planetariumMode = true;
  view.m_fieldOfView = 0.04f;
  view.SelectCatalogueDepth();
  EXPECT_TRUE(view.m_tycho2Part2Loaded);
  EXPECT_NE(g_tycho2Part2Stars, nullptr);
  view.m_fieldOfView = 0.8f;
  view.SelectCatalogueDepth();
  EXPECT_FALSE(view.m_sky2000Loaded || view.m_tycho2Loaded || view.m_tycho2Part2Loaded);
  EXPECT_EQ(g_sky2000Stars, nullptr);
  EXPECT_EQ(g_tycho2Stars, nullptr);
  EXPECT_EQ(g_tycho2Part2Stars, nullptr);
}

TEST_F(SkyScene, StarSizesAndTheSkyBrightnessDivisor) {
  EXPECT_FLOAT_EQ(StarSpriteSize(-1.5f, 2.0f), StarSpriteSize(0.5f, 2.0f));
  EXPECT_NEAR(StarSpriteSize(2.0f, 1.0f), std::pow(1.45, -2.0), 1e-6);
  EXPECT_NEAR(StarSizeDivisor(10.0f / 255.0f), 3.352, 1e-3);
  EXPECT_NEAR(StarSizeDivisor(1.0f), 32.176, 1e-3);
  SkyView view(folder.root);
  view.m_fieldOfView = 0.5f;
  view.m_magnitudeZero = 17.0f;
  view.m_skyColorValue.b = 10.0f / 255.0f;
  view.SelectCatalogueDepth();
  EXPECT_NEAR(view.m_starSizeScale, 17.0 * 0.37 / StarSizeDivisor(10.0f / 255.0f), 1e-5);
  EXPECT_DOUBLE_EQ(view.m_deepSkyLimitingMagnitude, 6.0);
}

TEST_F(SkyScene, SpectralLettersPickTheirColours) {
  struct Case {
    char letter;
    int r, g, b;
  } cases[] = {{'O', 189, 207, 255}, {'b', 205, 239, 255}, {'A', 255, 255, 255}, {'F', 239, 239, 191},
               {'g', 206, 223, 175}, {'K', 255, 223, 207}, {'M', 255, 207, 175}, {'W', 255, 255, 255}};
  for (const Case& c : cases) {
    int r, g, b;
    SpectralClassColour(c.letter, r, g, b);
    EXPECT_EQ(r, c.r) << c.letter;
    EXPECT_EQ(g, c.g) << c.letter;
    EXPECT_EQ(b, c.b) << c.letter;
  }
}

TEST_F(SkyScene, StarNamesInTheirThreeStyles) {
  BrightStar named = Star(5, 0, 0.1f);
  named.bscNumber = g_starNames[0].bscNumber;
  std::memcpy(named.bayer, "GAM", 4);
  named.flamsteed = 58;
  BrightStar faint = Star(5, 2, 4.6f);  // fainter than 4.5: never named
  faint.bscNumber = g_starNames[1].bscNumber;
  BrightStar anonymous = Star(-5, 0, 1.0f);  // no proper name, no letter, no number
  anonymous.bscNumber = -7;
  BrightStars stars({named, faint, anonymous});
  struct Case {
    int style;
    std::vector<std::string> texts;
    BYTE kind;
  } cases[] = {{1, {g_starNames[0].name}, kLabelStarName}, {2, {"g"}, kLabelBayer}, {3, {"58"}, kLabelStarName}};
  for (const Case& c : cases) {
    SkyView view(folder.root);
    view.LookNorth(0.8f);
    view.m_starNameStyle = static_cast<BYTE>(c.style);
    ScreenLabelQueue queue;
    view.m_screenLabels = &queue;
    view.QueueStarNames();
    ASSERT_EQ(queue.Count(), static_cast<int>(c.texts.size())) << c.style;
    EXPECT_EQ(std::string(queue[0].text), c.texts[0]);
    EXPECT_EQ(queue[0].kind, c.kind);
    // At the star's pixel: azimuth 0 is the middle column, 5 degrees up is above the middle row.
    EXPECT_NEAR(queue[0].x, 128.0f, 0.5f);
    EXPECT_LT(queue[0].y, 96.0f);
    view.m_screenLabels = nullptr;
  }
}

// ---- Star draws on the headless device ---------------------------------------------

TEST_F(SkyScene, OneDrawPerVisibleStarWithinTheLimit) {
  SkyView view(folder.root);
  view.Start();
  ASSERT_TRUE(view.m_sceneReady);
  view.LookNorth(0.8f);
  view.m_showLandscape = false;
  {
    BrightStars stars({Star(10, 0, 1.0f), Star(20, 5, 3.0f), Star(5, -5, 6.0f),  // three in view
                       Star(10, 180, 1.0f),                                     // behind the camera
                       Star(10, 2, 7.5f)});                                     // beyond the limit
    EXPECT_EQ(view.CountSkyDraws(), 3u);
  }
  // Without any bright star the sky draws nothing at all.
  BrightStars none({});
  EXPECT_EQ(view.CountSkyDraws(), 0u);
}

TEST_F(SkyScene, TheHorizonDimsLowStarsUntilTheyVanish) {
  SkyView view(folder.root);
  view.Start();
  BrightStars stars({Star(1, 0, 5.0f), Star(1, 3, 5.0f)});
  view.LookNorth(0.8f);
  view.m_showLandscape = false;
  EXPECT_EQ(view.CountSkyDraws(), 2u);
  view.m_showLandscape = true;  // k = 0.43^1.4 x 1500 x 0.64 = 295: both gone
  EXPECT_EQ(view.CountSkyDraws(), 0u);
}

TEST_F(SkyScene, AnUnreadableTileSwitchesSky2000OffForThisRunOnly) {
  SkyView view(folder.root);
  view.Start();
  BrightStars stars({Star(10, 0, 1.0f)});
  InitTileCentres();
  for (int k = 1; k <= kSky2000TileCount; ++k) {
    // Every tile centre straight ahead, so the first visible tile is tried.
    g_sky2000Tiles[k].altitude = 0.1;
    g_sky2000Tiles[k].azimuth = 0.0;
  }
  view.LookNorth(0.3f);
  view.m_useTycho2 = false;
  view.CountSkyDraws();
  EXPECT_TRUE(view.m_sky2000Unreadable);
  EXPECT_FALSE(view.m_sky2000Loaded);
  EXPECT_TRUE(view.m_useSky2000);  // the settings keep the user's choice
  // The next frame falls back to the bright stars (the catalogue switch
  // recomputed their places: put the star back in view).
  g_brightStars[0].altitude = static_cast<float>(10 * kDeg);
  g_brightStars[0].azimuth = 0.0f;
  EXPECT_EQ(view.CountSkyDraws(), 1u);
  EXPECT_TRUE(view.m_brightStarLayerActive);
}

// Pixels of the frame just drawn, as RGB.
static std::vector<uint8_t> Picture(SkyView& view) {
  IDirect3DDevice9* device = view.m_pd3dDevice;
  std::vector<uint8_t> out;
  IDirect3DSurface9* copy = nullptr;
  device->CreateOffscreenPlainSurface(256, 192, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
  device->GetFrontBufferData(0, copy);
  D3DLOCKED_RECT locked{};
  copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  for (int y = 0; y < 192; ++y) {
    const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
    for (int x = 0; x < 256; ++x) out.insert(out.end(), {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]});
  }
  copy->UnlockRect();
  copy->Release();
  return out;
}

static int Brightest(const std::vector<uint8_t>& rgb, int x0, int x1, int y0, int y1) {
  int best = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) best = std::max(best, static_cast<int>(rgb[(y * 256 + x) * 3 + 1]));
  return best;
}

TEST_F(SkyScene, TheEquatorIsDashedOneDegreeOnOneOff) {
  SkyView view(folder.root);
  view.Start();
  BrightStars stars({Star(-80, 0, 9.0f)});
  // The equator laid on the horizon, degree k at azimuth k.
  for (int k = 0; k < kEquatorPointCount; ++k) view.m_equatorPoints[k] = {k * kDeg, 0.0, k * kDeg, 0.0};
  view.m_showEquator = true;
  view.m_useSky2000 = view.m_useTycho2 = false;  // no catalogue switch moves the points
  view.m_equatorColor = RGB(0, 255, 0);
  view.LookNorth(0.08f);  // about 60 pixels per degree
  IDirect3DDevice9* device = view.m_pd3dDevice;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  device->BeginScene();
  view.DrawSkyScene();
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  const std::vector<uint8_t> rgb = Picture(view);
  // Half a degree of azimuth is drawn, one and a half is not.
  auto column = [&](double azimuthDeg) {
    return static_cast<int>(view.ScenePointToPixel(view.SkyToScenePoint(true, 0.0f, static_cast<float>(azimuthDeg * kDeg), 1.9f)).x);
  };
  const int drawn = column(0.5), gap = column(1.5);
  ASSERT_GT(std::abs(drawn - gap), 20);
  EXPECT_GT(Brightest(rgb, drawn - 2, drawn + 2, 93, 99), 128);
  EXPECT_LT(Brightest(rgb, gap - 2, gap + 2, 93, 99), 20);
}

TEST_F(SkyScene, TheTargetIsAThirteenPixelCross) {
  SkyView view(folder.root);
  view.Start();
  BrightStars stars({Star(-80, 0, 9.0f)});
  view.m_targetMarked = true;
  view.m_targetAltitude = 0.0;
  view.m_targetAzimuth = 0.0;
  view.LookNorth(0.8f);
  IDirect3DDevice9* device = view.m_pd3dDevice;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  device->BeginScene();
  view.DrawSkyScene();
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  const std::vector<uint8_t> rgb = Picture(view);
  auto red = [&](int x, int y) { return rgb[(y * 256 + x) * 3] > 128 && rgb[(y * 256 + x) * 3 + 2] < 64; };
  int across = 0, down = 0;
  for (int x = 110; x < 146; ++x) across += red(x, 96);
  for (int y = 78; y < 114; ++y) down += red(128, y);
  EXPECT_GE(across, 12);
  EXPECT_LE(across, 13);
  EXPECT_GE(down, 12);
  EXPECT_LE(down, 13);
}

// ---- Start-up tables -----------------------------------------------------------------

TEST(StartupTables, BorderSegmentsJoinTheThirds) {
  struct Case {
    double a, d1, b, d2;
    double ra1, dec1, ra2, dec2;
  } cases[] = {
      {1.0, 0.0, 2.0, 0.3, 1.3333333, 0.1, 1.6666667, 0.2},
      {6.2, 0.0, 0.1, 0.0, 6.2610648, 0.0, 0.0389444, 0.0},   // forward across 0
      {0.1, 0.0, 6.2, 0.0, 0.0389352, 0.0, 6.2610556, 0.0},   // backward across 0
      {2.0, 0.3, 1.0, 0.0, 1.6666667, 0.2, 1.3333333, 0.1},
  };
  for (const Case& c : cases) {
    const BorderSegment s = BuildBorderSegment(c.a, c.d1, c.b, c.d2);
    EXPECT_NEAR(s.rightAscension1, c.ra1, 1e-4) << c.a;
    EXPECT_NEAR(s.declination1, c.dec1, 1e-9) << c.a;
    EXPECT_NEAR(s.rightAscension2, c.ra2, 1e-4) << c.a;
    EXPECT_NEAR(s.declination2, c.dec2, 1e-9) << c.a;
  }
  // Near the pole the first third is mirrored across it.
  const BorderSegment polar = BuildBorderSegment(1.0, 1.5, 2.0, 1.5);
  EXPECT_NEAR(polar.declination1, 3.14159265358979 - 1.5, 1e-9);
  EXPECT_NEAR(polar.declination2, polar.declination1, 1e-12);
}

TEST(StartupTables, ObserverTermsAndRefraction) {
  double s = 0, c = 0;
  ComputeObserverTerms((33.0 + 21.0 / 60 + 22.0 / 3600) * kDeg, 1706.0, s, c);
  EXPECT_NEAR(s, 0.546861, 1e-6);
  EXPECT_NEAR(c, 0.836339, 1e-6);
  ComputeObserverTerms(0.0, 1706.0, s, c);
  EXPECT_DOUBLE_EQ(s, 0.0);
  EXPECT_DOUBLE_EQ(c, 1.0);
  EXPECT_NEAR(StartupRefractionFactor(1013.0, 10.0), 0.964426, 1e-6);
}

TEST_F(SkyScene, GridsAreBuiltInFull) {
  SkyView view(folder.root);
  view.BuildGridTables();
  EXPECT_NEAR(view.m_horizontalGridPoints[0].altitude, -15.0 * kDeg, 1e-12);
  EXPECT_NEAR(view.m_horizontalGridPoints[19].altitude, 127.5 * kDeg, 1e-12);
  EXPECT_NEAR(view.m_horizontalGridPoints[48 * 25].azimuth, 0.0, 1e-12);  // 360 degrees folded
  EXPECT_NEAR(view.m_equatorialGridPoints[0][0].declination, -90.0 * kDeg, 1e-12);
  EXPECT_NEAR(view.m_equatorialGridPoints[3][25].declination, 97.5 * kDeg, 1e-12);
  EXPECT_NEAR(view.m_equatorialGridPoints[12][0].rightAscension, 90.0 * kDeg, 1e-12);
}

TEST_F(SkyScene, AnyMissingOrCutShortZoneShowsOneBoxAndTheRestLoads) {
  const fs::path bsc = folder.root / "bsc5", sac = folder.root / "sac";
  auto writeZones = [&] {
    fs::create_directories(bsc);
    fs::create_directories(sac);
    for (int zone = 1; zone <= kZoneCount; ++zone) {
      char name[16];
      std::snprintf(name, sizeof name, "%02d.dat", zone);
      std::ofstream(bsc / name, std::ios::binary) << std::string(2 * kBrightStarRecordSize, '\0');
      std::ofstream(sac / name, std::ios::binary) << std::string(kDeepSkyRecordSize, '\0');
    }
  };
  struct Case {
    const char* what;
    std::function<void()> damage;
    int stars, objects;
    std::vector<std::string> named;  // the files the box names
  } cases[] = {
      {"complete", [] {}, 100, 50, {}},
      {"sac zone 3 missing", [&] { fs::remove(sac / "03.dat"); }, 100, 49, {"03.dat"}},
      {"bsc5 zone 7 cut short",
       [&] { std::ofstream(bsc / "07.dat", std::ios::binary | std::ios::app) << std::string(10, '\0'); }, 100, 50,
       {"07.dat"}},
      {"bsc5 zone 1 and sac zone 50 missing", [&] { fs::remove(bsc / "01.dat"), fs::remove(sac / "50.dat"); }, 98,
       49, {"01.dat", "50.dat"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(bsc), fs::remove_all(sac);
    writeZones();
    c.damage();
    boxes.clear();
    SkyView view(folder.root);
    const bool complete = view.LoadCatalogueZones();
    EXPECT_EQ(view.m_loadedBrightStars, c.stars);
    EXPECT_EQ(view.m_loadedDeepSkyObjects, c.objects);
    EXPECT_EQ(complete, std::string(c.what) == "complete");
    ASSERT_EQ(boxes.size(), complete ? 0u : 1u);
    if (!complete) {
      // The designed sentence first, then each file at fault.
      EXPECT_EQ(boxes[0].text.rfind(AfxString(1007), 0), 0u) << boxes[0].text;
      for (const std::string& file : c.named) EXPECT_NE(boxes[0].text.find(file), std::string::npos) << file;
      EXPECT_EQ(boxes[0].caption, AfxString(1001));
    }
    // Zone rows stay in order, so every star is drawn once.
    for (int zone = 1; zone <= kZoneCount; ++zone)
      EXPECT_GE(g_brightStarZones[zone].endIndex, g_brightStarZones[zone - 1].endIndex);
    FreeCatalogueBuffers();
  }
}

// ---- Camera and mode switch -----------------------------------------------------------

TEST_F(SkyScene, ResetAndRotateLooksAtTheAskedDirection) {
  struct Case {
    float yaw, pitch;
    float azimuthDeg, altitude;
  } cases[] = {{3.14159265f / 2, 0.0f, 270.0f, 0.0f}, {3.0f * 3.14159265f / 2, 0.2f, 90.0f, 0.2f},
               {3.1515927f, 0.2f, static_cast<float>(360.0 - 3.1515927 / kDeg), 0.2f}};
  for (const Case& c : cases) {
    SkyView view(folder.root);
    view.m_planetariumMode = true;
    view.ResetAndRotateCamera(c.yaw, c.pitch);
    const D3DXVECTOR3 look = view.m_camera.m_viewDirection;
    const D3DXVECTOR3 want = view.SkyToScenePoint(true, c.altitude, static_cast<float>(c.azimuthDeg * kDeg), 1.0f);
    EXPECT_NEAR(look.x, want.x, 2e-3) << c.yaw;
    EXPECT_NEAR(look.y, want.y, 2e-3) << c.yaw;
    EXPECT_NEAR(look.z, want.z, 2e-3) << c.yaw;
  }
  // Below the horizon is refused: the camera stays at the reset view (north).
  SkyView view(folder.root);
  view.m_planetariumMode = true;
  view.ResetAndRotateCamera(0.0f, -0.3f);
  EXPECT_NEAR(view.m_camera.m_viewDirection.z, 1.0f, 1e-5);
}

TEST_F(SkyScene, GoToBodyStandsOffByTheBodysApparentSize) {
  SkyView view(folder.root);
  view.m_planetariumMode = false;
  g_bodies[kBodyMars].diameter = 12756.0;
  g_bodies[kBodyMars].position = Vector3d{100.0, 20.0, 0.0};
  view.GoToBody(kBodyMars, 0.0);
  EXPECT_EQ(view.m_lockedObject, kBodyMars);
  EXPECT_NEAR(g_bodies[kBodyMars].cameraDistance, 0.030171, 1e-6);
}

TEST_F(SkyScene, SwitchingTwiceComesBackWithTheStartingView) {
  SkyView view(folder.root);
  view.m_planetariumMode = false;
  view.m_fieldOfView = 0.2f;
  view.m_lockedObject = 5;
  view.OnToggleMode();
  EXPECT_TRUE(view.m_planetariumMode);
  EXPECT_FLOAT_EQ(view.m_fieldOfView, 0.8f);
  EXPECT_EQ(view.m_lockedObject, -1);
  // The southern view, 0.2 rad above the horizon.
  const D3DXVECTOR3 south = view.SkyToScenePoint(true, 0.2f, static_cast<float>(180.0 * kDeg), 1.0f);
  EXPECT_NEAR(view.m_camera.m_viewDirection.z, south.z, 2e-3);
  EXPECT_NEAR(view.m_camera.m_viewDirection.y, south.y, 2e-3);
  view.OnToggleMode();
  EXPECT_FALSE(view.m_planetariumMode);
  EXPECT_EQ(view.m_lockedObject, kBodyEarth);  // the camera is near the Earth
  view.OnToggleMode();
  EXPECT_TRUE(view.m_planetariumMode);
  EXPECT_FALSE(view.m_modeSwitchBusy);
  // Between the device's creation and the scene's, a switch is refused.
  view.m_deviceReady = TRUE;
  view.m_sceneReady = FALSE;
  view.OnToggleMode();
  EXPECT_TRUE(view.m_planetariumMode);
}

// ---- Version block ---------------------------------------------------------------------

TEST(VersionBlock, TheProgramAndTheLibraryCarryTheirVersion) {
  const fs::path install = NUVARINE_INSTALL_FOLDER;
  CFileVersionInfo program;
  ASSERT_TRUE(program.Open((install / "nuvarine2.exe").string().c_str()));
  EXPECT_EQ(std::string(program.GetFileVersionText()), "2.0.0 R1");
  EXPECT_EQ(std::string(program.GetPrivateBuild()), "");
  unsigned char fixed[52];
  ASSERT_TRUE(program.GetFixedFileInfo(fixed));
  EXPECT_EQ(fixed[0], 0xBD);
  CFileVersionInfo library;
  ASSERT_TRUE(library.Open((install / "orbicalc.dll").string().c_str()));
  EXPECT_EQ(std::string(library.GetFileVersionText()), "2.0.0 R1");
  // A file without a block, or no file at all, gives empty texts.
  TempFolder folder;
  std::ofstream(folder.root / "plain.exe") << "not a program";
  CFileVersionInfo none;
  EXPECT_FALSE(none.Open((folder.root / "plain.exe").string().c_str()));
  EXPECT_FALSE(none.Open((folder.root / "absent.dll").string().c_str()));
  EXPECT_EQ(std::string(none.GetFileVersionText()), "");
  EXPECT_EQ(std::string(none.GetStringValue(0, "PrivateBuild")), "");
}

TEST_F(SkyScene, ABrightStarShowsAtItsPixelInItsColour) {
  SkyView view(folder.root);
  view.Start();
  BrightStars stars({Star(10, 0, 0.1f, "  B8"), Star(10, 10, 0.4f, "  M1")});
  view.LookNorth(0.8f);
  view.m_showLandscape = false;
  view.m_useSky2000 = view.m_useTycho2 = false;
  view.m_skyColorValue = {5 / 255.0f, 5 / 255.0f, 10 / 255.0f, 1.0f};
  view.m_magnitudeZero = 80.0f;  // sprites of some twenty pixels: the picture's core covers the pixel
  IDirect3DDevice9* device = view.m_pd3dDevice;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  device->BeginScene();
  view.DrawSkyScene();
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  const std::vector<uint8_t> rgb = Picture(view);
  auto pixelOf = [&](float altitudeDeg, float azimuthDeg) {
    return view.ScenePointToPixel(
        view.SkyToScenePoint(true, static_cast<float>(altitudeDeg * kDeg), static_cast<float>(azimuthDeg * kDeg), 2.0f));
  };
  auto at = [&](const D3DXVECTOR2& p, int channel) {
    return static_cast<int>(rgb[(static_cast<int>(p.y) * 256 + static_cast<int>(p.x)) * 3 + channel]);
  };
  const D3DXVECTOR2 blue = pixelOf(10, 0), red = pixelOf(10, 10);
  EXPECT_GT(at(blue, 1), 100);
  EXPECT_GE(at(blue, 2), at(blue, 0));      // B >= R
  EXPECT_GE(at(red, 0) - at(red, 2), 30);  // the M star is red
}

namespace {

DeepSkyObject DeepSky(float altitudeDeg, float azimuthDeg, float magnitude, float sizeDeg, const char* type,
                      const char* objectClass) {
  DeepSkyObject o{};
  o.altitude = altitudeDeg * kDeg;
  o.azimuth = azimuthDeg * kDeg;
  o.magnitude = magnitude;
  o.largeSize = static_cast<float>(sizeDeg * kDeg);
  o.smallSize = o.largeSize / 2;
  o.positionAngle = 30;
  std::snprintf(o.objectType, sizeof o.objectType, "%s", type);
  std::snprintf(o.objectClass, sizeof o.objectClass, "%s", objectClass);
  std::snprintf(o.name, sizeof o.name, "X %d", static_cast<int>(azimuthDeg));
  return o;
}

// Ellipses (two for a galaxy), pictures in their slots, open clusters only named.
TEST_F(SkyScene, DeepSkyEllipsesPicturesAndOpenClusters) {
  SkyView view(folder.root);
  view.Start();
  ASSERT_TRUE(view.m_sceneReady);
  view.LookNorth(0.8f);
  view.m_showLandscape = false;
  BrightStars stars({Star(10, 180, 1.0f)});  // behind the camera: the stars draw nothing
  std::vector<DeepSkyObject> objects = {
      DeepSky(10, 0, 3.0f, 1.0f, " Gx", "Sb"),   // galaxy: outer and inner ellipse
      DeepSky(12, 5, 3.0f, 1.0f, " Gx", "IrII"), // irregular galaxy: one ellipse
      DeepSky(8, -5, 3.0f, 2.0f, " Oc", ""),     // open cluster: no ellipse
      DeepSky(9, 3, 3.0f, 0.1f, "Neb", ""),      // too small for this field
      DeepSky(10, 8, 9.0f, 1.0f, "Neb", ""),     // too faint for an ellipse at this field
      DeepSky(10, 180, 3.0f, 1.0f, "Neb", ""),   // behind the camera
  };
  g_deepSkyObjects = new DeepSkyObject[objects.size()];
  std::copy(objects.begin(), objects.end(), g_deepSkyObjects);
  g_deepSkyCount = static_cast<int>(objects.size());
  for (auto& z : g_deepSkyZones) z = DeepSkyZone{0, 0, 0.1, g_deepSkyCount};
  g_deepSkyZones[0].endIndex = 0;
  for (int i = 0; i <= kDeepSkyPictureLimit; ++i) g_deepSkyPictures[i] = DeepSkyPicture{"", -1, 1, 0, 0, 0};

  view.m_showDeepSkyObjects = false;
  const uint64_t none = view.CountSkyDraws();
  view.m_showDeepSkyObjects = true;
  view.m_deepSkyLimitingMagnitude = 12.0;
  EXPECT_EQ(view.CountSkyDraws() - none, 3u);

  // A picture for the galaxy replaces its ellipses by one picture, held in a slot.
  g_deepSkyPictures[0] = DeepSkyPicture{"missing.jpg", 0, 1.5f, 0, 0, 0};
  EXPECT_EQ(view.CountSkyDraws() - none, 2u);
  EXPECT_EQ(view.m_pictureCacheObjects[0], 0);
  // Turned away, the object frees its slot.
  view.LookNorth(0.8f);
  g_deepSkyObjects[0].azimuth = static_cast<float>(90 * kDeg);
  view.CountSkyDraws();
  EXPECT_EQ(view.m_pictureCacheObjects[0], -1);

  delete[] g_deepSkyObjects;
  g_deepSkyObjects = nullptr;
  g_deepSkyCount = 0;
  for (auto& z : g_deepSkyZones) z.endIndex = 0;
  g_deepSkyPictures[0].objectNumber = -1;
}

}  // namespace

// ---- Survey tiles ---------------------------------------------------------------

TEST(SurveyTiles, ResolutionStepsAcrossEveryLevelInOneFrame) {
  struct Row {
    float field;
    char from;
    char level;
    int size;
  } rows[] = {
      {0.06f, 2, 2, 300},   {0.005f, 2, 5, 1500},  // straight from 300 to 1500
      {0.03f, 5, 3, 512},   {0.01f, 2, 4, 1024},   {0.1f, 5, 2, 300},
      {0.053f, 2, 2, 300},  {0.053f, 3, 3, 512},   // a boundary keeps the level
      {0.008f, 4, 4, 1024}, {0.008f, 5, 5, 1500},
  };
  for (const Row& r : rows) {
    char level = r.from;
    int size = 0;
    StepSurveyTileLevel(r.field, level, size);
    EXPECT_EQ(level, r.level) << r.field << " from " << int(r.from);
    EXPECT_EQ(size, r.size) << r.field;
  }
  EXPECT_EQ(SurveyTileWidth(300, 0.0), 300);
  EXPECT_EQ(SurveyTileWidth(300, -60.0), 150);
  EXPECT_EQ(SurveyTileWidth(300, 90.0), 1);  // never an empty row at the pole
  EXPECT_EQ(SurveyTileWidth(10, 89.0), 1);
}

TEST(SurveyTiles, FlatteningEvensOutAGradientAndReadsTheRightBorderWithinTheWidth) {
  // A sky from 40 on the left to 100 on the right, with padding past the
  // width that a border read at the pitch would take for the right edge.
  const int width = 60, height = 40, pitch = 64;
  std::vector<unsigned char> tile(pitch * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < pitch; ++x) tile[y * pitch + x] = x < width ? static_cast<unsigned char>(40 + x) : 120;
  FlattenSurveyTile(tile.data(), width, height, pitch);
  // The border levels: rows 3 and 37 take their darkest part (49), column 3
  // is 43 and column 56 is 96; each pixel is scaled by the square root of the
  // two gains toward 50. At (55, 20): 95 x sqrt(50 / 91.58 x 50 / 49) = 70.9.
  // (A right border read at the pitch would take the padding instead.)
  EXPECT_EQ(tile[20 * pitch + 55], 70);
  for (int y : {5, 20, 35}) {
    const int left = tile[y * pitch + 5], right = tile[y * pitch + 55];
    EXPECT_LT(right - left, 50 / 2) << y;  // the gradient is at least halved
    EXPECT_NEAR(left, 50, 5) << y;
  }
  EXPECT_EQ(tile[10 * pitch + 62], 120);  // the padding is left alone

  // A saturated tile keeps its pixels; tiles too small for the borders and a
  // one-column tile near the pole are left as they are.
  std::vector<unsigned char> white(pitch * height, 255);
  FlattenSurveyTile(white.data(), width, height, pitch);
  EXPECT_EQ(white[20 * pitch + 30], 255);
  std::vector<unsigned char> thin(1 * 300, 80);
  FlattenSurveyTile(thin.data(), 1, 300, 1);
  EXPECT_EQ(thin[150], 80);
}

namespace {

// A grey survey tile in the cache folder.
void WriteTile(const fs::path& install, const std::string& name, unsigned char level) {
  fs::create_directories(install / "cache" / "DSS");
  pictures::RgbImage image;
  image.width = image.height = 64;
  image.pixels.assign(64 * 64 * 3, level);
  std::string error;
  ASSERT_TRUE(pictures::WriteJpeg((install / "cache" / "DSS" / name).string(), image, 90, error)) << error;
}

}  // namespace

// Tiles of the cache around the view centre: loaded on steady even frames,
// kept while in view, reloaded at a new resolution; empty files removed;
// nothing loaded in wire frame.
TEST_F(SkyScene, SurveyTilesLoadFromTheCacheWhileTheViewIsSteady) {
  SkyView view(folder.root);
  view.Start();
  ASSERT_TRUE(view.m_sceneReady);
  BrightStars stars({Star(10, 180, 1.0f)});
  view.m_planetariumMode = true;
  view.m_milkyWay = 0;
  view.m_showLandscape = false;
  view.m_pressure = 0;
  g_dssEnabled = true;
  g_dssServer = 1, g_dssMode = 2, g_dssOptions = 1;
  WriteTile(folder.root, "08300-0500-1-2-1.jpg", 90);  // 83 degrees, -5 degrees
  std::ofstream(folder.root / "cache" / "DSS" / "08400-0500-1-2-1.jpg").close();  // an empty answer

  // Look at the tile's centre (after a first scene has settled the date).
  view.LookNorth(0.06f);
  view.CountSkyDraws();
  double a = 83.0 * kDeg, d = -5.0 * kDeg, azimuth = 0, altitude = 0;
  view.PrecessFromJ2000(a, d);
  view.m_observerLatitude = 0.0;
  view.m_localSiderealTime = a;  // on the meridian, 5 degrees south of the zenith
  view.EquatorialToHorizontal(azimuth, altitude, view.m_localSiderealTime, a, d);
  const D3DXVECTOR3 centre =
      view.SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.01f);
  auto look = [&](float field) {
    view.m_fieldOfView = field;
    view.m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), centre, D3DXVECTOR3(0, 0, 1));
    view.m_camera.SetProjectionParameters(field, 256.0f / 192.0f, 0.001f, 100.0f);
    D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
    view.m_backBufferWidthPixels = 256, view.m_backBufferHeightPixels = 192;
    view.m_backBufferWidth = 256.0f, view.m_backBufferHeight = 192.0f;
    view.m_halfBackBufferWidth = 128.0f, view.m_halfBackBufferHeight = 96.0f;
  };
  look(0.06f);
  g_dssRequests[0] = g_dssRequests[1] = 83.0;
  g_dssRequests[5] = g_dssRequests[6] = -5.0;
  auto slotOf = [&](const char* name) {
    for (int i = 0; i < CNuvarine2View::kSurveyTileSlots; ++i)
      if (view.m_dssTileNames[i] == name) return i;
    return -1;
  };
  auto frame = [&](uint32_t counter) {
    view.m_frameCounter = counter;
    return view.CountSkyDraws();
  };

  // An odd frame, or a field not yet steady, loads nothing.
  g_dssSteadyFieldOfView = 0.06f;
  view.m_viewMovedByMouse = false;
  const uint64_t none = frame(11);
  EXPECT_EQ(slotOf("08300-0500-1-2-1.jpg"), -1);
  g_dssSteadyFieldOfView = 0.1;
  frame(12);
  EXPECT_EQ(slotOf("08300-0500-1-2-1.jpg"), -1);
  // Wire frame loads nothing either.
  g_dssSteadyFieldOfView = 0.06f;
  view.m_wireframe = true;
  frame(12);
  EXPECT_EQ(slotOf("08300-0500-1-2-1.jpg"), -1);
  view.m_wireframe = false;

  // Steady and even: the tile is loaded at 300 rows and drawn.
  EXPECT_EQ(frame(12), none + 1);
  const int slot = slotOf("08300-0500-1-2-1.jpg");
  ASSERT_GE(slot, 0);
  EXPECT_EQ(view.m_dssTileSizes[slot], 300);
  EXPECT_FALSE(fs::exists(folder.root / "cache" / "DSS" / "08400-0500-1-2-1.jpg"));
  // Later frames, odd ones included, draw it from its slot.
  EXPECT_EQ(frame(13), none + 1);

  // Zoomed in to 0.005 the resolution is 1500: the next steady frame drops
  // the old tile, the one after loads it again at the new size.
  look(0.005f);
  g_dssSteadyFieldOfView = 0.005f;
  frame(14);
  frame(16);
  const int again = slotOf("08300-0500-1-2-1.jpg");
  ASSERT_GE(again, 0);
  EXPECT_EQ(view.m_dssTileSizes[again], 1500);
  EXPECT_EQ(g_dssTileSize, 1500);

  // Turned away, the tile leaves its slot.
  view.m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), -centre, D3DXVECTOR3(0, 0, 1));
  D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
  g_dssRequests[1] += 180.0;
  frame(17);
  EXPECT_EQ(slotOf("08300-0500-1-2-1.jpg"), -1);
  g_dssEnabled = false;
}

namespace {

// A colour survey tile whose quarters tell its sides apart: the north
// quarter (top rows) red, an east strip (left columns) green, the rest blue,
// as survey pictures come: north up, east left.
void WriteMarkedTile(const fs::path& install, const std::string& name) {
  fs::create_directories(install / "cache" / "DSS");
  pictures::RgbImage image;
  image.width = image.height = 64;
  image.pixels.resize(64 * 64 * 3);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = &image.pixels[(y * 64 + x) * 3];
      p[0] = p[1] = p[2] = 0;
      (y < 16 ? p[0] : x < 16 ? p[1] : p[2]) = 255;
    }
  std::string error;
  ASSERT_TRUE(pictures::WriteJpeg((install / "cache" / "DSS" / name).string(), image, 95, error)) << error;
}

}  // namespace

// A tile is drawn with its north edge toward increasing declination and its
// east side toward increasing right ascension on screen, one degree tall and
// cos(declination) degrees wide, whatever way the view is turned.
TEST_F(SkyScene, SurveyTilesKeepTheSkysOrientationAndSize) {
  SkyView view(folder.root);
  view.Start();
  ASSERT_TRUE(view.m_sceneReady);
  view.m_planetariumMode = true;
  view.m_pressure = 0;
  view.m_milkyWay = 0;
  view.m_showLandscape = false;
  view.m_julianDate = 2461000.5;  // late 2025: precession a small turn
  g_dssEnabled = true;
  g_dssServer = 3, g_dssMode = 2, g_dssOptions = 3;  // colour tiles: no background flattening
  for (char& s : g_dssSlotState) s = 0;
  view.m_observerLatitude = -0.5;
  view.m_sinLatitude = std::sin(view.m_observerLatitude);
  view.m_cosLatitude = std::cos(view.m_observerLatitude);

  struct Case {
    double alpha, delta, turn;  // the view turned about its centre by `turn` degrees
  } cases[] = {{83.0, 0.0, 0.0}, {120.0, -60.0, 0.0}, {200.0, -60.0, 50.0}, {40.0, 30.0, -120.0}};
  const float field = 0.04f;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "delta " << c.delta << " turn " << c.turn);
    for (int i = 0; i < CNuvarine2View::kSurveyTileSlots; ++i) view.DropSurveyTile(i);
    const std::string name = DssTileName(c.alpha, c.delta, 3, 2, 3) + ".jpg";
    WriteMarkedTile(folder.root, name);

    double a = c.alpha * kDeg, d = c.delta * kDeg, azimuth = 0, altitude = 0;
    view.PrecessFromJ2000(a, d);
    view.m_localSiderealTime = a + 0.2;  // a little west of the meridian
    view.EquatorialToHorizontal(azimuth, altitude, view.m_localSiderealTime, a, d);
    const D3DXVECTOR3 centre =
        view.SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.01f);
    D3DXVECTOR3 up(0, 0, 1), axis;
    D3DXVec3Normalize(&axis, &centre);
    D3DXMATRIX spin;
    D3DXMatrixRotationAxis(&spin, &axis, static_cast<float>(c.turn * kDeg));
    D3DXVec3TransformNormal(&up, &up, &spin);
    view.m_fieldOfView = field;
    view.m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), centre, up);
    view.m_camera.SetProjectionParameters(field, 256.0f / 192.0f, 0.001f, 100.0f);
    D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
    view.m_backBufferWidthPixels = 256, view.m_backBufferHeightPixels = 192;
    view.m_backBufferWidth = 256.0f, view.m_backBufferHeight = 192.0f;
    view.m_halfBackBufferWidth = 128.0f, view.m_halfBackBufferHeight = 96.0f;
    g_dssRequests[0] = g_dssRequests[1] = c.alpha;
    g_dssRequests[5] = g_dssRequests[6] = c.delta;
    g_dssSteadyFieldOfView = field;
    view.m_viewMovedByMouse = false;
    view.m_frameCounter = 20;

    IDirect3DDevice9* device = view.m_pd3dDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    view.DrawSurveyTiles();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(view.LoadedSurveyTileCount(), 1);
    IDirect3DSurface9* copy = nullptr;
    device->CreateOffscreenPlainSurface(256, 192, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    device->GetFrontBufferData(0, copy);
    D3DLOCKED_RECT locked{};
    copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);

    // Screen directions of north and of east (increasing right ascension),
    // and the pixels per degree along each, from the view's own projection.
    D3DXVECTOR2 centrePx, northPx, southPx, eastPx, westPx;
    view.SurveyPlacePixel(a, d, 2.01f, centrePx);
    view.SurveyPlacePixel(a, d + 0.25 * kDeg, 2.01f, northPx);
    view.SurveyPlacePixel(a, d - 0.25 * kDeg, 2.01f, southPx);
    view.SurveyPlacePixel(a + 0.25 * kDeg, d, 2.01f, eastPx);
    view.SurveyPlacePixel(a - 0.25 * kDeg, d, 2.01f, westPx);
    struct Axis {
      double x, y;
    };
    Axis north{northPx.x - southPx.x, northPx.y - southPx.y}, east{eastPx.x - westPx.x, eastPx.y - westPx.y};
    const double tall = 2.0 * std::hypot(north.x, north.y), wide = 2.0 * std::hypot(east.x, east.y);
    for (Axis* v : {&north, &east}) {
      const double length = std::hypot(v->x, v->y);
      v->x /= length, v->y /= length;
    }

    double nMin = 1e9, nMax = -1e9, eMin = 1e9, eMax = -1e9;
    double redN = 0, greenE = 0, blueE = 0, sumX = 0, sumY = 0;
    int red = 0, green = 0, blue = 0, lit = 0;
    for (int y = 0; y < 192; ++y)
      for (int x = 0; x < 256; ++x) {
        const uint8_t* p = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4;
        const int b = p[0], g = p[1], r = p[2];
        if (r + g + b < 90) continue;
        const float dx = x + 0.5f - centrePx.x, dy = y + 0.5f - centrePx.y;
        const double n = dx * north.x + dy * north.y, e = dx * east.x + dy * east.y;
        nMin = std::min(nMin, n), nMax = std::max(nMax, n);
        eMin = std::min(eMin, e), eMax = std::max(eMax, e);
        sumX += dx, sumY += dy, ++lit;
        if (r > g && r > b) redN += n, ++red;
        if (g > r && g > b) greenE += e, ++green;
        if (b > r && b > g) blueE += e, ++blue;
      }
    copy->UnlockRect();
    copy->Release();
    ASSERT_GT(red, 0);
    ASSERT_GT(green, 0);
    ASSERT_GT(blue, 0);
    // Centred on its place; one degree along declination, cos(declination)
    // degrees along right ascension.
    EXPECT_NEAR(sumX / lit, 0.0, 2.0);
    EXPECT_NEAR(sumY / lit, 0.0, 2.0);
    EXPECT_NEAR(nMax - nMin, tall, 3.0);
    EXPECT_NEAR(eMax - eMin, wide, 3.0);
    // The picture's top toward north, its left side toward east: not turned,
    // not mirrored.
    EXPECT_GT(redN / red, 0.25 * tall);
    EXPECT_GT(greenE / green, 0.25 * wide);
    EXPECT_LT(blueE / blue, 0.0);
    view.DropSurveyTile(0);
  }
  g_dssEnabled = false;
}

TEST(SurveyTiles, ShutdownWaitsOneTenthPollsThenAPause) {
  static int slept;
  slept = 0;
  auto sleep = [](int ms) { slept += ms; };
  for (auto& f : g_dssThreadFree) f = true;
  EXPECT_TRUE(StopDssTileThreads(sleep));
  EXPECT_EQ(slept, 200);  // no download: one poll and the last pause
  slept = 0;
  g_dssThreadFree[1] = false;  // a download that never ends
  EXPECT_FALSE(StopDssTileThreads(sleep));
  EXPECT_EQ(slept, 3100);
  g_dssThreadFree[1] = true;
  g_stopDownloadThreads = false;
}

// The start-up's texts in their order; without the planet library it stops
// after the preparatory tables with box 300, and the shutdown still writes
// the settings.
TEST_F(SkyScene, StartupTextsInOrderAndAMissingPlanetLibraryStopsIt) {
  class RecordingView : public SkyView {
   public:
    using SkyView::SkyView;
    void ShowLoadingMessage(int kind, UINT id, const char* argument) override {
      texts.push_back(id);
      SkyView::ShowLoadingMessage(kind, id, argument);
    }
    std::vector<UINT> texts;
  };
  std::vector<UINT> texts;
  std::string settings;
  {
    RecordingView view(folder.root);
    CREATESTRUCT cs{};
    EXPECT_FALSE(view.PreCreateWindow(cs));
    texts = view.texts;
    settings = ResolveInstallPath("", view.m_settingsPath.c_str());
    fs::remove(settings);
  }
  EXPECT_EQ(texts, (std::vector<UINT>{3304, 3309, 3310, 3311}));
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, AfxString(300));
  EXPECT_TRUE(fs::exists(settings)) << settings;
  fs::remove(settings);
}
