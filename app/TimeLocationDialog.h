#pragma once
// The time and place dialog with its cities list, and its three helpers:
// the Earth map, the month calendar and the time-zone warning.
#include <ctime>
#include <functional>

#include "Dialog.h"

class CEarthMapDialog : public CDialog {
 public:
  explicit CEarthMapDialog(CWnd* parent = nullptr) : CDialog(294, parent) {}
  double m_latitude = 0.0;   // degrees, north positive
  double m_longitude = 0.0;  // degrees, west positive
  CString m_latitudeText;
  CString m_longitudeText;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnMouseMove(UINT nFlags, CPoint point) override;
  void OnLButtonDown(UINT nFlags, CPoint point) override;
};

class CCalendrier : public CDialog {
 public:
  explicit CCalendrier(CWnd* parent = nullptr) : CDialog(5002, parent) {}
  SYSTEMTIME m_rangeStart;
  SYSTEMTIME m_rangeEnd;
  double m_day = 0.0, m_month = 0.0, m_year = 0.0;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};

class AlertTZ : public CDialog {
 public:
  explicit AlertTZ(CWnd* parent = nullptr) : CDialog(304, parent) {}
  bool m_dismissed = false;  // "Don't show again" was ticked on closing
  CString m_text;
  int m_dontShowAgain = 0;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};

class CTimeLocationDialog : public CDialog {
 public:
  explicit CTimeLocationDialog(CWnd* parent = nullptr);

  // Exchanged with the opener.
  double m_day = 1.0, m_month = 1.0, m_year = 2000.0;
  double m_hour = 0.0, m_minute = 0.0, m_second = 0.0;
  double m_latitude = 0.0;   // degrees, north positive (absolute while open)
  double m_longitude = 0.0;  // degrees, west positive (absolute while open)
  double m_timeZone = 0.0;   // hours added to UT to get the civil time
  double m_temperature = 0.0;
  double m_pressure = 0.0;
  double m_altitude = 0.0;
  bool m_warnTimeZone = false;

  // The computer's clock, for "Now" and the time-zone button (tests replace it).
  static std::function<std::time_t()> s_clock;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;  // "Apply"
  void OnCancel() override;

 private:
  void Refresh();
  bool Recompute();
  void SetHemisphereBoxes();
  void FillLocations();
  void CloseAsOk();
  void OnAddChange();
  void OnDelete();
  void OnMap();
  void OnUseCalendar();
  void OnNow();
  void OnTimeZoneConfiguration();
  void OnCoordinates();
  CString LocationText();

  SYSTEMTIME m_time;
  int m_latitudeDegrees = 0, m_latitudeMinutes = 0, m_latitudeSeconds = 0;
  int m_longitudeDegrees = 0, m_longitudeMinutes = 0, m_longitudeSeconds = 0;
  double m_pressureEdit = 0.0, m_temperatureEdit = 0.0, m_timeZoneEdit = 0.0;
  int m_altitudeEdit = 0, m_dayEdit = 0, m_yearEdit = 0;
  int m_monthIndex = 0;
  CString m_northSouth, m_westEast;
};

// Set while the location box has changed and not yet been looked up.
extern bool g_locationChanged;
