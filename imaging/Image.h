#pragma once
// One raster image held as a packed device-independent bitmap (DIB): a
// 40-byte BITMAPINFOHEADER, the palette (4-byte entries blue, green, red, 0)
// and the pixel rows from the bottom row up, each padded to 4 bytes. The
// image reads and writes BMP (Windows, OS/2, RLE), PCX, GIF, JPEG and TGA and
// converts between colour types.
//
// Files are untrusted: every decoder checks its counts against the file and
// refuses images larger than kMaxImageSide pixels a side or kMaxImageBytes of
// pixel data. The DIB is an owned byte buffer rather than a global-memory
// handle.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "Object.h"

// An image can be created from its run-time class, like the documents and
// views of the window layer.
class CImage : public CObject {
  DECLARE_DYNCREATE(CImage)

 public:
  // Format codes of the last load or save.
  enum {
    kFormatBmp = 0,
    kFormatOs2Bmp = 1,
    kFormatRleBmp = 2,
    kFormatPcx = 3,
    kFormatGif = 4,
    kFormatJpeg = 5,
    kFormatTga = 7,
    kFormatNone = 9
  };
  // Colour-type codes.
  enum {
    kColor24Bit = 0,
    kColor256 = 1,
    kColor16 = 2,
    kGrey256 = 3,
    kGrey16 = 4,
    kBlackAndWhite = 5,
    kColorNone = 6
  };
  static constexpr uint32_t kTransparentDefined = 0x80000000u;
  static constexpr int kDefaultPixelsPerMetre = 2954;  // 75 dots per inch
  static constexpr int kWriteBufferSize = 10240;
  static constexpr int kMaxImageSide = 32768;
  static constexpr size_t kMaxImageBytes = size_t{1} << 28;

  CImage();
  ~CImage() override;
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  // Reads a file and decodes it with the first decoder that accepts it (BMP,
  // PCX, GIF, JPEG, TGA). A failure leaves the image held before.
  bool Load(const char* name);
  // The same over a file already in memory; `format` a format code to try
  // only that decoder, -1 for all of them in turn.
  bool LoadFromMemory(const uint8_t* data, size_t size, int format = -1);
  // Copies a bitmap resource of the program into a new DIB and holds it
  // (built in nvimaging_resources, over the resource layer). `module` is a
  // resource module handle (HINSTANCE); colorType a colour-type code: the
  // picture is converted to it when it is not the bitmap's own, an unknown
  // code keeps the bitmap's. A failure leaves the image held before.
  bool LoadFromResource(const char* name, void* module, int colorType);
  // The same from the application's resource module.
  bool LoadFromAppResource(const char* name, int colorType);
  // Encodes the image; option: JPEG quality or TGA compression (0 raw, 1
  // RLE). A failure deletes the partly written file.
  bool Save(const char* name, int format, int option = 0);

  // Converts to colour type 0-5 (see the enum), with optional dithering.
  bool SetColorType(int type, bool dither);

  // Takes ownership of a packed DIB; false for an empty or malformed one.
  bool Attach(std::vector<uint8_t> dib, int colorType);
  CImage& AttachCopy(const std::vector<uint8_t>& dib);
  CImage& Copy(const CImage& other);
  void Free();

  // Pixel access: row counted from the bottom; `bits` null for the image's
  // own pixels; `paletteEntries` -1 and `stride` 0 for the image's own.
  // 1, 4 and 8 bits give the index; 24 bits (first byte << 16) + (second <<
  // 8) + third; other depths read 0 and write nothing.
  int GetPixel(int row, const uint8_t* bits, int column, int paletteEntries = -1, int stride = 0) const;
  void SetPixel(int row, uint8_t* bits, int column, int value, int paletteEntries = -1, int stride = 0);

  int GetBitCount() const;
  int GetWidth() const;
  int GetHeight() const;
  int GetXResolution() const;
  int GetYResolution() const;
  void SetResolution(int xPixelsPerMetre, int yPixelsPerMetre);
  bool GetTransparentColor(uint32_t& color) const;
  void SetTransparentColor(uint32_t color, bool on);
  int GetFormat() const { return m_format; }
  int GetColorType() const { return m_colorType; }
  void SetColorTypeCode(int type) { m_colorType = type; }
  bool IsValid() const { return !m_dib.empty(); }

