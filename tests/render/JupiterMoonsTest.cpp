// Jupiter and its four large moons seen from Paris in a narrow field of the
// planetarium, the bodies placed by the sky model at a fixed instant and the
// frame drawn headless: each moon's glow is visible, drawn where the moon's
// place projects, and on the side of Jupiter that the moon's right ascension
// gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "BodyViewSupport.h"
#include "ProcessObjects.h"
#include "SolarSystemTypes.h"
#include "Textures.h"
#include "Trajectory.h"

using namespace bodytest;

namespace {

constexpr double kDeg = kPi / 180.0;

struct Pixel {
  double x, y;
};

class MoonsView : public BodyView {
 public:
  using BodyView::BodyView;
  // Screen pixel of a place on the sky, as the drawing turns its scene point.
  Pixel ScreenOf(double azimuth, double altitude) {
    const D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 0.01f);
    D3DXVECTOR4 q;
    D3DXVec3Transform(&q, &p, &m_viewProjectionMatrix);
    return {(q.x / q.w + 1.0) * m_backBufferWidth / 2.0, (1.0 - q.y / q.w) * m_backBufferHeight / 2.0};
  }
  Pixel ScreenOfEquatorial(double ra, double dec) {
    double azimuth = 0.0, altitude = 0.0;
    EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, ra, dec);
    return ScreenOf(azimuth, altitude);
  }
  // One frame; the presented picture as the sum of the three colour bytes per pixel.
  std::vector<int> Frame() {
    Render();
    IDirect3DSurface9* copy = nullptr;
    m_pd3dDevice->CreateOffscreenPlainSurface(m_backBufferWidthPixels, m_backBufferHeightPixels, D3DFMT_A8R8G8B8,
                                              D3DPOOL_SYSTEMMEM, &copy, nullptr);
    m_pd3dDevice->GetFrontBufferData(0, copy);
    D3DLOCKED_RECT locked{};
    copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    std::vector<int> sum;
    for (UINT y = 0; y < m_backBufferHeightPixels; ++y)
      for (UINT x = 0; x < m_backBufferWidthPixels; ++x) {
        const uint8_t* p = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4;
        sum.push_back(p[0] + p[1] + p[2]);
      }
    copy->UnlockRect();
    copy->Release();
    return sum;
  }
};

class JupiterMoons : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    InitBodyConstants();
    std::memset(g_trajectory, 0, sizeof(TrajectoryPoint) * 4);
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    FreeCatalogueBuffers();
  }
  TempFolder folder;
};

}  // namespace

