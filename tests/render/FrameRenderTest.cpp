// The view's frame and scene objects: the trail of the first frame, the
// scene objects and their failures, the lens flare, the haze band and the
// overlays, drawn headless into a temporary install folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"
#include "Textures.h"
#include "UiDefs.h"
#include "BodyImages.h"

namespace fs = std::filesystem;

namespace {

// An install folder of its own with the vertex programs and the generated
// sprites (no catalogues: the frame needs none).
class InstallFolder {
 public:
  explicit InstallFolder(bool withLens = true) {
    root = fs::temp_directory_path() / ("nv-frame-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count));
    fs::create_directories(root / "VS");
    fs::create_directories(root / "textures" / "stars");
    for (const char* name : {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"})
      if (withLens || std::string(name) != "lens.vs")
        fs::copy_file(fs::path(NUVARINE_VS_SOURCES) / name, root / "VS" / name);
    std::string error;
    textures::WriteTga((root / "textures/stars/etoile3.tga").string(),
                       textures::DrawRadial(64, textures::StarProfile, 1, 1, 1), error);
    textures::WriteTga((root / "textures/halo.tga").string(), textures::DrawRadial(64, textures::HaloProfile, 1, 1, 1),
                       error);
    textures::WriteTga((root / "textures/Lens.tga").string(), textures::DrawRadial(64, textures::LensProfile, 1, 1, 1),
                       error);
    textures::WriteTga((root / "textures/Lens2.tga").string(),
                       textures::DrawRadial(64, textures::Lens2Profile, 1, 1, 1), error);
    // The planetarium always wants the Sun's and the Moon's maps.
    bodies::WriteBmp((root / "textures/sun.bmp").string(), bodies::MakeImage(16, 8, 255, 220, 120, 255), error);
    bodies::WriteJpeg((root / "textures/moon.jpg").string(), bodies::MakeImage(16, 8, 128, 128, 128, 255), 90, error);
  }
  ~InstallFolder() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;

 private:
  static inline int s_count = 0;
};

class FrameView : public CNuvarine2View {
 public:
  // The frames run past the seventh: its start-up box counts as closed at once.
  int RunStartupBox(const CString&, int& choice) override {
    choice = 0;
    return IDCANCEL;
  }
  explicit FrameView(const fs::path& folder, int width = 256, int height = 192) : clientWidth(width), clientHeight(height) {
    m_installFolder = folder.string();
    m_millisecondClock = [this] { return clock += 20.0; };
  }
  void GetClientSize(int& width, int& height) const override { width = clientWidth, height = clientHeight; }
  // Runs frames until the scene objects exist and one frame is drawn. The
  // camera looks at azimuth 0 on the horizon, the zenith up.
  void Start() {
    m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, -1, 0));
    OnInitialUpdate();
    for (int i = 0; i < 5; ++i) OnDraw(nullptr);
  }
  std::vector<int> SavedTrail() const {
    return std::vector<int>(m_savedTraceCodes, m_savedTraceCodes + m_savedTraceCount);
  }
  // The last presented frame, 32-bit BGRA rows top first.
  std::vector<uint8_t> Picture() {
    std::vector<uint8_t> bgra;
    IDirect3DSurface9* copy = nullptr;
    m_pd3dDevice->CreateOffscreenPlainSurface(m_backBufferWidthPixels, m_backBufferHeightPixels, D3DFMT_A8R8G8B8,
                                              D3DPOOL_SYSTEMMEM, &copy, nullptr);
    m_pd3dDevice->GetFrontBufferData(0, copy);
    D3DLOCKED_RECT locked{};
    copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    for (UINT y = 0; y < m_backBufferHeightPixels; ++y) {
      const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
      bgra.insert(bgra.end(), row, row + m_backBufferWidthPixels * 4);
    }
    copy->UnlockRect();
    copy->Release();
    return bgra;
  }
  int clientWidth, clientHeight;
  double clock = 1000.0;
};

struct Rgb {
  int r, g, b;
};
Rgb At(const std::vector<uint8_t>& bgra, int width, int x, int y) {
  const uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
  return {p[2], p[1], p[0]};
}

class FrameRender : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
};

// Without a landscape the planetarium draws the horizon as a pure red line,
// here across the middle rows (the camera looks at the horizon).
bool IsHorizonLinePixel(const std::vector<uint8_t>& bgra, int width, int height, int x, int y) {
  const Rgb c = At(bgra, width, x, y);
  return std::abs(y - height / 2) <= 1 && c.r == 255 && c.g == 0 && c.b == 0;
}

// Index of the first entry equal to `code` at or after `from`, or -1.
int Find(const std::vector<int>& trail, int code, size_t from = 0) {
  auto it = std::find(trail.begin() + static_cast<long>(std::min(from, trail.size())), trail.end(), code);
  return it == trail.end() ? -1 : static_cast<int>(it - trail.begin());
}

}  // namespace

