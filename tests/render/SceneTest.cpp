// The scene base: device creation with the adapter's fallbacks, presentation
// parameters and the result trail.
#include <gtest/gtest.h>

#include "../shell/ShellTestSupport.h"
#include "Scene3D.h"
#include "UiDefs.h"

namespace {

class TestScene : public CScene3D {
 public:
  ~TestScene() override {
    if (m_pd3dDevice) m_pd3dDevice->Release();
    if (m_pD3D) m_pD3D->Release();
  }
  bool InitObjects() override { return true; }
  bool ResetObjects(int, int) override { return true; }
  void FrameMove(float) override {}
  bool Render() override { return true; }
  D3DPRESENT_PARAMETERS Parameters(int width = 64, int height = 48) {
    D3DPRESENT_PARAMETERS pp{};
    EXPECT_TRUE(FillPresentParameters(width, height, pp));
    return pp;
  }
};

class SceneBase : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();  // the string table
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1600, 900);
  }
  void TearDown() override { SetAdapterLimitsForLayer({}); }
  static D3DAdapterLimitsForLayer Limits(int maxSamples) {
    D3DAdapterLimitsForLayer limits;
    limits.maxSamples = maxSamples;
    return limits;
  }
};

}  // namespace

TEST_F(SceneBase, ConstructionDefaults) {
  TestScene scene;
  EXPECT_EQ(scene.m_antialiasing, 0);
  EXPECT_TRUE(scene.m_multisample4Accepted);
  EXPECT_TRUE(scene.m_multisample2Accepted);
  ASSERT_NE(scene.m_pDeviceCaps, nullptr);
  ASSERT_NE(scene.m_pAdapterIdentifier, nullptr);
  EXPECT_EQ(scene.m_depthStencilFormat, 80);
  EXPECT_EQ(scene.m_presentInterval, 0u);
  EXPECT_TRUE(scene.m_mipMapping);
  EXPECT_EQ(scene.m_vertexProcessing, 0);
  EXPECT_EQ(scene.m_pD3D, nullptr);
  EXPECT_EQ(scene.m_pd3dDevice, nullptr);
  EXPECT_FALSE(scene.m_rgbTextureAccepted);
  EXPECT_FALSE(scene.m_argbTextureAccepted);
  EXPECT_TRUE(scene.m_errorText.IsEmpty());
  EXPECT_EQ(scene.m_traceCount, 0);
  EXPECT_EQ(scene.m_savedTraceCount, 0);
  EXPECT_TRUE(scene.m_traceEnabled);
}

TEST_F(SceneBase, MultisamplingIsLoweredToWhatTheAdapterAccepts) {
  struct Case {
    int adapterSamples;
    int wish;
    int option;
    D3DMULTISAMPLE_TYPE type;
    bool accepts2, accepts4;
  };
  const Case cases[] = {
      {2, 4, 2, D3DMULTISAMPLE_2_SAMPLES, true, false},
      {0, 4, 0, D3DMULTISAMPLE_NONE, false, false},
      {0, 2, 0, D3DMULTISAMPLE_NONE, false, false},
      {2, 2, 2, D3DMULTISAMPLE_2_SAMPLES, true, false},
      {2, 3, 3, D3DMULTISAMPLE_NONE, true, false},  // neither 2 nor 4: no multisampling
      {0, 0, 0, D3DMULTISAMPLE_NONE, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "adapter " << c.adapterSamples << " wish " << c.wish);
    SetAdapterLimitsForLayer(Limits(c.adapterSamples));
    TestScene scene;
    scene.m_antialiasing = static_cast<BYTE>(c.wish);
    ASSERT_TRUE(scene.CreateDevice(nullptr, 64, 48));
    EXPECT_EQ(scene.m_antialiasing, c.option);
    EXPECT_EQ(scene.m_multisample2Accepted, c.accepts2);
    EXPECT_EQ(scene.m_multisample4Accepted, c.accepts4);
    EXPECT_EQ(scene.Parameters().MultiSampleType, c.type);
    // A later wish the adapter refuses is lowered by the next reset's parameters.
    scene.m_antialiasing = 4;
    EXPECT_EQ(scene.Parameters().MultiSampleType, c.accepts2 ? D3DMULTISAMPLE_2_SAMPLES : D3DMULTISAMPLE_NONE);
  }
}

