// Fixed geometry: vertex records, builders, rotation helper, view drawers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "Geometry.h"
#include "Nuvarine2View.h"
#include "RenderTestUtil.h"

namespace {

template <class T>
std::vector<T> ReadVertices(IDirect3DVertexBuffer9* b) {
  D3DVERTEXBUFFER_DESC desc{};
  b->GetDesc(&desc);
  void* data = nullptr;
  EXPECT_EQ(b->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  std::vector<T> out(desc.Size / sizeof(T));
  std::memcpy(out.data(), data, out.size() * sizeof(T));
  b->Unlock();
  return out;
}

std::vector<uint16_t> ReadIndices(IDirect3DIndexBuffer9* b) {
  D3DINDEXBUFFER_DESC desc{};
  b->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
  void* data = nullptr;
  EXPECT_EQ(b->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  std::vector<uint16_t> out(desc.Size / 2);
  std::memcpy(out.data(), data, desc.Size);
  b->Unlock();
  return out;
}

}  // namespace

TEST(Geometry, SphereLevelsHaveTheirSizesAndStayWithin16BitIndices) {
  HeadlessDevice h;
  ASSERT_NE(h.device, nullptr);
  for (int level = 1; level <= 5; ++level) {
    SCOPED_TRACE(level);
    const SphereLevel& l = kSphereLevels[level - 1];
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(CreateSphereBuffers(h.device, &vb, &ib, l.rings, l.segments), S_OK);
    const auto v = ReadVertices<SphereVertex>(vb);
    const auto idx = ReadIndices(ib);
    EXPECT_EQ(v.size(), l.vertices);
    EXPECT_EQ(idx.size(), static_cast<size_t>(2 * l.rings * (l.segments + 1)));
    EXPECT_EQ(idx.size() - 2, l.triangles);
    uint16_t largest = 0;
    for (uint16_t i : idx) largest = std::max(largest, i);
    EXPECT_EQ(largest, l.vertices - 1);
    // Unit sphere with +z at texture row 0; normals equal positions.
    EXPECT_FLOAT_EQ(v[0].z, 1.0f);
    EXPECT_FLOAT_EQ(v.back().z, -1.0f);
    for (const SphereVertex& s : v) {
      EXPECT_NEAR(s.x * s.x + s.y * s.y + s.z * s.z, 1.0f, 1e-5f);
      ASSERT_EQ(s.nx, s.x);
      ASSERT_EQ(s.diffuse, 0xffffffffu);
      ASSERT_EQ(s.specular, 0xff555555u);
      ASSERT_EQ(s.tu1, s.tu0);
      ASSERT_EQ(s.tv2, s.tv0);
    }
    vb->Release();
    ib->Release();
  }
  EXPECT_EQ(kSphereLevels[4].vertices, 36u);
  EXPECT_EQ(kSphereLevels[4].triangles, 58u);
}

TEST(Geometry, RingClosesAndCarriesItsTwoTextureSets) {
  HeadlessDevice h;
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(CreateRingVertexBuffer(h.device, &vb, 0.548f), S_OK);
  const auto v = ReadVertices<RingVertex>(vb);
  ASSERT_EQ(v.size(), 298u);
  // First and last pairs coincide: the strip closes.
  for (int k : {0, 1}) {
    EXPECT_NEAR(v[k].x, v[296 + k].x, 1e-5f);
    EXPECT_NEAR(v[k].y, v[296 + k].y, 1e-5f);
  }
  EXPECT_FLOAT_EQ(v[0].x, 1.0f);
  EXPECT_FLOAT_EQ(v[1].x, 0.548f);
  EXPECT_EQ(v[0].diffuse, 0x0fafafafu);
  EXPECT_FLOAT_EQ(v[1].tu0, 0.1f);
  EXPECT_FLOAT_EQ(v[1].tv0, 1.0f);
  // A vertex of the upper half (s > 0): outer row 0, inner row 0.5.
  EXPECT_FLOAT_EQ(v[20].tv1, 0.0f);
  EXPECT_FLOAT_EQ(v[21].tv1, 0.5f);
  EXPECT_FLOAT_EQ(v[200].tv1, 0.5f);
  EXPECT_FLOAT_EQ(v[201].tv1, 1.0f);
  vb->Release();
}

TEST(Geometry, EllipseTubeAndDome) {
  HeadlessDevice h;
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(CreateEllipseVertexBuffer(h.device, 0xff123456, &vb, 2.0f, 0.5f), S_OK);
  auto e = ReadVertices<LineVertex>(vb);
  ASSERT_EQ(e.size(), 42u);
  EXPECT_FLOAT_EQ(e[0].x, 2.0f);
  EXPECT_FLOAT_EQ(e[1].x, 0.0f);
  EXPECT_NEAR(e[10].y, 0.5f, 1e-6f);  // t = pi / 2
  EXPECT_EQ(e[41].diffuse, 0xff123456u);
  vb->Release();

  ASSERT_EQ(CreateTubeVertexBuffer(h.device, 0xff0000ff, &vb, 30, 0xffff0000), S_OK);
  auto t = ReadVertices<SpriteVertex>(vb);
  ASSERT_EQ(t.size(), 62u);
  EXPECT_FLOAT_EQ(t[0].z, -0.3f);
  EXPECT_EQ(t[0].diffuse, 0xff0000ffu);
  EXPECT_FLOAT_EQ(t[0].tv, 0.99f);
  EXPECT_FLOAT_EQ(t[1].z, 0.3f);
  EXPECT_EQ(t[1].diffuse, 0xffff0000u);
  EXPECT_FLOAT_EQ(t[60].tu, 1.0f);
  EXPECT_NEAR(t[60].x, t[0].x, 1e-5f);
  vb->Release();

  ASSERT_EQ(CreateDomeVertexBuffer(h.device, 0xffffffff, &vb, 10, 10), S_OK);
  auto d = ReadVertices<SpriteVertex>(vb);
  ASSERT_EQ(d.size(), 220u);
  // The first band starts at the rim (v = 1), the last ends at the top (v = 0, z = 1).
  EXPECT_NEAR(d[0].z, 0.0f, 1e-6f);
  EXPECT_FLOAT_EQ(d[0].tv, 1.0f);
  EXPECT_FLOAT_EQ(d[219].z, 1.0f);
  EXPECT_FLOAT_EQ(d[219].tv, 0.0f);
  for (const SpriteVertex& s : d) EXPECT_GE(s.z, -1e-6f);
  vb->Release();
}

TEST(Geometry, TilePatchTypesSizesAndEdgeClamps) {
  HeadlessDevice h;
  struct Case {
    int type, row;
    size_t vertices, indices;
    float radius;
  };
  const Case cases[] = {{1, 0, 153, 288, 1.0001f}, {2, 5, 45, 80, 1.0003f}, {3, 31, 15, 24, 1.0006f},
                        {7, 3, 153, 288, 1.0001f}, {0, 7, 153, 288, 1.0001f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(CreateTilePatchBuffers(c.type, h.device, &vb, &ib, c.row), S_OK);
    const auto v = ReadVertices<SphereVertex>(vb);
    const auto idx = ReadIndices(ib);
    EXPECT_EQ(v.size(), c.vertices);
    EXPECT_EQ(idx.size(), c.indices);
    const TilePatchShape shape = TilePatchShapeOf(c.type);
    EXPECT_EQ(shape.vertices, c.vertices);
    EXPECT_EQ(shape.triangles, c.indices - 2);
    for (const SphereVertex& s : v) {
      EXPECT_NEAR(std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z), c.radius, 1e-5f);
      EXPECT_NE(s.tu0, 0.0f);
      EXPECT_GT(s.tv0, 0.0f);
      EXPECT_LT(s.tv0, 1.0f);
    }
    EXPECT_FLOAT_EQ(v.front().tu0, -0.002f);
    EXPECT_FLOAT_EQ(v.front().tv0, 0.001f);
    EXPECT_FLOAT_EQ(v.back().tv0, 0.999f);
    vb->Release();
    ib->Release();
  }
  // Row 0 touches the +z pole; a type-1 patch of row 1 starts at pi / 8.
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(CreateTilePatchBuffers(1, h.device, &vb, &ib, 1), S_OK);
  EXPECT_NEAR(ReadVertices<SphereVertex>(vb)[0].z, 1.0001f * std::cos(3.14159265f / 8), 1e-5f);
  vb->Release();
  ib->Release();
}

TEST(Geometry, RotationBetweenVectorsTurnsOneOntoTheOther) {
  struct Case {
    D3DXVECTOR3 from, to;
  };
  const Case cases[] = {{{3, 0, 0}, {0, 1, 0}},
                        {{1, 2, 3}, {0, 0, 1}},
                        {{0, 0, 2}, {0, 0, 1}},     // parallel
                        {{0, 0, 1}, {0, 0, -1}},    // opposite
                        {{1, 0, 0}, {-1, 0, 0}}};   // opposite along x
  for (const Case& c : cases) {
    D3DXMATRIX m;
    BuildRotationBetweenVectors(&m, c.from, c.to, 0.0f);
    for (int i = 0; i < 16; ++i) ASSERT_TRUE(std::isfinite((&m._11)[i]));
    // The stored matrix is the inverse turn: `to` goes back onto `from`.
    D3DXVECTOR3 f, back;
    D3DXVec3Normalize(&f, &c.from);
    D3DXVec3TransformNormal(&back, &c.to, &m);
    EXPECT_NEAR(back.x, f.x, 1e-5f);
    EXPECT_NEAR(back.y, f.y, 1e-5f);
    EXPECT_NEAR(back.z, f.z, 1e-5f);
  }
}

TEST(Geometry, ScaleTranslationAndColourHelpers) {
  const D3DXMATRIX m = BuildScaleTranslationMatrix(2.0f, 1.0f, -3.0f, 5.0f);
  D3DXVECTOR3 p(1, 1, 1), out;
  D3DXVec3TransformCoord(&out, &p, &m);
  EXPECT_FLOAT_EQ(out.x, 3.0f);
  EXPECT_FLOAT_EQ(out.y, -1.0f);
  EXPECT_FLOAT_EQ(out.z, 7.0f);
  const D3DXCOLOR green = UnpackColorRef(0x0000ff00);
  EXPECT_FLOAT_EQ(green.r, 0.0f);
  EXPECT_NEAR(green.g, 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(green.b, 0.0f);
  EXPECT_FLOAT_EQ(green.a, 1.0f);
  EXPECT_NEAR(UnpackColorRef(0x00800000).b, 128.0f / 255.0f, 1e-6f);
}

namespace {

class GeometryView : public CNuvarine2View {
 public:
  void Adopt(IDirect3DDevice9* device) {
    m_pd3dDevice = device;
    device->AddRef();
  }
};

}  // namespace

TEST(GeometryViewDrawers, MarkerRadiusShrinksAsTheFieldWidens) {
  ShellTestApplication();
  HeadlessDevice h;
  GeometryView view;
  ASSERT_EQ(D3DXCreateLine(h.device, &view.m_pLine), D3D_OK);
  struct Case {
    float fov, scale, radius;
  };
  const Case cases[] = {{0.8f, 0.5f, 4.574f}, {0.8f, 2.0f, 18.296f}, {0.1f, 0.5f, 38.798f}, {1.5f, 0.5f, 2.146f}};
  for (const Case& c : cases) {
    view.m_fieldOfView = c.fov;
    view.m_pLine->Begin();
    view.DrawMarkerCircle(100.0f, 50.0f, c.scale);
    view.m_pLine->End();
    // The last segment ends where the circle began.
    EXPECT_NEAR(view.m_markerCirclePoints[1].x - 100.0f, c.radius, 0.002f);
    EXPECT_NEAR(view.m_markerCirclePoints[1].y, 50.0f, 1e-3f);
  }
  view.m_pLine->Release();
  view.m_pLine = nullptr;
}

TEST(GeometryViewDrawers, MarkerCircleIsDrawnRed) {
  ShellTestApplication();
  HeadlessDevice h(64, 64);
  GeometryView view;
  ASSERT_EQ(D3DXCreateLine(h.device, &view.m_pLine), D3D_OK);
  view.m_fieldOfView = 0.2f;  // radius 0.5 * 38.63 / ... about 19 px
  h.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  h.device->BeginScene();
  view.m_pLine->Begin();
  view.DrawMarkerCircle(32.0f, 32.0f, 0.5f);
  view.m_pLine->End();
  h.device->EndScene();
  h.Frame();
  const float r = 0.5f * (7.786710f / 0.2f - 0.224507f - 0.449907f * 0.2f);
  int red = 0, misplaced = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const Pixel p = h.At(x, y);
      if (p.r < 128) continue;
      ++red;
      EXPECT_EQ(p.g, 0);
      const float d = std::hypot(x + 0.5f - 32.0f, y + 0.5f - 32.0f);
      if (std::fabs(d - r) > 1.5f) ++misplaced;
    }
  EXPECT_GT(red, 80);
  EXPECT_EQ(misplaced, 0);
  view.m_pLine->Release();
  view.m_pLine = nullptr;
}

TEST(GeometryViewDrawers, SpriteQuadColourAndInvertedChart) {
  ShellTestApplication();
  HeadlessDevice h;
  GeometryView view;
  ASSERT_EQ(h.device->CreateVertexBuffer(4 * sizeof(SpriteVertex), D3DUSAGE_WRITEONLY, kSpriteVertexFvf,
                                         D3DPOOL_DEFAULT, &view.m_spriteQuadVB, nullptr),
            D3D_OK);
  view.FillSpriteQuad(1.0f, 0.5f, -0.2f, 2.0f);
  auto v = ReadVertices<SpriteVertex>(view.m_spriteQuadVB);
  EXPECT_EQ(v[0].diffuse, 0xffff8000u);
  EXPECT_FLOAT_EQ(v[1].y, 0.01f);
  EXPECT_FLOAT_EQ(v[1].tu, 1.0f);
  EXPECT_FLOAT_EQ(v[2].tv, 1.0f);
  view.m_chartInverted = true;
  view.FillSpriteQuad(0, 0, 0, 1);
  v = ReadVertices<SpriteVertex>(view.m_spriteQuadVB);
  EXPECT_FLOAT_EQ(v[0].tu, 1.0f);
  EXPECT_FLOAT_EQ(v[0].tv, 1.0f);
  EXPECT_FLOAT_EQ(v[3].tu, 0.0f);
  EXPECT_FLOAT_EQ(v[3].tv, 0.0f);
  view.m_spriteQuadVB->Release();
  view.m_spriteQuadVB = nullptr;
}

namespace {

// A view drawing on a headless device with the sphere and patch buffers built.
class SphereView : public GeometryView {
 public:
  explicit SphereView(IDirect3DDevice9* device) {
    Adopt(device);
    for (int level = 1; level <= 5; ++level)
      CreateSphereBuffers(device, &m_sphereBuffers[level - 1].vertexBuffer, &m_sphereBuffers[level - 1].indexBuffer,
                          kSphereLevels[level - 1].rings, kSphereLevels[level - 1].segments);
    for (int row = 0; row < 8; ++row)
      CreateTilePatchBuffers(1, device, &m_tilePatchVBLevel0[row], &m_tilePatchIBLevel0[row], row);
  }
  // The view's own release would free them again: each pointer is cleared.
  ~SphereView() override {
    for (SphereBuffers& b : m_sphereBuffers) {
      if (b.vertexBuffer) b.vertexBuffer->Release();
      if (b.indexBuffer) b.indexBuffer->Release();
      b = SphereBuffers{};
    }
    for (int row = 0; row < 8; ++row) {
      m_tilePatchVBLevel0[row]->Release();
      m_tilePatchIBLevel0[row]->Release();
      m_tilePatchVBLevel0[row] = nullptr;
      m_tilePatchIBLevel0[row] = nullptr;
    }
  }
};

IDirect3DTexture9* SolidTexture(IDirect3DDevice9* d, D3DCOLOR colour) {
  IDirect3DTexture9* t = nullptr;
  d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
  D3DLOCKED_RECT r{};
  t->LockRect(0, &r, nullptr, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) static_cast<D3DCOLOR*>(r.pBits)[y * r.Pitch / 4 + x] = colour;
  t->UnlockRect(0);
  return t;
}

// Looks at the unit sphere from 3 units away with lighting off.
void LookAtSphere(IDirect3DDevice9* d) {
  D3DXMATRIX world, view, proj;
  D3DXMatrixIdentity(&world);
  const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1.0f, 0.1f, 10.0f);
  d->SetTransform(D3DTS_WORLD, &world);
  d->SetTransform(D3DTS_VIEW, &view);
  d->SetTransform(D3DTS_PROJECTION, &proj);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

}  // namespace

TEST(GeometryViewDrawers, BumpMappedSphereWithOptionsOffIsThePlainSphere) {
  ShellTestApplication();
  HeadlessDevice h(64, 64);
  SphereView view(h.device);
  IDirect3DTexture9* red = SolidTexture(h.device, 0xffff0000);
  IDirect3DTexture9* normals = SolidTexture(h.device, 0xff8080ff);
  auto frame = [&](auto draw) {
    h.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    h.device->BeginScene();
    LookAtSphere(h.device);
    draw();
    h.device->EndScene();
    return h.Frame();
  };
  for (int level : {1, 5}) {
    SCOPED_TRACE(level);
    const auto plain = frame([&] { view.DrawSphere(red, level); });
    ExpectPixel(h.At(32, 32), 255, 0, 0);
    ExpectPixel(h.At(1, 1), 0, 0, 0);
    view.m_traceCount = 0;
    EXPECT_EQ(frame([&] { view.DrawBumpMappedSphere(normals, red, level); }), plain);
    EXPECT_EQ(view.m_traceCount, 0);
  }
  // A level outside 1-5 draws nothing and unbinds the texture.
  frame([&] { view.DrawSphere(red, 6); });
  ExpectPixel(h.At(32, 32), 0, 0, 0);
  IDirect3DBaseTexture9* bound = nullptr;
  h.device->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);

  // Bump mapping: its own path, traced, with the states put back.
  view.m_bumpMapping = 1;
  view.m_traceCount = 0;
  frame([&] { view.DrawBumpMappedSphere(normals, red, 5); });
  ASSERT_GE(view.m_traceCount, 1);
  EXPECT_EQ(view.m_traceCodes[0], kTraceBumpStage1);
  EXPECT_NE(std::find(view.m_traceCodes, view.m_traceCodes + view.m_traceCount, kTraceBumpStage3),
            view.m_traceCodes + view.m_traceCount);
  EXPECT_GT(h.At(32, 32).r, 0);
  DWORD v = 0;
  h.device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, TRUE);
  h.device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
  // Reflection alone takes the Earth's path for the Earth's texture only.
  view.m_bumpMapping = 0;
  view.m_reflection = true;
  view.m_bodyTextures[0] = red;
  view.m_traceCount = 0;
  frame([&] { view.DrawBumpMappedSphere(normals, red, 5); });
  EXPECT_NE(std::find(view.m_traceCodes, view.m_traceCodes + view.m_traceCount, kTraceBumpStage2),
            view.m_traceCodes + view.m_traceCount);
  view.m_traceCount = 0;
  frame([&] { view.DrawBumpMappedSphere(normals, normals, 5); });
  EXPECT_EQ(view.m_traceCount, 0);
  view.m_bodyTextures[0] = nullptr;
  red->Release();
  normals->Release();
}

