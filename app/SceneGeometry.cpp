// The view's drawers of the shared geometry: spheres (plain, normal-mapped,
// tiled), the marker circle and the sprite quad.
#include <cmath>
#include <cstring>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

namespace {

void SetStage(IDirect3DDevice9* d, DWORD stage, DWORD op, DWORD arg1, DWORD arg2) {
  d->SetTextureStageState(stage, D3DTSS_COLOROP, op);
  d->SetTextureStageState(stage, D3DTSS_COLORARG1, arg1);
  d->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
}

void LinearSampling(IDirect3DDevice9* d, DWORD stage) {
  d->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
}

}  // namespace

void CNuvarine2View::DrawSphere(IDirect3DTexture9* texture, int level) {
  IDirect3DDevice9* d = m_pd3dDevice;
  if (!d) return;
  d->SetFVF(kSphereVertexFvf);
  d->SetTexture(0, texture);
  if (level >= 1 && level <= 5) {
    const SphereBuffers& b = m_sphereBuffers[level - 1];
    const SphereLevel& l = kSphereLevels[level - 1];
    d->SetIndices(b.indexBuffer);
    d->SetStreamSource(0, b.vertexBuffer, 0, sizeof(SphereVertex));
    d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, l.vertices, 0, l.triangles);
  }
  d->SetTexture(0, nullptr);
}

