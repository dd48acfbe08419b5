// What the solar-system pass puts on the screen of the headless device: the
// Earth drawn whatever the atmosphere switch says; Saturn's rings beyond the
// disc with the planet's shadow on the half away from the Sun; Mars's
// close-up, the same whether its surface tiles are loaded or not; the states
// the pass leaves behind; the draws and states of Saturn's rings and sphere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "BodyTextures.h"
#include "BodyViewSupport.h"
#include "Endpoints.h"
#include "ProcessObjects.h"
#include "SkyModel.h"
#include "SolarSystemScene.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"

using namespace bodytest;
void SetRegistryStorePath(const std::string& path);

namespace {

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra;
  const uint8_t* At(int x, int y) const { return bgra.data() + (static_cast<size_t>(y) * width + x) * 4; }
  int Brightness(int x, int y) const { return At(x, y)[0] + At(x, y)[1] + At(x, y)[2]; }
  // Written as a PNG when NUVARINE_DUMP_FRAMES names a folder (to look at a failure).
  void Dump(const std::string& name) const {
    const char* folder = std::getenv("NUVARINE_DUMP_FRAMES");
    if (!folder || !*folder) return;
    bodies::Image image = bodies::MakeImage(width, height, 0, 0, 0, 255);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = image.At(x, y);
        p[0] = At(x, y)[2], p[1] = At(x, y)[1], p[2] = At(x, y)[0];
      }
    std::string error;
    bodies::WritePng(std::string(folder) + "/" + name + ".png", image, false, error);
  }
};

Vector3d Add(const Vector3d& a, const Vector3d& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3d Scale(const Vector3d& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Length(const Vector3d& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

class SolarSystemDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    for (BodyState& b : g_bodies) b.cameraDistance = 1e7, b.position = {1e6, 1e6, 1e6}, b.absoluteMagnitude = 100.0;
    std::memset(g_trajectory, 0, sizeof(TrajectoryPoint) * 4);
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    FreeCatalogueBuffers();
  }
  static void Place(int body, const Vector3d& position, double diameter) {
    BodyState& b = g_bodies[body];
    b.position = position, b.diameter = diameter;
    b.sunDistance = Length(position) / 149.5978707;  // astronomical units
  }
  // The camera at `camera` (million km) looking at `target`, `up` on the screen.
  static void Aim(BodyView& view, const Vector3d& camera, const Vector3d& target, float field,
                  const D3DXVECTOR3& up = D3DXVECTOR3(0, 0, 1)) {
    const float w = static_cast<float>(view.clientWidth), h = static_cast<float>(view.clientHeight);
    view.m_planetariumMode = false;
    view.m_cameraPosition = camera;
    view.m_fieldOfView = field;
    const D3DXVECTOR3 at(static_cast<float>(target.x - camera.x), static_cast<float>(target.y - camera.y),
                         static_cast<float>(target.z - camera.z));
    view.m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), at, up);
    view.m_camera.SetProjectionParameters(field, w / h, 1e-5f, 2.3f);
    D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix,
                       &view.m_camera.m_projectionMatrix);
    view.m_backBufferWidth = w, view.m_backBufferHeight = h;
    view.m_skyColorValue = {0, 0, 0, 1};
    view.m_showPlanetNames = false;
    for (BodyState& b : g_bodies) b.cameraDistance = Length(Add(b.position, Scale(camera, -1.0)));
  }
  // Where a scene point (million km) lands on the screen.
  static D3DXVECTOR2 Pixel(const BodyView& view, const Vector3d& point) {
    const Vector3d p = Add(point, Scale(view.m_cameraPosition, -1.0));
    const double d = Length(p), k = d >= 1.0 ? 1.0 / d : 1.0;
    const D3DXVECTOR3 drawn(static_cast<float>(p.x * k), static_cast<float>(p.y * k), static_cast<float>(p.z * k));
    D3DXVECTOR3 s;
    D3DXVec3TransformCoord(&s, &drawn, &view.m_viewProjectionMatrix);
    return {(s.x + 1.0f) * view.m_backBufferWidth / 2.0f, (1.0f - s.y) * view.m_backBufferHeight / 2.0f};
  }
  // The states every pass leaves behind: lighting on, the view's depth test,
  // the standard blend, no vertex program, the second stage off and empty.
  static void ExpectRestoredStates(BodyView& view) {
    IDirect3DDevice9* device = view.m_pd3dDevice;
    ExpectBodyPassStatesRestored(device, static_cast<DWORD>(view.m_depthTestMode));
    DWORD value = 0;
    device->GetRenderState(D3DRS_BLENDOP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLENDOP_ADD));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
    IDirect3DBaseTexture9* texture = nullptr;
    device->GetTexture(1, &texture);
    EXPECT_EQ(texture, nullptr);
    if (texture) texture->Release();
  }
  // One frame of the solar-system pass alone, read back.
  static Frame Render(BodyView& view) {
    view.UpdateBodyDrawFlags();
    view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
    view.WaitForPendingBodyTextures();
    IDirect3DDevice9* device = view.m_pd3dDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    device->BeginScene();
    device->SetTransform(D3DTS_VIEW, &view.m_camera.m_viewMatrix);
    device->SetTransform(D3DTS_PROJECTION, &view.m_camera.m_projectionMatrix);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    view.RenderSolarSystem();
    ExpectRestoredStates(view);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    Frame frame;
    frame.width = static_cast<int>(view.m_backBufferWidthPixels);
    frame.height = static_cast<int>(view.m_backBufferHeightPixels);
    IDirect3DSurface9* copy = nullptr;
    device->CreateOffscreenPlainSurface(frame.width, frame.height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    device->GetFrontBufferData(0, copy);
    D3DLOCKED_RECT locked{};
    copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    frame.bgra.resize(static_cast<size_t>(frame.width) * frame.height * 4);
    for (int y = 0; y < frame.height; ++y)
      std::memcpy(frame.bgra.data() + static_cast<size_t>(y) * frame.width * 4,
                  static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, static_cast<size_t>(frame.width) * 4);
    copy->UnlockRect();
    copy->Release();
    return frame;
  }
  TempFolder folder;
};

}  // namespace