TEST_F(FrameRender, FirstFrameTrailFromCreationToTheEndOfTheFrame) {
  InstallFolder folder;
  FrameView view(folder.root);
  view.Start();
  ASSERT_TRUE(view.m_sceneReady);
  const std::vector<int> trail = view.SavedTrail();
  ASSERT_FALSE(trail.empty());
  EXPECT_EQ(trail.front(), kTraceCreateDevice);
  EXPECT_EQ(trail.back(), kTraceEndOfFrame);
  // The five programs in the reset's order, each followed by three results.
  int at = 0;
  for (int marker : {10002, 10004, 10005, 10003, 10006}) {
    SCOPED_TRACE(marker);
    at = Find(trail, marker, static_cast<size_t>(at));
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 3, static_cast<int>(trail.size()));
    EXPECT_EQ(trail[at + 1], 0);
    EXPECT_EQ(trail[at + 2], 0);
    EXPECT_EQ(trail[at + 3], 0);
  }
  EXPECT_GT(Find(trail, kTraceInitObjects), at);
  for (int code : trail) EXPECT_LE(std::abs(code), 15000) << code;
  EXPECT_TRUE(view.m_traceEnabled);
  for (IDirect3DVertexShader9* s :
       {view.m_planetShader, view.m_lensShader, view.m_tubeShader, view.m_discShader, view.m_ringShader})
    EXPECT_NE(s, nullptr);
}

TEST_F(FrameRender, MissingLensProgramLeavesItsFailureAndFramesGoOn) {
  InstallFolder folder(false);
  FrameView view(folder.root);
  view.Start();
  const std::vector<int> trail = view.SavedTrail();
  const int at = Find(trail, 10003);
  ASSERT_GE(at, 0);
  EXPECT_EQ(trail[at + 1], 0);                        // the declaration
  EXPECT_EQ(trail[at + 2], static_cast<int>(0x80070002));  // the source
  EXPECT_EQ(trail[at + 3], 10006);                    // nothing more for this program
  EXPECT_EQ(view.m_lensShader, nullptr);
  EXPECT_FALSE(view.m_traceEnabled);
  // Frames go on: the next one shows a new sky colour.
  view.m_planetariumMode = false;
  view.m_skyColorRed = 200, view.m_skyColorGreen = 30, view.m_skyColorBlue = 40;
  view.m_showInfoOverlay = false;
  view.OnDraw(nullptr);
  const Rgb sky = At(view.Picture(), 256, 100, 100);
  EXPECT_EQ(sky.r, 200);
  EXPECT_EQ(sky.g, 30);
  EXPECT_EQ(sky.b, 40);
}

