// The image class: DIB bookkeeping, load and save dispatch, the buffered
// writer and pixel access.
#include "Image.h"

#include <algorithm>
#include <cstring>

using namespace imaging;

namespace imaging {
std::vector<uint8_t> NewDib(int width, int height, int bits, int paletteEntries, int xPpm, int yPpm) {
  if (width <= 0 || height <= 0 || width > CImage::kMaxImageSide || height > CImage::kMaxImageSide) return {};
  if (paletteEntries < 0 || paletteEntries > 256) return {};
  const size_t stride = StrideOf(bits, width);
  const size_t pixels = stride * static_cast<size_t>(height);
  if (pixels > CImage::kMaxImageBytes) return {};
  std::vector<uint8_t> dib(40 + 4 * static_cast<size_t>(paletteEntries) + pixels, 0);
  uint8_t* h = dib.data();
  Put32(h, 40);
  Put32(h + 4, static_cast<uint32_t>(width));
  Put32(h + 8, static_cast<uint32_t>(height));
  Put16(h + 12, 1);
  Put16(h + 14, static_cast<uint32_t>(bits));
  Put32(h + 16, 0);
  Put32(h + 20, static_cast<uint32_t>(pixels));
  Put32(h + 24, static_cast<uint32_t>(xPpm));
  Put32(h + 28, static_cast<uint32_t>(yPpm));
  Put32(h + 32, static_cast<uint32_t>(paletteEntries));
  Put32(h + 36, 0);
  return dib;
}
}  // namespace imaging

IMPLEMENT_DYNCREATE(CImage)

CImage::CImage() = default;
CImage::~CImage() = default;

int CImage::ColorTypeFromBitCount(int bits) {
  switch (bits) {
    case 24: return kColor24Bit;
    case 8: return kColor256;
    case 4: return kColor16;
    case 1: return kBlackAndWhite;
    default: return kColorNone;
  }
}

int CImage::GetBitCount() const { return m_dib.empty() ? 0 : Get16(m_dib.data() + 14); }
int CImage::GetWidth() const { return m_dib.empty() ? 0 : static_cast<int>(Get32(m_dib.data() + 4)); }
int CImage::GetHeight() const { return m_dib.empty() ? 0 : static_cast<int>(Get32(m_dib.data() + 8)); }
int CImage::GetXResolution() const { return m_dib.empty() ? 0 : static_cast<int>(Get32(m_dib.data() + 24)); }
int CImage::GetYResolution() const { return m_dib.empty() ? 0 : static_cast<int>(Get32(m_dib.data() + 28)); }

void CImage::SetResolution(int x, int y) {
  if (m_dib.empty()) return;
  if (x) Put32(m_dib.data() + 24, static_cast<uint32_t>(x));
  if (y) Put32(m_dib.data() + 28, static_cast<uint32_t>(y));
}

bool CImage::GetTransparentColor(uint32_t& color) const {
  color = m_transparentColor & ~kTransparentDefined;
  return (m_transparentColor & kTransparentDefined) != 0;
}

void CImage::SetTransparentColor(uint32_t color, bool on) {
  m_transparentColor = on ? ((color & ~kTransparentDefined) | kTransparentDefined) : 0;
}

int CImage::GetPaletteEntries() const {
  if (m_dib.empty()) return 0;
  const uint32_t used = Get32(m_dib.data() + 32);
  if (used) return static_cast<int>(used);
  const int bits = GetBitCount();
  return bits <= 8 ? 1 << bits : 0;
}

int CImage::GetStride() const { return static_cast<int>(StrideOf(GetBitCount(), GetWidth())); }
const uint8_t* CImage::GetPalette() const { return m_dib.empty() ? nullptr : m_dib.data() + 40; }
const uint8_t* CImage::GetBits() const { return m_dib.empty() ? nullptr : m_dib.data() + 40 + 4 * GetPaletteEntries(); }
uint8_t* CImage::GetBits() { return m_dib.empty() ? nullptr : m_dib.data() + 40 + 4 * GetPaletteEntries(); }

