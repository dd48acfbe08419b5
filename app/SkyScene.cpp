// The celestial sphere of one frame: the choice of catalogue depth from the
// field of view, the order of the sky passes, and the star passes of the
// bright-star catalogue and of the Sky2000 and Tycho-2 tiles.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ScreenLabel.h"
#include "SolarSystemTypes.h"

int g_visibleSky2000Tiles[kSkyTileSlotCount] = {};
int g_visibleTycho2Tiles[kSkyTileSlotCount] = {};

namespace {

// Colour of a spectral class letter.
struct SpectralColour {
  char letter;
  int r, g, b;
};
constexpr SpectralColour kSpectralColours[] = {{'O', 189, 207, 255}, {'B', 205, 239, 255}, {'A', 255, 255, 255},
                                               {'F', 239, 239, 191}, {'G', 206, 223, 175}, {'K', 255, 223, 207},
                                               {'M', 255, 207, 175}};

// The letters the Greek-letter font shows for alpha .. omega.
constexpr char kGreekFontLetters[] = "abgdezhqiklmnxoprstujcyw";

template <typename Star>
void FreeStarBuffer(Star*& buffer, int& count) {
  delete[] buffer;
  buffer = nullptr;
  count = 0;
}

}  // namespace

void SpectralClassColour(char letter, int& r, int& g, int& b) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const SpectralColour& c : kSpectralColours)
    if (c.letter == upper) {
      r = c.r, g = c.g, b = c.b;
      return;
    }
  r = g = b = 255;
}

float StarSpriteSize(float magnitude, float sizeScale) {
  return std::pow(1.45f, -std::max(magnitude, 0.5f)) * sizeScale;
}

float StarSizeDivisor(float skyBlue) { return (skyBlue + 0.0392f) * 30.0f + 1.0f; }

void CNuvarine2View::DrawSkyScene() {
  TraceCode(kTraceSkyScene);
  if (g_brightStarCount == 0) return;
  IDirect3DDevice9* device = m_pd3dDevice;

  ScreenLabelQueue labels;
  m_screenLabels = &labels;
  if (LoadedCometCount() == 0) m_showComets = false;
  if (LoadedAsteroidCount() == 0) m_showAsteroids = false;

  SelectCatalogueDepth();

  if (m_milkyWay >= 1) DrawMilkyWay();
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
  DrawPicturePlacementPreview();
  DrawDeepSkyObjects();

  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
  device->SetVertexDeclaration(m_planetDeclaration);
  device->SetVertexShader(m_planetShader);
  device->SetTexture(0, m_starPictureTexture);
  device->SetFVF(kSpriteVertexFvf);

  if (m_brightStarLayerActive) {
    m_lastStarDrawResult = D3D_OK;
    DrawBrightStars();
    TraceCode(m_lastStarDrawResult);
  }
  if (m_showStarNames) QueueStarNames();
  if (m_useSky2000 && m_sky2000Loaded) DrawSky2000Stars();
  if (m_useTycho2 && m_tycho2Loaded) {
    DrawTycho2Stars();
    if (m_tycho2Part2Loaded && m_useTycho2Part2) DrawTycho2Part2Stars();
  }
  m_tycho2Part2JustActivated = false;

  DrawSurveyTiles();
  DrawSkyLines();
  DrawSkyTexts();

  device->SetVertexShader(nullptr);
  m_screenLabels = nullptr;
}

