// Independent readers and writers: ImageMagick and Pillow read what we write,
// and we read what they write, pixel for pixel (JPEG within a tolerance).
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "ImageTestUtil.h"
#include "ToolCheck.h"

namespace {

constexpr const char* kConvert = "/usr/bin/convert";
constexpr const char* kPython = "/usr/bin/python3";

// ImageMagick's reading of a file as 8-bit RGB bytes, top row first.
std::string MagickPixels(const std::string& path, int& width, int& height) {
  const ToolResult size = RunTool(std::string("/usr/bin/identify -format '%w %h\\n' '") + path + "'");
  width = height = 0;
  std::istringstream(size.out) >> width >> height;
  return RunTool(std::string(kConvert) + " '" + path + "[0]' -depth 8 rgb:-").out;
}

// Our pixels as 8-bit RGB bytes, top row first.
std::string OurPixels(const CImage& image) {
  std::string out;
  for (int y = image.GetHeight() - 1; y >= 0; --y)
    for (int x = 0; x < image.GetWidth(); ++x) {
      const int c = PixelColor(image, y, x);
      out += static_cast<char>(c & 255);
      out += static_cast<char>((c >> 8) & 255);
      out += static_cast<char>((c >> 16) & 255);
    }
  return out;
}

::testing::AssertionResult Near(const std::string& a, const std::string& b, int tolerance) {
  if (a.size() != b.size()) return ::testing::AssertionFailure() << "byte counts " << a.size() << " vs " << b.size();
  int worst = 0;
  size_t at = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int d = std::abs(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]));
    if (d > worst) worst = d, at = i;
  }
  if (worst > tolerance) return ::testing::AssertionFailure() << "difference " << worst << " at byte " << at;
  return ::testing::AssertionSuccess();
}

struct Written {
  const char* name;
  int format, option, bits;
  const char* pillowMode;  // null where Pillow does not know the variant
  // ImageMagick 6 reads TGA rows upside down and 1-bit PCX with its bits
  // inverted (Pillow reads both as written); those files are left to Pillow.
  bool magick = true;
};

const Written kWritten[] = {
    {"w1.bmp", CImage::kFormatBmp, 0, 1, "P"},      {"w4.bmp", CImage::kFormatBmp, 0, 4, "P"},
    {"w8.bmp", CImage::kFormatBmp, 0, 8, "P"},      {"w24.bmp", CImage::kFormatBmp, 0, 24, "RGB"},
    {"o1.bmp", CImage::kFormatOs2Bmp, 0, 1, "P"},   {"o4.bmp", CImage::kFormatOs2Bmp, 0, 4, "P"},
    {"o8.bmp", CImage::kFormatOs2Bmp, 0, 8, "P"},   {"o24.bmp", CImage::kFormatOs2Bmp, 0, 24, "RGB"},
    {"r4.bmp", CImage::kFormatRleBmp, 0, 4, "P"},   {"r8.bmp", CImage::kFormatRleBmp, 0, 8, "P"},
    {"p1.pcx", CImage::kFormatPcx, 0, 1, "1", false},      {"p4.pcx", CImage::kFormatPcx, 0, 4, nullptr},
    {"p8.pcx", CImage::kFormatPcx, 0, 8, "P"},      {"p24.pcx", CImage::kFormatPcx, 0, 24, "RGB"},
    {"t8.tga", CImage::kFormatTga, 0, 8, "P", false},      {"t24.tga", CImage::kFormatTga, 0, 24, "RGB", false},
    {"tr8.tga", CImage::kFormatTga, 1, 8, "P", false},     {"tr24.tga", CImage::kFormatTga, 1, 24, "RGB", false},
    {"g1.gif", CImage::kFormatGif, 0, 1, "P"},      {"g4.gif", CImage::kFormatGif, 0, 4, "P"},
    {"g8.gif", CImage::kFormatGif, 0, 8, "P"},      {"j24.jpg", CImage::kFormatJpeg, 90, 24, "RGB"},
    {"j8.jpg", CImage::kFormatJpeg, 90, 8, "L"},
};

