// D3DX math against the documented formulas, texture files, program files,
// lines, meshes and surface saving on a headless device.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "RenderTestUtil.h"
#include "d3dx9.h"

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-5f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << i << "," << j;
}

TEST(D3DXMath, LookAtPerspectiveAndDefaultCamera) {
  // Default camera: eye 0, looking along +z, up +y: the view is the identity,
  // and so is its inverse (the billboard matrix).
  D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
  D3DXMATRIX view, identity, inverse;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixIdentity(&identity);
  ExpectMatrixNear(view, identity);
  ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &view), nullptr);
  ExpectMatrixNear(inverse, identity);
  // A point in front of the eye goes into the view's +z.
  D3DXVECTOR3 eye2(1, 2, 3), at2(1, 2, 10), p(1, 3, 5), r;
  D3DXMatrixLookAtLH(&view, &eye2, &at2, &up);
  D3DXVec3TransformCoord(&r, &p, &view);
  EXPECT_NEAR(r.x, 0, 1e-5);
  EXPECT_NEAR(r.y, 1, 1e-5);
  EXPECT_NEAR(r.z, 2, 1e-5);
  // Projection of the 1600 x 900 aspect with the planes 1e-5 and 2.3.
  D3DXMATRIX proj;
  float aspect = 1600.0f / 900.0f;
  D3DXMatrixPerspectiveFovLH(&proj, 0.8f, aspect, 1e-5f, 2.3f);
  float ys = 1.0f / std::tan(0.4f);
  EXPECT_NEAR(aspect, 1.7777778f, 1e-6);
  EXPECT_NEAR(proj._22, ys, 1e-5);
  EXPECT_NEAR(proj._11, ys / aspect, 1e-5);
  EXPECT_NEAR(proj._33, 2.3f / (2.3f - 1e-5f), 1e-6);
  EXPECT_NEAR(proj._34, 1, 0);
  EXPECT_NEAR(proj._43, -1e-5f * 2.3f / (2.3f - 1e-5f), 1e-9);
  // A negative field of view turns the picture by 180 degrees: a point right of
  // and above the centre lands left of and below it.
  D3DXMATRIX inverted;
  D3DXMatrixPerspectiveFovLH(&inverted, -0.8f, aspect, 1e-5f, 2.3f);
  D3DXVECTOR3 q(0.1f, 0.1f, 1.0f), a, b;
  D3DXVec3TransformCoord(&a, &q, &proj);
  D3DXVec3TransformCoord(&b, &q, &inverted);
  EXPECT_GT(a.x, 0);
  EXPECT_GT(a.y, 0);
  EXPECT_NEAR(b.x, -a.x, 1e-5);
  EXPECT_NEAR(b.y, -a.y, 1e-5);
  EXPECT_NEAR(b.z, a.z, 1e-6);
}