void CNuvarine2View::SelectCatalogueDepth() {
  const float f = m_fieldOfView;
  m_brightStarLayerActive = true;
  m_limitingMagnitude = 6.5;

  // A catalogue whose tile could not be read stays off for the rest of the run.
  const bool useSky2000 = m_useSky2000 && !m_sky2000Unreadable;
  const bool useTycho2 = m_useTycho2 && !m_tycho2Unreadable;
  if (f < 0.6f) {
    if (useSky2000 && f > 0.1f && m_planetariumMode) {
      if (!g_sky2000Stars) g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
      if (!m_sky2000Loaded) {
        std::fill(std::begin(m_sky2000TileSlots), std::end(m_sky2000TileSlots), 0);
        g_sky2000StarCount = 0;
        m_sky2000Loaded = true;
        UpdateSkyPositions();
      }
    }
    if (m_sky2000Loaded) m_limitingMagnitude = 1.0 / f + 5.5;

    const float g = useSky2000 ? 0.2f : 0.3f;
    if (useTycho2 && g >= f && m_planetariumMode) {
      if (!g_tycho2Stars) g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
      if (!m_tycho2Loaded) {
        std::fill(std::begin(m_tycho2TileSlots), std::end(m_tycho2TileSlots), 0);
        std::fill(std::begin(g_visibleTycho2Tiles), std::end(g_visibleTycho2Tiles), 0);
        g_tycho2StarCount = 0;
        m_tycho2Loaded = true;
        UpdateSkyPositions();
      }
      m_limitingMagnitude = 1.0 / (10.0 * f) + 10.1;
      if (!useSky2000) m_limitingMagnitude -= 1.0;
    } else {
      m_tycho2Loaded = false;
      m_tycho2Part2Loaded = false;
    }
    if (m_tycho2Loaded || m_sky2000Loaded) m_brightStarLayerActive = false;

    if (m_tycho2Loaded && !m_tycho2Part2Loaded && f < 0.05f) {
      if (!g_tycho2Part2Stars) g_tycho2Part2Stars = new Tycho2Star[kTycho2StarLimit + 1];
      g_tycho2Part2StarCount = 0;
      m_tycho2Part2Loaded = true;
      m_tycho2Part2JustActivated = true;
      UpdateSkyPositions();
    }
    if (f > 0.05f) m_tycho2Part2Loaded = false;
    if (!useTycho2) m_tycho2Loaded = m_tycho2Part2Loaded = false;
    if (!useSky2000 && f > 0.6f) {
      m_tycho2Loaded = m_tycho2Part2Loaded = false;
      m_brightStarLayerActive = true;
    }
  } else {
    if (m_sky2000Loaded && !useTycho2) {
      m_sky2000Loaded = false;
      UpdateSkyPositions();
    }
    if (m_tycho2Loaded) {
      m_tycho2Loaded = m_tycho2Part2Loaded = false;
      UpdateSkyPositions();
    }
    m_brightStarLayerActive = true;
    m_sky2000Loaded = m_tycho2Loaded = m_tycho2Part2Loaded = false;
  }

  if (!m_sky2000Loaded) FreeStarBuffer(g_sky2000Stars, g_sky2000StarCount);
  if (!m_tycho2Loaded) FreeStarBuffer(g_tycho2Stars, g_tycho2StarCount);
  if (!m_tycho2Part2Loaded) FreeStarBuffer(g_tycho2Part2Stars, g_tycho2Part2StarCount);

  float scale = std::pow(2.0f * f, 0.1f) * m_magnitudeZero * 0.37f;
  if (m_planetariumMode && m_showCloudySky) scale *= 0.6666667f;
  m_starSizeScale = scale / StarSizeDivisor(m_skyColorValue.b);

  if (m_starMagnitudeLimit < m_limitingMagnitude) m_limitingMagnitude = m_starMagnitudeLimit;
  m_deepSkyLimitingMagnitude = m_planetariumMode ? 1.0 / (4.0 * f) + 9.0 : 6.0;
}