TEST_F(SceneBase, PresentParametersFromTheOptionsAndTheDisplay) {
  TestScene scene;
  scene.m_depthStencilFormat = 75;
  scene.m_presentInterval = 0x80000000u;
  ASSERT_TRUE(scene.CreateDevice(nullptr, 64, 48));
  D3DPRESENT_PARAMETERS pp = scene.Parameters(0, 0);
  EXPECT_EQ(pp.BackBufferWidth, 1600u);  // 0 takes the display's size
  EXPECT_EQ(pp.BackBufferHeight, 900u);
  D3DDISPLAYMODE mode{};
  scene.m_pD3D->GetAdapterDisplayMode(0, &mode);
  EXPECT_EQ(pp.BackBufferFormat, mode.Format);
  EXPECT_EQ(pp.BackBufferCount, 1u);
  EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_TRUE(pp.Windowed);
  EXPECT_TRUE(pp.EnableAutoDepthStencil);
  EXPECT_EQ(pp.AutoDepthStencilFormat, static_cast<D3DFORMAT>(75));
  EXPECT_EQ(pp.PresentationInterval, 0x80000000u);
  EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
  pp = scene.Parameters(320, 0);
  EXPECT_EQ(pp.BackBufferWidth, 320u);
  EXPECT_EQ(pp.BackBufferHeight, 900u);
  // The device was made with these parameters.
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(scene.m_pd3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc{};
  back->GetDesc(&desc);
  back->Release();
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 48u);
  EXPECT_TRUE(scene.m_argbTextureAccepted);
  EXPECT_TRUE(scene.m_mipMapping);

  TestScene none;
  D3DPRESENT_PARAMETERS out{};
  EXPECT_FALSE(none.FillPresentParameters(64, 48, out));  // no Direct3D object
}

