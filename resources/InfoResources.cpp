// Resources of the information dialogs and the notes dialog: their
// templates and the nine banner pictures (drawn by code: a night sky with a
// pictogram of the kind of object and its title).
#include <cmath>
#include <cstdint>

#include "Resource.h"

namespace {

const DialogControl kObjectInfoControls[] = {
    {ControlKind::Bitmap, 1042, nullptr, 0, 0, 0, 320, 40, 0},
    {ControlKind::RichEdit, 1123, nullptr, WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 7,
     44, 306, 222},
    {ControlKind::PushButton, 1063, "Follow", WS_TABSTOP, 7, 274, 50, 14},
    {ControlKind::PushButton, 1007, "Center", WS_TABSTOP, 62, 274, 50, 14},
    {ControlKind::PushButton, 1066, "Print", WS_TABSTOP, 117, 274, 50, 14},
    {ControlKind::PushButton, 1065, "Help", WS_TABSTOP, 208, 274, 50, 14},
    {ControlKind::DefPushButton, IDOK, "Close", WS_TABSTOP, 263, 274, 50, 14},
};

const DialogControl kObjectInfo3DControls[] = {
    {ControlKind::Bitmap, 1041, nullptr, 0, 0, 0, 320, 40, 0},
    {ControlKind::RichEdit, 1123, nullptr, WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 7,
     44, 306, 222},
    {ControlKind::PushButton, 1007, "Lock", WS_TABSTOP, 7, 274, 50, 14},
    {ControlKind::PushButton, 1066, "Print", WS_TABSTOP, 117, 274, 50, 14},
    {ControlKind::PushButton, 1065, "Help", WS_TABSTOP, 208, 274, 50, 14},
    {ControlKind::DefPushButton, IDOK, "Close", WS_TABSTOP, 263, 274, 50, 14},
};

const DialogControl kNotesControls[] = {
    {ControlKind::Edit, 1019, "", ES_MULTILINE | ES_WANTRETURN | WS_BORDER | WS_TABSTOP, 7, 7, 206, 104},
    {ControlKind::DefPushButton, IDOK, "OK", WS_TABSTOP, 50, 118, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 120, 118, 50, 14},
    {ControlKind::PushButton, 1007, "", 0, 0, 0, 1, 1},
};

#define CONTROLS(a) a, sizeof(a) / sizeof(a[0])

const DialogTemplate kInfoDialogTemplates[] = {
    {IDD_OBJECT_INFO, "About object :", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 320, 295,
     CONTROLS(kObjectInfoControls)},
    {IDD_OBJECT_INFO_3D, "About object :", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 320, 295,
     CONTROLS(kObjectInfo3DControls)},
    {IDD_NOTES, "Add a note...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 220, 140,
     CONTROLS(kNotesControls)},
};

// ---- Banners -----------------------------------------------------------------------

enum class Pictogram { Star, DeepSky, Planet, Moon, Sun, Comet, Asteroid, Dish, Probe };

void Disc(CDC& dc, int cx, int cy, int r, COLORREF fill, COLORREF edge) {
  dc.SetBrushColor(fill);
  dc.SetPenColor(edge);
  dc.Ellipse(cx - r, cy - r, cx + r + 1, cy + r + 1);
}

void DrawPictogram(CDC& dc, Pictogram p, int cx, int cy) {
  switch (p) {
    case Pictogram::Star:
      dc.SetPenColor(RGB(255, 250, 210), 2);
      for (int k = 0; k < 4; ++k) {
        const double a = k * 3.14159265358979 / 4;
        dc.MoveTo(cx - static_cast<int>(20 * std::cos(a)), cy - static_cast<int>(20 * std::sin(a)));
        dc.LineTo(cx + static_cast<int>(20 * std::cos(a)), cy + static_cast<int>(20 * std::sin(a)));
      }
      Disc(dc, cx, cy, 7, RGB(255, 255, 230), RGB(255, 240, 180));
      break;
    case Pictogram::DeepSky:
      for (int r = 22; r > 2; r -= 4) {
        const int v = 60 + (22 - r) * 8;
        dc.SetBrushColor(RGB(v, v / 2 + 30, v + 20));
        dc.SetNullPen();
        dc.Ellipse(cx - r * 3 / 2, cy - r / 2 - 2, cx + r * 3 / 2, cy + r / 2 + 2);
      }
      break;
    case Pictogram::Planet:
      Disc(dc, cx, cy, 15, RGB(210, 150, 90), RGB(120, 80, 40));
      dc.SetNullBrush();
      dc.SetPenColor(RGB(230, 210, 160), 2);
      dc.Ellipse(cx - 27, cy - 7, cx + 27, cy + 7);
      break;
    case Pictogram::Moon:
      Disc(dc, cx, cy, 17, RGB(225, 225, 215), RGB(160, 160, 150));
      Disc(dc, cx + 8, cy - 4, 15, RGB(14, 20, 60), RGB(14, 20, 60));
      break;
    case Pictogram::Sun:
      dc.SetPenColor(RGB(255, 200, 40), 2);
      for (int k = 0; k < 12; ++k) {
        const double a = k * 3.14159265358979 / 6;
        dc.MoveTo(cx + static_cast<int>(18 * std::cos(a)), cy + static_cast<int>(18 * std::sin(a)));
        dc.LineTo(cx + static_cast<int>(25 * std::cos(a)), cy + static_cast<int>(25 * std::sin(a)));
      }
      Disc(dc, cx, cy, 15, RGB(255, 220, 60), RGB(255, 170, 20));
      break;
    case Pictogram::Comet:
      for (int k = 0; k < 40; ++k) {
        const int v = 230 - k * 4;
        dc.SetPenColor(RGB(v / 2, v * 3 / 4, v), 1);
        dc.MoveTo(cx, cy);
        dc.LineTo(cx + 8 + k, cy - 14 + (k * 7) / 10 - (k % 3));
      }
      Disc(dc, cx, cy, 5, RGB(240, 250, 255), RGB(200, 230, 255));
      break;
    case Pictogram::Asteroid:
      dc.SetBrushColor(RGB(140, 125, 105));
      dc.SetPenColor(RGB(90, 80, 70));
      dc.Ellipse(cx - 18, cy - 11, cx + 16, cy + 12);
      Disc(dc, cx - 5, cy - 2, 3, RGB(110, 100, 85), RGB(90, 80, 70));
      Disc(dc, cx + 6, cy + 4, 2, RGB(110, 100, 85), RGB(90, 80, 70));
      break;
    case Pictogram::Dish:
      dc.SetPenColor(RGB(220, 220, 230), 2);
      dc.SetNullBrush();
      dc.Ellipse(cx - 20, cy - 18, cx + 20, cy + 6);
      dc.MoveTo(cx, cy - 6);
      dc.LineTo(cx + 12, cy - 20);
      dc.MoveTo(cx, cy + 6);
      dc.LineTo(cx - 8, cy + 20);
      dc.MoveTo(cx, cy + 6);
      dc.LineTo(cx + 8, cy + 20);
      break;
    case Pictogram::Probe:
      dc.SetBrushColor(RGB(200, 170, 60));
      dc.SetPenColor(RGB(120, 100, 30));
      dc.Rectangle(cx - 6, cy - 6, cx + 6, cy + 6);
      dc.SetBrushColor(RGB(60, 90, 170));
      dc.Rectangle(cx - 28, cy - 4, cx - 8, cy + 4);
      dc.Rectangle(cx + 8, cy - 4, cx + 28, cy + 4);
      dc.SetPenColor(RGB(220, 220, 220), 1);
      dc.MoveTo(cx, cy - 6);
      dc.LineTo(cx, cy - 16);
      break;
  }
}

void PaintBannerOf(CDC& dc, int w, int h, Pictogram p, const char* title, uint32_t seed) {
  for (int y = 0; y < h; ++y) {
    const int t = y * 255 / (h > 1 ? h - 1 : 1);
    dc.FillSolidRect(0, y, w, 1, RGB(6 + t / 16, 10 + t / 10, 40 + t / 5));
  }
  for (int k = 0; k < w / 4; ++k) {
    seed = seed * 1664525u + 1013904223u;
    const int x = static_cast<int>(seed % static_cast<uint32_t>(w));
    const int y = static_cast<int>((seed >> 12) % static_cast<uint32_t>(h));
    const int v = 120 + static_cast<int>((seed >> 20) % 136);
    dc.SetPixel(x, y, RGB(v, v, v));
  }
  DrawPictogram(dc, p, 48, h / 2);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(235, 235, 250));
  dc.SelectFont("Liberation Sans", h * 2 / 5, 700);
  RECT box{90, 0, w, h};
  const SIZE extent = dc.GetTextExtent(title);
  dc.TextOut(96, (h - extent.cy) / 2, title);
  (void)box;
}

