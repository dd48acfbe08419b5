// Drawing through the fixed-function emulation and vertex programs, checked
// pixel by pixel on a headless device.
#include <cmath>

#include "RenderTestUtil.h"
#include "../../platform/d3d9/DeviceImpl.h"

namespace {

struct ScreenVertex {  // FVF 0x144
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
struct ColorVertex {  // FVF 0x42
  float x, y, z;
  D3DCOLOR color;
};
struct SpriteVertex {  // FVF 0x142
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A quad covering pixels [x0, x1) x [y0, y1) exactly, as D3D9 maps pixel centres.
void ScreenQuad(ScreenVertex v[4], float x0, float y0, float x1, float y1, D3DCOLOR c) {
  v[0] = {x0 - 0.5f, y0 - 0.5f, 0.5f, 1.0f, c, 0, 0};
  v[1] = {x1 - 0.5f, y0 - 0.5f, 0.5f, 1.0f, c, 1, 0};
  v[2] = {x0 - 0.5f, y1 - 0.5f, 0.5f, 1.0f, c, 0, 1};
  v[3] = {x1 - 0.5f, y1 - 0.5f, 0.5f, 1.0f, c, 1, 1};
}

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* dev, UINT w, UINT h, D3DFORMAT f,
                               D3DCOLOR (*texel)(UINT x, UINT y)) {
  IDirect3DTexture9* tex = nullptr;
  EXPECT_EQ(dev->CreateTexture(w, h, 1, 0, f, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      D3DCOLOR c = texel(x, y);
      auto* row = static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch;
      if (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8) std::memcpy(row + x * 4, &c, 4);
      if (f == D3DFMT_R8G8B8) std::memcpy(row + x * 3, &c, 3);
      if (f == D3DFMT_L8) row[x] = static_cast<uint8_t>(c & 0xFF);
      if (f == D3DFMT_A4R4G4B4) {
        uint16_t v = static_cast<uint16_t>(((c >> 28) << 12) | (((c >> 20) & 15) << 8) | (((c >> 12) & 15) << 4) |
                                           ((c >> 4) & 15));
        std::memcpy(row + x * 2, &v, 2);
      }
    }
  tex->UnlockRect(0);
  return tex;
}

void FixedScreenStates(IDirect3DDevice9* dev) {
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetFVF(kScreenFvf);
}

TEST(Draw, PreTransformedTexturedQuadIsPixelExact) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  // A 4x4 texture of distinct texels drawn 1:1 onto pixels (8..12, 4..8).
  IDirect3DTexture9* tex = MakeTexture(dev, 4, 4, D3DFMT_A8R8G8B8, [](UINT x, UINT y) -> D3DCOLOR {
    return D3DCOLOR_ARGB(255, x * 60, y * 60, 200);
  });
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  FixedScreenStates(dev);
  dev->SetTexture(0, tex);
  ScreenVertex v[4];
  ScreenQuad(v, 8, 4, 12, 8, 0xFFFFFFFF);
  ASSERT_EQ(dev->BeginScene(), D3D_OK);
  EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex)), D3D_OK);
  EXPECT_EQ(dev->EndScene(), D3D_OK);
  h.Frame();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ExpectPixel(h.At(8 + x, 4 + y), x * 60, y * 60, 200, 0);
  ExpectPixel(h.At(7, 4), 0, 0, 0, 0);
  ExpectPixel(h.At(12, 4), 0, 0, 0, 0);
  ExpectPixel(h.At(8, 3), 0, 0, 0, 0);
  ExpectPixel(h.At(8, 8), 0, 0, 0, 0);
  dev->SetTexture(0, nullptr);
  tex->Release();
}

