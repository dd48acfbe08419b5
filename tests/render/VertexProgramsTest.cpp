// The scene's five vertex programs: each draws its test geometry with the
// constants its passes set; missing and faulty sources leave no shader and
// their failure in the trail.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "RenderTestUtil.h"
#include "VertexPrograms.h"

namespace {

// A trail without a device of its own.
class Trail : public CScene3D {
 public:
  bool InitObjects() override { return true; }
  bool ResetObjects(int, int) override { return true; }
  void FrameMove(float) override {}
  bool Render() override { return true; }
  std::vector<int> Codes() const { return std::vector<int>(m_traceCodes, m_traceCodes + m_traceCount); }
};

std::string SourcePath(const char* name) { return std::string(NUVARINE_VS_SOURCES) + "/" + name; }

struct Vertex {
  float x, y, z;
  D3DCOLOR colour;
  float u, v;
};

struct Loaded {
  IDirect3DVertexShader9* shader = nullptr;
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ~Loaded() {
    if (shader) shader->Release();
    if (declaration) declaration->Release();
  }
};

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class VertexPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(dev.device, nullptr);
    dev.device->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev.device->SetRenderState(D3DRS_ZENABLE, FALSE);
  }
  void Load(VertexProgram program, const char* file, Loaded& out) {
    ASSERT_EQ(LoadVertexProgram(dev.device, trail, program, SourcePath(file).c_str(), &out.shader, &out.declaration),
              D3D_OK);
    ASSERT_NE(out.shader, nullptr);
    dev.device->SetVertexDeclaration(out.declaration);
    dev.device->SetVertexShader(out.shader);
  }
  void Clear() { dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0); }
  HeadlessDevice dev{64, 64, false};
  Trail trail;
};

}  // namespace

TEST_F(VertexPrograms, SpriteProgramsScaleTheQuadAndTintIt) {
  // The sprite quad (+-0.01 in its plane z = 0) scaled by c0.x = 50 covers
  // the middle half.
  const Vertex quad[4] = {{-0.01f, -0.01f, 0.0f, 0xFFFFFFFF, 0, 0},
                          {-0.01f, 0.01f, 0.0f, 0xFFFFFFFF, 1, 0},
                          {0.01f, -0.01f, 0.0f, 0xFFFFFFFF, 0, 1},
                          {0.01f, 0.01f, 0.0f, 0xFFFFFFFF, 1, 1}};
  const float scale[4] = {50.0f, 1.0f, 1.0f, 123.0f};  // w unset by the passes: must not matter
  {
    Loaded plane;
    Load(VertexProgram::Plane, "plan.vs", plane);
    Clear();
    const float tint[4] = {1.0f, 0.5f, 0.0f, 0.0f};  // w unset: alpha stays the vertex's
    dev.device->SetVertexShaderConstantF(2, kIdentity, 4);
    dev.device->SetVertexShaderConstantF(0, scale, 1);
    dev.device->SetVertexShaderConstantF(1, tint, 1);
    dev.device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev.device->BeginScene();
    dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    dev.device->EndScene();
    dev.Frame();
    ExpectPixel(dev.At(32, 32), 255, 128, 0);
    ExpectPixel(dev.At(20, 44), 255, 128, 0);
    ExpectPixel(dev.At(10, 32), 0, 0, 0);
    ExpectPixel(dev.At(32, 54), 0, 0, 0);
  }
  {
    Loaded lens;
    Load(VertexProgram::Lens, "lens.vs", lens);
    Clear();
    const float colour[4] = {0.0f, 1.0f, 0.0f, 0.5f};  // the flare's alpha
    dev.device->SetVertexShaderConstantF(2, kIdentity, 4);
    dev.device->SetVertexShaderConstantF(0, scale, 1);
    dev.device->SetVertexShaderConstantF(1, colour, 1);
    dev.device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    dev.device->BeginScene();
    dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    dev.device->EndScene();
    dev.Frame();
    ExpectPixel(dev.At(32, 32), 0, 128, 0, 2);
    ExpectPixel(dev.At(4, 4), 0, 0, 0);
  }
}

