// The surface tiles of the Earth, Mars and the Moon at the highest texture
// level: tiles near the camera load from "Textures thr" once they have stayed
// near for a few frames, far ones are released. The near counters and a
// random draw spread the file loads over frames.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "InstallPath.h"
#include "Nuvarine2View.h"
#include "Schedules.h"
#include "SolarSystemTypes.h"

int g_tileNearCountsLevel0[128];
int g_tileNearCountsLevel1[512];
int g_tileNearCountsLevel2[2048];
int g_loadedTileCount = 0;

namespace {

// The body whose tiles the three levels hold. The arrays are shared by the
// Earth, Mars and the Moon, and a near tile that already has a texture is
// kept as it is: without this, tiles left from one body (say, while the
// texture level was lowered) would be drawn on the next one.
int g_tileBody = -1;

struct Thresholds {
  float factor, distance;  // of the body's camera distance; absolute (millions of km)
};

Thresholds ThresholdsOf(int body, int level) {
  static const Thresholds kEarth[3] = {{0.5f, 0.008f}, {0.3f, 0.003f}, {0.2f, 0.0015f}};
  static const Thresholds kMars[3] = {{0.6f, 0.008f}, {0.0f, 0.0f}, {0.0f, 0.0f}};
  static const Thresholds kMoon[3] = {{0.6f, 0.002f}, {0.25f, 0.001f}, {0.0f, 0.0f}};
  return body == kBodyEarth ? kEarth[level] : body == kBodyMars ? kMars[level] : kMoon[level];
}

// The tile file of a body and level; empty when the body has none there.
std::string TilePath(const CString& installFolder, int body, int level, int column, int row) {
  const char* folder = body == kBodyEarth ? "Earth-BlueMarble" : body == kBodyMars ? "Mars" : "Moon";
  if ((body == kBodyMars && level > 0) || (body == kBodyMoon && level > 1)) return {};
  char path[128];
  std::snprintf(path, sizeof path, "\\Textures thr\\%s\\%i\\tx_%i_%i.%s", folder, level, column, row,
                body == kBodyMars ? "jpg" : "dds");
  return ResolveInstallPath(installFolder, path);
}

}  // namespace

