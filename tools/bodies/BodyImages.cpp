#include "BodyImages.h"

#include <jpeglib.h>
#include <png.h>
#include <squish.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace bodies {
namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

bool DecodeJpeg(const std::vector<uint8_t>& bytes, Image& image) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.rgba.assign(static_cast<size_t>(image.width) * image.height * 4, 255);
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int x = 0; x < image.width; ++x) std::memcpy(image.At(x, y), &row[static_cast<size_t>(x) * 3], 3);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool DecodePng(const std::vector<uint8_t>& bytes, Image& image) {
  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return false;
  png.format = PNG_FORMAT_RGBA;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba.assign(PNG_IMAGE_SIZE(png), 0);
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  return true;
}

void Put16(std::vector<uint8_t>& b, unsigned v) {
  b.push_back(v & 255);
  b.push_back((v >> 8) & 255);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

Image MakeImage(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  Image image;
  image.width = width;
  image.height = height;
  image.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < image.rgba.size(); i += 4) {
    image.rgba[i] = r;
    image.rgba[i + 1] = g;
    image.rgba[i + 2] = b;
    image.rgba[i + 3] = a;
  }
  return image;
}

bool ReadImage(const std::string& path, Image& image, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadFile(path, bytes) || bytes.size() < 8) {
    error = "cannot read " + path;
    return false;
  }
  const bool png = bytes[0] == 0x89 && bytes[1] == 'P';
  if (!(png ? DecodePng(bytes, image) : DecodeJpeg(bytes, image)) || image.width < 1 || image.height < 1) {
    error = "cannot decode " + path;
    return false;
  }
  return true;
}

Image ShrinkTo(const Image& source, int maxSide) {
  Image image = source;
  while ((image.width > maxSide || image.height > maxSide) && image.width > 1 && image.height > 1) {
    Image half;
    half.width = image.width / 2;
    half.height = image.height / 2;
    half.rgba.resize(static_cast<size_t>(half.width) * half.height * 4);
    for (int y = 0; y < half.height; ++y)
      for (int x = 0; x < half.width; ++x)
        for (int c = 0; c < 4; ++c) {
          const int sum = image.At(2 * x, 2 * y)[c] + image.At(2 * x + 1, 2 * y)[c] + image.At(2 * x, 2 * y + 1)[c] +
                          image.At(2 * x + 1, 2 * y + 1)[c];
          half.At(x, y)[c] = static_cast<uint8_t>((sum + 2) / 4);
        }
    image = std::move(half);
  }
  return image;
}

void Sample(const Image& image, double u, double v, double out[4]) {
  const double x = u * image.width - 0.5, y = std::clamp(v * image.height - 0.5, 0.0, image.height - 1.0);
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const int y1 = std::min(y0 + 1, image.height - 1);
  auto wrap = [&](int xi) { return ((xi % image.width) + image.width) % image.width; };
  const uint8_t* a = image.At(wrap(x0), y0);
  const uint8_t* b = image.At(wrap(x0 + 1), y0);
  const uint8_t* c = image.At(wrap(x0), y1);
  const uint8_t* d = image.At(wrap(x0 + 1), y1);
  for (int k = 0; k < 4; ++k)
    out[k] = (a[k] * (1 - fx) + b[k] * fx) * (1 - fy) + (c[k] * (1 - fx) + d[k] * fx) * fy;
}

Image Resample(const Image& image, int width, int height) {
  Image out = MakeImage(width, height, 0, 0, 0, 0);
  double s[4];
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Sample(image, (x + 0.5) / width, (y + 0.5) / height, s);
      for (int k = 0; k < 4; ++k) out.At(x, y)[k] = static_cast<uint8_t>(std::lround(std::clamp(s[k], 0.0, 255.0)));
    }
  return out;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const std::string temporary = path + ".tmp";
  FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) {
    error = "cannot write " + temporary;
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool WriteJpeg(const std::string& path, const Image& image, int quality, std::string& error) {
  jpeg_compress_struct info;
  jpeg_error_mgr manager;
  info.err = jpeg_std_error(&manager);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < image.width; ++x) std::memcpy(&row[static_cast<size_t>(x) * 3], image.At(x, y), 3);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return WriteFileAtomically(path, bytes, error);
}

