// The texture-level switch near the Earth and the Moon: the frame of the
// switch releases the bodies' textures and asks for them again from the
// level's folder (the Earth with its relief and clouds, the Moon with its
// relief), headless at 1920 x 1080, from the generated install folder. The
// pictures are decoded on worker threads and the following frames (one every
// 16 ms) take them in. Reported: the time from the switch until the last
// texture is in (the benchmark's time), the longest frame from the switch
// until then (longest_frame_ms, over all iterations), and the textures
// loaded. A frame here is the per-frame resource step, not the drawing.
// The "Inline" variants decode on the frame's own thread, as before.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "Nuvarine2View.h"
#include "Resource.h"
#include "SolarSystemTypes.h"

namespace fs = std::filesystem;

namespace {

class BenchView : public CNuvarine2View {
 public:
  explicit BenchView(const fs::path& folder) { m_installFolder = folder.string(); }
  void GetClientSize(int& width, int& height) const override { width = 1920, height = 1080; }
};

void Switch(benchmark::State& state, bool compressed, bool background) {
  static int argc = 1;
  static char name[] = "bench_body_textures";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  (void)app;
  const fs::path install(NUVARINE_INSTALL_FOLDER);
  if (!fs::exists(install / "Textures hr" / "earth.jpg")) {
    state.SkipWithError("the body data is not built");
    return;
  }
  // A folder of its own: the vertex programs copied, the pictures linked.
  const fs::path root = fs::temp_directory_path() / ("nv-bench-bodies-" + std::to_string(::getpid()));
  fs::create_directories(root / "VS");
  for (const char* file : {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"})
    fs::copy_file(fs::path(NUVARINE_VS_SOURCES) / file, root / "VS" / file, fs::copy_options::overwrite_existing);
  for (const char* folder : {"Textures br", "textures", "Textures hr", "Objets"})
    if (!fs::exists(root / folder)) fs::create_directory_symlink(install / folder, root / folder);
  {
    BenchView view(root);
    view.OnInitialUpdate();
    if (!view.HasDevice()) {
      state.SkipWithError("no device");
    } else {
      view.m_planetariumMode = false;
      view.m_textureCompression = compressed;
      view.m_decodeBodyTexturesInBackground = background;
      view.m_bumpMapping = 1;
      view.m_showAtmospheres = true;
      for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
      g_bodies[kBodyEarth].cameraDistance = 1.0;
      view.UpdateBodyDrawFlags();
      using Clock = std::chrono::steady_clock;
      auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
      int textures = 0;
      double longest = 0.0, slowestFull = 0.0;
      for (auto _ : state) {
        view.m_textureLevel = 1;
        view.ReleaseSceneResources();
        view.LoadVertexShaders();
        view.UpdateBodyDrawFlags();  // the release cleared them
        view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
        view.WaitForPendingBodyTextures();
        view.m_textureLevel = 3;
        // The switch: everything goes, the next frame asks for the new level.
        const Clock::time_point start = Clock::now();
        view.ReleaseSceneResources();
        view.LoadVertexShaders();
        view.UpdateBodyDrawFlags();
        view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
        Clock::time_point frameEnd = Clock::now();
        longest = std::max(longest, ms(frameEnd - start));
        Clock::time_point next = start + std::chrono::milliseconds(16);
        while (view.PendingBodyTextureCount() > 0) {
          std::this_thread::sleep_until(next);
          const Clock::time_point frameStart = Clock::now();
          next = frameStart + std::chrono::milliseconds(16);
          view.UpdateBodyDrawFlags();
          view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
          frameEnd = Clock::now();
          longest = std::max(longest, ms(frameEnd - frameStart));
        }
        const double full = ms(frameEnd - start);
        slowestFull = std::max(slowestFull, full);
        state.SetIterationTime(full / 1000.0);
        textures = view.LoadedBodyTextureCount();
      }
      state.counters["textures"] = textures;
      state.counters["longest_frame_ms"] = longest;
      state.counters["slowest_full_ms"] = slowestFull;
    }
  }
  fs::remove_all(root);
}

void SwitchPictures(benchmark::State& state) { Switch(state, false, true); }
void SwitchCompressed(benchmark::State& state) { Switch(state, true, true); }
void SwitchPicturesInline(benchmark::State& state) { Switch(state, false, false); }
void SwitchCompressedInline(benchmark::State& state) { Switch(state, true, false); }

}  // namespace

BENCHMARK(SwitchPictures)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(SwitchCompressed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(SwitchPicturesInline)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(SwitchCompressedInline)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
