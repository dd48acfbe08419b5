// Screen-space line drawing with its own states, restored at End.
#include <cstring>

#include "d3dx9.h"

ID3DXLine::ID3DXLine(IDirect3DDevice9* device) : m_device(device) { m_device->AddRef(); }

ID3DXLine::~ID3DXLine() {
  if (m_saved) m_saved->Release();
  m_device->Release();
}

HRESULT D3DXCreateLine(IDirect3DDevice9* device, ID3DXLine** line) {
  if (!device || !line) return D3DERR_INVALIDCALL;
  *line = new ID3DXLine(device);
  return D3D_OK;
}

HRESULT ID3DXLine::GetDevice(IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  *device = m_device;
  return D3D_OK;
}

HRESULT ID3DXLine::Begin() {
  if (m_inside) return D3DERR_INVALIDCALL;
  if (m_saved) m_saved->Release();
  m_saved = nullptr;
  HRESULT hr = m_device->CreateStateBlock(D3DSBT_ALL, &m_saved);
  if (FAILED(hr)) return hr;
  IDirect3DDevice9* d = m_device;
  d->SetVertexShader(nullptr);
  d->SetPixelShader(nullptr);
  d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  d->SetTexture(0, nullptr);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  m_inside = true;
  return D3D_OK;
}

HRESULT ID3DXLine::End() {
  if (!m_inside) return D3DERR_INVALIDCALL;
  m_inside = false;
  HRESULT hr = m_saved ? m_saved->Apply() : D3D_OK;
  if (m_saved) m_saved->Release();
  m_saved = nullptr;
  return hr;
}

HRESULT ID3DXLine::DrawScreen(const std::vector<float>& v, D3DCOLOR color) {
  struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
  };
  std::vector<Vertex> vertices;
  vertices.reserve(v.size() / 4);
  for (size_t i = 0; i + 3 < v.size(); i += 4) vertices.push_back({v[i], v[i + 1], v[i + 2], v[i + 3], color});
  if (vertices.size() < 2) return D3D_OK;
  bool implicit = !m_inside;
  if (implicit) Begin();
  // Text drawn between Begin and End (a texture font) leaves its own vertex
  // format behind; the line's is set again for every draw.
  m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  HRESULT hr = m_device->DrawPrimitiveUP(D3DPT_LINELIST, static_cast<UINT>(vertices.size() / 2), vertices.data(),
                                         sizeof(Vertex));
  if (implicit) End();
  return hr;
}

HRESULT ID3DXLine::Draw(const D3DXVECTOR2* vertices, DWORD count, D3DCOLOR color) {
  if (!vertices) return D3DERR_INVALIDCALL;
  std::vector<float> v;
  for (DWORD i = 0; i + 1 < count; ++i) {
    const float seg[8] = {vertices[i].x, vertices[i].y, 0, 1, vertices[i + 1].x, vertices[i + 1].y, 0, 1};
    v.insert(v.end(), seg, seg + 8);
  }
  return DrawScreen(v, color);
}

HRESULT ID3DXLine::DrawTransform(const D3DXVECTOR3* vertices, DWORD count, const D3DXMATRIX* transform,
                                 D3DCOLOR color) {
  if (!vertices || !transform) return D3DERR_INVALIDCALL;
  D3DVIEWPORT9 vp;
  m_device->GetViewport(&vp);
  constexpr float kNear = 1e-6f;
  std::vector<float> v;
  for (DWORD i = 0; i + 1 < count; ++i) {
    D3DXVECTOR4 a, b;
    D3DXVec3Transform(&a, &vertices[i], transform);
    D3DXVec3Transform(&b, &vertices[i + 1], transform);
    // Clip the segment to the front of the eye (z >= 0 in clip space).
    if (a.z < 0 && b.z < 0) continue;
    if (a.z < 0 || b.z < 0) {
      float t = a.z / (a.z - b.z);
      D3DXVECTOR4 c(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, 0, a.w + (b.w - a.w) * t);
      (a.z < 0 ? a : b) = c;
    }
    if (a.w <= kNear || b.w <= kNear) continue;
    for (const D3DXVECTOR4* p : {&a, &b}) {
      float sx = (p->x / p->w + 1) * 0.5f * vp.Width + vp.X;
      float sy = (1 - p->y / p->w) * 0.5f * vp.Height + vp.Y;
      const float out[4] = {sx, sy, p->z / p->w, 1.0f / p->w};
      v.insert(v.end(), out, out + 4);
    }
  }
  return DrawScreen(v, color);
}