void CNuvarine2View::DrawBumpMappedSphere(IDirect3DTexture9* normalMap, IDirect3DTexture9* texture, int level) {
  IDirect3DDevice9* d = m_pd3dDevice;
  if (!d) return;
  const bool earthReflection = m_reflection && texture == m_bodyTextures[0];
  if (!m_bumpMapping && !earthReflection) {
    DrawSphere(texture, level);
    return;
  }
  TraceCode(kTraceBumpStage1);
  TraceCode(d->SetFVF(kSphereVertexFvf));
  TraceCode(d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xffffffff));
  TraceCode(d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE));
  TraceCode(d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE));
  if (earthReflection) {
    TraceCode(kTraceBumpStage2);
    TraceCode(d->SetTexture(0, normalMap));
    TraceCode(d->SetTexture(1, texture));
    TraceCode(d->SetTexture(2, m_bodyTextures[1]));
    TraceCode(d->SetTexture(3, nullptr));
    TraceCode(d->SetTexture(4, nullptr));
    SetStage(d, 0, D3DTOP_DOTPRODUCT3, D3DTA_TFACTOR, D3DTA_TEXTURE);
    SetStage(d, 1, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
    SetStage(d, 2, D3DTOP_MODULATE, D3DTA_SPECULAR, D3DTA_TEXTURE);
    d->SetTextureStageState(2, D3DTSS_RESULTARG, D3DTA_TEMP);
    SetStage(d, 3, D3DTOP_ADD, D3DTA_CURRENT, D3DTA_TEMP);
    SetStage(d, 4, D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_CURRENT);
    TraceCode(d->SetRenderState(D3DRS_SPECULARENABLE, TRUE));
    for (DWORD s = 0; s < 4; ++s) LinearSampling(d, s);
  } else {
    TraceCode(kTraceBumpStage3);
    TraceCode(d->SetTexture(0, normalMap));
    TraceCode(d->SetTexture(1, texture));
    TraceCode(d->SetTexture(2, texture));
    SetStage(d, 0, D3DTOP_DOTPRODUCT3, D3DTA_TFACTOR, D3DTA_TEXTURE);
    SetStage(d, 1, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
    SetStage(d, 2, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_DIFFUSE);
    LinearSampling(d, 0);
    LinearSampling(d, 1);
  }
  if (level >= 1 && level <= 5) {
    const SphereBuffers& b = m_sphereBuffers[level - 1];
    const SphereLevel& l = kSphereLevels[level - 1];
    const HRESULT r1 = d->SetIndices(b.indexBuffer);
    const HRESULT r2 = d->SetStreamSource(0, b.vertexBuffer, 0, sizeof(SphereVertex));
    const HRESULT r3 = d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, l.vertices, 0, l.triangles);
    if (level == 1) {
      TraceCode(r1);
      TraceCode(r2);
      TraceCode(r3);
    }
  }
  d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  SetStage(d, 0, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
  const DWORD lastStage = earthReflection ? 4 : 2;
  for (DWORD s = 1; s <= lastStage; ++s) SetStage(d, s, D3DTOP_DISABLE, D3DTA_CURRENT, D3DTA_TEXTURE);
  d->SetTextureStageState(2, D3DTSS_RESULTARG, D3DTA_CURRENT);
  for (DWORD s = 0; s <= lastStage; ++s) d->SetTexture(s, nullptr);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

void CNuvarine2View::DrawTiledSphere(D3DXMATRIX world, int body) {
  IDirect3DDevice9* d = m_pd3dDevice;
  if (!d) return;
  d->SetFVF(kSphereVertexFvf);
  const bool earthReflection = body == kBodyEarth && m_reflection;
  if (earthReflection) {
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetTexture(1, m_bodyTextures[1]);
    d->SetTexture(2, nullptr);
    d->SetTexture(3, nullptr);
    SetStage(d, 0, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE);
    LinearSampling(d, 0);
    SetStage(d, 1, D3DTOP_MODULATE, D3DTA_SPECULAR, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_RESULTARG, D3DTA_TEMP);
    LinearSampling(d, 1);
    SetStage(d, 2, D3DTOP_ADD, D3DTA_CURRENT, D3DTA_TEMP);
    LinearSampling(d, 2);
    SetStage(d, 3, D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_CURRENT);
    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  }
  struct Level {
    int columns, rows, rowStride;
    float step;
    const BYTE* visible;
    IDirect3DTexture9* const* textures;
    IDirect3DVertexBuffer9* const* vertexBuffers;
    IDirect3DIndexBuffer9* const* indexBuffers;
    int patchType;
  };
  const float pi = 3.14159265358979f;
  const Level levels[3] = {
      {16, 8, 20, pi / 8, &m_tileVisibleLevel0[0][0], m_tileTexturesLevel0, m_tilePatchVBLevel0, m_tilePatchIBLevel0, 1},
      {32, 16, 40, pi / 16, &m_tileVisibleLevel1[0][0], m_tileTexturesLevel1, m_tilePatchVBLevel1, m_tilePatchIBLevel1,
       2},
      {64, 32, 80, pi / 32, &m_tileVisibleLevel2[0][0], m_tileTexturesLevel2, m_tilePatchVBLevel2, m_tilePatchIBLevel2,
       3}};
  for (const Level& level : levels) {
    const TilePatchShape shape = TilePatchShapeOf(level.patchType);
    for (int c = 0; c < level.columns; ++c)
      for (int k = 0; k < level.rows; ++k) {
        IDirect3DTexture9* texture = level.textures[c + k * level.columns];
        if (!level.visible[k * level.rowStride + c] || !texture) continue;
        d->SetTexture(0, texture);
        D3DXMATRIX turn;
        D3DXMatrixRotationZ(&turn, -static_cast<float>(c) * level.step);
        const D3DXMATRIX m = turn * world;
        d->SetTransform(D3DTS_WORLD, &m);
        d->SetIndices(level.indexBuffers[k]);
        d->SetStreamSource(0, level.vertexBuffers[k], 0, sizeof(SphereVertex));
        d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, shape.vertices, 0, shape.triangles);
      }
  }
  if (earthReflection) {
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    for (DWORD s = 1; s <= 3; ++s) SetStage(d, s, D3DTOP_DISABLE, D3DTA_CURRENT, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_RESULTARG, D3DTA_CURRENT);
    for (DWORD s = 0; s <= 3; ++s) d->SetTexture(s, nullptr);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  }
}

void CNuvarine2View::DrawMarkerCircle(float x, float y, float scale) {
  if (!m_pLine) return;
  const float f = m_fieldOfView;
  const float rp = scale * (7.786710f / f - 0.224507f - (0.266396f + 0.183511f) * f);
  m_markerCirclePoints[1] = D3DXVECTOR2(x + rp, y);
  for (int k = 1; k <= 40; ++k) {
    const float t = static_cast<float>(k) * 3.14159265358979f / 20.0f;
    m_markerCirclePoints[0] = m_markerCirclePoints[1];
    m_markerCirclePoints[1] = D3DXVECTOR2(x + rp * std::cos(t), y + rp * std::sin(t));
    m_pLine->Draw(m_markerCirclePoints, 2, 0xffff0000);
  }
}

void CNuvarine2View::FillSpriteQuad(float red, float green, float blue, float alpha) {
  const D3DCOLOR colour = D3DCOLOR_ARGB(ColourChannelByte(alpha), ColourChannelByte(red), ColourChannelByte(green),
                                        ColourChannelByte(blue));
  static constexpr float kCorners[4][2] = {{-0.01f, -0.01f}, {-0.01f, 0.01f}, {0.01f, -0.01f}, {0.01f, 0.01f}};
  static constexpr float kUv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  static constexpr float kUvInverted[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};
  const auto& uv = m_chartInverted ? kUvInverted : kUv;
  for (int i = 0; i < 4; ++i)
    m_spriteQuadVertices[i] = {kCorners[i][0], kCorners[i][1], 0.0f, colour, uv[i][0], uv[i][1]};
  if (!m_spriteQuadVB) return;
  void* data = nullptr;
  if (SUCCEEDED(m_spriteQuadVB->Lock(0, 0, &data, 0)) && data) {
    std::memcpy(data, m_spriteQuadVertices, sizeof(m_spriteQuadVertices));
    m_spriteQuadVB->Unlock();
  }
}
