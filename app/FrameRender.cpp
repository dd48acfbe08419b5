// One frame: the sky, horizon and ambient colours, the clear, the horizon
// layers of the planetarium, the sky, the bodies, the Sun's lens flare and
// the text overlays, then the presentation and the result trail's
// end-of-frame rules.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "FrameColours.h"
#include "NumberFormat.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SkyMath.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"

namespace {

constexpr float kHalfPi = 1.5707963705062866f;
constexpr double kRadiansToDegrees = 180.0 / kPi;
constexpr double kMillionKmToAu = 0.006684587122670599;

double Length(const Vector3d& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

D3DCOLORVALUE ArgbToColorValue(D3DCOLOR c) {
  return {((c >> 16) & 255) / 255.0f, ((c >> 8) & 255) / 255.0f, (c & 255) / 255.0f, ((c >> 24) & 255) / 255.0f};
}

}  // namespace

bool CNuvarine2View::Render() {
  IDirect3DDevice9* device = m_pd3dDevice;
  if (device) {
    HideLoadingDialogs();

    // Colours of the frame.
    const BodyState& sun = g_bodies[kBodySun];
    FrameColourInputs in;
    in.planetariumMode = m_planetariumMode;
    in.naturalSkyColor = m_naturalSkyColor;
    in.sunAltitudeDegrees = sun.altitude * kRadiansToDegrees;
    in.moonSunSeparationDegrees = m_moonSunSeparation;
    in.fixedRed = m_skyColorRed;
    in.fixedGreen = m_skyColorGreen;
    in.fixedBlue = m_skyColorBlue;
    in.cameraSunDistance = Length(m_cameraPosition);
    D3DXVECTOR3 toSun;
    if (m_planetariumMode)
      toSun = SkyToScenePoint(true, static_cast<float>(sun.altitude), static_cast<float>(sun.azimuth), 100.0f);
    else
      toSun = D3DXVECTOR3(static_cast<float>(-m_cameraPosition.x), static_cast<float>(-m_cameraPosition.y),
                          static_cast<float>(-m_cameraPosition.z)) -
              m_camera.m_eye;
    D3DXVec3Normalize(&toSun, &toSun);
    D3DXVECTOR3 view = m_camera.m_viewDirection;
    D3DXVec3Normalize(&view, &view);
    float d = D3DXVec3Dot(&toSun, &view);
    if (m_planetariumMode && sun.altitude <= 0.0) d = 0.0f;
    in.sunDot = d;
    const FrameColours colours = ComputeFrameColours(in);
    m_skyColorValue = colours.sky;
    m_ambientGreyValue = colours.ambientGrey;
    m_horizonLightColorValue = colours.horizonLight;

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ColorValueToArgb(m_skyColorValue), 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
      device->SetTransform(D3DTS_PROJECTION, &m_camera.m_projectionMatrix);
      device->SetTransform(D3DTS_VIEW, &m_camera.m_viewMatrix);
      D3DXMatrixMultiply(&m_viewProjectionMatrix, &m_camera.m_viewMatrix, &m_camera.m_projectionMatrix);
      device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);

      if (m_planetariumMode && m_showLandscape) DrawHorizonLayers();

      device->SetRenderState(D3DRS_LIGHTING, FALSE);
      device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
      device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
      device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
      DrawSkyScene();
      device->SetRenderState(D3DRS_LIGHTING, TRUE);
      device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
      device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
      device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

      if (m_planetariumMode)
        RenderBodiesFromEarth(ColorValueToArgb(m_ambientGreyValue));
      else
        RenderSolarSystem();
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);

      if (m_lensFlare && !(m_moonSunSeparation < 0.1f && sun.altitude > 0.0)) DrawLensFlare(d);
      if (m_showInfoOverlay) DrawOverlays();

      TraceCode(kTraceEndOfFrame);
      const HRESULT ended = device->EndScene();
      if (ended == D3D_OK) {
        // A recording takes every frame as it is shown.
        if (m_capturing) device->KeepNextPresentedFrameForLayer();
        device->Present(nullptr, nullptr, nullptr, nullptr);
      }
    }
  }
  FinishFrameTrail();
  AddCapturedFrame();
  return true;
}