TEST_F(SolarSystemDraw, TheEarthIsDrawnWithOrWithoutItsAtmosphere) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "textures" / "earth.jpg", 64, 32);
  WritePicture(folder.root / "textures" / "clouds.png", 64, 32);
  WritePicture(folder.root / "textures" / "nuagestr.jpg", 64, 32);
  Place(kBodySun, {0, 0, 0}, 1392000.0);
  Place(kBodyEarth, {150.0, 0, 0}, 12756.0);
  // A weather satellite beyond the Earth, just off its limb, named on the
  // screen before the Earth is drawn.
  Place(kBodyNoaa10, {150.01, 0.009, 0.0}, 0.01);
  view.m_showSatelliteNames = true;
  // The cloud shadows' reverse-subtract blend must not outlive the pass.
  view.m_cloudShadows = true;
  view.m_realTimeCloudMap = true;
  for (bool atmosphere : {true, false}) {
    SCOPED_TRACE(atmosphere ? "atmosphere" : "no atmosphere");
    view.m_showAtmospheres = atmosphere;
    // From the Sun's side, 100 000 km out: the day side fills a good part of the field.
    Aim(view, {149.9, 0.0, 0.0}, g_bodies[kBodyEarth].position, 0.3f);
    Render(view);
    const Frame frame = Render(view);
    frame.Dump(atmosphere ? "earth-atmosphere" : "earth-plain");
    EXPECT_GT(frame.Brightness(64, 48), 150);
  }
}

