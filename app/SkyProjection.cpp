// Sky directions, scene points and pixels: the conventions every sky pass,
// body pass and mouse handler shares; and the Sun-hiding tests.
#include <algorithm>
#include <cmath>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

namespace {
constexpr double kMillionKmToAu = 0.006684587;
constexpr float kTwoPiF = 6.2831855f;
}  // namespace

void CNuvarine2View::SkyToScenePoint(float out[3], bool direct, float latitude, float longitude, float radius) {
  const float c = std::cos(latitude);
  if (direct) {
    out[0] = -c * std::sin(longitude) * radius;
    out[1] = -std::sin(latitude) * radius;
    out[2] = c * std::cos(longitude) * radius;
    return;
  }
  const D3DXVECTOR3 unit(c * std::sin(longitude), c * std::cos(longitude), std::sin(latitude));
  D3DXMATRIX rotation, scaling;
  D3DXMatrixRotationY(&rotation, static_cast<float>(m_obliquity));
  D3DXMatrixScaling(&scaling, radius, radius, radius);
  const D3DXMATRIX m = rotation * scaling;
  D3DXVECTOR3 p;
  D3DXVec3TransformCoord(&p, &unit, &m);
  out[0] = p.x, out[1] = p.y, out[2] = p.z;
}

D3DXVECTOR3 CNuvarine2View::SkyToScenePoint(bool direct, float latitude, float longitude, float radius) {
  D3DXVECTOR3 p;
  SkyToScenePoint(&p.x, direct, latitude, longitude, radius);
  return p;
}

void CNuvarine2View::NdcToScreen(float& x, float& y) const {
  x = (x + 1.0f) * m_backBufferWidth * 0.5f;
  y = (1.0f - y) * m_backBufferHeight * 0.5f;
}

void CNuvarine2View::ScreenToSky(int px, int py, float& latitude, float& longitude) const {
  const D3DXVECTOR3 ndc(static_cast<float>(px) / m_backBufferWidth * 2.0f - 1.0f,
                        -static_cast<float>(py) / m_backBufferHeight * 2.0f + 1.0f, 0.0f);
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &m_viewProjectionMatrix)) D3DXMatrixIdentity(&inverse);
  D3DXVECTOR3 v;
  D3DXVec3TransformCoord(&v, &ndc, &inverse);
  float e = 0.0f;
  if (m_planetariumMode) {
    D3DXVec3Normalize(&v, &v);
    latitude = std::asin(std::clamp(-v.y, -1.0f, 1.0f));
    const float c = std::cos(latitude);
    longitude = std::acos(std::clamp(v.z / c, -1.0f, 1.0f));
    e = std::sin(longitude) + v.x / c;
  } else {
    D3DXMATRIX back;
    D3DXMatrixRotationY(&back, -static_cast<float>(m_obliquity));
    D3DXVec3TransformCoord(&v, &v, &back);
    D3DXVec3Normalize(&v, &v);
    latitude = std::asin(std::clamp(v.z, -1.0f, 1.0f));
    const float c = std::cos(latitude);
    longitude = std::acos(std::clamp(v.y / c, -1.0f, 1.0f));
    e = std::sin(longitude) - v.x / c;
  }
  if (std::fabs(e) > 0.001f) longitude = -longitude;
  longitude = std::fmod(longitude, kTwoPiF);
  if (longitude < 0.0f) longitude += kTwoPiF;
  if (longitude >= kTwoPiF) longitude = 0.0f;
}

void CNuvarine2View::ProjectPointToSky(double x, double y, double z, double& longitude, double& latitude) {
  const D3DXVECTOR3 d(static_cast<float>(x - m_cameraPosition.x), static_cast<float>(y - m_cameraPosition.y),
                      static_cast<float>(z - m_cameraPosition.z));
  D3DXVECTOR3 p;
  D3DXVec3TransformCoord(&p, &d, &m_viewProjectionMatrix);
  float sx = p.x, sy = p.y;
  NdcToScreen(sx, sy);
  // A point on or behind the camera plane projects to huge or undefined
  // values; keep the pixel within a wide band around the screen.
  auto toPixel = [](float v, float extent) {
    const float limit = std::max(extent, 1.0f) * 4.0f;
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(v, -limit, limit));
  };
  float lat = 0.0f, lon = 0.0f;
  ScreenToSky(toPixel(sx, m_backBufferWidth), toPixel(sy, m_backBufferHeight), lat, lon);
  longitude = lon;
  latitude = lat;
}

