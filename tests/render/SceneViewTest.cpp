// The main view's device: first creation, resets and their failures, the
// camera projection, and the frames drawn until the scene passes exist.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "SplashDialogs.h"
#include "UiDefs.h"

namespace {

struct Box {
  CString text, caption;
};

// A view with a fixed client area whose neighbouring subsystems are recorders.
class DeviceView : public CNuvarine2View {
 public:
  // The frames run past the seventh: its start-up box counts as closed at once.
  int RunStartupBox(const CString&, int& choice) override {
    choice = 0;
    return IDCANCEL;
  }
  DeviceView() { m_millisecondClock = [this] { return clock += 20.0; }; }
  void GetClientSize(int& width, int& height) const override { width = clientWidth, height = clientHeight; }
  void ReleaseSceneResources() override {
    events.push_back("release");
    if (onRelease) onRelease();
  }
  void LoadVertexShaders() override { events.push_back("shaders"); }
  void OnConfiguration() override { events.push_back("configuration"); }
  void OnSystemDiagnostic() override { events.push_back("diagnostic"); }
  bool Render() override {
    events.push_back("render");
    return CNuvarine2View::Render();
  }
  int clientWidth = 1600, clientHeight = 900;
  double clock = 1000.0;
  std::vector<std::string> events;
  std::function<void()> onRelease;
};

class SceneView : public ::testing::Test {
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
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetAdapterLimitsForLayer({});
  }
  std::vector<Box> boxes;
};

}  // namespace

TEST_F(SceneView, InitialUpdateCreatesAndSizesTheDevice) {
  DeviceView view;
  view.OnInitialUpdate();
  ASSERT_TRUE(view.HasDevice());
  EXPECT_TRUE(view.m_deviceReady);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(view.m_backBufferWidthPixels, 1600u);
  EXPECT_EQ(view.m_backBufferHeightPixels, 900u);
  EXPECT_FLOAT_EQ(view.m_backBufferWidth, 1600.0f);
  EXPECT_FLOAT_EQ(view.m_halfBackBufferWidth, 800.0f);
  EXPECT_FLOAT_EQ(view.m_halfBackBufferHeight, 450.0f);
  EXPECT_GT(view.m_availableTextureMemory, 0u);
  EXPECT_TRUE(view.m_videoConfigValid);
  EXPECT_EQ(view.m_frameCounter, 0u);
  EXPECT_EQ(view.events, (std::vector<std::string>{"release", "shaders"}));
  // The projection of the 1600 x 900 back buffer.
  EXPECT_FLOAT_EQ(view.m_camera.m_aspect, 1.7777778f);
  EXPECT_FLOAT_EQ(view.m_camera.m_nearPlane, 1e-5f);
  EXPECT_FLOAT_EQ(view.m_camera.m_farPlane, 2.3f);
  EXPECT_FLOAT_EQ(view.m_camera.m_fov, 0.8f);
  // The trail: creation, the choice, the reset's result.
  ASSERT_EQ(view.m_traceCount, 3);
  EXPECT_EQ(view.m_traceCodes[0], kTraceCreateDevice);
  EXPECT_EQ(view.m_traceCodes[2], D3D_OK);
}

