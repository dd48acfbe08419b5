#include "Image.h"

#include <png.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace pictures {

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    error = path + ": " + png.message;
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  if (png.width == 0 || png.height == 0 || png.width > 8192 || png.height > 8192) {
    png_image_free(&png);
    error = path + ": unexpected size";
    return false;
  }
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
    error = path + ": " + png.message;
    png_image_free(&png);
    return false;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  const size_t n = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  image.pixels.resize(n * 3);
  for (size_t i = 0; i < n; ++i) {
    const unsigned a = rgba[4 * i + 3];
    for (int c = 0; c < 3; ++c) image.pixels[3 * i + c] = static_cast<uint8_t>((rgba[4 * i + c] * a + 127) / 255);
  }
  return true;
}

void ShrinkTo(RgbImage& image, int maxSide) {
  while ((image.width > maxSide || image.height > maxSide) && image.width >= 2 && image.height >= 2) {
    const int w = image.width / 2, h = image.height / 2;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
      const uint8_t* r0 = &image.pixels[static_cast<size_t>(2 * y) * image.width * 3];
      const uint8_t* r1 = r0 + static_cast<size_t>(image.width) * 3;
      for (int x = 0; x < w; ++x) {
        for (int c = 0; c < 3; ++c) {
          const unsigned s = r0[6 * x + c] + r0[6 * x + 3 + c] + r1[6 * x + c] + r1[6 * x + 3 + c];
          out[(static_cast<size_t>(y) * w + x) * 3 + c] = static_cast<uint8_t>((s + 2) / 4);
        }
      }
    }
    image.width = w;
    image.height = h;
    image.pixels.swap(out);
  }
}

void FlipColumns(RgbImage& image) {
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = &image.pixels[static_cast<size_t>(y) * image.width * 3];
    for (int a = 0, b = image.width - 1; a < b; ++a, --b) {
      for (int c = 0; c < 3; ++c) std::swap(row[3 * a + c], row[3 * b + c]);
    }
  }
}

namespace {

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

}  // namespace

bool WriteJpeg(const std::string& path, const RgbImage& image, int quality, std::string& error) {
  const std::string temp = path + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) {
    error = temp + ": cannot create";
    return false;
  }
  jpeg_compress_struct info;
  JpegError jerr;
  info.err = jpeg_std_error(&jerr.base);
  jerr.base.error_exit = OnJpegError;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_compress(&info);
    std::fclose(f);
    std::remove(temp.c_str());
    error = path + ": JPEG encoding failed";
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&image.pixels[static_cast<size_t>(info.next_scanline) * image.width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const bool ok = std::fflush(f) == 0;
  std::fclose(f);
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    error = path + ": cannot write";
    return false;
  }
  return true;
}

}  // namespace pictures
