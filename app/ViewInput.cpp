// Mouse and keyboard of the view, and the view and animation commands: the
// sky turns, zooms and runs under the user's hand.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "AnimationDialogs.h"
#include "Catalogues.h"
#include "MainFrame.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "SolarSystemTypes.h"

namespace {

constexpr double kSeventyDegrees = 1.2217304669320583;     // compared in double
constexpr double kSeventyDegreesFloat = 1.2217304706573486;  // the float nearest 70 degrees (wheel)

// The cursor's last position and the message counter live for the process.
bool g_cursorKnown = false;
CPoint g_lastCursor;
int g_mouseMoveCounter = 0;
// The last widened field of each input; each starts as the field at its first use.
bool g_keyWidenedSet = false, g_wheelWidenedSet = false, g_commandWidenedSet = false;
float g_keyWidened = 0.0f, g_wheelWidened = 0.0f, g_commandWidened = 0.0f;

D3DXQUATERNION AxisRotation(const D3DXVECTOR3& axis, float angle) {
  D3DXQUATERNION q;
  D3DXQuaternionRotationAxis(&q, &axis, angle);
  return q;
}

D3DXQUATERNION operator*(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
  D3DXQUATERNION out;
  D3DXQuaternionMultiply(&out, &a, &b);
  return out;
}

float Narrow(float field, float step) {
  return std::max(field / step, CNuvarine2View::kMinimumFieldOfView);
}

}  // namespace

float CNuvarine2View::WidenField(float field, float step, float& last, double limit) {
  field = static_cast<double>(field) < limit ? field * step : last;
  last = field;
  return field;
}

// ---- Keyboard ------------------------------------------------------------------------------------

void CNuvarine2View::OnKeyDown(UINT nChar, UINT, UINT) {
  if (!g_keyWidenedSet) {
    g_keyWidenedSet = true;
    g_keyWidened = m_fieldOfView;
  }
  float angle1 = 0.0f, angle2 = 0.0f;
  const float turn = 0.02f * m_fieldOfView;
  const bool control = m_controlKeyDown;
  auto keepDateAcrossSpeedChange = [this](bool halve) {
    const double elapsed = AbsoluteTime() - m_animationStartTime;
    const double sign = m_animationReversed ? -1.0 : 1.0;
    // Held at the dialog's bounds: doubling without end reached an infinite
    // factor, and the date became NaN for the rest of the run.
    if (halve) {
      if (m_animationSpeedFactor * 0.5 < kMinAnimationSpeed) return;
      m_animationSpeedFactor *= 0.5;
      m_animationStartDate += sign * elapsed * m_animationSpeedFactor / 86400.0;
    } else {
      if (m_animationSpeedFactor * 2.0 > kMaxAnimationSpeed) return;
      m_animationStartDate -= sign * elapsed * m_animationSpeedFactor / 86400.0;
      m_animationSpeedFactor *= 2.0;
    }
  };
  switch (nChar) {
    case VK_RETURN:
      m_animationStartDate = m_julianDate;
      m_animationReversed = !m_animationReversed;
      m_animationStartTime = AbsoluteTime();
      break;
    case VK_CONTROL:
      m_controlKeyDown = true;
      break;
    case VK_ESCAPE:
      m_lockedObject = -1;
      m_flightTargetBody = -1;
      m_telescopeFollowTarget = false;
      m_targetMarked = false;
      m_suppressObjectInfo = false;
      AbortSlewOnEscape(nChar);
      break;
    case VK_SPACE:
      m_showInfoOverlay = !m_showInfoOverlay;
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (!m_planetariumMode) UpdateSkyPositions();
      MoveCameraAlongView(nChar == VK_PRIOR ? -10 : 10);
      break;
    case VK_LEFT:
      angle1 = turn;
      break;
    case VK_UP:
      angle2 = turn;
      break;
    case VK_RIGHT:
      angle1 = -turn;
      break;
    case VK_DOWN:
      angle2 = -turn;
      break;
    case 'A':
      if (control) OnAnimationParameters();
      break;
    case 'C':
      if (control) OnConfiguration();
      break;
    case 'F':
      if (control) OnFindObject();
      break;
    case 'P':
      if (control) OnStartAnimation();
      break;
    case 'S':
      if (control) OnStopAnimation();
      else HandleCaptureKey(nChar);
      break;
    case 'Z':
      OnZoomReset();
      break;
    case VK_NUMPAD0:
      keepDateAcrossSpeedChange(true);
      break;
    case VK_ADD:
      m_fieldOfView = Narrow(m_fieldOfView, m_zoomStep);
      UpdateProjection(0.0f, 0.0f, 0.0f);
      break;
    case VK_SUBTRACT:
      m_fieldOfView = WidenField(m_fieldOfView, m_zoomStep, g_keyWidened, kSeventyDegrees);
      UpdateProjection(0.0f, 0.0f, 0.0f);
      break;
    case VK_DECIMAL:
      keepDateAcrossSpeedChange(false);
      break;
    case VK_F1 + 7:  // F8
      HandleCaptureKey(nChar);
      break;
    case VK_F12:
      m_showFrameRate = !m_showFrameRate;
      break;
    default:
      break;
  }
  const bool arrow = nChar >= VK_LEFT && nChar <= VK_DOWN;
  if (m_planetariumMode) RotateCamera(1, angle1, angle2);
  else if (arrow) RotateCamera(1, angle1, angle2);
}

