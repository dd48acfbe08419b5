#pragma once
// PNG in, JPEG out: the only image conversion the picture generator needs.
#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // RGB, rows top to bottom
};

// Any PNG colour type, 8 or 16 bits; transparency is laid over black.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);
// Halves the size (2 x 2 means) until neither side exceeds maxSide.
void ShrinkTo(RgbImage& image, int maxSide);
// Mirrors the columns.
void FlipColumns(RgbImage& image);
// Written through a temporary file and a rename.
bool WriteJpeg(const std::string& path, const RgbImage& image, int quality, std::string& error);

}  // namespace pictures