TEST(Draw, TextureFormatsAndStageOperations) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  FixedScreenStates(dev);
  ScreenVertex v[4];
  ScreenQuad(v, 0, 0, 16, 16, D3DCOLOR_ARGB(255, 128, 255, 64));
  struct Case {
    D3DFORMAT format;
    D3DCOLOR texel;
    int r, g, b;  // expected with MODULATE by the diffuse (128, 255, 64)
  };
  const Case cases[] = {
      {D3DFMT_A8R8G8B8, D3DCOLOR_ARGB(255, 255, 128, 255), 128, 128, 64},
      {D3DFMT_X8R8G8B8, D3DCOLOR_ARGB(0, 255, 128, 255), 128, 128, 64},
      {D3DFMT_R8G8B8, D3DCOLOR_ARGB(0, 255, 128, 255), 128, 128, 64},
      {D3DFMT_L8, 0x80, 64, 128, 32},
      {D3DFMT_A4R4G4B4, D3DCOLOR_ARGB(255, 255, 136, 255), 128, 136, 64},
  };
  for (const Case& c : cases) {
    static D3DCOLOR texel;
    texel = c.texel;
    IDirect3DTexture9* tex = MakeTexture(dev, 2, 2, c.format, [](UINT, UINT) { return texel; });
    dev->SetTexture(0, tex);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
    h.Frame();
    ExpectPixel(h.At(8, 8), c.r, c.g, c.b, 2);
    dev->SetTexture(0, nullptr);
    tex->Release();
  }
  // No texture bound: the stage leaves the diffuse colour.
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
  h.Frame();
  ExpectPixel(h.At(3, 3), 128, 255, 64, 0);
  // SELECTARG2 of the texture factor; ADD of diffuse and factor saturates.
  dev->SetRenderState(D3DRS_TEXTUREFACTOR, D3DCOLOR_ARGB(255, 100, 10, 200));
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
  h.Frame();
  ExpectPixel(h.At(3, 3), 100, 10, 200, 0);
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
  dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
  h.Frame();
  ExpectPixel(h.At(3, 3), 228, 255, 255, 1);
}

// Textures hand back the bytes written to them, whether the layer keeps its
// own copy of a level (formats converted on upload) or reads it back from the
// driver (formats stored as they are); a lock of a rectangle leaves the rest.
TEST(Draw, TextureLocksGiveBackWhatWasWritten) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4,
                               D3DFMT_R3G3B2,   D3DFMT_L8,       D3DFMT_A8,     D3DFMT_R5G6B5,   D3DFMT_DXT1};
  for (const D3DFORMAT f : formats) {
    SCOPED_TRACE(static_cast<int>(f));
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 2, 0, f, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    std::vector<std::vector<uint8_t>> written(2);
    for (UINT level = 0; level < 2; ++level) {
      D3DLOCKED_RECT lr;
      ASSERT_EQ(tex->LockRect(level, &lr, nullptr, 0), D3D_OK);
      D3DSURFACE_DESC desc;
      tex->GetLevelDesc(level, &desc);
      const bool blocks = f == D3DFMT_DXT1;
      const UINT rows = blocks ? (desc.Height + 3) / 4 : desc.Height;
      const UINT rowBytes = blocks ? (desc.Width + 3) / 4 * 8 : desc.Width * (lr.Pitch / desc.Width);
      for (UINT y = 0; y < rows; ++y)
        for (UINT x = 0; x < rowBytes; ++x) {
          const auto b = static_cast<uint8_t>(level * 101 + y * 37 + x * 11 + 5);
          static_cast<uint8_t*>(lr.pBits)[y * lr.Pitch + x] = b;
          written[level].push_back(b);
        }
      ASSERT_EQ(tex->UnlockRect(level), D3D_OK);
    }
    // Level 0 again: a rectangle is rewritten, the rest stays.
    if (f != D3DFMT_DXT1) {
      D3DLOCKED_RECT lr;
      const RECT r = {2, 3, 4, 5};
      ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), D3D_OK);
      const UINT bpp = static_cast<UINT>(written[0].size() / 64);
      for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 2 * bpp; ++x) {
          static_cast<uint8_t*>(lr.pBits)[y * lr.Pitch + x] = 0xA5;
          written[0][(3 + y) * 8 * bpp + 2 * bpp + x] = 0xA5;
        }
      ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    }
    for (UINT level = 0; level < 2; ++level) {
      D3DLOCKED_RECT lr;
      ASSERT_EQ(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
      const size_t rowBytes = written[level].size() / (f == D3DFMT_DXT1 ? (level ? 1 : 2) : (level ? 4 : 8));
      std::vector<uint8_t> back;
      for (size_t y = 0; y * rowBytes < written[level].size(); ++y)
        back.insert(back.end(), static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch,
                    static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + rowBytes);
      EXPECT_EQ(back, written[level]) << "level " << level;
      ASSERT_EQ(tex->UnlockRect(level), D3D_OK);
      std::vector<uint8_t> read;
      ASSERT_TRUE(tex->ReadLevel(level, read));
      EXPECT_EQ(read.size(), written[level].size());
    }
    tex->Release();
  }
}

