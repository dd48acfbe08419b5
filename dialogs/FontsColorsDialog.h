#pragma once
// Fonts and colours of the sky map's labels and lines: two lists on two tabs;
// a double click opens the system picker for the entry.
#include "Dialog.h"

constexpr UINT IDD_FONTS_COLORS = 5001;

// The colour picker's custom colours, kept for the whole run.
extern COLORREF g_customColors[16];

class CFontsColorsTabCtrl : public CTabCtrl {
 public:
  void OnLButtonDown(UINT flags, CPoint point) override;
  CDialog* m_owner = nullptr;
};

class CFontsColorsDialog : public CDialog {
 public:
  // Colour members in the order the view fills them.
  enum Colour {
    kBorders, kFigures, kConstellationNames, kDeepSkyNames, kStarNames, kPlanetNames, kRule, kEcliptic, kEquator,
    kComets, kAsteroids, kGrids, kHorizon, kOrbits, kProbes, kColourCount
  };
  // Font members: the view's label kinds 0, 1, 2, 4, 3, 5, 6, 7, 8, 10, 11.
  static constexpr int kFontCount = 11;

  CFontsColorsDialog();
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // Shows the colour list (tab 0) or the font list (tab 1).
  void ShowList(int tab);
  // The picker of the list's current entry (double click).
  void OnColourEntry();
  void OnFontEntry();

  COLORREF m_colors[kColourCount] = {};
  LOGFONT m_fonts[kFontCount];
  bool m_restoreDefaults = false;
  CFontsColorsTabCtrl m_tabs;
};