void CNuvarine2View::DrawHorizonLayers() {
  IDirect3DDevice9* device = m_pd3dDevice;
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  // The height setting (-20 to 20) is kept in a byte as a signed value.
  const float elevation = static_cast<signed char>(m_landscapeElevation) * 0.01f;

  // The overcast dome turns once every three days. A dome without its
  // program or its picture would cover the sky with garbage: it is left out.
  if (m_showCloudySky && m_planetShader && m_planetDeclaration && m_cloudySkyTexture && m_domeVB) {
    D3DXMATRIX tilt, spin, lift, world;
    D3DXMatrixRotationX(&tilt, kHalfPi);
    double angle = std::fmod(m_julianDate * 2.0 * kPi / 3.0, 2.0 * kPi);
    if (angle < 0.0) angle += 2.0 * kPi;
    D3DXMatrixRotationY(&spin, static_cast<float>(angle));
    D3DXMatrixTranslation(&lift, 0.0f, elevation, 0.0f);
    world = tilt * spin * lift;
    D3DXMATRIX wvp = world * m_viewProjectionMatrix;
    D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
    device->SetTexture(0, m_cloudySkyTexture);
    device->SetFVF(kSpriteVertexFvf);
    device->SetVertexDeclaration(m_planetDeclaration);
    device->SetVertexShader(m_planetShader);
    device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
    const float factor[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    const float tint[4] = {m_skyColorValue.r + 0.05f, m_skyColorValue.g + 0.05f, m_skyColorValue.b + 0.05f, 0.0f};
    device->SetVertexShaderConstantF(0, factor, 1);
    device->SetVertexShaderConstantF(1, tint, 1);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetStreamSource(0, m_domeVB, 0, sizeof(SpriteVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 218);
    device->SetVertexShader(nullptr);
  }
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

  // The haze band: the horizon's light at its lower rim, the sky's colour at
  // its upper rim.
  if (m_horizonBandVB) {
    m_horizonBandVB->Release();
    m_horizonBandVB = nullptr;
  }
  TraceCode(CreateTubeVertexBuffer(device, ColorValueToArgb(m_horizonLightColorValue), &m_horizonBandVB, 30,
                                   ColorValueToArgb(m_skyColorValue)));
  if (m_horizonBandVB) {
    D3DXMATRIX scale, tilt, lift;
    D3DXMatrixScaling(&scale, 0.6f, 0.6f, 1.2f);
    D3DXMatrixRotationX(&tilt, kHalfPi);
    D3DXMatrixTranslation(&lift, 0.0f, elevation - 0.3f, 0.0f);
    D3DXMATRIX world = scale * tilt * lift;
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTexture(0, nullptr);
    device->SetFVF(kSpriteVertexFvf);
    device->SetStreamSource(0, m_horizonBandVB, 0, sizeof(SpriteVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 60);
  }
}

void CNuvarine2View::DrawLensFlare(float d) {
  IDirect3DDevice9* device = m_pd3dDevice;
  const BodyState& sun = g_bodies[kBodySun];
  D3DXVECTOR3 point;
  double a;
  if (m_planetariumMode) {
    point = SkyToScenePoint(true, static_cast<float>(sun.altitude), static_cast<float>(sun.azimuth), 2.0f);
    a = 0.5 * std::pow(d + 0.5, 3.0);
  } else {
    point = D3DXVECTOR3(static_cast<float>(-m_cameraPosition.x), static_cast<float>(-m_cameraPosition.y),
                        static_cast<float>(-m_cameraPosition.z));
    const double distance = std::max(Length(m_cameraPosition), 1e-30);
    a = std::min(230.0 * std::pow(std::max(d + 0.6, 0.0), 1.2) / distance, 4.0);
  }
  a = std::max(a, 0.0);
  const double d6 = std::pow(static_cast<double>(d), 6.0);
  const double b = std::clamp(120.0 - std::sqrt(1000.0 * std::max(1.0 - d6, 0.0)), 0.0,
                              m_planetariumMode ? 30.0 : 80.0);
  const int alpha = static_cast<int>(b);
  const D3DCOLOR colourA = D3DCOLOR_ARGB(alpha, 100, 50, 50);
  const D3DCOLOR colourB = D3DCOLOR_ARGB(alpha + 80, 100, 80, 80);

  if (!IsInViewCone(point.x, point.y, point.z, m_fieldOfView) || !IsSunVisibleFromCamera()) return;
  // Without its program a sprite would be drawn untransformed: no flare.
  if (!m_lensShader || !m_lensDeclaration || !m_spriteQuadVB) return;

  device->SetFVF(kSpriteVertexFvf);
  device->SetVertexDeclaration(m_lensDeclaration);
  device->SetVertexShader(m_lensShader);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTexture(0, m_lensTexture);

  D3DXVECTOR3 screen;
  D3DXVec3TransformCoord(&screen, &point, &m_viewProjectionMatrix);
  NdcToScreen(screen.x, screen.y);
  const float cx = m_halfBackBufferWidth, cy = m_halfBackBufferHeight;

  struct Sprite {
    float k, size;
    D3DCOLOR colour;
    IDirect3DTexture9* texture;
  };
  const float size = static_cast<float>(a);
  const Sprite sprites[4] = {{1.0f / 6.0f, size, colourA, m_lensTexture},
                             {-1.0f / 3.0f, size / 2.0f, colourA, m_lensTexture},
                             {-0.25f, size, colourB, m_lens2Texture},
                             {0.25f, size / 2.0f, colourB, m_lens2Texture}};
  const D3DXMATRIX billboard = m_camera.GetBillboardMatrix();
  bool first = true;
  for (const Sprite& s : sprites) {
    const int px = static_cast<int>(cx + s.k * (cx - screen.x));
    const int py = static_cast<int>(cy + s.k * (cy - screen.y));
    float latitude = 0.0f, longitude = 0.0f;
    ScreenToSky(px, py, latitude, longitude);
    const D3DXVECTOR3 place = SkyToScenePoint(m_planetariumMode, latitude, longitude, 0.1f);
    D3DXMATRIX world = billboard * BuildScaleTranslationMatrix(s.size, place.x, place.y, place.z);
    device->SetTransform(D3DTS_WORLD, &world);
    if (first) device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    first = false;
    // A missing picture would draw a plain square: that sprite is left out.
    if (!s.texture) continue;
    device->SetTexture(0, s.texture);
    D3DXMATRIX wvp = world * m_viewProjectionMatrix;
    D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
    device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
    const float scale[4] = {s.size, 1.0f, 1.0f, 0.0f};
    const D3DCOLORVALUE c = ArgbToColorValue(s.colour);
    const float colour[4] = {c.r, c.g, c.b, c.a};
    device->SetVertexShaderConstantF(0, scale, 1);
    device->SetVertexShaderConstantF(1, colour, 1);
    device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  }
  device->SetVertexShader(nullptr);
  device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
}

void CNuvarine2View::DrawOverlays() {
  CTextureFont* font = m_overlayFont;
  if (!font) return;
  const D3DCOLOR colour = D3DCOLOR_ARGB(255, 240, 240, 240);
  const float w = m_backBufferWidth, h = m_backBufferHeight;
  auto draw = [&](float x, float y, const std::string& text) { font->DrawString(x, y, colour, text.c_str(), 0); };

  draw(10.0f, 10.0f,
       FormatOverlayLine(m_hour, m_minute, m_second, m_month, m_day, m_year, m_fieldOfView, w, h));
  if (m_showFrameRate) draw(w - 90.0f, 40.0f, FormatC("FPS:%4.1f", g_frameRate));
  if (m_animationRunning)
    draw(w - 80.0f, 10.0f,
         FormatAnimationText(AfxString(IDS_ANIMATION), m_realTime, m_animationMethod, m_animationSpeedFactor));
  if (m_lockedObject != -1) {
    draw(10.0f, 50.0f, LockedObjectText());
  } else if (m_telescopeFollowTarget) {
    draw(10.0f, 50.0f, AfxString(IDS_LOCKED));
  }
  if (m_planetariumMode && m_gpsActive == 1) {
    std::string text;
    if (!m_gpsFixValid) {
      text = AfxString(IDS_GPS_WAITING);
    } else {
      CString latitude, longitude;
      const double latDeg = m_observerLatitude * kRadiansToDegrees, lonDeg = m_observerLongitude * kRadiansToDegrees;
      FormatAngle(latitude, false, false, std::fabs(latDeg));
      FormatAngle(longitude, false, false, std::fabs(lonDeg));
      text = FormatC(AfxString(IDS_GPS_FIX).c_str(), latitude.c_str(),
                     AfxString(latDeg < 0.0 ? IDS_SOUTH : IDS_NORTH).c_str(), longitude.c_str(),
                     AfxString(lonDeg < 0.0 ? IDS_EAST : IDS_WEST).c_str(), m_observerElevation);
    }
    draw(w - 150.0f, h - 70.0f, text);
  }
  if (m_planetariumMode && m_telescopeConnected) draw(w - 150.0f, h - 30.0f, AfxString(IDS_TELESCOPE_MODE));
  if (!m_planetariumMode && m_animationRunning && m_flightTargetBody == -1 &&
      (m_realTime || m_animationSpeedFactor == 1.0))
    draw(w - 120.0f, h - 90.0f,
         FormatC(AfxString(IDS_CAMERA_SPEED).c_str(), RoundHalfAwayFromZero(m_cameraSpeed * 10.0) / 10.0));
  if (!m_planetariumMode)
    draw(w - 120.0f, h - 70.0f,
         FormatC("x= %3.8f ua\r\ny= %3.8f ua\r\nz= %3.8f ua", m_cameraPosition.x * kMillionKmToAu,
                 m_cameraPosition.y * kMillionKmToAu, m_cameraPosition.z * kMillionKmToAu));
  draw(10.0f, h - 40.0f, AfxString(m_planetariumMode ? IDS_PLANETARIUM_MODE : IDS_SOLAR_SYSTEM_MODE));
  if (m_capturing) draw(w - 180.0f, 10.0f, AfxString(IDS_RECORDING_VIDEO));
}

std::string CNuvarine2View::LockedObjectText() {
  const int n = m_lockedObject;
  // A comet or an asteroid: its record's name, and its distance from the
  // Earth in the planetarium or from the camera in the solar system. A record
  // gone with a reload of a shorter file leaves the plain word.
  auto smallBody = [&](const std::string& name, double earthDistanceAu, double cameraDistance) {
    const double km = m_planetariumMode ? earthDistanceAu * 149597870.691 : cameraDistance * 1e6;
    return FormatC(AfxString(IDS_LOCKED_ON).c_str(), name.c_str(), km);
  };
  if (n >= 1000 && n < 2000 && g_asteroids && n - 1000 < g_asteroidCount) {
    const AsteroidRecord& a = g_asteroids[n - 1000];
    return smallBody(std::string(a.name, strnlen(a.name, sizeof a.name)), a.earthDistance, a.cameraDistance);
  }
  if (n >= 2000 && n < 3000 && g_comets && n - 2000 < g_cometCount) {
    const CometRecord& c = g_comets[n - 2000];
    return smallBody(std::string(c.name, strnlen(c.name, sizeof c.name)), c.earthDistance, c.cameraDistance);
  }
  if (n < 0 || n >= kBodyCount) return AfxString(IDS_LOCKED);
  std::string name = g_bodyNames[n];
  if (!m_englishUi) {
    if (n == kBodySun) name = "le " + name;
    if (n == kBodyEarth || n == kBodyMoon) name = "la " + name;
  }
  double km;
  if (m_planetariumMode) {
    if (n == kBodySun) {
      km = m_earthSunDistance * 149597870.691;
    } else {
      const Vector3d& p = g_bodies[n].position;
      const Vector3d& e = g_bodies[kBodyEarth].position;
      const double dx = p.x - e.x, dy = p.y - e.y, dz = p.z - e.z;
      km = std::sqrt(dx * dx + dy * dy + dz * dz) * 1e6;
    }
  } else {
    km = g_bodies[n].surfaceDistance * 1e6;
  }
  return FormatC(AfxString(IDS_LOCKED_ON).c_str(), name.c_str(), km);
}
