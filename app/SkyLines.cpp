// The reference lines of the sky (equator, ecliptic, constellation borders
// and figures, orbit outlines, grids, the work unit) and the texts drawn
// after them: grid labels, line names, constellation names, the target's
// cross and the labels queued earlier in the frame.
#include <cmath>

#include "ConstellationTables.h"
#include "FrameColours.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "ScreenLabel.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"
#include "UiDefs.h"

namespace {

constexpr double kRadiansToHours = 3.819718634;
constexpr double kRadiansToDegreesD = 57.29577951308232;
constexpr int kOrbitBodies[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 44};

D3DCOLOR LineColour(COLORREF c) {
  const D3DXCOLOR x = UnpackColorRef(c);
  return ColorValueToArgb(D3DCOLORVALUE{x.r, x.g, x.b, x.a});
}

}  // namespace

D3DXVECTOR2 CNuvarine2View::ScenePointToPixel(const D3DXVECTOR3& p) const {
  D3DXVECTOR3 ndc;
  D3DXVec3TransformCoord(&ndc, &p, &m_viewProjectionMatrix);
  return D3DXVECTOR2((ndc.x + 1.0f) * m_backBufferWidth / 2.0f, (1.0f - ndc.y) * m_backBufferHeight / 2.0f);
}

void CNuvarine2View::DrawSkyLines() {
  if (!m_pLine) return;
  const bool direct = m_planetariumMode;
  const float f = m_fieldOfView;
  auto inView = [&](const D3DXVECTOR3& p) { return IsInViewCone(p.x, p.y, p.z, f); };
  auto point = [&](double altitude, double azimuth, double declination, double rightAscension, float radius) {
    return direct ? SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), radius)
                  : SkyToScenePoint(false, static_cast<float>(declination), static_cast<float>(rightAscension), radius);
  };
  auto skyPoint = [&](const SkyPoint& s, float radius) {
    return point(s.altitude, s.azimuth, s.declination, s.rightAscension, radius);
  };
  // A piece in scene space, drawn when either end is in view.
  auto drawTransformed = [&](const D3DXVECTOR3& a, const D3DXVECTOR3& b, D3DCOLOR colour) {
    if (!inView(a) && !inView(b)) return;
    const D3DXVECTOR3 ends[2] = {a, b};
    m_pLine->DrawTransform(ends, 2, &m_viewProjectionMatrix, colour);
  };
  // A piece in pixels, drawn when either end is in view.
  auto drawPixels = [&](const D3DXVECTOR3& a, const D3DXVECTOR3& b, D3DCOLOR colour) {
    if (!inView(a) && !inView(b)) return;
    const D3DXVECTOR2 ends[2] = {ScenePointToPixel(a), ScenePointToPixel(b)};
    m_pLine->Draw(ends, 2, colour);
  };

  m_pLine->Begin();
  // Equator and ecliptic: one degree drawn, one left out.
  if (m_showEquator)
    for (int i = 0; i < 360; i += 2)
      drawTransformed(skyPoint(m_equatorPoints[i], 1.9f), skyPoint(m_equatorPoints[i + 1], 1.9f),
                      LineColour(m_equatorColor));
  if (m_showEcliptic)
    for (int i = 0; i < 360; i += 2)
      drawTransformed(skyPoint(m_eclipticPoints[i], 1.9f), skyPoint(m_eclipticPoints[i + 1], 1.9f),
                      LineColour(m_eclipticColor));

  if (m_showConstellationBorders) {
    const D3DCOLOR colour = LineColour(m_borderColor);
    for (int k = 0; k < g_borderPairCount; ++k) {
      const BorderPoint& a = g_borderPoints[g_borderPointPairs[k][0]];
      const BorderPoint& b = g_borderPoints[g_borderPointPairs[k][1]];
      const BorderSegment& m = g_borderSegments[k];
      const D3DXVECTOR3 p[4] = {point(a.altitude, a.azimuth, a.declination, a.rightAscension, 2.01f),
                                point(m.altitude1, m.azimuth1, m.declination1, m.rightAscension1, 2.01f),
                                point(m.altitude2, m.azimuth2, m.declination2, m.rightAscension2, 2.01f),
                                point(b.altitude, b.azimuth, b.declination, b.rightAscension, 2.01f)};
      for (int i = 0; i < 3; ++i) drawTransformed(p[i], p[i + 1], colour);
    }
  }

  if (m_showConstellationFigures) {
    const D3DCOLOR colour = LineColour(m_figureColor);
    for (int k = 0; k + 1 < g_figurePointCount; ++k) {
      const FigurePoint& a = g_figurePoints[k];
      const FigurePoint& b = g_figurePoints[k + 1];
      if (b.penFlag == 0) continue;
      drawTransformed(point(a.altitude, a.azimuth, a.declination, a.rightAscension, 2.001f),
                      point(b.altitude, b.azimuth, b.declination, b.rightAscension, 2.001f), colour);
    }
  }

  if (!direct && m_showOrbits) DrawOrbitOutlines();

  if (m_showEquatorialGrid) {
    const D3DCOLOR colour = LineColour(m_gridColor);
    for (int i = 0; i <= 46; i += 2)
      for (int j = 0; j < 24; ++j)
        drawPixels(skyPoint(m_equatorialGridPoints[i][j], 2.01f), skyPoint(m_equatorialGridPoints[i][j + 1], 2.01f),
                   colour);
    for (int j = 0; j <= 22; j += 2)
      for (int i = 0; i < 48; ++i)
        drawPixels(skyPoint(m_equatorialGridPoints[i][j], 2.01f), skyPoint(m_equatorialGridPoints[i + 1][j], 2.01f),
                   colour);
  }

  if (m_showHorizontalGrid && direct) {
    const D3DCOLOR colour = LineColour(m_gridColor);
    auto node = [&](int row, int j) {
      const SkyPoint& s = m_horizontalGridPoints[row * 25 + j];
      return SkyToScenePoint(true, static_cast<float>(s.altitude), static_cast<float>(s.azimuth), 2.01f);
    };
    // Vertical circles every 15 degrees, from the horizon (node 2) to the zenith (node 14).
    for (int i = 0; i < 48; i += 2)
      for (int j = 2; j < 14; ++j) drawPixels(node(i, j), node(i, j + 1), colour);
    // Altitude circles -15 .. 75 degrees.
    for (int j = 0; j <= 12; j += 2)
      for (int i = 0; i < 48; ++i) drawPixels(node(i, j), node(i + 1, j), colour);
  }

  if (m_showSetiWorkUnits) {
    const D3DXVECTOR3 p = point(m_setiAltitude, m_setiAzimuth, m_setiStartDec, m_setiStartRa, 2.01f);
    if (inView(p)) {
      const D3DXVECTOR2 px = ScenePointToPixel(p);
      for (float scale : {0.5f, 1.0f, 2.0f}) DrawMarkerCircle(px.x, px.y, scale);
    }
  }
  m_pLine->End();
}

