#include "TimeLocationDialog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Cities.h"
#include "NumberFormat.h"
#include "RichTextCtrl.h"
#include "Shell.h"
#include "TimePlace.h"
#include "UiDefs.h"
#include "WebLinks.h"

bool g_locationChanged = true;
std::function<std::time_t()> CTimeLocationDialog::s_clock = [] { return std::time(nullptr); };

WebLinks& TheWebLinks() {
  static WebLinks links;
  return links;
}

namespace {

constexpr int IDC_TIME = 1002;
constexpr int IDC_LAT_DEGREES = 1004, IDC_LAT_MINUTES = 1008, IDC_LAT_SECONDS = 1010;
constexpr int IDC_LON_DEGREES = 1005, IDC_LON_MINUTES = 1009, IDC_LON_SECONDS = 1011;
constexpr int IDC_NOW = 1007;
constexpr int IDC_TIME_ZONE = 1018;
constexpr int IDC_ALTITUDE = 1019;
constexpr int IDC_NORTH_SOUTH = 1023, IDC_WEST_EAST = 1024, IDC_LOCATION = 1025;
constexpr int IDC_USE_CALENDAR = 1034, IDC_DAY = 1035, IDC_MONTH = 1036, IDC_YEAR = 1037;
constexpr int IDC_TZ_CONFIGURATION = 1038;
constexpr int IDC_PRESSURE = 1044, IDC_TEMPERATURE = 1045;
constexpr int IDC_RECOMPUTE = 1063, IDC_APPLY = 1064, IDC_MAP = 1065, IDC_ADD_CHANGE = 1066, IDC_DELETE = 1067;
constexpr int IDC_COORDINATES = 1068;
constexpr int IDC_HELP_BUTTON = 1186;
constexpr int IDC_CALENDAR = 1050;
constexpr int IDC_MAP_LATITUDE = 1019, IDC_MAP_LONGITUDE = 1020, IDC_MAP_PICTURE = 1042;
constexpr int IDC_ALERT_TEXT = 1019, IDC_DONT_SHOW = 1030;
constexpr UINT IDB_EARTH_MAP = 293;

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
const char* const kCaption = "Nuvarine 2.0";

int Message(CWnd* owner, UINT id, const char* caption, UINT type = MB_OK) {
  return owner->MessageBox(AfxString(id).c_str(), caption, type);
}

// A typed month must be one of the twelve names (any case); the list's own
// entries always are.
int MonthIndexOf(const CString& text) {
  for (int i = 0; i < 12; ++i)
    if (CityNamesEqual(text.c_str(), kMonths[i])) return i;
  return -1;
}

}  // namespace

// ---- Earth map -------------------------------------------------------------------------------

BOOL CEarthMapDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWnd* picture = GetDlgItem(IDC_MAP_PICTURE)) {
    picture->MoveWindow(kEarthMapLeft, kEarthMapTop, 512, 256);
    AfxSetDlgItemBitmap(this, IDC_MAP_PICTURE, IDB_EARTH_MAP);
  }
  return TRUE;
}

void CEarthMapDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_MAP_LATITUDE, m_latitudeText);
  DDX_Text(pDX, IDC_MAP_LONGITUDE, m_longitudeText);
}

void CEarthMapDialog::OnMouseMove(UINT, CPoint point) {
  if (!EarthMapPosition(point.x, point.y, m_longitude, m_latitude)) return;
  m_latitudeText = EarthMapAngleText(m_latitude, true).c_str();
  m_longitudeText = EarthMapAngleText(m_longitude, false).c_str();
  UpdateData(FALSE);
}

void CEarthMapDialog::OnLButtonDown(UINT, CPoint point) {
  if (!EarthMapPosition(point.x, point.y, m_longitude, m_latitude)) return;
  EndDialog(IDOK);
}

// ---- Month calendar --------------------------------------------------------------------------

BOOL CCalendrier::OnInitDialog() {
  CDialog::OnInitDialog();
  m_rangeStart = SYSTEMTIME();
  m_rangeStart.wYear = static_cast<WORD>(std::clamp(m_year, 0.0, 65535.0));
  m_rangeStart.wMonth = static_cast<WORD>(std::clamp(m_month, 0.0, 12.0));
  m_rangeStart.wDay = static_cast<WORD>(std::clamp(m_day, 0.0, 31.0));
  m_rangeStart.wHour = m_rangeStart.wMinute = m_rangeStart.wSecond = 0;
  m_rangeEnd = m_rangeStart;
  UpdateData(FALSE);
  return TRUE;
}

