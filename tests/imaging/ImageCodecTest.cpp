// Round trips and edge cases of the BMP, PCX, TGA, GIF and JPEG codecs.
#include <cstring>
#include <filesystem>
#include <memory>

#include "ImageTestUtil.h"

using imaging::Get16;
using imaging::Get32;
using imaging::Put16;
using imaging::Put32;

namespace {

struct Codec {
  const char* name;
  int format;
  int option;
  std::vector<int> depths;
};

const Codec kCodecs[] = {
    {"bmp", CImage::kFormatBmp, 0, {1, 4, 8, 24}},
    {"os2", CImage::kFormatOs2Bmp, 0, {1, 4, 8, 24}},
    {"rle", CImage::kFormatRleBmp, 0, {4, 8}},
    {"pcx", CImage::kFormatPcx, 0, {1, 4, 8, 24}},
    {"tga", CImage::kFormatTga, 0, {8, 24}},
    {"tgarle", CImage::kFormatTga, 1, {8, 24}},
    {"gif", CImage::kFormatGif, 0, {1, 4, 8}},
};

TEST(ImageCodecs, EveryFormatRoundTripsPixelForPixel) {
  ScratchFolder folder;
  for (const Codec& codec : kCodecs)
    for (int bits : codec.depths)
      for (int width : {1, 3, 7, 33}) {
        SCOPED_TRACE(std::string(codec.name) + " bits " + std::to_string(bits) + " width " + std::to_string(width));
        CImage image;
        MakeTestImage(image, bits, width, 9, static_cast<uint32_t>(width * 100 + bits));
        if (codec.format == CImage::kFormatPcx && bits == 1) {
          // Two-colour PCX files are black and white by definition.
          std::vector<uint8_t> dib = image.GetDib();
          std::memset(dib.data() + 40, 0, 4);
          std::memset(dib.data() + 44, 255, 3);
          ASSERT_TRUE(image.Attach(std::move(dib), CImage::kBlackAndWhite));
        }
        const std::string path = folder.File(std::string("round.") + codec.name);
        ASSERT_TRUE(image.Save(path.c_str(), codec.format, codec.option));
        EXPECT_EQ(image.GetFormat(), codec.format);
        CImage back;
        ASSERT_TRUE(back.Load(path.c_str()));
        EXPECT_EQ(back.GetFormat(), codec.format);
        EXPECT_EQ(back.GetBitCount(), bits);
        EXPECT_TRUE(SamePixels(image, back));
      }
}

TEST(ImageCodecs, GifNoiseGrowsCodesAndClearsTheTable) {
  ScratchFolder folder;
  // 256 x 256 noise fills the 4096-code table many times over.
  CImage image;
  MakeTestImage(image, 8, 256, 256, 7);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) image.SetPixel(y, nullptr, x, static_cast<int>((x * 131 + y * 71 + x * y) % 256));
  Lcg rng(3);
  for (int y = 0; y < 256; y += 2)
    for (int x = 0; x < 256; ++x) image.SetPixel(y, nullptr, x, static_cast<int>(rng.Next() % 256));
  const std::string path = folder.File("noise.gif");
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatGif));
  CImage back;
  ASSERT_TRUE(back.Load(path.c_str()));
  EXPECT_TRUE(SamePixels(image, back));

  // A four-colour image (two bits of colour) and a 1-bit image.
  CImage four;
  MakeTestImage(four, 4, 40, 20, 9, 4);
  ASSERT_TRUE(four.Save(path.c_str(), CImage::kFormatGif));
  ASSERT_TRUE(back.Load(path.c_str()));
  EXPECT_TRUE(SamePixels(four, back));
}