void CNuvarine2View::DrawOrbitOutlines() {
  const D3DCOLOR colour = LineColour(m_orbitLineColor);
  const Vector3d& cam = m_cameraPosition;
  const double camLength = std::sqrt(cam.x * cam.x + cam.y * cam.y + cam.z * cam.z);
  const float f = m_fieldOfView;
  for (int o = 0; o < 10; ++o) {
    const BodyState& body = g_bodies[kOrbitBodies[o]];
    auto at = [&](int i) {
      return D3DXVECTOR3(static_cast<float>(m_orbitOutlines[o][i][0] - cam.x),
                         static_cast<float>(m_orbitOutlines[o][i][1] - cam.y),
                         static_cast<float>(m_orbitOutlines[o][i][2] - cam.z));
    };
    const bool near = camLength > 0.0 && std::fabs(1.0 - body.sunDistance * 149.5978707 / camLength) < 0.2;
    for (int i = 1; i < 362; ++i) {
      D3DXVECTOR3 a = at(i - 1), b = at(i);
      const bool aView = IsInViewCone(a.x, a.y, a.z, f), bView = IsInViewCone(b.x, b.y, b.z, f);
      if (near) {
        const bool aFront = IsInFrontOfCamera(a.x, a.y, a.z), bFront = IsInFrontOfCamera(b.x, b.y, b.z);
        if (!aFront && !bFront) continue;
        bool clipped = false;
        // Moves the end behind the camera towards the other in hundredths.
        auto clip = [&](D3DXVECTOR3& back, const D3DXVECTOR3& front) {
          const D3DXVECTOR3 step = (front - back) * 0.01f;
          for (int k = 0; k < 100 && !IsInFrontOfCamera(back.x, back.y, back.z); ++k) back += step;
          clipped = true;
        };
        if (!aFront) clip(a, b);
        if (!bFront) clip(b, a);
        if (!(aView || bView || body.cameraDistance < 1.0 || clipped)) continue;
      } else if (!aView && !bView) {
        continue;
      }
      const D3DXVECTOR2 ends[2] = {ScenePointToPixel(a), ScenePointToPixel(b)};
      m_pLine->Draw(ends, 2, colour);
    }
  }
}