  // The packed DIB (empty without image) and its parts.
  const std::vector<uint8_t>& GetDib() const { return m_dib; }
  int GetPaletteEntries() const;
  int GetStride() const;
  const uint8_t* GetPalette() const;
  const uint8_t* GetBits() const;
  uint8_t* GetBits();

  static int ColorTypeFromBitCount(int bits);

  // Buffered writer used by every encoder.
  bool BeginWrite();
  bool WriteBytes(FILE* file, const void* bytes, size_t count);
  bool EndWrite(FILE* file, bool success);

  // Colour-reduction steps (public for the sky-survey tiles and tests).
  bool ConvertToGrey();
  bool ChangeBitDepth(int type);
  bool QuantizeColors(int colors, bool dither);

  // The Hilbert walk that the error-diffusion dither follows: calls visit(x,
  // y) for each cell of the 2^order square (and some cells outside the
  // image when it is not square).
  template <class Visit>
  static void HilbertWalk(int order, Visit&& visit);

 private:
  bool Decode(const uint8_t* data, size_t size, int format);
  bool DecodeBmp(const uint8_t* data, size_t size);
  bool DecodePcx(const uint8_t* data, size_t size);
  bool DecodeGif(const uint8_t* data, size_t size);
  bool DecodeJpeg(const uint8_t* data, size_t size);
  bool DecodeTga(const uint8_t* data, size_t size);
  bool EncodeBmp(FILE* file);
  bool EncodeOs2Bmp(FILE* file);
  bool EncodeRleBmp(FILE* file);
  bool EncodePcx(FILE* file);
  bool EncodeGif(FILE* file);
  bool EncodeJpeg(FILE* file, int quality);
  bool EncodeTga(FILE* file, int compression);
  bool WidenToTrueColor();

  uint32_t m_transparentColor = 0;
  int m_format = kFormatNone;
  int m_colorType = kColorNone;
  std::vector<uint8_t> m_buffer;  // the 10240-byte write buffer while saving
  int m_bufferPos = 0;
  std::vector<uint8_t> m_dib;
};

// Little helpers shared by the codecs.
namespace imaging {
inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
// Pixels per metre as the whole dots per inch of a 16-bit file field
// (JFIF density, PCX resolution). A resolution read from a file can be
// anything: negative or unknown ones become 0, huge ones the field's largest.
inline uint16_t DotsPerInch16(int pixelsPerMetre) {
  if (pixelsPerMetre <= 0) return 0;
  const double dpi = pixelsPerMetre * 0.0254;
  return dpi >= 65535.0 ? uint16_t{65535} : static_cast<uint16_t>(dpi);
}
inline size_t StrideOf(int bits, int width) {
  return (static_cast<size_t>(bits) * static_cast<size_t>(width) + 31) / 32 * 4;
}
// A new DIB of width x height at that depth with `paletteEntries` zeroed
// entries and zeroed pixels, or empty when it would be too large.
std::vector<uint8_t> NewDib(int width, int height, int bits, int paletteEntries, int xPpm = 2954, int yPpm = 2954);
}  // namespace imaging

template <class Visit>
void CImage::HilbertWalk(int order, Visit&& visit) {
  // Directions: 0 north (y - 1), 1 west (x - 1), 2 east (x + 1), 3 south (y + 1).
  int x = 0, y = 0;
  auto step = [&](int dir) {
    visit(x, y);
    if (dir == 0) --y;
    else if (dir == 1) --x;
    else if (dir == 2) ++x;
    else ++y;
  };
  auto curve = [&](auto& self, int level, int dir) -> void {
    enum { N = 0, W = 1, E = 2, S = 3 };
    if (level == 1) {
      static const int kSteps[4][3] = {{S, E, N}, {E, S, W}, {W, N, E}, {N, W, S}};
      for (int s : kSteps[dir]) step(s);
      return;
    }
    static const int kPlan[4][7] = {
        {W, S, N, E, N, N, E},   // north: curve W, step S, curve N, step E, curve N, step N, curve E
        {N, E, W, S, W, W, S},   // west
        {S, W, E, N, E, E, N},   // east
        {E, N, S, W, S, S, W}};  // south
    const int* p = kPlan[dir];
    self(self, level - 1, p[0]);
    step(p[1]);
    self(self, level - 1, p[2]);
    step(p[3]);
    self(self, level - 1, p[4]);
    step(p[5]);
    self(self, level - 1, p[6]);
  };
  if (order > 0) curve(curve, order, 0);
  visit(x, y);  // the last cell, without moving
}