TEST(ImageCodecs, GifWritesMinimumCodeSizeTwoForOneBitAndKeepsTransparency) {
  ScratchFolder folder;
  CImage image;
  MakeTestImage(image, 1, 10, 4);
  image.SetTransparentColor(1, true);
  const std::string path = folder.File("t.gif");
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatGif));
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  // Header, a two-entry table, the graphic control extension, the descriptor.
  ASSERT_GT(bytes.size(), 13u + 6 + 8 + 10 + 1);
  EXPECT_EQ(0, std::memcmp(bytes.data(), "GIF87a", 6));
  EXPECT_EQ(bytes[19], 0x21);
  EXPECT_EQ(bytes[20], 0xF9);
  EXPECT_EQ(bytes[23 + 2], 1);  // the transparent index
  EXPECT_EQ(bytes[27], 0x2C);
  EXPECT_EQ(bytes[37], 2);  // minimum code size
  CImage back;
  ASSERT_TRUE(back.Load(path.c_str()));
  uint32_t t = 0;
  EXPECT_TRUE(back.GetTransparentColor(t));
  EXPECT_EQ(t, 1u);
  ASSERT_TRUE(back.Save(path.c_str(), CImage::kFormatGif));
  CImage again;
  ASSERT_TRUE(again.Load(path.c_str()));
  EXPECT_TRUE(again.GetTransparentColor(t));
  EXPECT_EQ(t, 1u);
}

// A GIF built by hand: screen flags, extensions, one image of 4 x rows with
// the given flags and table, LZW data of uncompressed codes (a clear before
// every code so the code size stays minimum + 1).
std::vector<uint8_t> HandMadeGif(int screenFlags, int tableEntries, const std::vector<uint8_t>& extensions,
                                 int rows, int imageFlags, const std::vector<int>& indices, int minCode = 4) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', 4, 0, static_cast<uint8_t>(rows), 0,
                            static_cast<uint8_t>(screenFlags), 0, 0};
  for (int i = 0; i < tableEntries; ++i) {
    g.push_back(static_cast<uint8_t>(i * 16));
    g.push_back(static_cast<uint8_t>(255 - i * 16));
    g.push_back(static_cast<uint8_t>(i * 7));
  }
  g.insert(g.end(), extensions.begin(), extensions.end());
  const uint8_t desc[10] = {0x2C, 0, 0, 0, 0, 4, 0, static_cast<uint8_t>(rows), 0, static_cast<uint8_t>(imageFlags)};
  g.insert(g.end(), desc, desc + 10);
  if (imageFlags & 0x80) {
    const int local = 1 << ((imageFlags & 7) + 1);
    for (int i = 0; i < local; ++i) {
      g.push_back(static_cast<uint8_t>(200 - i));
      g.push_back(static_cast<uint8_t>(i));
      g.push_back(static_cast<uint8_t>(100));
    }
  }
  g.push_back(static_cast<uint8_t>(minCode));
  const int size = minCode + 1, clear = 1 << minCode;
  std::vector<uint8_t> data;
  uint32_t acc = 0;
  int bits = 0;
  auto put = [&](int code) {
    acc |= static_cast<uint32_t>(code) << bits;
    bits += size;
    while (bits >= 8) {
      data.push_back(static_cast<uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  };
  for (int v : indices) {
    put(clear);
    put(v);
  }
  put(clear + 1);
  if (bits) data.push_back(static_cast<uint8_t>(acc));
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    g.push_back(static_cast<uint8_t>(n));
    g.insert(g.end(), data.begin() + at, data.begin() + at + n);
  }
  g.push_back(0);
  g.push_back(0x3B);
  return g;
}

TEST(ImageCodecs, GifDepthFollowsTheTableAndTheColourResolution) {
  struct Case {
    int resolution, entriesLog2, bits;
  } cases[] = {
      {3, 3, 4},  // 16 colours, resolution 3
      {7, 3, 8},  // 16 colours, resolution 7
      {0, 3, 4},  // 16 colours, resolution 0: still every colour
      {0, 0, 1},  // 2 colours
      {0, 2, 4},  // 8 colours
      {0, 7, 8},  // 256 colours
  };
  std::vector<int> indices(8);
  for (int i = 0; i < 8; ++i) indices[i] = (i * 5) % 16;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resolution * 10 + c.entriesLog2);
    const int entries = 2 << c.entriesLog2;
    std::vector<int> used = indices;
    for (int& v : used) v %= entries;
    CImage image;
    const std::vector<uint8_t> gif = HandMadeGif(0x80 | (c.resolution << 4) | c.entriesLog2, entries, {}, 2, 0, used);
    ASSERT_TRUE(image.LoadFromMemory(gif.data(), gif.size()));
    EXPECT_EQ(image.GetBitCount(), c.bits);
    // Every pixel shows its table colour.
    for (int k = 0; k < 8; ++k) {
      const int v = image.GetPixel(1 - k / 4, nullptr, k % 4);
      EXPECT_EQ(v, used[k]);
      const uint8_t* pal = image.GetPalette() + 4 * v;
      EXPECT_EQ(pal[2], static_cast<uint8_t>(v * 16));
      EXPECT_EQ(pal[1], static_cast<uint8_t>(255 - v * 16));
    }
  }
}

