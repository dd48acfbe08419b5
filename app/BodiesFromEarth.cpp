// The bodies seen by the observer on Earth (planetarium mode): a glow sized
// by the magnitude, then the lit textured sphere or mesh of the body at its
// true apparent size and orientation, Saturn's rings, the Moon by day, and
// the names. The scene is centred on the eye.
#include <algorithm>
#include <cmath>
#include <vector>

#include "BodyDrawTable.h"
#include "D3DFileMesh.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"
#include "Trajectory.h"

namespace {

constexpr double kAuInMillionKm = 149.597870691;

// Scene point of an azimuth and altitude at distance k.
D3DXVECTOR3 HorizontalPoint(double azimuth, double altitude, double k) {
  return D3DXVECTOR3(static_cast<float>(-k * std::sin(azimuth) * std::cos(altitude)),
                     static_cast<float>(-k * std::sin(altitude)),
                     static_cast<float>(k * std::cos(azimuth) * std::cos(altitude)));
}

D3DCOLOR OpaqueArgb(COLORREF c) { return D3DCOLOR_ARGB(255, c & 255, (c >> 8) & 255, (c >> 16) & 255); }

float Clamp01(double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); }

D3DLIGHT9 PointLight(const D3DXVECTOR3& position, D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient, float range,
                     float attenuation0, float attenuation1) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = diffuse;
  light.Specular = {0.3f, 0.3f, 0.3f, 0.3f};
  light.Ambient = ambient;
  light.Position = position;
  light.Range = range;
  light.Attenuation0 = attenuation0;
  light.Attenuation1 = attenuation1;
  return light;
}

struct ListedObject {
  int number;  // body, 1000 + asteroid record, 2000 + comet record
  double distance;
};

// Exchange sort by decreasing distance (the farthest drawn first).
void SortFarthestFirst(std::vector<ListedObject>& list) {
  for (size_t i = 0; i + 1 < list.size(); ++i)
    for (size_t j = i + 1; j < list.size(); ++j)
      if (list[j].distance > list[i].distance) std::swap(list[i], list[j]);
}

}  // namespace

