// PNG (libpng) and JPEG (libjpeg) decoding from memory.
#include <png.h>
#include <setjmp.h>

#include <cstdio>
#include <cstring>

#include "ImageFile.h"
// jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>

namespace nvd3dx {

bool DecodePng(const std::vector<uint8_t>& d, Image& image) {
  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, d.data(), d.size())) return false;
  if (png.width == 0 || png.height == 0 || png.width > 16384 || png.height > 16384) {
    png_image_free(&png);
    return false;
  }
  bool hasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  png.format = PNG_FORMAT_BGRA;
  image.width = png.width;
  image.height = png.height;
  image.bgra.assign(PNG_IMAGE_SIZE(png), 0);
  if (!png_image_finish_read(&png, nullptr, image.bgra.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  image.fileFormat = hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  image.fileType = D3DXIFF_PNG;
  return true;
}

namespace {
struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
};
void JpegFail(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}
}  // namespace

bool DecodeJpeg(const std::vector<uint8_t>& d, Image& image) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  error.manager.emit_message = JpegQuiet;
  std::vector<uint8_t> row;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<unsigned char*>(d.data()), static_cast<unsigned long>(d.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  // Sides beyond the limit are refused before the library sets aside its
  // buffers for them (a progressive file's whole coefficient arrays), and the
  // library may not use more than a texture's worth of memory.
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > 16384 || info.image_height > 16384) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.mem->max_memory_to_use = 1024L * 1024 * 1024;
  info.out_color_space = info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_width == 0 || info.output_height == 0 || info.output_width > 16384 || info.output_height > 16384) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  UINT w = info.output_width, h = info.output_height, c = static_cast<UINT>(info.output_components);
  image.width = w;
  image.height = h;
  image.bgra.assign(static_cast<size_t>(w) * h * 4, 255);
  row.resize(static_cast<size_t>(w) * c);
  while (info.output_scanline < h) {
    UINT y = info.output_scanline;
    JSAMPROW rows[1] = {row.data()};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    uint8_t* out = image.bgra.data() + static_cast<size_t>(y) * w * 4;
    for (UINT x = 0; x < w; ++x, out += 4) {
      if (c == 1) {
        out[0] = out[1] = out[2] = row[x];
      } else {
        out[0] = row[x * 3 + 2];
        out[1] = row[x * 3 + 1];
        out[2] = row[x * 3];
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  image.fileFormat = D3DFMT_R8G8B8;
  image.fileType = D3DXIFF_JPG;
  return true;
}

}  // namespace nvd3dx