void CNuvarine2View::OnKeyUp(UINT nChar, UINT, UINT) {
  if (nChar == VK_CONTROL) m_controlKeyDown = false;
}

void CNuvarine2View::OnKillFocus(CWnd*) { m_controlKeyDown = false; }

// ---- Mouse ---------------------------------------------------------------------------------------

void CNuvarine2View::OnMouseMove(UINT nFlags, CPoint point) {
  if (!g_cursorKnown) {
    g_cursorKnown = true;
    g_lastCursor = point;
  }
  if (m_flightTargetBody != -1) return;

  ++g_mouseMoveCounter;
  if (g_mouseMoveCounter % 5 == 0) {
    if (!m_planetariumMode) {
      SetStatusText(1, "");
      SetStatusText(2, "");
    } else if (point.x != g_lastCursor.x || point.y != g_lastCursor.y) {
      float altitude = 0.0f, azimuth = 0.0f;
      ScreenToSky(point.x, point.y, altitude, azimuth);
      double rightAscension = 0.0, declination = 0.0;
      CursorEquatorial(altitude, azimuth, rightAscension, declination);
      CString text;
      FormatAngle(text, true, false, rightAscension * 180.0 / kPi);
      SetStatusText(1, text.c_str());
      FormatAngle(text, false, false, declination * 180.0 / kPi);
      SetStatusText(2, text.c_str());
    }
  }

  if (m_skipNextMouseMove) {
    m_skipNextMouseMove = false;
    return;
  }
  if (m_centeringPending) {
    g_lastCursor = point;
    m_cameraOrientation = m_cameraOrientation * AxisRotation(m_cameraSide, -m_centeringAngle2) *
                          AxisRotation(m_cameraUp, m_centeringAngle1);
    m_centeringPending = false;
    RotateCamera(2, 0.0f, 0.0f);
  }
  m_viewMovedByMouse = false;

  const int dx = point.x - g_lastCursor.x, dy = point.y - g_lastCursor.y;
  const float width = static_cast<float>(m_backBufferWidthPixels ? m_backBufferWidthPixels : 1u);
  const float height = static_cast<float>(m_backBufferHeightPixels ? m_backBufferHeightPixels : 1u);
  if (nFlags == MK_LBUTTON) {
    if (m_planetariumMode) {
      // The sky point under the cursor follows it.
      float alt1 = 0.0f, az1 = 0.0f, alt0 = 0.0f, az0 = 0.0f;
      ScreenToSky(point.x, point.y, alt1, az1);
      ScreenToSky(g_lastCursor.x, g_lastCursor.y, alt0, az0);
      RotateCamera(1, az1 - az0, alt0 - alt1);
      m_viewMovedByMouse = true;
    } else {
      RotateCamera(1, dx / width, dy / height);
    }
  } else if (nFlags == MK_RBUTTON) {
    double diameter = 0.5;
    const int n = m_lockedObject;
    if (n >= 0 && n < kBodyCount) diameter = g_bodies[n].apparentDiameter;
    else if (n >= 1000 && n < 2000 && g_asteroids && n - 1000 < g_asteroidCount)
      diameter = g_asteroids[n - 1000].apparentDiameter;
    else if (n >= 2000 && n < 3000 && g_comets && n - 2000 < g_cometCount)
      diameter = g_comets[n - 2000].apparentDiameter;
    diameter = std::max(diameter, 0.5);
    RotateCamera(2, static_cast<float>(-dx / (1000.0 * diameter)), static_cast<float>(-dy / (800.0 * diameter)));
  } else if (nFlags == (MK_LBUTTON | MK_RBUTTON)) {
    RotateCamera(3, 4.0f * dx / width, 0.0f);
  }
  g_lastCursor = point;
}

