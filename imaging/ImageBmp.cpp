// BMP: Windows and OS/2 headers, uncompressed and run-length encoded.
#include <algorithm>
#include <cstring>

#include "Image.h"

using namespace imaging;

namespace {

bool SupportedDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// Writes decoded RLE pixels into a zeroed 8- or 4-bit DIB, clamping the pen
// to the image.
struct RlePen {
  uint8_t* bits;
  int width, height, depth;
  size_t stride;
  int column = 0, row = 0;
  bool Done() const { return row >= height; }
  // Pixels past the row's end are dropped (encoders pad rows to their
  // stride); only end-of-line and delta escapes change the row.
  void Put(int value) {
    if (column >= width || row >= height) return;
    uint8_t* line = bits + static_cast<size_t>(row) * stride;
    if (depth == 8) {
      line[column] = static_cast<uint8_t>(value);
    } else {
      const int shift = (column & 1) ? 0 : 4;
      line[column >> 1] = static_cast<uint8_t>((line[column >> 1] & ~(15 << shift)) | ((value & 15) << shift));
    }
    ++column;
  }
};

void DecodeRle(const uint8_t* d, size_t size, size_t pos, RlePen& pen) {
  const bool four = pen.depth == 4;
  while (pos + 1 < size && !pen.Done()) {
    const int n = d[pos], v = d[pos + 1];
    pos += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i) pen.Put(four ? ((i & 1) ? v & 15 : v >> 4) : v);
      continue;
    }
    if (v == 0) {  // end of line
      pen.column = 0;
      ++pen.row;
    } else if (v == 1) {  // end of bitmap
      return;
    } else if (v == 2) {  // delta
      if (pos + 1 >= size) return;
      pen.column = std::min(pen.column + d[pos], pen.width);
      pen.row = std::min(pen.row + d[pos + 1], pen.height);
      pos += 2;
    } else {  // literal run of v pixels, padded to 16 bits
      const size_t bytes = four ? (static_cast<size_t>(v) + 1) / 2 : static_cast<size_t>(v);
      for (int i = 0; i < v; ++i) {
        const size_t at = pos + (four ? static_cast<size_t>(i) / 2 : static_cast<size_t>(i));
        if (at >= size) return;
        pen.Put(four ? ((i & 1) ? d[at] & 15 : d[at] >> 4) : d[at]);
      }
      pos += bytes + (bytes & 1);
    }
  }
}

}  // namespace