// A DIB is well formed when its header is ours and its block holds every row.
static bool DibIsSound(const std::vector<uint8_t>& dib) {
  if (dib.size() < 40 || Get32(dib.data()) != 40) return false;
  const int32_t w = static_cast<int32_t>(Get32(dib.data() + 4));
  const int32_t h = static_cast<int32_t>(Get32(dib.data() + 8));
  const int bits = Get16(dib.data() + 14);
  if (w <= 0 || h <= 0 || w > CImage::kMaxImageSide || h > CImage::kMaxImageSide) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  uint32_t entries = Get32(dib.data() + 32);
  if (!entries && bits <= 8) entries = 1u << bits;
  if (entries > 256) return false;
  return dib.size() >= 40 + 4 * entries + StrideOf(bits, w) * static_cast<size_t>(h);
}

bool CImage::Attach(std::vector<uint8_t> dib, int colorType) {
  if (!DibIsSound(dib)) return false;
  Free();
  m_dib = std::move(dib);
  m_colorType = colorType;
  return true;
}

CImage& CImage::AttachCopy(const std::vector<uint8_t>& dib) {
  Free();
  if (DibIsSound(dib)) {
    m_dib = dib;
    m_colorType = ColorTypeFromBitCount(GetBitCount());
  }
  return *this;
}

CImage& CImage::Copy(const CImage& other) {
  if (&other == this) return *this;
  Free();
  m_dib = other.m_dib;
  m_colorType = other.m_colorType;
  m_format = other.m_format;
  m_transparentColor = other.m_transparentColor;
  return *this;
}

void CImage::Free() {
  m_dib.clear();
  m_dib.shrink_to_fit();
  m_colorType = kColorNone;
  m_format = kFormatNone;
  m_transparentColor = 0;
}

int CImage::GetPixel(int row, const uint8_t* bits, int column, int paletteEntries, int stride) const {
  const int depth = GetBitCount();
  if (!bits) bits = GetBits();
  if (!bits || row < 0 || column < 0 || row >= GetHeight() || column >= GetWidth()) return 0;
  (void)paletteEntries;
  if (!stride) stride = GetStride();
  const uint8_t* line = bits + static_cast<size_t>(row) * stride;
  switch (depth) {
    case 1: return (line[column >> 3] >> (7 - (column & 7))) & 1;
    case 4: return (line[column >> 1] >> ((column & 1) ? 0 : 4)) & 15;
    case 8: return line[column];
    case 24: {
      const uint8_t* p = line + 3 * static_cast<size_t>(column);
      return (p[0] << 16) | (p[1] << 8) | p[2];
    }
    default: return 0;
  }
}

void CImage::SetPixel(int row, uint8_t* bits, int column, int value, int paletteEntries, int stride) {
  const int depth = GetBitCount();
  if (!bits) bits = GetBits();
  if (!bits || row < 0 || column < 0 || row >= GetHeight() || column >= GetWidth()) return;
  (void)paletteEntries;
  if (!stride) stride = GetStride();
  uint8_t* line = bits + static_cast<size_t>(row) * stride;
  switch (depth) {
    case 1: {
      const int shift = 7 - (column & 7);
      line[column >> 3] = static_cast<uint8_t>((line[column >> 3] & ~(1 << shift)) | ((value & 1) << shift));
      break;
    }
    case 4: {
      const int shift = (column & 1) ? 0 : 4;
      line[column >> 1] = static_cast<uint8_t>((line[column >> 1] & ~(15 << shift)) | ((value & 15) << shift));
      break;
    }
    case 8: line[column] = static_cast<uint8_t>(value); break;
    case 24: {
      uint8_t* p = line + 3 * static_cast<size_t>(column);
      p[0] = static_cast<uint8_t>(value >> 16);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value);
      break;
    }
    default: break;
  }
}

// ---- Load and save ------------------------------------------------------------

