// Strings of the events calendar and its dialogs: the detectors' lines, the
// document's title and warning, the fixed-date texts and the rise-set lines.
#include <cstdint>

#include "Resource.h"

const StringResource kCalendarStringTable[] = {
    {2000, "%02.0fh%02.0f\tNew Moon.\r\n\r\n"},
    {2001, "%02.0fh%02.0f\tFirst quarter of Moon.\r\n\r\n"},
    {2002, "%02.0fh%02.0f\tFull Moon.\r\n\r\n"},
    {2003, "%02.0fh%02.0f\tLast quarter of Moon.\r\n\r\n"},
    {2004, "%02.0fh%02.0f\t%s passes %2.1f degrees from %s.\r\n\r\n"},
    {2008, "inferior"},
    {2009, "superior"},
    {2010, "%02.0fh%02.0f\t%s in %s conjunction with the Sun.\r\n\r\n"},
    {2011, "%02.0fh%02.0f\t%s in %s conjunction with the Sun.\r\n\r\n"},
    {2012, " is at opposition.\r\n\r\n"},
    {2013, "%02.0fh%02.0f\tMoon occults %s.\r\n"},
    {2014, "\t(Impossible to see it !)\r\n"},
    {2015, "%02.0fh%02.0f\tAutumn equinox.\r\n\r\n"},
    {2016, "%02.0fh%02.0f\tWinter solstice.\r\n\r\n"},
    {2017, "%02.0fh%02.0f\tSpring equinox.\r\n\r\n"},
    {2018, "%02.0fh%02.0f\tSummer solstice.\r\n\r\n"},
    {2019, "%02.0fh%02.0f\t%s at greatest %s elongation (%2.1f\xB0).\r\n\r\n"},
    {2020, "%02.0fh%02.0f\tThe distance between Earth and Sun is exactly 1 AU.\r\n\r\n"},
    {2021, "%02.0fh%02.0f\tThe Earth is the nearest of the Sun\r\n\t (%10.0f km).\r\n\r\n"},
    {2022, "%02.0fh%02.0f\tThe Earth is the farthest of the Sun\r\n\t (%10.0f km).\r\n\r\n"},
    {2023, "%02.0fh%02.0f\t%s is nearest of the Earth\r\n\t(%9.5f AU, %9.2f million km).\r\n\r\n"},
    {2024, "Partial"},
    {2025, "Full"},
    {2026, "%02.0fh%02.0f\t%s solar eclipse (%2.3f\xB0).\r\n"},
    {2027, "%02.0fh%02.0f\t%s moon eclipse (%2.3f\xB0).\r\n"},
    {2028, "%s %4.0f ephemeris"},
    {2029, "%s %4.0f ephemeris"},
    {2030, "Ephemeris"},
    {2031, "\\par\\par\\plain\\f2\\fs16 Warning : this box displays events in universal time (UT) !"},
    {2032, "Maximum of Quadrantides meteor shower, from 1th to 5th january.\r\n\r\n"},  // 3/1
    {2033, "Maximum of Delta Cancrides meteo shower, from 1th to 24th january.\r\n\r\n"},  // 18/1
    {2034, "The Sun enters in the Sea Goat constellation.\r\n\r\n"},  // 19/1
    {2035, "Maximum of Alpha Centraurides meteor shower, from 28th january to 21th february.\r\n\r\n"},  // 7/2
    {2037, "The Sun enters in the Water Carrier constellation.\r\n\r\n"},  // 16/2
    {2038, "Maximum of Delta Leonides meteor shower, from 15th february to 10th march.\r\n\r\n"},  // 24/2
    {2039, "The Sun enters in the Fisches constellation.\r\n\r\n"},  // 11/3
    {2040, "Maximum of Virginides meteor shower, from 25th january to 15th april.\r\n\r\n"},  // 24/3
    {2041, "The Sun enters in the Ram constellation.\r\n\r\n"},  // 18/4
    {2042, "Maximum of Lyrides meteor shower, from 16th to 25th april.\r\n\r\n"},  // 22/4
    {2043, "The Sun enters in the Bull constellation.\r\n\r\n"},  // 14/5
    {2044, "The Sun enters in the Twins constellation.\r\n\r\n"},  // 22/6
    {2045, "Maximum of Bootides meteor shower, from 26th june to 2th july.\r\n\r\n"},  // 27/6
    {2046, "Maximum of Pegasides meteor shower, from 7th to 13th july.\r\n\r\n"},  // 10/7
    {2047, "The Sun enters in the Crab constellation.\r\n\r\n"},  // 20/7
    {2048, "The Sun enters in the Lion constellation.\r\n\r\n"},  // 10/8
    {2049, "Maximum of Perseides meteor shower, from 17th july to 20th august.\r\n\r\n"},  // 12/8
    {2050, "Maximum of Kappa Cygnides meteor shower, from 3th to 25th august.\r\n\r\n"},  // 18/8
    {2051, "Maximum of Iota Aquarides meteor shower, from 11th to 31th august.\r\n\r\n"},  // 20/8
    {2052, "Maximum of Gamma L\xE9" "onides meteor shower, from 14th august to 12th september.\r\n\r\n"},  // 25/8
    {2053, "Maximum of Delta Aurigides meteor shower, from 5th to 10th september.\r\n\r\n"},  // 8/9
    {2054, "The Sun enters in the Virgin constellation.\r\n\r\n"},  // 16/9
    {2055, "Maximum of Piscides meteor shower, from 1th to 30th september.\r\n\r\n"},  // 20/9
    {2056, "Maximum of Sextandites meteor shower, from 9th september to 9th october.\r\n\r\n"},  // 27/9
    {2057, "Maximum of Draconides meteor shower, from 6th to 10th october.\r\n\r\n"},  // 8/10
    {2058, "Maximum of Epsilon Geminides meteor shower, from 14th to 27th october.\r\n\r\n"},  // 18/10
    {2059, "Maximum of Orionides meteor shower, from 12th october to 7th november.\r\n\r\n"},  // 21/10
    {2060, "The Sun enters in the Scales constellation.\r\n\r\n"},  // 31/10
    {2061, "Maximum of Orionides South meteor shower, from 1th to 25th november.\r\n\r\n"},  // 5/11
    {2062, "Maximum of Taurides North meteor shower, from 1th to 25th november.\r\n\r\n"},  // 12/11
    {2063, "Maximum of Leonides meteor shower, from 14th to 21th november.\r\n\r\n"},  // 17/11
    {2064, "The Sun enters in the Scorpion constellation.\r\n\r\n"},  // 23/11
    {2065, "Maximum of Sigma Hydrides meteor shower, from 3th to 15th december.\r\n\r\n"},  // 12/12
    {2066, "Maximum of Geminides meteor shower.\r\n\r\n"},  // 14/12
    {2067, "The Sun enters in the Archer constellation.\r\n\r\n"},  // 18/12
    {2070, "%02.0fh%02.0f\tMoon occults %s (beginning).\r\n"},
    {2071, "%02.0fh%02.0f\tMoon occults %s (ending).\r\n"},
    {2072, "%02.0fh%02.0f\tSolar eclipse (beginning).\r\n"},
    {2073, "%02.0fh%02.0f\tSolar eclipse (ending).\r\n"},
    {2100, "%s\t     rise : %s    transit : %s    set : %s\r\n"},
    {2101, "Sun\t     rise : %s    transit : %s    set : %s\r\n"},
    {2105, "Operation canceled !"},
};

