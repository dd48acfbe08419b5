// Fixed geometry of the scene and the small matrix helpers.
#include "Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr D3DCOLOR kWhite = 0xffffffff;
constexpr D3DCOLOR kSphereSpecular = 0xff555555;

template <class Vertex>
HRESULT FillVertexBuffer(IDirect3DDevice9* device, DWORD fvf, UINT capacity, const std::vector<Vertex>& vertices,
                         IDirect3DVertexBuffer9** out) {
  if (!device || !out) return E_FAIL;
  *out = nullptr;
  if (FAILED(device->CreateVertexBuffer(capacity * sizeof(Vertex), D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT, out,
                                        nullptr)))
    return E_FAIL;
  void* data = nullptr;
  if (FAILED((*out)->Lock(0, 0, &data, 0)) || !data) return E_FAIL;
  std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
  (*out)->Unlock();
  return S_OK;
}

HRESULT FillIndexBuffer(IDirect3DDevice9* device, const std::vector<uint16_t>& indices, IDirect3DIndexBuffer9** out) {
  if (!device || !out) return E_FAIL;
  *out = nullptr;
  if (FAILED(device->CreateIndexBuffer(static_cast<UINT>(indices.size() * sizeof(uint16_t)), D3DUSAGE_WRITEONLY,
                                       D3DFMT_INDEX16, D3DPOOL_DEFAULT, out, nullptr)))
    return E_FAIL;
  void* data = nullptr;
  if (FAILED((*out)->Lock(0, 0, &data, 0)) || !data) return E_FAIL;
  std::memcpy(data, indices.data(), indices.size() * sizeof(uint16_t));
  (*out)->Unlock();
  return S_OK;
}

SphereVertex MakeSphereVertex(float x, float y, float z, float u, float v) {
  return {x, y, z, x, y, z, kWhite, kSphereSpecular, u, v, u, v, u, v};
}

// Strip indices of a grid of (rows + 1) x (columns + 1) vertices.
std::vector<uint16_t> GridStripIndices(int rows, int columns) {
  std::vector<uint16_t> indices;
  indices.reserve(static_cast<size_t>(2 * rows * (columns + 1)));
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j <= columns; ++j) {
      indices.push_back(static_cast<uint16_t>(i * (columns + 1) + j));
      indices.push_back(static_cast<uint16_t>((i + 1) * (columns + 1) + j));
    }
  return indices;
}

}  // namespace

TilePatchShape TilePatchShapeOf(int patchType) {
  switch (patchType) {
    case 2: return {8, 4, 1.0003f, 45, 78};
    case 3: return {4, 2, 1.0006f, 15, 22};
    default: return {16, 8, 1.0001f, 153, 286};
  }
}

HRESULT CreateRingVertexBuffer(IDirect3DDevice9* device, IDirect3DVertexBuffer9** out, float innerRadius) {
  std::vector<RingVertex> v;
  v.reserve(298);
  for (int i = 0; i <= 148; ++i) {
    const float t = static_cast<float>(i) * 2.0f * kPi / 148.0f;
    const float c = std::cos(t), s = std::sin(t);
    const float u1 = (c + 1.0f) * 0.5f;
    v.push_back({c, s, 0, c, s, 0, 0x0fafafaf, 0.0f, 0.0f, u1, s > 0 ? 0.0f : 0.5f});
    const float x = c * innerRadius, y = s * innerRadius;
    v.push_back({x, y, 0, x, y, 0, 0x0fafafaf, 0.1f, 1.0f, u1, s > 0 ? 0.5f : 1.0f});
  }
  return FillVertexBuffer(device, kRingVertexFvf, 298, v, out);
}

