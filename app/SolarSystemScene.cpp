// The solar system seen from the free camera: the Sun's lights, the bodies
// in view drawn camera-relative from the farthest, each at its true angular
// size with its spin, pole or attitude, its surface, atmosphere, clouds or
// rings, its glow and its name.
#include <algorithm>
#include <cmath>
#include <vector>

#include "BodyDrawTable.h"
#include "D3DFileMesh.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "SolarSystemScene.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"
#include "Trajectory.h"

namespace {


double Wrap(double a) {
  a = std::fmod(a, kTwoPi);
  return a < 0.0 ? a + kTwoPi : a;
}

D3DCOLOR OpaqueArgb(COLORREF c) { return D3DCOLOR_ARGB(255, c & 255, (c >> 8) & 255, (c >> 16) & 255); }

struct ListedObject {
  int number;
  double distance;
};

struct Atmosphere {
  int body;
  float r, g, b, outer, inner;
};
constexpr Atmosphere kAtmospheres[] = {
    {kBodyVenus, 0.953f, 0.933f, 0.859f, 1.012f, 0.987f}, {kBodyEarth, 0.48f, 0.62f, 0.73f, 1.02f, 0.979f},
    {kBodyMars, 0.7f, 0.4f, 0.3f, 1.022f, 0.978f},        {kBodyJupiter, 0.57f, 0.53f, 0.48f, 1.027f, 0.969f},
    {kBodySaturn, 0.57f, 0.53f, 0.48f, 1.068f, 0.886f},   {kBodyUranus, 0.43f, 0.4f, 0.5f, 1.031f, 0.967f},
    {kBodyNeptune, 0.4f, 0.43f, 0.5f, 1.03f, 0.961f},     {kBodyTitan, 0.7f, 0.4f, 0.3f, 1.024f, 0.976f}};

struct Attitude {
  int body, reference;
  D3DXVECTOR3 axis;
  float extra;
};

// Saturn's ring plane turned with the planet's place around the Sun, so that
// the planet's shadow stays where the shadow texture has it; its z axis is
// the planet's pole.
D3DXMATRIX SaturnRingRotation() {
  const BodyState& saturn = g_bodies[kBodySaturn];
  const double ul = std::sqrt(saturn.position.x * saturn.position.x + saturn.position.y * saturn.position.y +
                              saturn.position.z * saturn.position.z);
  double a1 = std::acos(std::clamp(ul > 0 ? saturn.position.x / ul : 1.0, -1.0, 1.0));
  if (saturn.position.y >= 0.0) a1 = -a1;
  D3DXMATRIX rotation;
  D3DXMatrixRotationYawPitchRoll(&rotation, 0.482f, -0.09f, static_cast<float>(1.41 - a1));
  return rotation;
}

// Points squashed by `factor` along the unit axis `pole` through `centre`:
// the halo of a flattened planet then hugs its disc instead of leaving a
// gap of sky at the poles.
D3DXMATRIX FlattenAlong(const D3DXVECTOR3& pole, float factor, const D3DXVECTOR3& centre) {
  const float k = factor - 1.0f;
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  const float p[3] = {pole.x, pole.y, pole.z};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m.m[r][c] += k * p[r] * p[c];
  D3DXMATRIX to, back;
  D3DXMatrixTranslation(&to, -centre.x, -centre.y, -centre.z);
  D3DXMatrixTranslation(&back, centre.x, centre.y, centre.z);
  return to * m * back;
}

}  // namespace

double EarthSpinAngle(double julianDate, double utFraction, double nutationLongitude, double cosObliquity) {
  const double t = (julianDate - 2415020.0) / 36525.0;
  return Wrap(kTwoPi * ((t * 1.075e-6 + 100.0021359) * t + 0.276919398 + utFraction) +
              nutationLongitude * cosObliquity);
}

D3DXMATRIX EarthGlobeOrientation(double julianDate, double utFraction, double nutationLongitude, double cosObliquity,
                                 const float pole[3]) {
  D3DXMATRIX spin, turn;
  D3DXMatrixRotationZ(&spin, -static_cast<float>(EarthSpinAngle(julianDate, utFraction, nutationLongitude, cosObliquity)));
  D3DXMatrixIdentity(&turn);
  if (pole[0] != 0.0f)
    BuildRotationBetweenVectors(&turn, D3DXVECTOR3(pole[0], pole[1], pole[2]), D3DXVECTOR3(0, 0, 1), 0.0f);
  return spin * turn;
}