void MakeFor(const Written& w, CImage& image) {
  if (w.format == CImage::kFormatJpeg) {
    std::vector<uint8_t> dib = imaging::NewDib(37, 21, w.bits, w.bits == 8 ? 256 : 0);
    if (w.bits == 8)
      for (int i = 0; i < 256; ++i) std::memset(dib.data() + 40 + 4 * i, i, 3);
    ASSERT_TRUE(image.Attach(std::move(dib), w.bits == 8 ? CImage::kGrey256 : CImage::kColor24Bit));
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 37; ++x)
        image.SetPixel(y, nullptr, x, w.bits == 8 ? x * 6 : ((x * 6) << 16) | ((y * 11) << 8) | (128 + x - y));
    return;
  }
  MakeTestImage(image, w.bits, 37, 21, 11);
  if (w.bits == 1 && w.format == CImage::kFormatPcx) {
    std::vector<uint8_t> dib = image.GetDib();
    std::memset(dib.data() + 40, 0, 4);
    std::memset(dib.data() + 44, 255, 3);
    ASSERT_TRUE(image.Attach(std::move(dib), CImage::kBlackAndWhite));
  }
}

TEST(ImageTools, ImageMagickAndPillowReadWhatWeWrite) {
  REQUIRE_PROGRAM(kConvert, "imagemagick");
  REQUIRE_PROGRAM(kPython, "python3");
  ASSERT_TRUE(PillowAvailable()) << "install the package python3-pil";
  ScratchFolder folder;
  std::string list;
  for (const Written& w : kWritten) {
    SCOPED_TRACE(w.name);
    CImage image;
    MakeFor(w, image);
    const std::string path = folder.File(w.name);
    ASSERT_TRUE(image.Save(path.c_str(), w.format, w.option));
    if (w.magick) {
      int width, height;
      const std::string theirs = MagickPixels(path, width, height);
      EXPECT_EQ(width, 37);
      EXPECT_EQ(height, 21);
      EXPECT_TRUE(Near(OurPixels(image), theirs, w.format == CImage::kFormatJpeg ? 24 : 0));
    }
    if (w.pillowMode) list += path + "\n";
  }
  // Pillow: mode, size and the pixels as RGB, one line a file.
  const std::string script = folder.File("read.py");
  WriteFileBytes(script, std::vector<uint8_t>(
      std::begin("import sys\nfrom PIL import Image\nfor p in sys.stdin.read().split():\n"
                 "    im = Image.open(p)\n    im.load()\n"
                 "    print(p, im.mode, im.size[0], im.size[1], im.convert('RGB').tobytes().hex())\n"),
      std::end("import sys\nfrom PIL import Image\nfor p in sys.stdin.read().split():\n"
               "    im = Image.open(p)\n    im.load()\n"
               "    print(p, im.mode, im.size[0], im.size[1], im.convert('RGB').tobytes().hex())\n") - 1));
  WriteFileBytes(folder.File("list"), std::vector<uint8_t>(list.begin(), list.end()));
  const ToolResult pillow = RunTool(std::string(kPython) + " " + script + " < " + folder.File("list"));
  ASSERT_EQ(pillow.status, 0);
  std::istringstream lines(pillow.out);
  int seen = 0;
  for (const Written& w : kWritten) {
    if (!w.pillowMode) continue;
    SCOPED_TRACE(std::string("Pillow ") + w.name);
    std::string path, mode, hex;
    int width = 0, height = 0;
    ASSERT_TRUE(static_cast<bool>(lines >> path >> mode >> width >> height >> hex));
    ++seen;
    EXPECT_EQ(path, folder.File(w.name));
    EXPECT_EQ(mode, w.pillowMode);
    EXPECT_EQ(width, 37);
    EXPECT_EQ(height, 21);
    CImage image;
    MakeFor(w, image);
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    EXPECT_TRUE(Near(OurPixels(image), bytes, w.format == CImage::kFormatJpeg ? 24 : 0));
  }
  EXPECT_GT(seen, 0);
}