TEST_F(FrameRender, SceneObjectsAndTheirFallbacks) {
  struct Case {
    const char* name;
    std::function<void(FrameView&, const fs::path&)> prepare;
    std::function<void(FrameView&)> check;
  };
  const Case cases[] = {
      {"all present",
       [](FrameView&, const fs::path&) {},
       [](FrameView& v) {
         EXPECT_NE(v.m_starPictureTexture, nullptr);
         EXPECT_NE(v.m_haloTexture, nullptr);
         EXPECT_NE(v.m_lensTexture, nullptr);
         EXPECT_NE(v.m_lens2Texture, nullptr);
         EXPECT_EQ(v.m_starSpriteTexture, nullptr);  // solar-system mode only
         EXPECT_EQ(v.m_landscapeTexture, nullptr);   // no landscape file at all
         for (const SphereBuffers& s : v.m_sphereBuffers) EXPECT_NE(s.indexBuffer, nullptr);
         EXPECT_NE(v.m_spriteQuadVB, nullptr);
         EXPECT_NE(v.m_domeVB, nullptr);
         EXPECT_NE(v.m_tubeVB, nullptr);
         EXPECT_NE(v.m_ringVB, nullptr);
         EXPECT_NE(v.m_discVB, nullptr);
         EXPECT_NE(v.m_pLine, nullptr);
         EXPECT_TRUE(v.m_traceEnabled);
       }},
      {"missing star picture",
       [](FrameView& v, const fs::path&) { v.m_starPictureFile = "nosuch.tga"; },
       [](FrameView& v) {
         EXPECT_EQ(v.m_starPictureTexture, nullptr);
         const std::vector<int> trail = v.SavedTrail();
         const int at = Find(trail, kTraceInitObjects);
         ASSERT_GE(at, 0);
         EXPECT_EQ(trail[at + 1], static_cast<int>(0x80070002));
         EXPECT_EQ(trail[at + 2], 0);  // the halo
         EXPECT_FALSE(v.m_traceEnabled);
       }},
      {"corrupt star picture",
       [](FrameView&, const fs::path& root) {
         FILE* f = std::fopen((root / "textures/stars/etoile3.tga").c_str(), "wb");
         std::fputs("\x00\x00\x02garbage", f);
         std::fclose(f);
       },
       [](FrameView& v) {
         EXPECT_EQ(v.m_starPictureTexture, nullptr);
         const std::vector<int> trail = v.SavedTrail();
         const int at = Find(trail, kTraceInitObjects);
         ASSERT_GE(at, 0);
         EXPECT_LT(trail[at + 1], -15000);
         EXPECT_NE(v.m_haloTexture, nullptr);
       }},
      {"corrupt cloud picture",
       [](FrameView& v, const fs::path& root) {
         // A JPEG start of image and frame header, then bytes no decoder accepts.
         FILE* f = std::fopen((root / "textures/nuages.jpg").c_str(), "wb");
         const unsigned char bytes[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01,
                                        0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xC0, 0x00, 0x11, 0x08,
                                        0x40, 0x00, 0x40, 0x00, 0x03, 0x13, 0x37, 0xFF, 0xFF};
         std::fwrite(bytes, 1, sizeof bytes, f);
         std::fclose(f);
         v.m_showCloudySky = true;
       },
       [](FrameView& v) {
         EXPECT_EQ(v.m_cloudySkyTexture, nullptr);
         EXPECT_NE(v.m_starPictureTexture, nullptr);
         EXPECT_NE(v.m_haloTexture, nullptr);
       }},
      {"landscape fallback",
       [](FrameView& v, const fs::path& root) {
         fs::create_directories(root / "textures/landscapes");
         std::string error;
         textures::WriteTga((root / "textures/landscapes/landscape.tga").string(),
                            textures::DrawRadial(16, textures::HaloProfile, 1, 1, 1), error);
         v.m_landscapeFile = "mountains.tga";
       },
       [](FrameView& v) { EXPECT_NE(v.m_landscapeTexture, nullptr); }},
      {"wireframe",
       [](FrameView& v, const fs::path&) { v.m_wireframe = true; },
       [](FrameView& v) {
         for (IDirect3DTexture9* t : {v.m_starPictureTexture, v.m_haloTexture, v.m_lensTexture, v.m_lens2Texture})
           EXPECT_EQ(t, nullptr);
         DWORD fill = 0;
         v.m_pd3dDevice->GetRenderState(D3DRS_FILLMODE, &fill);
         EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_WIREFRAME));
         EXPECT_NE(v.m_spriteQuadVB, nullptr);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallFolder folder;
    FrameView view(folder.root, 64, 48);
    view.m_planetariumMode = true;
    c.prepare(view, folder.root);
    view.Start();
    ASSERT_TRUE(view.m_sceneReady);
    c.check(view);
  }
}

