// Frame time of the drawing layer (a 100000-point frame at 1280 x 720 with
// Present's read-back; run with LIBGL_ALWAYS_SOFTWARE=1 for Mesa's software
// rasteriser) with no download, with three survey-tile workers fetching and
// converting tiles from a local server, and during a foreground download.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <random>
#include <thread>

#include "Download.h"
#include "HttpTestServer.h"
#include "Image.h"
#include "SurveyTiles.h"
#include "d3dx9.h"

namespace {

namespace fs = std::filesystem;
constexpr UINT kWidth = 1280, kHeight = 720;

// A survey-like answer: a 700 x 700 grey GIF.
std::string SurveyGif(const std::string& folder) {
  CImage image;
  image.Attach(imaging::NewDib(700, 700, 24, 0), CImage::kColor24Bit);
  std::mt19937 rng(5);
  for (int y = 0; y < 700; ++y)
    for (int x = 0; x < 700; ++x) {
      const int g = static_cast<int>((x * 7 + y * 3 + rng() % 40) % 256);
      image.SetPixel(y, nullptr, x, (g << 16) | (g << 8) | g);
    }
  image.SetColorType(CImage::kGrey256, false);
  const std::string path = folder + "/survey.gif";
  image.Save(path.c_str(), CImage::kFormatGif);
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Load { None, TileWorkers, ForegroundDownload };

void Frames(benchmark::State& state, Load load) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = kWidth;
  pp.BackBufferHeight = kHeight;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  IDirect3DDevice9* dev = nullptr;
  if (!d3d || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev))) {
    state.SkipWithError("no device");
    if (d3d) d3d->Release();
    return;
  }
  struct P {
    float x, y, z;
    D3DCOLOR c;
  };
  const UINT n = 100000;
  IDirect3DVertexBuffer9* vb = nullptr;
  dev->CreateVertexBuffer(n * sizeof(P), D3DUSAGE_WRITEONLY, 0x42, D3DPOOL_MANAGED, &vb, nullptr);
  P* p = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&p), 0);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-1, 1);
  for (UINT i = 0; i < n; ++i) p[i] = {u(rng), u(rng), 0.5f, 0xFFFFFFFF};
  vb->Unlock();
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);

  const std::string folder = fs::temp_directory_path() / ("nvnetbench-" + std::to_string(::getpid()));
  fs::create_directories(folder + "/cache/DSS");
  HttpTestServer server;
  std::atomic<bool> stop{false};
  std::atomic<long> tiles{0};
  std::thread feeder;
  g_stopDownloadThreads = false;
  SetDssConnectionTest({"127.0.0.1", static_cast<INTERNET_PORT>(server.Port())});
  if (load == Load::TileWorkers) {
    HttpTestServer::Reply gif;
    gif.body = SurveyGif(folder);
    feeder = std::thread([&] {
      int next = 0;
      while (!stop) {
        for (int slot = 0; slot < 3 && !stop; ++slot) {
          if (!g_dssThreadFree[slot]) continue;
          DssTileRequest r;
          r.rightAscension = next % 360;
          r.declination = (next / 360) % 80;
          r.server = 1;
          ++next;
          r.installFolder = folder;
          r.host = server.Host();
          const std::string url = DssTileUrl(r.host, 1, r.rightAscension, r.declination, 1, 1);
          std::string path;
          for (char c : url.substr(url.find('/', 7))) path += c == ' ' ? std::string("%20") : std::string(1, c);
          server.Set(path, gif);
          StartDssTileThread(slot, r);
          tiles++;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  } else if (load == Load::ForegroundDownload) {
    HttpTestServer::Reply big;
    big.body = std::string(8 << 20, 'e');
    server.Set("/big", big);
    feeder = std::thread([&] {
      while (!stop) {
        DownloadJob job;
        job.url = server.Base() + "/big";
        job.target = folder + "/big.dat";
        job.abort = &stop;
        DownloadProgress progress;
        DownloadFile(job, {}, progress);
        tiles++;
      }
    });
  }

  for (auto _ : state) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev->BeginScene();
    dev->SetFVF(0x42);
    dev->SetStreamSource(0, vb, 0, sizeof(P));
    dev->DrawPrimitive(D3DPT_POINTLIST, 0, n);
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
  stop = true;
  if (feeder.joinable()) feeder.join();
  StopDssTileThreads();
  g_stopDownloadThreads = false;
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["transfers"] = static_cast<double>(tiles.load());
  dev->SetStreamSource(0, nullptr, 0, 0);
  vb->Release();
  dev->Release();
  d3d->Release();
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

void BM_FrameNoDownload(benchmark::State& s) { Frames(s, Load::None); }
void BM_FrameThreeTileWorkers(benchmark::State& s) { Frames(s, Load::TileWorkers); }
void BM_FrameForegroundDownload(benchmark::State& s) { Frames(s, Load::ForegroundDownload); }

}  // namespace

BENCHMARK(BM_FrameNoDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_FrameThreeTileWorkers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_FrameForegroundDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
