// The bodies' resources in video memory: which ones the view can show close
// up (the draw flags, rebuilt every frame), and the textures and meshes
// loaded and released to match them.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "BodyTextureLoader.h"
#include "D3DFileMesh.h"
#include "MediaSearch.h"
#include "NumberFormat.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"

namespace {

template <class T>
void ReleaseInterface(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

constexpr UINT kStringLoadingObject = 3303;
constexpr UINT kStringTooLargeLow = 650;

void Set(CNuvarine2View::BodyDrawFlags& flags, std::initializer_list<int> slots) {
  for (int s : slots) flags[static_cast<size_t>(s)] = 1;
}

bool TrajectoryLoaded() { return g_trajectory[0].julianDate != 0.0; }

// Designed folders of the three resolution levels.
const char* LevelFolder(int level) {
  return level == 1 ? "Textures br" : level == 2 ? "Textures" : "Textures hr";
}

}  // namespace

void CNuvarine2View::ClearBodyDrawFlags() { m_bodyDrawFlags.fill(0); }

void CNuvarine2View::UpdateBodyDrawFlags() {
  ClearBodyDrawFlags();
  BodyDrawFlags& f = m_bodyDrawFlags;
  if (m_planetariumMode) {
    Set(f, {0, 10});
    if (m_fieldOfView < 0.1f) {
      struct Planet {
        int body;
        std::initializer_list<int> slots;
      };
      const Planet planets[] = {{kBodyMercury, {1}},
                                {kBodyVenus, {2}},
                                {kBodyMars, {4, 20, 21}},
                                {kBodyJupiter, {5, 16, 17, 18, 19}},
                                {kBodySaturn, {6, 22, 23, 24, 26, 27, 30, 31}},
                                {kBodyUranus, {7, 25, 28, 29, 32, 34}},
                                {kBodyNeptune, {8, 22, 33}},
                                {kBodyPluto, {9, 22}}};
      for (const Planet& p : planets) {
        const double a = g_bodies[p.body].azimuth, h = g_bodies[p.body].altitude;
        const float x = static_cast<float>(-0.6 * std::sin(a) * std::cos(h));
        const float y = static_cast<float>(-0.6 * std::sin(h));
        const float z = static_cast<float>(0.6 * std::cos(a) * std::cos(h));
        if (IsInViewCone(x, y, z, m_fieldOfView + 0.1f)) Set(f, p.slots);
      }
    }
    return;
  }
  if (m_showAsteroids)
    for (int i = 0; i < g_displayedAsteroidCount && i < kMaxDisplayedObjects && g_asteroids; ++i) {
      const int index = g_displayedAsteroidIndices[i];
      if (index < 0 || index >= g_asteroidCount) continue;
      if (g_asteroids[index].cameraDistance < 0.1) {
        f[42] = 1;
        break;
      }
    }
  if (m_showComets)
    for (int i = 0; i < g_displayedCometCount && i < kMaxDisplayedObjects && g_comets; ++i) {
      const int index = g_displayedCometIndices[i];
      if (index < 0 || index >= g_cometCount) continue;
      if (g_comets[index].cameraDistance < 0.1) {
        f[42] = 1;
        break;
      }
    }
  auto d = [](int body) { return g_bodies[body].cameraDistance; };
  if (d(kBodySun) < 300) Set(f, {0});
  if (d(kBodyMercury) < 10) Set(f, {1});
  if (d(kBodyVenus) < 10) Set(f, {2});
  if (d(kBodyEarth) < 10) Set(f, {3, 35, 10});
  if (d(kBodyMars) < 10) Set(f, {4, 20, 21});
  if (d(kBodyJupiter) < 30) Set(f, {5, 16, 17, 18, 19});
  if (d(kBodySaturn) < 40) {
    Set(f, {6, 22, 23, 27, 31});
    if (d(kBodyDione) < 0.1) Set(f, {26});
    if (d(kBodyRhea) < 0.1) Set(f, {30});
    if (d(kBodyEncelade) < 0.1) Set(f, {24});
  }
  if (d(kBodyUranus) < 20) Set(f, {7, 25, 34, 28, 29, 32});
  if (d(kBodyNeptune) < 40) Set(f, {8, 22, 33});
  if (d(kBodyPluto) < 10) Set(f, {9, 22});
  if (d(kBodySedna) < 30) Set(f, {22});
  if (m_computeSatellitePositions) {
    if (d(kBodyHubble) < 0.001) Set(f, {13});
    if (d(kBodyIss) < 0.0001) Set(f, {14});
    for (int n = kBodyNoaa10; n <= kBodyNoaa18; ++n)
      if (d(n) < 0.0001) Set(f, {47});
  }
  if (TrajectoryLoaded()) {
    const int probes[][2] = {{kBodyGalileo, 15},     {kBodyVoyager2, 37},    {kBodySpirit, 38},
                             {kBodyCassini, 39},     {kBodyVoyager1, 37},    {kBodyPionner10, 41},
                             {kBodyRosetta, 43},     {kBodyDeepImpact, 44},  {kBodyTempel1, 42},
                             {kBodyNewHorizons, 45}, {kBodyMarsExpress, 46}, {kBodyVenusExpress, 48},
                             {kBodyNear, 49},        {kBodyHuygens, 40}};
    for (const auto& p : probes)
      if (d(p[0]) < 0.3) f[static_cast<size_t>(p[1])] = 1;
  }
}

void CNuvarine2View::ShowTextureSizeBox(UINT stringId) {
  HideLoadingDialogs();
  ::MessageBox(GetSafeHwnd(), AfxString(stringId).c_str(), "Nuvarine 2.0", MB_OK);
}

HRESULT CNuvarine2View::CreateNormalMapTexture(const char* path, IDirect3DTexture9** out, float amplitude,
                                               D3DFORMAT format) {
  TraceCode(kTraceNormalMap);
  *out = nullptr;
  std::string resolved;
  if (FAILED(FindMediaFile(path, resolved))) return E_FAIL;
  IDirect3DTexture9* heights = nullptr;
  HRESULT result = D3DXCreateTextureFromFileExA(m_pd3dDevice, resolved.c_str(), 0, 0, 1, 0, format, D3DPOOL_MANAGED,
                                                D3DX_FILTER_LINEAR, D3DX_DEFAULT, D3DCOLOR_ARGB(255, 0, 0, 0), nullptr,
                                                nullptr, &heights);
  TraceCode(result);
  if (FAILED(result) || !heights) return E_FAIL;
  D3DSURFACE_DESC description{};
  heights->GetLevelDesc(0, &description);
  result = m_pd3dDevice->CreateTexture(description.Width, description.Height, heights->GetLevelCount(), 0, format,
                                       D3DPOOL_MANAGED, out, nullptr);
  TraceCode(result);
  if (SUCCEEDED(result) && *out) {
    result = D3DXComputeNormalMap(*out, heights, nullptr, 0, D3DX_CHANNEL_RED, amplitude);
    TraceCode(result);
  }
  heights->Release();
  // A half-made texture would draw garbage relief: the slot stays empty and
  // the body is drawn as the plain textured sphere.
  if (FAILED(result) || !*out) {
    ReleaseInterface(*out);
    return FAILED(result) ? result : E_FAIL;
  }
  return S_OK;
}

bool CNuvarine2View::LoadBodyTexture(IDirect3DTexture9** slot, bool load, D3DFORMAT plainFormat,
                                     D3DFORMAT compressedFormat, unsigned mipLevels, CString name, CString extension,
                                     float bumpScale, bool showMessage) {
  if (!load) {
    ReleaseBodyTexture(*slot);
    return true;
  }
  if (*slot || !m_pd3dDevice) return true;
  if (m_bodyTextureLoader && m_bodyTextureLoader->IsPending(slot)) return true;
  int level = std::min<int>(m_textureLevel, 3);
  if (m_planetariumMode) level = name.Find("moon") >= 0 && m_textureLevel >= 3 ? 3 : 2;
  bool compressed = m_textureCompression;
  // The downloaded cloud map is a single JPEG for every level: it comes first
  // when present, the level folders after it.
  const CString cloudMap = m_installFolder + "\\textures\\nuagestr.jpg";
  std::string found;
  const bool downloaded = name == "nuagestr" && SUCCEEDED(FindMediaFile(cloudMap.c_str(), found));
  if (downloaded) compressed = false;
  // The files are looked up here; reading and decoding them is the slow part.
  BodyTextureRequest request;
  request.mipLevels = mipLevels;
  bool messageShown = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const CString file = downloaded && attempt == 0 ? std::string(cloudMap)
                         : compressed ? FormatC("%s\\%s\\%s.dds", m_installFolder.c_str(), LevelFolder(level), name.c_str())
                                      : FormatC("%s\\%s\\%s.%s", m_installFolder.c_str(), LevelFolder(level),
                                                name.c_str(), extension.c_str());
    BodyTextureAttempt a;
    a.format = compressed ? compressedFormat : plainFormat;
    a.level = level;
    a.normalMap = bumpScale != 0.0f;
    a.amplitude = static_cast<float>(static_cast<int8_t>(m_bumpMapping)) * bumpScale;
    std::string path;
    a.findResult = FindMediaFile(file.c_str(), path);
    if (SUCCEEDED(a.findResult)) a.path = path;
    // The loading window names the files up to the first one found.
    if (showMessage && !messageShown) ShowLoadingMessage(m_loadingWindow, IDS_LOADING_TEXTURE, path.c_str());
    messageShown = messageShown || SUCCEEDED(a.findResult);
    request.attempts.push_back(std::move(a));
    if (attempt == 0) compressed = false;
    if (attempt == 1) level = 2;
  }
  if (m_decodeBodyTexturesInBackground) {
    if (!m_bodyTextureLoader) {
      const unsigned cores = std::thread::hardware_concurrency();
      m_bodyTextureLoader = std::make_unique<BodyTextureLoader>(std::clamp(cores / 2, 1u, 3u));
    }
    m_bodyTextureLoader->Request(slot, std::move(request));
    return true;
  }
  BodyTextureOutcome outcome;
  PrepareBodyTexture(request, outcome);
  FillBodyTextureSlots({slot}, outcome);
  return true;
}

