#include "AboutDialog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "UiDefs.h"

namespace {

constexpr int kCreditsControl = 1122;
constexpr COLORREF kLightGrey = RGB(192, 192, 192);

}  // namespace

// ---- The scrolling control ----------------------------------------------------------

CCreditsStatic::CCreditsStatic()
    : m_colors{RGB(0, 0, 0), RGB(255, 100, 100), RGB(150, 150, 150), RGB(100, 100, 255), RGB(255, 255, 255)},
      m_fontHeights{21, 19, 17, 15},
      m_typeCodes{'\t', '\n', '\f', '^'},
      m_tickIntervals{70, 40, 10} {}

CCreditsStatic::~CCreditsStatic() { StopScrolling(); }

void CCreditsStatic::SetColor(int index, COLORREF color) {
  if (index >= 0 && index < 5) m_colors[index] = color;
}

void CCreditsStatic::SetFontHeight(int index, int height) {
  if (index >= 0 && index < 4 && height > 0) m_fontHeights[index] = height;
}

void CCreditsStatic::SetTypeCode(int index, char code) {
  if (index >= 0 && index < 4) m_typeCodes[index] = code;
}

void CCreditsStatic::SetSpeed(int level, int intervalMs) {
  if (level < 0 || level > 2) return;
  if (intervalMs != 0) m_tickIntervals[level] = intervalMs;
  m_speed = level;
}

void CCreditsStatic::SetGradient(int mode) { m_gradient = std::clamp(mode, 0, 4); }
void CCreditsStatic::SetTransparent(bool transparent) { m_transparent = transparent; }

BOOL CCreditsStatic::SetBackgroundBitmap(UINT bitmapId) {
  m_background.DeleteObject();
  if (!m_background.LoadBitmap(bitmapId)) return FALSE;
  BITMAP info;
  m_background.GetBitmap(&info);
  m_backgroundWidth = info.bmWidth;
  m_backgroundHeight = info.bmHeight;
  return TRUE;
}

void CCreditsStatic::SetCredits(const CString& text, char separator) {
  m_lines.clear();
  const std::string s = text.c_str();
  size_t start = 0;
  for (;;) {
    const size_t end = s.find(separator, start);
    m_lines.emplace_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start).c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
  m_firstPass = true;
  m_textWidth = 0;
  ResetScrolling();
}

void CCreditsStatic::SetCreditsFromResource(UINT stringId, char separator) {
  CString text;
  if (AfxLoadString(stringId, text)) SetCredits(text, separator);
}

void CCreditsStatic::ResetScrolling() {
  m_nextLine = 0;
  m_stepCounter = 1;
  m_scrolled = 0;
}

BOOL CCreditsStatic::StartScrolling() {
  if (m_lines.empty()) return FALSE;
  m_offscreen.DeleteObject();
  SetTimer(kScrollTimer, static_cast<UINT>(m_tickIntervals[m_speed]));
  m_timer = static_cast<int>(kScrollTimer);
  ResetScrolling();
  return TRUE;
}

void CCreditsStatic::StopScrolling() {
  KillTimer(kScrollTimer);
  m_timer = 0;
  m_offscreen.DeleteObject();
}

void CCreditsStatic::OnDestroy() {
  StopScrolling();
  m_lines.clear();
}

CCreditsStatic::Style CCreditsStatic::StyleOf(const CString& line) const {
  const char last = line.IsEmpty() ? '\0' : line[line.GetLength() - 1];
  const CString body = line.IsEmpty() ? line : CString(line.substr(0, line.size() - 1).c_str());
  if (!line.IsEmpty()) {
    if (last == m_typeCodes[1]) return {Kind::B, body, m_fontHeights[1], m_colors[2], true};
    if (last == m_typeCodes[2]) return {Kind::C, body, m_fontHeights[2], m_colors[3], true};
    if (last == m_typeCodes[0]) return {Kind::A, body, m_fontHeights[0], m_colors[1], true};
    if (last == m_typeCodes[3]) return {Kind::Picture, body, 0, 0, false};
  }
  return {Kind::Normal, line, m_fontHeights[3], m_colors[4], false};
}