TEST_F(SolarSystemDraw, SaturnsRingsBeyondTheDiscTheirShadowAndTheirDarkFace) {
  BodyView view(folder.root);
  view.clientWidth = 480, view.clientHeight = 360;
  view.Start();
  // The install folder's pictures when they are built, else plain ones.
  const fs::path install(NUVARINE_INSTALL_FOLDER);
  fs::create_directories(folder.root / "textures");
  for (const char* name : {"saturn.jpg", "saturn-rings.png", "ombre.png"})
    if (fs::exists(install / "textures" / name))
      fs::copy_file(install / "textures" / name, folder.root / "textures" / name);
  ASSERT_TRUE(fs::exists(folder.root / "textures" / "saturn-rings.png")) << "the body data is not built";
  view.m_textureCompression = false;
  Place(kBodySun, {0, 0, 0}, 1392000.0);
  // Saturn on 2024-01-17 (heliocentric longitude 338.1 degrees), the Sun
  // 6.7 degrees north of the ring plane.
  const Vector3d saturn{-543.222, 1350.227, -44.336};
  Place(kBodySaturn, saturn, 120536.0);
  const double radius = 120536.0 * 5e-7;
  // The ring plane's normal (yaw 0.482, pitch -0.09 of the ring rotation),
  // within a degree of Saturn's pole.
  const Vector3d normal{std::cos(0.09) * std::sin(0.482), std::sin(0.09), std::cos(0.09) * std::cos(0.482)};
  auto dot = [](const Vector3d& a, const Vector3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  auto unit = [](const Vector3d& a) { return Scale(a, 1.0 / Length(a)); };
  // In the ring plane: `away` from the Sun, `across` perpendicular to it.
  const Vector3d outward = unit(saturn);
  const Vector3d away = unit(Add(outward, Scale(normal, -dot(outward, normal))));
  const Vector3d across{normal.y * away.z - normal.z * away.y, normal.z * away.x - normal.x * away.z,
                        normal.x * away.y - normal.y * away.x};
  auto ringPoint = [&](const Vector3d& direction, double radii) {
    return Add(saturn, Scale(direction, radii * radius));
  };
  auto brightness = [&](const Frame& frame, const Vector3d& point) {
    const D3DXVECTOR2 p = Pixel(view, point);
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) sum += frame.Brightness(static_cast<int>(p.x) + dx, static_cast<int>(p.y) + dy);
    return sum / 9;
  };
  // From north of the ring plane, a quarter turn from the Sun: the lit face,
  // with the shadow and its mirror both beside the disc.
  Aim(view, Add(saturn, Add(Scale(across, 0.3), Scale(normal, 0.25))), saturn, 0.8f);
  Frame frame = Render(view);
  frame.Dump("saturn-side");
  // B ring at 1.75 radii: beyond the disc on both sides along `away`.
  const int sunSide = brightness(frame, ringPoint(Scale(away, -1.0), 1.75));
  const int shadowed = brightness(frame, ringPoint(away, 1.75));
  EXPECT_GT(sunSide, 200);
  EXPECT_LE(shadowed * 2, sunSide);
  for (double side : {-1.0, 1.0}) EXPECT_GT(brightness(frame, ringPoint(Scale(across, side), 1.75)), 200) << side;
  // From the same distance south of the plane, on the Sun's far side: the
  // dark face, at most half as bright.
  const Vector3d probe = ringPoint(Scale(across, 1.0), 1.75);
  const int lit = brightness(frame, probe);
  Aim(view, Add(saturn, Add(Scale(across, 0.3), Scale(normal, -0.25))), saturn, 0.8f);
  frame = Render(view);
  frame.Dump("saturn-dark-face");
  EXPECT_LE(brightness(frame, probe) * 2, lit);
}