TEST(GeometryViewDrawers, TiledSphereDrawsOnlyWantedLoadedTiles) {
  ShellTestApplication();
  HeadlessDevice h(64, 64);
  SphereView view(h.device);
  IDirect3DTexture9* tile = SolidTexture(h.device, 0xff00ff00);
  view.m_tileVisibleLevel0[2][3] = 1;
  view.m_tileTexturesLevel0[3 + 2 * 16] = tile;  // wanted and loaded
  view.m_tileVisibleLevel0[4][5] = 1;           // wanted, not loaded
  view.m_tileTexturesLevel0[1 + 1 * 16] = tile;  // loaded, not wanted
  h.device->BeginScene();
  LookAtSphere(h.device);
  const uint64_t before = h.device->GetDrawCallCountForLayer();
  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  view.DrawTiledSphere(world, 4);
  h.device->EndScene();
  EXPECT_EQ(h.device->GetDrawCallCountForLayer() - before, 1u);
  view.m_tileTexturesLevel0[3 + 2 * 16] = view.m_tileTexturesLevel0[1 + 1 * 16] = nullptr;
  tile->Release();
}

TEST(Geometry, AtmosphereHaloDrawsOneBandUnlessItsWidthIsZero) {
  HeadlessDevice h(64, 64);
  h.device->BeginScene();
  LookAtSphere(h.device);
  const D3DXVECTOR3 centre(0, 0, 3), sun(0, 100, 0);
  const D3DXCOLOR inner(0.5f, 0.6f, 1.0f, 1.0f), outer(0.2f, 0.3f, 0.9f, 1.0f);
  uint64_t before = h.device->GetDrawCallCountForLayer();
  DrawAtmosphereHalo(h.device, centre, 1.0f, 0.3f, 0.0f, sun, inner, outer, true);
  EXPECT_EQ(h.device->GetDrawCallCountForLayer() - before, 0u);
  DrawAtmosphereHalo(h.device, centre, 1.0f, 0.3f, 0.1f, sun, inner, outer, true);
  h.device->EndScene();
  EXPECT_EQ(h.device->GetDrawCallCountForLayer() - before, 1u);
}