TEST_F(VertexPrograms, TubeProgramTakesItsMatrixFromC1AndBrightnessFromC0x) {
  Loaded tube;
  Load(VertexProgram::Tube, "tube.vs", tube);
  const Vertex quad[4] = {{-0.5f, -0.5f, 0.5f, 0xFFFFFFFF, 0, 0},
                          {-0.5f, 0.5f, 0.5f, 0xFFFFFFFF, 1, 0},
                          {0.5f, -0.5f, 0.5f, 0xFFFFFFFF, 0, 1},
                          {0.5f, 0.5f, 0.5f, 0xFFFFFFFF, 1, 1}};
  const float brightness[4] = {0.5f, 9.0f, 9.0f, 9.0f};  // only x is read
  // c1..c4: a translation by +0.5 in x (rows of the transposed matrix).
  const float moved[16] = {1, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  Clear();
  dev.device->SetVertexShaderConstantF(1, moved, 4);
  dev.device->SetVertexShaderConstantF(0, brightness, 1);
  dev.device->BeginScene();
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
  dev.device->EndScene();
  dev.Frame();
  ExpectPixel(dev.At(44, 32), 128, 128, 128, 2);
  ExpectPixel(dev.At(20, 32), 0, 0, 0);
}

TEST_F(VertexPrograms, DiscProgramStretchesTheUnitDiscToItsSemiAxes) {
  Loaded disc;
  Load(VertexProgram::Disc, "disque.vs", disc);
  struct LineVertex {
    float x, y, z;
    D3DCOLOR colour;
  };
  // The unit disc as the ellipse builder makes it: rim and centre in turn.
  std::vector<LineVertex> fan;
  for (int i = 0; i <= 20; ++i) {
    const float t = static_cast<float>(i) * 3.14159265f / 10.0f;
    fan.push_back({std::cos(t), std::sin(t), 0.5f, 0xFFFFFFFF});
    fan.push_back({0.0f, 0.0f, 0.5f, 0xFFFFFFFF});
  }
  const float axes[4] = {0.75f, 0.25f, 7.0f, 7.0f};
  const float colour[4] = {0.0f, 0.0f, 1.0f, 0.0f};  // w unset by the horizon pass
  Clear();
  dev.device->SetVertexShaderConstantF(2, kIdentity, 4);
  dev.device->SetVertexShaderConstantF(0, axes, 1);
  dev.device->SetVertexShaderConstantF(1, colour, 1);
  dev.device->BeginScene();
  dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 40, fan.data(), sizeof(LineVertex));
  dev.device->EndScene();
  dev.Frame();
  ExpectPixel(dev.At(32 + 20, 32), 0, 0, 255);  // x = 0.625: inside the 0.75 semi-axis
  ExpectPixel(dev.At(32, 32 - 5), 0, 0, 255);   // y = 0.16: inside the 0.25 semi-axis
  ExpectPixel(dev.At(32, 32 - 12), 0, 0, 0);    // y = 0.375: outside
  ExpectPixel(dev.At(32 + 28, 32), 0, 0, 0);    // x = 0.875: outside
}

TEST_F(VertexPrograms, RingProgramDarkensTheFaceTurnedFromTheSun) {
  Loaded ring;
  Load(VertexProgram::Rings, "anneaux.vs", ring);
  struct RingVertex {
    float x, y, z, nx, ny, nz;
    D3DCOLOR colour;
    float u0, v0, u1, v1;
  };
  const RingVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 0, 0, 1, 0x0FAFAFAF, 0, 0, 0, 0},
                              {-0.5f, 0.5f, 0.5f, 0, 0, 1, 0x0FAFAFAF, 0, 1, 0, 1},
                              {0.5f, -0.5f, 0.5f, 0, 0, 1, 0x0FAFAFAF, 1, 0, 1, 0},
                              {0.5f, 0.5f, 0.5f, 0, 0, 1, 0x0FAFAFAF, 1, 1, 1, 1}};
  const float factor[4] = {0.5f, 0.5f, 0.5f, 0.0f};
  const float normal[4] = {0.0f, 1.0f, 0.0f, 0.0f};
  const float saturn[4] = {0.0f, 1.0f, 0.0f, 0.0f};  // the Sun lights the -y face
  struct Case {
    float camera[4];
    int grey;
  };
  const Case cases[] = {
      {{0.0f, 0.9f, 0.1f, 0.0f}, 255},  // camera on the lit side
      {{0.0f, 1.2f, 0.0f, 0.0f}, 102},  // camera beyond the plane: 0.4 of the light
  };
  for (const Case& c : cases) {
    Clear();
    dev.device->SetVertexShaderConstantF(1, kIdentity, 4);
    dev.device->SetVertexShaderConstantF(0, factor, 1);
    dev.device->SetVertexShaderConstantF(5, c.camera, 1);
    dev.device->SetVertexShaderConstantF(6, normal, 1);
    dev.device->SetVertexShaderConstantF(7, saturn, 1);
    dev.device->BeginScene();
    dev.device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RingVertex));
    dev.device->EndScene();
    dev.Frame();
    ExpectPixel(dev.At(32, 32), c.grey, c.grey, c.grey, 2);
    ExpectPixel(dev.At(4, 4), 0, 0, 0);
  }
}