BOOL CNuvarine2View::OnMouseWheel(UINT, short zDelta, CPoint) {
  if (!m_planetariumMode) UpdateSkyPositions();
  if (zDelta == 0) return FALSE;
  if (m_planetariumMode) {
    if (!g_wheelWidenedSet) {
      g_wheelWidenedSet = true;
      g_wheelWidened = m_fieldOfView;
    }
    if (zDelta > 0) {
      m_fieldOfView = WidenField(m_fieldOfView, m_zoomStep, g_wheelWidened, kSeventyDegreesFloat);
    } else {
      m_fieldOfView = Narrow(m_fieldOfView, m_zoomStep);
      g_wheelWidened = m_fieldOfView;
    }
    UpdateProjection(0.0f, 0.0f, 0.0f);
    m_viewMovedByMouse = true;
  } else {
    MoveCameraAlongView(zDelta);
  }
  return TRUE;
}

void CNuvarine2View::OnLButtonDblClk(UINT, CPoint point) {
  float altitude = 0.0f, azimuth = 0.0f;
  ScreenToSky(point.x, point.y, altitude, azimuth);
  ResetAndRotateCamera(-azimuth, altitude);
}

BOOL CNuvarine2View::OnEraseBkgnd(CDC*) { return FALSE; }

void CNuvarine2View::CursorEquatorial(double a, double b, double& rightAscension, double& declination) const {
  double h = a;
  if (a >= 0.0017453292519943296) {
    double r;
    if (a <= 0.2617993877991494) {
      const bool low = a < 0.06981317007977318;
      const double c1 = low ? 2.6 : -1.1, c2 = low ? 7.5262 : 4.401, c3 = low ? -2.2204 : -0.9603;
      const double root = c3 * std::log(a * 180.0 / kPi + c1) + c2;
      r = root * root * 0.0002908882086657216;
    } else {
      const double t = std::fabs(std::tan(kPi / 2 - a));
      r = t * (0.016187777777777777 - 0.000022888888888888888 * t * t) * kPi / 180.0;
    }
    h = a - r * m_refractionFactor;
  }
  const double phi = m_observerLatitude;
  const double sinD = std::clamp(std::cos(h) * std::cos(b) * std::cos(phi) + std::sin(h) * std::sin(phi), -1.0, 1.0);
  const double d = std::asin(sinD);
  double hourAngle;
  if (sinD == 1.0 || sinD == -1.0) {
    hourAngle = 0.0;
  } else if (std::sin(phi) == 1.0 || std::sin(phi) == -1.0) {
    hourAngle = b;
  } else {
    const double c = std::clamp((std::sin(h) - std::sin(phi) * sinD) / (std::cos(d) * std::cos(phi)), -1.0, 1.0);
    hourAngle = std::acos(c);
  }
  if (std::sin(b) >= 0.0) hourAngle = 2.0 * kPi - hourAngle;
  double ra = NormalizeAngle(m_localSiderealTime - hourAngle);
  if (ra < 0.0) ra += 2.0 * kPi;
  rightAscension = ra;
  declination = d;
}

