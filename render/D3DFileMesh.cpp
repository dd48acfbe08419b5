#include "D3DFileMesh.h"

#include <cstring>
#include <new>
#include <string>

#include "MediaSearch.h"

CD3DFile_Mesh::CD3DFile_Mesh(const char* name) {
  std::memset(m_name, 0, sizeof(m_name));
  if (name) std::strncpy(m_name, name, sizeof(m_name) - 1);
}

CD3DFile_Mesh::~CD3DFile_Mesh() { ReleaseResources(); }

HRESULT CD3DFile_Mesh::LoadFromFile(IDirect3DDevice9* device, const char* fileName, const char* textureFile) {
  // Paths of any length: an install folder deep in the tree must still find
  // its models.
  std::string path;
  FindMediaFile(fileName, path);
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  ID3DXMesh* mesh = nullptr;
  HRESULT result = D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device, &adjacency, &materials, nullptr, &count, &mesh);
  if (FAILED(result)) return result;
  // A second load replaces what the object held.
  ReleaseResources();
  m_pSysMemMesh = mesh;
  result = m_pSysMemMesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                          adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer())
                                                    : nullptr,
                                          nullptr, nullptr, nullptr);
  if (FAILED(result)) {
    if (adjacency) adjacency->Release();
    if (materials) materials->Release();
    return result;
  }
  const bool givenTexture = textureFile && textureFile[0];
  if (materials && count > 0) {
    if (givenTexture) count = 1;
    m_pMaterials = new (std::nothrow) D3DMATERIAL9[count];
    m_pTextures = new (std::nothrow) IDirect3DTexture9*[count];
    if (!m_pMaterials || !m_pTextures) {
      delete[] m_pMaterials;
      delete[] m_pTextures;
      m_pMaterials = nullptr;
      m_pTextures = nullptr;
      adjacency->Release();
      materials->Release();
      return E_OUTOFMEMORY;
    }
    m_materialCount = count;
    const D3DXMATERIAL* source = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
      m_pMaterials[i] = source[i].MatD3D;
      m_pTextures[i] = nullptr;
      if (source[i].pTextureFilename && source[i].pTextureFilename[0]) {
        const std::string name = givenTexture ? std::string(textureFile)
                                              : std::string("objets\\") + source[i].pTextureFilename;
        std::string texturePath;
        FindMediaFile(name.c_str(), texturePath);
        if (FAILED(D3DXCreateTextureFromFileA(device, texturePath.c_str(), &m_pTextures[i]))) m_pTextures[i] = nullptr;
      }
    }
  }
  if (adjacency) adjacency->Release();
  if (materials) materials->Release();
  return S_OK;
}

HRESULT CD3DFile_Mesh::RestoreLocalMesh(IDirect3DDevice9* device) {
  if (!m_pSysMemMesh) return E_FAIL;
  ReleaseLocalMesh();
  if (FAILED(m_pSysMemMesh->CloneMeshFVF(0, m_pSysMemMesh->GetFVF(), device, &m_pLocalMesh))) {
    m_pLocalMesh = nullptr;
    return E_FAIL;
  }
  return S_OK;
}

void CD3DFile_Mesh::ReleaseLocalMesh() {
  if (m_pLocalMesh) m_pLocalMesh->Release();
  m_pLocalMesh = nullptr;
}

void CD3DFile_Mesh::ReleaseResources() {
  ReleaseLocalMesh();
  if (m_pTextures)
    for (DWORD i = 0; i < m_materialCount; ++i)
      if (m_pTextures[i]) m_pTextures[i]->Release();
  delete[] m_pTextures;
  delete[] m_pMaterials;
  m_pTextures = nullptr;
  m_pMaterials = nullptr;
  if (m_pSysMemMesh) m_pSysMemMesh->Release();
  m_pSysMemMesh = nullptr;
  m_materialCount = 0;
}

HRESULT CD3DFile_Mesh::DrawSubsets(IDirect3DDevice9* device, bool drawOpaque, bool drawTranslucent) {
  if (!m_pLocalMesh) return E_FAIL;
  // A mesh loaded without materials has one subset per attribute as stored.
  const bool materials = m_useMaterials && m_pMaterials;
  const DWORD subsets = materials ? m_materialCount : 1;
  if (drawOpaque)
    for (DWORD i = 0; i < subsets; ++i) {
      if (materials) {
        if (m_pMaterials[i].Diffuse.a < 1.0f) continue;
        device->SetMaterial(&m_pMaterials[i]);
        device->SetTexture(0, m_pTextures[i]);
      }
      m_pLocalMesh->DrawSubset(i);
    }
  if (drawTranslucent && materials)
    for (DWORD i = 0; i < subsets; ++i) {
      if (m_pMaterials[i].Diffuse.a == 1.0f) continue;
      device->SetMaterial(&m_pMaterials[i]);
      device->SetTexture(0, m_pTextures[i]);
      m_pLocalMesh->DrawSubset(i);
    }
  return S_OK;
}
