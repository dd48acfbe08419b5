// The program's pictures, drawn by code: the splash picture, the loading
// banner and the tool-bar button strips (a magenta background marks the
// transparent pixels, read from the strip's first pixel).
#include <algorithm>
#include <cstdint>

#include "Resource.h"

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);

struct Glyph {
  UINT id;
  const char* label;
  COLORREF color;
};

// One pictogram per command: a coloured disc or tile with a short mark.
const Glyph kGlyphs[] = {
    {57601, "Op", RGB(230, 190, 60)},  {57604, "Sv", RGB(70, 110, 200)},  {291, "Pr", RGB(120, 120, 120)},
    {57664, "i", RGB(60, 120, 220)},   {57669, "?", RGB(60, 160, 90)},    {32771, "TL", RGB(40, 140, 160)},
    {172, "<", RGB(90, 90, 160)},      {173, ">", RGB(90, 90, 160)},      {174, "^", RGB(90, 90, 160)},
    {175, "v", RGB(90, 90, 160)},      {176, "+", RGB(30, 130, 60)},      {177, "-", RGB(170, 60, 40)},
    {178, "1x", RGB(100, 100, 100)},   {168, "N", RGB(40, 60, 140)},      {170, "E", RGB(40, 60, 140)},
    {167, "S", RGB(40, 60, 140)},      {169, "W", RGB(40, 60, 140)},      {171, "Z", RGB(40, 60, 140)},
    {309, "<>", RGB(140, 70, 140)},    {32810, "Pa", RGB(200, 120, 30)},  {32836, "<<", RGB(200, 120, 30)},
    {32837, "[]", RGB(200, 60, 40)},   {32817, ">>", RGB(40, 160, 60)},   {32827, "Lk", RGB(60, 100, 160)},
    {32867, "Ey", RGB(90, 90, 90)},    {32828, "Ep", RGB(160, 110, 40)},  {32829, "Rs", RGB(160, 110, 40)},
    {32813, "Fd", RGB(60, 140, 200)},  {32842, "DS", RGB(110, 60, 150)},  {32881, "Tc", RGB(80, 80, 80)},
    {32915, "M", RGB(210, 150, 40)},   {32832, "Fc", RGB(180, 60, 120)},  {32822, "Cf", RGB(100, 100, 120)},
    {32858, "Cn", RGB(70, 90, 180)},   {162, "Cl", RGB(70, 90, 180)},     {32861, "Sn", RGB(200, 180, 60)},
    {32870, "Pn", RGB(200, 120, 60)},  {32786, "Sa", RGB(120, 120, 160)}, {157, "Nb", RGB(150, 80, 150)},
    {180, "Nn", RGB(150, 80, 150)},    {218, "Co", RGB(60, 170, 190)},    {32812, "As", RGB(150, 130, 100)},
    {221, "MW", RGB(120, 120, 170)},   {160, "Ls", RGB(60, 140, 60)},     {222, "Sk", RGB(60, 120, 200)},
    {5008, "At", RGB(110, 170, 220)},  {161, "Ru", RGB(140, 110, 70)},    {163, "Gr", RGB(80, 140, 80)},
    {158, "Ec", RGB(190, 150, 40)},    {295, "Or", RGB(190, 100, 40)},    {32875, "NV", RGB(180, 20, 20)},
    {32916, "F", RGB(40, 40, 40)},
};

const Glyph* FindGlyph(UINT id) {
  for (const Glyph& g : kGlyphs)
    if (g.id == id) return &g;
  return nullptr;
}

COLORREF Grey(COLORREF c) {
  int v = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
  v = 150 + v / 4;
  return RGB(v, v, v);
}