// ---- View commands -------------------------------------------------------------------------------

void CNuvarine2View::MapViewCommands() {
  MapCommand(176, [this] { OnZoomIn(); });
  MapCommand(177, [this] { OnZoomOut(); });
  MapCommand(178, [this] { OnZoomReset(); });
  MapCommand(32877, [this] { OnZoomSetup(); });
  MapCommand(309, [this] { OnInvertChart(); });
  MapCommand(172, [this] { OnScrollLeft(); });
  MapCommand(173, [this] { OnScrollRight(); });
  MapCommand(174, [this] { OnScrollUp(); });
  MapCommand(175, [this] { OnScrollDown(); });
  MapCommand(168, [this] { OnViewNorth(); });
  MapCommand(170, [this] { OnViewEast(); });
  MapCommand(167, [this] { OnViewSouth(); });
  MapCommand(169, [this] { OnViewWest(); });
  MapCommand(171, [this] { OnViewZenith(); });
  MapCommand(32827, [this] { OnLookInDirection(); });
  MapUpdateCommandUI(32827, [this](CCmdUI* ui) { ui->Enable(m_planetariumMode); });
  MapUpdateCommandUI(309, [this](CCmdUI* ui) {
    ui->Enable(m_planetariumMode);
    ui->SetCheck(m_planetariumMode && m_chartInverted);
  });
  // Mode switch: the menu items act only when they change the mode.
  MapCommand(32915, [this] { OnToggleMode(); });
  MapCommand(32911, [this] {
    if (!m_planetariumMode && !m_modeSwitchBusy) OnToggleMode();
  });
  MapCommand(32912, [this] {
    if (m_planetariumMode && !m_modeSwitchBusy) OnToggleMode();
  });
  MapCommand(293, [this] { GoToSun(0.0); });
  MapUpdateCommandUI(32915, [this](CCmdUI* ui) { ui->SetCheck(!m_planetariumMode); });
  MapUpdateCommandUI(32911, [this](CCmdUI* ui) { ui->SetCheck(m_planetariumMode); });
  MapUpdateCommandUI(32912, [this](CCmdUI* ui) { ui->SetCheck(!m_planetariumMode); });
  MapUpdateCommandUI(293, [this](CCmdUI* ui) { ui->Enable(!m_planetariumMode); });
  MapCommand(32817, [this] { OnStartAnimation(); });
  MapCommand(32836, [this] { OnStartInvertedAnimation(); });
  MapCommand(32837, [this] { OnStopAnimation(); });
  MapCommand(32810, [this] { OnAnimationParameters(); });
}

void CNuvarine2View::OnZoomIn() {
  m_fieldOfView = Narrow(m_fieldOfView, m_zoomStep);
  UpdateProjection(0.0f, 0.0f, 0.0f);
}

void CNuvarine2View::OnZoomOut() {
  if (!g_commandWidenedSet) {
    g_commandWidenedSet = true;
    g_commandWidened = m_fieldOfView;
  }
  m_fieldOfView = WidenField(m_fieldOfView, m_zoomStep, g_commandWidened, kSeventyDegrees);
  UpdateProjection(0.0f, 0.0f, 0.0f);
}

void CNuvarine2View::OnZoomReset() {
  m_fieldOfView = 0.8f;
  UpdateProjection(0.0f, 0.0f, 0.0f);
}

void CNuvarine2View::OnInvertChart() {
  m_chartInverted = !m_chartInverted;
  UpdateProjection(0.0f, 0.0f, 0.0f);
  ResetObjects(static_cast<int>(m_backBufferWidth), static_cast<int>(m_backBufferHeight));
}

