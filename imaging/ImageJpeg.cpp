// JPEG through libjpeg (the 6b interface): our own memory source, a
// destination that writes in blocks, and an error exit that returns through
// setjmp/longjmp. Only plain C frames lie between the jump and its target.
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Image.h"
// jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>

using namespace imaging;

namespace {

struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

extern "C" void JpegErrorExit(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
extern "C" void JpegQuietMessage(j_common_ptr) {}

const JOCTET kEndOfImage[2] = {0xFF, 0xD9};

extern "C" void JpegInitSource(j_decompress_ptr) {}
// A file that stops early ends as if complete.
extern "C" boolean JpegFillInputBuffer(j_decompress_ptr info) {
  info->src->next_input_byte = kEndOfImage;
  info->src->bytes_in_buffer = 2;
  return TRUE;
}
extern "C" void JpegSkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = info->src;
  const size_t n = std::min(static_cast<size_t>(count), src->bytes_in_buffer);
  src->next_input_byte += n;
  src->bytes_in_buffer -= n;
}
extern "C" void JpegTermSource(j_decompress_ptr) {}

constexpr size_t kDestinationFree = 10236;

struct Destination {
  jpeg_destination_mgr manager;
  FILE* file;
  JOCTET buffer[CImage::kWriteBufferSize];
  bool failed;
};

extern "C" void JpegInitDestination(j_compress_ptr) {}
extern "C" boolean JpegEmptyOutputBuffer(j_compress_ptr info) {
  auto* d = reinterpret_cast<Destination*>(info->dest);
  if (std::fwrite(d->buffer, 1, kDestinationFree, d->file) != kDestinationFree) d->failed = true;
  std::memset(d->buffer, 0, sizeof d->buffer);
  d->manager.next_output_byte = d->buffer;
  d->manager.free_in_buffer = kDestinationFree;
  return TRUE;
}
extern "C" void JpegTermDestination(j_compress_ptr info) {
  auto* d = reinterpret_cast<Destination*>(info->dest);
  const size_t used = kDestinationFree - d->manager.free_in_buffer;
  if (used >= 1 && used <= kDestinationFree && std::fwrite(d->buffer, 1, used, d->file) != used) d->failed = true;
}

// Decodes into `dib`; returns false on any libjpeg error. Kept free of
// objects with destructors between setjmp and the library calls.
bool DecodeJpegInto(const uint8_t* data, size_t size, std::vector<uint8_t>& dib, int& bitsOut) {
  jpeg_decompress_struct info;
  JpegError err;
  jpeg_source_mgr src;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err.manager);
  err.manager.error_exit = JpegErrorExit;
  err.manager.output_message = JpegQuietMessage;
  JSAMPLE* volatile row = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    std::free(row);
    return false;
  }
  jpeg_create_decompress(&info);
  src.init_source = JpegInitSource;
  src.fill_input_buffer = JpegFillInputBuffer;
  src.skip_input_data = JpegSkipInputData;
  src.resync_to_restart = jpeg_resync_to_restart;
  src.term_source = JpegTermSource;
  src.next_input_byte = data;
  src.bytes_in_buffer = size;
  info.src = &src;
  jpeg_read_header(&info, TRUE);
  // Four-component (CMYK, YCCK) files have no 24-bit form here.
  if (info.num_components != 1 && info.num_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (info.num_components == 3) info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width), height = static_cast<int>(info.output_height);
  const int components = info.output_components;
  if (width <= 0 || height <= 0 || (components != 1 && components != 3)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const int bits = components * 8;
  int ppmX = 0, ppmY = 0;
  if (info.density_unit == 1) {
    ppmX = static_cast<int>(info.X_density * 39.37007874015748 + 0.5);
    ppmY = static_cast<int>(info.Y_density * 39.37007874015748 + 0.5);
  } else if (info.density_unit == 2) {
    ppmX = info.X_density * 100;
    ppmY = info.Y_density * 100;
  }
  if (ppmX <= 0) ppmX = CImage::kDefaultPixelsPerMetre;
  if (ppmY <= 0) ppmY = CImage::kDefaultPixelsPerMetre;
  dib = NewDib(width, height, bits, bits == 8 ? 256 : 0, ppmX, ppmY);
  if (dib.empty()) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (bits == 8)
    for (int i = 0; i < 256; ++i) std::memset(dib.data() + 40 + 4 * i, i, 3);
  row = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(width) * components));
  if (!row) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const size_t stride = StrideOf(bits, width);
  uint8_t* pixels = dib.data() + 40 + (bits == 8 ? 1024 : 0);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    uint8_t* out = pixels + static_cast<size_t>(height - 1 - y) * stride;
    if (components == 1) {
      std::memcpy(out, row, width);
    } else {
      for (int x = 0; x < width; ++x) {
        out[3 * x] = row[3 * x + 2];
        out[3 * x + 1] = row[3 * x + 1];
        out[3 * x + 2] = row[3 * x];
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::free(row);
  bitsOut = bits;
  return true;
}

bool EncodeJpegFrom(FILE* file, const uint8_t* pixels, int width, int height, int bits, const uint8_t* palette,
                    int quality, int xPpm, int yPpm) {
  jpeg_compress_struct info;
  JpegError err;
  Destination* dest = static_cast<Destination*>(std::calloc(1, sizeof(Destination)));
  JSAMPLE* volatile row = nullptr;
  if (!dest) return false;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err.manager);
  err.manager.error_exit = JpegErrorExit;
  err.manager.output_message = JpegQuietMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    std::free(row);
    std::free(dest);
    return false;
  }
  jpeg_create_compress(&info);
  dest->file = file;
  dest->manager.init_destination = JpegInitDestination;
  dest->manager.empty_output_buffer = JpegEmptyOutputBuffer;
  dest->manager.term_destination = JpegTermDestination;
  dest->manager.next_output_byte = dest->buffer;
  dest->manager.free_in_buffer = kDestinationFree;
  info.dest = &dest->manager;
  const int components = bits == 8 ? 1 : 3;
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  if (quality != 0) jpeg_set_quality(&info, quality, TRUE);
  info.dct_method = JDCT_ISLOW;
  info.optimize_coding = TRUE;
  info.density_unit = 1;
  info.X_density = DotsPerInch16(xPpm);
  info.Y_density = DotsPerInch16(yPpm);
  jpeg_start_compress(&info, TRUE);
  row = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(width) * components));
  if (!row) {
    jpeg_destroy_compress(&info);
    std::free(dest);
    return false;
  }
  const size_t stride = StrideOf(bits, width);
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * stride;
    if (components == 1) {
      for (int x = 0; x < width; ++x) row[x] = palette[4 * in[x]];
    } else {
      for (int x = 0; x < width; ++x) {
        row[3 * x] = in[3 * x + 2];
        row[3 * x + 1] = in[3 * x + 1];
        row[3 * x + 2] = in[3 * x];
      }
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const bool ok = !dest->failed;
  std::free(row);
  std::free(dest);
  return ok;
}

}  // namespace

