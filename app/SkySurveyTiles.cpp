// Sky-survey tiles: the one-degree photographs the download slots leave in
// the cache folder, drawn around the view centre at narrow fields, with a
// red frame on the tile each slot is fetching; and the requests that keep
// the three slots busy around the view centre.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Endpoints.h"
#include "InstallPath.h"
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "ScreenLabel.h"
#include "SkyMath.h"
#include "SurveyTiles.h"
#include "TextureFont.h"

char g_dssSlotState[3] = {0, 0, 0};
double g_dssRequests[10] = {};
int g_dssTileSize = 300;
char g_dssTileLevel = 2;
double g_dssSteadyFieldOfView = 0.0;
BYTE g_dssFrameTicker = 0;

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
constexpr int kTileSizes[6] = {0, 0, 300, 512, 1024, 1500};
// Field of view below which level L gives way to level L + 1.
constexpr float kLevelBounds[5] = {0.0f, 0.0f, 0.053f, 0.025f, 0.008f};

template <class T>
void ReleaseInterface(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// Mean of the pixels of one border line between 5 and the line's darkest
// non-zero pixel + 20: the sky background along that border.
int BorderLevel(const unsigned char* bits, int count, int step) {
  int darkest = 255;
  for (int i = 0; i < count; ++i) {
    const int v = bits[static_cast<long>(i) * step];
    if (v != 0 && v < darkest) darkest = v;
  }
  if (darkest == 0) darkest = 5;
  long sum = 0, n = 0;
  for (int i = 0; i < count; ++i) {
    const int v = bits[static_cast<long>(i) * step];
    if (v >= 5 && v < darkest + 20) {
      sum += v;
      ++n;
    }
  }
  return n ? static_cast<int>(sum / n) : 0;
}

}  // namespace

void StepSurveyTileLevel(float fieldOfView, char& level, int& size) {
  if (level < 2 || level > 5) level = 2;
  while (level < 5 && fieldOfView < kLevelBounds[static_cast<int>(level)]) ++level;
  while (level > 2 && fieldOfView > kLevelBounds[level - 1]) --level;
  size = kTileSizes[static_cast<int>(level)];
}

int SurveyTileWidth(int size, double declination) {
  // Near the poles the row shrinks to nothing; one column still keeps the
  // tile a texture and the flattening's divisions finite.
  return std::max(1, static_cast<int>(std::floor(size * std::fabs(std::cos(declination * kDegree)))));
}

void FlattenSurveyTile(unsigned char* bits, int width, int height, int pitch) {
  // The border lines sit 3 pixels in: too small a tile has none.
  if (!bits || width < 8 || height < 8 || pitch < width) return;
  const int top = BorderLevel(bits + 3L * pitch, width, 1);
  const int left = BorderLevel(bits + 3, height, pitch);
  const int right = BorderLevel(bits + (width - 4), height, pitch);
  const int bottom = BorderLevel(bits + static_cast<long>(height - 3) * pitch, width, 1);
  int levels[4] = {top, left, right, bottom};

  const int step = std::max(1, width / 20);
  long sum = 0, n = 0;
  for (int y = 1; y < height; y += step)
    for (int x = 0; x < width; x += step) {
      sum += bits[static_cast<long>(y) * pitch + x];
      ++n;
    }
  const int mean = n ? static_cast<int>(sum / n) : 0;
  for (int& level : levels)
    if (std::abs(level - mean) > 70) level = mean;
  for (int level : levels)
    if (level <= 5 || level >= 250) return;

  const double t = levels[0], l = levels[1], r = levels[2], b = levels[3];
  for (int y = 0; y < height; ++y) {
    const double vertical = 50.0 / (t + y * (b - t) / height);
    unsigned char* row = bits + static_cast<long>(y) * pitch;
    for (int x = 0; x < width; ++x) {
      const double gain = std::sqrt((50.0 / (l + x * (r - l) / width)) * vertical);
      row[x] = static_cast<unsigned char>(std::min(255.0, row[x] * gain));
    }
  }
}

void CNuvarine2View::DropSurveyTile(int slot) {
  m_dssTileNames[slot].Empty();
  m_dssTileSizes[slot] = 0;
  ReleaseInterface(m_dssTileTextures[slot]);
}

int CNuvarine2View::LoadedSurveyTileCount() const {
  int count = 0;
  for (int i = 0; i < kSurveyTileSlots; ++i) count += m_dssTileTextures[i] ? 1 : 0;
  return count;
}

