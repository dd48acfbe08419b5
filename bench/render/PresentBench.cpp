// An empty frame (clear, scene brackets, present) in a real X11 window, at
// 1920 x 1080 and 3840 x 2160: the device draws on the window's own surface.
// For comparison, the same frame read back and pushed to the window as an
// image. Needs an X server large enough for the window, for example:
//   xvfb-run -a -s "-screen 0 3840x2160x24" bench/render/bench_render_present
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <cstring>

#include "../../platform/win/NativeWindow.h"
#include "d3d9.h"

namespace {

class XWindow : public CNativeWindow {
 public:
  XWindow(Display* display, int width, int height, bool native)
      : m_display(display), m_width(width), m_height(height), m_native(native) {
    m_window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, m_window);
    XSync(display, False);
    m_gc = XCreateGC(display, m_window, 0, nullptr);
  }
  ~XWindow() override {
    if (m_image) {
      m_image->data = nullptr;
      XDestroyImage(m_image);
    }
    XFreeGC(m_display, m_gc);
    XDestroyWindow(m_display, m_window);
    XSync(m_display, False);
  }
  void GetClientSize(int& width, int& height) const override { width = m_width, height = m_height; }
  unsigned long NativeWindowId() override { return m_native ? m_window : 0; }
  // The read-back path: the frame as an image pushed to the X server.
  void PresentFrame(const unsigned char* bgra, int width, int height, int stride) override {
    m_pixels.assign(bgra, bgra + static_cast<size_t>(stride) * height);
    if (!m_image)
      m_image = XCreateImage(m_display, DefaultVisual(m_display, DefaultScreen(m_display)), 24, ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, stride);
    m_image->data = reinterpret_cast<char*>(m_pixels.data());
    XPutImage(m_display, m_window, m_gc, m_image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XSync(m_display, False);
  }

 private:
  Display* m_display;
  Window m_window = 0;
  GC m_gc;
  XImage* m_image = nullptr;
  std::vector<unsigned char> m_pixels;
  int m_width, m_height;
  bool m_native;
};

void EmptyFrame(benchmark::State& state, bool native) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    state.SkipWithError("no X server (run under xvfb-run)");
    return;
  }
  if (DisplayWidth(display, DefaultScreen(display)) < width || DisplayHeight(display, DefaultScreen(display)) < height) {
    XCloseDisplay(display);
    state.SkipWithError("the X screen is smaller than the window");
    return;
  }
  {
    XWindow window(display, width, height, native);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = static_cast<UINT>(width);
    pp.BackBufferHeight = static_cast<UINT>(height);
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    if (!d3d || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, &window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                         &device))) {
      state.SkipWithError("no device");
    } else {
      auto frame = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 45), 1.0f, 0);
        device->BeginScene();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
      };
      // The first frames set up the window's shared memory and the programs.
      for (int i = 0; i < 5; ++i) frame();
      XSync(display, False);
      for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 45), 1.0f, 0);
        device->BeginScene();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
      }
      // The X server has drawn every frame before the clock stops.
      XSync(display, False);
      device->Release();
    }
    if (d3d) d3d->Release();
  }
  XCloseDisplay(display);
}

void NativeSurface(benchmark::State& state) { EmptyFrame(state, true); }
void ReadBackAndImage(benchmark::State& state) { EmptyFrame(state, false); }

}  // namespace

BENCHMARK(NativeSurface)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadBackAndImage)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
