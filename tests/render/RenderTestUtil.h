#pragma once
// Headless device helpers for the drawing-layer tests.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "d3d9.h"

struct Pixel {
  int r, g, b, a;
};

// Presents and reads the frame back through the front-buffer copy: width x
// height pixels of 4 bytes (blue, green, red, alpha), rows packed.
inline std::vector<uint8_t> PresentAndReadFrame(IDirect3DDevice9* device, UINT width, UINT height) {
  device->Present(nullptr, nullptr, nullptr, nullptr);
  IDirect3DSurface9* s = nullptr;
  device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr);
  std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
  if (!s) return out;
  device->GetFrontBufferData(0, s);
  D3DLOCKED_RECT lr;
  s->LockRect(&lr, nullptr, D3DLOCK_READONLY);
  for (UINT y = 0; y < height; ++y)
    std::memcpy(out.data() + static_cast<size_t>(y) * width * 4, static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch,
                width * 4);
  s->UnlockRect();
  s->Release();
  return out;
}

class HeadlessDevice {
 public:
  explicit HeadlessDevice(UINT width = 64, UINT height = 64, bool depth = true) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    params = pp;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &pp,
                      &device);
  }
  ~HeadlessDevice() {
    if (device) device->Release();
    if (d3d) d3d->Release();
  }
  // Presents and reads the frame back through the front-buffer copy.
  std::vector<uint8_t> Frame() {
    frame = PresentAndReadFrame(device, params.BackBufferWidth, params.BackBufferHeight);
    return frame;
  }
  Pixel At(int x, int y) const {
    const uint8_t* p = frame.data() + (static_cast<size_t>(y) * params.BackBufferWidth + x) * 4;
    return {p[2], p[1], p[0], p[3]};
  }
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  D3DPRESENT_PARAMETERS params{};
  std::vector<uint8_t> frame;
};

inline void ExpectPixel(const Pixel& p, int r, int g, int b, int tolerance = 1) {
  EXPECT_NEAR(p.r, r, tolerance);
  EXPECT_NEAR(p.g, g, tolerance);
  EXPECT_NEAR(p.b, b, tolerance);
}
