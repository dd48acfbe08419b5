// Decoders for BMP, TGA and DDS files, written for untrusted input: every
// field is read byte by byte and checked against the file size.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "../d3d9/DeviceImpl.h"
#include "ImageFile.h"
#include "RegularFile.h"

namespace nvd3dx {
namespace {

constexpr UINT kMaxSide = 16384;

uint32_t U16(const std::vector<uint8_t>& d, size_t o) { return d[o] | (d[o + 1] << 8); }
uint32_t U32(const std::vector<uint8_t>& d, size_t o) {
  return d[o] | (d[o + 1] << 8) | (d[o + 2] << 16) | (static_cast<uint32_t>(d[o + 3]) << 24);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, size_t limit,
                   const std::atomic<bool>* abandon) {
  // Only a regular file: a named pipe would hold the reader for ever. One
  // larger than the limit is refused before a byte of it is read.
  const int64_t size = RegularFileSize(path);
  if (size < 0 || static_cast<uint64_t>(size) > limit) return false;
  FILE* f = OpenRegularFile(path);
  if (!f) return false;
  data.clear();
  uint8_t buffer[65536];
  size_t n;
  data.reserve(static_cast<size_t>(size));
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) {
    if (data.size() + n > limit || (abandon && abandon->load(std::memory_order_relaxed))) {
      std::fclose(f);
      return false;
    }
    data.insert(data.end(), buffer, buffer + n);
  }
  std::fclose(f);
  return true;
}

namespace {
bool DecodeAny(const std::vector<uint8_t>& d, Image& image) {
  if (d.size() >= 4 && std::memcmp(d.data(), "DDS ", 4) == 0) return DecodeDds(d, image);
  if (d.size() >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G') return DecodePng(d, image);
  if (d.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8) return DecodeJpeg(d, image);
  if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') return DecodeBmp(d, image);
  return DecodeTga(d, image);  // TGA has no signature
}
}  // namespace

bool DecodeImage(const std::vector<uint8_t>& d, Image& image) {
  image = Image();
  if (DecodeAny(d, image)) return true;
  image = Image();  // a refused file leaves nothing half decoded
  return false;
}

bool DecodeBmp(const std::vector<uint8_t>& d, Image& image) {
  if (d.size() < 54) return false;
  uint32_t dataOffset = U32(d, 10), headerSize = U32(d, 14);
  if (headerSize < 40 || 14 + static_cast<size_t>(headerSize) > d.size()) return false;
  int32_t width = static_cast<int32_t>(U32(d, 18)), height = static_cast<int32_t>(U32(d, 22));
  uint32_t bits = U16(d, 28), compression = U32(d, 30), colors = U32(d, 46);
  bool topDown = height < 0;
  if (height == INT32_MIN) return false;  // no positive height to turn it into
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || static_cast<UINT>(width) > kMaxSide || static_cast<UINT>(height) > kMaxSide)
    return false;
  if (compression != 0 && !(compression == 3 && (bits == 32 || bits == 16))) return false;
  if (bits != 8 && bits != 24 && bits != 32 && bits != 4 && bits != 1) return false;
  size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (dataOffset > d.size() || stride * height > d.size() - dataOffset) return false;
  std::vector<uint8_t> palette(256 * 4, 0);
  if (bits <= 8) {
    uint32_t count = colors ? colors : (1u << bits);
    if (count > 256) return false;
    size_t paletteOffset = 14 + headerSize;
    if (paletteOffset + count * 4 > d.size()) return false;
    std::memcpy(palette.data(), d.data() + paletteOffset, count * 4);
  }
  image.width = static_cast<UINT>(width);
  image.height = static_cast<UINT>(height);
  image.bgra.assign(static_cast<size_t>(width) * height * 4, 255);
  image.fileFormat = bits == 32 ? D3DFMT_X8R8G8B8 : bits == 24 ? D3DFMT_R8G8B8 : D3DFMT_P8;
  image.fileType = D3DXIFF_BMP;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = d.data() + dataOffset + stride * (topDown ? y : height - 1 - y);
    uint8_t* out = image.bgra.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, out += 4) {
      if (bits == 32) {
        std::memcpy(out, row + x * 4, 3);
      } else if (bits == 24) {
        std::memcpy(out, row + x * 3, 3);
      } else {
        unsigned index = bits == 8 ? row[x] : bits == 4 ? (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15
                                                         : (row[x / 8] >> (7 - (x & 7))) & 1;
        std::memcpy(out, palette.data() + index * 4, 3);
      }
    }
  }
  return true;
}