TEST_F(SolarSystemDraw, MarsCloseUpIsItsPlainSphereWithOrWithoutItsLoadedTiles) {
  BodyView view(folder.root);
  view.clientWidth = 320, view.clientHeight = 240;
  view.Start();
  view.m_textureLevel = 4;
  view.m_textureCompression = false;
  view.m_showAtmospheres = false;
  // The install folder's Mars when it is built, else a plain picture.
  const fs::path install(NUVARINE_INSTALL_FOLDER);
  for (const char* name : {"mars.jpg", "marsbump1k.jpg"}) {
    if (fs::exists(install / "Textures hr" / name)) {
      fs::create_directories(folder.root / "Textures hr");
      fs::copy_file(install / "Textures hr" / name, folder.root / "Textures hr" / name,
                    fs::copy_options::overwrite_existing);
    } else {
      WritePicture(folder.root / "Textures hr" / name, 64, 32);
    }
  }
  // Tiles of pure green: any of them on the screen would show.
  std::string error;
  fs::create_directories(folder.root / "Textures thr" / "Mars" / "0");
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 16; ++c)
      ASSERT_TRUE(bodies::WriteJpeg(
          (folder.root / "Textures thr" / "Mars" / "0" / ("tx_" + std::to_string(c) + "_" + std::to_string(r) + ".jpg"))
              .string(),
          bodies::MakeImage(32, 32, 0, 255, 0, 255), 90, error))
          << error;
  Place(kBodySun, {0, 0, 0}, 1392000.0);
  const Vector3d mars{228.0, 0.0, 0.0};
  Place(kBodyMars, mars, 6792.0);
  g_bodies[kBodyMars].rotationAngle = 1.0;
  // 4100 km above the day side, a little off the Sun line: the whole disc
  // in the field, the tile under the camera near enough to load.
  Aim(view, {228.0 - 0.00744, 0.0008, 0.0004}, mars, 1.2f);
  Render(view);
  const Frame plain = Render(view);
  plain.Dump("mars-plain");
  EXPECT_GT(plain.Brightness(160, 120), 60) << "the lit surface fills the centre";
  for (int i = 0; i < 200; ++i) view.RunSurfaceTiles();
  int tiles = 0;
  for (IDirect3DTexture9* t : view.m_tileTexturesLevel0) tiles += t ? 1 : 0;
  ASSERT_GT(tiles, 0) << "the tiles under the camera are loaded";
  const Frame tiled = Render(view);
  tiled.Dump("mars-with-tiles-loaded");
  int differing = 0, green = 0;
  for (int y = 0; y < tiled.height; ++y)
    for (int x = 0; x < tiled.width; ++x) {
      const uint8_t* a = plain.At(x, y);
      const uint8_t* b = tiled.At(x, y);
      differing += std::memcmp(a, b, 3) != 0;
      green += b[1] > 200 && b[0] < 60 && b[2] < 60;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(green, 0);
}

