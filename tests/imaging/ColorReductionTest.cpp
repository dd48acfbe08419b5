// Colour reduction: the conversions between colour types, the octree
// quantiser, the dithers and the Hilbert walk.
#include <cstring>
#include <set>

#include "ImageTestUtil.h"

namespace {

int DepthOfType(int type) { return type == 0 ? 24 : (type == 1 || type == 3) ? 8 : (type == 2 || type == 4) ? 4 : 1; }

void MakeColourful(CImage& image, int width, int height) {
  ASSERT_TRUE(image.Attach(imaging::NewDib(width, height, 24, 0), CImage::kColor24Bit));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetPixel(y, nullptr, x, ((x * 255 / width) << 16) | ((y * 255 / height) << 8) | ((x + y) * 3 % 256));
}

TEST(ColorReduction, EveryConversionGivesTheTargetDepth) {
  for (int from = 0; from <= 5; ++from)
    for (int to = 0; to <= 5; ++to) {
      SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
      CImage image;
      MakeColourful(image, 23, 17);
      if (from != 0) {
        ASSERT_TRUE(image.SetColorType(from, false));
      }
      ASSERT_EQ(image.GetBitCount(), DepthOfType(from));
      ASSERT_TRUE(image.SetColorType(to, false));
      EXPECT_EQ(image.GetColorType(), to);
      EXPECT_EQ(image.GetBitCount(), DepthOfType(to));
      if (to == 3 || to == 4) {
        // Grey types have grey palettes.
        for (int i = 0; i < image.GetPaletteEntries(); ++i) {
          const uint8_t* c = image.GetPalette() + 4 * i;
          EXPECT_TRUE(c[0] == c[1] && c[1] == c[2]) << i;
        }
      }
    }
  CImage image;
  MakeColourful(image, 4, 4);
  EXPECT_FALSE(image.SetColorType(6, false));
  EXPECT_FALSE(image.SetColorType(-1, false));
  CImage empty;
  EXPECT_FALSE(empty.SetColorType(1, false));
}

TEST(ColorReduction, SixteenDistinctColoursAreKeptExactly) {
  for (bool dither : {false, true}) {
    CImage image;
    ASSERT_TRUE(image.Attach(imaging::NewDib(32, 8, 24, 0), CImage::kColor24Bit));
    std::set<int> colours;
    for (int x = 0; x < 32; ++x) {
      const int i = x % 16;
      const int c = (((i & 1) ? 0xF0 : 0x10) << 16) | (((i & 2) ? 0xE0 : 0x20) << 8) | (((i >> 2) * 0x50) + 0x08);
      colours.insert(c);
      for (int y = 0; y < 8; ++y) image.SetPixel(y, nullptr, x, c);
    }
    ASSERT_EQ(colours.size(), 16u);
    CImage original;
    original.Copy(image);
    ASSERT_TRUE(image.SetColorType(CImage::kColor16, dither));
    EXPECT_EQ(image.GetBitCount(), 4);
    EXPECT_TRUE(SamePixels(original, image)) << "dither " << dither;
  }
}

TEST(ColorReduction, TrueColourToGreysUsesTheGreyRamp) {
  CImage image;
  ASSERT_TRUE(image.Attach(imaging::NewDib(3, 1, 24, 0), CImage::kColor24Bit));
  image.SetPixel(0, nullptr, 0, 0x000000FF);  // pure red (blue, green, red bytes)
  image.SetPixel(0, nullptr, 1, 0xFFFFFF);
  image.SetPixel(0, nullptr, 2, 0x808080);
  ASSERT_TRUE(image.SetColorType(CImage::kGrey256, false));
  EXPECT_EQ(image.GetBitCount(), 8);
  ASSERT_EQ(image.GetPaletteEntries(), 256);
  for (int i = 0; i < 256; ++i) {
    const uint8_t* c = image.GetPalette() + 4 * i;
    EXPECT_TRUE(c[0] == i && c[1] == i && c[2] == i) << i;
  }
  EXPECT_EQ(image.GetPixel(0, nullptr, 0), 76);  // 0.299 x 255
  EXPECT_EQ(image.GetPixel(0, nullptr, 1), 255);
  EXPECT_EQ(image.GetPixel(0, nullptr, 2), 128);
}

TEST(ColorReduction, ThirtyTwoBitImagesLoseTheirTransparentColour) {
  std::vector<uint8_t> dib = imaging::NewDib(2, 2, 32, 0);
  for (int i = 0; i < 16; ++i) dib[40 + i] = static_cast<uint8_t>(i * 16);
  CImage image;
  ASSERT_TRUE(image.Attach(std::move(dib), CImage::kColorNone));
  image.SetTransparentColor(5, true);
  ASSERT_TRUE(image.SetColorType(CImage::kColor24Bit, false));
  EXPECT_EQ(image.GetBitCount(), 24);
  uint32_t t;
  EXPECT_FALSE(image.GetTransparentColor(t));
  EXPECT_EQ(image.GetPixel(0, nullptr, 1), (64 << 16) | (80 << 8) | 96);  // first three bytes of the second pixel
}

TEST(ColorReduction, BlackAndWhiteThresholdAndOrderedDither) {
  CImage image;
  ASSERT_TRUE(image.Attach(imaging::NewDib(16, 16, 24, 0), CImage::kColor24Bit));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) image.SetPixel(y, nullptr, x, x < 8 ? 0x7F7F7F : 0x808080);
  CImage plain;
  plain.Copy(image);
  ASSERT_TRUE(plain.SetColorType(CImage::kBlackAndWhite, false));
  EXPECT_EQ(plain.GetBitCount(), 1);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(plain.GetPixel(3, nullptr, x), x < 8 ? 0 : 1) << x;
  // Ordered: white where the grey exceeds the matrix entry at (row mod 8, column mod 8).
  static const int kMatrixRow0[8] = {0, 192, 48, 240, 12, 204, 60, 252};
  ASSERT_TRUE(image.SetColorType(CImage::kBlackAndWhite, true));
  for (int x = 0; x < 16; ++x) {
    const int grey = x < 8 ? 127 : 128;
    EXPECT_EQ(image.GetPixel(8, nullptr, x), grey > kMatrixRow0[x % 8] ? 1 : 0) << x;
  }
}