EarthCloudTurns EarthCloudTurnsAt(bool liveMap, double julianDate, double greenwichSiderealAngle) {
  const double layer = liveMap ? -greenwichSiderealAngle : Wrap(7.0 * julianDate);
  return {layer, liveMap ? layer + 0.004 : Wrap(7.0 * julianDate + 0.004)};
}

double ClampDrawingDistance(double d) {
  if (d >= 1.0) return 1.0 / d;
  // A camera at the very centre of a body has no direction to it: the body
  // is left where it is rather than scaled by an infinite factor.
  if (d < 0.0001) return d > 0.0 ? 0.0001 / d : 1.0;
  return 1.0;
}

int RingHalfDraws(double t, RingDraw out[2]) {
  const int n = static_cast<int>((Wrap(t) / kTwoPi) * 148.0);
  const int k = 2 * n;
  if (k + 148 <= 296) {
    out[0] = {k, 148};
    return 1;
  }
  int count = 0;
  const int first = std::min(k - 148, 296);
  if (first > 0) out[count++] = {0, first};
  const int second = std::min(std::max(296 - k, 0), 296);
  if (second != 0 && k + second <= 496) out[count++] = {k, second};
  return count;
}

void CNuvarine2View::SetSunLight(DWORD index, const D3DXVECTOR3& position, float diffuse, float specular, float range,
                                 float attenuation0, float attenuation1) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {diffuse, diffuse, diffuse, 1.0f};
  light.Specular = {specular, specular, specular, specular};
  light.Position = position;
  light.Range = range;
  light.Attenuation0 = attenuation0;
  light.Attenuation1 = attenuation1;
  const HRESULT r = m_pd3dDevice->SetLight(index, &light);
  if (FAILED(r)) ReportLightFailure("Error SetLight", r);
}

void CNuvarine2View::EnableLight(DWORD index, bool enable) {
  const HRESULT r = m_pd3dDevice->LightEnable(index, enable ? TRUE : FALSE);
  if (FAILED(r)) ReportLightFailure("Error LightEnable", r);
}

