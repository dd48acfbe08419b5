// The planetarium's surroundings drawn after the bodies: the landscape band
// (its horizon, height and turn), the ground disc, the red horizon line
// without a landscape, the finder and CCD fields and the coordinate rule,
// from their arithmetic and in frames drawn headless.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "BodyImages.h"
#include "Nuvarine2View.h"
#include "ObserverSurroundings.h"
#include "OpticsDialogs.h"
#include "ProcessObjects.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"
#include "Textures.h"
#include "UiDefs.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPiD = 3.141592653589793;
constexpr double kDeg = kPiD / 180.0;

// Colours of the test landscape's four quarters of the turn (u from 0).
constexpr uint8_t kQuarter[4][3] = {{220, 40, 40}, {40, 220, 40}, {40, 40, 220}, {220, 220, 40}};

// An install folder with the vertex programs, the sprites and a landscape
// whose lower half (below the horizon) is opaque, one colour per quarter of
// the turn, and whose upper half is see-through black.
class InstallFolder {
 public:
  explicit InstallFolder(bool withLandscape = true) {
    root = fs::temp_directory_path() / ("nv-surround-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count));
    fs::create_directories(root / "VS");
    fs::create_directories(root / "textures" / "stars");
    fs::create_directories(root / "textures" / "landscapes");
    for (const char* name : {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"})
      fs::copy_file(fs::path(NUVARINE_VS_SOURCES) / name, root / "VS" / name);
    std::string error;
    textures::WriteTga((root / "textures/stars/etoile3.tga").string(),
                       textures::DrawRadial(64, textures::StarProfile, 1, 1, 1), error);
    textures::WriteTga((root / "textures/halo.tga").string(), textures::DrawRadial(64, textures::HaloProfile, 1, 1, 1),
                       error);
    bodies::WriteBmp((root / "textures/sun.bmp").string(), bodies::MakeImage(16, 8, 255, 220, 120, 255), error);
    bodies::WriteJpeg((root / "textures/moon.jpg").string(), bodies::MakeImage(16, 8, 128, 128, 128, 255), 90, error);
    if (!withLandscape) return;
    textures::BgraImage land;
    land.width = 64, land.height = 32;
    land.pixels.assign(64 * 32 * 4, 0);
    for (int y = 16; y < 32; ++y)
      for (int x = 0; x < 64; ++x) {
        uint8_t* p = &land.pixels[(static_cast<size_t>(y) * 64 + x) * 4];
        const uint8_t* c = kQuarter[x / 16];
        p[0] = c[2], p[1] = c[1], p[2] = c[0], p[3] = 255;
      }
    textures::WriteTga((root / "textures/landscapes/landscape.tga").string(), land, error);
  }
  ~InstallFolder() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;

 private:
  static inline int s_count = 0;
};

struct Rgb {
  int r, g, b;
};

class SurroundingsView : public CNuvarine2View {
 public:
  // The frames run past the seventh: its start-up box counts as closed at once.
  int RunStartupBox(const CString&, int& choice) override {
    choice = 0;
    return IDCANCEL;
  }
  explicit SurroundingsView(const fs::path& folder) {
    m_installFolder = folder.string();
    m_millisecondClock = [this] { return clock += 20.0; };
    m_planetariumMode = true;
  }
  void GetClientSize(int& width, int& height) const override { width = 256, height = 192; }
  // The start-up's defaults and settings, then the switches of these tests.
  void Start(bool landscape = true) {
    OnInitialUpdate();
    m_planetariumMode = true;
    m_showLandscape = landscape;
    m_naturalSkyColor = true;
    m_showCloudySky = false;
    m_lensFlare = false;
    m_showInfoOverlay = false;
    m_showRule = false;
    m_milkyWay = 0;
    m_showPlanetNames = false;
    m_moonSunSeparation = 90.0f;  // no eclipse darkens the day
    for (int i = 0; i < 5; ++i) OnDraw(nullptr);
  }
  // The camera at the eye looking at an azimuth and altitude, the zenith up.
  void Look(double azimuthDegrees, double altitudeDegrees) {
    const D3DXVECTOR3 at = SkyToScenePoint(true, static_cast<float>(altitudeDegrees * kDeg),
                                           static_cast<float>(azimuthDegrees * kDeg), 1.0f);
    m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), at, D3DXVECTOR3(0, -1, 0));
  }
  void Draw(double azimuthDegrees, double altitudeDegrees) {
    Look(azimuthDegrees, altitudeDegrees);
    OnDraw(nullptr);
    IDirect3DSurface9* copy = nullptr;
    m_pd3dDevice->CreateOffscreenPlainSurface(256, 192, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    m_pd3dDevice->GetFrontBufferData(0, copy);
    D3DLOCKED_RECT locked{};
    copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    picture.clear();
    for (int y = 0; y < 192; ++y) {
      const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
      picture.insert(picture.end(), row, row + 256 * 4);
    }
    copy->UnlockRect();
    copy->Release();
  }
  Rgb At(int x, int y) const {
    if (x < 0 || y < 0 || x >= 256 || y >= 192) return {-1, -1, -1};
    const uint8_t* p = &picture[(static_cast<size_t>(y) * 256 + x) * 4];
    return {p[2], p[1], p[0]};
  }
  // The pixel of a direction on the sky.
  D3DXVECTOR2 PixelOf(double azimuthDegrees, double altitudeDegrees) {
    return ScenePointToPixel(SkyToScenePoint(true, static_cast<float>(altitudeDegrees * kDeg),
                                             static_cast<float>(azimuthDegrees * kDeg), 2.01f));
  }
  // Whether a pixel of the colour test lies within `radius` pixels of (x, y).
  template <typename Test>
  bool Near(float x, float y, float radius, Test test) const {
    const int r = static_cast<int>(std::ceil(radius));
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx)
        if (dx * dx + dy * dy <= radius * radius &&
            test(At(static_cast<int>(std::floor(x)) + dx, static_cast<int>(std::floor(y)) + dy)))
          return true;
    return false;
  }
  template <typename Test>
  int Count(Test test) const {
    int n = 0;
    for (int y = 0; y < 192; ++y)
      for (int x = 0; x < 256; ++x) n += test(At(x, y)) ? 1 : 0;
    return n;
  }
  std::vector<uint8_t> picture;
  double clock = 1000.0;
};

bool IsLineRed(Rgb c) { return c.r >= 200 && c.g <= 60 && c.b <= 60; }
bool IsRuleGreen(Rgb c) { return c.g >= 150 && c.r <= 90 && c.b <= 90; }

// The marker circle's radius in pixels at a scale and field of view.
float MarkerRadius(float scale, float field) { return scale * (7.786710f / field - 0.224507f - 0.449907f * field); }

class Surroundings : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
    // Daylight from behind the camera (which looks north or east).
    g_bodies[kBodySun].altitude = 0.6;
    g_bodies[kBodySun].azimuth = 200.0 * kDeg;
    g_bodies[kBodyMoon].azimuth = 200.0 * kDeg;
    g_bodies[kBodyMoon].altitude = -0.5;
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
};

}  // namespace

