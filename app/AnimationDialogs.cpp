#include "AnimationDialogs.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "App.h"
#include "NumberFormat.h"

#include "UiDefs.h"

namespace {

constexpr int IDC_SPEED_FACTOR = 1019;
constexpr int IDC_AUTOMATIC = 1031;
constexpr int IDC_STEP_DAYS = 1049;
constexpr int IDC_STEP_HOURS = 1050;
constexpr int IDC_STEP_MINUTES = 1051;
constexpr int IDC_STEP_SECONDS = 1052;
constexpr int IDC_FRAMES_PER_SECOND = 1053;
constexpr int IDC_METHOD_1 = 1105;
constexpr int IDC_METHOD_2 = 1106;
constexpr int IDC_METHOD_3 = 1054;
constexpr int IDC_HELP_BUTTON = 1007;
constexpr int IDC_ZOOM_SLIDER = 1094;
constexpr int IDC_PERCENT = 1019;
constexpr int IDC_BY_DEFAULT = 1007;
constexpr int IDC_RA_HOURS = 1012;
constexpr int IDC_RA_MINUTES = 1013;
constexpr int IDC_RA_SECONDS = 1014;
constexpr int IDC_DEC_DEGREES = 1015;
constexpr int IDC_DEC_MINUTES = 1016;
constexpr int IDC_DEC_SECONDS = 1017;
constexpr UINT IDS_ZOOM_PERCENT = 595;

}  // namespace

// ---- Animation ---------------------------------------------------------------------------

// The edits are filled once, at opening: a repaint must not throw away what
// the user is typing.
BOOL CAnimationDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  MapCommand(IDC_HELP_BUTTON, [] {
    if (CWnd* main = AfxGetMainWnd()) main->OnCmdMsg(ID_HELP, nullptr);
  });
  m_speedFactorEdit = static_cast<float>(m_speedFactor);
  m_automaticCheck = m_automatic ? 1 : 0;
  m_stepDaysEdit = m_stepDays;
  m_stepHoursEdit = m_stepHours;
  m_stepMinutesEdit = m_stepMinutes;
  m_stepSecondsEdit = m_stepSeconds;
  m_framesPerSecondEdit = m_framesPerSecond;
  UpdateData(FALSE);
  if (m_method == 1) CheckDlgButton(IDC_METHOD_1, BST_CHECKED);
  if (m_method == 2) CheckDlgButton(IDC_METHOD_2, BST_CHECKED);
  if (m_method == 3) CheckDlgButton(IDC_METHOD_3, BST_CHECKED);
  return TRUE;
}

void CAnimationDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_AUTOMATIC, m_automaticCheck);
  DDX_Text(pDX, IDC_SPEED_FACTOR, m_speedFactorEdit);
  DDV_MinMaxFloat(pDX, m_speedFactorEdit, 1e-10f, 1e13f);
  DDX_Text(pDX, IDC_STEP_DAYS, m_stepDaysEdit);
  DDV_MinMaxDouble(pDX, m_stepDaysEdit, 0.0, 1e19);
  DDX_Text(pDX, IDC_STEP_HOURS, m_stepHoursEdit);
  DDV_MinMaxDouble(pDX, m_stepHoursEdit, 0.0, 1e17);
  DDX_Text(pDX, IDC_STEP_MINUTES, m_stepMinutesEdit);
  DDV_MinMaxDouble(pDX, m_stepMinutesEdit, 0.0, 1e17);
  DDX_Text(pDX, IDC_STEP_SECONDS, m_stepSecondsEdit);
  DDV_MinMaxDouble(pDX, m_stepSecondsEdit, 0.0, 1e17);
  DDX_Text(pDX, IDC_FRAMES_PER_SECOND, m_framesPerSecondEdit);
  DDV_MinMaxDouble(pDX, m_framesPerSecondEdit, 0.0, 500.0);
}

// One pull of the controls: a bad value shows its message once and the dialog stays open.
void CAnimationDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_speedFactor = m_speedFactorEdit;
  m_stepDays = m_stepDaysEdit;
  m_stepHours = m_stepHoursEdit;
  m_stepMinutes = m_stepMinutesEdit;
  m_stepSeconds = m_stepSecondsEdit;
  m_framesPerSecond = m_framesPerSecondEdit;
  m_automatic = m_automaticCheck == 1;
  if (IsDlgButtonChecked(IDC_METHOD_1)) m_method = 1;
  if (IsDlgButtonChecked(IDC_METHOD_2)) m_method = 2;
  if (IsDlgButtonChecked(IDC_METHOD_3)) m_method = 3;
  EndDialog(IDOK);
}

// ---- Zoom step ---------------------------------------------------------------------------

int CZoomSetupDialog::PositionOfStep(float step) {
  const long position = std::lround((static_cast<double>(step) - 1.0) * 100.0);
  return static_cast<int>(std::clamp(position, 0L, 25L));
}

float CZoomSetupDialog::StepOfPosition(int position) {
  const float step = static_cast<float>(position * 0.01 + 1.0);
  return step == 1.0f ? 1.01f : step;
}

BOOL CZoomSetupDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  AfxSetSliderRange(this, IDC_ZOOM_SLIDER, 0, 25);
  m_position = PositionOfStep(m_zoomStep);
  MapNotify(IDC_ZOOM_SLIDER, NM_RELEASEDCAPTURE, [this](int) {
    UpdateData(TRUE);
    ShowPercent();
  });
  MapCommand(IDC_BY_DEFAULT, [this] {
    m_position = 7;
    ShowPercent();
  });
  ShowPercent();
  return TRUE;
}

void CZoomSetupDialog::ShowPercent() {
  const CString format = AfxString(IDS_ZOOM_PERCENT);
  m_percentText = FormatC(format.c_str(), m_position).c_str();
  UpdateData(FALSE);
}

void CZoomSetupDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Slider(pDX, IDC_ZOOM_SLIDER, m_position);
  DDX_Text(pDX, IDC_PERCENT, m_percentText);
}

void CZoomSetupDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_zoomStep = StepOfPosition(m_position);
  EndDialog(IDOK);
}

// ---- Coordinates -------------------------------------------------------------------------

void CEnterCoordinatesDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_RA_MINUTES, m_raMinutes);
  DDX_Text(pDX, IDC_RA_HOURS, m_raHours);
  DDX_Text(pDX, IDC_RA_SECONDS, m_raSeconds);
  DDX_Text(pDX, IDC_DEC_DEGREES, m_decDegrees);
  DDX_Text(pDX, IDC_DEC_MINUTES, m_decMinutes);
  DDX_Text(pDX, IDC_DEC_SECONDS, m_decSeconds);
}

void CEnterCoordinatesDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  GetDlgItemText(IDC_DEC_DEGREES, m_decDegreesText);
  m_rightAscension = (m_raHours + m_raMinutes / 60.0 + m_raSeconds / 3600.0) * 15.0;
  // The sign is the degrees field's, as typed: "-0" is south of the equator.
  const std::string typed = m_decDegreesText.c_str();
  const size_t first = typed.find_first_not_of(" \t");
  const bool negative = m_decDegrees < 0 || (first != std::string::npos && typed[first] == '-');
  const double magnitude = std::abs(m_decDegrees) + m_decMinutes / 60.0 + m_decSeconds / 3600.0;
  m_declination = negative ? -magnitude : magnitude;
  EndDialog(IDOK);
}