bool CNuvarine2View::DrawStarSprite(const D3DXVECTOR3& point, float size, float red, float green, float blue) {
  if (!m_spriteQuadVB || !m_planetShader) return false;
  IDirect3DDevice9* device = m_pd3dDevice;
  D3DXMATRIX translation, world = m_camera.GetBillboardMatrix();
  D3DXMatrixTranslation(&translation, point.x, point.y, point.z);
  world = world * translation;
  device->SetTransform(D3DTS_WORLD, &world);
  const D3DXMATRIX wvp = world * m_viewProjectionMatrix;
  D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
  device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
  const float sizeConstant[4] = {size, 1.0f, 1.0f, 0.0f};
  const float colourConstant[4] = {red, green, blue, 0.0f};
  device->SetVertexShaderConstantF(0, sizeConstant, 1);
  device->SetVertexShaderConstantF(1, colourConstant, 1);
  device->SetStreamSource(0, m_spriteQuadVB, 0, sizeof(SpriteVertex));
  m_lastStarDrawResult = device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  return true;
}

float CNuvarine2View::MinimumStarSize() const { return 2.0f * std::tan(0.2f * m_fieldOfView); }

void CNuvarine2View::DrawBrightStars() {
  const float f = m_fieldOfView;
  const float t = MinimumStarSize();
  const bool direct = m_planetariumMode;
  int begin = 0;
  for (int zone = 1; zone <= kZoneCount; ++zone) {
    const int end = std::min(g_brightStarZones[zone].endIndex, g_brightStarCount);
    for (int i = begin; i < end; ++i) {
      const BrightStar& star = g_brightStars[i];
      if (star.magnitude > m_limitingMagnitude) continue;
      float s = StarSpriteSize(star.magnitude, m_starSizeScale);
      if (s <= 0.0f) continue;
      const D3DXVECTOR3 p = direct ? SkyToScenePoint(true, star.altitude, star.azimuth, 2.0f)
                                   : SkyToScenePoint(false, star.declination, star.rightAscension, 2.0f);
      if (!IsInViewCone(p.x, p.y, p.z, f)) continue;
      int r, g, b;
      SpectralClassColour(star.spectralType[2], r, g, b);
      if (s < t) {
        // Fainter than the smallest sprite: drawn at that size, greyer the
        // more size it lacks.
        const int grey = std::min(255, static_cast<int>((r + g + b) / 3.0f / ((t - s) * 20.0f + 1.0f)));
        r = g = b = grey;
        s = t;
      } else if (direct && s > 1.0f) {
        s *= 1.0f + (std::rand() % 50 - 25) * 0.0033333334f;
      }
      if (direct && m_showLandscape && s > 0.0f && star.altitude < 0.45f) {
        const int k = static_cast<int>(std::pow(0.45f - star.altitude, 1.4f) * 1500.0f * f * f);
        r = std::clamp(r - k, 0, 255), g = std::clamp(g - k, 0, 255), b = std::clamp(b - k, 0, 255);
      }
      if (r < 1 || g < 1 || b < 1) continue;
      DrawStarSprite(p, s, r / 255.0f, g / 255.0f, b / 255.0f);
    }
    begin = std::max(begin, end);
  }
}

void CNuvarine2View::QueueStarNames() {
  const int width = static_cast<int>(m_backBufferWidthPixels), height = static_cast<int>(m_backBufferHeightPixels);
  for (int i = 0; i < g_brightStarCount; ++i) {
    const BrightStar& star = g_brightStars[i];
    if (star.magnitude > 4.5f) continue;
    const D3DXVECTOR3 p = m_planetariumMode ? SkyToScenePoint(true, star.altitude, star.azimuth, 2.0f)
                                            : SkyToScenePoint(false, star.declination, star.rightAscension, 2.0f);
    if (!IsInViewCone(p.x, p.y, p.z, m_fieldOfView)) continue;
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &p, &m_viewProjectionMatrix);
    const float x = (ndc.x + 1.0f) * width / 2.0f, y = (1.0f - ndc.y) * height / 2.0f;
    if (m_starNameStyle == 1) {
      for (const StarName& name : g_starNames)
        if (name.bscNumber == star.bscNumber) {
          m_screenLabels->Add(x, y, name.name, kLabelStarName);
          break;
        }
    } else if (m_starNameStyle == 2) {
      for (int k = 0; k < 24; ++k)
        if (strncasecmp(star.bayer, g_greekLetterNames[k].GetString(), 3) == 0) {
          m_screenLabels->Add(x, y, CString(1, kGreekFontLetters[k]), kLabelBayer);
          break;
        }
    } else if (m_starNameStyle == 3 && star.flamsteed != 0) {
      CString text;
      text.Format("%i", star.flamsteed);
      m_screenLabels->Add(x, y, text, kLabelStarName);
    }
  }
}