TEST(Draw, DotProduct3WithKnownNormalAndTempRegister) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  FixedScreenStates(dev);
  // Normal map texel (0, 0, 1) encoded (128, 128, 255); light (0.6, 0, 0.8) as factor.
  IDirect3DTexture9* normal =
      MakeTexture(dev, 2, 2, D3DFMT_X8R8G8B8, [](UINT, UINT) { return D3DCOLOR_XRGB(128, 128, 255); });
  dev->SetTexture(0, normal);
  int lx = static_cast<int>((0.6 * 0.5 + 0.5) * 255 + 0.5), lz = static_cast<int>((0.8 * 0.5 + 0.5) * 255 + 0.5);
  dev->SetRenderState(D3DRS_TEXTUREFACTOR, D3DCOLOR_XRGB(lx, 128, lz));
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3);
  dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
  // Stage 1: diffuse into TEMP; stage 2: CURRENT x TEMP.
  dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  dev->SetTextureStageState(1, D3DTSS_RESULTARG, D3DTA_TEMP);
  dev->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev->SetTextureStageState(2, D3DTSS_COLORARG1, D3DTA_CURRENT);
  dev->SetTextureStageState(2, D3DTSS_COLORARG2, D3DTA_TEMP);
  ScreenVertex v[4];
  ScreenQuad(v, 0, 0, 16, 16, D3DCOLOR_XRGB(255, 128, 255));
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
  h.Frame();
  // 4 x ((lx-128)(0) + 0 + (lz-128)(127)) / 255^2 ~ 0.8
  double n = 4.0 * ((lx / 255.0 - 0.5) * (128 / 255.0 - 0.5) + (lz / 255.0 - 0.5) * (255 / 255.0 - 0.5));
  int expected = static_cast<int>(n * 255 + 0.5);
  ExpectPixel(h.At(8, 8), expected, expected * 128 / 255, expected, 3);
  dev->SetTexture(0, nullptr);
  normal->Release();
}

TEST(Draw, BlendFactorsAndOperations) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  FixedScreenStates(dev);
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  struct Case {
    DWORD src, dst, op;
    int r, g, b;
  };
  // Destination (200, 100, 40); source (100, 200, 0) with alpha 64.
  const Case cases[] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 175, 125, 30},
      {D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, 222, 222, 40},
      {D3DBLEND_SRCCOLOR, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 161, 0, 40},
      {D3DBLEND_INVDESTCOLOR, D3DBLEND_ONE, D3DBLENDOP_ADD, 222, 222, 40},
  };
  for (const Case& c : cases) {
    dev->SetRenderState(D3DRS_SRCBLEND, c.src);
    dev->SetRenderState(D3DRS_DESTBLEND, c.dst);
    dev->SetRenderState(D3DRS_BLENDOP, c.op);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 100, 40), 1.0f, 0);
    ScreenVertex v[4];
    ScreenQuad(v, 0, 0, 16, 16, D3DCOLOR_ARGB(64, 100, 200, 0));
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
    h.Frame();
    ExpectPixel(h.At(5, 5), c.r, c.g, c.b, 2);
  }
  // Alpha test with reference 0 drops fully transparent pixels only.
  dev->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  dev->SetRenderState(D3DRS_ALPHAREF, 0);
  dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
  ScreenVertex a[4], b[4];
  ScreenQuad(a, 0, 0, 8, 16, D3DCOLOR_ARGB(0, 255, 0, 0));
  ScreenQuad(b, 8, 0, 16, 16, D3DCOLOR_ARGB(1, 255, 0, 0));
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, a, sizeof(ScreenVertex));
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, b, sizeof(ScreenVertex));
  h.Frame();
  ExpectPixel(h.At(3, 3), 0, 0, 0, 0);
  ExpectPixel(h.At(12, 3), 255, 0, 0, 0);
}

