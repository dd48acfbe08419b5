// The scene objects of one device reset (InitObjects: fonts, fixed textures,
// shared buffers, line object), made headless in a temporary install folder
// with the generated sprites, at 1920 x 1080.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include "Nuvarine2View.h"
#include "Resource.h"
#include "Textures.h"

namespace fs = std::filesystem;

namespace {

class BenchView : public CNuvarine2View {
 public:
  explicit BenchView(const fs::path& folder) { m_installFolder = folder.string(); }
  void GetClientSize(int& width, int& height) const override { width = 1920, height = 1080; }
};

void InitObjects(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench_render_scene";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  (void)app;
  const fs::path root = fs::temp_directory_path() / ("nv-bench-scene-" + std::to_string(::getpid()));
  fs::create_directories(root / "VS");
  fs::create_directories(root / "textures" / "stars");
  for (const char* file : {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"})
    fs::copy_file(fs::path(NUVARINE_VS_SOURCES) / file, root / "VS" / file, fs::copy_options::overwrite_existing);
  std::string error;
  textures::WriteTga((root / "textures/stars/etoile3.tga").string(),
                     textures::DrawRadial(64, textures::StarProfile, 1, 1, 1), error);
  textures::WriteTga((root / "textures/halo.tga").string(), textures::DrawRadial(128, textures::HaloProfile, 1, 1, 1),
                     error);
  textures::WriteTga((root / "textures/Lens.tga").string(), textures::DrawRadial(128, textures::LensProfile, 1, 1, 1),
                     error);
  textures::WriteTga((root / "textures/Lens2.tga").string(),
                     textures::DrawRadial(128, textures::Lens2Profile, 1, 1, 1), error);
  {
    BenchView view(root);
    for (LOGFONT& record : view.m_labelLogFonts) {
      std::snprintf(record.lfFaceName, sizeof(record.lfFaceName), "Arial");
      record.lfHeight = 9;
      record.lfWeight = 400;
    }
    view.m_planetariumMode = true;
    view.OnInitialUpdate();
    if (!view.HasDevice()) {
      state.SkipWithError("no device");
    } else {
      for (auto _ : state) {
        view.InitObjects();
        state.PauseTiming();
        view.ReleaseSceneResources();
        view.LoadVertexShaders();
        state.ResumeTiming();
      }
    }
  }
  fs::remove_all(root);
}

}  // namespace

BENCHMARK(InitObjects)->Unit(benchmark::kMillisecond)->UseRealTime();