void CNuvarine2View::LoadEarthCloudTexture(bool load, bool showMessage) {
  IDirect3DTexture9** slot = &m_bodyTextures[2];
  const bool empty = !*slot && !(m_bodyTextureLoader && m_bodyTextureLoader->IsPending(slot));
  if (load && empty) {
    // Before the first download there is no map to show: the shipped clouds
    // stand in, and the refresh that brings a map loads it in their place.
    std::string found;
    m_earthCloudsAreLiveMap =
        m_realTimeCloudMap && SUCCEEDED(FindMediaFile((m_installFolder + "\\textures\\nuagestr.jpg").c_str(), found));
  }
  if (m_earthCloudsAreLiveMap)
    LoadBodyTexture(slot, load, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "nuagestr", "jpg", 0.0f, showMessage);
  else
    LoadBodyTexture(slot, load, D3DFMT_A8R8G8B8, D3DFMT_DXT5, 1, "clouds", "png", 0.0f, showMessage);
}

void CNuvarine2View::FillBodyTextureSlots(const std::vector<IDirect3DTexture9**>& slots, BodyTextureOutcome& outcome) {
  HRESULT result = outcome.result;
  if (outcome.oversizedLevel != 0) {
    if (!m_textureSizeBoxShown) {
      m_textureSizeBoxShown = true;
      ShowTextureSizeBox(kStringTooLargeLow + static_cast<UINT>(outcome.oversizedLevel - 1));
    }
  } else if (SUCCEEDED(result)) {
    if (!m_pd3dDevice) result = E_FAIL;
    for (size_t i = 0; i < slots.size() && m_pd3dDevice; ++i) {
      IDirect3DTexture9** slot = slots[i];
      if (*slot) continue;  // filled some other way meanwhile
      nvd3dx::PreparedTexture texture = i + 1 == slots.size() ? std::move(outcome.texture) : outcome.texture;
      result = nvd3dx::CreateTextureFromPrepared(m_pd3dDevice, std::move(texture), 0, D3DPOOL_MANAGED, slot);
      if (FAILED(result)) *slot = nullptr;
    }
  }
  TraceCode(result);
}

