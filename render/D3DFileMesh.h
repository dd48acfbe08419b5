#pragma once
// One 3D model read from a text ".x" file with its materials and textures.
// A system-memory copy stays with the object so that the device copy can be
// made again after a device reset.
#include "d3d9.h"
#include "d3dx9.h"

class CD3DFile_Mesh {
 public:
  explicit CD3DFile_Mesh(const char* name = "CD3DFile_Mesh");
  virtual ~CD3DFile_Mesh();
  CD3DFile_Mesh(const CD3DFile_Mesh&) = delete;
  CD3DFile_Mesh& operator=(const CD3DFile_Mesh&) = delete;

  // Reads the file into the system mesh with its materials; a non-empty
  // textureFile keeps only the first material and gives it that texture
  // (when the material names any). The device mesh is not made here.
  HRESULT LoadFromFile(IDirect3DDevice9* device, const char* fileName, const char* textureFile);
  // The device mesh as a clone of the system mesh; E_FAIL without one.
  HRESULT RestoreLocalMesh(IDirect3DDevice9* device);
  void ReleaseLocalMesh();
  void ReleaseResources();
  // Subsets whose diffuse alpha is at least 1 in the opaque pass, those whose
  // alpha is not 1 in the translucent pass (each with its material and
  // texture); without materials every subset in the opaque pass as the
  // device state stands. E_FAIL without a device mesh.
  HRESULT DrawSubsets(IDirect3DDevice9* device, bool drawOpaque, bool drawTranslucent);

  char m_name[512];
  ID3DXMesh* m_pSysMemMesh = nullptr;
  ID3DXMesh* m_pLocalMesh = nullptr;
  DWORD m_materialCount = 0;
  D3DMATERIAL9* m_pMaterials = nullptr;
  IDirect3DTexture9** m_pTextures = nullptr;
  bool m_useMaterials = true;
};
