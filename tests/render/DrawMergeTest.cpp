// Screen lines and text merge into few draws and look exactly as drawn one by one.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "RenderTestUtil.h"
#include "TextureFont.h"
#include "d3dx9.h"

namespace {

struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
};

// A screen rectangle as two triangles.
std::vector<ScreenVertex> Rect(float l, float t, float r, float b, D3DCOLOR c) {
  return {{l, t, 0.5f, 1, c}, {r, t, 0.5f, 1, c}, {l, b, 0.5f, 1, c},
          {r, t, 0.5f, 1, c}, {r, b, 0.5f, 1, c}, {l, b, 0.5f, 1, c}};
}

void DrawRect(IDirect3DDevice9* d, float l, float t, float r, float b, D3DCOLOR c) {
  const auto v = Rect(l, t, r, b, c);
  d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v.data(), sizeof(ScreenVertex));
}

class DrawMerge : public ::testing::Test {
 protected:
  void SetUp() override { ShellTestApplication(); }
  // The frame drawn by `draw`, with merging on or off, and the OpenGL draws it took.
  template <class F>
  static std::vector<uint8_t> Render(HeadlessDevice& h, bool merging, F draw, uint64_t* glDraws = nullptr) {
    h.device->SetBatchingForLayer(merging);
    h.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 30), 1.0f, 0);
    h.device->BeginScene();
    const uint64_t before = h.device->GetDrawCallCountForLayer();
    draw();
    h.device->EndScene();
    if (glDraws) *glDraws = h.device->GetDrawCallCountForLayer() - before;
    return h.Frame();
  }
};

}  // namespace

TEST_F(DrawMerge, SegmentsBetweenBeginAndEndBecomeOneDraw) {
  HeadlessDevice h(160, 120);
  ID3DXLine* line = nullptr;
  ASSERT_EQ(D3DXCreateLine(h.device, &line), D3D_OK);
  std::mt19937 random(3);
  std::uniform_real_distribution<float> x(0, 160), y(0, 120);
  std::vector<D3DXVECTOR2> points;
  for (int i = 0; i < 600; ++i) points.emplace_back(x(random), y(random));
  auto draw = [&] {
    line->Begin();
    for (int i = 0; i + 1 < 600; i += 2) line->Draw(&points[i], 2, i % 4 ? 0xffff8000 : 0x8000ff00);
    line->End();
  };
  uint64_t merged = 0, single = 0;
  const auto a = Render(h, true, draw, &merged);
  const auto b = Render(h, false, draw, &single);
  EXPECT_EQ(merged, 1u);
  EXPECT_EQ(single, 300u);
  EXPECT_EQ(a, b);
  line->Release();
}

TEST_F(DrawMerge, ConsecutiveLabelsOfMatchingStateMergeAndKeepTheirPixels) {
  HeadlessDevice h(200, 100);
  CTextureFont font("Arial", 10, 0), other("Arial", 14, CTextureFont::kBold);
  for (CTextureFont* f : {&font, &other}) {
    ASSERT_EQ(f->CreateGlyphTexture(h.device), S_OK);
    ASSERT_EQ(f->CreateDrawResources(), S_OK);
  }
  auto draw = [&] {
    for (int i = 0; i < 20; ++i)
      font.DrawString(static_cast<float>(i * 9 % 150), static_cast<float>(i * 5), 0xff00ff00 + i * 8, "Label", 0);
  };
  uint64_t merged = 0, single = 0;
  EXPECT_EQ(Render(h, true, draw, &merged), Render(h, false, draw, &single));
  EXPECT_EQ(merged, 1u);
  EXPECT_EQ(single, 20u);
  // Another font (another texture) starts a new draw; returning starts another.
  auto mixed = [&] {
    font.DrawString(0, 0, 0xffffffff, "one", 0);
    font.DrawString(0, 20, 0xffffffff, "two", 0);
    other.DrawString(0, 40, 0xffffffff, "three", 0);
    font.DrawString(0, 70, 0xffffffff, "four", 8);  // linear filtering: another state
  };
  EXPECT_EQ(Render(h, true, mixed, &merged), Render(h, false, mixed, &single));
  EXPECT_EQ(merged, 3u);
}