TEST_F(SceneView, InitialUpdateFailuresTellTheUserAndOpenTheSystemReport) {
  {
    D3DAdapterLimitsForLayer limits;
    limits.noDirect3D = true;
    SetAdapterLimitsForLayer(limits);
    DeviceView view;
    view.m_sceneReady = TRUE;
    view.OnInitialUpdate();
    EXPECT_FALSE(view.HasDevice());
    EXPECT_FALSE(view.m_deviceReady);
    EXPECT_FALSE(view.m_sceneReady);
    EXPECT_EQ(view.m_loadingWindow, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, AfxString(IDS_NO_DIRECT3D));
    EXPECT_EQ(boxes[0].caption, "create() - Failed");
    EXPECT_EQ(view.events, (std::vector<std::string>{"diagnostic"}));
    // No frame is ever drawn, the update still runs.
    for (int i = 0; i < 8; ++i) view.OnDraw(nullptr);
    EXPECT_EQ(view.m_frameCounter, 8u);
    EXPECT_FALSE(view.m_sceneReady);
  }
  SetAdapterLimitsForLayer({});
  boxes.clear();
  {
    // The adapter stops accepting multisampling between creation and reset.
    DeviceView view;
    view.m_antialiasing = 2;
    view.onRelease = [] {
      D3DAdapterLimitsForLayer limits;
      limits.maxSamples = 0;
      SetAdapterLimitsForLayer(limits);
    };
    view.OnInitialUpdate();
    EXPECT_TRUE(view.HasDevice());
    EXPECT_FALSE(view.m_deviceReady);
    EXPECT_FALSE(view.m_videoConfigValid);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Video config error\r\nTry another parameters");
    EXPECT_EQ(boxes[0].caption, "Nuvarine 2.0");
    EXPECT_EQ(boxes[1].text, "resize() - Failed");
    EXPECT_EQ(boxes[1].caption, "CView");
    EXPECT_EQ(view.events, (std::vector<std::string>{"release", "configuration", "diagnostic"}));
  }
}

