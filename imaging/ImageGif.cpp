// GIF: the first image of a GIF87a or GIF89a file; writes GIF87a with LZW.
#include <algorithm>
#include <cstring>

#include "Image.h"

using namespace imaging;

namespace {

// Skips data sub-blocks from `pos` through their zero terminator.
size_t SkipSubBlocks(const uint8_t* d, size_t size, size_t pos) {
  while (pos < size) {
    const uint8_t n = d[pos++];
    if (!n) break;
    pos += n;
  }
  return pos;
}

// Reads LZW codes least significant bit first from the data sub-blocks.
struct CodeReader {
  const uint8_t* d;
  size_t size, pos;
  size_t blockLeft = 0;
  uint32_t acc = 0;
  int accBits = 0;
  bool ended = false;
  int Next(int bits) {
    while (accBits < bits) {
      if (!blockLeft) {
        if (pos >= size || !d[pos]) {
          ended = true;
          return -1;
        }
        blockLeft = d[pos++];
      }
      if (pos >= size) {
        ended = true;
        return -1;
      }
      acc |= static_cast<uint32_t>(d[pos++]) << accBits;
      accBits += 8;
      --blockLeft;
    }
    const int code = static_cast<int>(acc & ((1u << bits) - 1));
    acc >>= bits;
    accBits -= bits;
    return code;
  }
};

}  // namespace