TEST_F(SceneBase, VertexProcessingChoiceAndFallbacks) {
  struct Case {
    DWORD shaderVersion;   // 0: the adapter's own
    DWORD refusedFlags;
    int option;
    int expected;
  };
  const Case cases[] = {
      {0, 0, 2, 2},                                         // hardware as asked
      {0, 0, 1, 1},                                         // mixed as asked
      {0, D3DCREATE_HARDWARE_VERTEXPROCESSING, 2, 0},       // refused: software once more
      {D3DVS_VERSION(1, 0), 0, 2, 0},                       // version 1.0: software, option forced to 0
      {D3DVS_VERSION(1, 1), D3DCREATE_MIXED_VERTEXPROCESSING, 1, 0},
      {0, D3DCREATE_SOFTWARE_VERTEXPROCESSING, 7, -1},      // an unknown option asks for software only
      {0, 0, 7, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << std::hex << c.shaderVersion << " option " << c.option);
    D3DAdapterLimitsForLayer limits;
    limits.vertexShaderVersion = c.shaderVersion;
    limits.refusedBehaviorFlags = c.refusedFlags;
    SetAdapterLimitsForLayer(limits);
    TestScene scene;
    scene.m_vertexProcessing = static_cast<BYTE>(c.option);
    const bool created = scene.CreateDevice(nullptr, 32, 32);
    EXPECT_EQ(created, c.expected >= 0);
    if (!created) continue;
    EXPECT_EQ(scene.m_vertexProcessing, c.expected);
    D3DDEVICE_CREATION_PARAMETERS creation{};
    scene.m_pd3dDevice->GetCreationParameters(&creation);
    const DWORD processing = creation.BehaviorFlags & 0xE0u;
    EXPECT_EQ(processing, c.expected == 2   ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                          : c.expected == 1 ? D3DCREATE_MIXED_VERTEXPROCESSING
                                            : D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    EXPECT_TRUE(creation.BehaviorFlags & D3DCREATE_FPU_PRESERVE);
    EXPECT_FALSE(creation.BehaviorFlags & D3DCREATE_MULTITHREADED);
    // The trail begins with the creation marker and the choice.
    ASSERT_EQ(scene.m_traceCount, 2);
    EXPECT_EQ(scene.m_traceCodes[0], kTraceCreateDevice);
    EXPECT_EQ(scene.m_traceCodes[1], c.expected);
  }
}

TEST_F(SceneBase, OptionsTheAdapterCannotGiveAreReplacedAndNamed) {
  struct Case {
    int depth;
    uint32_t interval;
    int expectedDepth;
    uint32_t expectedInterval;
    const char* refused;
  };
  const Case cases[] = {
      {1, 0xFFFFFFFFu, 80, 0u, "Back Buffer=1\nInterval=-1\n"},
      {21, 0u, 80, 0u, "Back Buffer=21\n"},  // a colour format, not a depth one
      {75, 3u, 75, 0u, "Interval=3\n"},       // two intervals at once
      {75, 8u, 75, 0u, "Interval=8\n"},       // one the adapter does not list
      {77, 0x80000000u, 77, 0x80000000u, ""},
      {80, 1u, 80, 1u, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " " << c.interval);
    TestScene scene;
    scene.m_depthStencilFormat = c.depth;
    scene.m_presentInterval = c.interval;
    ASSERT_TRUE(scene.CreateDevice(nullptr, 32, 32));
    EXPECT_EQ(scene.m_depthStencilFormat, c.expectedDepth);
    EXPECT_EQ(scene.m_presentInterval, c.expectedInterval);
    EXPECT_EQ(scene.m_refusedDeviceOptions, c.refused);
    const D3DPRESENT_PARAMETERS pp = scene.Parameters();
    EXPECT_EQ(pp.AutoDepthStencilFormat, static_cast<D3DFORMAT>(c.expectedDepth));
  }
}

TEST_F(SceneBase, CreationFailuresLeaveTheirText) {
  D3DAdapterLimitsForLayer limits;
  limits.noDirect3D = true;
  SetAdapterLimitsForLayer(limits);
  {
    TestScene scene;
    EXPECT_FALSE(scene.CreateDevice(nullptr, 32, 32));
    EXPECT_EQ(scene.m_errorText, "DirectX version 9.0c does not seem installed on your computer.\nImpossible to continue...");
    EXPECT_EQ(scene.m_pd3dDevice, nullptr);
    EXPECT_EQ(scene.m_traceCount, 1);
  }
  limits = {};
  limits.noDisplayMode = true;
  SetAdapterLimitsForLayer(limits);
  {
    TestScene scene;
    EXPECT_FALSE(scene.CreateDevice(nullptr, 32, 32));
    EXPECT_EQ(scene.m_errorText, "DefinitionMode error - create");
    EXPECT_EQ(scene.m_pd3dDevice, nullptr);
  }
  limits = {};
  limits.refusedBehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING;
  SetAdapterLimitsForLayer(limits);
  {
    TestScene scene;
    scene.m_vertexProcessing = 2;
    EXPECT_FALSE(scene.CreateDevice(nullptr, 32, 32));
    EXPECT_EQ(scene.m_errorText, "Impossible to use the CreateDevice function\nPerhaps you don't have a 3D video card");
    EXPECT_EQ(scene.m_pd3dDevice, nullptr);
    EXPECT_EQ(scene.m_vertexProcessing, 0);
    // The failing result follows the marker.
    ASSERT_EQ(scene.m_traceCount, 2);
    EXPECT_EQ(scene.m_traceCodes[0], kTraceCreateDevice);
    EXPECT_LT(scene.m_traceCodes[1], -15000);
  }
}

TEST_F(SceneBase, FirstFrameTrailIsKeptAndAFailingFrameStopsRecording) {
  TestScene scene;
  ASSERT_TRUE(scene.CreateDevice(nullptr, 32, 32));
  scene.TraceCode(D3D_OK);  // the reset
  scene.BeginFrameTrail();  // no copy yet: the trail keeps growing
  scene.TraceCode(kTraceInitObjects);
  scene.TraceCode(kTraceEndOfFrame);
  scene.FinishFrameTrail();
  ASSERT_EQ(scene.m_savedTraceCount, 5);
  EXPECT_EQ(scene.m_savedTraceCodes[0], kTraceCreateDevice);
  EXPECT_EQ(scene.m_savedTraceCodes[1], 0);  // software processing
  EXPECT_EQ(scene.m_savedTraceCodes[4], kTraceEndOfFrame);
  EXPECT_TRUE(scene.m_traceEnabled);  // 15000 itself is no failure

  struct Case {
    int code;
    bool keepsRecording;
  };
  const Case cases[] = {{15000, true}, {-15000, true}, {15001, false}, {-15001, false}, {D3DERR_INVALIDCALL, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    TestScene s;
    s.m_savedTraceCount = 1;  // the first frame is kept
    s.TraceCode(1);
    s.BeginFrameTrail();
    EXPECT_EQ(s.m_traceCount, 0);
    s.TraceCode(kTraceSkyScene);
    s.TraceCode(c.code);
    s.FinishFrameTrail();
    EXPECT_EQ(s.m_traceEnabled, c.keepsRecording);
    EXPECT_EQ(s.m_savedTraceCount, 1);  // the first copy is not replaced
    // The next frame: a new trail, or the frozen one with later codes in
    // the slot after it, uncounted.
    s.BeginFrameTrail();
    s.TraceCode(kTraceSyncBodies);
    s.TraceCode(kTraceSkyScene);
    if (c.keepsRecording) {
      EXPECT_EQ(s.m_traceCount, 2);
      EXPECT_EQ(s.m_traceCodes[0], kTraceSyncBodies);
    } else {
      EXPECT_EQ(s.m_traceCount, 2);
      EXPECT_EQ(s.m_traceCodes[0], kTraceSkyScene);
      EXPECT_EQ(s.m_traceCodes[1], c.code);
      EXPECT_EQ(s.m_traceCodes[2], kTraceSkyScene);
    }
  }
}

TEST_F(SceneBase, AFullTrailDropsFurtherCodes) {
  TestScene scene;
  for (int i = 1; i <= 250; ++i) scene.TraceCode(i);
  EXPECT_EQ(scene.m_traceCount, kTraceCapacity);
  EXPECT_EQ(scene.m_traceCodes[kTraceCapacity - 1], kTraceCapacity);
  for (int i = 0; i < kTraceCapacity; ++i) EXPECT_EQ(scene.m_savedTraceCodes[i], 0) << i;
  scene.FinishFrameTrail();
  EXPECT_EQ(scene.m_savedTraceCount, kTraceCapacity);

  // A frozen full trail: the slot after it does not exist, the code is dropped.
  TestScene frozen;
  for (int i = 0; i < kTraceCapacity; ++i) frozen.TraceCode(i == 10 ? -20000 : i);
  frozen.FinishFrameTrail();
  EXPECT_FALSE(frozen.m_traceEnabled);
  const int saved0 = frozen.m_savedTraceCodes[0];
  for (int i = 0; i < 5; ++i) frozen.TraceCode(77777);
  EXPECT_EQ(frozen.m_traceCount, kTraceCapacity);
  EXPECT_EQ(frozen.m_savedTraceCodes[0], saved0);
  EXPECT_EQ(frozen.m_traceCodes[kTraceCapacity - 1], kTraceCapacity - 1);
}