void CCalendrier::DoDataExchange(CDataExchange* pDX) { DDX_MonthCalCtrl(pDX, IDC_CALENDAR, m_rangeStart); }

void CCalendrier::OnOK() {
  UpdateData(TRUE);
  m_rangeEnd = m_rangeStart;
  const bool valid = m_rangeStart.wYear > 0 && m_rangeStart.wMonth >= 1 && m_rangeStart.wDay >= 1;
  m_day = valid ? m_rangeStart.wDay : -1;
  m_month = valid ? m_rangeStart.wMonth : -1;
  m_year = valid ? m_rangeStart.wYear : -1;
  EndDialog(IDOK);
}

// ---- Time-zone warning -----------------------------------------------------------------------

BOOL AlertTZ::OnInitDialog() {
  m_text =
      "Attention : if the time zone indicated by the user is wrong, all of Nuvarine\x92 calculations will be "
      "affected by this error... By definition, the time zone is the difference between the current time and "
      "GMT..\r\nIf you have difficulty in determining this value, click on the \xAB time zone configuration \xBB "
      "button.";
  m_dismissed = false;
  m_dontShowAgain = 0;
  UpdateData(FALSE);
  return TRUE;
}

void AlertTZ::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_ALERT_TEXT, m_text);
  DDX_Check(pDX, IDC_DONT_SHOW, m_dontShowAgain);
}

void AlertTZ::OnOK() {
  UpdateData(TRUE);
  if (m_dontShowAgain) m_dismissed = true;
  EndDialog(IDOK);
}

// ---- Time and place --------------------------------------------------------------------------

CTimeLocationDialog::CTimeLocationDialog(CWnd* parent) : CDialog(130, parent) {
  const std::time_t now = s_clock();
  std::tm local{};
  localtime_r(&now, &local);
  m_time.wYear = static_cast<WORD>(local.tm_year + 1900);
  m_time.wMonth = static_cast<WORD>(local.tm_mon + 1);
  m_time.wDay = static_cast<WORD>(local.tm_mday);
  m_time.wHour = static_cast<WORD>(local.tm_hour);
  m_time.wMinute = static_cast<WORD>(local.tm_min);
  m_time.wSecond = static_cast<WORD>(local.tm_sec);
}

void CTimeLocationDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_DateTimeCtrl(pDX, IDC_TIME, m_time);
  DDX_Text(pDX, IDC_LAT_DEGREES, m_latitudeDegrees);
  DDV_MinMaxInt(pDX, m_latitudeDegrees, 0, 90);
  DDX_Text(pDX, IDC_LAT_MINUTES, m_latitudeMinutes);
  DDV_MinMaxInt(pDX, m_latitudeMinutes, 0, 59);
  DDX_Text(pDX, IDC_LAT_SECONDS, m_latitudeSeconds);
  DDV_MinMaxInt(pDX, m_latitudeSeconds, 0, 60);
  DDX_Text(pDX, IDC_LON_DEGREES, m_longitudeDegrees);
  DDV_MinMaxInt(pDX, m_longitudeDegrees, 0, 180);
  DDX_Text(pDX, IDC_LON_MINUTES, m_longitudeMinutes);
  DDV_MinMaxInt(pDX, m_longitudeMinutes, 0, 59);
  DDX_Text(pDX, IDC_LON_SECONDS, m_longitudeSeconds);
  DDV_MinMaxInt(pDX, m_longitudeSeconds, 0, 60);
  DDX_Text(pDX, IDC_TIME_ZONE, m_timeZoneEdit);
  DDV_MinMaxDouble(pDX, m_timeZoneEdit, -24.0, 24.0);
  DDX_Text(pDX, IDC_PRESSURE, m_pressureEdit);
  DDV_MinMaxDouble(pDX, m_pressureEdit, 0.0, 10000.0);
  DDX_Text(pDX, IDC_TEMPERATURE, m_temperatureEdit);
  DDV_MinMaxDouble(pDX, m_temperatureEdit, -273.0, 10000.0);
  DDX_Text(pDX, IDC_ALTITUDE, m_altitudeEdit);
  DDX_Text(pDX, IDC_DAY, m_dayEdit);
  DDX_Text(pDX, IDC_YEAR, m_yearEdit);
  DDX_CBString(pDX, IDC_NORTH_SOUTH, m_northSouth);
  DDX_CBString(pDX, IDC_WEST_EAST, m_westEast);
  // The month box can be typed into: a text that names no month is refused
  // like any value out of range, instead of becoming month 0.
  CString monthText = m_monthIndex >= 0 && m_monthIndex < 12 ? kMonths[m_monthIndex] : "";
  pDX->PrepareCtrl(IDC_MONTH);
  DDX_CBString(pDX, IDC_MONTH, monthText);
  if (pDX->m_bSaveAndValidate && !pDX->m_failed) {
    const int index = MonthIndexOf(monthText);
    if (index < 0) {
      pDX->PrepareCtrl(IDC_MONTH);
      pDX->Fail("Please choose a month from January to December.");
    } else {
      m_monthIndex = index;
    }
  }
}

