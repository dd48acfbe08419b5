// Frames presented on a real X11 window (run under a virtual X server): the
// copy of the shown frame is the frame that was drawn, whether the device
// draws on the window itself or copies an antialiased target to it; a frame
// shown without a copy is never handed out as a black picture.
#include <gtest/gtest.h>

#include <vector>

#include "../../platform/d3d9/DeviceImpl.h"
#include "../../platform/win/NativeWindow.h"
#include "d3d9.h"

// Last: its macros (None, Bool) clash with names of the headers above.
#include <X11/Xlib.h>

namespace {

constexpr int kWidth = 96, kHeight = 64;

class XWindow : public CNativeWindow {
 public:
  explicit XWindow(Display* display) : m_display(display) {
    m_window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
    XMapWindow(display, m_window);
    XSync(display, False);
  }
  ~XWindow() override {
    XDestroyWindow(m_display, m_window);
    XSync(m_display, False);
  }
  void GetClientSize(int& width, int& height) const override { width = kWidth, height = kHeight; }
  void PresentFrame(const unsigned char*, int, int, int) override { ++imageFrames; }
  unsigned long NativeWindowId() override { return m_window; }
  int imageFrames = 0;

 private:
  Display* m_display;
  Window m_window;
};

// Clears the frame to `colour` with a red top band, and presents it.
void DrawAndPresent(IDirect3DDevice9* device, D3DCOLOR colour) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
  D3DRECT band{0, 0, kWidth, 8};
  device->Clear(1, &band, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.0f, 0);
  device->BeginScene();
  device->EndScene();
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

// The copy of the shown frame; empty when the device cannot give it.
std::vector<uint8_t> ShownFrame(IDirect3DDevice9* device) {
  IDirect3DSurface9* surface = nullptr;
  if (FAILED(device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface,
                                                 nullptr)))
    return {};
  std::vector<uint8_t> pixels;
  D3DLOCKED_RECT locked;
  if (SUCCEEDED(device->GetFrontBufferData(0, surface)) && SUCCEEDED(surface->LockRect(&locked, nullptr, 0))) {
    for (int y = 0; y < kHeight; ++y) {
      const auto* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
      pixels.insert(pixels.end(), row, row + kWidth * 4);
    }
    surface->UnlockRect();
  }
  surface->Release();
  return pixels;
}

void ExpectFrame(const std::vector<uint8_t>& frame, int r, int g, int b) {
  ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth) * kHeight * 4);
  auto at = [&](int x, int y) { return frame.data() + (static_cast<size_t>(y) * kWidth + x) * 4; };
  // The top band is red (rows from the top), the rest the clear colour.
  EXPECT_EQ(at(kWidth / 2, 2)[2], 255);
  EXPECT_EQ(at(kWidth / 2, 2)[1], 0);
  const uint8_t* p = at(kWidth / 2, kHeight - 3);
  EXPECT_EQ(p[2], r);
  EXPECT_EQ(p[1], g);
  EXPECT_EQ(p[0], b);
}

TEST(NativePresent, TheCopyIsTheShownFrameOnEveryPath) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "no X server: run under xvfb-run (package xvfb)";
  struct Case {
    const char* name;
    D3DMULTISAMPLE_TYPE samples;
    bool drawsOnWindow;  // the device draws on the window's own back buffer
  } cases[] = {{"drawn on the window", D3DMULTISAMPLE_NONE, true},
               {"4 samples, copied to the window", D3DMULTISAMPLE_4_SAMPLES, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XWindow window(display);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.MultiSampleType = c.samples;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, &window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    ASSERT_EQ(device->GetImpl()->drawToWindow, c.drawsOnWindow);

    // Asked before the frame: the copy is that frame.
    device->KeepNextPresentedFrameForLayer();
    DrawAndPresent(device, D3DCOLOR_XRGB(20, 90, 200));
    ExpectFrame(ShownFrame(device), 20, 90, 200);
    // The copy stays that frame however often it is asked for.
    ExpectFrame(ShownFrame(device), 20, 90, 200);

    // A frame shown without asking: an off-screen target still holds it;
    // a window's shown buffer cannot give it back, and nothing is handed out.
    DrawAndPresent(device, D3DCOLOR_XRGB(200, 150, 10));
    const std::vector<uint8_t> unasked = ShownFrame(device);
    if (c.drawsOnWindow)
      EXPECT_TRUE(unasked.empty());
    else
      ExpectFrame(unasked, 200, 150, 10);

    // Asked once, the next frame alone is read back.
    device->KeepNextPresentedFrameForLayer();
    DrawAndPresent(device, D3DCOLOR_XRGB(0, 180, 60));
    DrawAndPresent(device, D3DCOLOR_XRGB(90, 0, 90));
    if (c.drawsOnWindow)
      EXPECT_TRUE(ShownFrame(device).empty());
    else
      ExpectFrame(ShownFrame(device), 90, 0, 90);
    EXPECT_EQ(window.imageFrames, 0);  // every frame went to the window natively
    device->Release();
    d3d->Release();
  }
  XCloseDisplay(display);
}

}  // namespace