void CCreditsStatic::FillBackground(CDC& dc, int width, int top, int bottom) const {
  if (bottom <= top || width <= 0) return;
  // Behind a tiled picture the text goes on light grey, made transparent when shown.
  if (m_background.HasBitmap()) return dc.FillSolidRect(0, top, width, bottom - top, kLightGrey);
  const COLORREF base = m_colors[0];
  if (m_gradient == 0) return dc.FillSolidRect(0, top, width, bottom - top, base);
  for (int i = 0; i < 256; ++i) {
    const int left = i * width / 256, right = (i + 1) * width / 256;
    if (right <= left) continue;
    auto channel = [this, i](int c) {
      switch (m_gradient) {
        case 1: return c - i * c / 255;
        case 2: return c + i * (255 - c) / 255;
        case 3: return i * c / 255;
        default: return 255 - i * (255 - c) / 255;
      }
    };
    dc.FillSolidRect(left, top, right - left, bottom - top,
                     RGB(channel(GetRValue(base)), channel(GetGValue(base)), channel(GetBValue(base))));
  }
}

void CCreditsStatic::DrawLine(CDC& dc, const Style& style, int width, int top) {
  if (style.kind == Kind::Picture) {
    if (!m_picture.HasBitmap()) return;
    const int x = (width - m_pictureWidth) / 2;
    if (m_transparent || m_background.HasBitmap())
      dc.DrawTransparentBitmap(x, top, m_picture, kLightGrey);
    else
      dc.DrawBitmap(x, top, m_picture);
    return;
  }
  if (style.text.IsEmpty()) return;
  dc.SelectFont("Arial", style.height, style.bold ? 700 : 100);
  dc.SetTextColor(style.color);
  dc.SetBkMode(TRANSPARENT);
  // The text band: the widest line measured, centred in the control.
  const int band = m_textWidth > 0 ? std::min(m_textWidth, width) : width;
  RECT r{(width - band) / 2, top, (width - band) / 2 + band, top + style.height};
  dc.DrawCenteredText(&r, style.text.c_str());
}

void CCreditsStatic::Step() {
  RECT client;
  GetClientRect(&client);
  const int width = client.right, height = client.bottom;
  bool newLine = false;
  if (!m_pictureInProgress) {
    const int before = m_stepCounter++;
    if (m_lineHeight <= 0 || before % m_lineHeight == 0) {
      m_stepCounter = 1;
      if (m_nextLine >= m_lines.size()) m_nextLine = 0;
      if (!m_lines.empty()) m_currentLine = m_lines[m_nextLine++];
      if (m_nextLine >= m_lines.size()) {
        m_nextLine = 0;
        m_firstPass = false;
      }
      m_scrolled = 0;
      newLine = true;
    }
  }
  const Style style = StyleOf(m_currentLine);
  if (newLine) {
    if (style.kind == Kind::Picture) {
      m_picture.DeleteObject();
      const UINT id = static_cast<UINT>(std::strtoul(style.text.c_str(), nullptr, 10));
      if (m_picture.LoadBitmap(id)) {
        BITMAP info;
        m_picture.GetBitmap(&info);
        m_pictureWidth = info.bmWidth;
        m_pictureHeight = info.bmHeight;
        m_pictureInProgress = m_pictureHeight > 0;
      }
    } else {
      m_lineHeight = style.height;
      if (width > 0 && !style.text.IsEmpty()) {
        CDC measure(&m_offscreen);
        measure.SelectFont("Arial", style.height, style.bold ? 700 : 100);
        const int w = measure.GetTextExtent(style.text.c_str()).cx;
        m_textWidth = std::min(std::max(m_textWidth, w), width);
      }
    }
  }
  ++m_scrolled;
  if (width > 0 && height > 0) {
    BITMAP info;
    if (!m_offscreen.GetBitmap(&info) || info.bmWidth != width || info.bmHeight != height) {
      m_offscreen.CreateBitmap(width, height);
      CDC fresh(&m_offscreen);
      FillBackground(fresh, width, 0, height);
    }
    CDC dc(&m_offscreen);
    // Up by one pixel; the part of the current line that has come in is drawn below.
    dc.BitBlt(0, 0, width, height + m_step, m_offscreen, 0, -m_step);
    const int top = height - m_scrolled;
    FillBackground(dc, width, std::max(top, 0), height);
    DrawLine(dc, style, width, top);
  }
  if (m_pictureInProgress && m_scrolled >= m_pictureHeight) {
    m_picture.DeleteObject();
    m_pictureInProgress = false;
    m_currentLine.Empty();
    m_stepCounter = 1;
  }
  Invalidate(FALSE);
}

void CCreditsStatic::OnTimer(UINT_PTR id) {
  if (id != kScrollTimer) return CStatic::OnTimer(id);
  Step();
}

BOOL CCreditsStatic::OnEraseBkgnd(CDC*) { return TRUE; }

