// Dialog and report commands of the view: fonts and colours, the horizontal
// place of typed coordinates, the sidereal time and the catalogue summary.
#include <cmath>

#include "AnimationDialogs.h"
#include "Catalogues.h"
#include "FontsColorsDialog.h"
#include "Nuvarine2View.h"
#include "NumberFormat.h"
#include "SolarSystemTypes.h"

namespace {

// The label kinds the dialog shows, in its font order.
constexpr int kDialogFontKinds[CFontsColorsDialog::kFontCount] = {0, 1, 2, 4, 3, 5, 6, 7, 8, 10, 11};
// The kinds whose texture fonts are made again, in this order (kind 9 keeps its font).
constexpr int kRebuiltKinds[11] = {0, 1, 2, 4, 3, 6, 5, 7, 8, 10, 11};

}  // namespace

void CNuvarine2View::OnFontsAndColors() {
  CFontsColorsDialog dialog;
  COLORREF* colours[CFontsColorsDialog::kColourCount] = {
      &m_borderColor,    &m_figureColor,  &m_constellationNameColor, &m_deepSkyNameColor, &m_starNameColor,
      &m_planetNameColor, &m_ruleColor,   &m_eclipticColor,         &m_equatorColor,     &m_cometNameColor,
      &m_asteroidNameColor, &m_gridColor, &m_horizonLineColor,      &m_orbitLineColor,   &m_probeNameColor};
  for (int i = 0; i < CFontsColorsDialog::kColourCount; ++i) dialog.m_colors[i] = *colours[i];
  for (int i = 0; i < CFontsColorsDialog::kFontCount; ++i) dialog.m_fonts[i] = m_labelLogFonts[kDialogFontKinds[i]];
  if (RunDialog(dialog) != IDOK) return;
  if (dialog.m_restoreDefaults) {
    SetDefaultFonts();
  } else {
    for (int i = 0; i < CFontsColorsDialog::kColourCount; ++i) *colours[i] = dialog.m_colors[i];
    for (int i = 0; i < CFontsColorsDialog::kFontCount; ++i) m_labelLogFonts[kDialogFontKinds[i]] = dialog.m_fonts[i];
    // The symbols are drawn beside the star names, at their size.
    m_labelLogFonts[9].lfHeight = m_labelLogFonts[0].lfHeight;
  }
  for (int kind : kRebuiltKinds) RebuildLabelFont(kind);
}

void CNuvarine2View::OnHorizontalCoordinates() {
  CEnterCoordinatesDialog dialog;
  if (RunDialog(dialog) == IDCANCEL) return;
  double azimuth = 0.0, altitude = 0.0;
  EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, dialog.m_rightAscension * kPi / 180.0,
                         dialog.m_declination * kPi / 180.0);
  CString az, alt;
  FormatAngle(az, false, false, azimuth * 180.0 / kPi);
  FormatAngle(alt, false, false, altitude * 180.0 / kPi);
  const CString text = FormatC(AfxString(1031).c_str(), az.c_str(), alt.c_str()).c_str();
  ::MessageBox(GetSafeHwnd(), text.c_str(), AfxString(1027).c_str(), MB_OK);
}

CString CNuvarine2View::SiderealTimeText() {
  double ut = std::fmod(m_utFraction * 2.0 * kPi, 2.0 * kPi);
  if (ut < 0.0) ut += 2.0 * kPi;
  CString utText, stText;
  FormatTimeOfDay(utText, false, ut * 180.0 / kPi);
  FormatAngle(stText, true, false, m_localSiderealTime * 180.0 / kPi);
  std::string text = FormatC(AfxString(1033).c_str(), utText.c_str());
  text += FormatC(AfxString(1034).c_str(), stText.c_str());
  text += FormatC(AfxString(1035).c_str(), m_julianDate);
  return text.c_str();
}

void CNuvarine2View::OnSiderealTime() {
  UpdateSkyPositions();
  ::MessageBox(GetSafeHwnd(), SiderealTimeText().c_str(), AfxString(57344).c_str(), MB_OK);
}

CString CNuvarine2View::CatalogueSummaryText() const {
  std::string text = FormatC(AfxString(1057).c_str(), g_brightStarCount);
  text += FormatC(AfxString(1058).c_str(), g_deepSkyCount);
  if (m_sky2000Loaded) text += FormatC(AfxString(1052).c_str(), g_sky2000StarCount);
  if (m_useTycho2 && m_tycho2Loaded) text += FormatC(AfxString(1053).c_str(), g_tycho2StarCount);
  if (m_useTycho2Part2 && m_tycho2Part2Loaded) text += FormatC(AfxString(1054).c_str(), g_tycho2Part2StarCount);
  if (m_showComets) text += FormatC(AfxString(1055).c_str(), g_cometCount);
  if (m_showAsteroids) text += FormatC(AfxString(1056).c_str(), g_asteroidCount);
  return text.c_str();
}

void CNuvarine2View::OnCatalogueInformation() {
  ::MessageBox(GetSafeHwnd(), CatalogueSummaryText().c_str(), "Nuvarine 2.0", MB_OK);
}

void CNuvarine2View::MapReportCommands() {
  MapCommand(32832, [this] { OnFontsAndColors(); });
  MapCommand(32778, [this] { OnHorizontalCoordinates(); });
  MapCommand(32824, [this] { OnSiderealTime(); });
  MapCommand(32830, [this] { OnCatalogueInformation(); });
}
