#pragma once
// Small modal dialogs of the view commands: how time animation runs, how much
// one zoom step changes the field, and equatorial coordinates typed by the
// user. None reads the view: the command fills the members and takes them
// back after OK.
#include "Dialog.h"

constexpr UINT IDD_ENTER_COORDINATES = 136;
constexpr UINT IDD_ANIMATION = 137;
constexpr UINT IDD_ZOOM_SETUP = 285;

class CAnimationDialog : public CDialog {
 public:
  CAnimationDialog() : CDialog(IDD_ANIMATION) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;

  double m_speedFactor = 0.0;
  bool m_automatic = false;
  double m_stepDays = 0.0, m_stepHours = 0.0, m_stepMinutes = 0.0, m_stepSeconds = 0.0;
  double m_framesPerSecond = 0.0;
  int m_method = 1;
  int m_automaticCheck = 0;
  float m_speedFactorEdit = 1e-10f;
  double m_stepDaysEdit = 0.0, m_stepHoursEdit = 0.0, m_stepMinutesEdit = 0.0, m_stepSecondsEdit = 0.0;
  double m_framesPerSecondEdit = 0.0;
};

class CZoomSetupDialog : public CDialog {
 public:
  CZoomSetupDialog() : CDialog(IDD_ZOOM_SETUP) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  // Slider position of a zoom step: the nearest whole percentage (a step
  // stored just below a percentage must not open one position lower).
  static int PositionOfStep(float step);
  // The step a position applies: position 0 gives 1.01, never 1.0.
  static float StepOfPosition(int position);

  float m_zoomStep = 1.07f;
  int m_position = 0;
  CString m_percentText;

 private:
  void ShowPercent();
};

class CEnterCoordinatesDialog : public CDialog {
 public:
  CEnterCoordinatesDialog() : CDialog(IDD_ENTER_COORDINATES) {}
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;

  double m_rightAscension = 0.0;  // degrees
  double m_declination = 0.0;     // degrees
  int m_raMinutes = 0;
  int m_raHours = 0;
  double m_raSeconds = 0.0;
  int m_decDegrees = 0;
  int m_decMinutes = 0;
  double m_decSeconds = 0.0;
  // The degrees field as typed: "-0" makes a declination between 0 and -1 degree.
  CString m_decDegreesText;
};
