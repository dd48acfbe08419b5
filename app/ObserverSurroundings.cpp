// The observer's surroundings in the planetarium, drawn after the bodies:
// the landscape panorama and the ground disc (or, without a landscape, a red
// horizon line), the eyepiece, Telrad, Quickfinder and CCD fields at the
// window's centre, and the graduated altitude and azimuth rule.
#include "ObserverSurroundings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Nuvarine2View.h"
#include "SkyMath.h"
#include "TextureFont.h"

namespace {

constexpr double kDegree = kPi / 180.0;
constexpr D3DCOLOR kRedLine = 0xffff0000;

D3DCOLOR OpaqueArgb(COLORREF c) { return D3DCOLOR_ARGB(255, c & 255, (c >> 8) & 255, (c >> 16) & 255); }

}  // namespace

// ---- Arithmetic --------------------------------------------------------------------

FinderCircles ChooseFinderCircles(float eyepieceFieldSize, bool& showQuickfinder, bool& showTelrad) {
  FinderCircles c;
  if (eyepieceFieldSize != 0.0f) {
    showQuickfinder = showTelrad = false;
    c.count = 1;
    c.scales[0] = eyepieceFieldSize;
  } else if (showQuickfinder && !showTelrad) {
    c.count = 2;
    c.scales[0] = 2.0f, c.scales[1] = 0.5f;
  } else if (showTelrad && !showQuickfinder) {
    c.count = 3;
    c.scales[0] = 4.0f, c.scales[1] = 2.0f, c.scales[2] = 0.5f;
  }
  return c;
}

D3DXVECTOR2 CcdFrameHalfSize(float width, float height, float fieldOfView) {
  const float k = 7.75f / fieldOfView;
  return D3DXVECTOR2(k * width, k * height);
}

void CcdFrameCorners(float cx, float cy, D3DXVECTOR2 half, double t, D3DXVECTOR2 out[5]) {
  const float c = static_cast<float>(std::cos(t)), s = static_cast<float>(std::sin(t));
  const float offsets[4][2] = {{-half.x, -half.y}, {half.x, -half.y}, {half.x, half.y}, {-half.x, half.y}};
  for (int i = 0; i < 4; ++i) {
    const float u = offsets[i][0], v = offsets[i][1];
    out[i] = D3DXVECTOR2(cx + u * c + v * s, cy - u * s + v * c);
  }
  out[4] = out[0];
}

void HorizontalToEquatorialForFrame(double azimuth, double altitude, double latitude, double siderealTime,
                                    double& rightAscension, double& declination) {
  const double sinP = std::sin(latitude), cosP = std::cos(latitude);
  const double s = std::sin(altitude) * sinP + std::cos(altitude) * cosP * std::cos(azimuth);
  declination = std::asin(std::clamp(s, -1.0, 1.0));
  double hourAngle;
  if (s == 1.0 || s == -1.0) {
    hourAngle = 0.0;
  } else if (sinP == 1.0 || sinP == -1.0) {
    hourAngle = azimuth;
  } else {
    const double a = (std::sin(altitude) - sinP * s) / (std::cos(declination) * cosP);
    hourAngle = std::acos(std::clamp(a, -1.0, 1.0));
  }
  if (std::sin(azimuth) >= 0.0) hourAngle = 2.0 * kPi - hourAngle;
  rightAscension = siderealTime - hourAngle;
  if (rightAscension < 0.0) rightAscension += 2.0 * kPi;
}

double ScreenAngleOf(double dx, double dy) {
  if (dx == 0.0 && dy == 0.0) return 0.0;
  double t = -std::atan(dy / dx);
  if (dx < 0.0) t += kPi;
  t = std::fmod(t, 2.0 * kPi);
  if (t < 0.0) t += 2.0 * kPi;
  return t;
}

int AltitudeStrokeHalfLength(int degree) {
  if (degree % 10 == 0 && degree != 90) return 10;
  if (degree % 5 == 0) return 7;
  return 4;
}

