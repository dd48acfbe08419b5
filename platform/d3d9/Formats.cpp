// Pixel formats: sizes, level layout and conversion to and from 32-bit BGRA.
#include <algorithm>
#include <cstring>

#include "DeviceImpl.h"

namespace nvd3d {

bool IsCompressed(D3DFORMAT f) {
  return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}

UINT BytesPerPixel(D3DFORMAT f) {
  switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A8L8:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_L16:
      return 2;
    case D3DFMT_R3G3B2:
    case D3DFMT_L8:
    case D3DFMT_A8:
    case D3DFMT_A4L4:
      return 1;
    default:
      return 0;
  }
}

bool IsTextureFormatSupported(D3DFORMAT f) { return IsCompressed(f) || BytesPerPixel(f) != 0; }

void LevelLayout(D3DFORMAT f, UINT width, UINT height, UINT& pitch, UINT& rows) {
  if (IsCompressed(f)) {
    UINT blockBytes = f == D3DFMT_DXT1 ? 8 : 16;
    pitch = std::max(1u, (width + 3) / 4) * blockBytes;
    rows = std::max(1u, (height + 3) / 4);
    return;
  }
  pitch = width * BytesPerPixel(f);
  rows = height;
}

namespace {

inline uint8_t Expand(unsigned v, unsigned bits) {
  unsigned max = (1u << bits) - 1;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

void Rgb565(uint16_t c, uint8_t out[4]) {
  out[2] = Expand((c >> 11) & 31, 5);
  out[1] = Expand((c >> 5) & 63, 6);
  out[0] = Expand(c & 31, 5);
  out[3] = 255;
}

}  // namespace

void DecodeDxtBlock(D3DFORMAT f, const uint8_t* block, uint8_t out[64]) {
  // out: 16 BGRA pixels, row by row.
  const uint8_t* colorBlock = f == D3DFMT_DXT1 ? block : block + 8;
  uint16_t c0 = static_cast<uint16_t>(colorBlock[0] | (colorBlock[1] << 8));
  uint16_t c1 = static_cast<uint16_t>(colorBlock[2] | (colorBlock[3] << 8));
  uint8_t palette[4][4];
  Rgb565(c0, palette[0]);
  Rgb565(c1, palette[1]);
  bool fourColors = f != D3DFMT_DXT1 || c0 > c1;
  for (int k = 0; k < 3; ++k) {
    if (fourColors) {
      palette[2][k] = static_cast<uint8_t>((2 * palette[0][k] + palette[1][k] + 1) / 3);
      palette[3][k] = static_cast<uint8_t>((palette[0][k] + 2 * palette[1][k] + 1) / 3);
    } else {
      palette[2][k] = static_cast<uint8_t>((palette[0][k] + palette[1][k]) / 2);
      palette[3][k] = 0;
    }
  }
  palette[2][3] = 255;
  palette[3][3] = fourColors ? 255 : 0;
  uint32_t bits = static_cast<uint32_t>(colorBlock[4]) | (static_cast<uint32_t>(colorBlock[5]) << 8) |
                  (static_cast<uint32_t>(colorBlock[6]) << 16) | (static_cast<uint32_t>(colorBlock[7]) << 24);
  for (int i = 0; i < 16; ++i) {
    std::memcpy(out + i * 4, palette[(bits >> (2 * i)) & 3], 4);
  }
  if (f == D3DFMT_DXT2 || f == D3DFMT_DXT3) {
    for (int i = 0; i < 16; ++i) {
      unsigned nibble = (block[i / 2] >> ((i & 1) * 4)) & 15;
      out[i * 4 + 3] = static_cast<uint8_t>(nibble * 17);
    }
  } else if (f == D3DFMT_DXT4 || f == D3DFMT_DXT5) {
    uint8_t a[8];
    a[0] = block[0];
    a[1] = block[1];
    if (a[0] > a[1]) {
      for (int k = 1; k < 7; ++k) a[k + 1] = static_cast<uint8_t>(((7 - k) * a[0] + k * a[1] + 3) / 7);
    } else {
      for (int k = 1; k < 5; ++k) a[k + 1] = static_cast<uint8_t>(((5 - k) * a[0] + k * a[1] + 2) / 5);
      a[6] = 0;
      a[7] = 255;
    }
    uint64_t abits = 0;
    for (int k = 0; k < 6; ++k) abits |= static_cast<uint64_t>(block[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i) out[i * 4 + 3] = a[(abits >> (3 * i)) & 7];
  }
}

void ConvertToBgra(D3DFORMAT f, const uint8_t* src, UINT pitch, UINT width, UINT height, uint8_t* dst) {
  if (IsCompressed(f)) {
    UINT blockBytes = f == D3DFMT_DXT1 ? 8 : 16;
    uint8_t pixels[64];
    for (UINT by = 0; by < (height + 3) / 4; ++by) {
      for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
        DecodeDxtBlock(f, src + by * pitch + bx * blockBytes, pixels);
        for (UINT y = 0; y < 4; ++y) {
          UINT py = by * 4 + y;
          if (py >= height) break;
          for (UINT x = 0; x < 4; ++x) {
            UINT px = bx * 4 + x;
            if (px >= width) break;
            std::memcpy(dst + (py * width + px) * 4, pixels + (y * 4 + x) * 4, 4);
          }
        }
      }
    }
    return;
  }
  for (UINT y = 0; y < height; ++y) {
    const uint8_t* s = src + static_cast<size_t>(y) * pitch;
    uint8_t* d = dst + static_cast<size_t>(y) * width * 4;
    for (UINT x = 0; x < width; ++x, d += 4) {
      switch (f) {
        case D3DFMT_A8R8G8B8:
          std::memcpy(d, s + x * 4, 4);
          break;
        case D3DFMT_X8R8G8B8:
          std::memcpy(d, s + x * 4, 3);
          d[3] = 255;
          break;
        case D3DFMT_A8B8G8R8:
          d[0] = s[x * 4 + 2], d[1] = s[x * 4 + 1], d[2] = s[x * 4], d[3] = s[x * 4 + 3];
          break;
        case D3DFMT_X8B8G8R8:
          d[0] = s[x * 4 + 2], d[1] = s[x * 4 + 1], d[2] = s[x * 4], d[3] = 255;
          break;
        case D3DFMT_R8G8B8:
          std::memcpy(d, s + x * 3, 3);
          d[3] = 255;
          break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
          unsigned v = s[x * 2] | (s[x * 2 + 1] << 8);
          d[0] = static_cast<uint8_t>((v & 15) * 17);
          d[1] = static_cast<uint8_t>(((v >> 4) & 15) * 17);
          d[2] = static_cast<uint8_t>(((v >> 8) & 15) * 17);
          d[3] = f == D3DFMT_A4R4G4B4 ? static_cast<uint8_t>(((v >> 12) & 15) * 17) : 255;
          break;
        }
        case D3DFMT_R5G6B5:
          Rgb565(static_cast<uint16_t>(s[x * 2] | (s[x * 2 + 1] << 8)), d);
          break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
          unsigned v = s[x * 2] | (s[x * 2 + 1] << 8);
          d[0] = Expand(v & 31, 5);
          d[1] = Expand((v >> 5) & 31, 5);
          d[2] = Expand((v >> 10) & 31, 5);
          d[3] = f == D3DFMT_A1R5G5B5 ? ((v >> 15) ? 255 : 0) : 255;
          break;
        }
        case D3DFMT_R3G3B2:
        case D3DFMT_A8R3G3B2: {
          unsigned v = s[x * BytesPerPixel(f)];
          d[2] = Expand((v >> 5) & 7, 3);
          d[1] = Expand((v >> 2) & 7, 3);
          d[0] = Expand(v & 3, 2);
          d[3] = f == D3DFMT_A8R3G3B2 ? s[x * 2 + 1] : 255;
          break;
        }
        case D3DFMT_L8:
          d[0] = d[1] = d[2] = s[x];
          d[3] = 255;
          break;
        case D3DFMT_L16:
          d[0] = d[1] = d[2] = s[x * 2 + 1];
          d[3] = 255;
          break;
        case D3DFMT_A8:
          d[0] = d[1] = d[2] = 0;
          d[3] = s[x];
          break;
        case D3DFMT_A8L8:
          d[0] = d[1] = d[2] = s[x * 2];
          d[3] = s[x * 2 + 1];
          break;
        case D3DFMT_A4L4:
          d[0] = d[1] = d[2] = static_cast<uint8_t>((s[x] & 15) * 17);
          d[3] = static_cast<uint8_t>((s[x] >> 4) * 17);
          break;
        default:
          d[0] = d[1] = d[2] = 0;
          d[3] = 255;
          break;
      }
    }
  }
}