TEST(ImageCodecs, GifInterlaceLocalTableAndLongExtensions) {
  // 16 rows, interlaced: data row 1 lands on image row 8.
  std::vector<int> indices(64);
  for (int r = 0; r < 16; ++r)
    for (int x = 0; x < 4; ++x) indices[r * 4 + x] = r;
  // A comment of three sub-blocks and an application extension with two
  // data sub-blocks, then a transparent graphic control extension.
  std::vector<uint8_t> ext = {0x21, 0xFE};
  for (int b = 0; b < 3; ++b) {
    ext.push_back(200);
    ext.insert(ext.end(), 200, static_cast<uint8_t>(',' ));  // bytes that look like a descriptor
  }
  ext.push_back(0);
  const uint8_t app[] = {0x21, 0xFF, 11, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a', 'X', 'M', 'P', 3, 1, 0, 0, 5,
                         0x21, 0x2C, 0x3B, 1, 2, 0};
  ext.insert(ext.end(), app, app + sizeof app);
  const uint8_t gce[] = {0x21, 0xF9, 4, 1, 0, 0, 9, 0};
  ext.insert(ext.end(), gce, gce + sizeof gce);
  const std::vector<uint8_t> gif = HandMadeGif(0x80 | 0x30 | 3, 16, ext, 16, 0x40 | 0x80 | 3, indices);
  CImage image;
  ASSERT_TRUE(image.LoadFromMemory(gif.data(), gif.size()));
  EXPECT_EQ(image.GetFormat(), CImage::kFormatGif);
  uint32_t t = 0;
  EXPECT_TRUE(image.GetTransparentColor(t));
  EXPECT_EQ(t, 9u);
  // Rows from the top: pass 1 rows 0, 8; pass 2 row 4; pass 3 rows 2, 6, 10, 14; pass 4 odd rows.
  const int expectedTopRow[16] = {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15};
  for (int data = 0; data < 16; ++data) EXPECT_EQ(image.GetPixel(15 - expectedTopRow[data], nullptr, 0), data);
  // The local table, not the global one.
  const uint8_t* pal = image.GetPalette();
  EXPECT_EQ(pal[4 * 3 + 2], 197);
  EXPECT_EQ(pal[4 * 3 + 1], 3);
  EXPECT_EQ(pal[4 * 3], 100);
}

TEST(ImageCodecs, JpegKeepsAGradientAndSavesGreyAsOneComponent) {
  ScratchFolder folder;
  CImage image;
  ASSERT_TRUE(image.Attach(imaging::NewDib(96, 64, 24, 0), CImage::kColor24Bit));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x) image.SetPixel(y, nullptr, x, ((x * 2) << 16) | ((y * 3) << 8) | (x + y));
  const std::string path = folder.File("g.jpg");
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatJpeg, 75));
  CImage back;
  ASSERT_TRUE(back.Load(path.c_str()));
  EXPECT_EQ(back.GetFormat(), CImage::kFormatJpeg);
  EXPECT_EQ(back.GetBitCount(), 24);
  EXPECT_EQ(back.GetColorType(), CImage::kColor24Bit);
  EXPECT_GT(Psnr(image, back), 35.0);

  CImage grey;
  std::vector<uint8_t> dib = imaging::NewDib(50, 30, 8, 256);
  for (int i = 0; i < 256; ++i) std::memset(dib.data() + 40 + 4 * i, i, 3);
  ASSERT_TRUE(grey.Attach(std::move(dib), CImage::kGrey256));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x) grey.SetPixel(y, nullptr, x, x * 5);
  ASSERT_TRUE(grey.Save(path.c_str(), CImage::kFormatJpeg, 90));
  ASSERT_TRUE(back.Load(path.c_str()));
  EXPECT_EQ(back.GetBitCount(), 8);
  EXPECT_EQ(back.GetColorType(), CImage::kGrey256);
  EXPECT_GT(Psnr(grey, back), 40.0);
  // One component: the frame header's component count.
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  bool sawFrame = false;
  for (size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1 || bytes[i + 1] == 0xC2)) {
      EXPECT_EQ(bytes[i + 9], 1);
      sawFrame = true;
      break;
    }
  EXPECT_TRUE(sawFrame);
}