CString AltitudeLabel(int degree) {
  CString text;
  if (degree == 90)
    AfxLoadString(1010, text);
  else
    text.Format("%i \xb0", degree);
  return text;
}

CString AzimuthLabel(int degree) {
  static constexpr struct {
    int degree;
    UINT id;
  } kNamed[] = {{0, 1011}, {90, 1013}, {180, 1012}, {270, 1014}, {45, 1015}, {135, 1016}, {225, 1017}, {315, 1018}};
  CString text;
  for (const auto& n : kNamed)
    if (n.degree == degree) {
      AfxLoadString(n.id, text);
      return text;
    }
  if (degree % 10 == 0) text.Format("%3i \xb0", degree);
  return text;
}

AzimuthStrokes AzimuthStrokesAt(int degree) {
  AzimuthStrokes s;
  if (degree % 10 == 0) s.lengths[s.count++] = 12.0f;
  s.lengths[s.count++] = 5.0f;
  if (degree % 5 == 0) s.lengths[s.count++] = 8.0f;
  return s;
}

float ZenithSlope(D3DXVECTOR2 p, D3DXVECTOR2 q, float middle) {
  float dx = q.x - p.x;
  // Straight above: the limit of a zenith a hair towards the middle, an
  // upright stroke (a flat one would cross the scale).
  if (dx == 0.0f) dx = p.x < middle ? 1e-10f : -1e-10f;
  const float m = (q.y - p.y) / dx;
  return m == 0.0f ? 1e-10f : m;
}

D3DXVECTOR2 AzimuthStrokeOffset(float length, float slope, bool leftOfMiddle) {
  const float x = std::clamp(-length / slope, -length, length);
  float y = std::clamp(-length * slope, -length, length);
  if (leftOfMiddle) y = -y;
  return D3DXVECTOR2(x, y);
}

// ---- Drawing -----------------------------------------------------------------------

void CNuvarine2View::DrawObserverSurroundings(D3DCOLOR skyColour) {
  if (!m_pd3dDevice) return;
  if (m_showLandscape) DrawLandscape(skyColour);
  if (!m_pLine) return;
  m_pLine->Begin();
  if (!m_showLandscape) DrawHorizonLine();
  DrawFinderFields();
  if (m_showRule && !m_chartInverted) DrawCoordinateRule();
  m_pLine->End();
}