// ---- Star tiles --------------------------------------------------------------

int CNuvarine2View::FindVisibleTiles(const TileCentre* tiles, int tileCount, float cone, int* visible) {
  int count = 0;
  for (int k = 1; k <= tileCount && count < kSkyTileSlotCount; ++k) {
    const D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(tiles[k].altitude),
                                          static_cast<float>(tiles[k].azimuth), 2.0f);
    if (IsInViewCone(p.x, p.y, p.z, cone)) visible[count++] = k;
  }
  std::fill(visible + count, visible + kSkyTileSlotCount, 0);
  return count;
}

namespace {

bool Contains(const int* list, int count, int value) { return std::find(list, list + count, value) != list + count; }

// Removes the records of one tile, keeping the others in order.
template <typename Star>
void DropTileStars(Star* stars, int& count, int tile) {
  count = static_cast<int>(std::remove_if(stars, stars + count, [tile](const Star& s) { return s.tile == tile; }) -
                           stars);
}

}  // namespace

template <typename Star>
bool CNuvarine2View::RefreshTiles(const int* visible, int visibleCount, int* slots, Star* stars, int& count,
                                  bool (*load)(CString, int), bool writeSlots) {
  bool differs = m_animationRunning;
  for (int i = 0; i < visibleCount && !differs; ++i) differs = visible[i] != slots[i];
  if (!differs) return true;
  for (int i = 0; i < kSkyTileSlotCount; ++i)
    if (slots[i] != 0 && !Contains(visible, visibleCount, slots[i])) DropTileStars(stars, count, slots[i]);
  for (int i = 0; i < visibleCount; ++i) {
    if (Contains(slots, kSkyTileSlotCount, visible[i])) continue;
    const int first = count;
    if (!load(m_installFolder, visible[i])) return false;
    if (!m_animationRunning)
      for (int k = first; k < count; ++k) PlaceTileStar(stars[k]);
  }
  if (m_animationRunning)
    for (int k = 0; k < count; ++k) PlaceTileStar(stars[k]);
  if (writeSlots) std::copy(visible, visible + kSkyTileSlotCount, slots);
  return true;
}

template <typename Star>
void CNuvarine2View::PlaceTileStar(Star& star) {
  double ra = star.rightAscension, dec = star.declination, az = 0.0, alt = 0.0;
  PrecessFromJ2000(ra, dec);
  EquatorialToHorizontal(az, alt, m_localSiderealTime, ra, dec);
  star.azimuth = static_cast<float>(az);
  star.altitude = static_cast<float>(alt);
}

void CNuvarine2View::DrawSky2000Stars() {
  const float f = m_fieldOfView;
  const int visibleCount = FindVisibleTiles(g_sky2000Tiles, kSky2000TileCount, std::max(1.1f * f, 0.4f),
                                            g_visibleSky2000Tiles);
  if (!RefreshTiles(g_visibleSky2000Tiles, visibleCount, m_sky2000TileSlots, g_sky2000Stars, g_sky2000StarCount,
                    &LoadSky2000Tile, true)) {
    // Off for this run only: the user's switch (and the settings file) keep
    // the catalogue on.
    m_sky2000Unreadable = true;
    m_sky2000Loaded = false;
    return;
  }
  const float t = MinimumStarSize();
  const bool direct = m_planetariumMode;
  for (int i = 0; i < g_sky2000StarCount; ++i) {
    const Sky2000Star& star = g_sky2000Stars[i];
    if (star.magnitude > m_limitingMagnitude) continue;
    float s = StarSpriteSize(star.magnitude, m_starSizeScale);
    if (s <= 0.0f) continue;
    const D3DXVECTOR3 p = SkyToScenePoint(true, star.altitude, star.azimuth, 2.0f);
    if (!IsInViewCone(p.x, p.y, p.z, f)) continue;
    int r, g, b;
    SpectralClassColour(star.spectralClass[0], r, g, b);
    if (s < t) {
      const int grey = std::min(255, static_cast<int>((r + g + b) / 3.0f / ((t - s) * 45.0f + 1.0f)));
      if (grey < 1) continue;
      r = g = b = grey;
      s = t;
    } else if (direct && s > 0.5f) {
      s *= 1.0f + (std::rand() % 50 - 25) * 0.002f;
    }
    DrawStarSprite(p, s, r / 255.0f, g / 255.0f, b / 255.0f);
  }
}