TEST_F(JupiterMoons, EachGlowIsDrawnOnTheSideOfItsRightAscension) {
  std::string error;
  fs::create_directories(folder.root / "textures" / "stars");
  ASSERT_TRUE(textures::WriteTga((folder.root / "textures/stars/etoile3.tga").string(),
                                 textures::DrawRadial(64, textures::StarProfile, 1, 1, 1), error))
      << error;
  MoonsView view(folder.root);
  view.clientWidth = 1920, view.clientHeight = 1080;
  view.m_mipMapping = true;
  view.Start();
  ASSERT_NE(view.m_starPictureTexture, nullptr);

  // The sky model at 2024-01-18 18:00 UT from Paris (west longitudes
  // positive): Io and Europa west of Jupiter, Ganymede and Callisto east.
  view.m_installFolder = NUVARINE_INSTALL_FOLDER;
  ASSERT_TRUE(view.LoadPlanetLibrary());
  view.m_installFolder = folder.root.string();
  view.m_year = 2024, view.m_month = 1, view.m_day = 18, view.m_hour = 18, view.m_minute = 0, view.m_second = 0;
  view.m_observerLongitude = -2.3522 * kDeg;
  view.m_observerLatitude = 48.8566 * kDeg;
  view.m_sinLatitude = std::sin(view.m_observerLatitude);
  view.m_cosLatitude = std::cos(view.m_observerLatitude);
  const double u = std::atan(0.99664719 * std::tan(view.m_observerLatitude));
  view.m_rhoSinPhi = 0.99664719 * std::sin(u);
  view.m_rhoCosPhi = std::cos(u);
  view.m_pressure = 0.0;
  view.m_planetariumMode = true;
  view.UpdateTimeContext();
  view.UpdateSolarSystemBodies();
  const BodyState& jupiter = g_bodies[kBodyJupiter];
  ASSERT_GT(jupiter.altitude, 0.3);

  // The field that 39 steps of the zoom give from the default 0.8 rad:
  // 0.057 rad (3.3 degrees). Below 0.039 rad the glows are no longer lit;
  // in wider fields the moons merge into Jupiter's glow and shrink below a
  // pixel.
  view.m_fieldOfView = static_cast<float>(0.8 / std::pow(1.07, 39));
  view.UpdateProjection(0.0f, 0.0f, 0.0f);
  view.ResetAndRotateCamera(static_cast<float>(-jupiter.azimuth), static_cast<float>(jupiter.altitude));
  view.m_useSky2000 = view.m_useTycho2 = false;
  view.m_showPlanetNames = view.m_showSatelliteNames = false;
  view.m_showLandscape = false;
  view.m_lensFlare = false;
  view.m_showRule = false;
  view.m_showInfoOverlay = false;
  view.Frame();                  // the frame's sky colour
  view.SelectCatalogueDepth();   // the glows' size for this field and sky
  const std::vector<int> all = view.Frame();

  const int width = static_cast<int>(view.m_backBufferWidthPixels);
  const int height = static_cast<int>(view.m_backBufferHeightPixels);
  const Pixel centre = view.ScreenOf(jupiter.azimuth, jupiter.altitude);
  EXPECT_NEAR(centre.x, width / 2.0, 2.0);
  EXPECT_NEAR(centre.y, height / 2.0, 2.0);
  // Direction of increasing right ascension on the screen at Jupiter.
  const Pixel east = view.ScreenOfEquatorial(jupiter.rightAscension + 0.001, jupiter.declination);
  const double ex = east.x - centre.x, ey = east.y - centre.y;
  const double eLength = std::hypot(ex, ey);
  ASSERT_GT(eLength, 1.0);

  for (int moon : {kBodyIo, kBodyEuropa, kBodyGanymede, kBodyCallisto}) {
    SCOPED_TRACE(moon);
    // What the moon adds to the picture: the frame with it, less the frame
    // with the moon moved out of the field.
    BodyState& b = g_bodies[moon];
    const BodyState saved = b;
    b.azimuth = jupiter.azimuth + kPi;
    const std::vector<int> without = view.Frame();
    b = saved;
    double weight = 0.0, sx = 0.0, sy = 0.0;
    int peak = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int d = all[static_cast<size_t>(y) * width + x] - without[static_cast<size_t>(y) * width + x];
        if (d <= 0) continue;
        weight += d, sx += d * x, sy += d * y;
        peak = std::max(peak, d);
      }
    // Visible: at least six grey levels above Jupiter's own glow.
    ASSERT_GE(peak, 18) << "no glow drawn for the moon";
    const Pixel drawn{sx / weight, sy / weight};
    const Pixel expected = view.ScreenOf(b.azimuth, b.altitude);
    EXPECT_NEAR(drawn.x, expected.x, 1.5);
    EXPECT_NEAR(drawn.y, expected.y, 1.5);
    // The side along the direction of increasing right ascension.
    const double along = ((drawn.x - centre.x) * ex + (drawn.y - centre.y) * ey) / eLength;
    const double raOffset = std::remainder(b.rightAscension - jupiter.rightAscension, 2.0 * kPi);
    EXPECT_GT(std::fabs(along), 3.0) << "the moon is too close to Jupiter's meridian to tell its side";
    EXPECT_EQ(along > 0.0, raOffset > 0.0) << "drawn " << along << " px along increasing right ascension, "
                                            << raOffset << " rad in right ascension";
  }
}
