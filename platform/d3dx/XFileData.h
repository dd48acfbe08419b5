#pragma once
// The contents of a text ".x" model file, read without a device: every mesh
// of the file flattened into one vertex and index list, in world space.
#include <cstdint>
#include <string>
#include <vector>

#include "d3dx9.h"

namespace nvd3dx {

struct XMeshData {
  std::vector<float> positions, normals, uvs;
  std::vector<D3DCOLOR> colors;
  std::vector<uint32_t> indices;
  std::vector<DWORD> attributes;
  std::vector<D3DMATERIAL9> materials;
  std::vector<std::string> textures;
  bool hasNormals = false, hasUv = false, hasColors = false;
};

// D3D_OK, D3DXERR_INVALIDDATA for a damaged file (every count and index is
// checked against what the file holds) or D3DXERR_LOADEDMESHHASNODATA.
HRESULT ParseXFile(const std::vector<uint8_t>& data, XMeshData& mesh);

}  // namespace nvd3dx
