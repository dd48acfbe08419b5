// Textures from picture files, normal maps, surface saving and the reading of
// vertex program files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../d3d9/DeviceImpl.h"
#include "ImageFile.h"
#include "PreparedTexture.h"
#include "ShaderAssembly.h"

namespace {

constexpr size_t kMaxFileBytes = 512u << 20;

UINT NextPow2(UINT v) {
  UINT p = 1;
  while (p < v && p < (1u << 15)) p <<= 1;
  return p;
}

// Bilinear (or nearest) resampling of BGRA pixels.
std::vector<uint8_t> Resample(const std::vector<uint8_t>& src, UINT sw, UINT sh, UINT dw, UINT dh, bool nearest) {
  std::vector<uint8_t> dst(static_cast<size_t>(dw) * dh * 4);
  for (UINT y = 0; y < dh; ++y) {
    double fy = (y + 0.5) * sh / dh - 0.5;
    for (UINT x = 0; x < dw; ++x) {
      double fx = (x + 0.5) * sw / dw - 0.5;
      uint8_t* out = dst.data() + (static_cast<size_t>(y) * dw + x) * 4;
      if (nearest) {
        UINT sx = std::min(sw - 1, static_cast<UINT>(std::max(0.0, std::floor(fx + 0.5))));
        UINT sy = std::min(sh - 1, static_cast<UINT>(std::max(0.0, std::floor(fy + 0.5))));
        std::memcpy(out, src.data() + (static_cast<size_t>(sy) * sw + sx) * 4, 4);
        continue;
      }
      int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
      double ax = fx - x0, ay = fy - y0;
      auto at = [&](int xx, int yy, int c) {
        xx = std::clamp(xx, 0, static_cast<int>(sw) - 1);
        yy = std::clamp(yy, 0, static_cast<int>(sh) - 1);
        return src[(static_cast<size_t>(yy) * sw + xx) * 4 + c];
      };
      for (int c = 0; c < 4; ++c) {
        double v = (1 - ax) * (1 - ay) * at(x0, y0, c) + ax * (1 - ay) * at(x0 + 1, y0, c) +
                   (1 - ax) * ay * at(x0, y0 + 1, c) + ax * ay * at(x0 + 1, y0 + 1, c);
        out[c] = static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
      }
    }
  }
  return dst;
}

std::vector<uint8_t> HalfSize(const std::vector<uint8_t>& src, UINT sw, UINT sh, UINT dw, UINT dh) {
  std::vector<uint8_t> dst(static_cast<size_t>(dw) * dh * 4);
  for (UINT y = 0; y < dh; ++y)
    for (UINT x = 0; x < dw; ++x)
      for (int c = 0; c < 4; ++c) {
        unsigned sum = 0, n = 0;
        for (UINT dy = 0; dy < 2; ++dy)
          for (UINT dx = 0; dx < 2; ++dx) {
            UINT sx = std::min(sw - 1, x * 2 + dx), sy = std::min(sh - 1, y * 2 + dy);
            sum += src[(static_cast<size_t>(sy) * sw + sx) * 4 + c];
            ++n;
          }
        dst[(static_cast<size_t>(y) * dw + x) * 4 + c] = static_cast<uint8_t>((sum + n / 2) / n);
      }
  return dst;
}

// Normals of a height field (BGRA, top row first) as BGRA, wrapping at the edges.
std::vector<uint8_t> NormalsFromHeights(const std::vector<uint8_t>& bgra, UINT W, UINT H, DWORD channel,
                                        float amplitude) {
  auto height = [&](int x, int y) -> float {
    x = (x % static_cast<int>(W) + static_cast<int>(W)) % static_cast<int>(W);
    y = (y % static_cast<int>(H) + static_cast<int>(H)) % static_cast<int>(H);
    const uint8_t* p = bgra.data() + (static_cast<size_t>(y) * W + x) * 4;
    switch (channel) {
      case D3DX_CHANNEL_RED: return p[2] / 255.0f;
      case D3DX_CHANNEL_GREEN: return p[1] / 255.0f;
      case D3DX_CHANNEL_BLUE: return p[0] / 255.0f;
      case D3DX_CHANNEL_ALPHA: return p[3] / 255.0f;
      default: return (0.2125f * p[2] + 0.7154f * p[1] + 0.0721f * p[0]) / 255.0f;
    }
  };
  std::vector<uint8_t> out(static_cast<size_t>(W) * H * 4);
  for (UINT y = 0; y < H; ++y)
    for (UINT x = 0; x < W; ++x) {
      int ix = static_cast<int>(x), iy = static_cast<int>(y);
      float dx = (height(ix + 1, iy) - height(ix - 1, iy)) * 0.5f * amplitude;
      float dy = (height(ix, iy + 1) - height(ix, iy - 1)) * 0.5f * amplitude;
      float nx = -dx, ny = -dy, nz = 1.0f;
      float len = std::sqrt(nx * nx + ny * ny + nz * nz);
      uint8_t* o = out.data() + (static_cast<size_t>(y) * W + x) * 4;
      o[2] = static_cast<uint8_t>(std::lround((nx / len * 0.5f + 0.5f) * 255));
      o[1] = static_cast<uint8_t>(std::lround((ny / len * 0.5f + 0.5f) * 255));
      o[0] = static_cast<uint8_t>(std::lround((nz / len * 0.5f + 0.5f) * 255));
      o[3] = 255;
    }
  return out;
}

void ApplyColorKey(std::vector<uint8_t>& pixels, D3DCOLOR colorKey) {
  if (colorKey == 0) return;
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    D3DCOLOR c = D3DCOLOR_ARGB(pixels[i + 3], pixels[i + 2], pixels[i + 1], pixels[i]);
    if (c == colorKey) std::memset(&pixels[i], 0, 4);
  }
}

