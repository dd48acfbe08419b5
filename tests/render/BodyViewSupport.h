#pragma once
// A view on the headless device for the bodies' tests: its own install
// folder with the vertex programs, a fixed client size, a clock that moves
// 20 ms per read, the pictures decoded in the frame that asks for them, and
// the boxes it would show recorded instead.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "BodyImages.h"
#include "Nuvarine2View.h"
#include "UiDefs.h"

namespace fs = std::filesystem;

namespace bodytest {

class TempFolder {
 public:
  TempFolder() {
    root = fs::temp_directory_path() / ("nv-bodies-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count));
    fs::create_directories(root);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;

 private:
  static inline int s_count = 0;
};

class BodyView : public CNuvarine2View {
 public:
  // The frames run past the seventh: its start-up box counts as closed at once.
  int RunStartupBox(const CString&, int& choice) override {
    choice = 0;
    return IDCANCEL;
  }
  explicit BodyView(const fs::path& folder) {
    m_installFolder = folder.string();
    m_millisecondClock = [this] { return clock += 20.0; };
    // The pictures load inside the frame that asks for them, so that a test
    // draws with its textures at once; the background decoding has its own
    // tests.
    m_decodeBodyTexturesInBackground = false;
  }
  void GetClientSize(int& width, int& height) const override { width = clientWidth, height = clientHeight; }
  void Start() {
    fs::create_directories(fs::path(m_installFolder.GetString()) / "VS");
    for (const char* name : {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"})
      fs::copy_file(fs::path(NUVARINE_VS_SOURCES) / name, fs::path(m_installFolder.GetString()) / "VS" / name,
                    fs::copy_options::overwrite_existing);
    OnInitialUpdate();
    for (int i = 0; i < 5; ++i) OnDraw(nullptr);  // the scene objects come with the fifth frame
  }
  // The camera at the origin looking along +z (azimuth 0 on the horizon).
  void LookNorth(float field) {
    m_fieldOfView = field;
    m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, -1, 0));
    m_camera.SetProjectionParameters(field, 4.0f / 3.0f, 0.001f, 100.0f);
  }
  void ShowTextureSizeBox(UINT id) override { sizeBoxes.push_back(id); }
  void ShowLightFailureBox(const char* text) override { lightBoxes.emplace_back(text); }
  std::vector<int> SetFlags() const {
    std::vector<int> set;
    for (int i = 0; i < kBodyDrawFlagCount; ++i)
      if (m_bodyDrawFlags[static_cast<size_t>(i)]) set.push_back(i);
    return set;
  }
  std::vector<UINT> sizeBoxes;
  std::vector<std::string> lightBoxes;
  double clock = 1000.0;
  int clientWidth = 128, clientHeight = 96;
};

// Every draw of the device while it lives, with the vertex program's first
// five registers at the time of the draw (c0 and the matrix in c1 to c4).
class DrawLog {
 public:
  struct Entry {
    D3DDrawRecordForLayer draw;
    float constants[5][4];
  };
  explicit DrawLog(IDirect3DDevice9* device) : m_device(device) { device->SetDrawRecorderForLayer(&Record, this); }
  ~DrawLog() { m_device->SetDrawRecorderForLayer(nullptr, nullptr); }
  DrawLog(const DrawLog&) = delete;
  DrawLog& operator=(const DrawLog&) = delete;
  std::vector<Entry> entries;

 private:
  static void Record(void* context, const D3DDrawRecordForLayer& draw) {
    DrawLog* self = static_cast<DrawLog*>(context);
    Entry e{draw, {}};
    self->m_device->GetVertexShaderConstantF(0, &e.constants[0][0], 5);
    self->entries.push_back(e);
  }
  IDirect3DDevice9* m_device;
};

// The states both body passes leave behind: lighting on, the view's depth
// test, the standard blend and no vertex program.
inline void ExpectBodyPassStatesRestored(IDirect3DDevice9* device, DWORD depthTest) {
  DWORD value = 0;
  device->GetRenderState(D3DRS_LIGHTING, &value);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE));
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, depthTest);
  device->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_SRCALPHA));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
  IDirect3DVertexShader9* shader = nullptr;
  device->GetVertexShader(&shader);
  EXPECT_EQ(shader, nullptr);
}

// Element by element, within `tolerance` times the largest element of `expected`.
inline void ExpectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected, float tolerance = 1e-4f) {
  float largest = 0.0f;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) largest = std::max(largest, std::fabs(expected.m[i][j]));
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance * largest) << "row " << i << ", column " << j;
}

inline void WritePicture(const fs::path& path, int width, int height) {
  fs::create_directories(path.parent_path());
  std::string error;
  const bodies::Image image = bodies::MakeImage(width, height, 120, 130, 140, 255);
  ASSERT_TRUE(bodies::WriteJpeg(path.string(), image, 90, error)) << error;
}

inline void WriteDds(const fs::path& path, int width, int height) {
  fs::create_directories(path.parent_path());
  std::string error;
  ASSERT_TRUE(bodies::WriteDds(path.string(), bodies::MakeImage(width, height, 200, 10, 10, 255), bodies::Dxt::kDxt1,
                               error))
      << error;
}

inline D3DSURFACE_DESC Describe(IDirect3DTexture9* t) {
  D3DSURFACE_DESC d{};
  if (t) t->GetLevelDesc(0, &d);
  return d;
}

}  // namespace bodytest
