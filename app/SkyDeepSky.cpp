// Deep-sky objects: shaded ellipses turned to their position angle, the
// pictures of the picture list in 15 cached slots, the picture being placed,
// and their names.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "AjouterImage.h"
#include "Catalogues.h"
#include "InstallPath.h"
#include "Nuvarine2View.h"
#include "ScreenLabel.h"

namespace {

template <class T>
void ReleaseInterface(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

bool ContainsIgnoringCase(const char* text, size_t size, const char* part) {
  std::string s(text, strnlen(text, size));
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s.find(part) != std::string::npos;
}

}  // namespace

D3DXVECTOR3 CNuvarine2View::DeepSkyScenePoint(double rightAscension, double declination) {
  if (!m_planetariumMode)
    return SkyToScenePoint(false, static_cast<float>(declination), static_cast<float>(rightAscension), 2.01f);
  PrecessFromJ2000(rightAscension, declination);
  double azimuth = 0.0, altitude = 0.0;
  EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, rightAscension, declination);
  return SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.01f);
}

// Screen turn of a position angle at P: the direction of decreasing
// declination (right ascension in solar-system mode) on the screen.
float CNuvarine2View::ScreenPositionAngle(const D3DXVECTOR3& p, const D3DXVECTOR3& q, double positionAngleDegrees) {
  D3DXVECTOR3 sp, sq;
  D3DXVec3TransformCoord(&sp, &p, &m_viewProjectionMatrix);
  D3DXVec3TransformCoord(&sq, &q, &m_viewProjectionMatrix);
  NdcToScreen(sp.x, sp.y);
  NdcToScreen(sq.x, sq.y);
  const double dx = sq.x - sp.x, dy = sq.y - sp.y;
  double a = positionAngleDegrees * kPi / 180.0 - (dx != 0.0 ? std::atan(dy / dx) : (dy >= 0 ? kPi / 2 : -kPi / 2));
  if (dx < 0.0) a += kPi;
  return static_cast<float>(a);
}

void CNuvarine2View::ReleasePictureCache() {
  for (int i = 0; i < kPictureSlots; ++i) {
    m_pictureCacheObjects[i] = -1;
    ReleaseInterface(m_pictureCacheTextures[i]);
  }
}

