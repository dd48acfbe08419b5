// GIF and JPEG encoding and decoding of a 1280 x 720 colour image and a
// 1024 x 1024 grey image, beside ImageMagick's C++ library doing the same
// work in memory on one thread.
//   bench/imaging/bench_imaging_codecs
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <Magick++.h>

#include "Image.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/nvbench-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    std::string f = made ? made : "/tmp";
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return f;
  }();
  return folder;
}

// A sky-like colour picture: gradients, noise and sharp shapes.
void MakeColour(CImage& image) {
  image.Attach(imaging::NewDib(1280, 720, 24, 0), CImage::kColor24Bit);
  uint32_t s = 1;
  for (int y = 0; y < 720; ++y)
    for (int x = 0; x < 1280; ++x) {
      s = s * 1664525u + 1013904223u;
      const int n = (s >> 24) & 15;
      const bool star = ((x * 7 + y * 13) % 97) == 0;
      const int r = star ? 255 : std::min(255, x / 6 + n), g = star ? 250 : std::min(255, y / 3 + n),
                b = star ? 240 : (80 + (x + y) / 16 + n) & 255;
      image.SetPixel(y, nullptr, x, (b << 16) | (g << 8) | r);
    }
}

void MakeGrey(CImage& image) {
  std::vector<uint8_t> dib = imaging::NewDib(1024, 1024, 8, 256);
  for (int i = 0; i < 256; ++i) std::memset(dib.data() + 40 + 4 * i, i, 3);
  image.Attach(std::move(dib), CImage::kGrey256);
  uint32_t s = 7;
  for (int y = 0; y < 1024; ++y)
    for (int x = 0; x < 1024; ++x) {
      s = s * 1664525u + 1013904223u;
      const double d = std::hypot(x - 512.0, y - 512.0);
      image.SetPixel(y, nullptr, x, std::min(255, static_cast<int>(255 - d / 3) + static_cast<int>((s >> 24) & 7)));
    }
}

struct Inputs {
  std::string colourBmp, colourPaletteBmp, greyBmp, colourGif, colourJpeg, greyGif, greyJpeg;
  Inputs() {
    const std::string f = Folder();
    CImage colour, grey;
    MakeColour(colour);
    MakeGrey(grey);
    colourBmp = f + "/colour.bmp", greyBmp = f + "/grey.bmp", colourPaletteBmp = f + "/colour256.bmp";
    colourGif = f + "/colour.gif", colourJpeg = f + "/colour.jpg", greyGif = f + "/grey.gif", greyJpeg = f + "/grey.jpg";
    colour.Save(colourBmp.c_str(), CImage::kFormatBmp);
    colour.Save(colourJpeg.c_str(), CImage::kFormatJpeg, 75);
    grey.Save(greyBmp.c_str(), CImage::kFormatBmp);
    grey.Save(greyGif.c_str(), CImage::kFormatGif);
    grey.Save(greyJpeg.c_str(), CImage::kFormatJpeg, 75);
    colour.SetColorType(CImage::kColor256, false);
    colour.Save(colourPaletteBmp.c_str(), CImage::kFormatBmp);
    colour.Save(colourGif.c_str(), CImage::kFormatGif);
  }
};
const Inputs& Files() {
  static const Inputs inputs;
  return inputs;
}

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void OurEncode(benchmark::State& state, const std::string& source, int format) {
  CImage image;
  image.Load(source.c_str());
  const std::string out = Folder() + "/ours.out";
  for (auto _ : state) benchmark::DoNotOptimize(image.Save(out.c_str(), format, 75));
}

void OurDecode(benchmark::State& state, const std::string& file) {
  const std::vector<uint8_t> data = Read(file);
  for (auto _ : state) {
    CImage image;
    benchmark::DoNotOptimize(image.LoadFromMemory(data.data(), data.size()));
  }
}

// ImageMagick's C++ library doing the same work in memory, on one thread.
void MagickSetUp() {
  static const bool ready = [] {
    Magick::InitializeMagick(nullptr);
    Magick::ResourceLimits::thread(1);
    return true;
  }();
  (void)ready;
}

void MagickEncode(benchmark::State& state, const std::string& source, const char* format) {
  MagickSetUp();
  Magick::Image image;
  image.read(source);
  image.quality(75);
  for (auto _ : state) {
    Magick::Blob blob;
    image.magick(format);
    image.write(&blob);
    benchmark::DoNotOptimize(blob.length());
  }
}

void MagickDecode(benchmark::State& state, const std::string& file) {
  MagickSetUp();
  const std::vector<uint8_t> data = Read(file);
  const Magick::Blob blob(data.data(), data.size());
  for (auto _ : state) {
    Magick::Image image;
    image.read(blob);
    benchmark::DoNotOptimize(image.columns());
  }
}

void BM_GifEncodeColour(benchmark::State& s) { OurEncode(s, Files().colourPaletteBmp, CImage::kFormatGif); }
void BM_GifEncodeGrey(benchmark::State& s) { OurEncode(s, Files().greyBmp, CImage::kFormatGif); }
void BM_GifDecodeColour(benchmark::State& s) { OurDecode(s, Files().colourGif); }
void BM_GifDecodeGrey(benchmark::State& s) { OurDecode(s, Files().greyGif); }
void BM_JpegEncodeColour(benchmark::State& s) { OurEncode(s, Files().colourBmp, CImage::kFormatJpeg); }
void BM_JpegEncodeGrey(benchmark::State& s) { OurEncode(s, Files().greyBmp, CImage::kFormatJpeg); }
void BM_JpegDecodeColour(benchmark::State& s) { OurDecode(s, Files().colourJpeg); }
void BM_JpegDecodeGrey(benchmark::State& s) { OurDecode(s, Files().greyJpeg); }

void BM_Magick_GifEncodeColour(benchmark::State& s) { MagickEncode(s, Files().colourPaletteBmp, "GIF"); }
void BM_Magick_GifEncodeGrey(benchmark::State& s) { MagickEncode(s, Files().greyBmp, "GIF"); }
void BM_Magick_GifDecodeColour(benchmark::State& s) { MagickDecode(s, Files().colourGif); }
void BM_Magick_GifDecodeGrey(benchmark::State& s) { MagickDecode(s, Files().greyGif); }
void BM_Magick_JpegEncodeColour(benchmark::State& s) { MagickEncode(s, Files().colourBmp, "JPEG"); }
void BM_Magick_JpegEncodeGrey(benchmark::State& s) { MagickEncode(s, Files().greyBmp, "JPEG"); }
void BM_Magick_JpegDecodeColour(benchmark::State& s) { MagickDecode(s, Files().colourJpeg); }
void BM_Magick_JpegDecodeGrey(benchmark::State& s) { MagickDecode(s, Files().greyJpeg); }

}  // namespace

BENCHMARK(BM_GifEncodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_GifEncodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifEncodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_GifEncodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifDecodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_GifDecodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifDecodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_GifDecodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegEncodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_JpegEncodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegEncodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_JpegEncodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_JpegDecodeColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecodeGrey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Magick_JpegDecodeGrey)->Unit(benchmark::kMillisecond);