void CNuvarine2View::RunSurfaceTiles() {
  if (m_textureLevel != 4) return;
  // 1. The body the camera is close to; the Moon, tested last, wins.
  int body = -1;
  for (const int b : {kBodyEarth, kBodyMars, kBodyMoon}) {
    const float dx = static_cast<float>(g_bodies[b].position.x - m_cameraPosition.x);
    const float dy = static_cast<float>(g_bodies[b].position.y - m_cameraPosition.y);
    const float dz = static_cast<float>(g_bodies[b].position.z - m_cameraPosition.z);
    if (std::sqrt(dx * dx + dy * dy + dz * dz) < 0.1f) body = b;
  }
  if (body < 0) return;
  const BodyState& state = g_bodies[body];

  // 2. The body's orientation, as the tiled sphere is drawn.
  double angle = 0.0;
  if (body == kBodyEarth) angle = -LocalSiderealTime(m_julianDate, m_utFraction, 0.0);
  else if (body == kBodyMars) angle = 2.41 - state.rotationAngle;
  else angle = -state.rotationAngle - 0.08;
  D3DXMATRIX turn, pole;
  D3DXMatrixRotationZ(&turn, static_cast<float>(angle));
  D3DXMatrixIdentity(&pole);
  if (g_bodyPoles[body][0] != 0.0f)
    BuildRotationBetweenVectors(&pole, D3DXVECTOR3(g_bodyPoles[body][0], g_bodyPoles[body][1], g_bodyPoles[body][2]),
                                D3DXVECTOR3(0, 0, 1), 0.0f);
  const D3DXMATRIX orientation = turn * pole;

  const float radius = static_cast<float>(state.diameter * 5e-07);
  const float cameraDistance = static_cast<float>(state.cameraDistance);
  const D3DXVECTOR3 centre(static_cast<float>(state.position.x - m_cameraPosition.x),
                           static_cast<float>(state.position.y - m_cameraPosition.y),
                           static_cast<float>(state.position.z - m_cameraPosition.z));
  struct Level {
    BYTE* flags;
    int rowStride;
    IDirect3DTexture9** textures;
    int* nearCounts;
    float halfLatitude;   // degrees
    float halfLongitude;  // radians
  };
  const Level levels[3] = {
      {&m_tileVisibleLevel0[0][0], 20, m_tileTexturesLevel0, g_tileNearCountsLevel0, 11.25f, 0.19634955f},
      {&m_tileVisibleLevel1[0][0], 40, m_tileTexturesLevel1, g_tileNearCountsLevel1, 5.6f, 0.09773844f},
      {&m_tileVisibleLevel2[0][0], 80, m_tileTexturesLevel2, g_tileNearCountsLevel2, 2.8f, 0.04886922f}};
  if (body != g_tileBody) {
    for (int L = 0; L < 3; ++L) {
      const int rows = kSurfaceTileLevels[L].rows, columns = kSurfaceTileLevels[L].columns;
      for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
          levels[L].flags[r * levels[L].rowStride + c] = 0;
          levels[L].nearCounts[r * columns + c] = 0;
          IDirect3DTexture9*& texture = levels[L].textures[r * columns + c];
          if (texture) {
            texture->Release();
            texture = nullptr;
            --g_loadedTileCount;
          }
        }
    }
    g_tileBody = body;
  }
  const float degree = 3.14159265f / 180.0f;
  const D3DFORMAT format = body == kBodyMars ? D3DFMT_R8G8B8 : D3DFMT_DXT1;
  for (int L = 0; L < 3; ++L) {
    const Level& level = levels[L];
    const int rows = kSurfaceTileLevels[L].rows, columns = kSurfaceTileLevels[L].columns;
    const Thresholds near = ThresholdsOf(body, L);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) {
        const int index = r * columns + c;
        BYTE& flag = level.flags[r * level.rowStride + c];
        IDirect3DTexture9*& texture = level.textures[index];
        // 4. The tile's centre on the surface.
        const float latitude = (static_cast<float>(r) * (180.0f / static_cast<float>(rows)) - 90.0f +
                                level.halfLatitude) * degree;
        const float longitude = static_cast<float>(c) * (360.0f / static_cast<float>(columns)) * degree -
                                level.halfLongitude;
        const D3DXVECTOR3 v(radius * std::cos(latitude) * std::sin(longitude),
                            radius * std::cos(latitude) * std::cos(longitude), radius * std::sin(latitude));
        D3DXVECTOR3 turned;
        D3DXVec3TransformCoord(&turned, &v, &orientation);
        const D3DXVECTOR3 point = centre - turned;
        const float distance = D3DXVec3Length(&point);
        // 5. Far: released.
        if (distance >= near.factor * cameraDistance || distance >= near.distance) {
          flag = 0;
          level.nearCounts[index] = 0;
          if (texture) {
            texture->Release();
            texture = nullptr;
            --g_loadedTileCount;
          }
          continue;
        }
        // 6. Near: loaded after a few frames, on a random hit.
        ++level.nearCounts[index];
        if (texture || !SurfaceTileLoadDue(L, level.nearCounts[index], std::rand())) continue;
        flag = 1;
        const std::string path =
            TilePath(m_installFolder, body, L, SurfaceTileFileColumn(body, c, columns), r);
        if (!path.empty() && m_pd3dDevice &&
            SUCCEEDED(D3DXCreateTextureFromFileExA(m_pd3dDevice, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                                   format, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, 0,
                                                   nullptr, nullptr, &texture)) &&
            texture) {
          ++g_loadedTileCount;
        } else {
          texture = nullptr;
          flag = 0;
        }
      }
  }
}