CString CTimeLocationDialog::LocationText() {
  CString text;
  GetDlgItemText(IDC_LOCATION, text);
  return text;
}

void CTimeLocationDialog::FillLocations() {
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(g_cityCount));
  for (int i = 0; i < g_cityCount; ++i) names.emplace_back(g_cities[i].name, strnlen(g_cities[i].name, 19));
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CityNameUpper(a) < CityNameUpper(b); });
  AfxResetComboContent(this, IDC_LOCATION);
  for (const std::string& name : names) AfxAddComboString(this, IDC_LOCATION, name.c_str());
}

void CTimeLocationDialog::SetHemisphereBoxes() {
  m_northSouth = m_latitude < 0.0 ? "South" : "North";
  m_westEast = m_longitude < 0.0 ? "East" : "West";
  m_latitude = std::fabs(m_latitude);
  m_longitude = std::fabs(m_longitude);
}

BOOL CTimeLocationDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  MapCommand(IDC_RECOMPUTE, [this] { Recompute(); });
  MapCommand(IDC_APPLY, [this] { OnOK(); });
  MapCommand(IDC_ADD_CHANGE, [this] { OnAddChange(); });
  MapCommand(IDC_DELETE, [this] { OnDelete(); });
  MapCommand(IDC_MAP, [this] { OnMap(); });
  MapCommand(IDC_USE_CALENDAR, [this] { OnUseCalendar(); });
  MapCommand(IDC_NOW, [this] { OnNow(); });
  MapCommand(IDC_TZ_CONFIGURATION, [this] { OnTimeZoneConfiguration(); });
  MapCommand(IDC_COORDINATES, [this] { OnCoordinates(); });
  MapCommand(IDC_HELP_BUTTON, [this] { OnCmdMsg(ID_HELP, nullptr); });
  auto locationChanged = [this](int) {
    g_locationChanged = true;
    Refresh();
  };
  MapNotify(IDC_LOCATION, CBN_EDITCHANGE, locationChanged);
  MapNotify(IDC_LOCATION, CBN_SELCHANGE, locationChanged);
  for (int box : {IDC_NORTH_SOUTH, IDC_WEST_EAST}) {
    MapNotify(box, CBN_EDITCHANGE, [this](int) { Recompute(); });
    MapNotify(box, CBN_SELCHANGE, [this](int) { Recompute(); });
  }

  for (const char* month : kMonths) AfxAddComboString(this, IDC_MONTH, month);
  AfxAddComboString(this, IDC_NORTH_SOUTH, "North");
  AfxAddComboString(this, IDC_NORTH_SOUTH, "South");
  AfxAddComboString(this, IDC_WEST_EAST, "East");
  AfxAddComboString(this, IDC_WEST_EAST, "West");
  AfxSetDateTimeFormat(this, IDC_TIME, "HH:mm:ss");

  LoadCities();
  if (g_citiesTruncated)
    MessageBox(FormatC("The cities file holds more than %d places: only the first %d are shown, and the file "
                       "will not be changed, so that none of its places is lost.",
                       kCityCapacity, kCityCapacity).c_str(),
               kCaption, MB_OK | MB_ICONEXCLAMATION);
  FillLocations();
  for (int i = 0; i < g_cityCount; ++i)
    if (std::fabs(g_cities[i].Latitude() - m_latitude) < 0.000001 &&
        std::fabs(g_cities[i].Longitude() - m_longitude) < 0.000001) {
      SetDlgItemText(IDC_LOCATION, CityNameUpper(std::string(g_cities[i].name, strnlen(g_cities[i].name, 19))).c_str());
      break;
    }
  SetHemisphereBoxes();
  m_altitudeEdit = static_cast<int>(m_altitude);
  m_time = SYSTEMTIME();
  m_time.wYear = 1899, m_time.wMonth = 12, m_time.wDay = 30;
  m_time.wHour = static_cast<WORD>(std::clamp(m_hour, 0.0, 23.0));
  m_time.wMinute = static_cast<WORD>(std::clamp(m_minute, 0.0, 59.0));
  m_time.wSecond = static_cast<WORD>(std::clamp(m_second, 0.0, 59.0));
  m_dayEdit = static_cast<int>(m_day);
  m_yearEdit = static_cast<int>(m_year);
  m_monthIndex = static_cast<int>(m_month) - 1;
  Refresh();
  return TRUE;
}