void CNuvarine2View::DrawTycho2Stars() {
  const float f = m_fieldOfView;
  const int visibleCount = FindVisibleTiles(g_tycho2Tiles, kTycho2TileCount, std::max(1.1f * f, 0.15f),
                                            g_visibleTycho2Tiles);
  if (!RefreshTiles(g_visibleTycho2Tiles, visibleCount, m_tycho2TileSlots, g_tycho2Stars, g_tycho2StarCount,
                    &LoadTycho2Part1Tile, !m_tycho2Part2Loaded)) {
    m_tycho2Unreadable = true;
    m_tycho2Loaded = false;
    return;
  }
  const float t = MinimumStarSize();
  for (int i = 0; i < g_tycho2StarCount; ++i) {
    const Tycho2Star& star = g_tycho2Stars[i];
    if (!(star.vtMagnitude > 9.0f) || star.vtMagnitude > m_limitingMagnitude) continue;
    float s = StarSpriteSize(star.vtMagnitude, m_starSizeScale);
    if (s <= 0.0f) continue;
    const D3DXVECTOR3 p = SkyToScenePoint(true, star.altitude, star.azimuth, 2.0f);
    if (!IsInViewCone(p.x, p.y, p.z, f)) continue;
    int grey = 255;
    if (s < t) {
      grey = static_cast<int>(255.0f / ((t - s) * 60.0f + 1.0f));
      if (grey < 1) continue;
      s = t;
    }
    DrawStarSprite(p, s, grey / 255.0f, grey / 255.0f, grey / 255.0f);
  }
}

void CNuvarine2View::DrawTycho2Part2Stars() {
  const float f = m_fieldOfView;
  if (m_tycho2Part2JustActivated && g_tycho2Part2StarCount == 0)
    std::fill(std::begin(m_tycho2TileSlots), std::end(m_tycho2TileSlots), 0);
  const int visibleCount = FindVisibleTiles(g_tycho2Tiles, kTycho2TileCount, std::max(1.1f * f, 0.15f),
                                            g_visibleTycho2Tiles);
  if (!RefreshTiles(g_visibleTycho2Tiles, visibleCount, m_tycho2TileSlots, g_tycho2Part2Stars,
                    g_tycho2Part2StarCount, &LoadTycho2Part2Tile, true)) {
    m_tycho2Unreadable = true;
    m_tycho2Part2Loaded = false;
    return;
  }
  for (int i = 0; i < g_tycho2Part2StarCount; ++i) {
    const Tycho2Star& star = g_tycho2Part2Stars[i];
    if (star.vtMagnitude > m_limitingMagnitude) continue;
    const float s = std::pow(1.45f, -star.vtMagnitude) * m_starSizeScale;
    if (s <= 0.0f) continue;
    const D3DXVECTOR3 p = SkyToScenePoint(true, star.altitude + 0.0009f * s, star.azimuth + 0.001f * s, 2.0f);
    if (!IsInViewCone(p.x, p.y, p.z, f)) continue;
    DrawStarSprite(p, s, 1.0f, 1.0f, 1.0f);
  }
}
