// The Milky Way band: a textured tube whose centre line the world matrix lays
// on the galactic equator, brighter the darker the sky.
#include <cmath>

#include "Nuvarine2View.h"

namespace {

D3DXMATRIX operator*(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX out;
  D3DXMatrixMultiply(&out, &a, &b);
  return out;
}

}  // namespace

D3DXMATRIX CNuvarine2View::MilkyWayWorldMatrix() {
  D3DXMATRIX scale, tilt, latitude;
  D3DXMatrixScaling(&scale, 1.2f, 1.2f, 1.524f);
  if (!m_planetariumMode) {
    D3DXMatrixRotationYawPitchRoll(&tilt, 0.0f, 1.05f, 0.11f);
    return scale * tilt;
  }
  D3DXMatrixRotationYawPitchRoll(&tilt, 1.35f, 0.47f, -3.46f);
  D3DXMatrixRotationYawPitchRoll(&latitude, 0.0f, static_cast<float>(m_observerLatitude - kPi / 4.0), 0.0f);
  // The sky turns about the celestial pole with the sidereal time, and the
  // equinox slowly about the ecliptic pole (precession).
  auto horizontalPoint = [this](double rightAscension, double declination) {
    double azimuth = 0.0, altitude = 0.0;
    EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, rightAscension, declination);
    D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.01f);
    D3DXVec3Normalize(&p, &p);
    return p;
  };
  const D3DXVECTOR3 celestialPole = horizontalPoint(kPi, 1.570778874);
  const D3DXVECTOR3 eclipticPole = horizontalPoint(4.71238898, 1.161516617);
  D3DXMATRIX daily, precession;
  D3DXMatrixRotationAxis(&daily, &celestialPole, static_cast<float>(m_localSiderealTime + 1.56));
  D3DXMatrixRotationAxis(&precession, &eclipticPole,
                         static_cast<float>((m_julianDate - 2451544.5) * -6.67550146718247e-7));
  return scale * tilt * latitude * daily * precession;
}

void CNuvarine2View::DrawMilkyWay() {
  IDirect3DDevice9* device = m_pd3dDevice;
  if (!device || !m_tubeVB || !m_tubeShader || !m_tubeDeclaration) return;
  const D3DXMATRIX world = MilkyWayWorldMatrix();
  const double k = std::pow(1.0 - (m_skyColorValue.b + 0.0392), 30.0) * m_milkyWayLuminosity;
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
  device->SetVertexDeclaration(m_tubeDeclaration);
  device->SetVertexShader(m_tubeShader);
  device->SetStreamSource(0, m_tubeVB, 0, sizeof(SpriteVertex));
  device->SetTexture(0, m_milkyWayTexture);
  device->SetFVF(kSpriteVertexFvf);
  D3DXMATRIX wvp;
  D3DXMatrixMultiply(&wvp, &world, &m_viewProjectionMatrix);
  D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
  device->SetVertexShaderConstantF(1, &m_shaderMatrix._11, 4);
  const float brightness[4] = {static_cast<float>(k), static_cast<float>(k), static_cast<float>(k), 0.0f};
  device->SetVertexShaderConstantF(0, brightness, 1);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 60);
  device->SetVertexShader(nullptr);
}