struct Theirs {
  const char* what;
  const char* options;  // ImageMagick options before the output
  const char* output;   // its format prefix and file name
  int bits;             // the depth we expect, 0 any
  int format;
  int tolerance;
};

const Theirs kTheirs[] = {
    {"Windows bitmap", "", "BMP3:w.bmp", 24, CImage::kFormatBmp, 0},
    {"Windows bitmap, 256 colours", "-colors 200 -type Palette -compress None", "BMP3:w8.bmp", 8, CImage::kFormatBmp, 0},
    {"OS/2 bitmap", "", "BMP2:o.bmp", 24, CImage::kFormatOs2Bmp, 0},
    {"RLE8 bitmap", "-colors 200 -type Palette -compress RLE", "BMP3:r.bmp", 8, CImage::kFormatRleBmp, 0},
    {"PCX 4 bits", "-colors 16 -type Palette", "PCX:p4.pcx", 0, CImage::kFormatPcx, 0},
    {"PCX 8 bits", "-colors 200 -type Palette", "PCX:p8.pcx", 8, CImage::kFormatPcx, 0},
    {"PCX 24 bits", "-type TrueColor", "PCX:p24.pcx", 24, CImage::kFormatPcx, 0},
    {"GIF87a", "-colors 64", "GIF87:g87.gif", 8, CImage::kFormatGif, 0},
    {"GIF89a interlaced, transparent, long comment", "-colors 100 -interlace GIF -fill '#00ff00' -draw 'point 0,0' -transparent '#00ff00'",
     "GIF:g89.gif", 8, CImage::kFormatGif, 0},
    {"JPEG", "-quality 85", "JPEG:j.jpg", 24, CImage::kFormatJpeg, 0},
};

TEST(ImageTools, WeReadWhatImageMagickWrites) {
  REQUIRE_PROGRAM(kConvert, "imagemagick");
  ScratchFolder folder;
  // A colourful source with smooth and sharp parts.
  CImage source;
  ASSERT_TRUE(source.Attach(imaging::NewDib(45, 27, 24, 0), CImage::kColor24Bit));
  Lcg rng(5);
  for (int y = 0; y < 27; ++y)
    for (int x = 0; x < 45; ++x)
      source.SetPixel(y, nullptr, x, y < 9 ? static_cast<int>(rng.Next() & 0xFFFFFF) : ((x * 5) << 16) | ((y * 9) << 8) | 60);
  const std::string src = folder.File("src.bmp");
  ASSERT_TRUE(source.Save(src.c_str(), CImage::kFormatBmp));
  const std::string comment(3000, 'c');
  for (const Theirs& t : kTheirs) {
    SCOPED_TRACE(t.what);
    const std::string out = std::string(t.output);
    const std::string file = folder.File(out.substr(out.find(':') + 1));
    std::string command = std::string(kConvert) + " '" + src + "' " + t.options;
    if (std::strstr(t.what, "comment")) command += " -comment " + comment;
    command += " '" + out.substr(0, out.find(':') + 1) + file + "'";
    ASSERT_EQ(RunTool(command).status, 0) << command;
    CImage image;
    ASSERT_TRUE(image.Load(file.c_str()));
    EXPECT_EQ(image.GetFormat(), t.format);
    if (t.bits) {
      EXPECT_EQ(image.GetBitCount(), t.bits);
    }
    int width, height;
    const std::string theirs = MagickPixels(file, width, height);
    EXPECT_EQ(image.GetWidth(), width);
    EXPECT_EQ(image.GetHeight(), height);
    EXPECT_TRUE(Near(OurPixels(image), theirs, t.tolerance));
    if (std::strstr(t.what, "transparent")) {
      uint32_t index;
      EXPECT_TRUE(image.GetTransparentColor(index));
    }
  }
}

