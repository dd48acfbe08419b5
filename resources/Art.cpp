// The program's pictures, drawn by code: the splash picture, the loading
// banner and the tool-bar button strips (a magenta background marks the
// transparent pixels, read from the strip's first pixel).
#include <algorithm>
#include <cstdint>
#include <utility>

#include "Resource.h"

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);

// Pictograms of the tool-bar buttons, drawn on a transparent background in
// a 22-unit box scaled to the button: strokes of two or more pixels, light on
// the dark night-vision buttons as on the grey day ones. Disabled buttons get
// the same drawing in greys.
constexpr COLORREF kEdge = RGB(25, 25, 45);
constexpr COLORREF kPlate = RGB(30, 40, 80);

class Pictogram {
 public:
  Pictogram(CDC& dc, int x, int size, bool disabled) : m_dc(dc), m_x(x), m_size(size), m_disabled(disabled) {}
  int P(int v) const { return v * m_size / 22; }
  COLORREF C(COLORREF c) const {
    if (!m_disabled) return c;
    const int v = 130 + (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 400;
    return RGB(v, v, v);
  }
  // Light strokes get a dark edge so that they read on the grey day
  // buttons as on the dark night-vision ones.
  static bool Light(COLORREF c) { return GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11 > 16000; }
  void Line(int x1, int y1, int x2, int y2, COLORREF c, int width = 2) {
    if (Light(c) && !m_disabled) {
      m_dc.SetPenColor(kEdge, std::max(1, P(width)) + 2);
      m_dc.MoveTo(m_x + P(x1), P(y1));
      m_dc.LineTo(m_x + P(x2), P(y2));
    }
    m_dc.SetPenColor(C(c), std::max(1, P(width)));
    m_dc.MoveTo(m_x + P(x1), P(y1));
    m_dc.LineTo(m_x + P(x2), P(y2));
  }
  void Disc(int cx, int cy, int r, COLORREF c) {
    if (Light(c) && !m_disabled) {
      m_dc.SetNullPen();
      m_dc.SetBrushColor(kEdge);
      m_dc.Ellipse(m_x + P(cx - r) - 1, P(cy - r) - 1, m_x + P(cx + r) + 2, P(cy + r) + 2);
    }
    m_dc.SetNullPen();
    m_dc.SetBrushColor(C(c));
    m_dc.Ellipse(m_x + P(cx - r), P(cy - r), m_x + P(cx + r) + 1, P(cy + r) + 1);
  }
  void Ring(int left, int top, int right, int bottom, COLORREF c, int width = 2) {
    m_dc.SetNullBrush();
    m_dc.SetPenColor(C(c), std::max(1, P(width)));
    m_dc.Ellipse(m_x + P(left), P(top), m_x + P(right), P(bottom));
  }
  void Box(int left, int top, int right, int bottom, COLORREF c) {
    m_dc.FillSolidRect(m_x + P(left), P(top), std::max(1, P(right - left)), std::max(1, P(bottom - top)), C(c));
  }
  void Frame(int left, int top, int right, int bottom, COLORREF c, int width = 2) {
    Line(left, top, right, top, c, width);
    Line(right, top, right, bottom, c, width);
    Line(right, bottom, left, bottom, c, width);
    Line(left, bottom, left, top, c, width);
  }
  // Letters on a dark plate: their smoothed edges blend into it, never into
  // the transparent colour.
  void Text(const char* text, int top, int bottom, COLORREF c, int pixels) {
    const int h = std::max(7, P(pixels));
    const int mid = (P(top) + P(bottom)) / 2;
    m_dc.FillSolidRect(m_x + P(2), mid - h / 2 - 1, m_size - P(4), h + 3, C(kPlate));
    m_dc.SetTextColor(C(c));
    m_dc.SetBkMode(TRANSPARENT);
    m_dc.SelectFont("DejaVu Sans", std::max(7, P(pixels)), 700);
    RECT box{m_x, P(top), m_x + m_size, P(bottom)};
    m_dc.DrawCenteredText(&box, text);
  }
  // A small four-pointed star.
  void Star(int cx, int cy, int r, COLORREF c) {
    Line(cx - r, cy, cx + r, cy, c);
    Line(cx, cy - r, cx, cy + r, c);
    Disc(cx, cy, 1, c);
  }

 private:
  CDC& m_dc;
  int m_x, m_size;
  bool m_disabled;
};

constexpr COLORREF kWhite = RGB(245, 245, 245);
constexpr COLORREF kPale = RGB(170, 200, 255);
constexpr COLORREF kYellow = RGB(250, 210, 70);
constexpr COLORREF kOrange = RGB(240, 140, 50);
constexpr COLORREF kGreen = RGB(80, 190, 90);
constexpr COLORREF kCyan = RGB(70, 210, 220);
constexpr COLORREF kRed = RGB(230, 50, 40);
constexpr COLORREF kBrown = RGB(170, 130, 90);
constexpr COLORREF kBlue = RGB(60, 120, 230);
constexpr COLORREF kDark = RGB(40, 40, 60);

// Three name strokes under a picture: a label.
void LabelLines(Pictogram& g, COLORREF c) {
  g.Line(10, 16, 20, 16, c);
  g.Line(10, 20, 17, 20, c);
}

void DrawPictogram(Pictogram& g, UINT id) {
  switch (id) {
    case 57601:  // open: a folder
      g.Box(2, 7, 20, 18, kYellow);
      g.Box(2, 5, 9, 8, kYellow);
      g.Frame(2, 7, 20, 18, kBrown, 1);
      break;
    case 57604:  // save as: a disk
      g.Box(3, 3, 19, 19, kBlue);
      g.Box(6, 3, 16, 9, kWhite);
      g.Box(6, 13, 16, 19, kDark);
      break;
    case 291:  // print: a printer
      g.Box(6, 2, 16, 8, kWhite);
      g.Box(2, 8, 20, 16, RGB(120, 120, 130));
      g.Box(6, 14, 16, 20, kWhite);
      break;
    case 57664:  // about
      g.Disc(11, 11, 9, kBlue);
      g.Text("i", 2, 20, kWhite, 14);
      break;
    case 57669:  // context help
      g.Disc(11, 11, 9, kGreen);
      g.Text("?", 2, 20, kWhite, 14);
      break;
    case 32771:  // time and place: a clock
      g.Disc(11, 11, 9, kWhite);
      g.Ring(2, 2, 21, 21, kDark, 2);
      g.Line(11, 11, 11, 5, kDark);
      g.Line(11, 11, 16, 13, kDark);
      break;
    case 172: g.Line(16, 4, 6, 11, kPale, 3); g.Line(6, 11, 16, 18, kPale, 3); break;
    case 173: g.Line(6, 4, 16, 11, kPale, 3); g.Line(16, 11, 6, 18, kPale, 3); break;
    case 174: g.Line(4, 15, 11, 5, kPale, 3); g.Line(11, 5, 18, 15, kPale, 3); break;
    case 175: g.Line(4, 7, 11, 17, kPale, 3); g.Line(11, 17, 18, 7, kPale, 3); break;
    case 176:  // zoom in: a lens with a plus
      g.Ring(2, 2, 15, 15, kWhite, 2);
      g.Line(13, 13, 20, 20, kBrown, 3);
      g.Line(5, 8, 12, 8, kGreen);
      g.Line(8, 5, 8, 12, kGreen);
      break;
    case 177:
      g.Ring(2, 2, 15, 15, kWhite, 2);
      g.Line(13, 13, 20, 20, kBrown, 3);
      g.Line(5, 8, 12, 8, kRed);
      break;
    case 178:
      g.Ring(2, 2, 15, 15, kWhite, 2);
      g.Line(13, 13, 20, 20, kBrown, 3);
      g.Text("1", 2, 15, kWhite, 9);
      break;
    case 168: g.Text("N", 0, 22, kPale, 15); break;
    case 170: g.Text("E", 0, 22, kPale, 15); break;
    case 167: g.Text("S", 0, 22, kPale, 15); break;
    case 169: g.Text("W", 0, 22, kPale, 15); break;
    case 171:  // zenith: an arrow straight up from the horizon
      g.Line(2, 19, 20, 19, kGreen);
      g.Line(11, 17, 11, 3, kPale, 3);
      g.Line(6, 8, 11, 3, kPale, 3);
      g.Line(16, 8, 11, 3, kPale, 3);
      break;
    case 309:  // invert: two mirrored triangles
      g.Line(10, 4, 10, 18, kWhite, 1);
      g.Line(3, 11, 8, 5, kCyan); g.Line(8, 5, 8, 17, kCyan); g.Line(8, 17, 3, 11, kCyan);
      g.Line(19, 11, 12, 5, kOrange); g.Line(12, 5, 12, 17, kOrange); g.Line(12, 17, 19, 11, kOrange);
      break;
    case 32810:  // animation parameters: a stopwatch
      g.Ring(3, 4, 20, 21, kWhite, 2);
      g.Line(9, 2, 14, 2, kWhite);
      g.Line(11, 12, 11, 7, kOrange);
      g.Line(11, 12, 15, 12, kOrange);
      break;
    case 32836:  // backward
      g.Line(18, 4, 11, 11, kOrange, 3); g.Line(11, 11, 18, 18, kOrange, 3);
      g.Line(11, 4, 4, 11, kOrange, 3); g.Line(4, 11, 11, 18, kOrange, 3);
      break;
    case 32837: g.Box(5, 5, 17, 17, kRed); break;  // stop
    case 32817:  // forward
      g.Line(4, 4, 11, 11, kGreen, 3); g.Line(11, 11, 4, 18, kGreen, 3);
      g.Line(11, 4, 18, 11, kGreen, 3); g.Line(18, 11, 11, 18, kGreen, 3);
      break;
    case 32827:  // look in a direction: a target
      g.Ring(3, 3, 20, 20, kPale, 2);
      g.Line(11, 1, 11, 21, kPale, 1);
      g.Line(1, 11, 21, 11, kPale, 1);
      g.Disc(11, 11, 2, kRed);
      break;
    case 32867:  // eyepiece field: a field circle with a star
      g.Ring(2, 2, 21, 21, kWhite, 2);
      g.Star(11, 11, 4, kYellow);
      break;
    case 32828:  // ephemeris: a table
      g.Box(3, 2, 19, 20, kWhite);
      for (int y = 6; y <= 16; y += 5) g.Line(5, y, 17, y, kDark, 1);
      g.Line(10, 4, 10, 18, kDark, 1);
      break;
    case 32829:  // last result: a page of text
      g.Box(4, 2, 18, 20, kWhite);
      for (int y = 6; y <= 16; y += 3) g.Line(6, y, 16, y, kBlue, 1);
      break;
    case 32813:  // find: a lens over a star
      g.Star(8, 8, 4, kYellow);
      g.Ring(2, 2, 15, 15, kWhite, 2);
      g.Line(13, 13, 20, 20, kBrown, 3);
      break;
    case 32842:  // sky survey: a photograph of stars
      g.Box(2, 4, 20, 18, kDark);
      g.Frame(2, 4, 20, 18, kWhite, 1);
      g.Star(8, 9, 2, kWhite);
      g.Disc(15, 14, 1, kWhite);
      g.Disc(14, 7, 1, kPale);
      break;
    case 32881:  // telescope: a tube on a tripod
      g.Line(3, 12, 17, 4, kWhite, 4);
      g.Line(10, 9, 6, 20, kBrown, 2);
      g.Line(10, 9, 14, 20, kBrown, 2);
      break;
    case 32915:  // mode: the Sun and a planet on its orbit
      g.Ring(2, 6, 21, 17, kPale, 1);
      g.Disc(11, 11, 4, kYellow);
      g.Disc(18, 8, 2, kBlue);
      break;
    case 32832:  // fonts and colours
      g.Text("A", 0, 16, kWhite, 14);
      g.Box(3, 17, 9, 21, kRed);
      g.Box(9, 17, 15, 21, kGreen);
      g.Box(15, 17, 20, 21, kBlue);
      break;
    case 32822:  // configuration: a gear
      g.Disc(11, 11, 7, RGB(180, 180, 190));
      for (int i = 0; i < 4; ++i) {
        static const int d[4][4] = {{11, 1, 11, 21}, {1, 11, 21, 11}, {4, 4, 18, 18}, {18, 4, 4, 18}};
        g.Line(d[i][0], d[i][1], d[i][2], d[i][3], RGB(180, 180, 190), 3);
      }
      g.Disc(11, 11, 3, kDark);
      break;
    case 32858:  // constellation figures: stars joined by lines
      g.Line(3, 16, 8, 6, kPale); g.Line(8, 6, 14, 10, kPale); g.Line(14, 10, 19, 4, kPale);
      g.Line(14, 10, 17, 18, kPale);
      for (const auto& p : {std::pair{3, 16}, {8, 6}, {14, 10}, {19, 4}, {17, 18}}) g.Disc(p.first, p.second, 2, kWhite);
      break;
    case 162:  // constellation names: a short figure over a name
      g.Line(3, 8, 9, 3, kPale); g.Line(9, 3, 15, 7, kPale);
      g.Disc(3, 8, 2, kWhite); g.Disc(9, 3, 2, kWhite); g.Disc(15, 7, 2, kWhite);
      g.Text("Ab", 10, 22, kPale, 10);
      break;
    case 32861:  // star names: a star and a Greek letter
      g.Star(6, 7, 5, kYellow);
      g.Text("a", 8, 22, kWhite, 12);
      break;
    case 32870:  // planet names: a planet and a label
      g.Disc(6, 7, 5, kOrange);
      LabelLines(g, kWhite);
      break;
    case 32786:  // probe and satellite names: a satellite and a label
      g.Box(4, 4, 9, 9, kWhite);
      g.Line(1, 6, 12, 6, kBlue, 2);
      LabelLines(g, kWhite);
      break;
    case 157:  // deep-sky objects: a galaxy
      g.Ring(1, 6, 21, 16, RGB(190, 150, 230), 2);
      g.Ring(6, 8, 16, 14, RGB(220, 200, 250), 2);
      g.Disc(11, 11, 2, kWhite);
      break;
    case 180:  // deep-sky names
      g.Ring(1, 3, 13, 11, RGB(190, 150, 230), 2);
      g.Disc(7, 7, 1, kWhite);
      LabelLines(g, kWhite);
      break;
    case 218:  // comets: a head and its tail
      g.Line(12, 10, 2, 20, kCyan, 3);
      g.Line(14, 12, 6, 21, kCyan, 1);
      g.Line(10, 8, 1, 15, kCyan, 1);
      g.Disc(15, 7, 4, kWhite);
      break;
    case 32812:  // asteroids: lumpy rocks
      g.Disc(9, 11, 6, kBrown);
      g.Disc(13, 9, 5, kBrown);
      g.Disc(17, 17, 3, kBrown);
      g.Disc(8, 9, 1, kDark);
      break;
    case 221:  // Milky Way: a diagonal band of stars
      g.Line(2, 18, 18, 2, RGB(120, 130, 170), 7);
      for (const auto& p : {std::pair{5, 16}, {9, 11}, {13, 9}, {16, 4}, {11, 15}, {7, 8}}) g.Disc(p.first, p.second, 1, kWhite);
      break;
    case 160:  // landscape: hills under the sky
      g.Disc(7, 22, 9, kGreen);
      g.Disc(17, 23, 8, RGB(60, 150, 70));
      g.Disc(17, 5, 2, kYellow);
      break;
    case 222:  // natural sky colour: day above, night below
      g.Box(2, 2, 20, 8, RGB(90, 160, 240));
      g.Box(2, 8, 20, 14, RGB(40, 80, 170));
      g.Box(2, 14, 20, 20, RGB(15, 20, 60));
      g.Disc(15, 17, 1, kWhite);
      break;
    case 5008:  // atmospheres and clouds: a planet in its air
      g.Ring(1, 1, 22, 22, RGB(140, 200, 255), 2);
      g.Disc(11, 11, 7, kBlue);
      g.Line(6, 9, 12, 9, kWhite, 2);
      g.Line(10, 14, 16, 14, kWhite, 2);
      break;
    case 161:  // coordinates rule: a ruler
      g.Box(2, 8, 20, 15, kYellow);
      for (int x = 4; x <= 18; x += 3) g.Line(x, 8, x, x % 2 ? 11 : 12, kDark, 1);
      break;
    case 163:  // grids
      for (int v = 3; v <= 19; v += 8) {
        g.Line(v, 2, v, 20, RGB(120, 200, 120), 1);
        g.Line(2, v, 20, v, RGB(120, 200, 120), 1);
      }
      g.Ring(2, 2, 21, 21, RGB(120, 200, 120), 1);
      break;
    case 158:  // ecliptic and equator: two great circles crossing
      g.Line(1, 14, 21, 8, kYellow, 2);
      g.Line(1, 8, 21, 14, kCyan, 2);
      break;
    case 295:  // orbits: a planet on its ellipse round the Sun
      g.Ring(1, 5, 21, 17, kPale, 1);
      g.Disc(11, 11, 3, kYellow);
      g.Disc(4, 14, 2, kOrange);
      break;
    case 32875:  // night vision: a red eye
      g.Ring(2, 6, 21, 17, kRed, 2);
      g.Disc(11, 11, 4, kRed);
      g.Disc(11, 11, 1, RGB(40, 0, 0));
      break;
    case 32916:  // full screen: four corners
      g.Line(2, 2, 7, 2, kWhite); g.Line(2, 2, 2, 7, kWhite);
      g.Line(14, 2, 19, 2, kWhite); g.Line(19, 2, 19, 7, kWhite);
      g.Line(2, 19, 7, 19, kWhite); g.Line(2, 14, 2, 19, kWhite);
      g.Line(14, 19, 19, 19, kWhite); g.Line(19, 14, 19, 19, kWhite);
      break;
    default:
      g.Disc(11, 11, 8, RGB(120, 120, 120));
      break;
  }
}

void PaintStrip(CDC& dc, int width, int height, UINT toolBarId, bool disabled) {
  dc.FillSolidRect(0, 0, width, height, kKey);
  const ToolBarResource* bar = nullptr;
  for (size_t i = 0; i < kToolBarCount; ++i)
    if (kToolBars[i].id == toolBarId) bar = &kToolBars[i];
  if (!bar) return;
  const int size = std::min(static_cast<int>(bar->buttonWidth), height);
  int x = 0;
  for (size_t i = 0; i < bar->count; ++i) {
    UINT id = bar->buttons[i];
    if (id == 0) continue;
    Pictogram g(dc, x, size, disabled);
    DrawPictogram(g, id);
    x += bar->buttonWidth;
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

namespace {

// Standard actions take the desktop theme's icons.
const ToolBarThemeIcon kThemeIcons[] = {
    {57601, "document-open"},    {57604, "document-save-as"},     {291, "document-print"},
    {57664, "help-about"},       {57669, "help-contents"},        {172, "go-previous"},
    {173, "go-next"},            {174, "go-up"},                  {175, "go-down"},
    {176, "zoom-in"},            {177, "zoom-out"},               {178, "zoom-original"},
    {309, "object-flip-horizontal"}, {32836, "media-seek-backward"}, {32837, "media-playback-stop"},
    {32817, "media-playback-start"}, {32813, "edit-find"},       {32822, "preferences-system"},
    {32916, "view-fullscreen"},
};

}  // namespace

void RegisterNuvarineResources() {
  AfxRegisterToolBarThemeIcons(kThemeIcons, sizeof(kThemeIcons) / sizeof(kThemeIcons[0]));
  AfxRegisterStrings(kStringTable, kStringTableCount);
  AfxRegisterMenu(IDR_MAINFRAME, kMainMenu, kMainMenuCount);
  AfxRegisterToolBars(kToolBars, kToolBarCount);
  AfxRegisterDialogs(kDialogTemplates, kDialogTemplateCount);
  AfxRegisterBitmaps(kBitmaps, kBitmapCount);
  RegisterInfoResources();
  RegisterOptionsResources();
  RegisterSetupResources();
  RegisterCalendarResources();
}
