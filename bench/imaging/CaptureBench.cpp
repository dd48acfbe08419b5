// The frame loop at 1280 x 720 (clear, scene brackets, present) with movie
// capture off, recording full frames and recording Motion JPEG; frames per
// second are the items per second.
//   LIBGL_ALWAYS_SOFTWARE=1 bench/imaging/bench_imaging_capture
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "AviCapture.h"
#include "AviSaveOptions.h"
#include "d3d9.h"

namespace {

constexpr UINT kWidth = 1280, kHeight = 720;

void FrameLoop(benchmark::State& state, DWORD handler) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  IDirect3DDevice9* device = nullptr;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = kWidth;
  pp.BackBufferHeight = kHeight;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  if (!d3d || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device))) {
    state.SkipWithError("no drawing device");
    return;
  }
  char pattern[] = "/tmp/nvbench-capture-XXXXXX";
  const std::string folder = ::mkdtemp(pattern);
  CAviCapture capture;
  if (handler) {
    SetAviSaveOptionsHandler([handler](AVICOMPRESSOPTIONS& o) {
      o.fccHandler = handler;
      o.dwQuality = 75;
      return TRUE;
    });
    // The view's rectangle for a 1280 x 720 client area.
    const RECT r = MovieCaptureRectangle(kWidth, kHeight);
    if (!capture.Open((folder + "/video1.avi").c_str(), r.left, r.top, r.right, r.bottom, 25.0f)) {
      state.SkipWithError("capture did not open");
      return;
    }
    capture.SetUserData(device);
  }
  int k = 0;
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(k & 255, 40, 90), 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    if (handler) capture.AddFrame();
    ++k;
  }
  state.SetItemsProcessed(state.iterations());
  capture.Close();
  SetAviSaveOptionsHandler(nullptr);
  std::filesystem::remove_all(folder);
  device->Release();
  d3d->Release();
}

void BM_FrameLoopCaptureOff(benchmark::State& s) { FrameLoop(s, 0); }
void BM_FrameLoopCaptureFullFrames(benchmark::State& s) { FrameLoop(s, kAviHandlerFullFrames); }
void BM_FrameLoopCaptureMotionJpeg(benchmark::State& s) { FrameLoop(s, kAviHandlerMotionJpeg); }

}  // namespace

BENCHMARK(BM_FrameLoopCaptureOff)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FrameLoopCaptureFullFrames)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FrameLoopCaptureMotionJpeg)->Unit(benchmark::kMillisecond)->MinTime(2.0);