TEST_F(FrameRender, LabelFontsFollowTheirRecords) {
  InstallFolder folder;
  FrameView view(folder.root, 64, 48);
  for (LOGFONT& record : view.m_labelLogFonts) {
    std::snprintf(record.lfFaceName, sizeof(record.lfFaceName), "Arial");
    record.lfHeight = 9;
    record.lfWeight = 400;
  }
  view.m_labelLogFonts[0].lfWeight = 699;  // star names: slot 1
  view.m_labelLogFonts[2].lfWeight = 700;  // planet names: slot 0
  view.m_labelLogFonts[2].lfItalic = 1;
  view.Start();
  ASSERT_NE(view.m_labelFonts[1], nullptr);
  EXPECT_EQ(view.m_labelFonts[1]->m_flags & CTextureFont::kBold, 0u);
  EXPECT_EQ(view.m_labelFonts[0]->m_flags, CTextureFont::kBold | CTextureFont::kItalic);
  EXPECT_STREQ(view.m_labelFonts[12]->m_faceName, "Arial");
  EXPECT_EQ(view.m_labelFonts[12]->m_height, 18);
  EXPECT_EQ(view.m_overlayFont->m_height, 9);
  for (CTextureFont* f : view.m_labelFonts) EXPECT_NE(f->m_pTexture, nullptr);
  // A reset releases them all, and the next initialisation makes them again.
  view.ReleaseSceneResources();
  for (CTextureFont* f : view.m_labelFonts) EXPECT_EQ(f, nullptr);
  EXPECT_EQ(view.m_lens2Texture, nullptr);
  EXPECT_EQ(view.m_planetShader, nullptr);
  EXPECT_EQ(view.m_planetDeclaration, nullptr);
}

namespace {

// A texture with one small opaque white dot in its middle.
IDirect3DTexture9* DotTexture(IDirect3DDevice9* device) {
  IDirect3DTexture9* texture = nullptr;
  device->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
  D3DLOCKED_RECT locked{};
  texture->LockRect(0, &locked, nullptr, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
          (x == 15 || x == 16) && (y == 15 || y == 16) ? 0xFFFFFFFF : 0;
  texture->UnlockRect(0);
  return texture;
}

void Replace(IDirect3DTexture9*& slot, IDirect3DTexture9* texture) {
  if (slot) slot->Release();
  slot = texture;
}

}  // namespace

TEST_F(FrameRender, FlareSpritesOnTheLineFromTheSunThroughTheCentre) {
  InstallFolder folder;
  FrameView view(folder.root, 256, 192);
  view.m_planetariumMode = true;
  view.m_naturalSkyColor = false;
  view.m_showLandscape = false;
  view.m_showInfoOverlay = false;
  view.m_lensFlare = true;
  view.m_moonSunSeparation = 90.0f;
  g_bodies[kBodySun].altitude = 0.25;
  g_bodies[kBodySun].azimuth = 0.3;
  view.Start();
  ASSERT_NE(view.m_lensShader, nullptr);

  // Where the sprites belong: C + k (C - S), S the Sun on the screen.
  D3DXVECTOR3 sun = view.SkyToScenePoint(true, 0.25f, 0.3f, 2.0f), s;
  D3DXVec3TransformCoord(&s, &sun, &view.m_viewProjectionMatrix);
  view.NdcToScreen(s.x, s.y);
  const float cx = view.m_halfBackBufferWidth, cy = view.m_halfBackBufferHeight;
  ASSERT_GT(std::hypot(cx - s.x, cy - s.y), 60.0f);

  struct Pass {
    bool first;  // the first flare picture (sprites 1, 2) or the second (3, 4)
    float k[2];
  };
  for (const Pass& pass : {Pass{true, {1.0f / 6.0f, -1.0f / 3.0f}}, Pass{false, {-0.25f, 0.25f}}}) {
    SCOPED_TRACE(pass.first ? "first picture" : "second picture");
    Replace(view.m_lensTexture, pass.first ? DotTexture(view.m_pd3dDevice) : nullptr);
    Replace(view.m_lens2Texture, pass.first ? nullptr : DotTexture(view.m_pd3dDevice));
    view.OnDraw(nullptr);
    const std::vector<uint8_t> picture = view.Picture();
    const int w = static_cast<int>(view.m_backBufferWidthPixels), h = static_cast<int>(view.m_backBufferHeightPixels);
    int unexplained = 0;
    double sums[2][3] = {};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (At(picture, w, x, y).r < 60) continue;
        if (IsHorizonLinePixel(picture, w, h, x, y)) continue;
        bool near = false;
        for (int i = 0; i < 2; ++i) {
          const float px = std::trunc(cx + pass.k[i] * (cx - s.x)), py = std::trunc(cy + pass.k[i] * (cy - s.y));
          if (std::hypot(x + 0.5f - px, y + 0.5f - py) < 12.0f) {
            sums[i][0] += x + 0.5, sums[i][1] += y + 0.5, sums[i][2] += 1;
            near = true;
          }
        }
        if (!near) ++unexplained;
      }
    EXPECT_EQ(unexplained, 0);
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(pass.k[i]);
      ASSERT_GT(sums[i][2], 0.0);
      const float px = std::trunc(cx + pass.k[i] * (cx - s.x)), py = std::trunc(cy + pass.k[i] * (cy - s.y));
      EXPECT_NEAR(sums[i][0] / sums[i][2], px, 1.5);
      EXPECT_NEAR(sums[i][1] / sums[i][2], py, 1.5);
    }
  }
}