bool DecodeTga(const std::vector<uint8_t>& d, Image& image) {
  if (d.size() < 18) return false;
  unsigned idLength = d[0], colorMapType = d[1], type = d[2];
  unsigned width = U16(d, 12), height = U16(d, 14), bits = d[16], descriptor = d[17];
  if (colorMapType != 0 || (type != 2 && type != 3 && type != 10 && type != 11)) return false;
  bool grey = type == 3 || type == 11;
  if ((grey && bits != 8) || (!grey && bits != 24 && bits != 32)) return false;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
  unsigned bytes = bits / 8;
  size_t pos = 18 + idLength;
  if (pos > d.size()) return false;
  size_t count = static_cast<size_t>(width) * height;
  // The header alone says nothing true about the size: measure it against
  // what the rest of the file can hold before allocating anything. A raw
  // picture stores every pixel; a run-length packet of 1 + bytes bytes gives
  // at most 128 pixels.
  size_t available = d.size() - pos;
  if (type == 2 || type == 3) {
    if (count * bytes > available) return false;
  } else if (count > (available / (1 + bytes) + 1) * 128) {
    return false;
  }
  std::vector<uint8_t> pixels(count * bytes);
  if (type == 2 || type == 3) {
    if (pos + pixels.size() > d.size()) return false;
    std::memcpy(pixels.data(), d.data() + pos, pixels.size());
  } else {
    size_t done = 0;
    while (done < count) {
      if (pos >= d.size()) return false;
      unsigned header = d[pos++];
      size_t run = (header & 127) + 1;
      if (done + run > count) return false;
      if (header & 128) {
        if (pos + bytes > d.size()) return false;
        for (size_t i = 0; i < run; ++i) std::memcpy(pixels.data() + (done + i) * bytes, d.data() + pos, bytes);
        pos += bytes;
      } else {
        if (pos + run * bytes > d.size()) return false;
        std::memcpy(pixels.data() + done * bytes, d.data() + pos, run * bytes);
        pos += run * bytes;
      }
      done += run;
    }
  }
  bool topDown = (descriptor & 0x20) != 0;
  image.width = width;
  image.height = height;
  image.bgra.assign(count * 4, 255);
  image.fileFormat = grey ? D3DFMT_L8 : bits == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8;
  image.fileType = D3DXIFF_TGA;
  for (unsigned y = 0; y < height; ++y) {
    const uint8_t* row = pixels.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * width * bytes;
    uint8_t* out = image.bgra.data() + static_cast<size_t>(y) * width * 4;
    for (unsigned x = 0; x < width; ++x, out += 4) {
      if (grey) {
        out[0] = out[1] = out[2] = row[x];
      } else {
        std::memcpy(out, row + x * bytes, 3);
        if (bytes == 4) out[3] = row[x * 4 + 3];
      }
    }
  }
  return true;
}

bool DecodeDds(const std::vector<uint8_t>& d, Image& image) {
  if (d.size() < 128 || U32(d, 4) != 124) return false;
  uint32_t height = U32(d, 12), width = U32(d, 16), mips = U32(d, 28);
  uint32_t pfFlags = U32(d, 80), fourCC = U32(d, 84), rgbBits = U32(d, 88);
  uint32_t rMask = U32(d, 92), aMask = U32(d, 104);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
  if (mips == 0) mips = 1;
  if (mips > 15) return false;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  if (pfFlags & 0x4) {
    if (fourCC == MakeFourCC('D', 'X', 'T', '1')) format = D3DFMT_DXT1;
    if (fourCC == MakeFourCC('D', 'X', 'T', '3')) format = D3DFMT_DXT3;
    if (fourCC == MakeFourCC('D', 'X', 'T', '5')) format = D3DFMT_DXT5;
  } else if (rgbBits == 32 && rMask == 0x00FF0000) {
    format = (pfFlags & 0x1) && aMask ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  } else if (rgbBits == 24 && rMask == 0xFF0000) {
    format = D3DFMT_R8G8B8;
  }
  if (format == D3DFMT_UNKNOWN) return false;
  size_t pos = 128;
  image.width = width;
  image.height = height;
  image.fileFormat = format;
  image.fileType = D3DXIFF_DDS;
  image.compressedLevels.clear();
  UINT w = width, h = height;
  for (uint32_t level = 0; level < mips; ++level) {
    UINT pitch = 0, rows = 0;
    nvd3d::LevelLayout(format, w, h, pitch, rows);
    size_t bytes = static_cast<size_t>(pitch) * rows;
    if (pos + bytes > d.size()) {
      if (level == 0) return false;
      break;
    }
    std::vector<uint8_t> levelData(d.begin() + static_cast<long>(pos), d.begin() + static_cast<long>(pos + bytes));
    if (level == 0) {
      image.bgra.resize(static_cast<size_t>(w) * h * 4);
      nvd3d::ConvertToBgra(format, levelData.data(), pitch, w, h, image.bgra.data());
    }
    image.compressedLevels.push_back(std::move(levelData));
    pos += bytes;
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  image.fileLevels = static_cast<UINT>(image.compressedLevels.size());
  return true;
}

}  // namespace nvd3dx