// The draws of Saturn in the solar-system scene: the ring program with the
// ring picture and the planet's shadow on two modulating stages, lighting
// off, the far half of the strip (both faces) picked by the camera's angle
// around the planet, then the lit sphere with the second stage off under
// the ring plane's rotation, then the near half.
TEST_F(SolarSystemDraw, SaturnsRingHalvesUseTheRingProgramAroundThePlainSphere) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "textures" / "saturn.jpg", 16, 8);
  std::string error;
  ASSERT_TRUE(bodies::WritePng((folder.root / "textures" / "saturn-rings.png").string(),
                               bodies::MakeImage(4, 16, 200, 200, 200, 128), true, error));
  ASSERT_TRUE(bodies::WritePng((folder.root / "textures" / "ombre.png").string(),
                               bodies::MakeImage(16, 16, 255, 255, 255, 255), false, error));
  view.m_textureLevel = 2;
  view.m_textureCompression = false;
  Place(kBodySun, {0, 0, 0}, 1392000.0);
  const Vector3d saturn{-543.222, 1350.227, -44.336};
  Place(kBodySaturn, saturn, 120536.0);
  const Vector3d camera = Add(saturn, {0.3, -0.2, 0.25});
  Aim(view, camera, saturn, 0.8f);
  std::vector<DrawLog::Entry> draws;
  {
    DrawLog log(view.m_pd3dDevice);
    Render(view);  // checks the states the pass leaves behind
    draws = log.entries;
  }
  ASSERT_NE(view.m_ringShader, nullptr);
  ASSERT_NE(view.m_saturnRingTexture, nullptr);
  ASSERT_NE(view.m_ringShadowTexture, nullptr);

  // The camera's angle around the ring plane.
  auto wrap = [](double a) {
    a = std::fmod(a, 2.0 * kPi);
    return a < 0.0 ? a + 2.0 * kPi : a;
  };
  double a1 = std::acos(saturn.x / Length(saturn));
  if (saturn.y >= 0.0) a1 = -a1;
  const double vx = saturn.x - camera.x, vy = saturn.y - camera.y, vl = std::hypot(vx, vy);
  double a2 = std::acos(vy / vl);
  if (vx >= 0.0) a2 = -a2;
  const double t = wrap(a2 + a1 - 1.41);
  auto strips = [](double angle) {
    RingDraw out[2];
    const int count = RingHalfDraws(angle, out);
    std::vector<std::pair<UINT, UINT>> got;
    for (int i = 0; i < count; ++i)
      got.push_back({static_cast<UINT>(out[i].start), static_cast<UINT>(out[i].triangles)});
    return got;
  };
  const std::vector<std::pair<UINT, UINT>> faces[4] = {strips(t), strips(wrap(-t)), strips(wrap(t + kPi)),
                                                       strips(wrap(kPi - t))};

  size_t at = 0;
  while (at < draws.size() && draws[at].draw.vertexShader != view.m_ringShader) ++at;
  // The far half's draws, the sphere, the near half's draws.
  const size_t farDraws = faces[0].size() + faces[1].size(), nearDraws = faces[2].size() + faces[3].size();
  ASSERT_GE(draws.size(), at + farDraws + 1 + nearDraws);
  const D3DDrawRecordForLayer& sphere = draws[at + farDraws].draw;
  EXPECT_EQ(sphere.vertexShader, nullptr);
  EXPECT_EQ(sphere.textures[0], view.m_bodyTextures[8]);
  EXPECT_EQ(sphere.textures[1], nullptr);
  EXPECT_EQ(sphere.colorOps[1], static_cast<DWORD>(D3DTOP_DISABLE));
  EXPECT_EQ(sphere.lighting, static_cast<DWORD>(TRUE));
  // The sphere is turned by the ring plane's rotation alone: each row of its
  // world matrix is that rotation's row, scaled.
  D3DXMATRIX rotation;
  D3DXMatrixRotationYawPitchRoll(&rotation, 0.482f, -0.09f, static_cast<float>(1.41 - a1));
  for (int row = 0; row < 3; ++row) {
    const D3DXVECTOR3 axis(sphere.world.m[row][0], sphere.world.m[row][1], sphere.world.m[row][2]);
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &axis);
    for (int column = 0; column < 3; ++column) EXPECT_NEAR(unit[column], rotation.m[row][column], 1e-4f) << row;
  }
  D3DXMATRIX scale, turnY;
  D3DXMatrixScaling(&scale, 2.27f, 2.27f, 2.27f);
  D3DXMatrixRotationY(&turnY, static_cast<float>(kPi));
  const D3DXMATRIX base(&sphere.world._11);
  const D3DXMATRIX front = scale * base * view.m_viewProjectionMatrix;
  const D3DXMATRIX back = turnY * scale * base * view.m_viewProjectionMatrix;
  size_t next = at;
  for (int face = 0; face < 4; ++face) {
    if (face == 2) ++next;  // the sphere
    std::vector<std::pair<UINT, UINT>> got;
    for (size_t i = 0; i < faces[face].size(); ++i, ++next) {
      SCOPED_TRACE(testing::Message() << "face " << face << ", draw " << i);
      const DrawLog::Entry& e = draws[next];
      const D3DDrawRecordForLayer& ring = e.draw;
      got.push_back({ring.startVertex, ring.primitiveCount});
      EXPECT_EQ(ring.type, D3DPT_TRIANGLESTRIP);
      EXPECT_EQ(ring.vertexShader, view.m_ringShader);
      EXPECT_EQ(ring.fvf, 0x252u);
      EXPECT_EQ(ring.stride, 44u);
      EXPECT_EQ(ring.textures[0], view.m_saturnRingTexture);
      EXPECT_EQ(ring.textures[1], view.m_ringShadowTexture);
      EXPECT_EQ(ring.colorOps[0], static_cast<DWORD>(D3DTOP_MODULATE));
      EXPECT_EQ(ring.colorOps[1], static_cast<DWORD>(D3DTOP_MODULATE));
      EXPECT_EQ(ring.lighting, static_cast<DWORD>(FALSE));
      for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(e.constants[0][c], 0.5f);
      // c1 to c4: the transposed world-view-projection, the other face turned about y.
      D3DXMATRIX wvp;
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) wvp.m[c][r] = e.constants[1 + r][c];
      ExpectMatrixNear(wvp, face % 2 == 0 ? front : back);
    }
    EXPECT_EQ(got, faces[face]) << "face " << face;
  }
  if (next < draws.size()) {
    EXPECT_NE(draws[next].draw.vertexShader, view.m_ringShader);
  }
}