void CNuvarine2View::ReleaseSurveyTileCache() {
  for (int i = 0; i < kSurveyTileSlots; ++i) DropSurveyTile(i);
}

bool CNuvarine2View::SurveyPlacePixel(double rightAscension, double declination, float radius, D3DXVECTOR2& pixel) {
  double azimuth = 0.0, altitude = 0.0;
  EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, rightAscension, declination);
  const D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), radius);
  D3DXVECTOR4 clip;
  D3DXVec3Transform(&clip, &p, &m_viewProjectionMatrix);
  pixel = ScenePointToPixel(p);
  return clip.w > 0.0f;
}

bool CNuvarine2View::SurveyTileVisible(double alpha, double delta, bool sampleEdges) {
  double a = alpha * kDegree, d = delta * kDegree;
  PrecessFromJ2000(a, d);
  const float width = static_cast<float>(m_backBufferWidth), height = static_cast<float>(m_backBufferHeight);
  auto inside = [&](double da, double dd) {
    D3DXVECTOR2 px;
    return SurveyPlacePixel(a + da * kDegree, d + dd * kDegree, 2.01f, px) && px.x > 0.0f && px.x < width &&
           px.y > 0.0f && px.y < height;
  };
  if (inside(-0.5, -0.5) || inside(-0.5, 0.5) || inside(0.5, -0.5) || inside(0.5, 0.5)) return true;
  if (!sampleEdges) return false;
  for (int k = 0; k <= 15; ++k) {
    const double s = -0.5 + k / 15.0;
    if (inside(s, -0.5) || inside(s, 0.5) || inside(-0.5, s) || inside(0.5, s)) return true;
  }
  return false;
}

