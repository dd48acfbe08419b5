// PCX and TGA.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Image.h"

using namespace imaging;

// ---- PCX ------------------------------------------------------------------------

bool CImage::DecodePcx(const uint8_t* d, size_t size) {
  if (size < 128 || (d[0] != 10 && d[0] != 12) || d[2] != 1) return false;
  const int width = static_cast<int>(Get16(d + 8)) - static_cast<int>(Get16(d + 4)) + 1;
  const int height = static_cast<int>(Get16(d + 10)) - static_cast<int>(Get16(d + 6)) + 1;
  if (width <= 0 || height <= 0) return false;
  const int planeBits = d[3], planes = d[65];
  // Only the four layouts the converter knows; any other would size the DIB
  // from two arbitrary bytes.
  int bits = 0;
  if (planeBits == 1 && planes == 1) bits = 1;
  else if (planeBits == 1 && planes == 4) bits = 4;
  else if (planeBits == 8 && planes == 1) bits = 8;
  else if (planeBits == 8 && planes == 3) bits = 24;
  else return false;
  const int entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
  const int xPpm = static_cast<int>(std::lround(Get16(d + 12) * 39.37007874015748));
  const int yPpm = static_cast<int>(std::lround(Get16(d + 14) * 39.37007874015748));
  std::vector<uint8_t> dib = NewDib(width, height, bits, entries, xPpm, yPpm);
  if (dib.empty()) return false;
  const size_t bytesPerLine = Get16(d + 66);
  if (!bytesPerLine) return false;
  const size_t lineBytes = bytesPerLine * static_cast<size_t>(planes);
  const size_t stride = StrideOf(bits, width);
  uint8_t* pixels = dib.data() + 40 + 4 * entries;
  std::vector<uint8_t> line(lineBytes);
  size_t pos = 128;
  // Lines after the end of the data stay zero.
  for (int y = 0; y < height && pos < size; ++y) {
    std::fill(line.begin(), line.end(), 0);
    size_t filled = 0;
    while (filled < lineBytes && pos < size) {
      const uint8_t b = d[pos++];
      if (b >= 192) {
        if (pos >= size) break;
        const uint8_t v = d[pos++];
        const size_t n = std::min<size_t>(b - 192, lineBytes - filled);
        std::memset(line.data() + filled, v, n);
        filled += n;
      } else {
        line[filled++] = b;
      }
    }
    uint8_t* row = pixels + static_cast<size_t>(height - 1 - y) * stride;
    if (bits == 1 || bits == 8) {
      std::memcpy(row, line.data(), std::min(bytesPerLine, stride));
    } else if (bits == 4) {
      const int n = static_cast<int>(std::min<size_t>(width, bytesPerLine * 8));
      for (int x = 0; x < n; ++x) {
        int v = 0;
        for (int j = 0; j < 4; ++j) v |= ((line[j * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << j;
        row[x >> 1] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
      }
    } else {
      const int n = static_cast<int>(std::min<size_t>(width, bytesPerLine));
      for (int x = 0; x < n; ++x) {
        row[3 * x + 2] = line[x];
        row[3 * x + 1] = line[bytesPerLine + x];
        row[3 * x] = line[2 * bytesPerLine + x];
      }
    }
  }
  uint8_t* palette = dib.data() + 40;
  if (bits == 1) {
    std::memset(palette + 4, 255, 3);
  } else if (bits == 4) {
    for (int i = 0; i < 16; ++i) {
      palette[4 * i] = d[16 + 3 * i + 2];
      palette[4 * i + 1] = d[16 + 3 * i + 1];
      palette[4 * i + 2] = d[16 + 3 * i];
    }
  } else if (bits == 8) {
    // The table follows the marker byte after the last line; when the data
    // ran short, look for it at the end of the file; without it the file is
    // not a complete 256-colour image.
    size_t at = pos + 1;
    if (at + 768 > size) {
      if (size >= 128 + 769 && d[size - 769] == 12) at = size - 768;
      else return false;
    }
    for (int i = 0; i < 256; ++i) {
      palette[4 * i] = d[at + 3 * i + 2];
      palette[4 * i + 1] = d[at + 3 * i + 1];
      palette[4 * i + 2] = d[at + 3 * i];
    }
  }
  m_dib = std::move(dib);
  m_colorType = ColorTypeFromBitCount(bits);
  if (Get16(d + 68) == 2) {
    if (bits == 8) m_colorType = kGrey256;
    else if (bits == 4) m_colorType = kGrey16;
  }
  m_format = kFormatPcx;
  return true;
}

namespace {
void PcxEncodePlane(const uint8_t* p, size_t n, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < 63 && p[i + run] == p[i]) ++run;
    if (run >= 2 || p[i] >= 192) {
      out.push_back(static_cast<uint8_t>(192 + run));
      out.push_back(p[i]);
    } else {
      out.push_back(p[i]);
    }
    i += run;
  }
}
}  // namespace

bool CImage::EncodePcx(FILE* f) {
  const int bits = GetBitCount();
  int planeBits, planes;
  switch (bits) {
    case 1: planeBits = 1, planes = 1; break;
    case 4: planeBits = 1, planes = 4; break;
    case 8: planeBits = 8, planes = 1; break;
    case 24: planeBits = 8, planes = 3; break;
    default: return false;
  }
  const int width = GetWidth(), height = GetHeight();
  if (width > 65535 || height > 65535) return false;
  const size_t bpl = bits == 24 ? static_cast<size_t>((width + 1) & ~1)
                                : ((static_cast<size_t>(planeBits) * width + 15) / 8) & ~size_t{1};
  uint8_t h[128] = {10, 5, 1, static_cast<uint8_t>(planeBits)};
  Put16(h + 8, static_cast<uint32_t>(width - 1));
  Put16(h + 10, static_cast<uint32_t>(height - 1));
  Put16(h + 12, DotsPerInch16(GetXResolution()));
  Put16(h + 14, DotsPerInch16(GetYResolution()));
  const int entries = GetPaletteEntries();
  const uint8_t* pal = GetPalette();
  for (int i = 0; i < std::min(16, entries); ++i) {
    h[16 + 3 * i] = pal[4 * i + 2];
    h[16 + 3 * i + 1] = pal[4 * i + 1];
    h[16 + 3 * i + 2] = pal[4 * i];
  }
  h[65] = static_cast<uint8_t>(planes);
  Put16(h + 66, static_cast<uint32_t>(bpl));
  Put16(h + 68, (m_colorType == kGrey256 || m_colorType == kGrey16) ? 2 : 1);
  Put16(h + 70, 640);
  Put16(h + 72, 480);
  if (!WriteBytes(f, h, 128)) return false;
  const size_t stride = static_cast<size_t>(GetStride());
  const uint8_t* pixels = GetBits();
  std::vector<uint8_t> plane(bpl), out;
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = pixels + y * stride;
    out.clear();
    for (int j = 0; j < planes; ++j) {
      std::fill(plane.begin(), plane.end(), 0);
      if (bits == 1 || bits == 8) {
        std::memcpy(plane.data(), row, std::min(bpl, stride));
        if (bits == 1 && (width & 7)) {
          // Bits past the width stay clear.
          const size_t last = (width - 1) / 8;
          plane[last] &= static_cast<uint8_t>(0xFF << (8 - (width & 7)));
          for (size_t k = last + 1; k < bpl; ++k) plane[k] = 0;
        } else if (bits == 8) {
          for (size_t k = width; k < bpl; ++k) plane[k] = 0;
        }
      } else if (bits == 4) {
        for (int x = 0; x < width; ++x) {
          const int v = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
          if ((v >> j) & 1) plane[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
      } else {
        for (int x = 0; x < width; ++x) plane[x] = row[3 * x + 2 - j];
      }
      PcxEncodePlane(plane.data(), bpl, out);
    }
    if (!WriteBytes(f, out.data(), out.size())) return false;
  }
  if (bits == 8) {
    uint8_t tail[769] = {12};
    for (int i = 0; i < std::min(256, entries); ++i) {
      tail[1 + 3 * i] = pal[4 * i + 2];
      tail[2 + 3 * i] = pal[4 * i + 1];
      tail[3 + 3 * i] = pal[4 * i];
    }
    if (!WriteBytes(f, tail, sizeof tail)) return false;
  }
  return true;
}

// ---- TGA ------------------------------------------------------------------------

bool CImage::DecodeTga(const uint8_t* d, size_t size) {
  if (size <= 17) return false;
  const int mapType = d[1], type = d[2];
  const int width = Get16(d + 12), height = Get16(d + 14);
  const int bits = d[16], mapEntryBits = d[7];
  if (mapType >= 2 || width == 0 || height == 0) return false;
  const bool mapped = type == 1 || type == 9;
  if (!mapped && type != 2 && type != 10) return false;
  if (bits != (mapped ? 8 : 24)) return false;
  if (mapEntryBits != 0 && mapEntryBits != 24) return false;
  const int mapLength = Get16(d + 5);
  const int entries = mapped ? 256 : 0;
  std::vector<uint8_t> dib = NewDib(width, height, bits, entries);
  if (dib.empty()) return false;
  size_t pos = 18 + static_cast<size_t>(d[0]);
  if (mapType == 1) {
    const size_t mapBytes = static_cast<size_t>(mapLength) * (mapEntryBits / 8);
    if (pos + mapBytes > size) return false;
    if (mapped) {
      if (mapLength > 256 || mapEntryBits != 24) return false;
      for (int i = 0; i < mapLength; ++i) std::memcpy(dib.data() + 40 + 4 * i, d + pos + 3 * i, 3);
    }
    // A true-colour file may carry a colour map too: its entries are not pixels.
    pos += mapBytes;
  }
  const int desc = d[17];
  const bool rightToLeft = (desc & 0x10) != 0, topDown = (desc & 0x20) != 0;
  const int bpp = bits / 8;
  const size_t stride = StrideOf(bits, width);
  uint8_t* pixels = dib.data() + 40 + 4 * entries;
  int line = 0, x = 0;
  auto put = [&](const uint8_t* px) {
    const int row = topDown ? height - 1 - line : line;
    const int col = rightToLeft ? width - 1 - x : x;
    std::memcpy(pixels + static_cast<size_t>(row) * stride + static_cast<size_t>(col) * bpp, px, bpp);
    if (++x == width) {
      x = 0;
      ++line;
    }
  };
  if (type == 1 || type == 2) {
    while (line < height && pos + bpp <= size) {
      put(d + pos);
      pos += bpp;
    }
  } else {
    while (line < height && pos < size) {
      const int header = d[pos++];
      const int count = (header & 127) + 1;
      if (header & 128) {
        if (pos + bpp > size) break;
        for (int i = 0; i < count && line < height; ++i) put(d + pos);
        pos += bpp;
      } else {
        for (int i = 0; i < count && line < height && pos + bpp <= size; ++i) {
          put(d + pos);
          pos += bpp;
        }
      }
    }
  }
  m_dib = std::move(dib);
  m_colorType = ColorTypeFromBitCount(bits);
  m_format = kFormatTga;
  return true;
}

bool CImage::EncodeTga(FILE* f, int compression) {
  const int bits = GetBitCount();
  if (bits < 8 || (compression != 0 && compression != 1)) return false;
  if (compression == 1 && bits != 8 && bits != 24) return false;
  const int width = GetWidth(), height = GetHeight();
  if (width > 65535 || height > 65535) return false;
  const int entries = bits <= 8 ? GetPaletteEntries() : 0;
  uint8_t h[18] = {};
  h[1] = entries ? 1 : 0;
  h[2] = static_cast<uint8_t>(compression ? (entries ? 9 : 10) : (entries ? 1 : 2));
  Put16(h + 5, static_cast<uint32_t>(entries));
  h[7] = entries ? 24 : 0;
  Put16(h + 12, static_cast<uint32_t>(width));
  Put16(h + 14, static_cast<uint32_t>(height));
  h[16] = static_cast<uint8_t>(bits);
  if (!WriteBytes(f, h, 18)) return false;
  const uint8_t* pal = GetPalette();
  for (int i = 0; i < entries; ++i)
    if (!WriteBytes(f, pal + 4 * i, 3)) return false;
  const size_t stride = static_cast<size_t>(GetStride());
  const int bpp = bits / 8;
  const uint8_t* pixels = GetBits();
  std::vector<uint8_t> out;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + y * stride;
    if (!compression) {
      if (!WriteBytes(f, row, static_cast<size_t>(bpp) * width)) return false;
      continue;
    }
    out.clear();
    auto same = [&](int a, int b) { return std::memcmp(row + a * bpp, row + b * bpp, bpp) == 0; };
    int x = 0;
    while (x < width) {
      int run = 1;
      while (x + run < width && run < 128 && same(x, x + run)) ++run;
      if (run >= 2) {
        out.push_back(static_cast<uint8_t>((run - 1) | 128));
        out.insert(out.end(), row + x * bpp, row + (x + 1) * bpp);
        x += run;
        continue;
      }
      int n = 1;
      while (x + n < width && n < 128 && !(x + n + 1 < width && same(x + n, x + n + 1))) ++n;
      out.push_back(static_cast<uint8_t>(n - 1));
      out.insert(out.end(), row + x * bpp, row + (x + n) * bpp);
      x += n;
    }
    if (!WriteBytes(f, out.data(), out.size())) return false;
  }
  return true;
}