TEST(Draw, CullingFollowsD3DWindingAndDepthTest) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  // Identity transforms: clip space; clockwise on screen as seen by D3D.
  ColorVertex cw[3] = {{-1, 1, 0.5f, 0xFFFF0000}, {1, 1, 0.5f, 0xFFFF0000}, {-1, -1, 0.5f, 0xFFFF0000}};
  ColorVertex ccw[3] = {cw[0], cw[2], cw[1]};
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(ColorVertex));  // culled by default
  h.Frame();
  ExpectPixel(h.At(2, 2), 0, 0, 0, 0);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
  h.Frame();
  ExpectPixel(h.At(2, 2), 255, 0, 0, 0);  // top-left corner covered (y up in clip space)
  ExpectPixel(h.At(14, 14), 0, 0, 0, 0);
  // Depth: a farther green triangle stays hidden behind the red one.
  ColorVertex far[3] = {{-1, 1, 0.9f, 0xFF00FF00}, {1, 1, 0.9f, 0xFF00FF00}, {-1, -1, 0.9f, 0xFF00FF00}};
  dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, far, sizeof(ColorVertex));
  h.Frame();
  ExpectPixel(h.At(2, 2), 255, 0, 0, 0);
  dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, far, sizeof(ColorVertex));
  h.Frame();
  ExpectPixel(h.At(2, 2), 0, 255, 0, 0);
}

TEST(Draw, BuffersIndexedStripsAndRangeChecks) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(SpriteVertex), D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb, nullptr),
            D3D_OK);
  SpriteVertex* p = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&p), D3DLOCK_DISCARD), D3D_OK);
  p[0] = {-1, 1, 0.5f, 0xFF0000FF, 0, 0};
  p[1] = {1, 1, 0.5f, 0xFF0000FF, 1, 0};
  p[2] = {-1, -1, 0.5f, 0xFF0000FF, 0, 1};
  p[3] = {1, -1, 0.5f, 0xFF0000FF, 1, 1};
  vb->Unlock();
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev->CreateIndexBuffer(6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr), D3D_OK);
  uint16_t* idx = nullptr;
  ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0);
  const uint16_t order[6] = {0, 1, 2, 3, 3, 9};
  std::memcpy(idx, order, sizeof(order));
  ib->Unlock();
  dev->SetFVF(0x142);
  dev->SetStreamSource(0, vb, 0, sizeof(SpriteVertex));
  dev->SetIndices(ib);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2), D3D_OK);
  h.Frame();
  ExpectPixel(h.At(1, 1), 0, 0, 255, 0);
  ExpectPixel(h.At(14, 14), 0, 0, 255, 0);
  // Reaching past the buffers is refused, not drawn.
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 4, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  void* q = nullptr;
  EXPECT_EQ(vb->Lock(8, 200, &q, 0), D3DERR_INVALIDCALL);
  ib->Release();
  vb->Release();
}

TEST(Draw, StateBlockCaptureAndApply) {
  HeadlessDevice h(8, 8);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  IDirect3DStateBlock9* saved = nullptr;
  ASSERT_EQ(dev->EndStateBlock(&saved), D3D_OK);
  DWORD v = 0;
  dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));  // recording does not change the device
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVDESTCOLOR);
  dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);  // not in the block
  ASSERT_EQ(saved->Capture(), D3D_OK);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  dev->SetRenderState(D3DRS_LIGHTING, TRUE);
  ASSERT_EQ(saved->Apply(), D3D_OK);
  dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));
  dev->GetRenderState(D3DRS_SRCBLEND, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_INVDESTCOLOR));
  dev->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
  dev->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, static_cast<DWORD>(TRUE));
  saved->Release();
}

// A vertex program reading the transposed matrix from c2..c5, the colour from c1.
const char* kProgram =
    "void main() {\n"
    "  gl_Position = vec4(dot(vPosition, c[2]), dot(vPosition, c[3]), dot(vPosition, c[4]), dot(vPosition, c[5]));\n"
    "  oD0 = c[1] * vColor;\n"
    "  oT0 = vTexCoord0;\n"
    "}\n";

IDirect3DVertexShader9* MakeShader(IDirect3DDevice9* dev, const char* text) {
  std::vector<DWORD> code(2 + (std::strlen(text) + 4) / 4, 0);
  code[0] = kShaderCodeTag;
  code[1] = static_cast<DWORD>(std::strlen(text));
  std::memcpy(code.data() + 2, text, std::strlen(text));
  IDirect3DVertexShader9* vs = nullptr;
  EXPECT_EQ(dev->CreateVertexShader(code.data(), &vs), D3D_OK);
  return vs;
}

