// Screen lines and labels at 1920 x 1080 on this machine's renderer (Mesa's
// llvmpipe here): 5,000 segments between one Begin and End of the line object,
// and 700 ten-character labels of one texture font. Each frame is cleared,
// drawn and presented (with the headless read-back); BM_EmptyFrame is the
// same frame without the drawing, to subtract.
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "TextureFont.h"
#include "d3dx9.h"

namespace {

constexpr UINT kWidth = 1920, kHeight = 1080;

void EnsureGuiApplication() {
  static int argc = 1;
  static char name[] = "bench_render_text";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
}

struct Device {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  Device() {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
  }
  ~Device() {
    if (dev) dev->Release();
    if (d3d) d3d->Release();
  }
  template <class F>
  void Frame(F draw) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 20), 1.0f, 0);
    dev->BeginScene();
    draw();
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
};

void BM_EmptyFrame(benchmark::State& state) {
  Device d;
  if (!d.dev) return state.SkipWithError("no device");
  D3DADAPTER_IDENTIFIER9 adapter{};
  d.d3d->GetAdapterIdentifier(0, 0, &adapter);
  state.SetLabel(adapter.Description);  // the renderer measured
  for (auto _ : state) d.Frame([] {});
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond);

void BM_Segments5000(benchmark::State& state) {
  Device d;
  if (!d.dev) return state.SkipWithError("no device");
  ID3DXLine* line = nullptr;
  D3DXCreateLine(d.dev, &line);
  // Short segments spread over the screen, as the grids and figures draw them.
  std::mt19937 random(7);
  std::uniform_real_distribution<float> x(0.0f, kWidth), y(0.0f, kHeight), step(-12.0f, 12.0f);
  std::vector<D3DXVECTOR2> points;
  for (int i = 0; i < 5000; ++i) {
    const D3DXVECTOR2 a(x(random), y(random));
    points.push_back(a);
    points.push_back(D3DXVECTOR2(a.x + step(random), a.y + step(random)));
  }
  const uint64_t before = d.dev->GetDrawCallCountForLayer();
  for (auto _ : state)
    d.Frame([&] {
      line->Begin();
      for (int i = 0; i < 5000; ++i) line->Draw(&points[2 * i], 2, 0xff40a0ff);
      line->End();
    });
  state.counters["gl_draws_per_frame"] =
      static_cast<double>(d.dev->GetDrawCallCountForLayer() - before) / static_cast<double>(state.iterations());
  line->Release();
}
BENCHMARK(BM_Segments5000)->Unit(benchmark::kMillisecond);

void BM_Labels700(benchmark::State& state) {
  EnsureGuiApplication();
  Device d;
  if (!d.dev) return state.SkipWithError("no device");
  CTextureFont font("Arial", 9, 0);
  if (FAILED(font.CreateGlyphTexture(d.dev)) || FAILED(font.CreateDrawResources()))
    return state.SkipWithError("no font");
  std::mt19937 random(11);
  std::uniform_real_distribution<float> x(0.0f, kWidth - 80.0f), y(0.0f, kHeight - 16.0f);
  std::vector<std::pair<float, float>> places;
  for (int i = 0; i < 700; ++i) places.emplace_back(x(random), y(random));
  const uint64_t before = d.dev->GetDrawCallCountForLayer();
  for (auto _ : state)
    d.Frame([&] {
      for (const auto& p : places) font.DrawString(p.first, p.second, 0xffc0c0ff, "HD 123456a", 0);
    });
  state.counters["gl_draws_per_frame"] =
      static_cast<double>(d.dev->GetDrawCallCountForLayer() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Labels700)->Unit(benchmark::kMillisecond);

}  // namespace