const size_t kCalendarStringTableCount = sizeof(kCalendarStringTable) / sizeof(kCalendarStringTable[0]);


namespace {

#define CONTROLS(a) a, sizeof(a) / sizeof(a[0])

// "Ephemeris calculation :": a month or a period, and the rise-set lines.
const DialogControl kEphemerisControls[] = {
    {ControlKind::GroupBox, -1, "", 0, 7, 4, 150, 150},
    {ControlKind::CheckBox, 1030, "Month ephemeris", WS_TABSTOP, 14, 14, 120, 10},
    {ControlKind::MonthCalendar, 1050, nullptr, MCS_NOTODAY | WS_TABSTOP, 14, 28, 136, 120},
    {ControlKind::GroupBox, -1, "", 0, 163, 4, 130, 86},
    {ControlKind::CheckBox, 1031, "Period ephemeris", WS_TABSTOP, 170, 14, 110, 10},
    {ControlKind::Static, -1, "Beginning of the period :", 0, 170, 30, 116, 9},
    {ControlKind::DateTime, 1051, nullptr, DTS_RIGHTALIGN | WS_TABSTOP, 170, 41, 116, 14},
    {ControlKind::Static, -1, "Length (in days) :", 0, 170, 62, 70, 9},
    {ControlKind::Edit, 1021, "1", ES_CENTER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 242, 60, 44, 13},
    {ControlKind::GroupBox, -1, "Planets rise-set", 0, 163, 94, 130, 30},
    {ControlKind::CheckBox, 1038, "Activate this calculation", WS_TABSTOP, 170, 107, 116, 10},
    {ControlKind::DefPushButton, IDOK, "Compute", WS_TABSTOP, 163, 136, 40, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel ", WS_TABSTOP, 208, 136, 40, 14},
    {ControlKind::PushButton, 1007, "Help", WS_TABSTOP, 253, 136, 40, 14},
};

// "Ephemeris": the document, printable.
const DialogControl kEphemerisResultControls[] = {
    {ControlKind::Bitmap, -1, nullptr, 0, 0, 0, 320, 40, 267},
    {ControlKind::RichEdit, 1123, nullptr, WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 7, 44,
     306, 222},
    {ControlKind::PushButton, 1007, "Print", WS_TABSTOP, 7, 274, 50, 14},
    {ControlKind::PushButton, 1063, "Help", WS_TABSTOP, 208, 274, 50, 14},
    {ControlKind::DefPushButton, IDOK, "Close", WS_TABSTOP, 263, 274, 50, 14},
};

// "Work in progress...": a bar and Stop.
const DialogControl kWorkInProgressControls[] = {
    {ControlKind::GroupBox, -1, "Progress", 0, 7, 4, 186, 34},
    {ControlKind::Progress, 1059, "Progress1", WS_BORDER, 14, 17, 172, 12},
    {ControlKind::PushButton, 1007, "Stop", WS_TABSTOP, 75, 44, 50, 14},
};

const DialogTemplate kCalendarDialogTemplates[] = {
    {IDD_EPHEMERIS, "Ephemeris calculation :", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 300, 158,
     CONTROLS(kEphemerisControls)},
    {IDD_EPHEMERIS_RESULT, "Ephemeris", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 320, 295,
     CONTROLS(kEphemerisResultControls)},
    {IDD_WORK_IN_PROGRESS, "Work in progress...", WS_POPUP | WS_CAPTION | DS_CENTER, 0, 0, 200, 64,
     CONTROLS(kWorkInProgressControls)},
};

// The result dialog's banner: a strip of calendar days under a night sky,
// with a crescent and the title.
void PaintEphemerisBanner(CDC& dc, int w, int h) {
  for (int y = 0; y < h; ++y) {
    const int t = y * 255 / (h > 1 ? h - 1 : 1);
    dc.FillSolidRect(0, y, w, 1, RGB(8 + t / 14, 12 + t / 9, 48 + t / 4));
  }
  uint32_t seed = 267u;
  for (int k = 0; k < w / 4; ++k) {
    seed = seed * 1664525u + 1013904223u;
    const int v = 120 + static_cast<int>((seed >> 20) % 136);
    dc.SetPixel(static_cast<int>(seed % static_cast<uint32_t>(w)), static_cast<int>((seed >> 12) % static_cast<uint32_t>(h)),
                RGB(v, v, v));
  }
  // A calendar sheet.
  dc.SetBrushColor(RGB(240, 236, 220));
  dc.SetPenColor(RGB(150, 140, 120));
  dc.Rectangle(20, 10, 74, h - 8);
  dc.SetBrushColor(RGB(190, 60, 50));
  dc.Rectangle(20, 10, 74, 22);
  dc.SetPenColor(RGB(160, 150, 130));
  for (int x = 29; x < 74; x += 9) {
    dc.MoveTo(x, 22);
    dc.LineTo(x, h - 8);
  }
  for (int y = 31; y < h - 8; y += 9) {
    dc.MoveTo(20, y);
    dc.LineTo(74, y);
  }
  // A crescent Moon beside it.
  dc.SetBrushColor(RGB(230, 230, 215));
  dc.SetPenColor(RGB(170, 170, 160));
  dc.Ellipse(86, h / 2 - 15, 116, h / 2 + 15);
  dc.SetBrushColor(RGB(14, 22, 70));
  dc.SetPenColor(RGB(14, 22, 70));
  dc.Ellipse(94, h / 2 - 17, 124, h / 2 + 13);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(235, 235, 250));
  dc.SelectFont("Liberation Sans", h * 2 / 5, 700);
  const SIZE extent = dc.GetTextExtent("Ephemeris");
  dc.TextOut(136, (h - extent.cy) / 2, "Ephemeris");
}

const BitmapResource kCalendarBitmaps[] = {{IDB_EPHEMERIS_BANNER, 478, 64, PaintEphemerisBanner}};

}  // namespace

void RegisterCalendarResources() {
  AfxRegisterStrings(kCalendarStringTable, kCalendarStringTableCount);
  AfxRegisterDialogs(kCalendarDialogTemplates, sizeof(kCalendarDialogTemplates) / sizeof(kCalendarDialogTemplates[0]));
  AfxRegisterBitmaps(kCalendarBitmaps, sizeof(kCalendarBitmaps) / sizeof(kCalendarBitmaps[0]));
}