TEST(D3DXMath, RotationsQuaternionsAndInverse) {
  D3DXMATRIX ry, rx, rz, ypr;
  D3DXMatrixRotationY(&ry, 0.3f);
  D3DXMatrixRotationX(&rx, -0.2f);
  D3DXMatrixRotationZ(&rz, 1.1f);
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.2f, 1.1f);
  ExpectMatrixNear(ypr, rz * rx * ry);  // roll, then pitch, then yaw
  // Rotation about y by 90 degrees takes +x to -z (left-handed, row vectors).
  D3DXVECTOR3 x(1, 0, 0), r;
  D3DXMatrixRotationY(&ry, kPi / 2);
  D3DXVec3TransformCoord(&r, &x, &ry);
  EXPECT_NEAR(r.z, -1, 1e-6);
  // Axis rotation equals the quaternion of the same axis and angle.
  D3DXVECTOR3 axis(1, 2, 3);
  D3DXMATRIX ra, rq;
  D3DXQUATERNION q;
  D3DXMatrixRotationAxis(&ra, &axis, 0.7f);
  D3DXQuaternionRotationAxis(&q, &axis, 0.7f);
  D3DXMatrixRotationQuaternion(&rq, &q);
  ExpectMatrixNear(ra, rq);
  // Multiply(q1, q2) is q1's rotation followed by q2's.
  D3DXQUATERNION q1, q2, q12;
  D3DXVECTOR3 yAxis(0, 1, 0), zAxis(0, 0, 1);
  D3DXQuaternionRotationAxis(&q1, &yAxis, 0.4f);
  D3DXQuaternionRotationAxis(&q2, &zAxis, 0.9f);
  D3DXQuaternionMultiply(&q12, &q1, &q2);
  D3DXMATRIX m1, m2, m12;
  D3DXMatrixRotationQuaternion(&m1, &q1);
  D3DXMatrixRotationQuaternion(&m2, &q2);
  D3DXMatrixRotationQuaternion(&m12, &q12);
  ExpectMatrixNear(m12, m1 * m2);
  // Inverse of a scale-translate and of a singular matrix.
  D3DXMATRIX s, t, st, inv, prod, identity;
  D3DXMatrixScaling(&s, 2, 4, 8);
  D3DXMatrixTranslation(&t, 1, -2, 3);
  st = s * t;
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inv, &det, &st), nullptr);
  EXPECT_NEAR(det, 64, 1e-4);
  prod = st * inv;
  D3DXMatrixIdentity(&identity);
  ExpectMatrixNear(prod, identity);
  D3DXMATRIX zero;
  EXPECT_EQ(D3DXMatrixInverse(&inv, nullptr, &zero), nullptr);
  // Sphere probe: ahead, behind, missing, and a ray starting inside.
  D3DXVECTOR3 c(0, 0, 5), o(0, 0, 0), d(0, 0, 1), back(0, 0, -1), side(1, 0, 0);
  EXPECT_TRUE(D3DXSphereBoundProbe(&c, 1, &o, &d));
  EXPECT_FALSE(D3DXSphereBoundProbe(&c, 1, &o, &back));
  EXPECT_FALSE(D3DXSphereBoundProbe(&c, 1, &o, &side));
  EXPECT_TRUE(D3DXSphereBoundProbe(&c, 6, &o, &back));
  // Normalising zero gives zero.
  D3DXVECTOR3 z0(0, 0, 0), n;
  D3DXVec3Normalize(&n, &z0);
  EXPECT_EQ(n, D3DXVECTOR3(0, 0, 0));
}

void WritePng(const std::string& path, UINT w, UINT h, const std::vector<uint8_t>& bgra) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = w;
  img.height = h;
  img.format = PNG_FORMAT_BGRA;
  ASSERT_TRUE(png_image_write_to_file(&img, path.c_str(), 0, bgra.data(), 0, nullptr));
}

