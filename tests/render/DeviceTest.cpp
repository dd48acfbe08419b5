// Device creation, reset, presentation and the adapter queries.
#include "../../platform/win/NativeWindow.h"
#include "RenderTestUtil.h"

namespace {

class RecordingWindow : public CNativeWindow {
 public:
  void GetClientSize(int& w, int& h) const override { w = 40, h = 30; }
  void PresentFrame(const unsigned char* bgra, int w, int h, int stride) override {
    width = w, height = h, frames++;
    first.assign(bgra, bgra + 4);
    last.assign(bgra + (h - 1) * stride, bgra + (h - 1) * stride + 4);
  }
  int width = 0, height = 0, frames = 0;
  std::vector<unsigned char> first, last;
};

TEST(Device, ClearColourReadsBack) {
  HeadlessDevice h(32, 16);
  ASSERT_NE(h.device, nullptr);
  EXPECT_EQ(h.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(10, 120, 250), 1.0f, 0),
            D3D_OK);
  h.Frame();
  ExpectPixel(h.At(0, 0), 10, 120, 250, 0);
  ExpectPixel(h.At(31, 15), 10, 120, 250, 0);
  // A clear rectangle touches only its pixels (rows counted from the top).
  D3DRECT r{4, 2, 8, 6};
  h.device->Clear(1, &r, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.0f, 0);
  h.Frame();
  ExpectPixel(h.At(4, 2), 255, 0, 0, 0);
  ExpectPixel(h.At(7, 5), 255, 0, 0, 0);
  ExpectPixel(h.At(8, 5), 10, 120, 250, 0);
  ExpectPixel(h.At(4, 6), 10, 120, 250, 0);
}

TEST(Device, WindowedDeviceHandsFramesToItsWindowTopRowFirst) {
  RecordingWindow window;
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  IDirect3DDevice9* dev = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, &window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
  EXPECT_EQ(pp.BackBufferWidth, 40u);  // the window's client size
  EXPECT_EQ(pp.BackBufferHeight, 30u);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.0f, 0);
  D3DRECT top{0, 0, 40, 1};
  dev->Clear(1, &top, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.0f, 0);
  EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(window.frames, 1);
  EXPECT_EQ(window.width, 40);
  ASSERT_EQ(window.first.size(), 4u);
  EXPECT_EQ(window.first[2], 255);  // red top row
  EXPECT_EQ(window.last[0], 255);   // blue bottom row
  dev->Release();
  d3d->Release();
}

TEST(Device, ResetValidatesParametersAndRestoresDefaults) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  h.device->SetRenderState(D3DRS_LIGHTING, FALSE);
  h.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  h.device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  h.device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  D3DPRESENT_PARAMETERS pp = h.params;
  pp.BackBufferWidth = 24;
  pp.AutoDepthStencilFormat = static_cast<D3DFORMAT>(74);  // not a depth format
  EXPECT_EQ(h.device->Reset(&pp), D3DERR_INVALIDCALL);
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.PresentationInterval = 3;  // not an interval code
  EXPECT_EQ(h.device->Reset(&pp), D3DERR_INVALIDCALL);
  for (D3DFORMAT f : {D3DFMT_D16_LOCKABLE, D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D24X4S4,
                      D3DFMT_D16}) {
    for (UINT interval : {D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE, D3DPRESENT_INTERVAL_IMMEDIATE}) {
      pp.AutoDepthStencilFormat = f;
      pp.PresentationInterval = interval;
      EXPECT_EQ(h.device->Reset(&pp), D3D_OK) << f;
    }
  }
  DWORD v = 0;
  h.device->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, static_cast<DWORD>(TRUE));
  h.device->GetRenderState(D3DRS_SRCBLEND, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
  h.device->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DZB_TRUE));
  h.device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CCW));
  h.device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
  h.device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
  h.device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
  D3DVIEWPORT9 vp;
  h.device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 24u);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(h.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 24u);
  EXPECT_EQ(desc.Height, 16u);
  back->Release();
  EXPECT_EQ(h.device->TestCooperativeLevel(), D3D_OK);
}

TEST(Device, AdapterQueries) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
  D3DADAPTER_IDENTIFIER9 id;
  EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  EXPECT_GT(std::strlen(id.Description), 0u);
  D3DCAPS9 caps;
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_GT(caps.VertexShaderVersion, D3DVS_VERSION(1, 0));
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_DOTPRODUCT3);
  EXPECT_TRUE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP);
  D3DDISPLAYMODE mode;
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_R8G8B8), D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, D3DUSAGE_AUTOGENMIPMAP, D3DRTYPE_TEXTURE,
                                   D3DFMT_A8R8G8B8),
            D3D_OK);
  EXPECT_NE(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_P8), D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, mode.Format, TRUE, D3DMULTISAMPLE_NONE, nullptr),
            D3D_OK);
  EXPECT_NE(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, mode.Format, TRUE, D3DMULTISAMPLE_3_SAMPLES, nullptr),
            D3D_OK);
  EXPECT_STREQ(DXGetErrorString9A(D3DERR_INVALIDCALL), "D3DERR_INVALIDCALL");
  EXPECT_STREQ(DXGetErrorString9A(D3DERR_DEVICENOTRESET), "D3DERR_DEVICENOTRESET");
  EXPECT_STREQ(DXGetErrorString9A(E_FAIL), "E_FAIL");
  EXPECT_EQ(static_cast<uint32_t>(D3DERR_INVALIDCALL), 0x8876086Cu);
  d3d->Release();
}

TEST(Device, AdapterLimitsForCallersFallbacks) {
  D3DAdapterLimitsForLayer limits;
  limits.maxSamples = 2;
  limits.vertexShaderVersion = D3DVS_VERSION(1, 0);
  limits.refusedBehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  SetAdapterLimitsForLayer(limits);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES, nullptr),
            D3DERR_NOTAVAILABLE);
  D3DCAPS9 caps;
  d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
  EXPECT_EQ(caps.VertexShaderVersion, D3DVS_VERSION(1, 0));
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = pp.BackBufferHeight = 8;
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  IDirect3DDevice9* dev = nullptr;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &dev), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x22, &pp, &dev), D3DERR_INVALIDCALL);  // 4 refused
  EXPECT_EQ(dev, nullptr);
  limits.noDisplayMode = true;
  SetAdapterLimitsForLayer(limits);
  D3DDISPLAYMODE mode;
  EXPECT_NE(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
  d3d->Release();
  limits.noDirect3D = true;
  SetAdapterLimitsForLayer(limits);
  EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
  SetAdapterLimitsForLayer(D3DAdapterLimitsForLayer{});
}

TEST(Device, MultisampledTargetResolvesOnPresent) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  if (d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES, nullptr) !=
      D3D_OK) {
    d3d->Release();
    GTEST_SKIP() << "no 4-sample multisampling here";
  }
  d3d->Release();
  HeadlessDevice h(16, 16);
  D3DPRESENT_PARAMETERS pp = h.params;
  pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  ASSERT_EQ(h.device->Reset(&pp), D3D_OK);
  h.params = pp;
  h.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0);
  h.Frame();
  ExpectPixel(h.At(5, 5), 1, 2, 3, 0);
}

}  // namespace