TEST(ImageCodecs, JpegEdgeCases) {
  ScratchFolder folder;
  CImage image;
  ASSERT_TRUE(image.Attach(imaging::NewDib(64, 48, 24, 0), CImage::kColor24Bit));
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) image.SetPixel(y, nullptr, x, ((x * 4) << 16) | ((y * 5) << 8) | (255 - x - y));
  const std::string path = folder.File("e.jpg");

  // Quality 0 keeps the library's default (75).
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatJpeg, 0));
  const std::vector<uint8_t> byDefault = ReadFileBytes(path);
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatJpeg, 75));
  EXPECT_EQ(byDefault, ReadFileBytes(path));

  // A file cut short still decodes.
  std::vector<uint8_t> cut = byDefault;
  cut.resize(cut.size() * 2 / 3);
  CImage back;
  ASSERT_TRUE(back.LoadFromMemory(cut.data(), cut.size()));
  EXPECT_EQ(back.GetWidth(), 64);
  EXPECT_EQ(back.GetHeight(), 48);

  // Without its JFIF marker (tables first) it is read too.
  std::vector<uint8_t> bare = byDefault;
  ASSERT_EQ(bare[3], 0xE0);
  const size_t app0 = 2 + 2 + Get16(std::vector<uint8_t>{bare[5], bare[4]}.data());
  bare.erase(bare.begin() + 2, bare.begin() + static_cast<long>(app0));
  ASSERT_TRUE(back.LoadFromMemory(bare.data(), bare.size()));
  EXPECT_EQ(back.GetFormat(), CImage::kFormatJpeg);
  EXPECT_GT(Psnr(image, back), 20.0);

  // A coloured palette cannot be saved as JPEG, and leaves no file.
  CImage colours;
  MakeTestImage(colours, 8, 8, 8);
  const std::string refused = folder.File("refused.jpg");
  EXPECT_FALSE(colours.Save(refused.c_str(), CImage::kFormatJpeg, 75));
  EXPECT_FALSE(FileExists(refused));
}

// A downloaded survey tile is decoded, made grey and written as JPEG (PCX
// has the same 16-bit resolution fields). Resolutions no 16-bit field can
// hold are written as the largest it can; negative ones as unknown.
TEST(ImageCodecs, ResolutionsBeyondTheSixteenBitFieldsAreClamped) {
  ScratchFolder folder;
  struct Case {
    const char* source;  // a fixture, or null for a picture of the test's own
    int setX, setY;      // resolution set on the test's own picture
    int jpegX, jpegY;    // pixels per metre read back from the JPEG
    int pcxX, pcxY;      // and from the PCX
  };
  const int unknown = CImage::kDefaultPixelsPerMetre;
  const Case cases[] = {
      {"tile-density-65535.jpg", 0, 0, 2580118, 2580118, 2580118, 2580118},
      {"tile-huge-ppm.bmp", 0, 0, 2580118, 2835, 2580118, 2835},
      {nullptr, -5, 0x7FFFFFFF, unknown, 2580118, unknown, unknown},  // a 0 field reads as unknown
      {nullptr, 2835, 3779, 2835, 3740, 2835, 3740},  // whole dots per inch: 72 and 95
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source ? c.source : std::to_string(c.setX) + " x " + std::to_string(c.setY));
    CImage image;
    if (c.source) {
      ASSERT_TRUE(image.Load((std::string(NUVARINE_TEST_DATA "/hostile/") + c.source).c_str()));
    } else {
      MakeTestImage(image, 24, 4, 4);
      image.SetResolution(c.setX, c.setY);
    }
    ASSERT_TRUE(image.SetColorType(CImage::kGrey256, true));
    const std::string jpeg = folder.File("tile.jpg"), pcx = folder.File("tile.pcx");
    ASSERT_TRUE(image.Save(jpeg.c_str(), CImage::kFormatJpeg, 75));
    ASSERT_TRUE(image.Save(pcx.c_str(), CImage::kFormatPcx));
    CImage back;
    ASSERT_TRUE(back.Load(jpeg.c_str()));
    EXPECT_EQ(back.GetXResolution(), c.jpegX);
    EXPECT_EQ(back.GetYResolution(), c.jpegY);
    ASSERT_TRUE(back.Load(pcx.c_str()));
    EXPECT_EQ(back.GetXResolution(), c.pcxX);
    EXPECT_EQ(back.GetYResolution(), c.pcxY);
  }
}

