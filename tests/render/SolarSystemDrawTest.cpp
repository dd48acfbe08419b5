// What the solar-system pass puts on the screen of the headless device: the
// Earth drawn whatever the atmosphere switch says.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "BodyViewSupport.h"
#include "ProcessObjects.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"

using namespace bodytest;

namespace {

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra;
  const uint8_t* At(int x, int y) const { return bgra.data() + (static_cast<size_t>(y) * width + x) * 4; }
  int Brightness(int x, int y) const { return At(x, y)[0] + At(x, y)[1] + At(x, y)[2]; }
};

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
  // The camera at `camera` (million km) looking at `target`.
  static void Aim(BodyView& view, const Vector3d& camera, const Vector3d& target, float field) {
    view.m_planetariumMode = false;
    view.m_cameraPosition = camera;
    view.m_fieldOfView = field;
    const D3DXVECTOR3 at(static_cast<float>(target.x - camera.x), static_cast<float>(target.y - camera.y),
                         static_cast<float>(target.z - camera.z));
    view.m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), at, D3DXVECTOR3(0, 0, 1));
    view.m_camera.SetProjectionParameters(field, 128.0f / 96.0f, 1e-5f, 2.3f);
    D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix,
                       &view.m_camera.m_projectionMatrix);
    view.m_backBufferWidth = 128.0f, view.m_backBufferHeight = 96.0f;
    view.m_skyColorValue = {0, 0, 0, 1};
    view.m_showPlanetNames = false;
    for (BodyState& b : g_bodies) {
      const double dx = b.position.x - camera.x, dy = b.position.y - camera.y, dz = b.position.z - camera.z;
      b.cameraDistance = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
  }
  // One frame of the solar-system pass alone, read back.
  static Frame Render(BodyView& view) {
    view.UpdateBodyDrawFlags();
    view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
    IDirect3DDevice9* device = view.m_pd3dDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    device->BeginScene();
    device->SetTransform(D3DTS_VIEW, &view.m_camera.m_viewMatrix);
    device->SetTransform(D3DTS_PROJECTION, &view.m_camera.m_projectionMatrix);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    view.RenderSolarSystem();
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
  BodyState& sun = g_bodies[kBodySun];
  sun.position = {0, 0, 0}, sun.diameter = 1392000.0;
  BodyState& earth = g_bodies[kBodyEarth];
  earth.position = {150.0, 0, 0}, earth.diameter = 12756.0, earth.sunDistance = 1.0;
  // A weather satellite beyond the Earth, just off its limb, named on the
  // screen before the Earth is drawn.
  BodyState& noaa = g_bodies[kBodyNoaa10];
  noaa.position = {150.01, 0.009, 0.0}, noaa.diameter = 0.01, noaa.sunDistance = 1.0;
  view.m_showSatelliteNames = true;
  for (bool atmosphere : {true, false}) {
    SCOPED_TRACE(atmosphere ? "atmosphere" : "no atmosphere");
    view.m_showAtmospheres = atmosphere;
    // From the Sun's side, 100 000 km out: the day side fills a good part of the field.
    Aim(view, {149.9, 0.0, 0.0}, earth.position, 0.3f);
    view.m_showSatelliteNames = true;
    Render(view);
    const Frame frame = Render(view);
    EXPECT_GT(frame.Brightness(64, 48), 150);
  }
}
