// The texture-level switch near the Earth and the Moon: the frame after the
// switch releases the bodies' textures and loads them again from the level's
// folder (the Earth with its relief and clouds, the Moon with its relief),
// headless at 1920 x 1080, from the generated install folder. The time per
// switch is that frame's loading cost.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <string>

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

void Switch(benchmark::State& state, bool compressed) {
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
      view.m_bumpMapping = 1;
      view.m_showAtmospheres = true;
      for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
      g_bodies[kBodyEarth].cameraDistance = 1.0;
      view.UpdateBodyDrawFlags();
      int textures = 0;
      for (auto _ : state) {
        state.PauseTiming();
        view.m_textureLevel = 1;
        view.ReleaseSceneResources();
        view.LoadVertexShaders();
        view.UpdateBodyDrawFlags();  // the release cleared them
        view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
        view.m_textureLevel = 3;
        state.ResumeTiming();
        // The switch: everything goes, the next frame loads the new level.
        view.ReleaseSceneResources();
        view.LoadVertexShaders();
        view.UpdateBodyDrawFlags();
        view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
        textures = view.LoadedBodyTextureCount();
      }
      state.counters["textures"] = textures;
    }
  }
  fs::remove_all(root);
}

void SwitchPictures(benchmark::State& state) { Switch(state, false); }
void SwitchCompressed(benchmark::State& state) { Switch(state, true); }

}  // namespace

BENCHMARK(SwitchPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(SwitchCompressed)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