bool CImage::DecodeBmp(const uint8_t* d, size_t size) {
  if (size <= 13 || d[0] != 'B' || d[1] != 'M' || size < 18) return false;
  const uint32_t headerSize = Get32(d + 14);
  if (headerSize == 40) {
    if (size < 54) return false;
    const int32_t width = static_cast<int32_t>(Get32(d + 18));
    int32_t height = static_cast<int32_t>(Get32(d + 22));
    const int bits = Get16(d + 28);
    const uint32_t compression = Get32(d + 30);
    uint32_t used = Get32(d + 46);
    // A negative height marks rows stored from the top down (uncompressed only).
    const bool topDown = height < 0;
    if (topDown) {
      if (compression != 0 || height == INT32_MIN) return false;
      height = -height;
    }
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide || !SupportedDepth(bits))
      return false;
    if (bits <= 8 && used > (1u << bits)) return false;
    if (used > 256) return false;
    const int entries = static_cast<int>(used ? used : (bits <= 8 ? 1u << bits : 0));
    const size_t paletteBytes = 4 * static_cast<size_t>(entries);
    if (54 + paletteBytes > size) return false;
    const size_t stride = StrideOf(bits, width);
    const size_t pixelBytes = stride * static_cast<size_t>(height);
    if (pixelBytes > kMaxImageBytes) return false;
    std::vector<uint8_t> dib;
    if (compression == 0) {
      const uint32_t offset = Get32(d + 10);
      if (offset > size || size - offset < pixelBytes) return false;
      dib.assign(40 + paletteBytes + pixelBytes, 0);
      std::memcpy(dib.data(), d + 14, 40 + paletteBytes);
      uint8_t* out = dib.data() + 40 + paletteBytes;
      if (!topDown) {
        std::memcpy(out, d + offset, pixelBytes);
      } else {
        for (int32_t r = 0; r < height; ++r)
          std::memcpy(out + static_cast<size_t>(height - 1 - r) * stride, d + offset + static_cast<size_t>(r) * stride,
                      stride);
        Put32(dib.data() + 8, static_cast<uint32_t>(height));
      }
      Put32(dib.data() + 20, static_cast<uint32_t>(pixelBytes));
      Put32(dib.data() + 32, static_cast<uint32_t>(entries));
      m_format = kFormatBmp;
    } else if ((compression == 1 && bits == 8) || (compression == 2 && bits == 4)) {
      const uint32_t offset = Get32(d + 10);
      if (offset >= size) return false;
      dib.assign(40 + paletteBytes + pixelBytes, 0);
      std::memcpy(dib.data(), d + 14, 40 + paletteBytes);
      Put32(dib.data() + 16, 0);
      Put32(dib.data() + 20, static_cast<uint32_t>(pixelBytes));
      Put32(dib.data() + 32, static_cast<uint32_t>(entries));
      RlePen pen{dib.data() + 40 + paletteBytes, width, height, bits, stride};
      DecodeRle(d, size, offset, pen);
      m_format = kFormatRleBmp;
    } else {
      return false;
    }
    m_dib = std::move(dib);
    m_colorType = ColorTypeFromBitCount(bits);
    return true;
  }
  if (headerSize == 12) {
    if (size < 26) return false;
    const int width = Get16(d + 18), height = Get16(d + 20);
    const int planes = Get16(d + 22), bits = Get16(d + 24);
    if (width <= 0 || height <= 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return false;
    const int entries = bits <= 8 ? 1 << bits : 0;
    const size_t paletteEnd = 26 + 3 * static_cast<size_t>(entries);
    if (paletteEnd > size) return false;
    std::vector<uint8_t> dib = NewDib(width, height, bits, entries);
    if (dib.empty()) return false;
    Put16(dib.data() + 12, static_cast<uint32_t>(planes));
    for (int i = 0; i < entries; ++i) std::memcpy(dib.data() + 40 + 4 * i, d + 26 + 3 * i, 3);
    const size_t pixelBytes = StrideOf(bits, width) * static_cast<size_t>(height);
    std::memcpy(dib.data() + 40 + 4 * entries, d + paletteEnd, std::min(pixelBytes, size - paletteEnd));
    m_dib = std::move(dib);
    m_colorType = ColorTypeFromBitCount(bits);
    m_format = kFormatOs2Bmp;
    return true;
  }
  return false;
}

bool CImage::EncodeBmp(FILE* f) {
  const int entries = GetPaletteEntries();
  const size_t pixels = static_cast<size_t>(GetStride()) * GetHeight();
  uint8_t h[14] = {'B', 'M'};
  Put32(h + 2, static_cast<uint32_t>(pixels + 4 * entries + 54));
  Put32(h + 10, static_cast<uint32_t>(4 * entries + 54));
  const size_t dibBytes = std::min(m_dib.size(), 40 + 4 * static_cast<size_t>(entries) + pixels);
  return WriteBytes(f, h, 14) && WriteBytes(f, m_dib.data(), dibBytes);
}

bool CImage::EncodeOs2Bmp(FILE* f) {
  const int bits = GetBitCount();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  if (GetWidth() > 65535 || GetHeight() > 65535) return false;
  // The core header always carries the full table for palette depths.
  const int entries = bits <= 8 ? 1 << bits : 0;
  const int held = std::min(GetPaletteEntries(), entries);
  const size_t pixels = static_cast<size_t>(GetStride()) * GetHeight();
  uint8_t h[26] = {'B', 'M'};
  Put32(h + 2, static_cast<uint32_t>(pixels + 26 + 3 * entries));
  Put32(h + 10, static_cast<uint32_t>(26 + 3 * entries));
  Put32(h + 14, 12);
  Put16(h + 18, static_cast<uint32_t>(GetWidth()));
  Put16(h + 20, static_cast<uint32_t>(GetHeight()));
  Put16(h + 22, 1);
  Put16(h + 24, static_cast<uint32_t>(bits));
  if (!WriteBytes(f, h, 26)) return false;
  std::vector<uint8_t> palette(3 * static_cast<size_t>(entries), 0);
  for (int i = 0; i < held; ++i) std::memcpy(&palette[3 * i], GetPalette() + 4 * i, 3);
  return WriteBytes(f, palette.data(), palette.size()) && WriteBytes(f, GetBits(), pixels);
}