bool CImage::DecodeJpeg(const uint8_t* d, size_t size) {
  // Any baseline or progressive stream: JFIF, Exif, Adobe, or tables first.
  if (size < 11 || d[0] != 0xFF || d[1] != 0xD8 || d[2] != 0xFF) return false;
  std::vector<uint8_t> dib;
  int bits = 0;
  if (!DecodeJpegInto(d, size, dib, bits)) return false;
  m_dib = std::move(dib);
  m_colorType = bits == 8 ? kGrey256 : kColor24Bit;
  m_format = kFormatJpeg;
  return true;
}

bool CImage::EncodeJpeg(FILE* f, int quality) {
  const int bits = GetBitCount();
  if (bits == 8) {
    const int entries = GetPaletteEntries();
    const uint8_t* pal = GetPalette();
    for (int i = 0; i < entries; ++i)
      if (pal[4 * i] != pal[4 * i + 1] || pal[4 * i] != pal[4 * i + 2]) return false;
    // Pixels that point past the palette would read outside it.
    const uint8_t* px = GetBits();
    const size_t stride = static_cast<size_t>(GetStride());
    for (int y = 0; y < GetHeight(); ++y)
      for (int x = 0; x < GetWidth(); ++x)
        if (px[y * stride + x] >= entries) return false;
  } else if (bits != 24) {
    return false;
  }
  // Pending writer bytes go out first so the stream follows them.
  if (m_bufferPos > 0) {
    if (std::fwrite(m_buffer.data(), 1, static_cast<size_t>(m_bufferPos), f) != static_cast<size_t>(m_bufferPos))
      return false;
    m_bufferPos = 0;
  }
  return EncodeJpegFrom(f, GetBits(), GetWidth(), GetHeight(), bits, GetPalette(), quality, GetXResolution(),
                        GetYResolution());
}