constexpr int kBannerWidth = 478;
constexpr int kBannerHeight = 64;

#define BANNER(name, pictogram, title, seed) \
  void name(CDC& dc, int w, int h) { PaintBannerOf(dc, w, h, Pictogram::pictogram, title, seed); }
BANNER(PaintStarBanner, Star, "Star", 11u)
BANNER(PaintDeepSkyBanner, DeepSky, "Deep-sky object", 12u)
BANNER(PaintPlanetBanner, Planet, "Solar system", 13u)
BANNER(PaintMoonBanner, Moon, "The Moon", 14u)
BANNER(PaintSunBanner, Sun, "The Sun", 15u)
BANNER(PaintCometBanner, Comet, "Comet", 16u)
BANNER(PaintAsteroidBanner, Asteroid, "Asteroid", 17u)
BANNER(PaintWorkUnitBanner, Dish, "SETI@home", 18u)
BANNER(PaintProbeBanner, Probe, "Spacecraft", 19u)

const BitmapResource kBanners[] = {
    {IDB_BANNER_STAR, kBannerWidth, kBannerHeight, PaintStarBanner},
    {IDB_BANNER_DEEP_SKY, kBannerWidth, kBannerHeight, PaintDeepSkyBanner},
    {IDB_BANNER_PLANET, kBannerWidth, kBannerHeight, PaintPlanetBanner},
    {IDB_BANNER_MOON, kBannerWidth, kBannerHeight, PaintMoonBanner},
    {IDB_BANNER_SUN, kBannerWidth, kBannerHeight, PaintSunBanner},
    {IDB_BANNER_COMET, kBannerWidth, kBannerHeight, PaintCometBanner},
    {IDB_BANNER_ASTEROID, kBannerWidth, kBannerHeight, PaintAsteroidBanner},
    {IDB_BANNER_WORK_UNIT, kBannerWidth, kBannerHeight, PaintWorkUnitBanner},
    {IDB_BANNER_SPACECRAFT, kBannerWidth, kBannerHeight, PaintProbeBanner},
};

}  // namespace

void RegisterInfoResources() {
  AfxRegisterStrings(kInfoStringTable, kInfoStringTableCount);
  AfxRegisterDialogs(kInfoDialogTemplates, sizeof(kInfoDialogTemplates) / sizeof(kInfoDialogTemplates[0]));
  AfxRegisterBitmaps(kBanners, sizeof(kBanners) / sizeof(kBanners[0]));
  RegisterFindResources();
}