void PaintStrip(CDC& dc, int width, int height, UINT toolBarId, bool disabled) {
  dc.FillSolidRect(0, 0, width, height, kKey);
  const ToolBarResource* bar = nullptr;
  for (size_t i = 0; i < kToolBarCount; ++i)
    if (kToolBars[i].id == toolBarId) bar = &kToolBars[i];
  if (!bar) return;
  int size = bar->buttonWidth;
  int x = 0;
  for (size_t i = 0; i < bar->count; ++i) {
    UINT id = bar->buttons[i];
    if (id == 0) continue;
    const Glyph* g = FindGlyph(id);
    COLORREF color = g ? g->color : RGB(100, 100, 100);
    if (disabled) color = Grey(color);
    dc.SetPenColor(disabled ? RGB(170, 170, 170) : RGB(30, 30, 30));
    dc.SetBrushColor(color);
    dc.Ellipse(x + 1, 1, x + size - 1, height - 1);
    dc.SetTextColor(disabled ? RGB(230, 230, 230) : RGB(255, 255, 255));
    dc.SetBkMode(TRANSPARENT);
    dc.SelectFont("DejaVu Sans", height <= 16 ? 8 : 10, 700);
    RECT box{x, 0, x + size, height};
    dc.DrawCenteredText(&box, g ? g->label : "");
    x += size;
  }
}

void PaintTop(CDC& dc, int w, int h) { PaintStrip(dc, w, h, IDR_TOOLBAR_TOP, false); }
void PaintRight(CDC& dc, int w, int h) { PaintStrip(dc, w, h, IDR_TOOLBAR_RIGHT, false); }
void PaintRightDisabled(CDC& dc, int w, int h) { PaintStrip(dc, w, h, IDR_TOOLBAR_RIGHT, true); }
void PaintLeft(CDC& dc, int w, int h) { PaintStrip(dc, w, h, IDR_TOOLBAR_LEFT, false); }
void PaintLeftDisabled(CDC& dc, int w, int h) { PaintStrip(dc, w, h, IDR_TOOLBAR_LEFT, true); }
void PaintFullScreen(CDC& dc, int w, int h) { PaintStrip(dc, w, h, IDR_TOOLBAR_FULLSCREEN, false); }

// A night sky with a ringed planet and the program's name.
void PaintSky(CDC& dc, int w, int h, bool banner) {
  for (int y = 0; y < h; ++y) {
    int t = y * 255 / (h > 1 ? h - 1 : 1);
    dc.FillSolidRect(0, y, w, 1, RGB(8 + t / 12, 12 + t / 8, 40 + t / 4));
  }
  uint32_t seed = banner ? 7u : 1234567u;
  int stars = w * h / (banner ? 120 : 160);
  for (int i = 0; i < stars; ++i) {
    seed = seed * 1664525u + 1013904223u;
    int x = static_cast<int>((seed >> 8) % static_cast<uint32_t>(w));
    seed = seed * 1664525u + 1013904223u;
    int y = static_cast<int>((seed >> 8) % static_cast<uint32_t>(h));
    int b = 120 + static_cast<int>((seed >> 4) % 136);
    dc.SetPixel(x, y, RGB(b, b, std::min(255, b + 20)));
  }
  dc.SetBkMode(TRANSPARENT);
  if (banner) {
    dc.SetNullPen();
    dc.SetBrushColor(RGB(210, 160, 90));
    dc.Ellipse(w - 70, 8, w - 30, 48);
    dc.SetTextColor(RGB(240, 240, 255));
    dc.SelectFont("DejaVu Sans", 26, 700);
    RECT box{0, 0, w - 80, h};
    dc.DrawCenteredText(&box, "Nuvarine 2");
    return;
  }
  // Planet with rings.
  int cx = w * 2 / 3, cy = h * 2 / 5, r = h / 6;
  dc.SetNullPen();
  dc.SetBrushColor(RGB(180, 140, 80));
  dc.Ellipse(cx - r, cy - r, cx + r, cy + r);
  dc.SetBrushColor(RGB(210, 170, 110));
  dc.Ellipse(cx - r + 6, cy - r + 4, cx + r - 14, cy + r - 18);
  dc.SetNullBrush();
  dc.SetPenColor(RGB(230, 210, 170), 3);
  dc.Ellipse(cx - r * 2, cy - r / 3, cx + r * 2, cy + r / 3);
  dc.SetPenColor(RGB(160, 140, 110), 1);
  dc.Ellipse(cx - r * 2 + 10, cy - r / 3 + 4, cx + r * 2 - 10, cy + r / 3 - 4);
  // A small moon.
  dc.SetNullPen();
  dc.SetBrushColor(RGB(200, 200, 210));
  dc.Ellipse(w / 6, h / 5, w / 6 + 22, h / 5 + 22);
  dc.SetTextColor(RGB(240, 240, 255));
  dc.SelectFont("DejaVu Sans", 44, 700);
  RECT title{0, h * 3 / 5, w, h * 3 / 5 + 56};
  dc.DrawCenteredText(&title, "Nuvarine 2");
  dc.SetTextColor(RGB(170, 190, 230));
  dc.SelectFont("DejaVu Sans", 16, 400);
  RECT subtitle{0, h * 3 / 5 + 56, w, h * 3 / 5 + 80};
  dc.DrawCenteredText(&subtitle, "Planetarium and solar system");
}

