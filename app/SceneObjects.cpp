// The scene objects that live from one device reset to the next: default
// states, texture fonts, the fixed textures of the sky, the shared buffers
// and the line object; the vertex programs made by each reset; and the
// release of every device resource of the scene.
#include <unistd.h>

#include "MediaSearch.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "TextureFont.h"
#include "VertexPrograms.h"

namespace {

template <class T>
void ReleaseInterface(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

void DeleteFont(CTextureFont*& font) {
  if (!font) return;
  font->ReleaseDrawResources();
  font->ReleaseGlyphTexture();
  font->ReleaseAll();
  delete font;
  font = nullptr;
}

// Slot of each settings font record (the last two fonts are fixed).
constexpr int kLabelFontSlots[kLabelFontCount] = {1, 2, 0, 3, 4, 5, 6, 7, 8, 9, 10, 11};

}  // namespace

void CNuvarine2View::RebuildLabelFont(int kind) {
  if (kind < 0 || kind >= kLabelFontCount) return;
  const LOGFONT& record = m_labelLogFonts[kind];
  const unsigned flags =
      (record.lfWeight >= 700 ? CTextureFont::kBold : 0u) | (record.lfItalic ? CTextureFont::kItalic : 0u);
  CTextureFont*& slot = m_labelFonts[kLabelFontSlots[kind]];
  DeleteFont(slot);
  slot = new CTextureFont(record.lfFaceName, record.lfHeight, flags);
  if (!m_pd3dDevice) return;
  slot->CreateGlyphTexture(m_pd3dDevice);
  slot->CreateDrawResources();
}

void CNuvarine2View::DeleteLabelFonts() {
  for (CTextureFont*& font : m_labelFonts) DeleteFont(font);
  DeleteFont(m_overlayFont);
}

HRESULT CNuvarine2View::LoadPlaneShader(const char* path) {
  return LoadVertexProgram(m_pd3dDevice, *this, VertexProgram::Plane, path, &m_planetShader, &m_planetDeclaration);
}
HRESULT CNuvarine2View::LoadLensShader(const char* path) {
  return LoadVertexProgram(m_pd3dDevice, *this, VertexProgram::Lens, path, &m_lensShader, &m_lensDeclaration);
}
HRESULT CNuvarine2View::LoadTubeShader(const char* path) {
  return LoadVertexProgram(m_pd3dDevice, *this, VertexProgram::Tube, path, &m_tubeShader, &m_tubeDeclaration);
}
HRESULT CNuvarine2View::LoadDiscShader(const char* path) {
  return LoadVertexProgram(m_pd3dDevice, *this, VertexProgram::Disc, path, &m_discShader, &m_discDeclaration);
}
HRESULT CNuvarine2View::LoadRingsShader(const char* path) {
  return LoadVertexProgram(m_pd3dDevice, *this, VertexProgram::Rings, path, &m_ringShader, &m_ringDeclaration);
}

void CNuvarine2View::LoadVertexShaders() {
  // A declaration left by an earlier failed load is made again with its shader.
  auto load = [this](IDirect3DVertexShader9* shader, IDirect3DVertexDeclaration9*& declaration,
                     HRESULT (CNuvarine2View::*loader)(const char*), const char* name) {
    if (shader) return;
    ReleaseInterface(declaration);
    (this->*loader)((m_installFolder + name).c_str());
  };
  load(m_planetShader, m_planetDeclaration, &CNuvarine2View::LoadPlaneShader, "\\VS\\plan.vs");
  load(m_tubeShader, m_tubeDeclaration, &CNuvarine2View::LoadTubeShader, "\\VS\\tube.vs");
  load(m_discShader, m_discDeclaration, &CNuvarine2View::LoadDiscShader, "\\VS\\disque.vs");
  load(m_lensShader, m_lensDeclaration, &CNuvarine2View::LoadLensShader, "\\VS\\lens.vs");
  load(m_ringShader, m_ringDeclaration, &CNuvarine2View::LoadRingsShader, "\\VS\\anneaux.vs");
}

bool CNuvarine2View::InitObjects() {
  TraceCode(kTraceInitObjects);
  IDirect3DDevice9* device = m_pd3dDevice;
  if (!device) return true;

  device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, m_depthTestMode);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_ARGB(255, 9, 9, 9));
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAREF, 0);
  device->SetRenderState(D3DRS_FILLMODE, m_wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID);

  ShowLoadingMessage(m_loadingWindow, IDS_CREATING_FONTS, "");
  // The settings' twelve label fonts, then the large and the overlay font.
  for (int i = 0; i < kLabelFontCount; ++i) {
    const LOGFONT& record = m_labelLogFonts[i];
    const unsigned flags = (record.lfWeight >= 700 ? CTextureFont::kBold : 0u) |
                           (record.lfItalic ? CTextureFont::kItalic : 0u);
    CTextureFont*& slot = m_labelFonts[kLabelFontSlots[i]];
    DeleteFont(slot);
    slot = new CTextureFont(record.lfFaceName, record.lfHeight, flags);
  }
  DeleteFont(m_labelFonts[12]);
  m_labelFonts[12] = new CTextureFont("Arial", 18, CTextureFont::kBold);
  DeleteFont(m_overlayFont);
  m_overlayFont = new CTextureFont("Arial", 9, CTextureFont::kBold);
  for (CTextureFont* font : m_labelFonts) {
    font->CreateGlyphTexture(device);
    font->CreateDrawResources();
  }
  m_overlayFont->CreateGlyphTexture(device);
  m_overlayFont->CreateDrawResources();

  ShowLoadingMessage(m_loadingWindow, IDS_LOADING_TEXTURES, "");
  if (chdir(m_installFolder.c_str()) != 0) {
    // Relative names then resolve against wherever the program stands.
  }
  if (!m_wireframe) {
    // Resolves and loads one texture; the black of the colour key becomes
    // transparent. Returns the result of the search, or of the creation.
    auto load = [&](const CString& name, IDirect3DTexture9*& texture, D3DFORMAT format, UINT mipLevels,
                    DWORD mipFilter) -> HRESULT {
      ReleaseInterface(texture);
      std::string path;
      HRESULT result = FindMediaFile(name.c_str(), path);
      if (m_loadingWindow == 1 || m_loadingWindow == 2)
        ShowLoadingMessage(m_loadingWindow, IDS_LOADING_TEXTURE, path.c_str());
      if (FAILED(result)) return result;
      result = D3DXCreateTextureFromFileExA(device, path.c_str(), 0, 0, mipLevels, 0, format, D3DPOOL_MANAGED,
                                            D3DX_FILTER_LINEAR, mipFilter, D3DCOLOR_ARGB(255, 0, 0, 0), nullptr,
                                            nullptr, &texture);
      if (FAILED(result)) texture = nullptr;
      return result;
    };
    TraceCode(load(m_installFolder + "\\textures\\stars\\" + m_starPictureFile, m_starPictureTexture,
                   D3DFMT_A8R8G8B8, m_mipMapping ? 0 : 1, D3DX_FILTER_BOX));
    TraceCode(load("Textures\\halo.tga", m_haloTexture, D3DFMT_A8R8G8B8, 1, D3DX_FILTER_NONE));
    if (!m_planetariumMode)
      TraceCode(load("Textures\\stars\\etoile3.tga", m_starSpriteTexture, D3DFMT_A8R8G8B8, 1, D3DX_FILTER_NONE));
    if (m_lensFlare) load("Textures\\Lens.tga", m_lensTexture, D3DFMT_A8R8G8B8, 1, D3DX_FILTER_NONE);
    load("Textures\\Lens2.tga", m_lens2Texture, D3DFMT_A8R8G8B8, 1, D3DX_FILTER_NONE);
    if (m_planetariumMode && m_showLandscape) {
      if (FAILED(load(m_installFolder + "\\textures\\landscapes\\" + m_landscapeFile, m_landscapeTexture,
                      D3DFMT_A8R8G8B8, 1, D3DX_FILTER_NONE)) &&
          !m_landscapeTexture)
        load(m_installFolder + "\\textures\\landscapes\\landscape.tga", m_landscapeTexture, D3DFMT_A8R8G8B8, 1,
             D3DX_FILTER_NONE);
    } else {
      ReleaseInterface(m_landscapeTexture);
    }
    if (m_planetariumMode && m_showCloudySky)
      load(m_installFolder + "\\textures\\nuages.jpg", m_cloudySkyTexture, D3DFMT_R8G8B8, 1, D3DX_FILTER_NONE);
    else
      ReleaseInterface(m_cloudySkyTexture);
    if (m_milkyWay > 0)
      load("Textures\\VL.jpg", m_milkyWayTexture, D3DFMT_R8G8B8, 1, D3DX_FILTER_NONE);
    else
      ReleaseInterface(m_milkyWayTexture);
  }

  ShowLoadingMessage(m_loadingWindow, IDS_CREATING_OBJECTS, "");
  ReleaseInterface(m_spriteQuadVB);
  TraceCode(device->CreateVertexBuffer(4 * sizeof(SpriteVertex), D3DUSAGE_WRITEONLY, kSpriteVertexFvf,
                                       D3DPOOL_MANAGED, &m_spriteQuadVB, nullptr));
  if (m_spriteQuadVB) FillSpriteQuad(1.0f, 1.0f, 1.0f, 1.0f);
  ReleaseInterface(m_pLine);
  if (SUCCEEDED(D3DXCreateLine(device, &m_pLine)) && m_pLine) {
    m_pLine->SetWidth(1.0f);
    m_pLine->SetPatternScale(1.0f);
    m_pLine->SetPattern(0xFFFFFFFF);
    m_pLine->SetGLLines(FALSE);
    m_pLine->SetAntialias(m_antialiasing > 0);
  }
  for (int level = 0; level < 5; ++level) {
    ReleaseInterface(m_sphereBuffers[level].vertexBuffer);
    ReleaseInterface(m_sphereBuffers[level].indexBuffer);
    TraceCode(CreateSphereBuffers(device, &m_sphereBuffers[level].vertexBuffer, &m_sphereBuffers[level].indexBuffer,
                                  kSphereLevels[level].rings, kSphereLevels[level].segments));
  }
  ReleaseInterface(m_domeVB);
  TraceCode(CreateDomeVertexBuffer(device, 0xFFFFFFFF, &m_domeVB, 10, 10));
  ReleaseInterface(m_tubeVB);
  TraceCode(CreateTubeVertexBuffer(device, 0xFFFFFFFF, &m_tubeVB, 30, 0xFFFFFFFF));
  ReleaseInterface(m_ringVB);
  TraceCode(CreateRingVertexBuffer(device, &m_ringVB, 0.548f));
  ReleaseInterface(m_discVB);
  TraceCode(CreateEllipseVertexBuffer(device, 0xFFFFFFFF, &m_discVB, 1.0f, 1.0f));

  m_sceneReady = TRUE;
  return true;
}