void CNuvarine2View::FillDecodedBodyTextures(bool all) {
  if (!m_bodyTextureLoader) return;
  // A large picture handed to the device costs a good part of a frame: one
  // of those per frame, or several small ones.
  constexpr size_t kBytesPerFrame = 8u << 20;
  size_t bytes = 0;
  BodyTextureLoader::Finished finished;
  while ((all || bytes < kBytesPerFrame) && m_bodyTextureLoader->TakeFinished(finished)) {
    bytes += finished.outcome.texture.Bytes();
    FillBodyTextureSlots(finished.waiting, finished.outcome);
    finished = BodyTextureLoader::Finished{};
  }
}

int CNuvarine2View::PendingBodyTextureCount() const {
  return m_bodyTextureLoader ? m_bodyTextureLoader->PendingCount() : 0;
}

void CNuvarine2View::WaitForPendingBodyTextures() {
  while (m_bodyTextureLoader && m_bodyTextureLoader->PendingCount() > 0) {
    m_bodyTextureLoader->WaitForFinished();
    FillDecodedBodyTextures(true);
  }
}

void CNuvarine2View::ReleaseBodyTexture(IDirect3DTexture9*& slot) {
  if (m_bodyTextureLoader) m_bodyTextureLoader->Forget(&slot);
  ReleaseInterface(slot);
}