TEST_F(FrameRender, EclipseOrMissingProgramDrawsNoFlare) {
  struct Case {
    const char* name;
    bool lensProgram;
    float separation;
  };
  for (const Case& c : {Case{"eclipse", true, 0.05f}, Case{"no lens program", false, 90.0f}}) {
    SCOPED_TRACE(c.name);
    InstallFolder folder(c.lensProgram);
    FrameView view(folder.root, 128, 96);
    view.m_planetariumMode = true;
    view.m_naturalSkyColor = false;
    view.m_showLandscape = false;
    view.m_showInfoOverlay = false;
    view.m_moonSunSeparation = c.separation;
    g_bodies[kBodySun].altitude = 0.25;
    g_bodies[kBodySun].azimuth = 0.1;
    view.Start();
    EXPECT_EQ(view.m_lensShader != nullptr, c.lensProgram);
    Replace(view.m_lensTexture, DotTexture(view.m_pd3dDevice));
    Replace(view.m_lens2Texture, DotTexture(view.m_pd3dDevice));
    view.OnDraw(nullptr);
    const std::vector<uint8_t> picture = view.Picture();
    const Rgb corner = At(picture, 128, 2, 2);
    for (int y = 0; y < 96; ++y)
      for (int x = 0; x < 128; ++x)
        if (!IsHorizonLinePixel(picture, 128, 96, x, y)) ASSERT_EQ(At(picture, 128, x, y).r, corner.r) << x << "," << y;
  }
}

TEST_F(FrameRender, HazeBandFromItsRimToTheSkyColour) {
  InstallFolder folder;
  FrameView view(folder.root, 160, 240);
  view.m_planetariumMode = true;
  view.m_naturalSkyColor = true;
  view.m_showLandscape = true;
  view.m_showCloudySky = false;
  view.m_lensFlare = false;
  view.m_showInfoOverlay = false;
  view.m_landscapeElevation = 0;
  g_bodies[kBodySun].altitude = -20.0 * kDegToRad;
  view.Start();
  const std::vector<uint8_t> picture = view.Picture();
  const int w = 160, h = 240, x = w / 2;
  const double focal = (h / 2.0) / std::tan(view.m_fieldOfView / 2.0);
  auto row = [&](double altitudeDegrees) {
    return static_cast<int>(h / 2.0 - focal * std::tan(altitudeDegrees * kDegToRad));
  };
  // Below the rim, the clear sky colour (0, 0, 10).
  const Rgb below = At(picture, w, x, row(-8.0));
  EXPECT_EQ(below.r, 0);
  EXPECT_EQ(below.b, 10);
  // The rim at -5.7 degrees: the first row from the bottom that is lit,
  // above the ground disc (below -21.8 degrees).
  int rim = -1;
  for (int y = row(-20.0); y >= 0 && rim < 0; --y)
    if (At(picture, w, x, y).r > 5) rim = y;
  const double rimRow = h / 2.0 - focal * (-0.06 / 0.6);
  EXPECT_NEAR(rim, rimRow, 1.5);
  // Just above the rim the horizon's light; then it fades towards the sky
  // colour all the way up.
  EXPECT_NEAR(At(picture, w, x, row(-4.5)).r, 72, 6);
  EXPECT_NEAR(At(picture, w, x, row(20.0)).r, 28, 6);
  for (int y = rim - 1; y > 0; --y) EXPECT_LE(At(picture, w, x, y - 1).r, At(picture, w, x, y).r);
  // The band closes round the eye: the same at every column.
  EXPECT_EQ(At(picture, w, 5, row(0.0)).r, At(picture, w, x, row(0.0)).r);
}