TEST_F(SceneView, AFailedResetWhileRunningStopsDrawingUntilAResetSucceeds) {
  struct Case {
    const char* name;
    bool noDisplayMode;  // the parameters cannot be made
    int depthFormat;     // the device refuses them
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"reset refused", false, 12345, {"release", "configuration"}},
      {"no display mode", true, 80, {"configuration"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.clear();
    DeviceView view;
    view.OnInitialUpdate();
    ASSERT_TRUE(view.m_deviceReady);
    for (int i = 0; i < 20; ++i) view.OnDraw(nullptr);
    ASSERT_TRUE(view.m_sceneReady);
    view.events.clear();

    D3DAdapterLimitsForLayer limits;
    limits.noDisplayMode = c.noDisplayMode;
    SetAdapterLimitsForLayer(limits);
    view.m_depthStencilFormat = c.depthFormat;
    EXPECT_FALSE(view.ResetObjects(800, 600));
    EXPECT_FALSE(view.m_sceneReady);
    EXPECT_FALSE(view.m_videoConfigValid);
    EXPECT_EQ(view.m_loadingWindow, 0);
    EXPECT_EQ(view.events, c.events);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Video config error\r\nTry another parameters");
    EXPECT_EQ(view.m_frameCounter, 20u);

    // Nothing is drawn with the released objects, however long it runs.
    view.events.clear();
    for (int i = 0; i < 10; ++i) view.OnDraw(nullptr);
    EXPECT_TRUE(view.events.empty());

    // New settings that work: the objects are made again at the fifth frame.
    SetAdapterLimitsForLayer({});
    view.m_depthStencilFormat = 80;
    ASSERT_TRUE(view.ResetObjects(800, 600));
    EXPECT_TRUE(view.m_videoConfigValid);
    EXPECT_EQ(view.m_backBufferWidthPixels, 800u);
    for (int i = 0; i < 5; ++i) view.OnDraw(nullptr);
    EXPECT_TRUE(view.m_sceneReady);
    EXPECT_EQ(view.events.back(), "render");
  }
}

TEST_F(SceneView, OnlyAResetWhileRunningShowsTheLoadingText) {
  DeviceView view;
  view.OnInitialUpdate();
  ASSERT_TRUE(view.HasDevice());
  view.m_loadingWindow = 0;
  view.m_pLoadingDialog->m_statusText.Empty();
  view.m_frameCounter = 10;
  ASSERT_TRUE(view.ResetObjects(640, 480));
  EXPECT_EQ(view.m_loadingWindow, 0);
  EXPECT_TRUE(view.m_pLoadingDialog->m_statusText.IsEmpty());
  EXPECT_FLOAT_EQ(view.m_camera.m_aspect, 640.0f / 480.0f);

  view.m_frameCounter = 11;
  ASSERT_TRUE(view.ResetObjects(640, 480));
  EXPECT_EQ(view.m_loadingWindow, 2);
  EXPECT_EQ(view.m_pLoadingDialog->m_statusText, "Initializing 3D system...");
  EXPECT_EQ(view.m_frameCounter, 0u);

  // Without a device nothing happens.
  DeviceView bare;
  bare.m_frameCounter = 50;
  EXPECT_FALSE(bare.ResetObjects(640, 480));
  EXPECT_NE(bare.m_loadingWindow, 2);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SceneView, ProjectionFollowsTheChart) {
  DeviceView view;
  view.m_fieldOfView = 0.5f;
  view.UpdateProjection(0.0f, 0.0f, 0.0f);  // no device: no change
  EXPECT_FLOAT_EQ(view.m_camera.m_fov, 0.7853982f);

  view.OnInitialUpdate();
  ASSERT_TRUE(view.HasDevice());
  view.clientWidth = 1600, view.clientHeight = 900;
  view.UpdateProjection(0.0f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(view.m_camera.m_aspect, 1.7777778f);
  EXPECT_FLOAT_EQ(view.m_camera.m_nearPlane, 1e-5f);
  EXPECT_FLOAT_EQ(view.m_camera.m_farPlane, 2.3f);
  EXPECT_FLOAT_EQ(view.m_camera.m_fov, 0.5f);

  struct Case {
    bool planetarium, inverted;
    float fov;
  };
  for (const Case& c : {Case{true, true, -0.5f}, Case{true, false, 0.5f}, Case{false, true, 0.5f}}) {
    view.m_planetariumMode = c.planetarium;
    view.m_chartInverted = c.inverted;
    view.UpdateProjection(0.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(view.m_camera.m_fov, c.fov) << c.planetarium << c.inverted;
  }

  // Planes given by the caller are kept; only the pair (0, 0) is replaced.
  view.UpdateProjection(2.0f, 0.5f, 0.0f);
  EXPECT_FLOAT_EQ(view.m_camera.m_aspect, 2.0f);
  EXPECT_FLOAT_EQ(view.m_camera.m_nearPlane, 0.5f);
  EXPECT_FLOAT_EQ(view.m_camera.m_farPlane, 0.0f);
  // A client area without height keeps the current aspect.
  view.clientHeight = 0;
  view.UpdateProjection(0.0f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(view.m_camera.m_aspect, 2.0f);
}

TEST_F(SceneView, FramesShowTheSkyColour) {
  DeviceView view;
  view.clientWidth = 64, view.clientHeight = 48;
  view.m_planetariumMode = false;
  view.m_skyColorRed = 5, view.m_skyColorGreen = 5, view.m_skyColorBlue = 10;
  view.m_showInfoOverlay = false;  // the texts would cover the pixel read
  view.OnInitialUpdate();
  ASSERT_TRUE(view.HasDevice());
  for (int i = 0; i < 6; ++i) view.OnDraw(nullptr);
  ASSERT_TRUE(view.m_sceneReady);
  IDirect3DSurface9* copy = nullptr;
  ASSERT_EQ(view.m_pd3dDevice->CreateOffscreenPlainSurface(64, 48, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr),
            D3D_OK);
  ASSERT_EQ(view.m_pd3dDevice->GetFrontBufferData(0, copy), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const unsigned char* p = static_cast<const unsigned char*>(locked.pBits) + 20 * locked.Pitch + 30 * 4;
  EXPECT_EQ(p[2], 5);
  EXPECT_EQ(p[1], 5);
  EXPECT_EQ(p[0], 10);
  copy->UnlockRect();
  copy->Release();
  // The first drawn frame's trail is kept: creation to the end of the frame.
  ASSERT_GT(view.m_savedTraceCount, 3);
  EXPECT_EQ(view.m_savedTraceCodes[0], kTraceCreateDevice);
  EXPECT_EQ(view.m_savedTraceCodes[view.m_savedTraceCount - 1], kTraceEndOfFrame);
  // No install folder here: the missing star picture is in the trail, and
  // recording stops after that frame.
  EXPECT_FALSE(view.m_traceEnabled);
}