bool CImage::DecodeGif(const uint8_t* d, size_t size) {
  if (size <= 12 || std::memcmp(d, "GIF", 3) != 0) return false;
  if (std::memcmp(d + 3, "87a", 3) != 0 && std::memcmp(d + 3, "89a", 3) != 0) return false;
  const int screenFlags = d[10];
  size_t pos = 13;
  const uint8_t* table = nullptr;
  int tableEntries = 0;
  if (screenFlags & 0x80) {
    tableEntries = 1 << ((screenFlags & 7) + 1);
    if (pos + 3 * static_cast<size_t>(tableEntries) > size) return false;
    table = d + pos;
    pos += 3 * static_cast<size_t>(tableEntries);
  }
  const int r = (screenFlags >> 4) & 7;
  const int defaultDepth = r == 0 ? 1 : r == 3 ? 4 : 8;
  uint32_t transparent = 0;
  while (pos < size && d[pos] == 0x21) {
    if (pos + 2 >= size) return false;
    const uint8_t label = d[pos + 1];
    pos += 2;
    if (label == 0xF9 && pos + 5 <= size && d[pos] >= 4) {
      if (d[pos + 1] & 1) transparent = kTransparentDefined | d[pos + 4];
    }
    // Every sub-block up to the terminator, however many there are.
    pos = SkipSubBlocks(d, size, pos);
  }
  if (pos + 10 > size || d[pos] != 0x2C) return false;
  const int width = Get16(d + pos + 5), height = Get16(d + pos + 7);
  const int flags = d[pos + 9];
  pos += 10;
  if (flags & 0x80) {
    tableEntries = 1 << ((flags & 7) + 1);
    if (pos + 3 * static_cast<size_t>(tableEntries) > size) return false;
    table = d + pos;
    pos += 3 * static_cast<size_t>(tableEntries);
  }
  if (width == 0 || height == 0 || pos >= size) return false;
  const int minCode = d[pos++];
  if (minCode < 1 || minCode > 11) return false;
  // No code stream can give more than 4096 pixels for each code of at least
  // minCode + 1 bits: an image larger than the rest of the file could ever
  // fill is damaged, and is refused before its picture is made.
  const size_t mostPixels = ((size - pos) * 8 / static_cast<size_t>(minCode + 1) + 1) * 4096;
  if (static_cast<size_t>(width) * height > mostPixels) return false;
  // A table needs at least the depth that holds its entries, whatever the
  // colour resolution says.
  const int n = tableEntries;
  int depth;
  if (n > 16) depth = 8;
  else if (n > 2 && n < 16) depth = 4;
  else depth = std::max(defaultDepth, n == 16 ? 4 : 1);
  const int entries = 1 << depth;
  std::vector<uint8_t> dib = NewDib(width, height, depth, entries);
  if (dib.empty()) return false;
  uint8_t* pal = dib.data() + 40;
  if (table) {
    for (int i = 0; i < std::min(n, entries); ++i) {
      pal[4 * i] = table[3 * i + 2];
      pal[4 * i + 1] = table[3 * i + 1];
      pal[4 * i + 2] = table[3 * i];
    }
  } else {
    std::memset(pal + 4, 255, 3);
  }

  // LZW into a top-down index buffer that grows with the data actually
  // there: a short file that claims a large image costs only its image.
  const size_t total = static_cast<size_t>(width) * height;
  std::vector<uint8_t> indices;
  indices.reserve(std::min<size_t>(total, 1 << 20));
  std::vector<uint16_t> prefix(4096, 0);
  std::vector<uint8_t> suffix(4096, 0);
  std::vector<uint8_t> stack(4097);
  const int clear = 1 << minCode, end = clear + 1;
  for (int i = 0; i < clear; ++i) suffix[i] = static_cast<uint8_t>(i);
  int codeSize = minCode + 1, next = clear + 2, previous = -1;
  uint8_t first = 0;
  size_t produced = 0;
  CodeReader in{d, size, pos};
  while (produced < total) {
    const int code = in.Next(codeSize);
    if (code < 0 || code == end || code > next) break;
    if (code == clear) {
      codeSize = minCode + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code >= clear) break;  // no string yet to refer to
      first = suffix[code];
      indices.push_back(first);
      ++produced;
      previous = code;
      continue;
    }
    int sp = 0, c = code;
    if (code == next) {
      stack[sp++] = first;
      c = previous;
    }
    while (c >= clear && sp < 4096) {
      stack[sp++] = suffix[c];
      c = prefix[c];
    }
    if (c >= clear) break;
    stack[sp++] = suffix[c];
    first = suffix[c];
    while (sp > 0 && produced < total) {
      indices.push_back(stack[--sp]);
      ++produced;
    }
    // A full table keeps decoding with the codes it has until a clear code
    // comes (encoders may defer the clear).
    if (next < 4096) {
      prefix[next] = static_cast<uint16_t>(previous);
      suffix[next] = first;
      ++next;
      if ((next & (next - 1)) == 0 && codeSize < 12) ++codeSize;
    }
    previous = code;
  }

  // Rows from the top of the image, interlaced in four passes when flagged.
  std::vector<int> order;
  order.reserve(height);
  if (flags & 0x40) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int y = kStart[p]; y < height; y += kStep[p]) order.push_back(y);
  } else {
    for (int y = 0; y < height; ++y) order.push_back(y);
  }
  const size_t stride = StrideOf(depth, width);
  uint8_t* pixels = dib.data() + 40 + 4 * entries;
  indices.resize(static_cast<size_t>(height > 0 ? (produced + width - 1) / width : 0) * width, 0);
  const int rowsProduced = static_cast<int>(indices.size() / width);
  for (int k = 0; k < rowsProduced; ++k) {
    uint8_t* row = pixels + static_cast<size_t>(height - 1 - order[k]) * stride;
    const uint8_t* src = indices.data() + static_cast<size_t>(k) * width;
    if (depth == 8) {
      std::memcpy(row, src, width);
    } else if (depth == 4) {
      for (int x = 0; x < width; ++x) row[x >> 1] |= static_cast<uint8_t>((src[x] & 15) << ((x & 1) ? 0 : 4));
    } else {
      for (int x = 0; x < width; ++x) row[x >> 3] |= static_cast<uint8_t>((src[x] & 1) << (7 - (x & 7)));
    }
  }
  m_dib = std::move(dib);
  m_transparentColor = transparent;
  m_colorType = ColorTypeFromBitCount(depth);
  m_format = kFormatGif;
  return true;
}

namespace {

// Packs codes least significant bit first into 254-byte sub-blocks.
struct CodeWriter {
  explicit CodeWriter(std::vector<uint8_t>& o) : out(o) {}
  std::vector<uint8_t>& out;
  uint8_t block[256] = {};
  int blockLen = 0;
  uint32_t acc = 0;
  int accBits = 0;
  void Byte(uint8_t b) {
    block[blockLen++] = b;
    if (blockLen == 254) Flush();
  }
  void Flush() {
    if (!blockLen) return;
    out.push_back(static_cast<uint8_t>(blockLen));
    out.insert(out.end(), block, block + blockLen);
    blockLen = 0;
  }
  void Put(int code, int bits) {
    acc |= static_cast<uint32_t>(code) << accBits;
    accBits += bits;
    while (accBits >= 8) {
      Byte(static_cast<uint8_t>(acc));
      acc >>= 8;
      accBits -= 8;
    }
  }
  void Finish() {
    if (accBits > 0) Byte(static_cast<uint8_t>(acc));
    acc = 0;
    accBits = 0;
    Flush();
  }
};

}  // namespace

