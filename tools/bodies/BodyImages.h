#pragma once
// Pictures of the body generator: RGBA in memory, PNG and JPEG in, JPEG,
// PNG, BMP and DDS (DXT1, DXT3, DXT5 through libsquish) out. Every file is
// written through a temporary file and a rename.
#include <cstdint>
#include <string>
#include <vector>

namespace bodies {

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // rows top to bottom
  uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Image MakeImage(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a);
// PNG (any colour type) or JPEG, by the file's first bytes.
bool ReadImage(const std::string& path, Image& image, std::string& error);
// Halves the size (2 x 2 means) until neither side exceeds maxSide; never enlarges.
Image ShrinkTo(const Image& image, int maxSide);
// Bilinear sample with the columns wrapping (u, v in 0..1).
void Sample(const Image& image, double u, double v, double out[4]);
// Resized by bilinear sampling (for maps combined at a common size).
Image Resample(const Image& image, int width, int height);

enum class Dxt { kDxt1, kDxt3, kDxt5 };
bool WriteJpeg(const std::string& path, const Image& image, int quality, std::string& error);
bool WritePng(const std::string& path, const Image& image, bool alpha, std::string& error);
bool WriteBmp(const std::string& path, const Image& image, std::string& error);
bool WriteDds(const std::string& path, const Image& image, Dxt format, std::string& error);
// DXT blocks already made (rows of 4 x 4 pixel blocks, top to bottom).
bool WriteDdsBlocks(const std::string& path, int width, int height, Dxt format, const std::vector<uint8_t>& blocks,
                    std::string& error);
// The blocks of a DXT1 .dds of one level (as WriteDds writes it).
bool ReadDxt1(const std::string& path, int& width, int& height, std::vector<uint8_t>& blocks, std::string& error);
// The bytes written to `path` (temporary file, then rename).
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace bodies