void CNuvarine2View::DrawSkyTexts() {
  const bool direct = m_planetariumMode;
  const float f = m_fieldOfView;
  auto inView = [&](const D3DXVECTOR3& p) { return IsInViewCone(p.x, p.y, p.z, f); };
  auto font = [&](int index) { return m_labelFonts[index]; };
  auto text = [&](int index, float x, float y, D3DCOLOR colour, const CString& s) {
    if (CTextureFont* label = font(index)) label->DrawString(x, y, colour, s.GetString(), 0);
  };
  auto gridPoint = [&](const SkyPoint& s) {
    return direct ? SkyToScenePoint(true, static_cast<float>(s.altitude), static_cast<float>(s.azimuth), 2.01f)
                  : SkyToScenePoint(false, static_cast<float>(s.declination), static_cast<float>(s.rightAscension),
                                    2.01f);
  };
  const D3DCOLOR gridColour = LineColour(m_gridColor);

  if (m_showEquatorialGrid)
    for (int i = 0; i <= 46; i += 2)
      for (int j = 0; j <= 22; j += 2) {
        const SkyPoint& s = m_equatorialGridPoints[i][j];
        const D3DXVECTOR3 p = gridPoint(s);
        if (!inView(p)) continue;
        const D3DXVECTOR2 px = ScenePointToPixel(p);
        CString label;
        label.Format("%3.0f\xb0", s.declination * kRadiansToDegreesD);
        text(10, px.x, px.y, gridColour, label);
        label.Format("%3.0fh", s.rightAscension * kRadiansToHours);
        text(10, px.x - 20.0f, px.y - 20.0f, gridColour, label);
      }

  if (m_showHorizontalGrid && direct)
    for (int i = 0; i < 48; i += 2)
      for (int j = 2; j <= 12; j += 2) {
        const SkyPoint& s = m_horizontalGridPoints[i * 25 + j];
        const D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(s.altitude), static_cast<float>(s.azimuth), 2.01f);
        if (!inView(p)) continue;
        const D3DXVECTOR2 px = ScenePointToPixel(p);
        CString label;
        label.Format("%3.0f\xb0", s.altitude * kRadiansToDegreesD);
        text(10, px.x, px.y, gridColour, label);
        label.Format("%3.0f\xb0", s.azimuth * kRadiansToDegreesD);
        text(10, px.x - 20.0f, px.y - 20.0f, gridColour, label);
      }

  auto lineNames = [&](const SkyPoint* points, UINT stringId, int fontIndex, COLORREF colour) {
    CString name;
    AfxLoadString(stringId, name);
    for (int i : {10, 100, 190, 280}) {
      const SkyPoint& s = points[i];
      const D3DXVECTOR3 p = direct ? SkyToScenePoint(true, static_cast<float>(s.altitude),
                                                     static_cast<float>(s.azimuth), 1.9f)
                                   : SkyToScenePoint(false, static_cast<float>(s.declination),
                                                     static_cast<float>(s.rightAscension), 1.9f);
      if (!inView(p)) continue;
      const D3DXVECTOR2 px = ScenePointToPixel(p);
      text(fontIndex, px.x, px.y, LineColour(colour), name);
    }
  };
  if (m_showEcliptic) lineNames(m_eclipticPoints, IDS_ECLIPTIC, 5, m_eclipticColor);
  if (m_showEquator) lineNames(m_equatorPoints, IDS_EQUATOR, 6, m_equatorColor);

  if (m_showConstellationNames) {
    const float width = static_cast<float>(m_backBufferWidthPixels), height = static_cast<float>(m_backBufferHeightPixels);
    for (const ConstellationEntry& c : g_constellations) {
      const D3DXVECTOR3 p =
          direct ? SkyToScenePoint(true, static_cast<float>(c.altitude), static_cast<float>(c.azimuth), 2.01f)
                 : SkyToScenePoint(false, static_cast<float>(c.declination), static_cast<float>(c.rightAscension), 2.01f);
      if (!inView(p)) continue;
      D3DXVECTOR3 ndc;
      D3DXVec3TransformCoord(&ndc, &p, &m_viewProjectionMatrix);
      const char* name = m_constellationNameLanguage == 1   ? c.abbreviation
                         : m_constellationNameLanguage == 2 ? c.latinName
                                                            : c.englishName;
      text(4, (ndc.x + 1.0f) * width / 2.0f, (1.0f - ndc.y) * height / 2.0f, LineColour(m_constellationNameColor),
           name);
    }
  }

  if (m_targetMarked && m_pLine) {
    const D3DXVECTOR3 p = direct ? SkyToScenePoint(true, static_cast<float>(m_targetAltitude),
                                                   static_cast<float>(m_targetAzimuth), 2.0f)
                                 : SkyToScenePoint(false, static_cast<float>(m_targetDeclination),
                                                   static_cast<float>(m_targetRightAscension), 2.0f);
    const D3DXVECTOR2 px = ScenePointToPixel(p);
    const D3DCOLOR red = D3DCOLOR_ARGB(255, 255, 0, 0);
    const D3DXVECTOR2 across[2] = {{px.x - 6.0f, px.y}, {px.x + 6.0f, px.y}};
    const D3DXVECTOR2 down[2] = {{px.x, px.y - 6.0f}, {px.x, px.y + 6.0f}};
    m_pLine->Begin();
    m_pLine->Draw(across, 2, red);
    m_pLine->Draw(down, 2, red);
    m_pLine->End();
  }

  if (m_screenLabels) {
    CTextureFont* const fonts[4] = {nullptr, m_labelFonts[2], m_labelFonts[1], m_labelFonts[9]};
    const D3DCOLOR colours[4] = {0, LineColour(m_deepSkyNameColor), LineColour(m_starNameColor),
                                 LineColour(m_starNameColor)};
    m_screenLabels->Draw(fonts, colours);
  }
}