TEST_F(DrawMerge, ReapplyingAnUnchangedStateBlockFlushesNothing) {
  HeadlessDevice h(64, 64);
  CTextureFont font("Arial", 10, 0);
  ASSERT_EQ(font.CreateGlyphTexture(h.device), S_OK);
  ASSERT_EQ(font.CreateDrawResources(), S_OK);
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(h.device->CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
  uint64_t draws = 0;
  Render(
      h, true,
      [&] {
        font.DrawString(0, 0, 0xffffffff, "ab", 0);
        block->Apply();  // the states it holds are the current ones
        block->Apply();
        font.DrawString(0, 20, 0xffffffff, "cd", 0);
      },
      &draws);
  EXPECT_EQ(draws, 1u);
  block->Release();
}

TEST_F(DrawMerge, MergedDrawsKeepTheirOwnStatesAndTheirPlaceInTheOrder) {
  HeadlessDevice h(64, 32);
  auto draw = [&] {
    IDirect3DDevice9* d = h.device;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
    DrawRect(d, 0, 0, 16, 16, 0xffffffff);  // only red is written
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xf);
    DrawRect(d, 16, 0, 32, 16, 0xffffffff);
    // Merged rectangles keep their order: the later one covers the earlier.
    DrawRect(d, 32, 0, 48, 16, 0xff0000ff);
    DrawRect(d, 40, 0, 64, 16, 0xff00ff00);  // overlaps the blue one
  };
  uint64_t draws = 0;
  Render(h, true, draw, &draws);
  ExpectPixel(h.At(8, 8), 255, 0, 30);
  ExpectPixel(h.At(24, 8), 255, 255, 255);
  ExpectPixel(h.At(36, 8), 0, 0, 255);
  ExpectPixel(h.At(44, 8), 0, 255, 0);
  EXPECT_EQ(draws, 2u);  // the colour-write change splits the four rectangles in two
}

TEST_F(DrawMerge, PendingTextIsDrawnBeforeOtherDrawsAndBeforeItsTextureGoes) {
  HeadlessDevice h(96, 48);
  auto font = std::make_unique<CTextureFont>("Arial", 16, CTextureFont::kBold);
  ASSERT_EQ(font->CreateGlyphTexture(h.device), S_OK);
  ASSERT_EQ(font->CreateDrawResources(), S_OK);
  // Text, then an opaque rectangle over its left half.
  Render(h, true, [&] {
    font->DrawString(4, 4, 0xffff0000, "MMM", 0);
    h.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    h.device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    h.device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    h.device->SetTexture(0, nullptr);
    // Vertex colour only.
    h.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    h.device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    DrawRect(h.device, 0, 0, 30, 48, 0xff00ff00);
  });
  int redLeft = 0, redRight = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 96; ++x)
      if (h.At(x, y).r > 100) (x < 30 ? redLeft : redRight)++;
  EXPECT_EQ(redLeft, 0);
  EXPECT_GT(redRight, 20);
  // The font goes away while its text is pending: the text is still drawn.
  Render(h, true, [&] {
    font->DrawString(4, 4, 0xffff0000, "MMM", 0);
    font.reset();
  });
  int red = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 96; ++x) red += h.At(x, y).r > 100;
  EXPECT_GT(red, 40);
}