bool CImage::Load(const char* name) {
  if (!name || !*name) return false;
  FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  std::vector<uint8_t> data;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  if (size <= 0 || std::fseek(f, 0, SEEK_SET) != 0) ok = false;
  if (ok) {
    data.resize(static_cast<size_t>(size));
    ok = std::fread(data.data(), 1, data.size(), f) == data.size();
  }
  std::fclose(f);
  return ok && LoadFromMemory(data.data(), data.size());
}

bool CImage::LoadFromMemory(const uint8_t* data, size_t size, int format) {
  if (!data || !size) return false;
  const int keptFormat = m_format;
  const uint32_t keptTransparent = m_transparentColor;
  m_format = kFormatNone;
  m_transparentColor = 0;
  if (Decode(data, size, format)) {
    if (!GetXResolution() || !GetYResolution()) {
      Put32(m_dib.data() + 24, kDefaultPixelsPerMetre);
      Put32(m_dib.data() + 28, kDefaultPixelsPerMetre);
    }
    return true;
  }
  m_format = keptFormat;
  m_transparentColor = keptTransparent;
  return false;
}

bool CImage::Decode(const uint8_t* data, size_t size, int format) {
  switch (format) {
    case kFormatBmp:
    case kFormatOs2Bmp:
    case kFormatRleBmp: return DecodeBmp(data, size);
    case kFormatPcx: return DecodePcx(data, size);
    case kFormatGif: return DecodeGif(data, size);
    case kFormatJpeg: return DecodeJpeg(data, size);
    case kFormatTga: return DecodeTga(data, size);
    default: break;
  }
  return DecodeBmp(data, size) || DecodePcx(data, size) || DecodeGif(data, size) || DecodeJpeg(data, size) ||
         DecodeTga(data, size);
}

bool CImage::Save(const char* name, int format, int option) {
  if (!name || !*name || m_dib.empty() || format < 0 || format >= kFormatNone) return false;
  if (!BeginWrite()) return false;
  FILE* f = std::fopen(name, "wb");
  if (!f) {
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    return false;
  }
  bool ok = false;
  switch (format) {
    case kFormatBmp: ok = EncodeBmp(f); break;
    case kFormatOs2Bmp: ok = EncodeOs2Bmp(f); break;
    case kFormatRleBmp: ok = EncodeRleBmp(f); break;
    case kFormatPcx: ok = EncodePcx(f); break;
    case kFormatGif: ok = EncodeGif(f); break;
    case kFormatJpeg: ok = EncodeJpeg(f, option); break;
    case kFormatTga: ok = EncodeTga(f, option); break;
    default: ok = false; break;
  }
  ok = EndWrite(f, ok);
  if (std::fclose(f) != 0) ok = false;
  if (ok) m_format = format;
  else std::remove(name);
  return ok;
}

bool CImage::BeginWrite() {
  if (!m_buffer.empty()) return false;
  m_buffer.assign(kWriteBufferSize, 0);
  m_bufferPos = 0;
  return true;
}

bool CImage::WriteBytes(FILE* file, const void* bytes, size_t count) {
  if (m_buffer.empty()) return false;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  while (count) {
    const size_t n = std::min(count, static_cast<size_t>(kWriteBufferSize - m_bufferPos));
    std::memcpy(m_buffer.data() + m_bufferPos, p, n);
    m_bufferPos += static_cast<int>(n);
    p += n;
    count -= n;
    if (m_bufferPos == kWriteBufferSize) {
      if (std::fwrite(m_buffer.data(), 1, kWriteBufferSize, file) != static_cast<size_t>(kWriteBufferSize)) return false;
      std::fill(m_buffer.begin(), m_buffer.end(), 0);
      m_bufferPos = 0;
    }
  }
  return true;
}

bool CImage::EndWrite(FILE* file, bool success) {
  bool ok = success;
  if (success && m_bufferPos > 0 && !m_buffer.empty())
    ok = std::fwrite(m_buffer.data(), 1, static_cast<size_t>(m_bufferPos), file) == static_cast<size_t>(m_bufferPos);
  m_buffer.clear();
  m_buffer.shrink_to_fit();
  m_bufferPos = 0;
  return ok;
}