TEST_F(VertexPrograms, LoaderTrailOfEveryProgram) {
  const char* files[] = {"plan.vs", "lens.vs", "tube.vs", "disque.vs", "anneaux.vs"};
  const VertexProgram programs[] = {VertexProgram::Plane, VertexProgram::Lens, VertexProgram::Tube,
                                    VertexProgram::Disc, VertexProgram::Rings};
  const int markers[] = {10002, 10003, 10004, 10005, 10006};
  for (int i = 0; i < 5; ++i) {
    Trail t;
    Loaded loaded;
    EXPECT_EQ(LoadVertexProgram(dev.device, t, programs[i], SourcePath(files[i]).c_str(), &loaded.shader,
                                &loaded.declaration),
              D3D_OK);
    EXPECT_EQ(t.Codes(), (std::vector<int>{markers[i], 0, 0, 0}));
    EXPECT_NE(loaded.shader, nullptr);
    EXPECT_NE(loaded.declaration, nullptr);
  }
}

TEST_F(VertexPrograms, MissingTruncatedOrFaultySourceLeavesNoShader) {
  const auto folder = std::filesystem::temp_directory_path() / ("nv-vs-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::string plan;
  {
    std::ifstream in(SourcePath("plan.vs"));
    plan.assign(std::istreambuf_iterator<char>(in), {});
  }
  struct Case {
    const char* name;
    std::string text;  // empty: no file
  };
  const Case cases[] = {
      {"missing.vs", ""},
      {"truncated.vs", plan.substr(0, plan.find("m4x4") + 12)},
      {"garbage.vs", "\x7f" "ELF\x01\x02\x00\xff\xfe binary"},
      {"unknown.vs", "vs_1_1\ndcl_position v0\nfrobnicate oPos, v0, c2\n"},
      {"nonversion.vs", "dcl_position v0\nmov oPos, v0\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = (folder / c.name).string();
    if (!c.text.empty()) std::ofstream(path, std::ios::binary) << c.text;
    Trail t;
    Loaded loaded;
    const HRESULT result = LoadVertexProgram(dev.device, t, VertexProgram::Lens, path.c_str(), &loaded.shader,
                                             &loaded.declaration);
    EXPECT_TRUE(FAILED(result));
    EXPECT_EQ(loaded.shader, nullptr);
    // The marker, the declaration's success and the assembler's failure.
    const std::vector<int> codes = t.Codes();
    ASSERT_EQ(codes.size(), 3u);
    EXPECT_EQ(codes[0], 10003);
    EXPECT_EQ(codes[1], 0);
    EXPECT_EQ(codes[2], result);
    EXPECT_LT(codes[2], -15000);
  }
  std::filesystem::remove_all(folder);
}

TEST_F(VertexPrograms, DesignedPathsResolveWithoutRegardToCase) {
  const auto folder = std::filesystem::temp_directory_path() / ("nv-vs-case-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "VS");
  std::filesystem::copy_file(SourcePath("tube.vs"), folder / "VS" / "tube.vs");
  Trail t;
  Loaded loaded;
  const std::string designed = folder.string() + "\\vs\\TUBE.vs";
  EXPECT_EQ(LoadVertexProgram(dev.device, t, VertexProgram::Tube, designed.c_str(), &loaded.shader,
                              &loaded.declaration),
            D3D_OK);
  EXPECT_NE(loaded.shader, nullptr);
  std::filesystem::remove_all(folder);
}