void CNuvarine2View::SyncBodyTexturesAndMeshes() { SyncBodyTexturesAndMeshes(m_bodyDrawFlags); }

void CNuvarine2View::SyncBodyTexturesAndMeshes(BodyDrawFlags flags) {
  TraceCode(kTraceSyncBodies);
  FillDecodedBodyTextures(false);
  if (chdir(m_installFolder.c_str()) != 0) {
    // Relative names then resolve against wherever the program stands.
  }
  const unsigned ringMips = m_mipMapping ? 0u : 1u;
  const bool message = m_loadingWindow == 1 || m_loadingWindow == 2;
  ApplyLoadingWindowState();
  const bool level4 = m_textureLevel >= 4;
  const bool solar = !m_planetariumMode;
  auto on = [&](int flag) { return flags[static_cast<size_t>(flag)] != 0; };
  auto row = [&](IDirect3DTexture9** slot, int flag, const char* name, const char* extension, float bump = 0.0f,
                 D3DFORMAT plain = D3DFMT_R8G8B8, D3DFORMAT compressed = D3DFMT_DXT1, unsigned mips = 1) {
    LoadBodyTexture(slot, on(flag), plain, compressed, mips, name, extension, bump, message);
  };
  if (!m_wireframe) {
    IDirect3DTexture9** t = m_bodyTextures;
    row(&t[0], 3, "earth", "jpg");
    if (level4)
      row(&t[32], 3, "blanc", "jpg");
    else
      row(&t[32], 3, "bumpearth", "jpg", 1.0f);
    if (m_reflection)
      row(&t[1], 3, level4 ? "blanc" : "earthspecular", "jpg");
    else
      ReleaseBodyTexture(t[1]);
    if (m_showAtmospheres) LoadEarthCloudTexture(on(35), message);
    row(&t[3], 0, "sun", "bmp");
    row(&t[4], 1, "mercury", "jpg");
    if (solar) row(&t[33], 1, "mercurybump", "jpg", 0.2f);
    row(&t[5], 2, m_showAtmospheres ? "venus" : "venus2", "jpg");
    row(&t[6], 4, "mars", "jpg");
    if (solar) {
      if (level4)
        row(&t[31], 4, "blanc", "jpg");
      else
        row(&t[31], 4, "marsbump1k", "jpg", 2.0f);
    }
    row(&t[7], 5, "jupiter", "jpg");
    row(&t[8], 6, "saturn", "jpg");
    row(&m_saturnRingTexture, 6, "saturn-rings", "png", 0.0f, D3DFMT_A8R8G8B8, D3DFMT_DXT3, ringMips);
    row(&m_ringShadowTexture, 6, "ombre", "png", 0.0f, D3DFMT_R3G3B2, D3DFMT_DXT3);
    row(&t[9], 7, "uranus", "jpg");
    row(&t[10], 8, "neptune", "jpg");
    row(&t[11], 9, "pluto", "jpg");
    if (solar) row(&t[34], 9, "plutobump1k", "jpg", 1.0f);
    row(&t[12], 10, "moon", "jpg");
    if (solar) {
      if (level4)
        row(&t[30], 10, "blanc", "jpg");
      else
        row(&t[30], 10, "moonbump1k", "jpg", 0.3f);
    }
    row(&t[13], 16, "io", "jpg");
    row(&t[14], 17, "europa", "jpg");
    row(&t[15], 18, "ganymede", "jpg");
    row(&t[16], 19, "callisto", "jpg");
    row(&t[17], 22, "mimas", "jpg");
    row(&t[18], 23, m_showAtmospheres ? "titan-clouds" : "titan", "jpg");
    row(&t[20], 24, "enceladus", "jpg");
    row(&t[23], 25, "ariel", "jpg");
    row(&t[21], 26, "dione", "jpg");
    row(&t[22], 27, "iapetus", "jpg");
    row(&t[24], 28, "miranda", "jpg");
    row(&t[25], 29, "oberon", "jpg");
    row(&t[19], 30, "rhea", "jpg");
    row(&t[26], 31, "tethys", "jpg");
    row(&t[27], 32, "titania", "jpg");
    row(&t[28], 33, "triton", "jpg");
    row(&t[29], 34, "umbriel", "jpg");
  }

  // Meshes: 'a' the first material's ambient set to white, 'w' every
  // diffuse set to white, otherwise every diffuse times the factor.
  struct MeshRow {
    int index, flag;
    const char* file;
    const char* texture;
    char adjust;
    float factor;
  };
  static const MeshRow kMeshRows[] = {
      {3, 20, "Objets\\phobos.x", "Textures\\phobos.jpg", 'a', 0},
      {4, 21, "Objets\\Deimos.x", "Textures\\Deimos.jpg", 'a', 0},
      {10, 42, "Objets\\asteroide.x", "Textures\\asteroid.jpg", 'a', 0},
      {5, 37, "Objets\\voyager.x", "", 'f', 0.9f},
      {6, 38, "Objets\\mer.x", "", 'f', 0.8f},
      {7, 39, "Objets\\cassini.x", "", 'f', 0.8f},
      {8, 40, "Objets\\Huygens.x", "", 'f', 0.8f},
      {9, 41, "Objets\\pioneer.x", "", 'f', 0.8f},
      {0, 13, "Objets\\hubble.x", "", 'f', 0.8f},
      {1, 14, "Objets\\iss.x", "", 'f', 0.8f},
      {2, 15, "Objets\\galileo.x", "", 'f', 1.2f},
      {11, 43, "Objets\\rosetta.x", "", 'f', 0.8f},
      {12, 44, "Objets\\deepimpact.x", "", 'f', 0.8f},
      {13, 45, "Objets\\newhorizons.x", "", 'f', 0.8f},
      {14, 46, "Objets\\marsexpress.x", "", 'f', 0.8f},
      {15, 47, "Objets\\noaa.x", "", 'w', 0},
      {16, 48, "Objets\\venusexpress.x", "", 'f', 0.8f},
      {17, 49, "Objets\\near.x", "", 'f', 0.8f},
      {18, 50, "Objets\\jason1.x", "", 'f', 0.8f},
      {19, 51, "Objets\\envisat.x", "", 'f', 0.8f},
      {20, 52, "Objets\\cluster.x", "", 'f', 0.8f},
      {21, 53, "Objets\\calipso.x", "", 'f', 0.8f},
      {22, 54, "Objets\\demeter.x", "", 'f', 0.8f},
      {23, 55, "Objets\\spot.x", "", 'f', 0.8f},
      {24, 56, "Objets\\corot.x", "", 'f', 0.6f},
  };
  for (const MeshRow& r : kMeshRows) {
    CD3DFile_Mesh*& mesh = m_meshes[r.index];
    if (on(r.flag) && !mesh) {
      std::string path;
      const HRESULT found = FindMediaFile(r.file, path);
      if (message) ShowLoadingMessage(m_loadingWindow, kStringLoadingObject, path.c_str());
      if (SUCCEEDED(found)) {
        mesh = new CD3DFile_Mesh();
        if (SUCCEEDED(mesh->LoadFromFile(m_pd3dDevice, path.c_str(), r.texture))) {
          for (DWORD k = 0; k < mesh->m_materialCount; ++k) {
            D3DMATERIAL9& m = mesh->m_pMaterials[k];
            if (r.adjust == 'a') {
              if (k == 0) m.Ambient = {1.0f, 1.0f, 1.0f, m.Ambient.a};
            } else if (r.adjust == 'w') {
              m.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
            } else {
              m.Diffuse.r *= r.factor;
              m.Diffuse.g *= r.factor;
              m.Diffuse.b *= r.factor;
            }
          }
          mesh->RestoreLocalMesh(m_pd3dDevice);
        }
      }
    } else if (!on(r.flag) && mesh) {
      mesh->ReleaseLocalMesh();
      mesh->ReleaseResources();
      delete mesh;
      mesh = nullptr;
    }
  }

  if (solar && m_textureLevel == 4 && m_pd3dDevice) {
    struct TileLevel {
      IDirect3DVertexBuffer9** vb;
      IDirect3DIndexBuffer9** ib;
      int count, type;
    };
    const TileLevel levels[] = {{m_tilePatchVBLevel0, m_tilePatchIBLevel0, 8, 1},
                                {m_tilePatchVBLevel1, m_tilePatchIBLevel1, 16, 2},
                                {m_tilePatchVBLevel2, m_tilePatchIBLevel2, 32, 3}};
    for (const TileLevel& l : levels)
      if (!l.vb[0])
        for (int k = 0; k < l.count; ++k) {
          const HRESULT r = CreateTilePatchBuffers(l.type, m_pd3dDevice, &l.vb[k], &l.ib[k], k);
          if (l.type == 1) TraceCode(r);
        }
  }

  D3DMATERIAL9& material = *m_pMaterial;
  material = {};
  material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Specular = {0.2f, 0.2f, 0.2f, 0.2f};
  material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
  material.Power = 30.0f;
  if (m_pd3dDevice) {
    m_pd3dDevice->SetMaterial(&material);
    m_pd3dDevice->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
  }
}