namespace {

void EncodeRle8Row(const uint8_t* p, int w, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < w) {
    if (i + 1 < w && p[i] == p[i + 1]) {
      int n = 1;
      while (i + n < w && n < 254 && p[i + n] == p[i]) ++n;
      out.push_back(static_cast<uint8_t>(n));
      out.push_back(p[i]);
      i += n;
      continue;
    }
    int n = 0;
    while (i + n < w && n < 254 && (i + n + 1 >= w || p[i + n] != p[i + n + 1])) ++n;
    if (n > 2) {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), p + i, p + i + n);
      if (n & 1) out.push_back(0);
    } else {
      for (int k = 0; k < n; ++k) {
        out.push_back(1);
        out.push_back(p[i + k]);
      }
    }
    i += n;
  }
}

void EncodeRle4Row(const uint8_t* line, int w, std::vector<uint8_t>& out) {
  auto px = [&](int x) { return (line[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; };
  int i = 0;
  while (i < w) {
    // A run alternating between the first two pixels.
    int run = 1;
    if (i + 1 < w) {
      run = 2;
      while (i + run < w && run < 252 && px(i + run) == px(i + (run & 1))) ++run;
    }
    if (run > 3) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(static_cast<uint8_t>((px(i) << 4) | px(i + 1)));
      i += run;
      continue;
    }
    // A literal grown two pixels at a time until an alternating run starts.
    int j = i + 2;
    while (j < w && j - i < 252 && !(j + 1 < w && px(j) == px(j - 2) && px(j + 1) == px(j - 1))) j += 2;
    int n = std::min(j, w) - i;
    // An odd literal (at the row's end) leaves its last pixel to a run of
    // one: some readers lose the last nibble of odd literals.
    if (n > 2 && (n & 1)) --n;
    if (n > 2) {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(n));
      const int bytes = (n + 1) / 2;
      for (int k = 0; k < bytes; ++k) {
        const int a = px(i + 2 * k), b = (2 * k + 1 < n) ? px(i + 2 * k + 1) : 0;
        out.push_back(static_cast<uint8_t>((a << 4) | b));
      }
      if (bytes & 1) out.push_back(0);
    } else {
      out.push_back(static_cast<uint8_t>(n));
      out.push_back(static_cast<uint8_t>((px(i) << 4) | (n > 1 ? px(i + 1) : 0)));
    }
    i += n;
  }
}

}  // namespace

bool CImage::EncodeRleBmp(FILE* f) {
  const int bits = GetBitCount();
  if (bits != 8 && bits != 4) return false;
  const int entries = GetPaletteEntries();
  const int width = GetWidth(), height = GetHeight();
  const size_t stride = static_cast<size_t>(GetStride());
  std::vector<uint8_t> data;
  data.reserve(stride * height / 2 + 16);
  const uint8_t* pixels = GetBits();
  for (int r = 0; r < height; ++r) {
    const uint8_t* line = pixels + r * stride;
    if (bits == 8) EncodeRle8Row(line, width, data);
    else EncodeRle4Row(line, width, data);
    data.push_back(0);
    data.push_back(0);
  }
  data.push_back(0);
  data.push_back(1);
  // The file size is that of the file as written, not of the pixels before
  // compression, so readers that trust it see the whole stream.
  uint8_t h[14] = {'B', 'M'};
  Put32(h + 2, static_cast<uint32_t>(54 + 4 * entries + data.size()));
  Put32(h + 10, static_cast<uint32_t>(4 * entries + 54));
  uint8_t info[40];
  std::memcpy(info, m_dib.data(), 40);
  Put32(info + 16, bits == 8 ? 1 : 2);
  Put32(info + 20, static_cast<uint32_t>(data.size()));
  return WriteBytes(f, h, 14) && WriteBytes(f, info, 40) && WriteBytes(f, GetPalette(), 4 * static_cast<size_t>(entries)) &&
         WriteBytes(f, data.data(), data.size());
}