TEST(D3DXFiles, TexturesFromFilesWithColourKeyAndSize) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  std::string dir = ::testing::TempDir();
  // 3 x 2 picture: black, red, green / blue, white, grey.
  std::vector<uint8_t> px = {0, 0, 0, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255, 128, 128, 128, 255};
  WritePng(dir + "/t.png", 3, 2, px);
  // The same as an uncompressed bottom-up TGA.
  {
    std::ofstream f(dir + "/t.tga", std::ios::binary);
    uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 8};
    f.write(reinterpret_cast<char*>(header), 18);
    f.write(reinterpret_cast<char*>(px.data() + 12), 12);
    f.write(reinterpret_cast<char*>(px.data()), 12);
  }
  for (const char* name : {"/t.png", "/t.tga"}) {
    IDirect3DTexture9* tex = nullptr;
    D3DXIMAGE_INFO info;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(h.device, (dir + name).c_str(), 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                           D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE,
                                           D3DCOLOR_ARGB(255, 0, 0, 0), &info, nullptr, &tex),
              D3D_OK)
        << name;
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 2u);
    D3DSURFACE_DESC desc;
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 3u);  // size from the file
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto* p = static_cast<uint32_t*>(lr.pBits);
    EXPECT_EQ(p[0], 0x00000000u);  // the colour key became transparent black
    EXPECT_EQ(p[1], 0xFFFF0000u);
    auto* row1 = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + lr.Pitch);
    EXPECT_EQ(row1[0], 0xFF0000FFu);
    EXPECT_EQ(row1[2], 0xFF808080u);
    tex->UnlockRect(0);
    tex->Release();
  }
  // D3DX_DEFAULT sizes round up to powers of two with a full mip chain.
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(h.device, (dir + "/t.png").c_str(), &tex), D3D_OK);
  D3DSURFACE_DESC desc;
  tex->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_EQ(desc.Height, 2u);
  EXPECT_EQ(tex->GetLevelCount(), 3u);
  tex->Release();
  EXPECT_EQ(D3DXCreateTextureFromFileA(h.device, (dir + "/missing.jpg").c_str(), &tex),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  {
    std::ofstream f(dir + "/junk.bmp", std::ios::binary);
    f << "BM\x10\x00 truncated";
  }
  EXPECT_EQ(D3DXCreateTextureFromFileA(h.device, (dir + "/junk.bmp").c_str(), &tex), D3DXERR_INVALIDDATA);
}

TEST(D3DXFiles, NormalMapFromRedChannel) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  IDirect3DTexture9 *height = nullptr, *normal = nullptr;
  h.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &height, nullptr);
  h.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &normal, nullptr);
  D3DLOCKED_RECT lr;
  height->LockRect(0, &lr, nullptr, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)  // a red ramp along x, flat green
      reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = D3DCOLOR_ARGB(255, x * 60, 200, 0);
  height->UnlockRect(0);
  ASSERT_EQ(D3DXComputeNormalMap(normal, height, nullptr, 0, D3DX_CHANNEL_RED, 2.0f), D3D_OK);
  normal->LockRect(0, &lr, nullptr, D3DLOCK_READONLY);
  uint32_t n = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + lr.Pitch)[1];
  normal->UnlockRect(0);
  // Slope 60/255 per texel, amplitude 2: n = normalize(-0.4706, 0, 1).
  double nx = -60.0 / 255 * 2, len = std::sqrt(nx * nx + 1);
  EXPECT_NEAR(static_cast<int>((n >> 16) & 255), (nx / len * 0.5 + 0.5) * 255, 1.5);
  EXPECT_NEAR(static_cast<int>((n >> 8) & 255), 127.5, 1);
  EXPECT_NEAR(static_cast<int>(n & 255), (1 / len * 0.5 + 0.5) * 255, 1.5);
  height->Release();
  normal->Release();
}

TEST(D3DXFiles, ProgramFileDrawsWithConstantsAndMissingFileFails) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  ID3DXBuffer *code = nullptr, *errors = nullptr;
  ASSERT_EQ(D3DXAssembleShaderFromFileA(NUVARINE_TEST_DATA "/shader.vs", nullptr, nullptr, 0, &code, &errors), D3D_OK);
  IDirect3DVertexShader9* vs = nullptr;
  ASSERT_EQ(dev->CreateVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()), &vs), D3D_OK);
  code->Release();
  EXPECT_EQ(D3DXAssembleShaderFromFileA(NUVARINE_TEST_DATA "/none.vs", nullptr, nullptr, 0, &code, &errors),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  // World x view x projection for a quad at z = 2 seen by the default camera.
  D3DXMATRIX world, view, proj, wvp, t;
  D3DXMatrixTranslation(&world, 0.5f, 0, 2);
  D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 2, 1, 0.1f, 10);
  wvp = world * view * proj;
  D3DXMatrixTranspose(&t, &wvp);
  dev->SetVertexShaderConstantF(2, &t._11, 4);
  const float color[4] = {0, 1, 0, 1};
  dev->SetVertexShaderConstantF(1, color, 1);
  dev->SetVertexShader(vs);
  dev->SetFVF(D3DFVF_XYZ);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  const float quad[4][3] = {{-0.25f, -0.25f, 0}, {-0.25f, 0.25f, 0}, {0.25f, -0.25f, 0}, {0.25f, 0.25f, 0}};
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 12);
  h.Frame();
  // Centre at x = 0.5 / 2 in NDC -> pixel 16 + 4 = 20; half size 0.125 -> 2 pixels.
  ExpectPixel(h.At(20, 16), 0, 255, 0, 0);
  ExpectPixel(h.At(16, 16), 0, 0, 0, 0);
  ExpectPixel(h.At(20, 12), 0, 0, 0, 0);
  dev->SetVertexShader(nullptr);
  vs->Release();
}