void CCreditsStatic::DrawStill(int width, int height) {
  m_offscreen.CreateBitmap(width, height);
  CDC dc(&m_offscreen);
  FillBackground(dc, width, 0, height);
  int top = 0;
  for (const CString& line : m_lines) {
    if (top >= height) break;
    const Style style = StyleOf(line);
    if (style.kind == Kind::Picture) {
      const UINT id = static_cast<UINT>(std::strtoul(style.text.c_str(), nullptr, 10));
      m_picture.DeleteObject();
      if (!m_picture.LoadBitmap(id)) continue;
      BITMAP info;
      m_picture.GetBitmap(&info);
      m_pictureWidth = info.bmWidth;
      DrawLine(dc, style, width, top);
      top += info.bmHeight;
      m_picture.DeleteObject();
    } else if (style.text.IsEmpty()) {
      dc.SelectFont("Arial", style.height, 100);
      top += dc.GetTextExtent("W").cy;
    } else {
      DrawLine(dc, style, width, top);
      top += style.height;
    }
  }
}

void CCreditsStatic::CopyToScreen(CDC& dc, int width, int height) const {
  if (!m_background.HasBitmap()) return dc.DrawBitmap(0, 0, m_offscreen);
  for (int y = 0; y < height; y += m_backgroundHeight)
    for (int x = 0; x < width; x += m_backgroundWidth) dc.DrawBitmap(x, y, m_background);
  dc.DrawTransparentBitmap(0, 0, m_offscreen, kLightGrey);
}

void CCreditsStatic::OnPaint() {
  CPaintDC dc(this);
  RECT client;
  GetClientRect(&client);
  if (client.right <= 0 || client.bottom <= 0) return;
  // While scrolling each step draws the picture and asks for this paint,
  // which shows it as it is; a still control draws its lines once.
  if (!m_timer) {
    BITMAP info;
    if (!m_offscreen.GetBitmap(&info) || info.bmWidth != client.right || info.bmHeight != client.bottom)
      DrawStill(client.right, client.bottom);
  } else if (!m_offscreen.HasBitmap()) {
    m_offscreen.CreateBitmap(client.right, client.bottom);
    CDC fresh(&m_offscreen);
    FillBackground(fresh, client.right, 0, client.bottom);
  }
  CopyToScreen(dc, client.right, client.bottom);
}

// ---- The box ---------------------------------------------------------------------------

CAboutDialog::CAboutDialog(CWnd* parent) : CDialog(IDD, parent) {}

INT_PTR CAboutDialog::DoModal() {
  SetTemplateFont(AfxScreenPixelsPerInchY() == 120 ? 10 : 8);
  return CDialog::DoModal();
}

CString CAboutDialog::CreditsText(const CString& version, const CString& privateBuild, const CString& specialBuild) {
  // Tab ends a title (type A), line feed a heading (B), form feed a subheading (C).
  std::string t = "Nuvarine 2\t|Version " + std::string(version.c_str()) + "\n|";
  if (!privateBuild.IsEmpty()) t += std::string(privateBuild.c_str()) + "|";
  if (!specialBuild.IsEmpty()) t += std::string(specialBuild.c_str()) + "|";
  t +=
      "Planetarium and|solar system||"
      "Data\n|"
      "Stars\f|ESA Hipparcos and Tycho-2,|from Stellarium's catalogues|(GPL 2 or later)||"
      "Deep-sky objects\f|Stellarium's catalogue|(GPL 2 or later)||"
      "Constellations\f|Stellarium's western sky|culture, IAU boundaries||"
      "Places and Earth map\f|Stellarium (GPL 2 or later)||"
      "Planet and moon maps\f|NASA, JPL, USGS,|Bj\xF6rn J\xF3nsson, Celestia,|John van Vliet,|"
      "from Stellarium's textures|Earth: NASA Blue Marble||"
      "Milky Way\f|panorama \xA9 Axel Mellinger,|used with permission||"
      "Comets and asteroids\f|NASA/JPL Small-Body|Database, from KStars' data|(GPL 2 or later)||"
      "Libraries\n|"
      "Qt 6 (LGPL 3)|libnova (LGPL 2)|libcurl (curl licence)|libpng, zlib|SimpleIni (MIT)||"
      "This software is based|in part on the work of|the Independent JPEG Group.|||";
  return CString(t.c_str());
}

BOOL CAboutDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_credits.SubclassDlgItem(kCreditsControl, this);
  m_credits.SetCredits(CreditsText(m_version, m_privateBuild, m_specialBuild), '|');
  m_credits.SetSpeed(1);
  m_credits.StartScrolling();
  return TRUE;
}