TEST(ImageTools, JpegResolutionsAndFourComponentFiles) {
  REQUIRE_PROGRAM(kConvert, "imagemagick");
  ScratchFolder folder;
  CImage source;
  MakeTestImage(source, 24, 16, 16);
  const std::string src = folder.File("src.bmp");
  ASSERT_TRUE(source.Save(src.c_str(), CImage::kFormatBmp));
  struct Case {
    const char* options;
    int ppm;
  } cases[] = {{"-density 72 -units PixelsPerInch", 2835}, {"-density 28 -units PixelsPerCentimeter", 2800}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string file = folder.File("d.jpg");
    ASSERT_EQ(RunTool(std::string(kConvert) + " '" + src + "' " + c.options + " '" + file + "'").status, 0);
    CImage image;
    ASSERT_TRUE(image.Load(file.c_str()));
    EXPECT_EQ(image.GetXResolution(), c.ppm);
    EXPECT_EQ(image.GetYResolution(), c.ppm);
  }
  // CMYK: refused cleanly, the image held stays.
  const std::string cmyk = folder.File("cmyk.jpg");
  ASSERT_EQ(RunTool(std::string(kConvert) + " '" + src + "' -colorspace CMYK '" + cmyk + "'").status, 0);
  CImage image;
  MakeTestImage(image, 8, 4, 4);
  const std::vector<uint8_t> before = image.GetDib();
  EXPECT_FALSE(image.Load(cmyk.c_str()));
  EXPECT_EQ(image.GetDib(), before);
}

// Files ImageMagick does not write as their format says: 1-bit PCX and TGA
// (raw and RLE, 8 and 24 bits), written by Pillow and compared with Pillow's
// own reading.
TEST(ImageTools, WeReadWhatPillowWrites) {
  REQUIRE_PROGRAM(kPython, "python3");
  ASSERT_TRUE(PillowAvailable()) << "install the package python3-pil";
  ScratchFolder folder;
  CImage source;
  MakeTestImage(source, 24, 29, 13, 4);
  const std::string src = folder.File("src.bmp");
  ASSERT_TRUE(source.Save(src.c_str(), CImage::kFormatBmp));
  const std::string script = folder.File("write.py");
  const std::string text =
      "import sys\nfrom PIL import Image\nsrc, out, mode, rle = sys.argv[1:5]\n"
      "im = Image.open(src).convert('RGB')\n"
      "im = im.convert('1') if mode == '1' else im.quantize(100) if mode == 'P' else im\n"
      "im.save(out, compression='tga_rle') if rle == '1' else im.save(out)\n"
      "print(im.convert('RGB').tobytes().hex())\n";
  WriteFileBytes(script, std::vector<uint8_t>(text.begin(), text.end()));
  struct Case {
    const char* name;
    const char* mode;
    int rle, bits, format;
  } cases[] = {{"p1.pcx", "1", 0, 1, CImage::kFormatPcx},  {"t24.tga", "RGB", 0, 24, CImage::kFormatTga},
               {"tr24.tga", "RGB", 1, 24, CImage::kFormatTga}, {"t8.tga", "P", 0, 8, CImage::kFormatTga},
               {"tr8.tga", "P", 1, 8, CImage::kFormatTga}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = folder.File(c.name);
    const ToolResult r = RunTool(std::string(kPython) + " " + script + " " + src + " " + out + " " + c.mode + " " +
                                 std::to_string(c.rle));
    ASSERT_EQ(r.status, 0);
    std::string bytes;
    for (size_t i = 0; i + 1 < r.out.size() && r.out[i] != '\n'; i += 2)
      bytes += static_cast<char>(std::stoi(r.out.substr(i, 2), nullptr, 16));
    CImage image;
    ASSERT_TRUE(image.Load(out.c_str()));
    EXPECT_EQ(image.GetFormat(), c.format);
    EXPECT_EQ(image.GetBitCount(), c.bits);
    EXPECT_TRUE(Near(OurPixels(image), bytes, 0));
  }
}

}  // namespace