TEST(Draw, VertexProgramWithConstantRegistersAndBatching) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  IDirect3DVertexShader9* vs = MakeShader(dev, kProgram);
  ASSERT_NE(vs, nullptr);
  std::vector<DWORD> bad = {kShaderCodeTag, 9, 0x64696f76, 0x7e78, 0};  // "void x~"
  IDirect3DVertexShader9* broken = nullptr;
  EXPECT_EQ(dev->CreateVertexShader(bad.data(), &broken), D3DERR_INVALIDCALL);
  D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
                              {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                              D3DDECL_END()};
  IDirect3DVertexDeclaration9* vd = nullptr;
  ASSERT_EQ(dev->CreateVertexDeclaration(decl, &vd), D3D_OK);
  IDirect3DVertexBuffer9* vb = nullptr;
  dev->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &vb, nullptr);
  SpriteVertex* p = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&p), 0);
  p[0] = {-0.1f, -0.1f, 0, 0xFFFFFFFF, 0, 0};
  p[1] = {-0.1f, 0.1f, 0, 0xFFFFFFFF, 1, 0};
  p[2] = {0.1f, -0.1f, 0, 0xFFFFFFFF, 0, 1};
  p[3] = {0.1f, 0.1f, 0, 0xFFFFFFFF, 1, 1};
  vb->Unlock();
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetVertexDeclaration(vd);
  dev->SetVertexShader(vs);
  dev->SetStreamSource(0, vb, 0, sizeof(SpriteVertex));
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  // A block of states equal to the current ones, applied between the sprites.
  D3DVIEWPORT9 viewport{};
  dev->GetViewport(&viewport);
  IDirect3DStateBlock9* same = nullptr;
  dev->BeginStateBlock();
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetViewport(&viewport);
  ASSERT_EQ(dev->EndStateBlock(&same), D3D_OK);
  // Three sprites, each with its own translation in the (transposed) matrix and colour.
  const float at[3][2] = {{-0.5f, 0.5f}, {0.5f, 0.5f}, {0.0f, -0.5f}};
  const float color[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  for (int i = 0; i < 3; ++i) {
    float m[16] = {1, 0, 0, at[i][0], 0, 1, 0, at[i][1], 0, 0, 1, 0.5f, 0, 0, 0, 1};
    dev->SetVertexShaderConstantF(2, m, 4);
    dev->SetVertexShaderConstantF(1, color[i], 1);
    D3DMATRIX ignored{};
    dev->SetTransform(D3DTS_WORLD, &ignored);  // does not break the batch
    same->Apply();                             // nor does re-applying unchanged states
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  }
  uint64_t before = dev->GetDrawCallCountForLayer();
  h.Frame();
  EXPECT_EQ(dev->GetDrawCallCountForLayer() - before, 1u);  // one instanced draw for the three
  same->Release();
  ExpectPixel(h.At(8, 8), 255, 0, 0, 0);   // (-0.5, +0.5) -> upper left
  ExpectPixel(h.At(24, 8), 0, 255, 0, 0);  // upper right
  ExpectPixel(h.At(16, 24), 0, 0, 255, 0);
  ExpectPixel(h.At(16, 8), 0, 0, 0, 0);
  // Without batching the same frame comes out the same.
  dev->SetBatchingForLayer(false);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  for (int i = 0; i < 3; ++i) {
    float m[16] = {1, 0, 0, at[i][0], 0, 1, 0, at[i][1], 0, 0, 1, 0.5f, 0, 0, 0, 1};
    dev->SetVertexShaderConstantF(2, m, 4);
    dev->SetVertexShaderConstantF(1, color[i], 1);
    dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  }
  h.Frame();
  ExpectPixel(h.At(8, 8), 255, 0, 0, 0);
  ExpectPixel(h.At(24, 8), 0, 255, 0, 0);
  ExpectPixel(h.At(16, 24), 0, 0, 255, 0);
  dev->SetVertexShader(nullptr);
  dev->SetVertexDeclaration(nullptr);
  dev->SetStreamSource(0, nullptr, 0, 0);
  vb->Release();
  vd->Release();
  vs->Release();
}