void CNuvarine2View::DrawSurveyTiles() {
  IDirect3DDevice9* device = m_pd3dDevice;
  const float f = m_fieldOfView;
  if (!m_planetariumMode || !g_dssEnabled || f > 0.08f || !device) return;
  const double savedPressure = m_pressure;
  m_pressure = 0.0;
  CString downloading;
  AfxLoadString(1059, downloading);

  if (++g_dssFrameTicker > 10) {
    g_dssFrameTicker = 0;
    m_viewMovedByMouse = false;
  }

  // The tile each busy slot asked for last, framed in red.
  if (g_internetReachable && g_dssInternetAvailable && m_pLine) {
    for (int s = 0; s < 3; ++s) {
      if (g_dssSlotState[s] != 1) continue;
      double a = g_dssRequests[2 + s] * kDegree, d = g_dssRequests[7 + s] * kDegree;
      PrecessFromJ2000(a, d);
      const double corners[4][2] = {{-0.495, -0.495}, {-0.495, 0.495}, {0.495, 0.495}, {0.495, -0.495}};
      D3DXVECTOR2 px[4];
      bool front = true;
      for (int c = 0; c < 4; ++c)
        front = SurveyPlacePixel(a + corners[c][0] * kDegree, d + corners[c][1] * kDegree, 2.0f, px[c]) && front;
      if (!front) continue;
      m_pLine->Begin();
      for (int c = 0; c < 4; ++c) {
        const D3DXVECTOR2 ends[2] = {px[c], px[(c + 1) % 4]};
        m_pLine->Draw(ends, 2, D3DCOLOR_ARGB(255, 255, 0, 0));
      }
      m_pLine->End();
      if (m_labelFonts[3])
        m_labelFonts[3]->DrawString((px[0].x + px[2].x) / 2.0f - 70.0f, (px[0].y + px[2].y) / 2.0f,
                                    D3DCOLOR_ARGB(255, 255, 0, 0), downloading.c_str(), 0);
    }
  }

  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);

  StepSurveyTileLevel(f, g_dssTileLevel, g_dssTileSize);
  const int tileWidth = SurveyTileWidth(g_dssTileSize, g_dssRequests[5]);
  const bool steady = m_frameCounter % 2 == 0 && static_cast<double>(f) == g_dssSteadyFieldOfView && !m_viewMovedByMouse;

  if (steady)
    for (int i = 0; i < kSurveyTileSlots; ++i)
      if (!m_dssTileNames[i].IsEmpty() && m_dssTileSizes[i] != g_dssTileSize) {
        DropSurveyTile(i);
        break;
      }

  const bool colour = g_dssServer == 3 && g_dssOptions == 3;
  int loads = 0;
  for (double alpha = g_dssRequests[0] - 5.0; alpha <= g_dssRequests[0] + 5.0; alpha += 1.0)
    for (double delta = g_dssRequests[5] - 4.0; delta <= g_dssRequests[5] + 4.0; delta += 1.0) {
      const CString name(DssTileName(alpha, delta, g_dssServer, g_dssMode, g_dssOptions) + ".jpg");
      int slot = -1;
      for (int i = 0; i < kSurveyTileSlots; ++i)
        if (m_dssTileNames[i] == name) {
          slot = i;
          break;
        }
      auto dropNode = [&] {
        if (slot >= 0) DropSurveyTile(slot);
      };

      std::string file;
      if (slot < 0) {
        file = ResolveInstallPath(m_installFolder.c_str(), std::string("\\cache\\DSS\\") + name.c_str());
        struct stat st;
        if (::stat(file.c_str(), &st) != 0) continue;
        if (st.st_size == 0) {
          // An empty answer left by a failed download: removed so the tile is fetched again.
          ::unlink(file.c_str());
          continue;
        }
      }

      bool visible = SurveyTileVisible(alpha, delta, true);
      if (!visible && f < 0.008f) {
        const double da = (g_dssRequests[1] - alpha) * kDegree, dd = (g_dssRequests[6] - delta) * kDegree;
        double d = std::sqrt(da * da + dd * dd);
        visible = d < 0.013962634;
      }
      if (!visible) {
        dropNode();
        continue;
      }

      if (slot < 0) {
        slot = kSurveyTileSlots - 1;
        for (int i = 0; i < kSurveyTileSlots - 1; ++i)
          if (m_dssTileNames[i].IsEmpty()) {
            slot = i;
            break;
          }
        const bool mayLoad = !m_wireframe && m_frameCounter % 2 == 0 &&
                             static_cast<double>(f) == g_dssSteadyFieldOfView && !m_viewMovedByMouse;
        if (mayLoad) {
          DropSurveyTile(slot);
          if (++loads == 3) ++m_frameCounter;  // no more decoding until the next even frame
          IDirect3DTexture9* texture = nullptr;
          const D3DFORMAT format = colour ? D3DFMT_R3G3B2 : D3DFMT_L8;
          if (SUCCEEDED(D3DXCreateTextureFromFileExA(device, file.c_str(), tileWidth, g_dssTileSize, 1, 0, format,
                                                     D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, 0,
                                                     nullptr, nullptr, &texture)) &&
              texture) {
            m_dssTileTextures[slot] = texture;
            m_dssTileNames[slot] = name;
            m_dssTileSizes[slot] = g_dssTileSize;
            if (!colour) {
              D3DLOCKED_RECT locked;
              if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
                auto* bits = static_cast<unsigned char*>(locked.pBits);
                FlattenSurveyTile(bits, tileWidth, g_dssTileSize, locked.Pitch);
                if (g_dssOptions == 2)
                  for (int y = 0; y < g_dssTileSize; ++y)
                    for (int x = 0; x < tileWidth; ++x) {
                      unsigned char& v = bits[static_cast<long>(y) * locked.Pitch + x];
                      v = static_cast<unsigned char>(255 - v);
                    }
                texture->UnlockRect(0);
              }
            }
          }
        }
      }
      if (!m_dssTileTextures[slot] || !m_spriteQuadVB) continue;

      // Tile centre and a point just north of it give the screen turn.
      // `turn` first holds the screen angle of north, counter-clockwise
      // from the screen's right (pixel rows grow downwards, hence the minus).
      // The picture's north edge is the quad's -x side, which the billboard
      // lays toward the screen's left (angle pi), and a turn about P seen
      // from the eye goes counter-clockwise: north lands on its angle after
      // a turn of that angle less pi.
      double a = alpha * kDegree, d = delta * kDegree;
      PrecessFromJ2000(a, d);
      double azimuth = 0.0, altitude = 0.0;
      EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, a, d);
      const D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.01f);
      D3DXVECTOR2 centre, north;
      SurveyPlacePixel(a, d, 2.01f, centre);
      SurveyPlacePixel(a, d + 0.0101 * kDegree, 2.01f, north);
      const double dx = north.x - centre.x, dy = north.y - centre.y;
      double turn = dx != 0.0 ? -std::atan(dy / dx) : (dy > 0.0 ? -kPi / 2 : kPi / 2);
      if (dx < 0.0) turn += kPi;
      turn = std::fmod(turn - kPi, 2.0 * kPi);
      if (turn < 0.0) turn += 2.0 * kPi;

      D3DXMATRIX rotation, move;
      D3DXMatrixRotationAxis(&rotation, &p, static_cast<float>(turn));
      D3DXMatrixTranslation(&move, p.x, p.y, p.z);
      const D3DXMATRIX world = m_camera.GetBillboardMatrix() * rotation * move;
      device->SetTransform(D3DTS_WORLD, &world);
      device->SetVertexDeclaration(m_planetDeclaration);
      device->SetVertexShader(m_planetShader);
      const D3DXMATRIX wvp = world * m_viewProjectionMatrix;
      D3DXMatrixTranspose(&m_shaderMatrix, &wvp);
      device->SetVertexShaderConstantF(2, &m_shaderMatrix._11, 4);
      const float c0[4] = {1.7554f, 1.0f, 1.0f, 0.0f}, c1[4] = {1.0f, 1.0f, 1.0f, 0.0f};
      device->SetVertexShaderConstantF(0, c0, 1);
      device->SetVertexShaderConstantF(1, c1, 1);
      device->SetTexture(0, m_dssTileTextures[slot]);

      IDirect3DVertexBuffer9* quad = nullptr;
      if (FAILED(device->CreateVertexBuffer(4 * sizeof(SpriteVertex), D3DUSAGE_WRITEONLY, kSpriteVertexFvf,
                                            D3DPOOL_MANAGED, &quad, nullptr)) ||
          !quad)
        continue;
      const float c1North = static_cast<float>(std::cos((delta + 0.5) * kDegree));
      const float c2South = static_cast<float>(std::cos((delta - 0.5) * kDegree));
      const SpriteVertex vertices[4] = {{-0.01f, -0.01f * c1North, 0.0f, 0xffffffff, 0.0f, 0.0f},
                                        {-0.01f, 0.01f * c1North, 0.0f, 0xffffffff, 1.0f, 0.0f},
                                        {0.01f, -0.01f * c2South, 0.0f, 0xffffffff, 0.0f, 1.0f},
                                        {0.01f, 0.01f * c2South, 0.0f, 0xffffffff, 1.0f, 1.0f}};
      void* data = nullptr;
      if (SUCCEEDED(quad->Lock(0, 0, &data, 0)) && data) {
        std::memcpy(data, vertices, sizeof vertices);
        quad->Unlock();
        device->SetFVF(kSpriteVertexFvf);
        device->SetStreamSource(0, quad, 0, sizeof(SpriteVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
      }
      device->SetStreamSource(0, nullptr, 0, 0);
      quad->Release();
      device->SetVertexDeclaration(m_discDeclaration);
      device->SetVertexShader(m_discShader);
    }

  device->SetVertexShader(nullptr);
  if (m_frameCounter % 5 == 0) g_dssSteadyFieldOfView = f;
  m_pressure = savedPressure;
}