TEST(D3DXFiles, AssemblyProgramTranslatesAndDraws) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  ID3DXBuffer *code = nullptr, *errors = nullptr;
  ASSERT_EQ(D3DXAssembleShaderFromFileA(NUVARINE_TEST_DATA "/shader_asm.vs", nullptr, nullptr, 0, &code, &errors),
            D3D_OK);
  IDirect3DVertexShader9* vs = nullptr;
  ASSERT_EQ(dev->CreateVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()), &vs), D3D_OK);
  code->Release();
  // A bad instruction fails with its line in the error text.
  std::string bad = ::testing::TempDir() + "/bad.vs";
  {
    std::ofstream f(bad);
    f << "vs_1_1\ndcl_position v0\nfoo r0, v0\n";
  }
  EXPECT_EQ(D3DXAssembleShaderFromFileA(bad.c_str(), nullptr, nullptr, 0, &code, &errors), D3DXERR_INVALIDDATA);
  ASSERT_NE(errors, nullptr);
  EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("line 3"), std::string::npos);
  errors->Release();
  D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                              D3DDECL_END()};
  IDirect3DVertexDeclaration9* vd = nullptr;
  dev->CreateVertexDeclaration(decl, &vd);
  struct LV {
    float x, y, z;
    D3DCOLOR c;
  } quad[4] = {{-0.1f, -0.1f, 0, 0xFFFFFF00}, {-0.1f, 0.1f, 0, 0xFFFFFF00}, {0.1f, -0.1f, 0, 0xFFFFFF00},
               {0.1f, 0.1f, 0, 0xFFFFFF00}};
  // Matrix: translation (0.5, -0.5, 0.5); c0.x = 2 doubles the quad.
  const float m[16] = {1, 0, 0, 0.5f, 0, 1, 0, -0.5f, 0, 0, 1, 0.5f, 0, 0, 0, 1};
  const float c0[4] = {2, 0, 0, 0}, c1[4] = {1, 0.5f, 1, 1};
  dev->SetVertexShaderConstantF(2, m, 4);
  dev->SetVertexShaderConstantF(0, c0, 1);
  dev->SetVertexShaderConstantF(1, c1, 1);
  dev->SetVertexDeclaration(vd);
  dev->SetVertexShader(vs);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LV));
  h.Frame();
  // Centre (0.5, -0.5) -> pixel (24, 24); half size 0.2 -> 3.2 pixels.
  ExpectPixel(h.At(24, 24), 255, 128, 0, 1);
  ExpectPixel(h.At(26, 26), 255, 128, 0, 1);
  ExpectPixel(h.At(29, 24), 0, 0, 0, 0);
  dev->SetVertexShader(nullptr);
  dev->SetVertexDeclaration(nullptr);
  vd->Release();
  vs->Release();
}

