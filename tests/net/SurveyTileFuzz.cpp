// libFuzzer target: arbitrary bytes as a downloaded survey tile, taken the
// way the tile download does: decoded (any format), made grey or kept in
// colour, written as JPEG and decoded again. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzScratch.h"
#include "Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchFolder() + "/tile.jpg";
  CImage image;
  if (!image.LoadFromMemory(data, size)) return 0;
  // Keep each run short: real tiles are about 2000 pixels a side.
  if (static_cast<long>(image.GetWidth()) * image.GetHeight() > (1 << 20)) return 0;
  const bool colour = size && (data[size - 1] & 1);
  if (!image.SetColorType(colour ? CImage::kColor24Bit : CImage::kGrey256, true)) return 0;
  if (!image.Save(path.c_str(), CImage::kFormatJpeg, 75)) return 0;
  CImage back;
  if (!back.Load(path.c_str()) || back.GetWidth() != image.GetWidth() || back.GetHeight() != image.GetHeight())
    __builtin_trap();
  std::remove(path.c_str());
  return 0;
}
