#pragma once
// Picture file decoding into 32-bit BGRA (top row first).
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "d3dx9.h"

namespace nvd3dx {

struct Image {
  UINT width = 0, height = 0;
  std::vector<uint8_t> bgra;
  D3DFORMAT fileFormat = D3DFMT_UNKNOWN;
  D3DXIMAGE_FILEFORMAT fileType = D3DXIFF_BMP;
  // DDS files with block compression keep their levels as stored.
  std::vector<std::vector<uint8_t>> compressedLevels;
  UINT fileLevels = 1;
};

// The whole regular file; false when it is missing, not a regular file,
// larger than `limit` (refused before a byte is read), or when `abandon` is
// set while it is read (checked between 64 KiB blocks).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, size_t limit,
                   const std::atomic<bool>* abandon = nullptr);
// False for unknown or damaged files; every size and offset is checked.
bool DecodeImage(const std::vector<uint8_t>& data, Image& image);
bool DecodeBmp(const std::vector<uint8_t>& d, Image& image);
bool DecodeTga(const std::vector<uint8_t>& d, Image& image);
bool DecodePng(const std::vector<uint8_t>& d, Image& image);
bool DecodeJpeg(const std::vector<uint8_t>& d, Image& image);
bool DecodeDds(const std::vector<uint8_t>& d, Image& image);

}  // namespace nvd3dx
