// libFuzzer target: arbitrary bytes as a picture file of the drawing layer
// (DDS, PNG, JPEG, BMP, TGA), then the texture levels made from a small
// decoded picture with arguments chosen by the input's last bytes, and a
// normal map. Built in a fuzz build only.
#include <cstdint>
#include <vector>

#include "PreparedTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  nvd3dx::Image image;
  if (!nvd3dx::DecodeImage(bytes, image)) {
    if (image.width != 0 || !image.bgra.empty() || !image.compressedLevels.empty()) __builtin_trap();
    return 0;
  }
  if (image.bgra.size() != static_cast<size_t>(image.width) * image.height * 4) __builtin_trap();
  if (static_cast<size_t>(image.width) * image.height > 65536 || size < 2) return 0;
  const uint8_t a = data[size - 1], b = data[size - 2];
  static const D3DFORMAT kFormats[] = {D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                       D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8, D3DFMT_DXT1};
  static const UINT kSizes[] = {D3DX_DEFAULT, 0, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE, 1, 3, 64, 100};
  const UINT width = kSizes[a & 7], height = kSizes[(a >> 3) & 7];
  const UINT levels = (b & 3) == 0 ? D3DX_DEFAULT : (b & 3) == 1 ? D3DX_FROM_FILE : (b & 3);
  const D3DFORMAT format = kFormats[(b >> 2) & 7];
  const DWORD filter = (b & 0x20) ? D3DX_FILTER_POINT : D3DX_DEFAULT;
  const D3DCOLOR key = (b & 0x40) ? 0xFF000000 : 0;
  nvd3dx::Image copy = image;
  nvd3dx::PreparedTexture prepared;
  if (SUCCEEDED(nvd3dx::PrepareTexture(std::move(copy), width, height, levels, (a & 0x40) ? D3DUSAGE_AUTOGENMIPMAP : 0,
                                       format, filter, key, prepared)) &&
      prepared.levels.empty())
    __builtin_trap();
  nvd3dx::PreparedTexture normals;
  (void)nvd3dx::PrepareNormalMap(std::move(image), (b & 0x80) ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN, key,
                                 (a & 0x80) ? D3DX_CHANNEL_RED : D3DX_CHANNEL_LUMINANCE, 4.0f, normals);
  return 0;
}