void ConvertFromBgra(D3DFORMAT f, const uint8_t* src, UINT width, UINT height, uint8_t* dst, UINT dstPitch) {
  for (UINT y = 0; y < height; ++y) {
    const uint8_t* s = src + static_cast<size_t>(y) * width * 4;
    uint8_t* d = dst + static_cast<size_t>(y) * dstPitch;
    for (UINT x = 0; x < width; ++x, s += 4) {
      unsigned b = s[0], g = s[1], r = s[2], a = s[3];
      switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
          std::memcpy(d + x * 4, s, 4);
          break;
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8B8G8R8:
          d[x * 4] = static_cast<uint8_t>(r), d[x * 4 + 1] = static_cast<uint8_t>(g);
          d[x * 4 + 2] = static_cast<uint8_t>(b), d[x * 4 + 3] = static_cast<uint8_t>(a);
          break;
        case D3DFMT_R8G8B8:
          std::memcpy(d + x * 3, s, 3);
          break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
          unsigned v = ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
          d[x * 2] = static_cast<uint8_t>(v), d[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case D3DFMT_R5G6B5: {
          unsigned v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
          d[x * 2] = static_cast<uint8_t>(v), d[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
          unsigned v = ((a >= 128 ? 1u : 0u) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
          d[x * 2] = static_cast<uint8_t>(v), d[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case D3DFMT_R3G3B2:
          d[x] = static_cast<uint8_t>(((r >> 5) << 5) | ((g >> 5) << 2) | (b >> 6));
          break;
        case D3DFMT_A8R3G3B2:
          d[x * 2] = static_cast<uint8_t>(((r >> 5) << 5) | ((g >> 5) << 2) | (b >> 6));
          d[x * 2 + 1] = static_cast<uint8_t>(a);
          break;
        case D3DFMT_L8:
          d[x] = static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
          break;
        case D3DFMT_L16: {
          unsigned l = (r * 299 + g * 587 + b * 114 + 500) / 1000;
          d[x * 2] = static_cast<uint8_t>(l), d[x * 2 + 1] = static_cast<uint8_t>(l);
          break;
        }
        case D3DFMT_A8:
          d[x] = static_cast<uint8_t>(a);
          break;
        case D3DFMT_A8L8:
          d[x * 2] = static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
          d[x * 2 + 1] = static_cast<uint8_t>(a);
          break;
        case D3DFMT_A4L4:
          d[x] = static_cast<uint8_t>(((a >> 4) << 4) | (((r * 299 + g * 587 + b * 114 + 500) / 1000) >> 4));
          break;
        default:
          break;
      }
    }
  }
}

VertexLayout LayoutFromFvf(DWORD fvf) {
  VertexLayout layout;
  int offset = 0;
  DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZ) {
    layout.attributes.push_back({kAttrPosition, 0, offset, D3DDECLTYPE_FLOAT3});
    offset += 12;
  } else if (position == D3DFVF_XYZRHW || position == D3DFVF_XYZW) {
    layout.attributes.push_back({kAttrPosition, 0, offset, D3DDECLTYPE_FLOAT4});
    layout.pretransformed = position == D3DFVF_XYZRHW;
    offset += 16;
  } else if (position != 0) {
    // Blend weights: position then (n) floats that this layer ignores.
    int weights = static_cast<int>((position - 6) / 2) + 1;
    layout.attributes.push_back({kAttrPosition, 0, offset, D3DDECLTYPE_FLOAT3});
    offset += 12 + 4 * weights;
  }
  if (fvf & D3DFVF_NORMAL) {
    layout.attributes.push_back({kAttrNormal, 0, offset, D3DDECLTYPE_FLOAT3});
    layout.hasNormal = true;
    offset += 12;
  }
  if (fvf & D3DFVF_PSIZE) offset += 4;
  if (fvf & D3DFVF_DIFFUSE) {
    layout.attributes.push_back({kAttrDiffuse, 0, offset, D3DDECLTYPE_D3DCOLOR});
    layout.hasDiffuse = true;
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.attributes.push_back({kAttrSpecular, 0, offset, D3DDECLTYPE_D3DCOLOR});
    layout.hasSpecular = true;
    offset += 4;
  }
  int texCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  texCount = std::min(texCount, kMaxTexCoords);
  for (int i = 0; i < texCount; ++i) {
    // Texture coordinate sizes: bits 16+2i; 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
    DWORD sizeCode = (fvf >> (16 + 2 * i)) & 3;
    int type = sizeCode == 0 ? D3DDECLTYPE_FLOAT2
               : sizeCode == 1 ? D3DDECLTYPE_FLOAT3
               : sizeCode == 2 ? D3DDECLTYPE_FLOAT4
                               : D3DDECLTYPE_FLOAT1;
    int bytes = sizeCode == 0 ? 8 : sizeCode == 1 ? 12 : sizeCode == 2 ? 16 : 4;
    layout.attributes.push_back({kAttrTex0 + i, 0, offset, type});
    offset += bytes;
  }
  layout.texCoordCount = texCount;
  layout.fvfStride = static_cast<UINT>(offset);
  return layout;
}

UINT FvfStride(DWORD fvf) { return LayoutFromFvf(fvf).fvfStride; }

VertexLayout LayoutFromDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements) {
  VertexLayout layout;
  for (const D3DVERTEXELEMENT9& e : elements) {
    int slot = -1;
    switch (e.Usage) {
      case D3DDECLUSAGE_POSITION:
        if (e.UsageIndex == 0) slot = kAttrPosition;
        break;
      case D3DDECLUSAGE_POSITIONT:
        slot = kAttrPosition;
        layout.pretransformed = true;
        break;
      case D3DDECLUSAGE_NORMAL:
        if (e.UsageIndex == 0) slot = kAttrNormal, layout.hasNormal = true;
        break;
      case D3DDECLUSAGE_COLOR:
        if (e.UsageIndex == 0) slot = kAttrDiffuse, layout.hasDiffuse = true;
        if (e.UsageIndex == 1) slot = kAttrSpecular, layout.hasSpecular = true;
        break;
      case D3DDECLUSAGE_TEXCOORD:
        if (e.UsageIndex < kMaxTexCoords) {
          slot = kAttrTex0 + e.UsageIndex;
          layout.texCoordCount = std::max(layout.texCoordCount, static_cast<int>(e.UsageIndex) + 1);
        }
        break;
      default:
        break;
    }
    if (slot >= 0) layout.attributes.push_back({slot, e.Stream, e.Offset, e.Type});
  }
  return layout;
}

}  // namespace nvd3d

D3DCOLOR D3DCOLOR_COLORVALUE(float r, float g, float b, float a) {
  auto c = [](float v) -> unsigned {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<unsigned>(v * 255.0f + 0.5f);
  };
  return D3DCOLOR_ARGB(c(a), c(r), c(g), c(b));
}