void CNuvarine2View::ProjectBodyToSky(int body) {
  if (body < 0 || body >= kBodyCount) return;
  BodyState& b = g_bodies[body];
  ProjectPointToSky(b.position.x, b.position.y, b.position.z, b.j2000RightAscension, b.j2000Declination);
}

bool CNuvarine2View::IsInViewCone(float x, float y, float z, float halfAngle) const {
  D3DXVECTOR3 view, toPoint(x - m_camera.m_eye.x, y - m_camera.m_eye.y, z - m_camera.m_eye.z);
  D3DXVec3Normalize(&view, &m_camera.m_viewDirection);
  D3DXVec3Normalize(&toPoint, &toPoint);
  return D3DXVec3Dot(&view, &toPoint) >= std::cos(halfAngle);
}

bool CNuvarine2View::IsInFrontOfCamera(float x, float y, float z) const {
  D3DXVECTOR3 view, toPoint(x - m_camera.m_eye.x, y - m_camera.m_eye.y, z - m_camera.m_eye.z);
  D3DXVec3Normalize(&view, &m_camera.m_viewDirection);
  D3DXVec3Normalize(&toPoint, &toPoint);
  return D3DXVec3Dot(&view, &toPoint) >= 0.0f;
}

bool CNuvarine2View::IsSunVisibleFromCamera() const {
  if (m_planetariumMode && g_bodies[kBodySun].altitude > 0.1) return true;
  const Vector3d& cam = m_cameraPosition;
  const double camLength = std::sqrt(cam.x * cam.x + cam.y * cam.y + cam.z * cam.z);
  const double cameraSunDistance = camLength * kMillionKmToAu;
  D3DXVECTOR3 u(static_cast<float>(-cam.x), static_cast<float>(-cam.y), static_cast<float>(-cam.z));
  D3DXVec3Normalize(&u, &u);
  const D3DXVECTOR3 direction = -u;
  for (int k = 1; k <= 71; ++k) {
    const BodyState& b = g_bodies[k];
    double sunDistance = b.sunDistance;
    if (k == kBodyMoon)
      sunDistance = std::sqrt(b.position.x * b.position.x + b.position.y * b.position.y +
                              b.position.z * b.position.z) * kMillionKmToAu;
    if (!(b.cameraDistance < 0.1 && sunDistance < cameraSunDistance && b.diameter > 0.1)) continue;
    const D3DXVECTOR3 centre(static_cast<float>(b.position.x - cam.x), static_cast<float>(b.position.y - cam.y),
                             static_cast<float>(b.position.z - cam.z));
    if (D3DXSphereBoundProbe(&centre, static_cast<float>(b.diameter * 5e-7), &u, &direction)) return false;
  }
  return !(g_bodies[kBodySun].cameraDistance < 10.0);
}

bool IsBodySunlit(int n) {
  if (n >= 1000 || n == kBodyDeepImpact) return true;
  if (n < 0 || n >= kBodyCount) return true;
  const Vector3d& p = g_bodies[n].position;
  const double s = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) * kMillionKmToAu;
  D3DXVECTOR3 u(static_cast<float>(-p.x), static_cast<float>(-p.y), static_cast<float>(-p.z));
  D3DXVec3Normalize(&u, &u);
  const D3DXVECTOR3 direction = -u;
  for (int k = 1; k <= 71; ++k) {
    if (k == n) continue;
    const BodyState& b = g_bodies[k];
    if (!(b.sunDistance < s && b.diameter > 1.0)) continue;
    const D3DXVECTOR3 centre(static_cast<float>(b.position.x - p.x), static_cast<float>(b.position.y - p.y),
                             static_cast<float>(b.position.z - p.z));
    if (D3DXSphereBoundProbe(&centre, static_cast<float>(b.diameter * 5e-7), &u, &direction)) return false;
  }
  return true;
}