void CNuvarine2View::DrawPicturePlacementPreview() {
  IDirect3DDevice9* device = m_pd3dDevice;
  AjouterImage* window = m_pAddPictureDialog;
  const int n = m_pictureTargetObject;
  if (!m_planetariumMode || n < 0 || n >= g_deepSkyCount || !window || !g_deepSkyObjects) return;
  window->UpdateData(FALSE);
  const DeepSkyObject& o = g_deepSkyObjects[n];
  const double ra = o.rightAscension + window->m_editRaCorrection * 0.001;
  const double dec = o.declination + window->m_editDecCorrection * 0.001;
  const D3DXVECTOR3 p = DeepSkyScenePoint(ra, dec);
  if (!IsInViewCone(p.x, p.y, p.z, m_fieldOfView) || !m_spriteQuadVB) return;
  FillSpriteQuad(1.0f, 1.0f, 1.0f, 1.0f);
  device->SetFVF(kSpriteVertexFvf);
  device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
  device->SetTexture(0, m_placementPictureTexture);
  const D3DXVECTOR3 q = DeepSkyScenePoint(ra, dec - 0.01);
  const float r = static_cast<float>(NormalizeAngleFloat(static_cast<float>(kPi - ScreenPositionAngle(p, q, o.positionAngle))));
  const float size = o.largeSize * window->m_editScale * 60.0f;
  D3DXMATRIX scale, turn, move;
  D3DXMatrixScaling(&scale, size, size, size);
  D3DXMatrixRotationAxis(&turn, &p, -(r + window->m_editRotation * static_cast<float>(kPi) / 180.0f + static_cast<float>(kPi)));
  D3DXMatrixTranslation(&move, p.x, p.y, p.z);
  const D3DXMATRIX world = m_camera.GetBillboardMatrix() * scale * turn * move;
  device->SetTransform(D3DTS_WORLD, &world);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void CNuvarine2View::DrawDeepSkyObjects() {
  IDirect3DDevice9* device = m_pd3dDevice;
  if (!m_showDeepSkyObjects || m_pictureTargetObject != -1 || !g_deepSkyObjects || !device) return;
  if (!m_discShader || !m_discDeclaration || !m_discVB) return;
  const float f = m_fieldOfView;
  const double w = 2.0 * std::tan(0.3 * f);
  const D3DXMATRIX billboard = m_camera.GetBillboardMatrix();
  const int width = static_cast<int>(m_backBufferWidthPixels), height = static_cast<int>(m_backBufferHeightPixels);
  device->SetVertexDeclaration(m_discDeclaration);
  device->SetVertexShader(m_discShader);

  auto setMatrix = [&](const D3DXMATRIX& world) {
    device->SetTransform(D3DTS_WORLD, &world);
    D3DXMATRIX wvp = world * m_viewProjectionMatrix;
    D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
    device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
  };

  for (int zone = 1; zone <= kZoneCount; ++zone) {
    const int first = zone > 1 ? std::max(g_deepSkyZones[zone - 1].endIndex, 0) : 0;
    const int end = std::min(g_deepSkyZones[zone].endIndex, g_deepSkyCount);
    if (m_planetariumMode && g_deepSkyZones[zone].altitude <= -0.2617994) continue;
    for (int i = first; i < end; ++i) {
      const DeepSkyObject& o = g_deepSkyObjects[i];
      if (m_planetariumMode && o.altitude < 0.0) continue;
      if (o.magnitude > m_deepSkyLimitingMagnitude || o.magnitude > m_deepSkyMagnitudeLimit) continue;
      const D3DXVECTOR3 p0 = m_planetariumMode
                                 ? SkyToScenePoint(true, static_cast<float>(o.altitude), static_cast<float>(o.azimuth), 2.01f)
                                 : SkyToScenePoint(false, o.declination, o.rightAscension, 2.01f);
      if (!IsInViewCone(p0.x, p0.y, p0.z, 1.1f * f)) {
        for (int s = 0; s < kPictureSlots; ++s)
          if (m_pictureCacheObjects[s] == i) {
            m_pictureCacheObjects[s] = -1;
            ReleaseInterface(m_pictureCacheTextures[s]);
          }
        continue;
      }
      const bool openCluster = ContainsIgnoringCase(o.objectType, sizeof o.objectType, "oc");
      if (o.largeSize * 60.0 > w && !openCluster) {
        const DeepSkyPicture* picture = nullptr;
        if (m_showDeepSkyPictures)
          for (int k = 0; k < kDeepSkyPictureLimit && g_deepSkyPictures[k].objectNumber != -1; ++k)
            if (g_deepSkyPictures[k].objectNumber == i) {
              picture = &g_deepSkyPictures[k];
              break;
            }
        if (picture) {
          int slot = -1;
          for (int s = 0; s < kPictureSlots; ++s)
            if (m_pictureCacheObjects[s] == i) slot = s;
          if (slot < 0) {
            slot = kPictureSlots - 1;
            for (int s = 0; s < kPictureSlots - 1; ++s)
              if (m_pictureCacheObjects[s] == -1) {
                slot = s;
                break;
              }
            ReleaseInterface(m_pictureCacheTextures[slot]);
            if (!m_wireframe) {
              // The designed "\textures\CP\" name, matched on this file system.
              const std::string file =
                  ResolveInstallPath(m_installFolder.c_str(), std::string("textures\\CP\\") + picture->fileName.c_str());
              IDirect3DTexture9* texture = nullptr;
              if (SUCCEEDED(D3DXCreateTextureFromFileExA(device, file.c_str(), 0, 0, 1, 0, D3DFMT_R8G8B8,
                                                         D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, 0,
                                                         nullptr, nullptr, &texture)))
                m_pictureCacheTextures[slot] = texture;
            }
            m_pictureCacheObjects[slot] = i;
          }
          device->SetTexture(0, m_pictureCacheTextures[slot]);
          const double ra = o.rightAscension + picture->raOffset * 0.001;
          const double dec = o.declination + picture->decOffset * 0.001;
          const D3DXVECTOR3 p = DeepSkyScenePoint(ra, dec);
          const D3DXVECTOR3 q = m_planetariumMode ? DeepSkyScenePoint(ra, dec - 0.01) : DeepSkyScenePoint(ra - 0.01, dec);
          float a = ScreenPositionAngle(p, q, o.positionAngle);
          if (!m_planetariumMode) a += static_cast<float>(kPi / 2);
          const float r = static_cast<float>(NormalizeAngleFloat(static_cast<float>(kPi) - a));
          const double v = std::min(250.0 / (std::max(static_cast<double>(o.magnitude), 3.0) * f * 10.0), 180.0) / 255.0;
          const float size = picture->scale * o.largeSize * 60.0f;
          D3DXMATRIX turn, move;
          D3DXMatrixRotationAxis(&turn, &p, -(picture->rotation * static_cast<float>(kPi) / 180.0f + r + static_cast<float>(kPi)));
          D3DXMatrixTranslation(&move, p.x, p.y, p.z);
          setMatrix(billboard * turn * move);
          device->SetVertexDeclaration(m_planetDeclaration);
          device->SetVertexShader(m_planetShader);
          device->SetFVF(kSpriteVertexFvf);
          const float c0[4] = {size, 1.0f, 1.0f, 0.0f};
          const float c1[4] = {static_cast<float>(v), static_cast<float>(v), static_cast<float>(v), 0.0f};
          device->SetVertexShaderConstantF(0, c0, 1);
          device->SetVertexShaderConstantF(1, c1, 1);
          device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
          device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
          device->SetVertexDeclaration(m_discDeclaration);
          device->SetVertexShader(m_discShader);
        } else {
          const double g = std::min(250.0 / (o.magnitude * f * 3.0), 70.0);
          if (g > 20.0) {
            const D3DXVECTOR3 q = m_planetariumMode ? DeepSkyScenePoint(o.rightAscension, o.declination - 0.01)
                                                    : DeepSkyScenePoint(o.rightAscension - 0.01, o.declination);
            float a = ScreenPositionAngle(p0, q, o.positionAngle);
            if (!m_planetariumMode) a += static_cast<float>(kPi / 2);
            const float r = static_cast<float>(NormalizeAngleFloat(static_cast<float>(kPi) - a));
            D3DXMATRIX turn, move;
            D3DXMatrixRotationAxis(&turn, &p0, -r);
            D3DXMatrixTranslation(&move, p0.x, p0.y, p0.z);
            setMatrix(billboard * turn * move);
            device->SetFVF(kLineVertexFvf);
            device->SetTexture(0, nullptr);
            const float grey = static_cast<float>(g / 255.0);
            const float c1[4] = {grey, grey, grey, 0.0f};
            const float c0[4] = {o.largeSize, o.smallSize, 0.01f, 0.0f};
            device->SetVertexShaderConstantF(0, c0, 1);
            device->SetVertexShaderConstantF(1, c1, 1);
            device->SetStreamSource(0, m_discVB, 0, sizeof(LineVertex));
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 40);
            const bool galaxy = ContainsIgnoringCase(o.objectType, sizeof o.objectType, "gx") &&
                                !ContainsIgnoringCase(o.objectClass, sizeof o.objectClass, "ir");
            if (galaxy) {
              const float inner[4] = {o.largeSize / 2.0f, o.smallSize / 2.0f, 0.01f, 0.0f};
              device->SetVertexShaderConstantF(0, inner, 1);
              device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 40);
            }
          }
        }
      }
      if (m_showDeepSkyNames && m_screenLabels) {
        const D3DXVECTOR3 p = m_planetariumMode ? DeepSkyScenePoint(o.rightAscension, o.declination) : p0;
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &p, &m_viewProjectionMatrix);
        const float x = (ndc.x + 1.0f) * width / 2.0f, y = (1.0f - ndc.y) * height / 2.0f;
        m_screenLabels->Add(x, y, CString(o.name, strnlen(o.name, sizeof o.name)), kLabelDeepSky);
      }
    }
  }
  device->SetVertexShader(nullptr);
}