void CNuvarine2View::RequestSurveyTiles() {
  if (!g_dssEnabled || m_fieldOfView > 0.08f || m_frameCounter % 5 != 0) return;
  // A server that keeps answering badly is told once; its tiles are then
  // asked for less and less often.
  std::string badServer;
  while (TakeDssServerComplaint(badServer)) {
    const std::string message = "The sky-survey server " + badServer +
                                " answers badly (no answer, an error, or no picture).\r\n"
                                "Its tiles will be asked for less and less often.";
    std::fprintf(stderr, "nuvarine2: the sky-survey server %s answers badly; its tiles are asked for less often\n",
                 badServer.c_str());
    ::MessageBox(nullptr, message.c_str(), "Nuvarine 2.0", MB_OK | MB_ICONWARNING);
  }
  // The servers may come from the install folder's endpoints file.
  LoadInstallEndpoints(m_installFolder);

  // The view centre, freed of refraction, back to J2000.
  float altitudeF = 0.0f, azimuthF = 0.0f;
  ScreenToSky(static_cast<int>(m_halfBackBufferWidth), static_cast<int>(m_halfBackBufferHeight), altitudeF, azimuthF);
  double h = altitudeF;
  const double azimuth = azimuthF;
  if (h >= 0.0017453292519943296) {
    if (h > 0.2617993877991494) {
      const double z = std::fabs(std::tan(kPi / 2 - h));
      h -= z * (0.016187777777777777 - 2.2888888888888888e-05 * z * z) * kDegree * m_refractionFactor;
    } else {
      const double degrees = h / kDegree;
      const bool low = h < 0.06981317007977318;
      const double a = low ? 2.6 : -1.1, b = low ? 7.5262 : 4.401, c = low ? -2.2204 : -0.9603;
      const double r = c * std::log(degrees + a) + b;
      h -= r * r * 0.0002908882086657216 * m_refractionFactor;
    }
  }
  const double phi = m_observerLatitude;
  const double s = std::sin(h) * std::sin(phi) + std::cos(h) * std::cos(azimuth) * std::cos(phi);
  double delta = std::asin(std::clamp(s, -1.0, 1.0));
  double hourAngle = 0.0;
  if (s != 1.0 && s != -1.0) {
    if (std::sin(phi) == 1.0 || std::sin(phi) == -1.0)
      hourAngle = azimuth;
    else
      hourAngle = std::acos(std::clamp((std::sin(h) - std::sin(phi) * s) / (std::cos(delta) * std::cos(phi)), -1.0, 1.0));
  }
  if (std::sin(azimuth) >= 0.0) hourAngle = 2.0 * kPi - hourAngle;
  double alpha = m_localSiderealTime - hourAngle;
  if (alpha < 0.0) alpha += 2.0 * kPi;
  PrecessToJ2000(alpha, delta);
  alpha = std::fmod(alpha, 2.0 * kPi);
  if (alpha < 0.0) alpha += 2.0 * kPi;
  g_dssRequests[1] = alpha / kDegree;
  g_dssRequests[6] = delta / kDegree;
  double truncatedAlpha = g_dssRequests[1], truncatedDelta = g_dssRequests[6];
  TruncateInPlace(truncatedAlpha);
  TruncateInPlace(truncatedDelta);
  g_dssRequests[0] = truncatedAlpha;
  g_dssRequests[5] = truncatedDelta;

  for (int slot = 0; slot < 3; ++slot) {
    if (!g_dssThreadFree[slot]) continue;
    g_dssThreadFree[slot] = false;
    double a = g_dssRequests[0], d = g_dssRequests[5];
    if (std::rand() % 16 <= 2) {
      a += std::rand() % 3 - 1;
      d += std::rand() % 3 - 1;
    } else {
      a += std::rand() % 11 - 5;
      d += std::rand() % 6 - 3;
    }
    bool wanted = SurveyTileVisible(a, d, false);
    if (!wanted && m_fieldOfView < 0.015f) {
      double da = std::fmod((g_dssRequests[1] - a) * kDegree, 2.0 * kPi);
      if (da < 0.0) da += 2.0 * kPi;
      if (da > kPi) da = 2.0 * kPi - da;
      const double dd = (g_dssRequests[6] - d) * kDegree;
      double distance = std::fmod(std::sqrt(dd * dd + da * da), 2.0 * kPi);
      if (distance > kPi) distance = 2.0 * kPi - distance;
      wanted = distance < 0.013962634015954637;
    }
    if (!wanted) {
      g_dssThreadFree[slot] = true;
      continue;
    }
    g_dssRequests[2 + slot] = a;
    g_dssRequests[7 + slot] = d;
    DssTileRequest& request = m_dssTileRequests[slot];
    request.rightAscension = a;
    request.declination = d;
    request.server = static_cast<char>(g_dssServer);
    request.imageType = static_cast<char>(g_dssMode);
    request.option = static_cast<char>(g_dssOptions);
    request.go = true;
    // A folder longer than the block holds is cut; the download then finds
    // no cache folder and fetches nothing.
    std::strncpy(request.installFolder, m_installFolder.c_str(), sizeof request.installFolder - 1);
    request.installFolder[sizeof request.installFolder - 1] = '\0';
    request.useProxy = m_useProxy;
    request.proxyName = m_proxyName.c_str();
    const int server = g_dssServer >= 1 && g_dssServer <= 3 ? g_dssServer : 3;
    request.host = g_endpoints().surveyHost[server - 1];
    g_dssSlotState[slot] = 1;
    StartDssTileThread(slot, request);  // frees the slot itself when no thread starts
  }
}

void CNuvarine2View::StopDownloadThreads() { StopDssTileThreads(); }