void CNuvarine2View::RenderSolarSystem() {
  IDirect3DDevice9* device = m_pd3dDevice;
  if (!device) return;
  const D3DXVECTOR3 sunPosition(static_cast<float>(-m_cameraPosition.x), static_cast<float>(-m_cameraPosition.y),
                                static_cast<float>(-m_cameraPosition.z));
  // 1. Lights.
  SetSunLight(0, sunPosition, 1.0f, 0.3f, 25000000.0f, 0.321f, 0.00016f);
  SetSunLight(1, sunPosition, 0.01f, 0.0f, 25000.0f, 0.321f, 0.00016f);
  SetSunLight(2, sunPosition, 0.5f, 0.0f, 25000.0f, 0.5f, 0.0002f);
  EnableLight(0, true);

  // 2. Objects in view or near the camera.
  const bool trajectory = g_trajectory[0].julianDate != 0.0;
  const float cone = m_fieldOfView * 1.1f;
  std::vector<ListedObject> list;
  const Vector3d& earth = g_bodies[kBodyEarth].position;
  auto relative = [&](const Vector3d& p) {
    return Vector3d{p.x - m_cameraPosition.x, p.y - m_cameraPosition.y, p.z - m_cameraPosition.z};
  };
  auto length = [](const Vector3d& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); };
  for (int n = 0; n < kBodyCount; ++n) {
    const BodyState& b = g_bodies[n];
    if (IsComputedSatellite(n)) {
      if (std::fabs(b.position.x - earth.x) < 0.001 && std::fabs(b.position.y - earth.y) < 0.001 &&
          std::fabs(b.position.z - earth.z) < 0.001)
        continue;
    } else if (b.diameter < 1.0 && !trajectory) {
      continue;
    }
    if (n == kBodyTempel1 && !m_bodyDrawFlags[44]) continue;
    const Vector3d p = relative(b.position);
    const double d = length(p);
    if (IsInViewCone(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), cone) || d < 0.5)
      list.push_back({n, d});
  }
  auto listSmall = [&](bool shown, const int* indices, int count, int records, int base, auto positionOf) {
    if (!shown) return;
    for (int i = 0; i < count && i < kMaxDisplayedObjects; ++i) {
      const int index = indices[i];
      if (index < 0 || index >= records) continue;
      const Vector3d p = relative(positionOf(index));
      const double d = length(p);
      if (IsInViewCone(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), cone) ||
          d < 0.5 || d < 0.1)
        list.push_back({base + index, d});
    }
  };
  if (g_asteroids)
    listSmall(m_showAsteroids, g_displayedAsteroidIndices, g_displayedAsteroidCount, g_asteroidCount, 1000,
              [](int i) { return g_asteroids[i].position; });
  if (g_comets)
    listSmall(m_showComets, g_displayedCometIndices, g_displayedCometCount, g_cometCount, 2000,
              [](int i) { return g_comets[i].position; });
  for (size_t i = 0; i + 1 < list.size(); ++i)
    for (size_t j = i + 1; j < list.size(); ++j)
      if (list[j].distance > list[i].distance) std::swap(list[i], list[j]);

  // 3. Each object, farthest first.
  for (const ListedObject& object : list) {
    const int n = object.number;
    const bool isBody = n < 1000;
    Vector3d position;
    double radius, cameraDistance, magnitude, apparentDiameter;
    COLORREF colour;
    if (n >= 2000) {
      const CometRecord& c = g_comets[n - 2000];
      position = c.position, radius = c.displaySize * 5e-7, cameraDistance = c.cameraDistance;
      magnitude = c.magnitude, apparentDiameter = c.apparentDiameter, colour = m_cometNameColor;
    } else if (n >= 1000) {
      const AsteroidRecord& a = g_asteroids[n - 1000];
      position = a.position, radius = a.displaySize * 5e-7, cameraDistance = a.cameraDistance;
      magnitude = a.magnitude, apparentDiameter = a.apparentDiameter, colour = m_asteroidNameColor;
    } else {
      const BodyState& b = g_bodies[n];
      position = b.position, radius = b.diameter * 5e-7, cameraDistance = b.cameraDistance;
      magnitude = b.magnitude, apparentDiameter = b.apparentDiameter;
      colour = b.diameter >= 0.1 ? m_planetNameColor : m_probeNameColor;
    }
    // b. Radii.
    double flattening = 0.0;
    if (n == kBodyJupiter) flattening = 0.062;
    if (n == kBodySaturn) flattening = 0.096;
    if (n == kBodyNeptune) flattening = 0.02;
    double polar = radius * (1.0 - flattening);
    // c. The distance clamp: far objects at distance 1, very near ones at 0.0001.
    Vector3d p = relative(position);
    const double d = length(p);
    const double scale = ClampDrawingDistance(d);
    p = {p.x * scale, p.y * scale, p.z * scale};
    radius *= scale;
    polar *= scale;
    const D3DXVECTOR3 drawing(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
    // d-g. Spin, pole or attitude, world.
    D3DXMATRIX world, spin, scaling, translation, turn;
    D3DXMatrixScaling(&scaling, static_cast<float>(radius), static_cast<float>(radius), static_cast<float>(polar));
    D3DXMatrixTranslation(&translation, drawing.x, drawing.y, drawing.z);
    D3DXMatrixIdentity(&spin);
    D3DXMatrixIdentity(&turn);
    if (isBody) {
      const BodyState& b = g_bodies[n];
      if (n == kBodyEarth) {
        spin = EarthGlobeOrientation(m_julianDate, m_utFraction, m_nutationLongitude, m_cosObliquity,
                                     g_bodyPoles[kBodyEarth]);
      } else if (b.diameter <= 1.0) {
        D3DXMatrixRotationY(&spin, -static_cast<float>(b.rotationAngle));
      } else {
        const double k = n == kBodyMars ? 2.41 : n == kBodyMoon ? -0.08 : 0.0;
        D3DXMatrixRotationZ(&spin, static_cast<float>(k - b.rotationAngle));
      }
      if (n != kBodyEarth && g_bodyPoles[n][0] != 0.0f)
        BuildRotationBetweenVectors(&turn, D3DXVECTOR3(g_bodyPoles[n][0], g_bodyPoles[n][1], g_bodyPoles[n][2]),
                                    D3DXVECTOR3(0, 0, 1), 0.0f);
      const BodyDrawResource res = BodyDrawResourceOf(n);
      if (res.mesh >= 0 && res.flag >= 0 && m_bodyDrawFlags[static_cast<size_t>(res.flag)]) {
        const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
        int reference = kBodyEarth;
        D3DXVECTOR3 axis = y;
        float extra = 0.0f;
        const float pi = static_cast<float>(kPi);
        switch (n) {
          case kBodyHubble: axis = x, extra = 2.5f; break;
          case kBodyIss: axis = z; break;
          case kBodyVoyager1: case kBodyVoyager2: case kBodyCassini: case kBodyPionner10: case kBodyNewHorizons:
            extra = pi;
            break;
          case kBodySpirit: reference = kBodyMars; break;
          case kBodyRosetta: axis = z; break;
          case kBodyDeepImpact: axis = z, reference = kBodyTempel1; break;
          case kBodyHuygens:
            if (m_julianDate >= 2453374.535465081)
              reference = kBodyTitan;
            else
              reference = kBodyCassini, extra = pi;
            break;
          default:
            if (n >= kBodyNoaa10 && n <= kBodyNoaa18) axis = x, extra = 2.5f;
            break;
        }
        // Tempel 1 keeps its spin and pole only: its nucleus has no
        // partner to face.
        if (n != kBodyTempel1) {
          const Vector3d& r = g_bodies[reference].position;
          const D3DXVECTOR3 direction(static_cast<float>(b.position.x - r.x), static_cast<float>(b.position.y - r.y),
                                      static_cast<float>(b.position.z - r.z));
          D3DXMATRIX attitude;
          BuildRotationBetweenVectors(&attitude, direction, axis, extra);
          turn = turn * attitude;
        }
      }
    }
    world = scaling * spin * turn * translation;
    device->SetTransform(D3DTS_WORLD, &world);
    // h. Detail level from the angular size.
    const double sizeKm = isBody ? g_bodies[n].diameter : radius / std::max(scale, 1e-30) / 5e-7;
    const int level = SphereLevelOf(std::atan(sizeKm / std::max(cameraDistance * 1e6, 1e-30)));
    // i. Sunlight or shadow.
    if (n != kBodySun) EnableLight(0, IsBodySunlit(n));
    // j. The surface.
    DrawSolarSystemObject(n, world, drawing, static_cast<float>(radius), static_cast<float>(polar), level,
                          cameraDistance);
    // k. The glow.
    const bool knownBrightness = !isBody || (n != kBodyMoon && g_bodies[n].absoluteMagnitude != 100.0);
    if (knownBrightness && m_lensShader && m_lensDeclaration && m_spriteQuadVB) {
      double m = std::max(magnitude, 0.5);
      if (n > 10) m = std::max(m, 3.0);
      double s = D3DXVec3Length(&drawing) * m_starSizeScale * std::pow(1.5, -m);
      double f = 1.0 - 100.0 * apparentDiameter;
      if (n == kBodySun) {
        s = 150.0 / std::sqrt(std::max(g_bodies[kBodySun].cameraDistance, 1e-30));
        f = 5.0 - 50.0 * apparentDiameter;
      }
      f = std::min(f, 1.0);
      IDirect3DTexture9* texture = n == kBodySun ? m_haloTexture : m_starPictureTexture;
      if (f > 0.1 && s > 0.0 && texture) {
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetFVF(kSpriteVertexFvf);
        device->SetVertexDeclaration(m_lensDeclaration);
        device->SetVertexShader(m_lensShader);
        D3DXMATRIX glow = m_camera.GetBillboardMatrix() * translation;
        const D3DXMATRIX wvp = glow * m_viewProjectionMatrix;
        D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
        device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
        const float c1[4] = {1, 1, 1, static_cast<float>(f)};
        device->SetVertexShaderConstantF(1, c1, 1);
        device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
        const float c0[4] = {static_cast<float>(s), 1, 1, 0};
        device->SetVertexShaderConstantF(0, c0, 1);
        device->SetTexture(0, texture);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        if (n == kBodySun && m_starSpriteTexture) {
          const float c0b[4] = {static_cast<float>(s * 0.5882353), 1, 1, 0};
          device->SetVertexShaderConstantF(0, c0b, 1);
          device->SetTexture(0, m_starSpriteTexture);
          device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }
        device->SetTexture(0, nullptr);
        device->SetVertexShader(nullptr);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      }
    }
    // l. The name.
    if (!IsInViewCone(drawing.x, drawing.y, drawing.z, cone)) continue;
    CTextureFont* font = nullptr;
    CString label;
    if (n >= 2000) {
      if (m_showPlanetNames) font = m_labelFonts[7], label = g_comets[n - 2000].name;
    } else if (n >= 1000) {
      if (m_showPlanetNames) font = m_labelFonts[8], label = g_asteroids[n - 1000].name;
    } else {
      const BodyState& b = g_bodies[n];
      label = g_bodyNames[n];
      if (n >= 10 && n != kBodySedna && b.cameraDistance > 30.0) label.clear();
      if (b.diameter < 0.1) {
        if (m_showSatelliteNames) font = m_labelFonts[11];
      } else if (m_showPlanetNames) {
        font = m_labelFonts[0];
      }
    }
    if (font && !label.empty()) {
      D3DXVECTOR3 projected;
      D3DXVec3TransformCoord(&projected, &drawing, &m_viewProjectionMatrix);
      font->DrawString((projected.x + 1.0f) * m_backBufferWidth / 2.0f, (1.0f - projected.y) * m_backBufferHeight / 2.0f,
                       OpaqueArgb(colour), label.c_str(), 0);
    }
  }
  EnableLight(0, true);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetVertexShader(nullptr);
}