// Headers that promise far more picture than their file could ever fill
// are refused before the picture is made, and the image keeps what it held.
TEST(ImageCodecs, HeadersBeyondTheirDataAreRefused) {
  const char* files[] = {"gif-frame-beyond-its-data.gif", "jpeg-progressive-huge.jpg",
                         "tga-header-beyond-its-data.tga"};
  for (const char* name : files) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = ReadFileBytes(std::string(NUVARINE_TEST_DATA "/hostile/") + name);
    ASSERT_FALSE(bytes.empty());
    CImage image;
    MakeTestImage(image, 8, 5, 3);
    EXPECT_FALSE(image.LoadFromMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetHeight(), 3);
  }
}

TEST(ImageCodecs, SaveRefusesWhatItCannotWriteAndLeavesNoFile) {
  ScratchFolder folder;
  CImage image;
  MakeTestImage(image, 24, 8, 8);
  struct Case {
    int format, option;
  } cases[] = {{6, 0}, {8, 0}, {9, 0}, {-1, 0}, {CImage::kFormatRleBmp, 0}, {CImage::kFormatGif, 0},
               {CImage::kFormatTga, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    const std::string path = folder.File("no" + std::to_string(c.format + 1));
    EXPECT_FALSE(image.Save(path.c_str(), c.format, c.option));
    EXPECT_FALSE(FileExists(path));
  }
  CImage empty;
  EXPECT_FALSE(empty.Save(folder.File("empty.bmp").c_str(), CImage::kFormatBmp));
  EXPECT_FALSE(FileExists(folder.File("empty.bmp")));
}

TEST(ImageCodecs, RleBitmapFileSizeIsTheRealSize) {
  ScratchFolder folder;
  for (int bits : {4, 8}) {
    CImage image;
    MakeTestImage(image, bits, 40, 20);
    const std::string path = folder.File("r.bmp");
    ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatRleBmp));
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    EXPECT_EQ(Get32(bytes.data() + 2), bytes.size());
    EXPECT_EQ(Get32(bytes.data() + 30), bits == 8 ? 1u : 2u);
    // The image held keeps its uncompressed form.
    EXPECT_EQ(Get32(image.GetDib().data() + 16), 0u);
  }
}

TEST(ImageCodecs, PcxWritesTwentyFourBitsAsRedGreenBluePlanes) {
  ScratchFolder folder;
  CImage image;
  ASSERT_TRUE(image.Attach(imaging::NewDib(2, 1, 24, 0), CImage::kColor24Bit));
  image.SetPixel(0, nullptr, 0, 0x102030);  // blue 0x10, green 0x20, red 0x30
  image.SetPixel(0, nullptr, 1, 0x405060);
  const std::string path = folder.File("p.pcx");
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatPcx));
  const std::vector<uint8_t> b = ReadFileBytes(path);
  ASSERT_EQ(b.size(), 128u + 6);
  EXPECT_EQ(b[3], 8);
  EXPECT_EQ(b[65], 3);
  EXPECT_EQ(Get16(b.data() + 66), 2);
  const std::vector<uint8_t> planes(b.begin() + 128, b.end());
  EXPECT_EQ(planes, (std::vector<uint8_t>{0x30, 0x60, 0x20, 0x50, 0x10, 0x40}));
}