TEST(D3DXFiles, LinesMeshAndSurfaceSave) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  ID3DXLine* line = nullptr;
  ASSERT_EQ(D3DXCreateLine(dev, &line), D3D_OK);
  dev->SetRenderState(D3DRS_LIGHTING, TRUE);
  ASSERT_EQ(line->Begin(), D3D_OK);
  D3DXVECTOR2 pts[2] = {D3DXVECTOR2(2.5f, 5.5f), D3DXVECTOR2(29.5f, 5.5f)};
  EXPECT_EQ(line->Draw(pts, 2, 0xFFFF0000), D3D_OK);
  D3DXMATRIX id;
  D3DXMatrixIdentity(&id);
  D3DXVECTOR3 p3[2] = {D3DXVECTOR3(0, 0.9f, 0.5f), D3DXVECTOR3(0, -0.9f, 0.5f)};
  EXPECT_EQ(line->DrawTransform(p3, 2, &id, 0xFF00FF00), D3D_OK);
  EXPECT_EQ(line->End(), D3D_OK);
  DWORD v = 0;
  dev->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, static_cast<DWORD>(TRUE));  // restored
  h.Frame();
  ExpectPixel(h.At(10, 5), 255, 0, 0, 0);
  ExpectPixel(h.At(16, 20), 0, 255, 0, 0);
  line->Release();

  // Mesh: 3 materials (one by reference), a quad and two triangles.
  ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
  DWORD count = 0;
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA(NUVARINE_TEST_DATA "/sphere.x", D3DXMESH_SYSTEMMEM, dev, &adjacency, &materials,
                               nullptr, &count, &mesh),
            D3D_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(mesh->GetNumFaces(), 4u);
  auto* mats = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_STREQ(mats[0].pTextureFilename, "red.png");
  EXPECT_EQ(mats[1].pTextureFilename, nullptr);
  EXPECT_FLOAT_EQ(mats[1].MatD3D.Diffuse.a, 0.5f);
  EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                  static_cast<DWORD*>(adjacency->GetBufferPointer()), nullptr, nullptr, nullptr),
            D3D_OK);
  D3DXATTRIBUTERANGE table[4];
  DWORD entries = 0;
  mesh->GetAttributeTable(table, &entries);
  ASSERT_EQ(entries, 3u);
  EXPECT_EQ(table[0].FaceCount, 2u);  // the quad, two triangles
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(mesh->CloneMeshFVF(0, mesh->GetFVF(), dev, &clone), D3D_OK);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF0000FF);
  D3DXMATRIX scale;
  D3DXMatrixScaling(&scale, 0.5f, 0.5f, 1);
  dev->SetTransform(D3DTS_WORLD, &scale);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  EXPECT_EQ(clone->DrawSubset(0), D3D_OK);
  h.Frame();
  ExpectPixel(h.At(16, 16), 0, 0, 255, 0);
  ExpectPixel(h.At(2, 2), 0, 0, 0, 0);
  clone->Release();
  mesh->Release();
  adjacency->Release();
  materials->Release();

  // Surface save with a source rectangle.
  IDirect3DSurface9* s = nullptr;
  dev->CreateOffscreenPlainSurface(32, 32, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr);
  ASSERT_EQ(dev->GetFrontBufferData(0, s), D3D_OK);
  RECT r = {2, 2, 30, 29};
  std::string file = ::testing::TempDir() + "/shot.bmp";
  ASSERT_EQ(D3DXSaveSurfaceToFileA(file.c_str(), D3DXIFF_BMP, s, nullptr, &r), D3D_OK);
  s->Release();
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp[18] | (bmp[19] << 8), 28);
  EXPECT_EQ(bmp[22] | (bmp[23] << 8), 27);
  size_t stride = (28 * 3 + 3) & ~3u;
  size_t centre = 54 + stride * (27 - 1 - 14) + 14 * 3;  // picture pixel (16, 16), rows bottom-up
  EXPECT_EQ(bmp[centre], 255);
  EXPECT_EQ(bmp[centre + 2], 0);
}

