// Texture fonts: glyphs painted once with the GDI-shaped glyph layer,
// strings drawn as quads from a dynamic buffer between two state blocks.
#include "TextureFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Geometry.h"

namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 254;
constexpr unsigned kVerticesPerFlush = 294;  // a draw after every 50 characters
// A font size comes from the settings file: glyph textures stay within this
// side (32 MB), and larger fonts shrink their glyphs as on a device whose
// largest texture is this size.
constexpr UINT kLargestLayout = 4096;

}  // namespace

CTextureFont::CTextureFont(const char* faceName, int points, unsigned flags) {
  if (faceName) {
    std::strncpy(m_faceName, faceName, sizeof(m_faceName) - 1);
    m_faceName[sizeof(m_faceName) - 1] = '\0';
  }
  m_height = points;
  m_flags = flags;
}

CTextureFont::~CTextureFont() { ReleaseAll(); }

HRESULT CTextureFont::CreateGdiFont(HDC dc, HFONT* out) {
  if (!out) return E_FAIL;
  const int dpi = static_cast<int>(static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY)) * m_textScale);
  *out = CreateFontA(-MulDiv(m_height, dpi, 72), 0, 0, 0, (m_flags & kBold) ? FW_BOLD : FW_NORMAL,
                     (m_flags & kItalic) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, m_faceName);
  return *out ? S_OK : E_FAIL;
}

HRESULT CTextureFont::PaintGlyphs(HDC dc, bool measureOnly) {
  SIZE size;
  char text[2] = {'x', '\0'};
  if (!GetTextExtentPoint32A(dc, text, 1, &size)) return E_FAIL;
  m_spacing = static_cast<int32_t>(std::ceil(static_cast<float>(size.cy) * 0.3f));
  LONG x = m_spacing, y = 0;
  for (int c = kFirstChar; c <= kLastChar; ++c) {
    text[0] = static_cast<char>(c);
    if (!GetTextExtentPoint32A(dc, text, 1, &size)) return E_FAIL;
    if (x + size.cx + m_spacing > static_cast<LONG>(m_textureWidth)) {
      x = m_spacing;
      y += size.cy + 1;
    }
    if (y + size.cy > static_cast<LONG>(m_textureHeight)) return D3DERR_MOREDATA;
    if (!measureOnly) {
      ExtTextOutA(dc, x, y, ETO_OPAQUE, nullptr, text, 1, nullptr);
      float* r = m_texCoords[c - kFirstChar];
      r[0] = static_cast<float>(x - m_spacing) / static_cast<float>(m_textureWidth);
      r[1] = static_cast<float>(y) / static_cast<float>(m_textureHeight);
      r[2] = static_cast<float>(x + size.cx + m_spacing) / static_cast<float>(m_textureWidth);
      r[3] = static_cast<float>(y + size.cy) / static_cast<float>(m_textureHeight);
    }
    x += size.cx + 2 * m_spacing;
  }
  return S_OK;
}