void CNuvarine2View::OnScrollLeft() { RotateCamera(1, -0.02f * m_fieldOfView, 0.0f); }
void CNuvarine2View::OnScrollRight() { RotateCamera(1, 0.02f * m_fieldOfView, 0.0f); }
void CNuvarine2View::OnScrollUp() { RotateCamera(1, 0.0f, 0.02f * m_fieldOfView); }
void CNuvarine2View::OnScrollDown() { RotateCamera(1, 0.0f, -0.02f * m_fieldOfView); }
void CNuvarine2View::OnViewNorth() { ResetAndRotateCamera(0.01f, 0.2f); }
void CNuvarine2View::OnViewEast() { ResetAndRotateCamera(4.712389f, 0.2f); }
void CNuvarine2View::OnViewSouth() { ResetAndRotateCamera(3.1515927f, 0.2f); }
void CNuvarine2View::OnViewWest() { ResetAndRotateCamera(1.5707964f, 0.2f); }
void CNuvarine2View::OnViewZenith() { ResetAndRotateCamera(0.01f, 1.4707963f); }

void CNuvarine2View::OnZoomSetup() {
  CZoomSetupDialog dialog;
  dialog.m_zoomStep = m_zoomStep;
  if (RunDialog(dialog) == IDOK) m_zoomStep = dialog.m_zoomStep;
}

void CNuvarine2View::OnLookInDirection() {
  CEnterCoordinatesDialog dialog;
  if (RunDialog(dialog) == IDCANCEL) return;
  UpdateTimeContext();
  double azimuth = 0.0, altitude = 0.0;
  EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, dialog.m_rightAscension * kPi / 180.0,
                         dialog.m_declination * kPi / 180.0);
  if (altitude > 0.0) {
    ResetAndRotateCamera(static_cast<float>(-azimuth), static_cast<float>(altitude));
    return;
  }
  ::MessageBox(GetSafeHwnd(), AfxString(1032).c_str(), AfxString(1027).c_str(), MB_OK);
}

// ---- Animation commands --------------------------------------------------------------------------

void CNuvarine2View::OnStartAnimation() {
  m_animationReversed = false;
  m_animationRunning = true;
  if (m_realTime) {
    TakeClockTime();
    UpdateTimeContext();
  }
  m_animationStartDate = m_julianDate;
  m_animationStartTime = m_realTime ? 0.0 : AbsoluteTime();
  if (m_animationMethod == 2) m_animationStepCount = 0;
}

void CNuvarine2View::OnStartInvertedAnimation() {
  OnStartAnimation();
  m_animationReversed = true;
}

void CNuvarine2View::OnAnimationParameters() {
  CAnimationDialog dialog;
  dialog.m_speedFactor = m_animationSpeedFactor;
  dialog.m_automatic = m_animationAutomatic;
  dialog.m_stepDays = m_animationStepDays;
  dialog.m_stepHours = m_animationStepHours;
  dialog.m_stepMinutes = m_animationStepMinutes;
  dialog.m_stepSeconds = m_animationStepSeconds;
  dialog.m_framesPerSecond = m_animationFps;
  dialog.m_method = m_animationMethod;
  if (RunDialog(dialog) != IDOK) return;
  m_animationSpeedFactor = dialog.m_speedFactor;
  m_animationAutomatic = dialog.m_automatic;
  m_animationStepDays = dialog.m_stepDays;
  m_animationStepHours = dialog.m_stepHours;
  m_animationStepMinutes = dialog.m_stepMinutes;
  m_animationStepSeconds = dialog.m_stepSeconds;
  m_animationFps = dialog.m_framesPerSecond;
  m_animationMethod = dialog.m_method;
  m_realTime = dialog.m_method == 3;
}

void CNuvarine2View::OnStopAnimation() {
  m_animationStartTime = 0.0;
  m_animationReversed = false;
  m_animationRunning = false;
  // The star tiles of the field load afresh at the next frame.
  std::fill(std::begin(m_sky2000TileSlots), std::end(m_sky2000TileSlots), 0);
  std::fill(std::begin(m_tycho2TileSlots), std::end(m_tycho2TileSlots), 0);
  g_sky2000StarCount = 0;
  g_tycho2StarCount = 0;
  g_tycho2Part2StarCount = 0;
  UpdateSkyPositions();
}