HRESULT CreateEllipseVertexBuffer(IDirect3DDevice9* device, D3DCOLOR colour, IDirect3DVertexBuffer9** out,
                                  float radiusX, float radiusY) {
  std::vector<LineVertex> v;
  v.reserve(42);
  for (int i = 0; i <= 20; ++i) {
    const float t = static_cast<float>(i) * kPi / 10.0f;
    v.push_back({radiusX * std::cos(t), radiusY * std::sin(t), 0, colour});
    v.push_back({0, 0, 0, colour});
  }
  return FillVertexBuffer(device, kLineVertexFvf, 42, v, out);
}

HRESULT CreateTubeVertexBuffer(IDirect3DDevice9* device, D3DCOLOR bottomColour, IDirect3DVertexBuffer9** out,
                               int segments, D3DCOLOR topColour) {
  if (segments < 1) return E_FAIL;
  std::vector<SpriteVertex> v;
  v.reserve(static_cast<size_t>(2 * (segments + 1)));
  for (int i = 0; i <= segments; ++i) {
    const float t = static_cast<float>(i) * 2.0f * kPi / static_cast<float>(segments);
    const float u = static_cast<float>(i) / static_cast<float>(segments);
    const float c = std::cos(t), s = std::sin(t);
    v.push_back({c, s, -0.3f, bottomColour, u, 0.99f});
    v.push_back({c, s, 0.3f, topColour, u, 0.01f});
  }
  return FillVertexBuffer(device, kSpriteVertexFvf, static_cast<UINT>(v.size()), v, out);
}

HRESULT CreateDomeVertexBuffer(IDirect3DDevice9* device, D3DCOLOR colour, IDirect3DVertexBuffer9** out, int bands,
                               int segments) {
  if (bands < 1 || segments < 1) return E_FAIL;
  const float dp = kPi / (2.0f * static_cast<float>(bands));
  const float dl = 2.0f * kPi / static_cast<float>(segments);
  std::vector<SpriteVertex> v;
  const size_t capacity = static_cast<size_t>(2 * (bands + 1) * segments);
  const size_t written = static_cast<size_t>(2 * bands * (segments + 1));
  v.reserve(std::max(capacity, written));
  for (int k = bands; k >= 1; --k) {
    const float p1 = static_cast<float>(k) * dp, p2 = static_cast<float>(k - 1) * dp;
    for (int j = 0; j <= segments; ++j) {
      const float l = static_cast<float>(j) * dl;
      const float u = static_cast<float>(j) / static_cast<float>(segments);
      v.push_back({std::sin(l) * std::sin(p1), -std::cos(l) * std::sin(p1), std::cos(p1), colour, u,
                   static_cast<float>(k) / static_cast<float>(bands)});
      v.push_back({std::sin(l) * std::sin(p2), -std::cos(l) * std::sin(p2), std::cos(p2), colour, u,
                   static_cast<float>(k - 1) / static_cast<float>(bands)});
    }
  }
  // The buffer is sized as designed but never smaller than what is written.
  const UINT size = static_cast<UINT>(std::max(capacity, written));
  v.resize(size, SpriteVertex{});
  return FillVertexBuffer(device, kSpriteVertexFvf, size, v, out);
}

HRESULT CreateSphereBuffers(IDirect3DDevice9* device, IDirect3DVertexBuffer9** outVertices,
                            IDirect3DIndexBuffer9** outIndices, int rings, int segments) {
  if (rings < 1 || segments < 1 || (rings + 1) * (segments + 1) > 65536) return E_FAIL;
  std::vector<SphereVertex> v;
  v.reserve(static_cast<size_t>((rings + 1) * (segments + 1)));
  for (int i = 0; i <= rings; ++i) {
    const float p = static_cast<float>(i) * kPi / static_cast<float>(rings);
    const float tv = static_cast<float>(i) / static_cast<float>(rings);
    for (int j = 0; j <= segments; ++j) {
      const float l = static_cast<float>(j) * 2.0f * kPi / static_cast<float>(segments);
      v.push_back(MakeSphereVertex(std::sin(l) * std::sin(p), -std::cos(l) * std::sin(p), std::cos(p),
                                   -static_cast<float>(j) / static_cast<float>(segments), tv));
    }
  }
  HRESULT hr = FillVertexBuffer(device, kSphereVertexFvf, static_cast<UINT>(v.size()), v, outVertices);
  if (FAILED(hr)) return hr;
  return FillIndexBuffer(device, GridStripIndices(rings, segments), outIndices);
}