void CNuvarine2View::RenderBodiesFromEarth(D3DCOLOR skyColour) {
  IDirect3DDevice9* device = m_pd3dDevice;
  if (!device) return;
  const D3DXMATRIX billboard = m_camera.GetBillboardMatrix();
  const BodyState& sun = g_bodies[kBodySun];
  const D3DXVECTOR3 sunDirection = HorizontalPoint(sun.azimuth, sun.altitude, 1.0);

  // 1. The Sun's light.
  D3DLIGHT9 light = PointLight(D3DXVECTOR3(0, 0, 0), {1, 1, 1, 1}, {0, 0, 0, 0}, 100.0f, 0.08f, 0.0001f);
  HRESULT r = device->SetLight(0, &light);
  if (FAILED(r)) ReportLightFailure("Error SetLight", r);
  r = device->LightEnable(0, TRUE);
  if (FAILED(r)) ReportLightFailure("Error LightEnable", r);

  // 2. The objects in the field.
  const bool trajectory = g_trajectory[0].julianDate != 0.0;
  const float cone = m_fieldOfView * 1.1f + 0.1f;
  std::vector<ListedObject> list;
  const Vector3d& earth = g_bodies[kBodyEarth].position;
  for (int n = 0; n < kBodyCount; ++n) {
    if (n == kBodyEarth) continue;
    const BodyState& b = g_bodies[n];
    // Probes have a place only from a loaded trajectory. Earth satellites are
    // placed from their two-line elements whether or not one is loaded (and
    // their menu commands empty the trajectory table before showing them),
    // so they are kept, as in the solar system, once their place is computed.
    if (b.diameter < 1.0 && !trajectory && !IsComputedSatellite(n)) continue;
    if (IsComputedSatellite(n) && b.azimuth == 0.0 && b.altitude == 0.0) continue;
    if (n == kBodyTempel1 && !m_bodyDrawFlags[44]) continue;
    const D3DXVECTOR3 p = HorizontalPoint(b.azimuth, b.altitude, 0.0001);
    if (!IsInViewCone(p.x, p.y, p.z, cone)) continue;
    const double dx = b.position.x - earth.x, dy = b.position.y - earth.y, dz = b.position.z - earth.z;
    list.push_back({n, std::sqrt(dx * dx + dy * dy + dz * dz)});
  }
  // Displayed comets and asteroids down to the user's magnitude limit of each kind.
  auto listSmallBodies = [&](bool shown, double magnitudeLimit, const int* indices, int count, int records, int base,
                             auto recordOf) {
    if (!shown) return;
    for (int i = 0; i < count && i < kMaxDisplayedObjects; ++i) {
      const int index = indices[i];
      if (index < 0 || index >= records) continue;
      const auto& o = recordOf(index);
      if (!(o.magnitude <= magnitudeLimit)) continue;
      const D3DXVECTOR3 p = HorizontalPoint(o.azimuth, o.altitude, 0.0001);
      if (IsInViewCone(p.x, p.y, p.z, cone)) list.push_back({base + index, o.earthDistance * kAuInMillionKm});
    }
  };
  if (g_asteroids)
    listSmallBodies(m_showAsteroids, m_asteroidMagnitudeLimit, g_displayedAsteroidIndices, g_displayedAsteroidCount,
                    g_asteroidCount, 1000, [](int i) -> const AsteroidRecord& { return g_asteroids[i]; });
  if (g_comets)
    listSmallBodies(m_showComets, m_cometMagnitudeLimit, g_displayedCometIndices, g_displayedCometCount,
                    g_cometCount, 2000, [](int i) -> const CometRecord& { return g_comets[i]; });
  SortFarthestFirst(list);

  // 3-4. Each object, farthest first.
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  const float skyBlue = m_skyColorValue.b;
  for (const ListedObject& object : list) {
    const int n = object.number;
    light = PointLight(D3DXVECTOR3(0, 0, 0), {1, 1, 1, 1}, {0, 0, 0, 0}, 100.0f, 0.08f, 0.0001f);
    double azimuth, altitude, magnitude;
    if (n >= 2000) {
      const CometRecord& c = g_comets[n - 2000];
      azimuth = c.azimuth, altitude = c.altitude, magnitude = c.magnitude;
    } else if (n >= 1000) {
      const AsteroidRecord& a = g_asteroids[n - 1000];
      azimuth = a.azimuth, altitude = a.altitude, magnitude = a.magnitude;
    } else {
      azimuth = g_bodies[n].azimuth, altitude = g_bodies[n].altitude, magnitude = g_bodies[n].magnitude;
    }
    const double d0 = n == kBodyMoon ? 0.001 : 0.01;
    const D3DXVECTOR3 position = HorizontalPoint(azimuth, altitude, d0);

    // b. The glow.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    double s = std::pow(1.45, -std::max(magnitude, 0.0)) * m_starSizeScale * 0.063;
    if (n == kBodySun) {
      s = m_naturalSkyColor ? 0.41 : 0.315;
      if (m_moonSunSeparation < 0.1f && sun.altitude > 0.0 && m_moonSunSeparation > 0.0f)
        s -= 0.025 / m_moonSunSeparation;
      if (m_showCloudySky) s *= 2.0 / 3.0;
      s = std::max(s, 0.0);
    }
    const double a = std::max(0.0, (255.0 - 10.0 / m_fieldOfView) / 255.0);
    IDirect3DTexture9* glowTexture = n == kBodySun ? m_haloTexture : m_starPictureTexture;
    if (m_planetShader && m_planetDeclaration && m_spriteQuadVB && glowTexture && s > 0.0) {
      const double sunK = (std::min(std::max(sun.altitude, 0.0), 0.2) * 3.0 + 0.4) * 1.12;
      const double k = n == kBodySun ? sunK : 1.0;
      const D3DXMATRIX world = billboard * BuildScaleTranslationMatrix(static_cast<float>(s), position.x, position.y,
                                                                       position.z);
      const D3DXMATRIX wvp = world * m_viewProjectionMatrix;
      D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
      device->SetRenderState(D3DRS_LIGHTING, FALSE);
      device->SetTexture(0, glowTexture);
      device->SetFVF(kSpriteVertexFvf);
      device->SetVertexDeclaration(m_planetDeclaration);
      device->SetVertexShader(m_planetShader);
      device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
      float c0[4] = {static_cast<float>(k * s), 1, 1, 0};
      float c1[4] = {static_cast<float>(a), static_cast<float>(a), static_cast<float>(a), 0};
      if (n == kBodySun && m_naturalSkyColor) {
        c1[0] = Clamp01((k + 0.3) * (a - 0.45));
        c1[1] = c1[2] = Clamp01(k * (a - 0.45));
      }
      device->SetVertexShaderConstantF(0, c0, 1);
      device->SetVertexShaderConstantF(1, c1, 1);
      device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
      device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
      device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
      if (n == kBodySun && m_naturalSkyColor) {
        const float wide[4] = {static_cast<float>((std::max(sun.altitude + 0.1, 0.0) * 4.0 + 5.0) * s), 1, 1, 0};
        const float tint[4] = {Clamp01(a - 0.6), Clamp01(a - 0.8), Clamp01(a - 0.8), 0};
        device->SetVertexShaderConstantF(0, wide, 1);
        device->SetVertexShaderConstantF(1, tint, 1);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
      }
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      device->SetRenderState(D3DRS_LIGHTING, TRUE);
      device->SetVertexShader(nullptr);
    }

    if (n < 1000) {
      const BodyState& b = g_bodies[n];
      // c. The sphere's radius at the drawing distance.
      const double earthDistance = std::max(b.earthDistance, 1e-12);
      double radius = d0 * b.diameter * 5e-7 / (earthDistance * kAuInMillionKm);
      if (n == kBodySun) {
        const double t = 0.2 - std::min(std::max(sun.altitude, 0.0), 0.2);
        radius *= m_sunScaleFactor * (1.0 + t);
        light.Diffuse = {1, 0, 0, 1};
        light.Ambient = {1, static_cast<float>(1.0 - 2.4 * t), static_cast<float>(1.0 - 2.0 * t), 1};
        light.Attenuation0 = 1.0f;
        light.Attenuation1 = 0.0f;
      } else if (n == kBodyMoon) {
        radius *= m_moonScaleFactor * (1.0 + 0.3 - std::min(std::max(b.altitude, 0.0), 0.3));
      }
      // d. Orientation: the model's x axis onto the body's east on the sky,
      // then the body's own pole and spin.
      double az1, alt1, az0, alt0;
      EquatorialToHorizontal(az1, alt1, m_localSiderealTime, b.rightAscension + 0.01, b.declination);
      EquatorialToHorizontal(az0, alt0, m_localSiderealTime, b.rightAscension, b.declination);
      D3DXVECTOR3 east = HorizontalPoint(az1, alt1, 1.0) - HorizontalPoint(az0, alt0, 1.0);
      D3DXVec3Normalize(&east, &east);
      D3DXMATRIX toEast, spin;
      BuildRotationBetweenVectors(&toEast, east, D3DXVECTOR3(1, 0, 0), 0.0f);
      const double lat = m_observerLatitude, dec = b.declination;
      double w = std::fmod(b.rotationAngle, 2.0 * kPi);
      if (w < 0) w += 2.0 * kPi;
      double yaw = 0.56, pitch = lat - dec, roll = -w;
      if (n == kBodyMars) {
        yaw = -0.4;
      } else if (n == kBodyJupiter) {
        pitch = dec + lat;
        roll = JupiterCentralMeridian();
      } else if (n == kBodySaturn) {
        yaw = 0, pitch = lat - dec + 0.28, roll = 0;
      } else if (n == kBodyMoon) {
        yaw = 3.2, pitch = 3.15 - (dec + lat), roll = 0.05;
      }
      D3DXMatrixRotationYawPitchRoll(&spin, static_cast<float>(yaw), static_cast<float>(pitch),
                                     static_cast<float>(roll));
      const float rf = static_cast<float>(radius);
      const D3DXMATRIX world = spin * toEast * BuildScaleTranslationMatrix(rf, position.x, position.y, position.z);
      // e. The light from the Sun's direction, the body's distance scaled to the drawing distance.
      device->SetTransform(D3DTS_WORLD, &world);
      const float lightDistance = static_cast<float>(d0 / earthDistance);
      light.Position = sunDirection * (n == kBodySun ? -lightDistance : lightDistance);
      r = device->SetLight(0, &light);
      if (FAILED(r)) ReportLightFailure("Error SetLight", r);
      // f. Detail level.
      const int level = n == kBodyMoon ? 1 : SphereLevelOf(b.apparentDiameter / m_fieldOfView);
      // g-i. The body.
      device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
      const BodyDrawResource res = BodyDrawResourceOf(n);
      if (res.flag >= 0 && m_bodyDrawFlags[static_cast<size_t>(res.flag)]) {
        if (res.mesh >= 0) {
          if (m_meshes[res.mesh]) m_meshes[res.mesh]->DrawSubsets(device, true, true);
          device->SetMaterial(m_pMaterial);
        } else if (n == kBodySaturn) {
          D3DXMATRIX ringWorld, scale, turnY, turnZ;
          D3DXMatrixScaling(&scale, 2.26f, 2.26f, 2.26f);
          D3DXMatrixRotationY(&turnY, static_cast<float>(kPi));
          D3DXMatrixRotationZ(&turnZ, static_cast<float>(kPi));
          auto ringHalf = [&](const D3DXMATRIX& base) {
            if (!m_ringVB || !m_saturnRingTexture) return;
            device->SetRenderState(D3DRS_LIGHTING, FALSE);
            device->SetFVF(kRingVertexFvf);
            device->SetTexture(0, m_saturnRingTexture);
            device->SetStreamSource(0, m_ringVB, 0, sizeof(RingVertex));
            ringWorld = base;
            device->SetTransform(D3DTS_WORLD, &ringWorld);
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 148);
            ringWorld = turnY * base;
            device->SetTransform(D3DTS_WORLD, &ringWorld);
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 148);
            device->SetTexture(0, nullptr);
            device->SetRenderState(D3DRS_LIGHTING, TRUE);
          };
          ringHalf(scale * world);
          device->SetTransform(D3DTS_WORLD, &world);
          DrawSphere(m_bodyTextures[8], level);
          ringHalf(turnZ * scale * world);
        } else if (n == kBodyMoon) {
          const bool daytime = skyBlue + 0.0392f > 0.3f && m_moonSunSeparation > 0.5f;
          if (daytime) {
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVDESTCOLOR);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
          }
          DrawSphere(m_bodyTextures[12], level);
          device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
          const double g = std::max(0.0, 0.7 - 2.0 * (skyBlue + 0.0392)) * std::fabs(b.illumination);
          if (g > 0.35 && m_lensShader && m_lensDeclaration && m_spriteQuadVB && m_lens2Texture) {
            const float size = 0.6f * rf;
            const D3DXMATRIX glowWorld = billboard * BuildScaleTranslationMatrix(size, position.x, position.y, position.z);
            const D3DXMATRIX wvp = glowWorld * m_viewProjectionMatrix;
            D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
            device->SetTexture(0, m_lens2Texture);
            device->SetFVF(kSpriteVertexFvf);
            device->SetVertexDeclaration(m_lensDeclaration);
            device->SetVertexShader(m_lensShader);
            device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
            const float c0[4] = {size, 1, 1, 0};
            const float c1[4] = {static_cast<float>(g), static_cast<float>(g), static_cast<float>(g), 0};
            device->SetVertexShaderConstantF(0, c0, 1);
            device->SetVertexShaderConstantF(1, c1, 1);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
            device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
            device->SetVertexShader(nullptr);
            device->SetTexture(0, nullptr);
          }
          device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
          device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
          device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        } else if (res.texture >= 0) {
          DrawSphere(m_bodyTextures[res.texture], level);
        }
      }
    }

    // j. The name.
    D3DXVECTOR3 projected;
    D3DXVec3TransformCoord(&projected, &position, &m_viewProjectionMatrix);
    const float x = (projected.x + 1.0f) * m_backBufferWidth / 2.0f;
    const float y = (1.0f - projected.y) * m_backBufferHeight / 2.0f;
    CTextureFont* font = nullptr;
    D3DCOLOR colour = 0;
    CString label;
    if (n >= 2000) {
      if (m_showPlanetNames) font = m_labelFonts[7], colour = OpaqueArgb(m_cometNameColor), label = g_comets[n - 2000].name;
    } else if (n >= 1000) {
      if (m_showPlanetNames)
        font = m_labelFonts[8], colour = OpaqueArgb(m_asteroidNameColor), label = g_asteroids[n - 1000].name;
    } else {
      const BodyState& b = g_bodies[n];
      label = g_bodyNames[n];
      if (n > 12 && b.diameter >= 0.1 && m_fieldOfView > 0.2f) label.clear();
      if (b.diameter < 0.1) {
        if (m_showSatelliteNames) font = m_labelFonts[11], colour = OpaqueArgb(m_probeNameColor);
      } else if (m_showPlanetNames) {
        font = m_labelFonts[0], colour = OpaqueArgb(m_planetNameColor);
      }
    }
    if (font && !label.empty()) font->DrawString(x, y, colour, label.c_str(), 0);
  }

  // The states the frame expects after the pass.
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetVertexShader(nullptr);
  DrawObserverSurroundings(skyColour);
}