int CNuvarine2View::LoadedBodyTextureCount() const {
  int n = (m_saturnRingTexture ? 1 : 0) + (m_ringShadowTexture ? 1 : 0);
  for (IDirect3DTexture9* t : m_bodyTextures) n += t ? 1 : 0;
  return n;
}

int CNuvarine2View::LoadedBodyMeshCount() const {
  int n = 0;
  for (CD3DFile_Mesh* m : m_meshes) n += m ? 1 : 0;
  return n;
}

void CNuvarine2View::ShowLightFailureBox(const char* text) { ::MessageBox(GetSafeHwnd(), text, "Error", MB_OK); }

void CNuvarine2View::ReportLightFailure(const char* text, HRESULT result) {
  TraceCode(result);
  // One box per distinct failure and run: a box per object and frame would
  // stop the program being used at all.
  if (std::find(m_reportedLightFailures.begin(), m_reportedLightFailures.end(), text) !=
      m_reportedLightFailures.end())
    return;
  m_reportedLightFailures.emplace_back(text);
  ShowLightFailureBox(text);
}

void CNuvarine2View::UpdateHuygensMaterials() {
  CD3DFile_Mesh* cassini = m_meshes[7];
  if (m_selectedSpacecraft != 40 || !cassini || !cassini->m_pMaterials || cassini->m_materialCount <= 300) return;
  // The probe rides on the orbiter until the separation, then only the
  // probe's own mesh shows it.
  const float alpha = m_julianDate <= 2453364.584076192 ? 1.0f : 0.0f;
  for (DWORD k = 90; k <= 109; ++k) cassini->m_pMaterials[k].Diffuse.a = alpha;
}