std::vector<uint8_t> LevelBuffer(D3DFORMAT format, UINT width, UINT height, UINT& pitch) {
  UINT rows = 0;
  nvd3d::LevelLayout(format, width, height, pitch, rows);
  return std::vector<uint8_t>(static_cast<size_t>(pitch) * rows, 0);
}

}  // namespace

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = new ID3DXBuffer(size);
  return D3D_OK;
}

UINT D3DXGetFVFVertexSize(DWORD fvf) { return nvd3d::FvfStride(fvf); }

namespace nvd3dx {

size_t PreparedTexture::Bytes() const {
  size_t n = 0;
  for (const std::vector<uint8_t>& level : levels) n += level.size();
  return n;
}

HRESULT LoadPicture(const char* file, Image& image, const std::atomic<bool>* abandon) {
  std::vector<uint8_t> data;
  if (!file || !ReadWholeFile(file, data, kMaxFileBytes, abandon)) {
    if (abandon && abandon->load()) return E_FAIL;
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  if (!DecodeImage(data, image)) return D3DXERR_INVALIDDATA;
  return D3D_OK;
}

D3DXIMAGE_INFO PictureInfo(const Image& image) {
  return {image.width, image.height, 1, image.fileLevels, image.fileFormat, D3DRTYPE_TEXTURE, image.fileType};
}

HRESULT PrepareTexture(Image&& image, UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                       DWORD filter, D3DCOLOR colorKey, PreparedTexture& out) {
  out = PreparedTexture{};
  UINT w = (width == 0 || width == D3DX_DEFAULT_NONPOW2 || width == D3DX_FROM_FILE) ? image.width
           : width == D3DX_DEFAULT                                               ? NextPow2(image.width)
                                                                                  : width;
  UINT h = (height == 0 || height == D3DX_DEFAULT_NONPOW2 || height == D3DX_FROM_FILE) ? image.height
           : height == D3DX_DEFAULT                                                 ? NextPow2(image.height)
                                                                                     : height;
  if (w == 0 || h == 0) return D3DERR_INVALIDCALL;
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE || format == static_cast<D3DFORMAT>(D3DX_DEFAULT))
    format = image.fileFormat == D3DFMT_P8 ? D3DFMT_X8R8G8B8 : image.fileFormat;
  bool keepBlocks = nvd3d::IsCompressed(format) && format == image.fileFormat && w == image.width &&
                    h == image.height && colorKey == 0;
  if (nvd3d::IsCompressed(format) && !keepBlocks) format = D3DFMT_A8R8G8B8;  // no block encoder here
  if (!nvd3d::IsTextureFormatSupported(format)) return D3DERR_INVALIDCALL;
  UINT full = 1;
  for (UINT a = w, b = h; a > 1 || b > 1; a = std::max(1u, a / 2), b = std::max(1u, b / 2)) ++full;
  UINT levels = (mipLevels == 0 || mipLevels == D3DX_DEFAULT) ? full
                : mipLevels == D3DX_FROM_FILE                 ? image.fileLevels
                                                              : std::min(mipLevels, full);
  if (usage & D3DUSAGE_AUTOGENMIPMAP) levels = 1;
  if (keepBlocks) levels = std::min<UINT>(levels, static_cast<UINT>(image.compressedLevels.size()));
  levels = std::clamp(levels, 1u, full);
  out.width = w, out.height = h, out.format = format;
  std::vector<uint8_t> pixels = std::move(image.bgra);
  if (!keepBlocks) {
    ApplyColorKey(pixels, colorKey);
    if (w != image.width || h != image.height)
      pixels = Resample(pixels, image.width, image.height, w, h,
                        (filter & 0xFF) == D3DX_FILTER_POINT || (filter & 0xFF) == D3DX_FILTER_NONE);
  }
  UINT lw = w, lh = h;
  for (UINT level = 0; level < levels; ++level) {
    UINT pitch = 0;
    std::vector<uint8_t> data = LevelBuffer(format, lw, lh, pitch);
    if (keepBlocks) {
      const std::vector<uint8_t>& src = image.compressedLevels[level];
      std::memcpy(data.data(), src.data(), std::min(src.size(), data.size()));
    } else {
      nvd3d::ConvertFromBgra(format, pixels.data(), lw, lh, data.data(), pitch);
    }
    out.levels.push_back(std::move(data));
    UINT nw = std::max(1u, lw / 2), nh = std::max(1u, lh / 2);
    if (!keepBlocks && level + 1 < levels) pixels = HalfSize(pixels, lw, lh, nw, nh);
    lw = nw, lh = nh;
  }
  return D3D_OK;
}

HRESULT PrepareNormalMap(Image&& heights, D3DFORMAT format, D3DCOLOR colorKey, DWORD channel, float amplitude,
                         PreparedTexture& out) {
  out = PreparedTexture{};
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE || format == static_cast<D3DFORMAT>(D3DX_DEFAULT))
    format = heights.fileFormat == D3DFMT_P8 ? D3DFMT_X8R8G8B8 : heights.fileFormat;
  if (nvd3d::IsCompressed(format) || nvd3d::BytesPerPixel(format) == 0 || !nvd3d::IsTextureFormatSupported(format))
    return D3DERR_INVALIDCALL;
  const UINT W = heights.width, H = heights.height;
  if (W == 0 || H == 0) return D3DERR_INVALIDCALL;
  std::vector<uint8_t> bgra = std::move(heights.bgra);
  ApplyColorKey(bgra, colorKey);
  // The heights as the format keeps them, as when they go through a texture.
  UINT pitch = 0;
  std::vector<uint8_t> stored = LevelBuffer(format, W, H, pitch);
  nvd3d::ConvertFromBgra(format, bgra.data(), W, H, stored.data(), pitch);
  nvd3d::ConvertToBgra(format, stored.data(), pitch, W, H, bgra.data());
  const std::vector<uint8_t> normals = NormalsFromHeights(bgra, W, H, channel, amplitude);
  nvd3d::ConvertFromBgra(format, normals.data(), W, H, stored.data(), pitch);
  out.width = W, out.height = H, out.format = format;
  out.levels.push_back(std::move(stored));
  return D3D_OK;
}