// The Earth's clouds with "Real time cloud map" ticked. Before any map has
// come the shipped cloud picture stands in (drifting on its own, blended as
// usual); with no address for the map the refresh says so once and where to
// give one; once a map is in the install folder the refresh loads it, and it
// turns with the ground: the cloud layer's turn about the axis is the
// Earth's, its shadow 0.004 rad off, at instants a quarter of a day apart.
TEST_F(SolarSystemDraw, TheLiveCloudMapTurnsWithTheGroundAndTheShippedCloudsStandInUntilItComes) {
  BodyView view(folder.root);
  view.Start();
  SetRegistryStorePath((folder.root / "registry.ini").string());
  std::vector<std::string> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text.GetString());
    return IDOK;
  });
  const Endpoints savedEndpoints = g_endpoints();
  for (std::string& url : g_endpoints().cloudMapUrl) url.clear();
  WritePicture(folder.root / "textures" / "earth.jpg", 64, 32);
  WritePicture(folder.root / "textures" / "clouds.png", 64, 32);
  Place(kBodySun, {0, 0, 0}, 1392000.0);
  Place(kBodyEarth, {150.0, 0, 0}, 12756.0);
  view.m_showAtmospheres = true;
  view.m_cloudShadows = true;
  view.m_realTimeCloudMap = true;
  view.m_year = 2024, view.m_month = 3, view.m_day = 5, view.m_hour = 7, view.m_minute = 40;
  view.UpdateTimeContext();
  Aim(view, {149.9, 0.0, 0.03}, g_bodies[kBodyEarth].position, 0.3f);

  // The direction the x axis of a drawn sphere takes: its turn about the
  // Earth's axis, whatever its size.
  auto axis = [](const D3DMATRIX& w) {
    D3DXVECTOR3 x(w._11, w._12, w._13);
    D3DXVec3Normalize(&x, &x);
    return x;
  };
  auto angleBetween = [](const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return std::acos(std::clamp(static_cast<double>(D3DXVec3Dot(&a, &b)), -1.0, 1.0));
  };
  struct Drawn {
    D3DXVECTOR3 earth, shadow, layer;
    DWORD layerDestBlend = 0;
    int clouds = 0;
  };
  auto draw = [&] {
    Drawn d;
    DrawLog log(view.m_pd3dDevice);
    Render(view);
    IDirect3DTexture9* ground = view.m_bodyTextures[0];
    IDirect3DTexture9* clouds = view.m_bodyTextures[2];
    bool earthSeen = false;
    for (const DrawLog::Entry& e : log.entries) {
      if (!earthSeen && ground && (e.draw.textures[0] == ground || e.draw.textures[1] == ground)) {
        d.earth = axis(e.draw.world);
        earthSeen = true;
      }
      if (clouds && e.draw.textures[0] == clouds) {
        (d.clouds == 0 ? d.shadow : d.layer) = axis(e.draw.world);
        if (d.clouds == 1) d.layerDestBlend = e.draw.destBlend;
        ++d.clouds;
      }
    }
    EXPECT_TRUE(earthSeen);
    return d;
  };

  // 1. No map yet: the shipped clouds, shadow and layer.
  Drawn before = draw();
  ASSERT_NE(view.m_bodyTextures[2], nullptr) << "the Earth keeps clouds while no map has come";
  EXPECT_FALSE(view.m_earthCloudsAreLiveMap);
  EXPECT_EQ(before.clouds, 2);
  EXPECT_EQ(before.layerDestBlend, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));

  // 2. A refresh with no address: told at once, once a run; the shipped clouds stay.
  view.m_frameCounter = 100;
  view.m_lastCloudMapDate = 0.0;
  view.RunCloudMapRefresh(view.m_julianDate);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "No address is known for the real-time cloud map.\r\nIt can be given in the file endpoints.ini of the "
            "install folder (cloudMapUrl1= to cloudMapUrl4=).");
  EXPECT_FALSE(view.m_earthCloudsAreLiveMap);
  EXPECT_NE(view.m_bodyTextures[2], nullptr);
  view.RunCloudMapRefresh(view.m_julianDate + 1.0);
  EXPECT_EQ(boxes.size(), 1u) << "the missing address is told once";

  // 3. A map has come: the next refresh shows it, turning with the ground.
  WritePicture(folder.root / "textures" / "nuagestr.jpg", 64, 32);
  view.RunCloudMapRefresh(view.m_julianDate + 2.0);
  EXPECT_TRUE(view.m_earthCloudsAreLiveMap);
  for (double hour : {7.0, 13.0}) {
    SCOPED_TRACE(hour);
    view.m_hour = hour;
    view.UpdateTimeContext();
    const Drawn live = draw();
    ASSERT_EQ(live.clouds, 2);
    EXPECT_EQ(live.layerDestBlend, static_cast<DWORD>(D3DBLEND_ONE)) << "the live map is added to the ground";
    EXPECT_NEAR(angleBetween(live.layer, live.earth), 0.0, 2e-3) << "the cloud layer turns with the Earth";
    EXPECT_NEAR(angleBetween(live.shadow, live.layer), 0.004, 1e-3);
  }
  g_endpoints() = savedEndpoints;
}

