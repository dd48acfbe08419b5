// Damaged and hostile picture, mesh and program files are refused by the
// drawing layer's readers: an error code, nothing created, and no allocation
// sized from a header the rest of the file does not back.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AllocationWatch.h"
#include "ImageFile.h"
#include "PreparedTexture.h"
#include "RenderTestUtil.h"
#include "ShaderAssembly.h"
#include "d3dx9.h"

namespace {

const std::string kHostile = NUVARINE_TEST_DATA "/hostile/";

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// An 18-byte TGA header followed by `body`.
std::vector<uint8_t> Tga(unsigned type, unsigned width, unsigned height, unsigned bits, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> d(18 + body.size(), 0);
  d[2] = static_cast<uint8_t>(type);
  d[12] = static_cast<uint8_t>(width), d[13] = static_cast<uint8_t>(width >> 8);
  d[14] = static_cast<uint8_t>(height), d[15] = static_cast<uint8_t>(height >> 8);
  d[16] = static_cast<uint8_t>(bits), d[17] = 0x20;
  std::copy(body.begin(), body.end(), d.begin() + 18);
  return d;
}

TEST(D3DXHostileFiles, PicturesWhoseHeaderPromisesMoreThanTheFileHoldsAreRefused) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"texture-huge-header.tga", ReadBytes(kHostile + "texture-huge-header.tga")},
      {"texture-slow.tga", ReadBytes(kHostile + "texture-slow.tga")},
      // A bottom-up height of -2147483648 has no positive height.
      {"bmp-height-int-min.bmp", ReadBytes(kHostile + "bmp-height-int-min.bmp")},
      // Raw and run-length pictures within the side limit but far larger
      // than their files, and one side beyond the limit.
      {"raw 16384 x 16384", Tga(2, 16384, 16384, 32, std::vector<uint8_t>(64, 7))},
      {"runs 16384 x 16384", Tga(10, 16384, 16384, 24, {0xFF, 1, 2, 3, 0xFF, 1, 2, 3})},
      {"grey runs 16385 wide", Tga(11, 16385, 1, 8, std::vector<uint8_t>(300, 0xFF))},
  };
  ASSERT_EQ(cases[0].bytes.size(), 18u);
  ASSERT_EQ(cases[1].bytes.size(), 206u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    nvd3dx::Image image;
    StartAllocationWatch();
    const bool decoded = nvd3dx::DecodeImage(c.bytes, image);
    const size_t largest = StopAllocationWatch();
    EXPECT_FALSE(decoded);
    EXPECT_EQ(image.width, 0u);
    EXPECT_TRUE(image.bgra.empty());
    EXPECT_LT(largest, size_t{1} << 20);
  }
  // A run-length picture that its packets do fill still decodes.
  nvd3dx::Image image;
  ASSERT_TRUE(nvd3dx::DecodeImage(Tga(10, 256, 1, 24, {0xFF, 1, 2, 3, 0xFF, 1, 2, 3}), image));
  EXPECT_EQ(image.width, 256u);
  EXPECT_EQ(image.bgra[255 * 4 + 2], 3);

  // The same files through the texture functions: an error and no texture.
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  for (const char* name : {"texture-huge-header.tga", "texture-slow.tga"}) {
    SCOPED_TRACE(name);
    const std::string path = kHostile + name;
    D3DXIMAGE_INFO info{};
    EXPECT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3DXERR_INVALIDDATA);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(h.device, path.c_str(), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
  }
}

TEST(D3DXHostileFiles, MeshesWithImpossibleCountsAreRefused) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  // Generated cases beside the fixtures: each breaks one count or index.
  const std::string head = "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
  const std::pair<const char*, std::string> generated[] = {
      {"negative vertex count", "xof 0303txt 0032\nMesh { -3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"},
      {"negative face count", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; -1; 3;0,1,2;; }\n"},
      {"negative corner count", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; -3;0,1,2;; }\n"},
      {"fractional index", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2.5;; }\n"},
      {"huge face count", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1e300; 3;0,1,2;; }\n"},
      {"normal index past the normals", head + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }\n}\n"},
      {"normal count wraps", head + " MeshNormals { 6148914691236517889; 0;0;1;; 1; 3;0,0,0;; }\n}\n"},
      {"negative normal count", head + " MeshNormals { -1; 0;0;1;; 1; 3;0,0,0;; }\n}\n"},
      {"texture count wraps", head + " MeshTextureCoords { 9223372036854775808; 0;0;, 1;0;, 0;1;; }\n}\n"},
      {"colour count wraps", head + " MeshVertexColors { 3689348814741910325; 0;1;0;0;1;; }\n}\n"},
      {"colour index negative", head + " MeshVertexColors { 1; -1;1;0;0;1;; }\n}\n"},
      {"material list count negative", head + " MeshMaterialList { -1; 1; 0;; }\n}\n"},
  };
  std::vector<std::pair<std::string, std::string>> files = {
      {"mesh-negative-count.x", kHostile + "mesh-negative-count.x"},
      {"mesh-normals-count-wraps.x", kHostile + "mesh-normals-count-wraps.x"},
      {"mesh-vertexcolors-count-wraps.x", kHostile + "mesh-vertexcolors-count-wraps.x"},
  };
  for (const auto& [name, text] : generated) {
    const std::string path = ::testing::TempDir() + "/generated-" + std::to_string(files.size()) + ".x";
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    files.emplace_back(name, path);
  }
  for (const auto& [name, path] : files) {
    SCOPED_TRACE(name);
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 7;
    StartAllocationWatch();
    const HRESULT hr = D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, h.device, nullptr, &materials, nullptr,
                                          &materialCount, &mesh);
    const size_t largest = StopAllocationWatch();
    EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(materials, nullptr);
    EXPECT_EQ(materialCount, 7u);
    EXPECT_LT(largest, size_t{1} << 20);
  }
  // The well-formed mesh the generated cases were made from loads.
  const std::string good = ::testing::TempDir() + "/good.x";
  const std::string text = head + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }\n MeshVertexColors { 1; 2;1;0;0;1;; }\n}\n";
  WriteBytes(good, std::vector<uint8_t>(text.begin(), text.end()));
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA(good.c_str(), D3DXMESH_SYSTEMMEM, h.device, nullptr, nullptr, nullptr, nullptr, &mesh),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 1u);
  mesh->Release();
}