HRESULT CreateTextureFromPrepared(IDirect3DDevice9* device, PreparedTexture&& prepared, DWORD usage, D3DPOOL pool,
                                  IDirect3DTexture9** texture) {
  if (!device || !texture || prepared.levels.empty()) return D3DERR_INVALIDCALL;
  const HRESULT hr = device->CreateTextureWithLevels(prepared.width, prepared.height, usage, prepared.format, pool,
                                                     std::move(prepared.levels), texture);
  prepared = PreparedTexture{};
  return hr;
}

}  // namespace nvd3dx

HRESULT D3DXGetImageInfoFromFileA(const char* file, D3DXIMAGE_INFO* info) {
  if (!file || !info) return D3DERR_INVALIDCALL;
  nvd3dx::Image image;
  const HRESULT hr = nvd3dx::LoadPicture(file, image);
  if (FAILED(hr)) return hr;
  *info = nvd3dx::PictureInfo(image);
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                     PALETTEENTRY* palette, IDirect3DTexture9** texture) {
  if (!device || !file || !texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  nvd3dx::Image image;
  HRESULT hr = nvd3dx::LoadPicture(file, image);
  if (FAILED(hr)) return hr;
  if (srcInfo) *srcInfo = nvd3dx::PictureInfo(image);
  nvd3dx::PreparedTexture prepared;
  hr = nvd3dx::PrepareTexture(std::move(image), width, height, mipLevels, usage, format, filter, colorKey, prepared);
  if (FAILED(hr)) return hr;
  return nvd3dx::CreateTextureFromPrepared(device, std::move(prepared), usage, pool, texture);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* file, IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                      D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT D3DXComputeNormalMap(IDirect3DTexture9* texture, IDirect3DTexture9* source, const PALETTEENTRY* palette,
                             DWORD flags, DWORD channel, float amplitude) {
  if (!texture || !source) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC sd, dd;
  source->GetLevelDesc(0, &sd);
  texture->GetLevelDesc(0, &dd);
  IDirect3DTexture9::Level* src = source->LevelAt(0);
  std::vector<uint8_t> bytes;
  if (!src || nvd3d::IsCompressed(dd.Format) || nvd3d::BytesPerPixel(dd.Format) == 0 || !source->ReadLevel(0, bytes))
    return D3DERR_INVALIDCALL;
  std::vector<uint8_t> bgra(static_cast<size_t>(sd.Width) * sd.Height * 4);
  nvd3d::ConvertToBgra(sd.Format, bytes.data(), src->pitch, sd.Width, sd.Height, bgra.data());
  if (dd.Width != sd.Width || dd.Height != sd.Height) bgra = Resample(bgra, sd.Width, sd.Height, dd.Width, dd.Height, false);
  const UINT W = dd.Width, H = dd.Height;
  const std::vector<uint8_t> out = NormalsFromHeights(bgra, W, H, channel, amplitude);
  D3DLOCKED_RECT lr;
  HRESULT hr = texture->LockRect(0, &lr, nullptr, 0);
  if (FAILED(hr)) return hr;
  nvd3d::ConvertFromBgra(dd.Format, out.data(), W, H, static_cast<uint8_t*>(lr.pBits), static_cast<UINT>(lr.Pitch));
  texture->UnlockRect(0);
  return D3D_OK;
}

HRESULT D3DXSaveSurfaceToFileA(const char* file, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* palette, const RECT* sourceRect) {
  if (!file || !surface || format != D3DXIFF_BMP) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  surface->GetDesc(&desc);
  RECT r = {0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  if (sourceRect) {
    r = *sourceRect;
    if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top || r.right > static_cast<LONG>(desc.Width) ||
        r.bottom > static_cast<LONG>(desc.Height))
      return D3DERR_INVALIDCALL;
  }
  if (nvd3d::IsCompressed(desc.Format) || nvd3d::BytesPerPixel(desc.Format) == 0) return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT lr;
  HRESULT hr = surface->LockRect(&lr, nullptr, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  UINT w = static_cast<UINT>(r.right - r.left), h = static_cast<UINT>(r.bottom - r.top);
  std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
  const uint8_t* origin = static_cast<const uint8_t*>(lr.pBits) + static_cast<size_t>(r.top) * lr.Pitch +
                          static_cast<size_t>(r.left) * nvd3d::BytesPerPixel(desc.Format);
  nvd3d::ConvertToBgra(desc.Format, origin, static_cast<UINT>(lr.Pitch), w, h, bgra.data());
  surface->UnlockRect();
  size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
  size_t imageBytes = stride * h;
  std::vector<uint8_t> bmp(54 + imageBytes, 0);
  auto put32 = [&](size_t o, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[o + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, static_cast<uint32_t>(imageBytes));
  put32(38, 2835);
  put32(42, 2835);
  for (UINT y = 0; y < h; ++y) {
    const uint8_t* src = bgra.data() + static_cast<size_t>(h - 1 - y) * w * 4;
    uint8_t* dst = bmp.data() + 54 + stride * y;
    for (UINT x = 0; x < w; ++x) std::memcpy(dst + x * 3, src + x * 4, 3);
  }
  std::string temp = std::string(file) + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return E_FAIL;
  bool ok = std::fwrite(bmp.data(), 1, bmp.size(), f) == bmp.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), file) != 0) {
    std::remove(temp.c_str());
    return E_FAIL;
  }
  return D3D_OK;
}

HRESULT D3DXAssembleShaderFromFileA(const char* file, const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD flags,
                                    ID3DXBuffer** shader, ID3DXBuffer** errors) {
  if (errors) *errors = nullptr;
  if (!file || !shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  std::vector<uint8_t> data;
  if (!nvd3dx::ReadWholeFile(file, data, 1u << 20)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  std::string source(data.begin(), data.end());
  if (defines) {
    std::string prefix;
    for (const D3DXMACRO* m = defines; m->Name; ++m)
      prefix += std::string("#define ") + m->Name + " " + (m->Definition ? m->Definition : "") + "\n";
    source = prefix + source;
  }
  auto fail = [&](const std::string& log) {
    if (errors) {
      *errors = new ID3DXBuffer(log.size() + 1);
      std::memcpy((*errors)->GetBufferPointer(), log.c_str(), log.size() + 1);
    }
    return D3DXERR_INVALIDDATA;
  };
  if (nvd3dx::IsVertexShaderAssembly(source)) {
    std::string glsl, log;
    if (!nvd3dx::TranslateVertexShaderAssembly(source, glsl, log)) return fail(log);
    source = glsl;
  }
  if (nvd3d::HaveGlContext()) {
    std::string log;
    if (!nvd3d::CheckUserVertexShader(source, log)) {
      if (errors) {
        *errors = new ID3DXBuffer(log.size() + 1);
        std::memcpy((*errors)->GetBufferPointer(), log.c_str(), log.size() + 1);
      }
      return D3DXERR_INVALIDDATA;
    }
  }
  auto* buffer = new ID3DXBuffer(8 + ((source.size() + 4) & ~static_cast<size_t>(3)));
  auto* words = static_cast<DWORD*>(buffer->GetBufferPointer());
  words[0] = kShaderCodeTag;
  words[1] = static_cast<DWORD>(source.size());
  std::memcpy(words + 2, source.data(), source.size());
  *shader = buffer;
  return D3D_OK;
}