void CNuvarine2View::DrawLandscape(D3DCOLOR skyColour) {
  IDirect3DDevice9* device = m_pd3dDevice;
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  // The height setting (-20 to 20) is kept in a byte as a signed value.
  const float lift = 0.01f * static_cast<float>(static_cast<signed char>(m_landscapeElevation));
  D3DXMATRIX scale, tilt, turn, move, world, wvp;

  // The panorama: a band about the eye, its see-through sky keyed out by the
  // alpha test, dimmed with the daylight.
  if (m_landscapeTexture && m_tubeVB && m_tubeShader && m_tubeDeclaration) {
    D3DXMatrixScaling(&scale, 0.5f, 0.5f, 0.7f);
    D3DXMatrixRotationX(&tilt, static_cast<float>(kPi / 2.0));
    D3DXMatrixRotationY(&turn, static_cast<float>(m_landscapeOrientation * kDegree));
    D3DXMatrixTranslation(&move, 0.0f, lift, 0.0f);
    world = scale * tilt * turn * move;
    wvp = world * m_viewProjectionMatrix;
    D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
    device->SetTexture(0, m_landscapeTexture);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x7f);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetFVF(kSpriteVertexFvf);
    device->SetVertexDeclaration(m_tubeDeclaration);
    device->SetVertexShader(m_tubeShader);
    device->SetVertexShaderConstantF(1, &m_shaderMatrix._11, 4);
    const float light[4] = {static_cast<float>(skyColour & 255) / 255.0f, 0.0f, 0.0f, 0.0f};
    device->SetVertexShaderConstantF(0, light, 1);
    device->SetStreamSource(0, m_tubeVB, 0, sizeof(SpriteVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 60);
    device->SetTexture(0, nullptr);
  }

  // The ground: a dark disc under the panorama's lower edge.
  if (m_discVB && m_discShader && m_discDeclaration) {
    D3DXMatrixScaling(&scale, 0.5f, 0.5f, 0.5f);
    D3DXMatrixRotationX(&tilt, static_cast<float>(-kPi / 2.0));
    D3DXMatrixTranslation(&move, 0.0f, lift + 0.2f, 0.0f);
    world = scale * tilt * move;
    wvp = world * m_viewProjectionMatrix;
    D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
    device->SetTexture(0, nullptr);
    device->SetFVF(kLineVertexFvf);
    device->SetVertexDeclaration(m_discDeclaration);
    device->SetVertexShader(m_discShader);
    device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
    const float axes[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    const float grey[4] = {0.1f, 0.1f, 0.1f, 0.0f};
    device->SetVertexShaderConstantF(0, axes, 1);
    device->SetVertexShaderConstantF(1, grey, 1);
    device->SetStreamSource(0, m_discVB, 0, sizeof(LineVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 40);
  }

  device->SetVertexShader(nullptr);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
}

void CNuvarine2View::DrawHorizonLine() {
  // Altitude 0 at nine azimuths round the full turn. The chords all lie in
  // the horizon's plane, so they show the horizon itself. They are clipped
  // at the camera: a point at right angles to the view has no pixel.
  static constexpr int kAzimuths[9] = {0, 10, 60, 110, 160, 210, 260, 310, 360};
  D3DXVECTOR3 points[9];
  for (int i = 0; i < 9; ++i)
    points[i] = SkyToScenePoint(true, 0.0f, static_cast<float>(kAzimuths[i] * kDegree), 2.01f);
  m_pLine->DrawTransform(points, 9, &m_viewProjectionMatrix, kRedLine);
}

void CNuvarine2View::DrawFinderFields() {
  const bool ccd = m_selectedCcdSize1 != 0.0f;
  if (!m_showQuickfinderField && !m_showTelradField && !ccd && m_eyepieceFieldSize == 0.0f) return;
  int width = 0, height = 0;
  GetClientSize(width, height);
  float altitude = 0.0f, azimuth = 0.0f;
  ScreenToSky(width / 2, height / 2, altitude, azimuth);
  const D3DXVECTOR2 centre = ScenePointToPixel(SkyToScenePoint(true, altitude, azimuth, 2.01f));

  const FinderCircles circles = ChooseFinderCircles(m_eyepieceFieldSize, m_showQuickfinderField, m_showTelradField);
  for (int i = 0; i < circles.count; ++i) DrawMarkerCircle(centre.x, centre.y, circles.scales[i]);

  if (!ccd) return;
  double t = 0.0;
  if (m_selectedCcdType == 2.0f) {
    // On an equatorial mount the frame's first side follows increasing
    // right ascension through the centre.
    double rightAscension, declination, az, alt;
    HorizontalToEquatorialForFrame(azimuth, altitude, m_observerLatitude, m_localSiderealTime, rightAscension,
                                   declination);
    EquatorialToHorizontal(az, alt, m_localSiderealTime, rightAscension + 0.1, declination);
    const D3DXVECTOR2 east =
        ScenePointToPixel(SkyToScenePoint(true, static_cast<float>(alt), static_cast<float>(az), 2.01f));
    t = ScreenAngleOf(east.x - centre.x, east.y - centre.y);
  }
  D3DXVECTOR2 corners[5];
  CcdFrameCorners(centre.x, centre.y, CcdFrameHalfSize(m_selectedCcdSize1, m_selectedCcdSize2, m_fieldOfView), t,
                  corners);
  for (int i = 0; i < 4; ++i) m_pLine->Draw(&corners[i], 2, kRedLine);
}

void CNuvarine2View::DrawCoordinateRule() {
  const D3DCOLOR colour = OpaqueArgb(m_ruleColor);
  CTextureFont* font = m_labelFonts[3];
  int width = 0, height = 0;
  GetClientSize(width, height);
  auto toPixel = [&](const D3DXVECTOR3& ndc) {
    return D3DXVECTOR2((ndc.x + 1.0f) * m_backBufferWidth / 2.0f, (1.0f - ndc.y) * m_backBufferHeight / 2.0f);
  };

  // Altitude scale, up the azimuth under the window's lower middle.
  float altitude0 = 0.0f, azimuth0 = 0.0f;
  ScreenToSky(width / 2, height - 100, altitude0, azimuth0);
  D3DXVECTOR2 altitudePixels[91];
  bool altitudeShown[91] = {};
  for (int i = 0; i <= 90; ++i) {
    const D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(i * kDegree), azimuth0, 2.01f);
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &p, &m_viewProjectionMatrix);
    altitudeShown[i] = ndc.y > -1.0f && ndc.y < 1.0f;
    if (!altitudeShown[i]) continue;
    const D3DXVECTOR2 px = altitudePixels[i] = toPixel(ndc);
    const float half = static_cast<float>(AltitudeStrokeHalfLength(i));
    const D3DXVECTOR2 stroke[2] = {{px.x - half, px.y}, {px.x + half, px.y}};
    m_pLine->Draw(stroke, 2, colour);
  }
  if (font)
    for (int i = 0; i <= 90; i += 10)
      if (altitudeShown[i])
        font->DrawString(altitudePixels[i].x + 20.0f, altitudePixels[i].y - 5.0f, colour, AltitudeLabel(i).c_str(), 0);

  // Azimuth scale, along the altitude of the window's lower edge.
  float altitude1 = 0.0f, azimuth1 = 0.0f;
  ScreenToSky(width / 2, height - 30, altitude1, azimuth1);
  D3DXVECTOR2 azimuthPixels[360];
  bool azimuthShown[360] = {};
  for (int j = 0; j < 360; ++j) {
    const float az = static_cast<float>(j * kDegree);
    const D3DXVECTOR3 p = SkyToScenePoint(true, altitude1, az, 2.01f);
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &p, &m_viewProjectionMatrix);
    azimuthShown[j] = ndc.x > -1.0f && ndc.x < 1.0f && IsInViewCone(p.x, p.y, p.z, m_fieldOfView) &&
                      ndc.y < 0.0f;
    if (!azimuthShown[j]) continue;
    D3DXVECTOR2 at = azimuthPixels[j] = toPixel(ndc);
    const D3DXVECTOR3 zenith = SkyToScenePoint(true, static_cast<float>(kPi / 2.0 - 0.01), az, 2.01f);
    D3DXVECTOR3 zenithNdc;
    D3DXVec3TransformCoord(&zenithNdc, &zenith, &m_viewProjectionMatrix);
    const float slope = ZenithSlope(at, toPixel(zenithNdc), m_halfBackBufferWidth);
    const AzimuthStrokes strokes = AzimuthStrokesAt(j);
    for (int k = 0; k < strokes.count; ++k) {
      const D3DXVECTOR2 offset = AzimuthStrokeOffset(strokes.lengths[k], slope, at.x < m_halfBackBufferWidth);
      const D3DXVECTOR2 stroke[2] = {at, D3DXVECTOR2(at.x + offset.x, at.y + offset.y)};
      m_pLine->Draw(stroke, 2, colour);
      at = stroke[1];
    }
  }
  if (font)
    for (int j = 0; j < 360; j += 5)
      if (azimuthShown[j])
        font->DrawString(azimuthPixels[j].x - 10.0f, azimuthPixels[j].y, colour, AzimuthLabel(j).c_str(), 0);
}