// A sprite drawn from a buffer made for it alone and released at once (as
// the survey tiles are): the pending instanced draw must be drawn before the
// buffer's storage goes, not from a deleted buffer.
// A resize makes the vertex programs again: the OpenGL programs built for
// the released ones must go with them (they were kept, and memory grew with
// every resize); drawing with the new one still works.
TEST(Draw, ReleasedVertexProgramsTakeTheirProgramsAlong) {
  HeadlessDevice h(16, 16);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
                              {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                              D3DDECL_END()};
  IDirect3DVertexDeclaration9* vd = nullptr;
  ASSERT_EQ(dev->CreateVertexDeclaration(decl, &vd), D3D_OK);
  const SpriteVertex quad[4] = {{-1, -1, 0, 0xFFFFFFFF, 0, 0}, {-1, 1, 0, 0xFFFFFFFF, 1, 0},
                                {1, -1, 0, 0xFFFFFFFF, 0, 1}, {1, 1, 0, 0xFFFFFFFF, 1, 1}};
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const float green[4] = {0, 1, 0, 1};
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  size_t afterFirst = 0;
  for (int round = 0; round < 30; ++round) {
    IDirect3DVertexShader9* vs = MakeShader(dev, kProgram);
    ASSERT_NE(vs, nullptr);
    dev->SetVertexDeclaration(vd);
    dev->SetVertexShader(vs);
    dev->SetVertexShaderConstantF(1, green, 1);
    dev->SetVertexShaderConstantF(2, identity, 4);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SpriteVertex));
    h.Frame();
    if (round == 29) ExpectPixel(h.At(8, 8), 0, 255, 0, 0);  // the last program still draws
    dev->SetVertexShader(nullptr);
    vs->Release();
    if (round == 0) afterFirst = dev->GetImpl()->programs.size();
  }
  EXPECT_LE(dev->GetImpl()->programs.size(), afterFirst);
  vd->Release();
}

TEST(Draw, BufferReleasedWhileItsBatchedDrawIsPending) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  IDirect3DVertexShader9* vs = MakeShader(dev, kProgram);
  ASSERT_NE(vs, nullptr);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetFVF(0x142);
  dev->SetVertexShader(vs);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  const float at[3][2] = {{-0.5f, 0.5f}, {0.5f, 0.5f}, {0.0f, -0.5f}};
  const float color[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  for (int i = 0; i < 3; ++i) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    SpriteVertex* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&p), 0), D3D_OK);
    p[0] = {-0.1f, -0.1f, 0, 0xFFFFFFFF, 0, 0};
    p[1] = {-0.1f, 0.1f, 0, 0xFFFFFFFF, 1, 0};
    p[2] = {0.1f, -0.1f, 0, 0xFFFFFFFF, 0, 1};
    p[3] = {0.1f, 0.1f, 0, 0xFFFFFFFF, 1, 1};
    vb->Unlock();
    float m[16] = {1, 0, 0, at[i][0], 0, 1, 0, at[i][1], 0, 0, 1, 0.5f, 0, 0, 0, 1};
    dev->SetVertexShaderConstantF(2, m, 4);
    dev->SetVertexShaderConstantF(1, color[i], 1);
    dev->SetStreamSource(0, vb, 0, sizeof(SpriteVertex));
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    dev->SetStreamSource(0, nullptr, 0, 0);
    vb->Release();
  }
  h.Frame();
  ExpectPixel(h.At(8, 8), 255, 0, 0, 0);
  ExpectPixel(h.At(24, 8), 0, 255, 0, 0);
  ExpectPixel(h.At(16, 24), 0, 0, 255, 0);
  ExpectPixel(h.At(16, 8), 0, 0, 0, 0);
  dev->SetVertexShader(nullptr);
  vs->Release();
}

