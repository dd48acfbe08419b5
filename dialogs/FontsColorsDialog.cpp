// The fonts and colours dialog.
#include "FontsColorsDialog.h"

COLORREF g_customColors[16] = {};

namespace {

constexpr int kColourList = 1119, kFontList = 1093, kTabControl = 1113, kByDefault = 1068;
constexpr COLORREF kWhite = 0x00FFFFFF;

using C = CFontsColorsDialog;
// Colour list entries: text and member.
struct ListEntry {
  UINT text;
  int member;
};
constexpr ListEntry kColourEntries[C::kColourCount] = {
    {502, C::kStarNames}, {503, C::kPlanetNames}, {504, C::kDeepSkyNames}, {505, C::kConstellationNames},
    {506, C::kRule},      {507, C::kEcliptic},    {508, C::kEquator},      {509, C::kComets},
    {510, C::kAsteroids}, {511, C::kFigures},     {512, C::kBorders},      {513, C::kGrids},
    {3300, C::kHorizon},  {514, C::kOrbits},      {515, C::kProbes}};
// Font list entries: text and member (members in the view's kind order 0, 1,
// 2, 4, 3, 5, 6, 7, 8, 10, 11).
constexpr ListEntry kFontEntries[C::kFontCount] = {{502, 0}, {503, 2}, {504, 1}, {505, 3}, {506, 4}, {507, 5},
                                               {508, 6}, {509, 7}, {510, 8}, {513, 9}, {516, 10}};
// Custom colours 0 to 14 of the picker.
constexpr int kCustomOrder[15] = {C::kBorders,      C::kFigures,  C::kStarNames, C::kDeepSkyNames, C::kPlanetNames,
                                  C::kRule,         C::kConstellationNames, C::kEquator, C::kEcliptic,
                                  C::kComets,       C::kAsteroids, C::kGrids,    C::kHorizon,      C::kOrbits,
                                  C::kProbes};

}  // namespace

void CFontsColorsTabCtrl::OnLButtonDown(UINT, CPoint) {
  if (auto* dialog = dynamic_cast<CFontsColorsDialog*>(m_owner)) dialog->ShowList(GetCurFocus());
}

CFontsColorsDialog::CFontsColorsDialog() : CDialog(IDD_FONTS_COLORS) {
  m_tabs.m_owner = this;
  MapNotify(kColourList, LBN_DBLCLK, [this](int) { OnColourEntry(); });
  MapNotify(kFontList, LBN_DBLCLK, [this](int) { OnFontEntry(); });
  MapCommand(kByDefault, [this] {
    m_restoreDefaults = true;
    OnOK();
  });
}

void CFontsColorsDialog::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kTabControl, m_tabs); }

BOOL CFontsColorsDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_restoreDefaults = false;
  // The custom colours start from the current label colours each time.
  for (COLORREF& c : g_customColors) c = kWhite;
  for (int i = 0; i < 15; ++i) g_customColors[i] = m_colors[kCustomOrder[i]];
  m_tabs.InsertItem(0, AfxString(500).c_str());
  m_tabs.InsertItem(1, AfxString(501).c_str());
  for (const ListEntry& e : kColourEntries) AfxAddListString(this, kColourList, AfxString(e.text).c_str());
  for (const ListEntry& e : kFontEntries) AfxAddListString(this, kFontList, AfxString(e.text).c_str());
  ShowList(0);
  return TRUE;
}

void CFontsColorsDialog::ShowList(int tab) {
  if (tab != 0 && tab != 1) return;
  if (m_tabs.GetCurFocus() != tab) m_tabs.SetCurFocus(tab);
  if (CWnd* list = GetDlgItem(kColourList)) list->ShowWindow(tab == 0 ? SW_SHOW : SW_HIDE);
  if (CWnd* list = GetDlgItem(kFontList)) list->ShowWindow(tab == 1 ? SW_SHOW : SW_HIDE);
}

void CFontsColorsDialog::OnColourEntry() {
  const int index = AfxGetListCurSel(this, kColourList);
  if (index < 0 || index >= kColourCount) return;
  COLORREF& colour = m_colors[kColourEntries[index].member];
  COLORREF picked = colour;
  if (AfxChooseColor(picked, g_customColors, this)) colour = picked;
}

void CFontsColorsDialog::OnFontEntry() {
  const int index = AfxGetListCurSel(this, kFontList);
  if (index < 0 || index >= kFontCount) return;
  LOGFONT& font = m_fonts[kFontEntries[index].member];
  LOGFONT picked = font;
  if (AfxChooseFont(picked, this)) font = picked;
}