bool WritePng(const std::string& path, const Image& image, bool alpha, std::string& error) {
  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels = image.rgba;
  if (!alpha) {
    png.format = PNG_FORMAT_RGB;
    pixels.clear();
    for (size_t i = 0; i < image.rgba.size(); i += 4) pixels.insert(pixels.end(), &image.rgba[i], &image.rgba[i] + 3);
  }
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
    error = "cannot encode " + path;
    return false;
  }
  std::vector<uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, pixels.data(), 0, nullptr)) {
    error = "cannot encode " + path;
    return false;
  }
  bytes.resize(size);
  return WriteFileAtomically(path, bytes, error);
}

bool WriteBmp(const std::string& path, const Image& image, std::string& error) {
  const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(image.height);
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + dataBytes);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(image.width));
  Put32(b, static_cast<uint32_t>(image.height));
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, dataBytes);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      b.push_back(p[2]);
      b.push_back(p[1]);
      b.push_back(p[0]);
    }
    for (uint32_t k = static_cast<uint32_t>(image.width) * 3; k < rowBytes; ++k) b.push_back(0);
  }
  return WriteFileAtomically(path, b, error);
}

bool WriteDds(const std::string& path, const Image& image, Dxt format, std::string& error) {
  const int flags = format == Dxt::kDxt1 ? squish::kDxt1 : format == Dxt::kDxt3 ? squish::kDxt3 : squish::kDxt5;
  const int quality = squish::kColourRangeFit;
  const int size = squish::GetStorageRequirements(image.width, image.height, flags);
  std::vector<uint8_t> blocks(static_cast<size_t>(size));
  squish::CompressImage(image.rgba.data(), image.width, image.height, blocks.data(), flags | quality);
  return WriteDdsBlocks(path, image.width, image.height, format, blocks, error);
}

bool WriteDdsBlocks(const std::string& path, int width, int height, Dxt format, const std::vector<uint8_t>& blocks,
                    std::string& error) {
  std::vector<uint8_t> b = {'D', 'D', 'S', ' '};
  Put32(b, 124);
  Put32(b, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000);  // caps, height, width, pixel format, linear size
  Put32(b, static_cast<uint32_t>(height));
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(blocks.size()));
  Put32(b, 0);  // depth
  Put32(b, 1);  // mip levels
  for (int i = 0; i < 11; ++i) Put32(b, 0);
  Put32(b, 32);
  Put32(b, 0x4);  // four-character code
  const char* code = format == Dxt::kDxt1 ? "DXT1" : format == Dxt::kDxt3 ? "DXT3" : "DXT5";
  b.insert(b.end(), code, code + 4);
  for (int i = 0; i < 5; ++i) Put32(b, 0);
  Put32(b, 0x1000);  // texture
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  b.insert(b.end(), blocks.begin(), blocks.end());
  return WriteFileAtomically(path, b, error);
}

bool ReadDxt1(const std::string& path, int& width, int& height, std::vector<uint8_t>& blocks, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot read " + path;
    return false;
  }
  uint8_t head[128];
  const bool headRead = std::fread(head, 1, sizeof head, f) == sizeof head;
  auto get32 = [&](int at) {
    return static_cast<uint32_t>(head[at]) | static_cast<uint32_t>(head[at + 1]) << 8 |
           static_cast<uint32_t>(head[at + 2]) << 16 | static_cast<uint32_t>(head[at + 3]) << 24;
  };
  if (!headRead || std::memcmp(head, "DDS ", 4) != 0 || std::memcmp(head + 84, "DXT1", 4) != 0) {
    std::fclose(f);
    error = path + " is not a DXT1 .dds";
    return false;
  }
  height = static_cast<int>(get32(12));
  width = static_cast<int>(get32(16));
  blocks.assign(static_cast<size_t>((width + 3) / 4) * ((height + 3) / 4) * 8, 0);
  const bool read = std::fread(blocks.data(), 1, blocks.size(), f) == blocks.size();
  std::fclose(f);
  if (!read) error = path + " is short";
  return read;
}

}  // namespace bodies