// Vertices already in pixels (XYZRHW, or a declaration with POSITIONT) skip
// vertex processing: a program left bound by an earlier pass, with its
// constants, does not move them. Drawn from a buffer and from memory, one by
// one and merged, followed by a sprite that does run the program.
TEST(Draw, PreTransformedVerticesSkipTheBoundVertexProgram) {
  HeadlessDevice h(32, 32);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* dev = h.device;
  IDirect3DVertexShader9* vs = MakeShader(dev, kProgram);
  ASSERT_NE(vs, nullptr);
  D3DVERTEXELEMENT9 spriteElements[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                        {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
                                        {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                                        D3DDECL_END()};
  D3DVERTEXELEMENT9 screenElements[] = {{0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITIONT, 0},
                                        {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
                                        {0, 20, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                                        D3DDECL_END()};
  IDirect3DVertexDeclaration9 *spriteDecl = nullptr, *screenDecl = nullptr;
  ASSERT_EQ(dev->CreateVertexDeclaration(spriteElements, &spriteDecl), D3D_OK);
  ASSERT_EQ(dev->CreateVertexDeclaration(screenElements, &screenDecl), D3D_OK);
  ScreenVertex quad[4];
  ScreenQuad(quad, 4, 4, 12, 12, 0xFFFF0000);
  IDirect3DVertexBuffer9* screenVb = nullptr;
  ASSERT_EQ(dev->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, kScreenFvf, D3DPOOL_MANAGED, &screenVb, nullptr),
            D3D_OK);
  void* data = nullptr;
  screenVb->Lock(0, 0, &data, 0);
  std::memcpy(data, quad, sizeof quad);
  screenVb->Unlock();
  const SpriteVertex sprite[4] = {{-0.1f, -0.1f, 0, 0xFFFFFFFF, 0, 0},
                                  {-0.1f, 0.1f, 0, 0xFFFFFFFF, 1, 0},
                                  {0.1f, -0.1f, 0, 0xFFFFFFFF, 0, 1},
                                  {0.1f, 0.1f, 0, 0xFFFFFFFF, 1, 1}};
  // A matrix that throws whatever runs through it off the right edge, and a
  // colour that blacks it out.
  const float away[16] = {1, 0, 0, 5.0f, 0, 1, 0, 0, 0, 0, 1, 0.5f, 0, 0, 0, 1};
  const float black[4] = {0, 0, 0, 1};
  // The sprite's own place, lower right, in green.
  const float lowerRight[16] = {1, 0, 0, 0.5f, 0, 1, 0, -0.5f, 0, 0, 1, 0.5f, 0, 0, 0, 1};
  const float green[4] = {0, 1, 0, 1};
  enum class Source { FvfFromMemory, FvfFromBuffer, DeclarationFromBuffer };
  for (Source source : {Source::FvfFromMemory, Source::FvfFromBuffer, Source::DeclarationFromBuffer})
    for (bool batching : {false, true}) {
      SCOPED_TRACE(testing::Message() << "source " << static_cast<int>(source) << (batching ? " batching" : ""));
      dev->SetBatchingForLayer(batching);
      dev->SetRenderState(D3DRS_LIGHTING, FALSE);
      dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
      dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
      dev->SetTexture(0, nullptr);
      dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
      dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
      dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
      dev->SetVertexDeclaration(spriteDecl);
      dev->SetVertexShader(vs);
      dev->SetVertexShaderConstantF(2, away, 4);
      dev->SetVertexShaderConstantF(1, black, 1);
      switch (source) {
        case Source::FvfFromMemory:
          dev->SetFVF(kScreenFvf);
          EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
          break;
        case Source::FvfFromBuffer:
          dev->SetFVF(kScreenFvf);
          dev->SetStreamSource(0, screenVb, 0, sizeof(ScreenVertex));
          EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
          break;
        case Source::DeclarationFromBuffer:
          dev->SetVertexDeclaration(screenDecl);
          dev->SetStreamSource(0, screenVb, 0, sizeof(ScreenVertex));
          EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
          break;
      }
      // The sprite with the program, as the pass goes on.
      dev->SetVertexDeclaration(spriteDecl);
      dev->SetVertexShaderConstantF(2, lowerRight, 4);
      dev->SetVertexShaderConstantF(1, green, 1);
      EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, sprite, sizeof(SpriteVertex)), D3D_OK);
      h.Frame();
      ExpectPixel(h.At(4, 4), 255, 0, 0, 0);
      ExpectPixel(h.At(11, 11), 255, 0, 0, 0);
      ExpectPixel(h.At(12, 12), 0, 0, 0, 0);
      ExpectPixel(h.At(24, 24), 0, 255, 0, 0);
      ExpectPixel(h.At(20, 24), 0, 0, 0, 0);
    }
  dev->SetVertexShader(nullptr);
  dev->SetVertexDeclaration(nullptr);
  dev->SetStreamSource(0, nullptr, 0, 0);
  screenVb->Release();
  spriteDecl->Release();
  screenDecl->Release();
  vs->Release();
}

}  // namespace