void PaintSplash(CDC& dc, int w, int h) { PaintSky(dc, w, h, false); }
void PaintBanner(CDC& dc, int w, int h) { PaintSky(dc, w, h, true); }

int ButtonCount(UINT toolBarId) {
  int n = 0;
  for (size_t i = 0; i < kToolBarCount; ++i)
    if (kToolBars[i].id == toolBarId)
      for (size_t j = 0; j < kToolBars[i].count; ++j) n += kToolBars[i].buttons[j] != 0;
  return n;
}

}  // namespace

const BitmapResource kBitmaps[] = {
    {IDB_SPLASH, 469, 372, PaintSplash},
    {IDB_LOADING, 417, 56, PaintBanner},
    {IDB_TOOLBAR_TOP, 22 * ButtonCount(IDR_TOOLBAR_TOP), 22, PaintTop},
    {IDB_TOOLBAR_RIGHT, 22 * ButtonCount(IDR_TOOLBAR_RIGHT), 22, PaintRight},
    {IDB_TOOLBAR_RIGHT_DISABLED, 22 * ButtonCount(IDR_TOOLBAR_RIGHT), 22, PaintRightDisabled},
    {IDB_TOOLBAR_LEFT, 22 * ButtonCount(IDR_TOOLBAR_LEFT), 22, PaintLeft},
    {IDB_TOOLBAR_LEFT_DISABLED, 22 * ButtonCount(IDR_TOOLBAR_LEFT), 22, PaintLeftDisabled},
    // The tool-bar resources' own pictures.
    {IDR_TOOLBAR_TOP, 22 * ButtonCount(IDR_TOOLBAR_TOP), 22, PaintTop},
    {IDR_TOOLBAR_RIGHT, 22 * ButtonCount(IDR_TOOLBAR_RIGHT), 22, PaintRight},
    {IDR_TOOLBAR_LEFT, 22 * ButtonCount(IDR_TOOLBAR_LEFT), 22, PaintLeft},
    {IDR_TOOLBAR_FULLSCREEN, 16, 15, PaintFullScreen},
};
const size_t kBitmapCount = sizeof(kBitmaps) / sizeof(kBitmaps[0]);

void RegisterNuvarineResources() {
  AfxRegisterStrings(kStringTable, kStringTableCount);
  AfxRegisterMenu(IDR_MAINFRAME, kMainMenu, kMainMenuCount);
  AfxRegisterToolBars(kToolBars, kToolBarCount);
  AfxRegisterDialogs(kDialogTemplates, kDialogTemplateCount);
  AfxRegisterBitmaps(kBitmaps, kBitmapCount);
  RegisterInfoResources();
  RegisterOptionsResources();
  RegisterCalendarResources();
}