void CNuvarine2View::ReleaseSceneResources() {
  // The body textures and meshes: the synchronisation with no flag set
  // releases every row it reaches; the rows it skips (wireframe, the bump
  // maps of the other mode, the clouds without atmospheres) are released
  // here after it.
  ++m_sceneReleaseCount;
  ClearBodyDrawFlags();
  SyncBodyTexturesAndMeshes(m_bodyDrawFlags);
  for (IDirect3DTexture9*& t : m_bodyTextures) ReleaseBodyTexture(t);
  ReleaseBodyTexture(m_saturnRingTexture);
  ReleaseBodyTexture(m_ringShadowTexture);
  DeleteLabelFonts();
  ReleaseInterface(m_starPictureTexture);
  ReleaseInterface(m_haloTexture);
  ReleaseInterface(m_starSpriteTexture);
  ReleaseInterface(m_lensTexture);
  // The second flare texture goes with the first (it is made at every
  // initialisation).
  ReleaseInterface(m_lens2Texture);
  ReleaseInterface(m_landscapeTexture);
  ReleaseInterface(m_milkyWayTexture);
  ReleasePictureCache();
  ReleaseSurveyTileCache();
  ReleaseInterface(m_placementPictureTexture);
  ReleaseInterface(m_cloudySkyTexture);
  for (IDirect3DTexture9*& t : m_tileTexturesLevel0) ReleaseInterface(t);
  for (IDirect3DTexture9*& t : m_tileTexturesLevel1) ReleaseInterface(t);
  for (IDirect3DTexture9*& t : m_tileTexturesLevel2) ReleaseInterface(t);
  g_loadedTileCount = 0;
  ReleaseInterface(m_spriteQuadVB);
  ReleaseInterface(m_tubeVB);
  ReleaseInterface(m_discVB);
  ReleaseInterface(m_ringVB);
  ReleaseInterface(m_horizonBandVB);
  ReleaseInterface(m_domeVB);
  ReleaseInterface(m_pLine);
  for (SphereBuffers& level : m_sphereBuffers) {
    ReleaseInterface(level.vertexBuffer);
    ReleaseInterface(level.indexBuffer);
  }
  for (IDirect3DVertexBuffer9*& b : m_tilePatchVBLevel0) ReleaseInterface(b);
  for (IDirect3DIndexBuffer9*& b : m_tilePatchIBLevel0) ReleaseInterface(b);
  for (IDirect3DVertexBuffer9*& b : m_tilePatchVBLevel1) ReleaseInterface(b);
  for (IDirect3DIndexBuffer9*& b : m_tilePatchIBLevel1) ReleaseInterface(b);
  for (IDirect3DVertexBuffer9*& b : m_tilePatchVBLevel2) ReleaseInterface(b);
  for (IDirect3DIndexBuffer9*& b : m_tilePatchIBLevel2) ReleaseInterface(b);
  ReleaseInterface(m_planetShader);
  ReleaseInterface(m_planetDeclaration);
  ReleaseInterface(m_lensShader);
  ReleaseInterface(m_lensDeclaration);
  ReleaseInterface(m_tubeShader);
  ReleaseInterface(m_tubeDeclaration);
  ReleaseInterface(m_discShader);
  ReleaseInterface(m_discDeclaration);
  ReleaseInterface(m_ringShader);
  ReleaseInterface(m_ringDeclaration);
}
