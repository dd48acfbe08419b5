#pragma once
// Scratch folders, synthetic images and pixel comparisons for the image tests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Image.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/nvimaging-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    path_ = made ? made : "";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

// A small deterministic generator.
struct Lcg {
  uint32_t state;
  explicit Lcg(uint32_t seed) : state(seed) {}
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

// An image of that depth whose rows alternate between noise and runs, so
// both literal and run encodings are exercised. Palette images get a
// distinct colour per entry.
inline void MakeTestImage(CImage& image, int bits, int width, int height, uint32_t seed = 1, int entries = 0) {
  if (!entries && bits <= 8) entries = 1 << bits;
  std::vector<uint8_t> dib = imaging::NewDib(width, height, bits, bits <= 8 ? entries : 0);
  ASSERT_FALSE(dib.empty());
  for (int i = 0; i < entries; ++i) {
    dib[40 + 4 * i] = static_cast<uint8_t>(i * 37 + 11);
    dib[41 + 4 * i] = static_cast<uint8_t>(i * 91 + 5);
    dib[42 + 4 * i] = static_cast<uint8_t>(255 - i * 13);
  }
  ASSERT_TRUE(image.Attach(std::move(dib), CImage::ColorTypeFromBitCount(bits)));
  Lcg rng(seed);
  const int levels = bits == 24 ? 1 << 24 : entries;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int v = (y % 2) ? static_cast<int>(rng.Next() % levels) : ((x / 5 + y) * 7919) % levels;
      image.SetPixel(y, nullptr, x, v);
    }
}

// Colour of a pixel as blue, green, red bytes packed like a 24-bit pixel.
inline int PixelColor(const CImage& image, int row, int column) {
  const int v = image.GetPixel(row, nullptr, column);
  if (image.GetBitCount() == 24) return v;
  if (v >= image.GetPaletteEntries()) return -1;
  const uint8_t* c = image.GetPalette() + 4 * v;
  return (c[0] << 16) | (c[1] << 8) | c[2];
}

inline ::testing::AssertionResult SamePixels(const CImage& a, const CImage& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
    return ::testing::AssertionFailure() << "size " << a.GetWidth() << "x" << a.GetHeight() << " vs " << b.GetWidth()
                                         << "x" << b.GetHeight();
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      if (PixelColor(a, y, x) != PixelColor(b, y, x))
        return ::testing::AssertionFailure() << "pixel (" << x << ", row " << y << " from the bottom): " << std::hex
                                             << PixelColor(a, y, x) << " vs " << PixelColor(b, y, x);
  return ::testing::AssertionSuccess();
}

// Peak signal-to-noise ratio of two 24-bit or grey images of the same size.
inline double Psnr(const CImage& a, const CImage& b) {
  double sum = 0;
  long n = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      const int p = PixelColor(a, y, x), q = PixelColor(b, y, x);
      for (int k = 0; k < 3; ++k) {
        const double d = ((p >> (8 * k)) & 255) - ((q >> (8 * k)) & 255);
        sum += d * d;
        ++n;
      }
    }
  if (sum == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 / (sum / n));
}