bool CImage::EncodeGif(FILE* f) {
  const int bits = GetBitCount();
  if (bits < 1 || bits > 8) return false;
  const int width = GetWidth(), height = GetHeight();
  if (width > 65535 || height > 65535) return false;
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(width) * height / 2 + 1024);
  const uint8_t head[13] = {'G', 'I', 'F', '8', '7', 'a',
                            static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                            static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8),
                            static_cast<uint8_t>(0x80 | ((bits - 1) << 4) | (bits - 1)), 0, 0};
  out.insert(out.end(), head, head + 13);
  const int tableEntries = 1 << bits, held = GetPaletteEntries();
  const uint8_t* pal = GetPalette();
  for (int i = 0; i < tableEntries; ++i) {
    if (i < held) {
      out.push_back(pal[4 * i + 2]);
      out.push_back(pal[4 * i + 1]);
      out.push_back(pal[4 * i]);
    } else {
      out.insert(out.end(), 3, 0);
    }
  }
  uint32_t transparent;
  if (GetTransparentColor(transparent)) {
    const uint8_t gce[8] = {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(transparent), 0};
    out.insert(out.end(), gce, gce + 8);
  }
  const uint8_t desc[10] = {0x2C, 0, 0, 0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                            static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), 0};
  out.insert(out.end(), desc, desc + 10);

  const int m = std::max(bits, 2);
  out.push_back(static_cast<uint8_t>(m));
  constexpr int kHashSize = 5003;
  std::vector<uint16_t> hashCode(kHashSize, 0), hashPrefix(kHashSize, 0);
  std::vector<uint8_t> hashPixel(kHashSize, 0);
  const int clear = 1 << m, end = clear + 1;
  int codeSize = m + 1, maxCode = (1 << codeSize) - 1, next = clear + 2;
  CodeWriter w(out);
  auto emit = [&](int code) {
    w.Put(code, codeSize);
    if (next > maxCode && codeSize < 12) {
      ++codeSize;
      maxCode = codeSize == 12 ? 4096 : (1 << codeSize) - 1;
    }
  };
  int prefix = -1;
  const uint8_t* pixels = GetBits();
  const size_t stride = static_cast<size_t>(GetStride());
  std::vector<uint8_t> row(width);
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* line = pixels + y * stride;
    if (bits == 8) {
      std::memcpy(row.data(), line, width);
    } else {
      for (int x = 0; x < width; ++x)
        row[x] = bits == 4 ? (line[x >> 1] >> ((x & 1) ? 0 : 4)) & 15 : (line[x >> 3] >> (7 - (x & 7))) & 1;
    }
    for (int x = 0; x < width; ++x) {
      const int p = row[x];
      if (prefix < 0) {
        prefix = p;
        continue;
      }
      int h = prefix + 16 * p;
      if (h > kHashSize - 1) h -= kHashSize;
      const int disp = h == 0 ? 1 : kHashSize - h;
      bool found = false;
      while (hashCode[h]) {
        if (hashPrefix[h] == prefix && hashPixel[h] == p) {
          found = true;
          break;
        }
        h -= disp;
        if (h < 0) h += kHashSize;
      }
      if (found) {
        prefix = hashCode[h];
        continue;
      }
      emit(prefix);
      if (next <= 4095) {
        hashCode[h] = static_cast<uint16_t>(next++);
        hashPrefix[h] = static_cast<uint16_t>(prefix);
        hashPixel[h] = static_cast<uint8_t>(p);
      } else {
        std::fill(hashCode.begin(), hashCode.end(), 0);
        w.Put(clear, codeSize);
        next = clear + 2;
        codeSize = m + 1;
        maxCode = (1 << codeSize) - 1;
      }
      prefix = p;
    }
  }
  emit(prefix);
  w.Put(end, codeSize);
  w.Finish();
  out.push_back(0);
  out.push_back(0x3B);
  return WriteBytes(f, out.data(), out.size());
}
