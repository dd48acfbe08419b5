#pragma once
// Textures made in two steps: the picture decoded and turned into the
// texture's levels in memory (no device involved, so any thread may do it),
// then the texture created from those levels on the device's thread.
// D3DXCreateTextureFromFileExA is the two steps run back to back.
#include <atomic>
#include <cstdint>
#include <vector>

#include "ImageFile.h"
#include "d3dx9.h"

namespace nvd3dx {

struct PreparedTexture {
  UINT width = 0, height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  // Each level in the format's own layout (rows of the device's pitch).
  std::vector<std::vector<uint8_t>> levels;
  size_t Bytes() const;
};

// Reads and decodes a picture file; the HRESULTs of D3DXCreateTextureFromFileExA.
// `abandon`, when set during the read, ends it (E_FAIL).
HRESULT LoadPicture(const char* file, Image& image, const std::atomic<bool>* abandon = nullptr);
D3DXIMAGE_INFO PictureInfo(const Image& image);

// The levels D3DXCreateTextureFromFileExA would make from the picture with
// these arguments (size, mip levels, usage, format, filter, colour key).
HRESULT PrepareTexture(Image&& image, UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                       DWORD filter, D3DCOLOR colorKey, PreparedTexture& out);

// A one-level normal map of the given format from a height picture, as
// D3DXComputeNormalMap makes it from the picture loaded with that format,
// one mip level and the colour key (compressed formats are refused).
HRESULT PrepareNormalMap(Image&& heights, D3DFORMAT format, D3DCOLOR colorKey, DWORD channel, float amplitude,
                         PreparedTexture& out);

// Creates the texture on the device and moves the levels into it.
HRESULT CreateTextureFromPrepared(IDirect3DDevice9* device, PreparedTexture&& prepared, DWORD usage, D3DPOOL pool,
                                  IDirect3DTexture9** texture);

}  // namespace nvd3dx