// A Windows bitmap header for hand-made files.
std::vector<uint8_t> BitmapHeader(int width, int height, int bits, int compression, int entries, int ppm = 0) {
  std::vector<uint8_t> b(54 + 4 * entries, 0);
  b[0] = 'B', b[1] = 'M';
  Put32(&b[10], static_cast<uint32_t>(54 + 4 * entries));
  Put32(&b[14], 40);
  Put32(&b[18], static_cast<uint32_t>(width));
  Put32(&b[22], static_cast<uint32_t>(height));
  Put16(&b[26], 1);
  Put16(&b[28], static_cast<uint32_t>(bits));
  Put32(&b[30], static_cast<uint32_t>(compression));
  Put32(&b[38], static_cast<uint32_t>(ppm));
  Put32(&b[42], static_cast<uint32_t>(ppm));
  Put32(&b[46], static_cast<uint32_t>(entries));
  for (int i = 0; i < entries; ++i) b[54 + 4 * i] = static_cast<uint8_t>(i);
  return b;
}

TEST(ImageCodecs, Rle4DeltaMovesThePen) {
  std::vector<uint8_t> b = BitmapHeader(8, 4, 4, 2, 16);
  // Row 0: 3 pixels 1,2,1; delta right 2, up 1; 2 pixels of 5; literal 3,4,5
  // at row 1 columns 5..7; end of line; row 2: end of bitmap.
  const uint8_t stream[] = {3, 0x12, 0, 2, 2, 1, 2, 0x55, 0, 0, 0, 1};
  b.insert(b.end(), stream, stream + sizeof stream);
  CImage image;
  ASSERT_TRUE(image.LoadFromMemory(b.data(), b.size()));
  EXPECT_EQ(image.GetFormat(), CImage::kFormatRleBmp);
  const int row0[8] = {1, 2, 1, 0, 0, 0, 0, 0};
  const int row1[8] = {0, 0, 0, 0, 0, 5, 5, 0};
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(image.GetPixel(0, nullptr, x), row0[x]) << x;
    EXPECT_EQ(image.GetPixel(1, nullptr, x), row1[x]) << x;
  }
  // A literal escape: 3 pixels from nibbles.
  std::vector<uint8_t> lit = BitmapHeader(8, 1, 4, 2, 16);
  const uint8_t literal[] = {0, 3, 0x34, 0x50, 0, 1};
  lit.insert(lit.end(), literal, literal + sizeof literal);
  ASSERT_TRUE(image.LoadFromMemory(lit.data(), lit.size()));
  EXPECT_EQ(image.GetPixel(0, nullptr, 0), 3);
  EXPECT_EQ(image.GetPixel(0, nullptr, 1), 4);
  EXPECT_EQ(image.GetPixel(0, nullptr, 2), 5);
}