HRESULT CreateTilePatchBuffers(int patchType, IDirect3DDevice9* device, IDirect3DVertexBuffer9** outVertices,
                               IDirect3DIndexBuffer9** outIndices, int row) {
  const TilePatchShape shape = TilePatchShapeOf(patchType);
  const int nx = shape.polarSteps, ny = shape.azimuthSteps;
  const float r = shape.radius;
  std::vector<SphereVertex> v;
  v.reserve(shape.vertices);
  for (int i = 0; i <= nx; ++i) {
    const float a = static_cast<float>(row * nx + i) * kPi / 128.0f;
    float tv = static_cast<float>(i) / static_cast<float>(nx);
    if (tv == 0.0f) tv = 0.001f;
    if (tv == 1.0f) tv = 0.999f;
    for (int j = 0; j <= ny; ++j) {
      const float b = static_cast<float>(j) * kPi / 64.0f;
      float tu = -static_cast<float>(j) / static_cast<float>(ny);
      if (tu == 0.0f) tu = -0.002f;
      v.push_back(MakeSphereVertex(r * std::sin(a) * std::sin(b), -r * std::sin(a) * std::cos(b), r * std::cos(a),
                                   tu, tv));
    }
  }
  HRESULT hr = FillVertexBuffer(device, kSphereVertexFvf, static_cast<UINT>(v.size()), v, outVertices);
  if (FAILED(hr)) return hr;
  return FillIndexBuffer(device, GridStripIndices(nx, ny), outIndices);
}

void DrawAtmosphereHalo(IDirect3DDevice9* device, const D3DXVECTOR3& centre, float radius, float innerFactor,
                        float outerFactor, const D3DXVECTOR3& sunVector, const D3DXCOLOR& innerColour,
                        const D3DXCOLOR& outerColour, bool terminatorTint) {
  if (!device || outerFactor == 0.0f) return;
  float d = D3DXVec3Length(&centre);
  if (d == 0.0f) d = 1e-30f;
  const D3DXVECTOR3 n = centre * (1.0f / d);
  const D3DXVECTOR3 limbCentre = centre - n * (radius * radius / d);
  const float limbRadius = radius * std::sqrt(std::max(0.0f, d * d - radius * radius)) / d;
  // The axis along which n is smallest gives the first perpendicular.
  D3DXVECTOR3 axis(1, 0, 0);
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (ay < ax && ay <= az) axis = D3DXVECTOR3(0, 1, 0);
  else if (az < ax && az < ay) axis = D3DXVECTOR3(0, 0, 1);
  D3DXVECTOR3 e1, e2;
  D3DXVec3Cross(&e1, &n, &axis);
  D3DXVec3Normalize(&e1, &e1);
  D3DXVec3Cross(&e2, &e1, &n);

  IDirect3DVertexBuffer9* buffer = nullptr;
  if (FAILED(device->CreateVertexBuffer(450 * sizeof(SphereVertex), D3DUSAGE_WRITEONLY, kSphereVertexFvf,
                                        D3DPOOL_DEFAULT, &buffer, nullptr)))
    return;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) {
    buffer->Release();
    return;
  }
  auto* out = static_cast<SphereVertex*>(data);
  auto pack = [](float a, float r, float g, float b) {
    return D3DCOLOR_ARGB(ColourChannelByte(a), ColourChannelByte(r), ColourChannelByte(g), ColourChannelByte(b));
  };
  for (int i = 0; i <= 90; ++i) {
    const float t = static_cast<float>(i) * 4.0f * kPi / 180.0f;
    const D3DXVECTOR3 q = limbCentre + (e1 * std::cos(t) + e2 * std::sin(t)) * limbRadius;
    const D3DXVECTOR3 normal = (q - centre) * (1.0f / radius);
    const float s = D3DXVec3Dot(&sunVector, &normal) * 0.017453292f;
    float k = 1.0f;
    D3DXCOLOR inner = innerColour, outer = outerColour;
    if (terminatorTint && s < 0.23f) {
      if (s >= -0.06f) {
        const float w = (s - 0.06f) * 1.5f;
        k = w + 0.5f;
        for (D3DXCOLOR* c : {&inner, &outer}) {
          c->r = (c->r - 1.0f) * w + 1.0f;
          c->g = (c->g - 0.3f) * w + 0.3f;
          c->b = c->b * w;
        }
      } else {
        k = 0.1f;
      }
    }
    // The band hugs the limb: its edges lie at fo x fi and fo radii from the
    // centre. (Offsets of fo scene units from the limb would put the halo a
    // whole unit away from a body whose radius is a tiny fraction of one.)
    const D3DXVECTOR3 pi = centre + normal * (radius * outerFactor * innerFactor);
    const D3DXVECTOR3 po = centre + normal * (radius * outerFactor);
    out[2 * i] = {pi.x, pi.y, pi.z, pi.x, pi.y, pi.z, pack(k * 0.99f, inner.r * k, inner.g * k, inner.b * k), 0,
                  0, 0, 0, 0, 0, 0};
    out[2 * i + 1] = {po.x, po.y, po.z, po.x, po.y, po.z, pack(k * 0.1f, outer.r * k, outer.g * k, outer.b * k), 0,
                      0, 0, 0, 0, 0, 0};
  }
  buffer->Unlock();
  device->SetFVF(kSphereVertexFvf);
  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, buffer, 0, sizeof(SphereVertex));
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 180);
  device->SetStreamSource(0, nullptr, 0, 0);
  buffer->Release();
}