HRESULT CTextureFont::CreateGlyphTexture(IDirect3DDevice9* device) {
  m_pd3dDevice = device;
  m_textScale = 1.0f;
  if (!device) return E_FAIL;
  HDC dc = CreateCompatibleDC(nullptr);
  SetMapMode(dc, MM_TEXT);
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  HRESULT hr = CreateGdiFont(dc, &font);
  auto cleanUp = [&] {
    if (bitmap) DeleteObject(bitmap);
    if (font) DeleteObject(font);
    DeleteDC(dc);
  };
  if (FAILED(hr)) {
    cleanUp();
    return hr;
  }
  SelectObject(dc, font);

  m_textureWidth = m_textureHeight = 128;
  while ((hr = PaintGlyphs(dc, true)) == D3DERR_MOREDATA && m_textureWidth < kLargestLayout) {
    m_textureWidth *= 2;
    m_textureHeight *= 2;
  }
  if (FAILED(hr) && hr != D3DERR_MOREDATA) {
    cleanUp();
    return hr;
  }
  D3DCAPS9 caps{};
  device->GetDeviceCaps(&caps);
  if (hr == D3DERR_MOREDATA || (caps.MaxTextureWidth > 0 && m_textureWidth > caps.MaxTextureWidth)) {
    // Shrink the glyphs until they fit the largest texture.
    const UINT fitting = hr == D3DERR_MOREDATA ? 2 * m_textureWidth : m_textureWidth;
    const UINT largest = std::min<UINT>(caps.MaxTextureWidth > 0 ? caps.MaxTextureWidth : kLargestLayout,
                                        std::min(m_textureWidth, kLargestLayout));
    m_textureWidth = m_textureHeight = largest;
    m_textScale = static_cast<float>(largest) / static_cast<float>(fitting);
    for (;;) {
      DeleteObject(font);
      font = nullptr;
      hr = CreateGdiFont(dc, &font);
      if (FAILED(hr)) {
        cleanUp();
        return hr;
      }
      SelectObject(dc, font);
      hr = PaintGlyphs(dc, true);
      if (hr != D3DERR_MOREDATA) break;
      m_textScale *= 0.9f;
    }
    if (FAILED(hr)) {
      cleanUp();
      return hr;
    }
  }

  hr = device->CreateTexture(m_textureWidth, m_textureHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &m_pTexture,
                             nullptr);
  if (FAILED(hr)) {
    cleanUp();
    return hr;
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(m_textureWidth);
  info.bmiHeader.biHeight = -static_cast<LONG>(m_textureHeight);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    cleanUp();
    return E_FAIL;
  }
  SelectObject(dc, bitmap);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkColor(dc, 0x00000000);
  SetTextAlign(dc, TA_TOP);
  hr = PaintGlyphs(dc, false);
  if (FAILED(hr)) {
    cleanUp();
    return hr;
  }

  D3DLOCKED_RECT locked{};
  hr = m_pTexture->LockRect(0, &locked, nullptr, 0);
  if (SUCCEEDED(hr)) {
    const auto* src = static_cast<const uint8_t*>(bits);
    auto* dstRow = static_cast<uint8_t*>(locked.pBits);
    for (UINT y = 0; y < m_textureHeight; ++y, dstRow += locked.Pitch) {
      auto* dst = reinterpret_cast<uint16_t*>(dstRow);
      for (UINT x = 0; x < m_textureWidth; ++x) {
        const uint8_t a = src[(static_cast<size_t>(y) * m_textureWidth + x) * 4] >> 4;  // blue byte
        dst[x] = a ? static_cast<uint16_t>((a << 12) | 0x0fff) : 0;
      }
    }
    m_pTexture->UnlockRect(0);
  }
  cleanUp();
  return hr;
}