// ---- Arithmetic ---------------------------------------------------------------------

TEST(SurroundingsArithmetic, FinderCirclesAndTheSwitchesTheEyepieceClears) {
  struct Case {
    const char* what;
    float eyepiece;
    bool quickfinder, telrad;
    std::vector<float> scales;
    bool quickfinderAfter, telradAfter;
  } cases[] = {
      {"eyepiece of 1.3 degrees over both finders", 1.3f, true, true, {1.3f}, false, false},
      {"eyepiece alone", 0.5f, false, false, {0.5f}, false, false},
      {"Quickfinder", 0.0f, true, false, {2.0f, 0.5f}, true, false},
      {"Telrad", 0.0f, false, true, {4.0f, 2.0f, 0.5f}, false, true},
      {"both finders: neither", 0.0f, true, true, {}, true, true},
      {"nothing", 0.0f, false, false, {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool quickfinder = c.quickfinder, telrad = c.telrad;
    const FinderCircles circles = ChooseFinderCircles(c.eyepiece, quickfinder, telrad);
    EXPECT_EQ(std::vector<float>(circles.scales, circles.scales + circles.count), c.scales);
    EXPECT_EQ(quickfinder, c.quickfinderAfter);
    EXPECT_EQ(telrad, c.telradAfter);
  }
}

TEST(SurroundingsArithmetic, CcdFrameSizeAndCornersTurnAboutTheCentre) {
  // 7.75 pixels per degree at a field of one radian: a 2 x 1 degree frame at
  // 0.775 rad has half-sides of 20 and 10 pixels.
  const D3DXVECTOR2 half = CcdFrameHalfSize(2.0f, 1.0f, 0.775f);
  EXPECT_NEAR(half.x, 20.0f, 1e-4f);
  EXPECT_NEAR(half.y, 10.0f, 1e-4f);
  struct Case {
    double t;
    float corners[5][2];
  } cases[] = {
      {0.0, {{80, 90}, {120, 90}, {120, 110}, {80, 110}, {80, 90}}},
      // A quarter turn: the first side (increasing u) points up the screen.
      {kPiD / 2, {{90, 120}, {90, 80}, {110, 80}, {110, 120}, {90, 120}}},
      {kPiD, {{120, 110}, {80, 110}, {80, 90}, {120, 90}, {120, 110}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    D3DXVECTOR2 out[5];
    CcdFrameCorners(100.0f, 100.0f, half, c.t, out);
    for (int i = 0; i < 5; ++i) {
      EXPECT_NEAR(out[i].x, c.corners[i][0], 1e-3f) << i;
      EXPECT_NEAR(out[i].y, c.corners[i][1], 1e-3f) << i;
    }
  }
}

TEST(SurroundingsArithmetic, ScreenAnglesAreCounterClockwiseFromTheRight) {
  struct Case {
    double dx, dy, t;
  } cases[] = {
      {1, 0, 0},          {1, -1, kPiD / 4},  {0, -1, kPiD / 2},     {-1, 0, kPiD},
      {0, 1, 3 * kPiD / 2}, {1, 1, 7 * kPiD / 4}, {-1, 1, 5 * kPiD / 4}, {0, 0, 0},
  };
  for (const Case& c : cases) EXPECT_NEAR(ScreenAngleOf(c.dx, c.dy), c.t, 1e-12) << c.dx << "," << c.dy;
}

TEST(SurroundingsArithmetic, FrameCentreGoesBackToItsRightAscensionAndDeclination) {
  InstallFolder folder(false);
  SurroundingsView view(folder.root);
  view.m_pressure = 0.0;  // no refraction: the frame's turn is geometric
  view.UpdateRefractionFactor();
  struct Case {
    double latitude, siderealTime, rightAscension, declination;
  } cases[] = {
      {48.85, 1.0, 0.5, 0.3},   {48.85, 4.0, 5.5, -0.2}, {-33.9, 2.0, 2.2, -1.1},
      {0.0, 3.0, 3.5, 0.7},     {60.0, 0.2, 6.1, 1.2},   {48.85, 1.0, 1.0, 0.852},  // near the zenith
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.latitude << " " << c.rightAscension << " " << c.declination);
    view.m_observerLatitude = c.latitude * kDeg;
    view.m_sinLatitude = std::sin(view.m_observerLatitude);
    view.m_cosLatitude = std::cos(view.m_observerLatitude);
    double azimuth, altitude, ra, dec;
    view.EquatorialToHorizontal(azimuth, altitude, c.siderealTime, c.rightAscension, c.declination);
    HorizontalToEquatorialForFrame(azimuth, altitude, view.m_observerLatitude, c.siderealTime, ra, dec);
    EXPECT_NEAR(dec, c.declination, 1e-7);
    EXPECT_NEAR(std::remainder(ra - c.rightAscension, 2 * kPiD), 0.0, 1e-6);
  }
  // The zenith of the north pole, where no hour angle exists: the sidereal time.
  double ra, dec;
  HorizontalToEquatorialForFrame(0.0, kPiD / 2, kPiD / 2, 1.5, ra, dec);
  EXPECT_NEAR(dec, kPiD / 2, 1e-12);
  EXPECT_NEAR(ra, 1.5, 1e-12);
}

TEST(SurroundingsArithmetic, RuleStrokesAndTexts) {
  ShellTestApplication();  // the string table
  struct AltitudeCase {
    int degree, halfLength;
    const char* label;
  } altitudes[] = {{0, 10, "0 \xb0"}, {3, 4, nullptr},  {5, 7, nullptr},       {10, 10, "10 \xb0"},
                   {45, 7, nullptr},  {80, 10, "80 \xb0"}, {89, 4, nullptr}, {90, 7, "Zenith"}};
  for (const AltitudeCase& c : altitudes) {
    SCOPED_TRACE(c.degree);
    EXPECT_EQ(AltitudeStrokeHalfLength(c.degree), c.halfLength);
    if (c.label) EXPECT_EQ(AltitudeLabel(c.degree), CString(c.label));
  }
  struct AzimuthCase {
    int degree;
    std::vector<float> strokes;
    const char* label;
  } azimuths[] = {
      {0, {12, 5, 8}, "North"},  {45, {5, 8}, "N-E"},  {90, {12, 5, 8}, "East"},   {135, {5, 8}, "S-E"},
      {180, {12, 5, 8}, "South"}, {225, {5, 8}, "S-W"}, {270, {12, 5, 8}, "West"}, {315, {5, 8}, "N-W"},
      {10, {12, 5, 8}, " 10 \xb0"}, {350, {12, 5, 8}, "350 \xb0"}, {5, {5, 8}, ""}, {355, {5, 8}, ""},
      {7, {5}, nullptr},
  };
  for (const AzimuthCase& c : azimuths) {
    SCOPED_TRACE(c.degree);
    const AzimuthStrokes s = AzimuthStrokesAt(c.degree);
    EXPECT_EQ(std::vector<float>(s.lengths, s.lengths + s.count), c.strokes);
    if (c.label) EXPECT_EQ(AzimuthLabel(c.degree), CString(c.label));
  }
}

TEST(SurroundingsArithmetic, AzimuthStrokesPointTowardsTheZenith) {
  struct Case {
    const char* what;
    D3DXVECTOR2 from, zenith;
    bool left;
    float x, y;
  } cases[] = {
      {"straight up, right of the middle", {200, 150}, {200, -5000}, false, 0, -12},
      {"straight up, left of the middle", {50, 150}, {50, -5000}, true, 0, -12},
      {"up and to the left, right of the middle", {200, 150}, {100, 50}, false, -12, -12},
      {"up and to the right, left of the middle", {50, 150}, {150, 50}, true, 12, -12},
      {"steep, right of the middle", {200, 150}, {190, 50}, false, -1.2f, -12},
      {"flat", {50, 150}, {150, 150}, true, -12, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const D3DXVECTOR2 o = AzimuthStrokeOffset(12.0f, ZenithSlope(c.from, c.zenith, 128.0f), c.left);
    EXPECT_NEAR(o.x, c.x, 1e-3f);
    EXPECT_NEAR(o.y, c.y, 1e-3f);
  }
}

// ---- Frames -------------------------------------------------------------------------

TEST_F(Surroundings, LandscapeHorizonHeightAndTurn) {
  InstallFolder folder;
  SurroundingsView view(folder.root);
  view.Start();
  ASSERT_NE(view.m_landscapeTexture, nullptr);
  // Looking at azimuth 45: u = (45 - 270 + orientation) / 360 of the turn
  // (the turn carries the picture towards decreasing azimuths).
  struct Case {
    const char* what;
    int orientation, elevation;
    double belowAltitude;  // degrees, under the picture's horizon
    int quarter;
  } cases[] = {
      {"as it stands: the second quarter", 0, 0, -5.0, 1},
      {"turned by 90 degrees: the third", 90, 0, -5.0, 2},
      {"turned by 270 degrees: the first", 270, 0, -5.0, 0},
      {"lowered by 10: the horizon near -11.3 degrees", 0, 10, -14.0, 1},
      {"raised by 10 (kept as a byte): the horizon near 11.3 degrees", 0, -10, 8.0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view.m_landscapeOrientation = c.orientation;
    view.m_landscapeElevation = static_cast<BYTE>(static_cast<signed char>(c.elevation));
    view.Draw(45.0, 0.0);
    const D3DXVECTOR2 ground = view.PixelOf(45.0, c.belowAltitude);
    const Rgb g = view.At(static_cast<int>(ground.x), static_cast<int>(ground.y));
    // The picture dimmed by the daylight: its colour's largest parts stand out.
    const uint8_t* q = kQuarter[c.quarter];
    for (int i = 0; i < 3; ++i) {
      const int v = i == 0 ? g.r : i == 1 ? g.g : g.b;
      if (q[i] > 100)
        EXPECT_GT(v, 100) << i;
      else
        EXPECT_LT(v, 60) << i;
    }
    // Above the picture's horizon the see-through half lets the sky show.
    const D3DXVECTOR2 sky = view.PixelOf(45.0, c.elevation > 0 ? -8.0 : c.elevation < 0 ? 14.0 : 5.0);
    const Rgb s = view.At(static_cast<int>(sky.x), static_cast<int>(sky.y));
    EXPECT_GT(s.b, 150);
    EXPECT_GT(s.b, s.r + 30);
    // A landscape draws no red horizon line.
    EXPECT_EQ(view.Count(IsLineRed), 0);
  }
}

TEST_F(Surroundings, GroundDiscBelowTheBandAndRedLineWithoutLandscape) {
  InstallFolder folder(false);
  SurroundingsView view(folder.root);
  view.Start();
  // Without its picture the band is left out, but the ground disc covers
  // everything under -21.8 degrees in dark grey.
  view.m_fieldOfView = 1.2f;
  view.m_camera.SetProjectionParameters(1.2f, 4.0f / 3.0f, 0.001f, 100.0f);
  view.Draw(0.0, -25.0);
  const D3DXVECTOR2 ground = view.PixelOf(0.0, -40.0);
  const Rgb g = view.At(static_cast<int>(ground.x), static_cast<int>(ground.y));
  EXPECT_NEAR(g.r, 26, 3);
  EXPECT_EQ(g.r, g.g);
  EXPECT_EQ(g.g, g.b);
  const D3DXVECTOR2 above = view.PixelOf(0.0, -15.0);
  EXPECT_GT(view.At(static_cast<int>(above.x), static_cast<int>(above.y)).b, 60);

  view.m_showLandscape = false;
  view.m_fieldOfView = 0.8f;
  view.m_camera.SetProjectionParameters(0.8f, 4.0f / 3.0f, 0.001f, 100.0f);
  struct Case {
    double azimuth, altitude;
  } looks[] = {{0.0, 0.0}, {137.0, 5.0}, {300.0, -10.0}};
  for (const Case& c : looks) {
    SCOPED_TRACE(c.azimuth);
    view.Draw(c.azimuth, c.altitude);
    for (double da : {-20.0, 0.0, 20.0}) {
      const D3DXVECTOR2 p = view.PixelOf(c.azimuth + da, 0.0);
      EXPECT_TRUE(view.Near(p.x, p.y, 1.5f, IsLineRed)) << da;
    }
    const D3DXVECTOR2 off = view.PixelOf(c.azimuth, 8.0);
    EXPECT_FALSE(view.Near(off.x, off.y, 3.0f, IsLineRed));
  }
  // Looking high, the horizon is out of the window; the points behind the
  // camera must not come back as mirrored segments.
  for (double azimuth : {0.0, 90.0, 200.0}) {
    view.Draw(azimuth, 60.0);
    EXPECT_EQ(view.Count(IsLineRed), 0) << azimuth;
  }
}

TEST_F(Surroundings, FinderFieldsAtTheCentre) {
  InstallFolder folder(false);
  SurroundingsView view(folder.root);
  view.Start(false);
  const float f = view.m_fieldOfView;
  struct Case {
    const char* what;
    float eyepiece;
    bool quickfinder, telrad;
    std::vector<float> scales;
  } cases[] = {
      {"eyepiece of 2 degrees", 2.0f, true, true, {2.0f}},
      {"Quickfinder", 0.0f, true, false, {2.0f, 0.5f}},
      {"Telrad", 0.0f, false, true, {4.0f, 2.0f, 0.5f}},
      {"both finders", 0.0f, true, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view.m_eyepieceFieldSize = c.eyepiece;
    view.m_showQuickfinderField = c.quickfinder;
    view.m_showTelradField = c.telrad;
    view.Draw(30.0, 30.0);  // the horizon out of the window
    const float cx = 128.0f, cy = 96.0f;
    std::vector<float> drawn;
    for (float scale : {4.0f, 2.0f, 1.0f, 0.5f}) {
      const float r = MarkerRadius(scale, f);
      int onCircle = 0;
      for (int k = 0; k < 16; ++k) {
        const double a = k * kPiD / 8 + 0.1;
        onCircle += view.Near(cx + r * std::cos(a), cy + r * std::sin(a), 1.5f, IsLineRed) ? 1 : 0;
      }
      if (onCircle >= 14)
        drawn.push_back(scale);
      else
        EXPECT_LE(onCircle, 2) << scale;
    }
    EXPECT_EQ(drawn, c.scales);
    if (c.eyepiece != 0.0f) {
      EXPECT_FALSE(view.m_showQuickfinderField);
      EXPECT_FALSE(view.m_showTelradField);
    }
    if (c.scales.empty()) EXPECT_EQ(view.Count(IsLineRed), 0);
  }
}

TEST_F(Surroundings, CcdFrameSquareOrAlongRightAscension) {
  InstallFolder folder(false);
  SurroundingsView view(folder.root);
  view.Start(false);
  view.m_observerLatitude = 48.85 * kDeg;
  view.m_sinLatitude = std::sin(view.m_observerLatitude);
  view.m_cosLatitude = std::cos(view.m_observerLatitude);
  view.m_localSiderealTime = 2.0;
  view.m_selectedCcdSize1 = 2.0f;
  view.m_selectedCcdSize2 = 1.0f;
  const float k = 7.75f / view.m_fieldOfView, a = 2.0f * k, b = 1.0f * k;
  const float cx = 128.0f, cy = 96.0f;
  // On an equatorial mount, looking east at the horizon, increasing right
  // ascension points down the equator: 180 + (90 - latitude) degrees.
  const double equatorial = (180.0 + 90.0 - 48.85) * kDeg;
  struct Case {
    const char* what;
    float type;
    double look;  // azimuth, the camera a little above the horizon
    double t;
  } cases[] = {
      {"alt-azimuth mount looking east", 1.0f, 90.0, 0.0},
      {"no mount looking east", 0.0f, 90.0, 0.0},
      {"equatorial mount looking east", 2.0f, 90.0, equatorial},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view.m_selectedCcdType = c.type;
    view.Draw(c.look, 10.0);
    // The centre of each side lies on the frame; the middle does not.
    const double ct = std::cos(c.t), st = std::sin(c.t);
    const float sides[4][2] = {{a, 0}, {-a, 0}, {0, b}, {0, -b}};
    for (const auto& s : sides) {
      const float x = cx + static_cast<float>(s[0] * ct + s[1] * st);
      const float y = cy + static_cast<float>(-s[0] * st + s[1] * ct);
      EXPECT_TRUE(view.Near(x, y, 2.0f, IsLineRed)) << s[0] << "," << s[1];
    }
    EXPECT_FALSE(view.Near(cx, cy, 4.0f, IsLineRed));
    if (c.t != 0.0) EXPECT_FALSE(view.Near(cx + a, cy, 2.0f, IsLineRed)) << "turned, not square to the window";
  }
}

TEST_F(Surroundings, ACcdChosenInTheDialogDrawsItsWidthAcrossTheScreen) {
  InstallFolder folder(false);
  SurroundingsView view(folder.root);
  view.Start(false);
  // A 2 x 1 degree chip on an alt-azimuth mount, picked from the list.
  view.m_optics.m_ccdCount = 1;
  view.m_optics.m_ccds[0][0] = 2.0f;
  view.m_optics.m_ccds[0][1] = 1.0f;
  view.m_optics.m_ccds[0][2] = 1.0f;
  SetOpticsDescription(view.m_optics.m_ccdDescriptions[0], "Camera");
  view.m_runDialog = [](CDialog& dialog) -> INT_PTR {
    QTimer::singleShot(0, [&dialog] {
      AfxTabSetCurSel(&dialog, 1113, 1);
      AfxListViewSelectItem(&dialog, 1120, 0);
      dialog.SendControlNotify(IDOK, BN_CLICKED);
    });
    return dialog.DoModal();
  };
  view.OnEyepieceField();
  ASSERT_NE(view.m_selectedCcdSize1, 0.0f);
  view.Draw(90.0, 10.0);
  const float k = 7.75f / view.m_fieldOfView;
  const float cx = 128.0f, cy = 96.0f;
  // The vertical sides stand 2 degrees apart, the horizontal ones 1 degree.
  EXPECT_TRUE(view.Near(cx + 2.0f * k, cy, 2.0f, IsLineRed));
  EXPECT_TRUE(view.Near(cx - 2.0f * k, cy, 2.0f, IsLineRed));
  EXPECT_TRUE(view.Near(cx, cy + 1.0f * k, 2.0f, IsLineRed));
  EXPECT_TRUE(view.Near(cx, cy - 1.0f * k, 2.0f, IsLineRed));
  EXPECT_FALSE(view.Near(cx + 1.0f * k, cy, 2.0f, IsLineRed));
  EXPECT_FALSE(view.Near(cx, cy + 2.0f * k, 2.0f, IsLineRed));
}

TEST_F(Surroundings, CoordinateRuleUnlessTheChartIsInverted) {
  InstallFolder folder(false);
  SurroundingsView view(folder.root);
  g_bodies[kBodySun].altitude = -0.5;  // a dark sky under the rule's texts
  LOGFONT& rule = view.m_labelLogFonts[3];
  std::snprintf(rule.lfFaceName, sizeof(rule.lfFaceName), "Arial");
  rule.lfHeight = 12;
  rule.lfWeight = 700;
  view.Start(false);
  view.m_ruleColor = RGB(0, 255, 0);
  view.m_showRule = true;
  view.Draw(0.0, 15.0);
  // The altitude scale up the middle: 10-pixel half-strokes at the tens,
  // 7 at the fives, 4 elsewhere.
  struct Case {
    int degree;
    float halfLength;
  } strokes[] = {{0, 10}, {10, 10}, {15, 7}, {20, 10}, {22, 4}};
  for (const Case& c : strokes) {
    SCOPED_TRACE(c.degree);
    const D3DXVECTOR2 p = view.PixelOf(0.0, c.degree);
    EXPECT_TRUE(view.Near(p.x + c.halfLength - 1.0f, p.y, 1.5f, IsRuleGreen));
    EXPECT_TRUE(view.Near(p.x - c.halfLength + 1.0f, p.y, 1.5f, IsRuleGreen));
    EXPECT_FALSE(view.Near(p.x + c.halfLength + 3.0f, p.y, 1.0f, IsRuleGreen));
  }
  // Its labels beside the tens.
  const D3DXVECTOR2 ten = view.PixelOf(0.0, 10.0);
  int text = 0;
  for (int y = static_cast<int>(ten.y) - 5; y < static_cast<int>(ten.y) + 15; ++y)
    for (int x = static_cast<int>(ten.x) + 20; x < static_cast<int>(ten.x) + 50; ++x)
      text += IsRuleGreen(view.At(x, y)) ? 1 : 0;
  EXPECT_GT(text, 5);
  // The azimuth scale along the lower edge, strokes rising from it.
  int lower = 0;
  for (int y = 192 - 70; y < 192; ++y)
    for (int x = 0; x < 256; ++x)
      if (std::abs(x - 128) > 12) lower += IsRuleGreen(view.At(x, y)) ? 1 : 0;
  EXPECT_GT(lower, 40);

  view.m_chartInverted = true;
  view.Draw(0.0, 15.0);
  EXPECT_EQ(view.Count(IsRuleGreen), 0);
}