TEST_F(DrawMerge, ADrawAfterPendingTextUsesItsOwnVertexLayout) {
  HeadlessDevice h(64, 64);
  CTextureFont font("Arial", 10, 0);
  ASSERT_EQ(font.CreateGlyphTexture(h.device), S_OK);
  ASSERT_EQ(font.CreateDrawResources(), S_OK);
  // A square in world space (positions and colours of another layout than the
  // text's), indexed from buffers, drawn under identity transforms.
  struct WorldVertex {
    float x, y, z;
    D3DCOLOR colour;
  };
  const WorldVertex corners[4] = {
      {-0.5f, -0.5f, 0.5f, 0xff00ff00}, {-0.5f, 0.5f, 0.5f, 0xff00ff00}, {0.5f, -0.5f, 0.5f, 0xff00ff00},
      {0.5f, 0.5f, 0.5f, 0xff00ff00}};
  const WORD order[4] = {0, 1, 2, 3};
  constexpr DWORD kWorldFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(h.device->CreateVertexBuffer(sizeof corners, 0, kWorldFvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(h.device->CreateIndexBuffer(sizeof order, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  void* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::memcpy(data, corners, sizeof corners);
  vb->Unlock();
  ib->Lock(0, 0, &data, 0);
  std::memcpy(data, order, sizeof order);
  ib->Unlock();
  for (bool merging : {false, true}) {
    SCOPED_TRACE(merging ? "merging" : "one by one");
    Render(h, merging, [&] {
      IDirect3DDevice9* d = h.device;
      font.DrawString(2, 2, 0xffff0000, "ab", 0);  // pending while merging
      D3DXMATRIX identity;
      D3DXMatrixIdentity(&identity);
      for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) d->SetTransform(t, &identity);
      d->SetRenderState(D3DRS_LIGHTING, FALSE);
      d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
      d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
      d->SetTexture(0, nullptr);
      d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
      d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
      d->SetFVF(kWorldFvf);
      d->SetStreamSource(0, vb, 0, sizeof(WorldVertex));
      d->SetIndices(ib);
      d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2);
    });
    ExpectPixel(h.At(32, 32), 0, 255, 0);
  }
  vb->Release();
  ib->Release();
}

// The test recorder sees each application draw with its own states, even
// where the layer merges them into one OpenGL draw, and nothing once removed.
TEST_F(DrawMerge, TheDrawRecorderSeesEveryDrawBeforeMerging) {
  HeadlessDevice h(64, 48);
  std::vector<D3DDrawRecordForLayer> records;
  h.device->SetDrawRecorderForLayer(
      [](void* context, const D3DDrawRecordForLayer& r) {
        static_cast<std::vector<D3DDrawRecordForLayer>*>(context)->push_back(r);
      },
      &records);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  h.device->SetTransform(D3DTS_WORLD, &world);
  h.device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  h.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  h.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  uint64_t glDraws = 0;
  Render(h, true, [&] {
    DrawRect(h.device, 0, 0, 10, 10, 0xffff0000);
    DrawRect(h.device, 20, 0, 30, 10, 0xff00ff00);
  }, &glDraws);
  EXPECT_EQ(glDraws, 1u);
  ASSERT_EQ(records.size(), 2u);
  for (const D3DDrawRecordForLayer& r : records) {
    EXPECT_EQ(r.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(r.primitiveCount, 2u);
    EXPECT_EQ(r.fvf, static_cast<DWORD>(D3DFVF_XYZRHW | D3DFVF_DIFFUSE));
    EXPECT_EQ(r.stride, sizeof(ScreenVertex));
    EXPECT_EQ(r.textures[0], nullptr);
    EXPECT_EQ(r.vertexShader, nullptr);
    EXPECT_EQ(r.alphaBlendEnable, static_cast<DWORD>(TRUE));
    EXPECT_EQ(r.srcBlend, static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(r.destBlend, static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(std::memcmp(&r.world, &world, sizeof(world)), 0);
  }
  h.device->SetDrawRecorderForLayer(nullptr, nullptr);
  Render(h, true, [&] { DrawRect(h.device, 0, 0, 10, 10, 0xffff0000); });
  EXPECT_EQ(records.size(), 2u);
}