TEST(ImageCodecs, BitmapHeadersAreCheckedAgainstTheFile) {
  // Top-down rows are read with the first row at the top.
  std::vector<uint8_t> top = BitmapHeader(2, -2, 8, 0, 4);
  const uint8_t rows[] = {1, 2, 0, 0, 3, 0, 0, 0};
  top.insert(top.end(), rows, rows + sizeof rows);
  CImage image;
  ASSERT_TRUE(image.LoadFromMemory(top.data(), top.size()));
  EXPECT_EQ(image.GetHeight(), 2);
  EXPECT_EQ(image.GetPixel(1, nullptr, 0), 1);
  EXPECT_EQ(image.GetPixel(1, nullptr, 1), 2);
  EXPECT_EQ(image.GetPixel(0, nullptr, 0), 3);
  // No resolution in the file: 75 dots per inch.
  EXPECT_EQ(image.GetXResolution(), 2954);
  EXPECT_EQ(image.GetYResolution(), 2954);

  struct Case {
    const char* what;
    std::vector<uint8_t> file;
  };
  std::vector<Case> refused;
  refused.push_back({"palette larger than the file", BitmapHeader(2, 2, 8, 0, 256)});
  refused.back().file.resize(54 + 100);
  {
    std::vector<uint8_t> b = BitmapHeader(2, 2, 8, 0, 4);
    Put32(&b[46], 300);
    refused.push_back({"more colours than the depth holds", b});
  }
  refused.push_back({"pixels missing", BitmapHeader(4, 4, 24, 0, 0)});
  {
    std::vector<uint8_t> b = BitmapHeader(30000, 30000, 8, 1, 0);
    b.push_back(0), b.push_back(1);
    refused.push_back({"huge RLE image", b});
  }
  {
    std::vector<uint8_t> b = BitmapHeader(4, -4, 8, 1, 0);
    b.push_back(0), b.push_back(1);
    refused.push_back({"top-down RLE", b});
  }
  {
    std::vector<uint8_t> b = BitmapHeader(4, 4, 24, 1, 0);
    b.push_back(0), b.push_back(1);
    refused.push_back({"RLE8 on 24 bits", b});
  }
  refused.push_back({"starts with BM but is nothing", {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}});
  for (const Case& c : refused) {
    SCOPED_TRACE(c.what);
    CImage kept;
    MakeTestImage(kept, 8, 3, 3);
    const std::vector<uint8_t> before = kept.GetDib();
    const int formatBefore = kept.GetFormat();
    EXPECT_FALSE(kept.LoadFromMemory(c.file.data(), c.file.size()));
    EXPECT_EQ(kept.GetDib(), before);
    EXPECT_EQ(kept.GetFormat(), formatBefore);
  }
}

TEST(ImageCodecs, RleStreamsThatRunPastTheImageStayInside) {
  // Runs, literals and deltas far beyond a 3 x 2 image: pixels past a row's
  // end are dropped, rows change at end-of-line and delta escapes only.
  std::vector<uint8_t> b = BitmapHeader(3, 2, 8, 1, 4);
  const uint8_t stream[] = {255, 7, 0, 0, 2, 9, 0, 200, 1, 2, 3, 0, 0, 2, 255, 255, 255, 5, 0, 0, 255, 9};
  b.insert(b.end(), stream, stream + sizeof stream);
  CImage image;
  ASSERT_TRUE(image.LoadFromMemory(b.data(), b.size()));
  const int rows[2][3] = {{7, 7, 7}, {9, 9, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.GetPixel(y, nullptr, x), rows[y][x]) << x << "," << y;
}

TEST(ImageCodecs, TgaOrientationAndColourMapOfATrueColourFile) {
  // 2 x 2, 24 bits, first line at the top (descriptor bit 5), with a
  // two-entry colour map that is not part of the pixels.
  std::vector<uint8_t> t(18, 0);
  t[1] = 1;
  t[2] = 2;
  Put16(&t[5], 2);
  t[7] = 24;
  Put16(&t[12], 2);
  Put16(&t[14], 2);
  t[16] = 24;
  t[17] = 0x20;
  t.insert(t.end(), 6, 0xEE);  // the colour map
  const uint8_t pixels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  t.insert(t.end(), pixels, pixels + sizeof pixels);
  CImage image;
  ASSERT_TRUE(image.LoadFromMemory(t.data(), t.size()));
  EXPECT_EQ(image.GetFormat(), CImage::kFormatTga);
  EXPECT_EQ(image.GetPixel(1, nullptr, 0), 0x010203);
  EXPECT_EQ(image.GetPixel(1, nullptr, 1), 0x040506);
  EXPECT_EQ(image.GetPixel(0, nullptr, 0), 0x070809);
  // Right to left as well.
  t[17] = 0x30;
  ASSERT_TRUE(image.LoadFromMemory(t.data(), t.size()));
  EXPECT_EQ(image.GetPixel(1, nullptr, 1), 0x010203);
}

TEST(ImageCodecs, PcxPaletteAfterTheDataIsRequired) {
  ScratchFolder folder;
  CImage image;
  MakeTestImage(image, 8, 12, 6);
  const std::string path = folder.File("p.pcx");
  ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatPcx));
  std::vector<uint8_t> b = ReadFileBytes(path);
  CImage back;
  ASSERT_TRUE(back.LoadFromMemory(b.data(), b.size()));
  EXPECT_TRUE(SamePixels(image, back));
  b.resize(b.size() - 400);  // the table runs past the end
  CImage cut;
  EXPECT_FALSE(cut.LoadFromMemory(b.data(), b.size()));
}