HRESULT CTextureFont::CreateDrawResources() {
  IDirect3DDevice9* d = m_pd3dDevice;
  if (!d) return E_FAIL;
  HRESULT hr = d->CreateVertexBuffer(kVertexBufferBytes, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT,
                                     &m_pVB, nullptr);
  if (FAILED(hr)) return hr;

  // Blending only where the render target's format accepts it.
  bool blending = false;
  IDirect3D9* d3d = nullptr;
  if (SUCCEEDED(d->GetDirect3D(&d3d)) && d3d) {
    D3DDEVICE_CREATION_PARAMETERS creation{};
    D3DDISPLAYMODE mode{};
    IDirect3DSurface9* target = nullptr;
    D3DSURFACE_DESC desc{};
    d->GetCreationParameters(&creation);
    d->GetDisplayMode(0, &mode);
    if (SUCCEEDED(d->GetRenderTarget(0, &target)) && target) {
      target->GetDesc(&desc);
      target->Release();
    }
    blending = SUCCEEDED(d3d->CheckDeviceFormat(creation.AdapterOrdinal, creation.DeviceType, mode.Format,
                                                D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_RENDERTARGET,
                                                D3DRTYPE_SURFACE, desc.Format));
    d3d->Release();
  }

  for (IDirect3DStateBlock9** block : {&m_pStateBlockSaved, &m_pStateBlockDrawText}) {
    d->BeginStateBlock();
    d->SetTexture(0, m_pTexture);
    d->SetRenderState(D3DRS_ZENABLE, (m_flags & kDepthTest) ? D3DZB_TRUE : D3DZB_FALSE);
    if (blending) {
      d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
      d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    } else {
      d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0x08);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_CLIPPING, TRUE);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, FALSE);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                                  D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    hr = d->EndStateBlock(block);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CTextureFont::DrawString(float x, float y, D3DCOLOR colour, const char* text, unsigned flags) {
  IDirect3DDevice9* d = m_pd3dDevice;
  if (!d || !m_pVB || !m_pStateBlockSaved || !m_pStateBlockDrawText) return E_FAIL;
  if (!text) text = "";
  m_pStateBlockSaved->Capture();
  m_pStateBlockDrawText->Apply();
  d->SetFVF(kScreenTextVertexFvf);
  d->SetPixelShader(nullptr);
  d->SetStreamSource(0, m_pVB, 0, sizeof(ScreenTextVertex));
  if (flags & kLinearFiltering) {
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  }

  const float texW = static_cast<float>(m_textureWidth), texH = static_cast<float>(m_textureHeight);
  const float spacing = static_cast<float>(m_spacing);
  // The drawn height of a line: the space's glyph at the drawn scale.
  const float lineHeight = (m_texCoords[0][3] - m_texCoords[0][1]) * texH / m_textScale;
  if (flags & (kCentreHorizontally | kCentreVertically)) {
    D3DVIEWPORT9 vp{};
    d->GetViewport(&vp);
    if (flags & kCentreHorizontally) {
      float width = 0.0f;
      for (const char* p = text; *p && *p != '\n'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < kFirstChar || c > kLastChar) continue;
        const float* r = m_texCoords[c - kFirstChar];
        width += (r[2] - r[0]) * texW / m_textScale - 2.0f * spacing;
      }
      x = (static_cast<float>(vp.Width) - width) / 2.0f;
    }
    if (flags & kCentreVertically) y = (static_cast<float>(vp.Height) - lineHeight) / 2.0f;
  }

  // Only the vertices about to be written are locked (a whole-buffer lock
  // would copy all of it to the device for every short label).
  unsigned remaining = 0;
  for (const char* p = text; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    remaining += c > ' ' && c <= kLastChar;
  }
  auto lockBytes = [&remaining] {
    const unsigned characters = std::min(remaining, (kVerticesPerFlush + 6) / 6);
    return characters ? characters * 6 * static_cast<UINT>(sizeof(ScreenTextVertex)) : 0u;
  };
  const float startX = x;
  void* data = nullptr;
  HRESULT hr = m_pVB->Lock(0, lockBytes(), &data, D3DLOCK_DISCARD);
  auto* v = static_cast<ScreenTextVertex*>(data);
  unsigned written = 0;
  for (const char* p = text; SUCCEEDED(hr) && *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\n') {
      x = startX;
      y += lineHeight;
      continue;
    }
    if (c < kFirstChar || c > kLastChar) continue;
    const float* r = m_texCoords[c - kFirstChar];
    const float w = (r[2] - r[0]) * texW / m_textScale;
    const float h = (r[3] - r[1]) * texH / m_textScale;
    if (c != ' ') {
      const float x0 = x - 0.5f, y0 = y - 0.5f, x1 = x + w - 0.5f, y1 = y + h - 0.5f;
      v[written++] = {x0, y1, 0.9f, 1.0f, colour, r[0], r[3]};
      v[written++] = {x0, y0, 0.9f, 1.0f, colour, r[0], r[1]};
      v[written++] = {x1, y1, 0.9f, 1.0f, colour, r[2], r[3]};
      v[written++] = {x1, y0, 0.9f, 1.0f, colour, r[2], r[1]};
      v[written++] = {x1, y1, 0.9f, 1.0f, colour, r[2], r[3]};
      v[written++] = {x0, y0, 0.9f, 1.0f, colour, r[0], r[1]};
      --remaining;
      if (written > kVerticesPerFlush) {
        m_pVB->Unlock();
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, written / 3);
        written = 0;
        hr = m_pVB->Lock(0, lockBytes(), &data, D3DLOCK_DISCARD);
        v = static_cast<ScreenTextVertex*>(data);
      }
    }
    x += w - 2.0f * spacing;
  }
  if (SUCCEEDED(hr)) {
    m_pVB->Unlock();
    if (written > 0) d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, written / 3);
  }
  m_pStateBlockSaved->Apply();
  return S_OK;
}

void CTextureFont::ReleaseDrawResources() {
  if (m_pVB) m_pVB->Release();
  if (m_pStateBlockSaved) m_pStateBlockSaved->Release();
  if (m_pStateBlockDrawText) m_pStateBlockDrawText->Release();
  m_pVB = nullptr;
  m_pStateBlockSaved = m_pStateBlockDrawText = nullptr;
}

void CTextureFont::ReleaseGlyphTexture() {
  if (m_pTexture) m_pTexture->Release();
  m_pTexture = nullptr;
  m_pd3dDevice = nullptr;
}

void CTextureFont::ReleaseAll() {
  ReleaseDrawResources();
  ReleaseGlyphTexture();
}