TEST(D3DXHostileFiles, ProgramRegistersOutOfRangeAreRefusedWithTheirLine) {
  ID3DXBuffer *code = nullptr, *errors = nullptr;
  EXPECT_EQ(D3DXAssembleShaderFromFileA((kHostile + "program-constant-int-max.vs").c_str(), nullptr, nullptr, 0, &code,
                                        &errors),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(code, nullptr);
  ASSERT_NE(errors, nullptr);
  // The def line names the register first.
  EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("line 3"), std::string::npos);
  errors->Release();

  struct Case {
    const char* line;
    bool accepted;
  };
  const Case cases[] = {
      {"m4x4 oPos, v0, c2147483647", false},
      {"m4x4 oPos, v0, c4294967298", false},
      {"m4x4 oPos, v0, c[99999]", false},
      {"m4x4 oPos, v0, c-1", false},
      {"m3x3 r0, v0, c255", false},  // c256 and on are past the last register
      {"mov r99999999999, v0", false},
      {"mov r-1, v0", false},
      {"mov r0, r4294967296", false},
      {"mov r0, c4294967296", false},
      {"def c2147483648, 1, 2, 3, 4", false},
      {"dcl_texcoord99999999999 v1", false},
      {"m4x4 oPos, v0, c4", true},
      {"mov r11, c[7]", true},
      {"def c255, 1, 2, 3, 4", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string glsl, error;
    const bool ok = nvd3dx::TranslateVertexShaderAssembly(std::string("vs_1_1\ndcl_position v0\n") + c.line + "\n",
                                                          glsl, error);
    EXPECT_EQ(ok, c.accepted) << error;
    if (!ok) {
      EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    }
  }
}

}  // namespace

// A 1 GiB picture (sparse: it takes no disk) is refused before a byte of it
// is read; a named pipe in a picture's or a program's place is refused
// without waiting for a writer; a read under way stops when its loader is
// abandoned (the program's exit).
TEST(D3DXHostileFiles, HugePicturesPipesAndAbandonedReadsEndAtOnce) {
  const std::string dir = ::testing::TempDir() + "/nvhuge";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string huge = dir + "/moon.dds";
  std::ofstream(huge, std::ios::binary) << "DDS ";
  ASSERT_EQ(truncate(huge.c_str(), 1ll << 30), 0);
  nvd3dx::Image image;
  EXPECT_EQ(nvd3dx::LoadPicture(huge.c_str(), image), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  std::vector<uint8_t> data;
  EXPECT_FALSE(nvd3dx::ReadWholeFile(huge, data, 512u << 20));
  EXPECT_TRUE(data.empty());

  for (const char* name : {"/pipe.tga", "/lens.vs"}) ASSERT_EQ(mkfifo((dir + name).c_str(), 0644), 0);
  EXPECT_TRUE(FAILED(nvd3dx::LoadPicture((dir + "/pipe.tga").c_str(), image)));
  ID3DXBuffer *code = nullptr, *errors = nullptr;
  EXPECT_TRUE(FAILED(D3DXAssembleShaderFromFileA((dir + "/lens.vs").c_str(), nullptr, nullptr, 0, &code, &errors)));
  EXPECT_EQ(code, nullptr);

  // A small picture that reads well, unless its loader was given up.
  const std::string small = dir + "/small.bmp";
  std::ofstream(small, std::ios::binary) << std::string(3 << 20, '\0');
  std::atomic<bool> abandon{true};
  EXPECT_FALSE(nvd3dx::ReadWholeFile(small, data, 512u << 20, &abandon));
  abandon = false;
  EXPECT_TRUE(nvd3dx::ReadWholeFile(small, data, 512u << 20, &abandon));
  EXPECT_EQ(data.size(), 3u << 20);
  std::filesystem::remove_all(dir);
}