void CNuvarine2View::DrawSolarSystemObject(int n, const D3DXMATRIX& world, const D3DXVECTOR3& drawing, float radius,
                                           float polar, int level, double cameraDistance) {
  IDirect3DDevice9* device = m_pd3dDevice;
  const D3DXVECTOR3 sunVector(static_cast<float>(-m_cameraPosition.x), static_cast<float>(-m_cameraPosition.y),
                              static_cast<float>(-m_cameraPosition.z));
  // 1. The atmosphere halo: its vertices are built relative to the eye, so
  // it is drawn under the identity world, squashed along the pole for a
  // flattened planet.
  if (n < 1000 && m_showAtmospheres)
    for (const Atmosphere& a : kAtmospheres)
      if (a.body == n) {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        D3DXMATRIX haloWorld;
        D3DXMatrixIdentity(&haloWorld);
        if (polar < radius && radius > 0.0f) {
          D3DXVECTOR3 pole;
          if (n == kBodySaturn) {
            const D3DXMATRIX r = SaturnRingRotation();
            pole = D3DXVECTOR3(r._31, r._32, r._33);
          } else {
            pole = D3DXVECTOR3(world._31, world._32, world._33);
          }
          if (D3DXVec3Length(&pole) > 0.0f) {
            D3DXVec3Normalize(&pole, &pole);
            haloWorld = FlattenAlong(pole, polar / radius, drawing);
          }
        }
        device->SetTransform(D3DTS_WORLD, &haloWorld);
        DrawAtmosphereHalo(device, drawing, radius, a.inner, a.outer, sunVector, D3DXCOLOR(a.r, a.g, a.b, 1.0f),
                           D3DXCOLOR(m_skyColorValue.r, m_skyColorValue.g, m_skyColorValue.b, 1.0f), true);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
        device->SetTransform(D3DTS_WORLD, &world);
      }
  // 2. Only near objects are drawn.
  const bool near = n < 1000 ? (n == kBodySun || cameraDistance < 30.0) : cameraDistance < 1.0;
  if (!near) return;
  if (n >= 1000) {
    if (m_bodyDrawFlags[42] && m_meshes[10]) {
      m_meshes[10]->DrawSubsets(device, true, true);
      device->SetMaterial(m_pMaterial);
    }
    return;
  }
  const BodyDrawResource res = BodyDrawResourceOf(n);
  if (res.flag < 0 || !m_bodyDrawFlags[static_cast<size_t>(res.flag)]) return;
  IDirect3DTexture9** t = m_bodyTextures;
  switch (n) {
    case kBodySun:
      device->SetRenderState(D3DRS_LIGHTING, FALSE);
      DrawSphere(t[3], level);
      device->SetRenderState(D3DRS_LIGHTING, TRUE);
      break;
    case kBodyMercury: DrawBumpMappedSphere(t[33], t[4], level); break;
    // Mars's first-level tiles are streamed like the Earth's and the Moon's,
    // but its close-up stays the bump-mapped sphere: the tiles are never drawn.
    case kBodyMars: DrawBumpMappedSphere(t[31], t[6], level); break;
    case kBodyPluto: DrawBumpMappedSphere(t[34], t[11], level); break;
    case kBodyEarth:
      DrawBumpMappedSphere(t[32], t[0], level);
      if (m_textureLevel == 4) DrawTiledSphere(world, kBodyEarth);
      if (m_showAtmospheres) DrawEarthClouds(drawing, radius);
      break;
    case kBodyMoon:
      DrawBumpMappedSphere(t[30], t[12], level);
      if (m_textureLevel == 4) DrawTiledSphere(world, kBodyMoon);
      break;
    case kBodySaturn: DrawSaturn(drawing, radius, polar, level); break;
    default:
      if (res.mesh >= 0) {
        if (m_meshes[res.mesh]) {
          if (n == kBodyTempel1) device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
          m_meshes[res.mesh]->DrawSubsets(device, true, true);
          if (n == kBodyTempel1) device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
          // A mesh's last material would tint every later sphere.
          device->SetMaterial(m_pMaterial);
        }
      } else if (res.texture >= 0) {
        DrawSphere(t[res.texture], level);
      }
      break;
  }
}