// An Earth satellite above a city is drawn above that city on the turning
// globe: its place around the Earth in the scene, taken back through the
// globe's orientation, is its sub-satellite point. The satellite's offset is
// built here in the orbit models' TEME frame from the city and the Greenwich
// mean sidereal angle (IAU 1982), independently of the program's own.
TEST_F(SolarSystemDraw, SatelliteAboveACityIsDrawnAboveIt) {
  struct Case {
    const char* city;
    double eastLongitude, latitude;  // degrees
    int year, month, day, hour, minute;
  } cases[] = {
      {"Paris", 2.35, 48.85, 2026, 3, 20, 21, 30},
      {"Sydney", 151.21, -33.87, 2024, 7, 1, 3, 15},
      {"Quito", -78.47, -0.18, 2025, 12, 24, 12, 0},
      {"Anchorage", -149.9, 61.2, 2023, 9, 5, 17, 45},
  };
  const OrbitRecord savedSlot = g_orbits[2];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.city);
    CSkyModel model;
    model.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(model.LoadPlanetLibrary());
    model.m_year = c.year, model.m_month = c.month, model.m_day = c.day;
    model.m_hour = c.hour, model.m_minute = c.minute, model.m_second = 0;
    model.m_planetariumMode = false;
    model.m_pressure = 0.0;
    model.UpdateTimeContext();
    const double d = model.m_julianDate - 2451545.0, t = d / 36525.0;
    const double gmst = (280.46061837 + 360.98564736629 * d + 0.000387933 * t * t - t * t * t / 38710000.0) * kDegToRad;
    const double r = (6378.137 + 420.0) * 1e-6;  // the ISS's height, millions of km from the centre
    const double l = c.eastLongitude * kDegToRad + gmst, b = c.latitude * kDegToRad;
    g_orbits[2].position[0] = r * std::cos(b) * std::cos(l);
    g_orbits[2].position[1] = r * std::cos(b) * std::sin(l);
    g_orbits[2].position[2] = r * std::sin(b);
    model.UpdateSolarSystemBodies();
    const Vector3d& iss = g_bodies[kBodyIss].position;
    const Vector3d& earth = g_bodies[kBodyEarth].position;
    const D3DXVECTOR3 offset(static_cast<float>(iss.x - earth.x), static_cast<float>(iss.y - earth.y),
                             static_cast<float>(iss.z - earth.z));
    D3DXMATRIX globe = EarthGlobeOrientation(model.m_julianDate, model.m_utFraction, model.m_nutationLongitude,
                                             model.m_cosObliquity, g_bodyPoles[kBodyEarth]);
    D3DXMATRIX back;
    ASSERT_NE(D3DXMatrixInverse(&back, nullptr, &globe), nullptr);
    D3DXVECTOR3 local;
    D3DXVec3TransformCoord(&local, &offset, &back);
    const double longitude = std::atan2(local.x, local.y) / kDegToRad;
    const double latitude = std::asin(local.z / D3DXVec3Length(&local)) / kDegToRad;
    std::printf("%s: drawn above %.3f, %.3f\n", c.city, longitude, latitude);
    EXPECT_LT(std::fabs(std::remainder(longitude - c.eastLongitude, 360.0)) * std::cos(c.latitude * kDegToRad), 1.0);
    EXPECT_NEAR(latitude, c.latitude, 1.0);
  }
  g_orbits[2] = savedSlot;
}