std::vector<uint8_t> DdsDxt1Red() {
  std::vector<uint8_t> d(128 + 8, 0);
  auto put = [&](size_t o, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[o + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(d.data(), "DDS ", 4);
  put(4, 124);
  put(8, 0x1007);
  put(12, 4);  // height
  put(16, 4);  // width
  put(28, 1);
  put(76, 32);
  put(80, 4);  // four-character code
  put(84, MakeFourCC('D', 'X', 'T', '1'));
  d[128] = 0x00, d[129] = 0xF8;  // colour 0 = pure red, colour 1 = black, every texel index 0
  return d;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, size_t count) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(count));
}

TEST(D3DXFiles, CompressedTextureKeepsItsBlocksAndDraws) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  std::string path = ::testing::TempDir() + "/red.dds";
  std::vector<uint8_t> dds = DdsDxt1Red();
  WriteFile(path, dds, dds.size());
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(h.device, path.c_str(), 0, 0, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED,
                                         D3DX_FILTER_LINEAR, D3DX_DEFAULT, 0, nullptr, nullptr, &tex),
            D3D_OK);
  D3DSURFACE_DESC desc;
  tex->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_DXT1);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(lr.Pitch, 8);
  EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[1], 0xF8);
  tex->UnlockRect(0);
  IDirect3DDevice9* dev = h.device;
  struct SV {
    float x, y, z, rhw;
    D3DCOLOR c;
    float u, v;
  } q[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {7.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
            {-0.5f, 7.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {7.5f, 7.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  dev->SetTexture(0, tex);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(SV));
  h.Frame();
  ExpectPixel(h.At(4, 4), 255, 0, 0, 0);
  dev->SetTexture(0, nullptr);
  tex->Release();
  EXPECT_STREQ(D3DFormatEnumeratorName(D3DFMT_D24X4S4), "D3DFMT_D24X4S4");
  EXPECT_STREQ(D3DFormatEnumeratorName(D3DFMT_DXT5), "D3DFMT_DXT5");
  EXPECT_STREQ(D3DFormatEnumeratorName(static_cast<D3DFORMAT>(74)), "Unknown format");
}

// Every truncation of valid files is refused or read without harm.
TEST(D3DXFiles, TruncatedFilesFailCleanly) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  std::string dir = ::testing::TempDir();
  std::vector<uint8_t> px(4 * 4 * 4, 200);
  WritePng(dir + "/whole.png", 4, 4, px);
  std::ifstream in(dir + "/whole.png", std::ios::binary);
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0, 0x83, 1, 2, 3, 0x8B, 9, 9, 9};
  std::vector<uint8_t> bmp(54 + 16 * 3, 0);
  bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 54, bmp[14] = 40, bmp[18] = 4, bmp[22] = 4, bmp[26] = 1, bmp[28] = 24;
  std::ifstream xin(NUVARINE_TEST_DATA "/sphere.x", std::ios::binary);
  std::vector<uint8_t> x((std::istreambuf_iterator<char>(xin)), std::istreambuf_iterator<char>());
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"cut.png", png}, {"cut.tga", tga}, {"cut.bmp", bmp}, {"cut.dds", DdsDxt1Red()}};
  for (const auto& f : files) {
    std::string path = dir + "/" + f.first;
    for (size_t n = 0; n <= f.second.size(); ++n) {
      WriteFile(path, f.second, n);
      IDirect3DTexture9* tex = nullptr;
      HRESULT hr = D3DXCreateTextureFromFileA(h.device, path.c_str(), &tex);
      if (n == f.second.size()) {
        EXPECT_EQ(hr, D3D_OK) << f.first;
      }
      if (SUCCEEDED(hr)) tex->Release();
    }
  }
  std::string path = dir + "/cut.x";
  for (size_t n = 0; n <= x.size(); n += 3) {
    WriteFile(path, x, n);
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    HRESULT hr = D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, h.device, nullptr, &materials, nullptr,
                                    nullptr, &mesh);
    if (SUCCEEDED(hr)) {
      mesh->Release();
      if (materials) materials->Release();
    }
  }
}