void CNuvarine2View::DrawEarthClouds(const D3DXVECTOR3& drawing, float radius) {
  IDirect3DDevice9* device = m_pd3dDevice;
  IDirect3DTexture9* clouds = m_bodyTextures[2];
  D3DXMATRIX pole;
  D3DXMatrixIdentity(&pole);
  if (g_bodyPoles[kBodyEarth][0] != 0.0f)
    BuildRotationBetweenVectors(&pole, D3DXVECTOR3(g_bodyPoles[kBodyEarth][0], g_bodyPoles[kBodyEarth][1],
                                                   g_bodyPoles[kBodyEarth][2]),
                                D3DXVECTOR3(0, 0, 1), 0.0f);
  const bool liveMap = m_earthCloudsAreLiveMap;
  const EarthCloudTurns turns =
      EarthCloudTurnsAt(liveMap, m_julianDate, LocalSiderealTime(m_julianDate, m_utFraction, 0.0));
  auto layer = [&](double angle, float scale) {
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, static_cast<float>(angle));
    const D3DXMATRIX w =
        turn * pole * BuildScaleTranslationMatrix(radius * scale, drawing.x, drawing.y, drawing.z);
    device->SetTransform(D3DTS_WORLD, &w);
  };
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  if (m_cloudShadows && clouds) {
    EnableLight(0, false);
    if (liveMap) {
      EnableLight(2, true);
      layer(turns.shadow, 1.0005f);
      device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT);
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
      DrawSphere(clouds, 1);
      device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    } else {
      EnableLight(1, true);
      layer(turns.shadow, 1.0005f);
      DrawSphere(clouds, 1);
    }
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  EnableLight(0, true);
  EnableLight(1, false);
  EnableLight(2, false);
  if (clouds) {
    if (liveMap) {
      layer(turns.layer, 1.001f);
      device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    } else {
      layer(turns.layer, 1.001f);
    }
    DrawSphere(clouds, 1);
  }
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
}