D3DXMATRIX* BuildRotationBetweenVectors(D3DXMATRIX* out, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                                        float extraAngle) {
  D3DXVECTOR3 a;
  D3DXVec3Normalize(&a, &from);
  D3DXVECTOR3 axis;
  D3DXVec3Cross(&axis, &a, &to);
  float dot = D3DXVec3Dot(&a, &to);
  dot = dot < -1.0f ? -1.0f : (dot > 1.0f ? 1.0f : dot);
  const float angle = std::acos(dot) + extraAngle;
  if (D3DXVec3Length(&axis) < 1e-6f) {
    // Parallel or opposite: any axis perpendicular to `from` turns it by the angle.
    const D3DXVECTOR3 helper = std::fabs(a.x) < 0.9f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
    D3DXVec3Cross(&axis, &a, &helper);
    if (D3DXVec3Length(&axis) < 1e-6f) axis = D3DXVECTOR3(0, 0, 1);  // `from` is zero
  }
  D3DXVec3Normalize(&axis, &axis);
  D3DXMATRIX rotation;
  D3DXMatrixRotationAxis(&rotation, &axis, angle);
  if (!D3DXMatrixInverse(out, nullptr, &rotation)) D3DXMatrixIdentity(out);
  return out;
}

D3DXMATRIX BuildScaleTranslationMatrix(float s, float x, float y, float z) {
  D3DXMATRIX scale, translation;
  D3DXMatrixScaling(&scale, s, s, s);
  D3DXMatrixTranslation(&translation, x, y, z);
  return scale * translation;
}

D3DXCOLOR UnpackColorRef(DWORD c) {
  constexpr float k = 0.003921569f;
  return D3DXCOLOR(static_cast<float>(c & 0xff) * k, static_cast<float>((c >> 8) & 0xff) * k,
                   static_cast<float>((c >> 16) & 0xff) * k, 1.0f);
}
