#include "TipsDialog.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "UiDefs.h"

namespace {

constexpr int kTextControl = 1001;
constexpr int kChoiceList = 1000;

// CP1252: 0x91/0x92 single quotes, 0x93 opening double quote.
const char* const kTips[CTipsDialog::kTipCount] = {
    "In the solar system mode, moving the mouse while keeping the left button depressed causes the observer to "
    "swivel around his own axis. This way you can look to the left or the right of an object, look up, down...",
    "In the solar system mode, when the program is locked onto an object, the observer will turn around this "
    "object by keeping the right button depressed. In this way it is possible to observe it from all angles.",
    "In the solar system mode, use the mouse wheel to retreat from or to advance closer to an object.",
    "In the solar system mode, To unlock an object, click the ESC key. The \x93locked on\x92\x92 message will "
    "disappear when you do so.",
    "The keys \x91" "0\x92 and \x91.\x92 on the numeric keypad allow you to speed up or slow down (by a factor of "
    "2) an animation.",
    "In the planetarium mode, by moving the mouse and keeping the left button depressed, the user tilts the "
    "celestial sphere. This effect is somewhat like moving our head up or down, looking left or right, a bit like "
    "if we were in a night time observation in the field.",
    "In the planetarium mode, when the pointer is aimed at an object, a double-click on the right button calls up "
    "a contextual menu offering you access to information, the option of following the object or to take a DSS "
    "photograph of the zone in which it is located.",
    "In the planetarium mode, a double click on the left button will place the object in the middle of the "
    "screen.",
    "In the planetarium mode, the centre wheel acts as a controller for zooming in or out.",
    "In the planetarium mode, the \x91z\x92 key resets the zoom to a value of 1 x",
    "In the solar system mode, by pressing both the left and right buttons while moving the mouse, you will make "
    "the image turn around an axis which passes through the centre of the screen.",
};

}  // namespace

// ---- The text control -------------------------------------------------------------

CTipStatic::CTipStatic() = default;

void CTipStatic::SetText(const CString& text) {
  for (CString& line : m_lines) line.Empty();
  m_lineCount = 0;
  int line = 0;
  int width = 0;
  bool used = false;
  const std::string s = text.c_str();
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i >= s.size()) break;
    size_t end = s.find(' ', i);
    if (end == std::string::npos) end = s.size();
    // A line holds 100 characters with its last blank: a longer word is cut.
    std::string word = s.substr(i, std::min(end - i, static_cast<size_t>(kLineCapacity - 1)));
    i = end;
    width += static_cast<int>(word.size()) + 1;
    if (width < m_maxLineWidth) {
      m_lines[line] += (word + " ").c_str();
      used = true;
    } else if (line < kLineCount - 1) {
      ++line;
      m_lines[line] = (word + " ").c_str();
      used = true;
      width = static_cast<int>(word.size()) + 1;
    }
  }
  m_lineCount = used ? line + 1 : 0;
  Invalidate(TRUE);
}

void CTipStatic::SetTitle(const CString& title) {
  m_title = title;
  Invalidate(TRUE);
}

void CTipStatic::SetMaxLineWidth(int width) {
  if (width < 1) return;
  m_maxLineWidth = std::min(width, kLineCapacity);
}

void CTipStatic::SetBandWidth(int width) { m_bandWidth = width; }
void CTipStatic::SetBandColor(COLORREF color) { m_bandColor = color; }
void CTipStatic::SetBackgroundColor(COLORREF color) { m_backgroundColor = color; }

void CTipStatic::SetIcon(UINT iconId) {
  m_iconId = iconId;
  m_icon.DeleteObject();
  Invalidate(TRUE);
}

BOOL CTipStatic::OnEraseBkgnd(CDC* pDC) {
  RECT r;
  GetClientRect(&r);
  pDC->FillSolidRect(&r, m_backgroundColor);
  return TRUE;
}

void CTipStatic::OnPaint() {
  CPaintDC dc(this);
  RECT r;
  GetClientRect(&r);
  dc.FillSolidRect(0, 0, m_bandWidth, r.bottom, m_bandColor);
  if (!m_icon.HasBitmap()) m_icon.LoadBitmap(m_iconId);
  // The icon's magenta pixels are its transparent ones.
  if (m_icon.HasBitmap()) dc.DrawTransparentBitmap(m_bandWidth / 2 - 16, 6, m_icon, RGB(255, 0, 255));
  dc.FillSolidRect(m_bandWidth, m_separatorTop, r.right - m_bandWidth, m_separatorThickness, m_bandColor);
  dc.SetBkMode(OPAQUE);
  dc.SetBkColor(m_backgroundColor);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.SelectFont("Times New Roman", 22, 700);
  dc.TextOut(m_bandWidth + 5, 5, m_title.c_str());
  dc.SelectFont("Arial", 16, 400);
  RECT clip{0, 0, r.right - 5, r.bottom};
  for (int i = 0; i < kLineCount; ++i)
    if (!m_lines[i].IsEmpty())
      dc.ExtTextOut(m_bandWidth + 5, m_separatorTop + m_separatorThickness + 16 * i + 5, ETO_CLIPPED, &clip,
                    m_lines[i].c_str());
}

// ---- The box ------------------------------------------------------------------------

CTipsDialog::CTipsDialog(CWnd* parent) : CDialog(IDD, parent) {}

const char* CTipsDialog::TipText(int n) { return kTips[((n % kTipCount) + kTipCount) % kTipCount]; }

void CTipsDialog::ShowTip(int n) {
  if (n < 0) return;
  m_tipStatic.SetText(TipText(n));
}

BOOL CTipsDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_tipStatic.SubclassDlgItem(kTextControl, this);
  const bool alert = !m_text.IsEmpty();
  AfxAddComboString(this, kChoiceList, AfxString(alert ? 52 : 50).c_str());
  AfxAddComboString(this, kChoiceList, AfxString(alert ? 53 : 51).c_str());
  CDataExchange dx(this, FALSE);
  int first = 0;
  DDX_CBIndex(&dx, kChoiceList, first);
  if (alert) {
    m_tipStatic.SetText(m_text);
    m_tipStatic.SetTitle(AfxString(55));
  } else {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    m_tipIndex = std::rand() % 32768;
    ShowTip(m_tipIndex);
    m_tipStatic.SetTitle(AfxString(54));
  }
  return TRUE;
}

void CTipsDialog::OnOK() {
  ++m_tipIndex;
  ShowTip(m_tipIndex);
}

void CTipsDialog::OnCancel() {
  CDataExchange dx(this, TRUE);
  DDX_CBIndex(&dx, kChoiceList, m_choice);
  EndDialog(IDCANCEL);
}