void CNuvarine2View::DrawSaturn(const D3DXVECTOR3& drawing, float radius, float polar, int level) {
  IDirect3DDevice9* device = m_pd3dDevice;
  const BodyState& saturn = g_bodies[kBodySaturn];
  // a. The ring plane and the camera's angle around it.
  const double ul = std::sqrt(saturn.position.x * saturn.position.x + saturn.position.y * saturn.position.y +
                              saturn.position.z * saturn.position.z);
  double a1 = std::acos(std::clamp(ul > 0 ? saturn.position.x / ul : 1.0, -1.0, 1.0));
  if (saturn.position.y >= 0.0) a1 = -a1;
  const D3DXMATRIX rotation = SaturnRingRotation();
  D3DXMATRIX base, scaling, translation;
  D3DXMatrixScaling(&scaling, radius, radius, polar);
  D3DXMatrixTranslation(&translation, drawing.x, drawing.y, drawing.z);
  base = scaling * rotation * translation;
  double vx = saturn.position.x - m_cameraPosition.x, vy = saturn.position.y - m_cameraPosition.y;
  const double vl = std::sqrt(vx * vx + vy * vy);
  if (vl > 0) vx /= vl, vy /= vl;
  double a2 = std::acos(std::clamp(vl > 0 ? vy : 1.0, -1.0, 1.0));
  if (vx >= 0.0) a2 = -a2;
  const double t = Wrap(a2 + a1 - 1.41);

  const bool rings = m_ringShader && m_ringDeclaration && m_ringVB && m_saturnRingTexture;
  D3DXMATRIX ringScale, turnY;
  D3DXMatrixScaling(&ringScale, 2.27f, 2.27f, 2.27f);
  D3DXMatrixRotationY(&turnY, static_cast<float>(kPi));
  // The ring program's registers: the camera's and Saturn's directions from
  // the Sun and the ring plane's normal, which tell the face turned from
  // the Sun.
  // The program reads only c5 - c7, the camera's offset from Saturn in units
  // of Saturn's distance from the Sun: it is taken from the positions
  // themselves, because the difference of the two unit directions loses the
  // offset along the line of sight (a camera straight between the Sun and
  // Saturn would see the lit face at random).
  D3DXVECTOR3 planet(static_cast<float>(saturn.position.x), static_cast<float>(saturn.position.y),
                     static_cast<float>(saturn.position.z));
  D3DXVec3Normalize(&planet, &planet);
  const double su = ul > 0.0 ? 1.0 / ul : 0.0;
  const D3DXVECTOR3 camera(planet.x + static_cast<float>((m_cameraPosition.x - saturn.position.x) * su),
                           planet.y + static_cast<float>((m_cameraPosition.y - saturn.position.y) * su),
                           planet.z + static_cast<float>((m_cameraPosition.z - saturn.position.z) * su));
  D3DXVECTOR3 normal(rotation._31, rotation._32, rotation._33);
  auto half = [&](const D3DXMATRIX& world, double angle) {
    const D3DXMATRIX wvp = world * m_viewProjectionMatrix;
    D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
    device->SetVertexShaderConstantF(1, &m_shaderMatrix._11, 4);
    RingDraw draws[2];
    const int count = RingHalfDraws(angle, draws);
    for (int i = 0; i < count; ++i) device->DrawPrimitive(D3DPT_TRIANGLESTRIP, draws[i].start, draws[i].triangles);
  };
  auto ringStates = [&](bool on) {
    if (on) {
      device->SetRenderState(D3DRS_LIGHTING, FALSE);
      device->SetFVF(kRingVertexFvf);
      device->SetVertexDeclaration(m_ringDeclaration);
      device->SetVertexShader(m_ringShader);
      device->SetStreamSource(0, m_ringVB, 0, sizeof(RingVertex));
      device->SetTexture(0, m_saturnRingTexture);
      device->SetTexture(1, m_ringShadowTexture);
      device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_CURRENT);
      device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
      device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
      device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
      device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
      const float c0[4] = {0.5f, 0.5f, 0.5f, 0.0f};
      const float c5[4] = {camera.x, camera.y, camera.z, 0.0f};
      const float c6[4] = {normal.x, normal.y, normal.z, 0.0f};
      const float c7[4] = {planet.x, planet.y, planet.z, 0.0f};
      device->SetVertexShaderConstantF(0, c0, 1);
      device->SetVertexShaderConstantF(5, c5, 1);
      device->SetVertexShaderConstantF(6, c6, 1);
      device->SetVertexShaderConstantF(7, c7, 1);
    } else {
      device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
      device->SetTexture(1, nullptr);
      device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
      device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
      device->SetVertexShader(nullptr);
      device->SetRenderState(D3DRS_LIGHTING, TRUE);
    }
  };
  const D3DXMATRIX ringWorld = ringScale * base;
  const D3DXMATRIX backWorld = turnY * ringWorld;
  // b. The far half of the rings, both faces.
  if (rings) {
    ringStates(true);
    half(ringWorld, t);
    half(backWorld, Wrap(-t));
    ringStates(false);
  }
  // c. The planet.
  device->SetTransform(D3DTS_WORLD, &base);
  DrawSphere(m_bodyTextures[8], level);
  // d. The near half.
  if (rings) {
    ringStates(true);
    half(ringWorld, Wrap(t + kPi));
    half(backWorld, Wrap(kPi - t));
    ringStates(false);
  }
}