TEST(ImageCodecs, AttachCopyAndFree) {
  CImage image;
  EXPECT_FALSE(image.Attach({}, 0));
  EXPECT_FALSE(image.Attach(std::vector<uint8_t>(40, 0), 0));
  MakeTestImage(image, 8, 5, 5);
  image.SetTransparentColor(3, true);
  CImage copy;
  copy.Copy(image);
  EXPECT_TRUE(SamePixels(image, copy));
  uint32_t t;
  EXPECT_TRUE(copy.GetTransparentColor(t));
  CImage attached;
  attached.AttachCopy(image.GetDib());
  EXPECT_EQ(attached.GetColorType(), CImage::kColor256);
  EXPECT_EQ(attached.GetFormat(), CImage::kFormatNone);
  image.Free();
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetWidth(), 0);
  EXPECT_EQ(image.GetColorType(), CImage::kColorNone);
  EXPECT_FALSE(image.GetTransparentColor(t));
}

// Created from its run-time class, an image is a fresh, empty one that works
// like any other: it loads, saves and is destroyed through its base.
TEST(ImageCodecs, CreatedFromItsRuntimeClass) {
  CRuntimeClass* cls = RUNTIME_CLASS(CImage);
  ASSERT_NE(cls, nullptr);
  EXPECT_STREQ(cls->m_lpszClassName, "CImage");
  std::unique_ptr<CObject> object(cls->CreateObject());
  auto* image = dynamic_cast<CImage*>(object.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetRuntimeClass(), cls);
  EXPECT_FALSE(image->IsValid());
  EXPECT_EQ(image->GetFormat(), CImage::kFormatNone);
  EXPECT_EQ(image->GetColorType(), CImage::kColorNone);
  uint32_t t;
  EXPECT_FALSE(image->GetTransparentColor(t));

  CImage source;
  MakeTestImage(source, 8, 6, 4);
  ScratchFolder folder;
  const std::string path = folder.File("dynamic.bmp");
  ASSERT_TRUE(source.Save(path.c_str(), CImage::kFormatBmp));
  ASSERT_TRUE(image->Load(path.c_str()));
  EXPECT_TRUE(SamePixels(source, *image));
  // Two creations give two objects.
  std::unique_ptr<CObject> other(cls->CreateObject());
  EXPECT_NE(other.get(), object.get());
  EXPECT_FALSE(static_cast<CImage*>(other.get())->IsValid());
}

}  // namespace

namespace {

// The fuzzers' seed files and the inputs they found troublesome decode
// through their own decoder without fault.
TEST(ImageCodecs, FuzzCorpusReplays) {
  const std::string root = std::string(NUVARINE_TEST_DATA) + "/../fuzz-corpus";
  const std::pair<const char*, int> kinds[] = {{"bmp", CImage::kFormatBmp}, {"pcx", CImage::kFormatPcx},
                                               {"gif", CImage::kFormatGif}, {"jpeg", CImage::kFormatJpeg},
                                               {"tga", CImage::kFormatTga}};
  int files = 0;
  for (const auto& [kind, format] : kinds)
    for (const auto& entry : std::filesystem::directory_iterator(root + "/" + kind)) {
      const std::vector<uint8_t> data = ReadFileBytes(entry.path().string());
      CImage image;
      const bool loaded = image.LoadFromMemory(data.data(), data.size(), format);
      const std::string name = entry.path().filename().string();
      // Seeds load; files found by fuzzing ("bad-...") are refused.
      if (name.rfind("bad-", 0) == 0) {
        EXPECT_FALSE(loaded) << name;
      } else {
        EXPECT_EQ(loaded, name.find("cmyk") == std::string::npos) << name;
      }
      if (loaded && image.GetWidth() * image.GetHeight() <= 4096) image.SetColorType(data.back() % 6, data.back() & 0x80);
      ++files;
    }
  EXPECT_GT(files, 20);
}

}  // namespace