// What the dialog does on each repaint: load a newly chosen place, then show
// the members in the controls.
void CTimeLocationDialog::Refresh() {
  const CString location = LocationText();
  if (!location.empty() && g_locationChanged) {
    const int city = FindCity(location.c_str());
    if (city >= 0) {
      m_latitude = g_cities[city].Latitude();
      m_longitude = g_cities[city].Longitude();
      m_altitude = g_cities[city].altitude;
      SetHemisphereBoxes();
      g_locationChanged = false;
    }
  }
  SplitDegrees(m_latitude, m_latitudeDegrees, m_latitudeMinutes, m_latitudeSeconds);
  SplitDegrees(m_longitude, m_longitudeDegrees, m_longitudeMinutes, m_longitudeSeconds);
  m_altitudeEdit = static_cast<int>(m_altitude);
  m_time.wHour = static_cast<WORD>(std::clamp(m_hour, 0.0, 23.0));
  m_time.wMinute = static_cast<WORD>(std::clamp(m_minute, 0.0, 59.0));
  m_time.wSecond = static_cast<WORD>(std::clamp(m_second, 0.0, 59.0));
  m_timeZoneEdit = m_timeZone;
  m_pressureEdit = m_pressure;
  m_temperatureEdit = m_temperature;
  m_day = m_dayEdit;
  m_year = m_yearEdit;
  m_month = m_monthIndex + 1;
  UpdateData(FALSE);
}

bool CTimeLocationDialog::Recompute() {
  if (!UpdateData(TRUE)) return false;
  const double latitude = std::fabs(m_latitudeDegrees + m_latitudeMinutes / 60.0 + m_latitudeSeconds / 3600.0);
  const double longitude =
      std::fabs(m_longitudeDegrees + m_longitudeMinutes / 60.0 + m_longitudeSeconds / 3600.0);
  m_latitude = m_northSouth == "North" ? latitude : -latitude;
  m_longitude = m_westEast == "West" ? longitude : -longitude;
  SetHemisphereBoxes();
  m_hour = m_time.wHour;
  m_minute = m_time.wMinute;
  m_second = m_time.wSecond;
  m_timeZone = m_timeZoneEdit;
  m_day = m_dayEdit;
  m_month = m_monthIndex + 1;
  m_year = m_yearEdit;
  m_altitude = m_altitudeEdit;
  m_pressure = m_pressureEdit;
  m_temperature = m_temperatureEdit;
  Refresh();
  return true;
}

