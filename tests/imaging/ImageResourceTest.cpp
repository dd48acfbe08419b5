// Pictures taken from the program's bitmap resources.
#include <gtest/gtest.h>

#include <QApplication>

#include "Image.h"
#include "Resource.h"
#include "Wnd.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "image_resource_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

// A 5 x 3 bitmap: the top row red, the left column of the rest blue, the
// remainder white.
constexpr UINT kTestBitmap = 61234;
void PaintTest(CDC& dc, int width, int height) {
  dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
  dc.FillSolidRect(0, 0, width, 1, RGB(255, 0, 0));
  dc.FillSolidRect(0, 1, 1, height - 1, RGB(0, 0, 255));
}
const BitmapResource kTestBitmaps[] = {{kTestBitmap, 5, 3, PaintTest}};

TEST(ImageFromResource, ABitmapResourceBecomesA24BitDib) {
  App();
  AfxRegisterBitmaps(kTestBitmaps, 1);
  CImage image;
  ASSERT_TRUE(image.LoadFromAppResource(MAKEINTRESOURCE(kTestBitmap), CImage::kColor24Bit));
  EXPECT_EQ(image.GetWidth(), 5);
  EXPECT_EQ(image.GetHeight(), 3);
  EXPECT_EQ(image.GetBitCount(), 24);
  EXPECT_EQ(image.GetColorType(), CImage::kColor24Bit);
  // Rows count from the bottom; 24-bit values are blue, green, red bytes.
  EXPECT_EQ(image.GetPixel(2, nullptr, 0), 0x0000FF);  // top row: red
  EXPECT_EQ(image.GetPixel(2, nullptr, 4), 0x0000FF);
  EXPECT_EQ(image.GetPixel(0, nullptr, 0), 0xFF0000);  // left column: blue
  EXPECT_EQ(image.GetPixel(1, nullptr, 0), 0xFF0000);
  EXPECT_EQ(image.GetPixel(0, nullptr, 3), 0xFFFFFF);

  // The same bitmap by its "#id" name from the module, and made grey.
  CImage grey;
  ASSERT_TRUE(grey.LoadFromResource("#61234", AfxGetResourceHandle(), CImage::kGrey256));
  EXPECT_EQ(grey.GetBitCount(), 8);
  EXPECT_EQ(grey.GetColorType(), CImage::kGrey256);
  EXPECT_EQ(grey.GetWidth(), 5);
}

TEST(ImageFromResource, AnUnknownNameOrModuleLeavesTheImageAsItWas) {
  App();
  AfxRegisterBitmaps(kTestBitmaps, 1);
  CImage image;
  ASSERT_TRUE(image.LoadFromAppResource(MAKEINTRESOURCE(IDB_LOADING), CImage::kColor24Bit));
  EXPECT_EQ(image.GetWidth(), 417);
  EXPECT_EQ(image.GetHeight(), 56);
  int other = 0;
  struct Case {
    const char* what;
    const char* name;
    void* module;
  } cases[] = {
      {"no such bitmap", MAKEINTRESOURCE(61235), AfxGetResourceHandle()},
      {"a name that is no id", "LOADING", AfxGetResourceHandle()},
      {"an empty id", "#", AfxGetResourceHandle()},
      {"another module", MAKEINTRESOURCE(kTestBitmap), &other},
      {"no name", nullptr, AfxGetResourceHandle()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(image.LoadFromResource(c.name, c.module, CImage::kColor24Bit));
    EXPECT_EQ(image.GetWidth(), 417);
  }
}

}  // namespace