// A lit sphere under a point light against the D3D9 lighting equation.
TEST(D3DXLighting, PointLightOnSphereMatchesEquation) {
  HeadlessDevice h(64, 64);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  struct V {
    float x, y, z, nx, ny, nz;
  };
  const int R = 96, S = 96;
  std::vector<V> verts;
  for (int i = 0; i <= R; ++i)
    for (int j = 0; j <= S; ++j) {
      float p = i * kPi / R, l = j * 2 * kPi / S;
      V v{std::sin(l) * std::sin(p), -std::cos(l) * std::sin(p), std::cos(p), 0, 0, 0};
      v.nx = v.x, v.ny = v.y, v.nz = v.z;
      verts.push_back(v);
    }
  std::vector<uint16_t> idx;
  for (int i = 0; i < R; ++i)
    for (int j = 0; j <= S; ++j) idx.push_back(uint16_t(i * (S + 1) + j)), idx.push_back(uint16_t((i + 1) * (S + 1) + j));
  D3DXMATRIX world, view, proj;
  D3DXMatrixTranslation(&world, 0, 0, 4);
  D3DXMatrixIdentity(&view);
  D3DXMatrixPerspectiveFovLH(&proj, kPi / 3, 1, 0.5f, 10);
  dev->SetTransform(D3DTS_WORLD, &world);
  dev->SetTransform(D3DTS_VIEW, &view);
  dev->SetTransform(D3DTS_PROJECTION, &proj);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {1, 0.8f, 0.6f, 1};
  light.Position = {-3, 2, 1};
  light.Range = 100;
  light.Attenuation0 = 0.5f;
  light.Attenuation1 = 0.05f;
  ASSERT_EQ(dev->SetLight(0, &light), D3D_OK);
  ASSERT_EQ(dev->LightEnable(0, TRUE), D3D_OK);
  D3DMATERIAL9 mat{};
  mat.Diffuse = {0.9f, 0.9f, 0.9f, 1};
  mat.Ambient = {1, 1, 1, 1};
  dev->SetMaterial(&mat);
  dev->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(20, 20, 20));
  dev->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, static_cast<UINT>(verts.size()),
                                        static_cast<UINT>(idx.size() - 2), idx.data(), D3DFMT_INDEX16, verts.data(),
                                        sizeof(V)),
            D3D_OK);
  h.Frame();
  int checked = 0;
  float ys = 1.0f / std::tan(kPi / 6);
  for (int py = 20; py <= 44; py += 4)
    for (int px = 20; px <= 44; px += 4) {
      // Ray through the pixel centre (D3D9 centres lie on integer coordinates).
      float ndcx = px / 32.0f - 1, ndcy = 1 - py / 32.0f;
      D3DXVECTOR3 d(ndcx / ys, ndcy / ys, 1), c(0, 0, 4);
      D3DXVec3Normalize(&d, &d);
      float b = D3DXVec3Dot(&d, &c), disc = b * b - (16 - 1);
      if (disc < 0.05f) continue;
      float t = b - std::sqrt(disc);
      D3DXVECTOR3 p = d * t, n = p - c, L = D3DXVECTOR3(-3, 2, 1) - p;
      float dist = D3DXVec3Length(&L);
      D3DXVec3Normalize(&L, &L);
      float att = 1.0f / (0.5f + 0.05f * dist);
      float nl = std::max(0.0f, D3DXVec3Dot(&n, &L));
      const float ld[3] = {1, 0.8f, 0.6f};
      int expected[3];
      for (int k = 0; k < 3; ++k)
        expected[k] = static_cast<int>(std::lround(std::min(1.0f, 20 / 255.0f + 0.9f * ld[k] * nl * att) * 255));
      Pixel got = h.At(px, py);
      EXPECT_NEAR(got.r, expected[0], 2) << px << "," << py;
      EXPECT_NEAR(got.g, expected[1], 2) << px << "," << py;
      EXPECT_NEAR(got.b, expected[2], 2) << px << "," << py;
      ++checked;
    }
  EXPECT_GT(checked, 20);
}

}  // namespace