TEST(ColorReduction, TransparentColourFollowsTheQuantisedPixel) {
  CImage image;
  MakeColourful(image, 40, 30);
  const int marked = image.GetPixel(7, nullptr, 11);
  image.SetTransparentColor(static_cast<uint32_t>(marked), true);
  ASSERT_TRUE(image.SetColorType(CImage::kColor256, false));
  uint32_t t;
  ASSERT_TRUE(image.GetTransparentColor(t));
  EXPECT_EQ(static_cast<int>(t), image.GetPixel(7, nullptr, 11));
}

TEST(ColorReduction, DitheredQuantisationMatchesItsGoldenFixture) {
  // The fixture was made by this quantiser; any change of its output shows here.
  CImage image;
  MakeColourful(image, 64, 48);
  ASSERT_TRUE(image.SetColorType(CImage::kColor16, true));
  CImage golden;
  const std::string path = std::string(NUVARINE_TEST_DATA) + "/dither16-golden.bmp";
  if (std::getenv("NUVARINE_WRITE_GOLDEN")) {
    ASSERT_TRUE(image.Save(path.c_str(), CImage::kFormatBmp));
  }
  ASSERT_TRUE(golden.Load(path.c_str()));
  EXPECT_EQ(golden.GetBitCount(), 4);
  EXPECT_TRUE(SamePixels(golden, image));
  // Close to the original on average: dithering spreads the error.
  CImage original;
  MakeColourful(original, 64, 48);
  CImage wide;
  wide.Copy(image);
  ASSERT_TRUE(wide.SetColorType(CImage::kColor24Bit, false));
  EXPECT_GT(Psnr(original, wide), 15.0);
}

TEST(ColorReduction, HilbertWalkVisitsEveryCellOnce) {
  for (int order = 1; order <= 7; ++order) {
    const int side = 1 << order;
    std::vector<int> seen(static_cast<size_t>(side) * side, 0);
    int steps = 0, outside = 0;
    int lastX = 0, lastY = 0;
    bool adjacent = true;
    CImage::HilbertWalk(order, [&](int x, int y) {
      if (steps > 0 && std::abs(x - lastX) + std::abs(y - lastY) > 1) adjacent = false;
      lastX = x, lastY = y;
      ++steps;
      if (x < 0 || y < 0 || x >= side || y >= side) {
        ++outside;
        return;
      }
      ++seen[static_cast<size_t>(y) * side + x];
    });
    SCOPED_TRACE(order);
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(adjacent);
    // Each cell once: the last one by the final step, made without moving.
    for (int v : seen) EXPECT_EQ(v, 1);
    EXPECT_EQ(steps, side * side);
  }
}

}  // namespace