void CTimeLocationDialog::OnAddChange() {
  if (!UpdateData(TRUE)) return;
  CString name = LocationText();
  name.Trim();
  if (name.empty()) {
    MessageBox(AfxString(608).c_str(), "Erreur Nuvarine 2.0", MB_OK);
    return;
  }
  g_locationChanged = true;
  CityRecord record;
  record.SetName(name.c_str());
  record.latitudeDegrees = m_latitudeDegrees;
  record.latitudeMinutes = m_latitudeMinutes;
  record.latitudeSeconds = m_latitudeSeconds;
  record.longitudeDegrees = m_longitudeDegrees;
  record.longitudeMinutes = m_longitudeMinutes;
  record.longitudeSeconds = m_longitudeSeconds;
  record.north = m_northSouth == "North" ? 1 : 0;
  record.west = m_westEast == "West" ? 1 : 0;
  record.altitude = m_altitudeEdit;
  const int found = FindCity(name.c_str());
  if (found >= 0) {
    if (Message(this, 606, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const CityRecord before = g_cities[found];
    std::memcpy(record.name, before.name, sizeof record.name);
    g_cities[found] = record;
    if (!SaveCities()) {
      g_cities[found] = before;
      MessageBox("The location could not be saved in the file \"villes.dat\": it has not been modified.",
                 kCaption, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    Message(this, 610, kCaption);
  } else {
    if (g_cityCount >= kCityCapacity) {
      MessageBox(FormatC("The list of locations is full (%d places): delete a location before adding one.",
                         kCityCapacity).c_str(),
                 kCaption, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    g_cities[g_cityCount++] = record;
    if (!SaveCities()) {
      --g_cityCount;
      MessageBox("The location could not be saved in the file \"villes.dat\": it has not been added.", kCaption,
                 MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    Message(this, 607, kCaption);
    FillLocations();
    SetDlgItemText(IDC_LOCATION, record.name);
  }
  Recompute();
}

void CTimeLocationDialog::OnDelete() {
  const CString name = LocationText();
  if (g_cityCount <= 0 || name.empty()) return;
  const int found = FindCity(name.c_str());
  if (found < 0) return;
  const CityRecord removed = g_cities[found];
  std::move(g_cities.begin() + found + 1, g_cities.begin() + g_cityCount, g_cities.begin() + found);
  --g_cityCount;
  if (!SaveCities()) {
    std::move_backward(g_cities.begin() + found, g_cities.begin() + g_cityCount, g_cities.begin() + g_cityCount + 1);
    g_cities[found] = removed;
    ++g_cityCount;
    MessageBox("The location could not be saved in the file \"villes.dat\": it has not been deleted.", kCaption,
               MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  Message(this, 609, kCaption);
  FillLocations();
  SetDlgItemText(IDC_LOCATION, "");
  Refresh();
}

void CTimeLocationDialog::OnMap() {
  CEarthMapDialog map(this);
  if (map.DoModal() != IDOK) return;
  SetDlgItemText(IDC_LOCATION, "");
  m_latitude = map.m_latitude;
  m_longitude = map.m_longitude;
  SetHemisphereBoxes();
  Refresh();
}

void CTimeLocationDialog::OnUseCalendar() {
  if (!Recompute()) return;
  CCalendrier calendar(this);
  calendar.m_day = m_day;
  calendar.m_month = m_month;
  calendar.m_year = m_year;
  if (calendar.DoModal() != IDOK) return;
  m_dayEdit = static_cast<int>(calendar.m_day);
  m_monthIndex = static_cast<int>(calendar.m_month) - 1;
  m_yearEdit = static_cast<int>(calendar.m_year);
  Refresh();
}

void CTimeLocationDialog::OnNow() {
  if (!Recompute()) return;
  const std::time_t now = s_clock();
  std::tm local{};
  localtime_r(&now, &local);
  m_yearEdit = local.tm_year + 1900;
  m_monthIndex = local.tm_mon;
  m_dayEdit = local.tm_mday;
  m_hour = local.tm_hour;
  m_minute = local.tm_min;
  m_second = local.tm_sec;
  Refresh();
}

void CTimeLocationDialog::OnTimeZoneConfiguration() {
  Message(this, 200, kCaption);
  double hours = 0.0;
  if (!UtcOffsetAt(s_clock(), hours)) {
    Message(this, 353, kCaption);
    return;
  }
  m_timeZone = hours;
  MessageBox(FormatC(AfxString(354).c_str(), m_timeZone).c_str(), kCaption, MB_OK);
  Refresh();
}

void CTimeLocationDialog::OnCoordinates() {
  ShellExecute(nullptr, "open", TheWebLinks().placeNames.c_str(), nullptr, nullptr, SW_SHOWNORMAL_SHELL);
}

// "Apply": a place name the list does not know is refused, once.
void CTimeLocationDialog::OnOK() {
  if (!Recompute()) return;
  PumpMessages();
  const CString location = LocationText();
  if (location.empty() || FindCity(location.c_str()) >= 0) {
    CloseAsOk();
    return;
  }
  MessageBox(AfxString(605).c_str(), AfxString(57344).c_str(), MB_OK);
  SetDlgItemText(IDC_LOCATION, "");
}

void CTimeLocationDialog::CloseAsOk() {
  if (!UpdateData(TRUE)) return;
  m_latitude = ClosingAngle(m_latitudeDegrees, m_latitudeMinutes, m_latitudeSeconds, true);
  m_longitude = ClosingAngle(m_longitudeDegrees, m_longitudeMinutes, m_longitudeSeconds, false);
  if (m_northSouth == "South") m_latitude = -m_latitude;
  if (m_westEast == "East") m_longitude = -m_longitude;
  m_hour = m_time.wHour;
  m_minute = m_time.wMinute;
  m_second = m_time.wSecond;
  m_timeZone = m_timeZoneEdit;
  m_day = m_dayEdit;
  m_month = m_monthIndex + 1;
  m_year = m_yearEdit;
  m_altitude = m_altitudeEdit;
  m_pressure = m_pressureEdit;
  m_temperature = m_temperatureEdit;
  if (m_warnTimeZone) {
    AlertTZ alert(this);
    if (alert.DoModal() == IDOK && alert.m_dismissed) m_warnTimeZone = false;
  }
  if (YearNeedsPrecisionWarning(m_year)) MessageBox(AfxString(60).c_str(), "Nuvarine 2", MB_OK);
  EndDialog(IDOK);
}

void CTimeLocationDialog::OnCancel() { EndDialog(IDCANCEL); }
