// The view under the user's hand: keys, wheel and drags, the zoom limits,
// the animated time with an injected timer and clock, the flight to a body,
// the follow step, and the coordinates under the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "../shell/ShellTestSupport.h"
#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

class InputView : public CNuvarine2View {
 public:
  InputView() {
    InitBodyConstants();
    m_installFolder = NUVARINE_INSTALL_FOLDER;
    libraryLoaded = LoadPlanetLibrary();
    m_planetariumMode = true;
    m_fieldOfView = 0.8f;
    m_zoomStep = 1.07f;
    m_backBufferWidthPixels = 320, m_backBufferHeightPixels = 240;
    m_backBufferWidth = 320.0f, m_backBufferHeight = 240.0f;
    m_camera.SetProjectionParameters(m_fieldOfView, 320.0f / 240.0f, 1e-5f, 2.3f);
    ResetAndRotateCamera(3.1515927f, 0.2f);
    Refresh();
  }
  void Refresh() {
    m_camera.SetProjectionParameters(m_fieldOfView, 320.0f / 240.0f, 1e-5f, 2.3f);
    D3DXMatrixMultiply(&m_viewProjectionMatrix, &m_camera.m_viewMatrix, &m_camera.m_projectionMatrix);
  }
  double AbsoluteTime() const override { return now; }
  bool LocalClock(double& y, double& mo, double& d, double& h, double& mi, double& s) const override {
    if (!clockWorks) return false;
    y = 2024, mo = 3, d = 20, h = 4, mi = 6, s = 30.25;
    return true;
  }
  void OnAnimationParameters() override { ++parameters; }
  void OnConfiguration() override { ++configuration; }
  void OnFindObject() override { ++find; }
  // The look direction's azimuth (from north through east) and altitude.
  void Look(double& azimuth, double& altitude) const {
    D3DXVECTOR3 look;
    D3DXVec3Cross(&look, &m_cameraSide, &m_cameraUp);
    D3DXVec3Normalize(&look, &look);
    altitude = std::asin(-look.y);
    azimuth = std::atan2(-look.x, look.z);
    if (azimuth < 0) azimuth += 2 * kPi;
  }
  bool libraryLoaded = false;
  double now = 100.0;
  bool clockWorks = true;
  int parameters = 0, configuration = 0, find = 0;
};

class ViewInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    SetMessageBoxHandler([this](const CString& text, const CString&, UINT) {
      messages.push_back(text.c_str());
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
  std::vector<std::string> messages;
};

TEST_F(ViewInput, WideningHoldsPastSeventyDegreesAndNarrowingHasAFloor) {
  InputView view;
  // The keyboard's numeric pad, the command and the wheel each keep their own last widened field.
  for (int i = 0; i < 7; ++i) view.OnKeyDown(VK_SUBTRACT, 1, 0);
  EXPECT_NEAR(view.m_fieldOfView, 1.2846256, 1e-6);
  view.OnKeyDown(VK_SUBTRACT, 1, 0);
  EXPECT_NEAR(view.m_fieldOfView, 1.2846256, 1e-6);

  view.m_fieldOfView = 0.8f;
  for (int i = 0; i < 9; ++i) view.OnZoomOut();
  EXPECT_NEAR(view.m_fieldOfView, 1.2846256, 1e-6);
  view.OnZoomIn();
  EXPECT_NEAR(view.m_fieldOfView, 1.2846256 / 1.07, 1e-6);
  view.OnZoomReset();
  EXPECT_EQ(view.m_fieldOfView, 0.8f);

  // The wheel compares with the float nearest 70 degrees.
  view.m_fieldOfView = 1.2217304f;
  view.OnMouseWheel(0, 120, CPoint(0, 0));
  EXPECT_NEAR(view.m_fieldOfView, 1.2217304 * 1.07, 1e-6);

  // Two thousand narrowing steps by key, wheel and command never reach zero or overflow.
  view.m_fieldOfView = 0.8f;
  for (int i = 0; i < 700; ++i) {
    view.OnKeyDown(VK_ADD, 1, 0);
    view.OnMouseWheel(0, -120, CPoint(0, 0));
    view.OnZoomIn();
  }
  EXPECT_EQ(view.m_fieldOfView, CNuvarine2View::kMinimumFieldOfView);
  view.Refresh();
  EXPECT_TRUE(std::isfinite(view.m_camera.m_projectionMatrix._11));
  EXPECT_TRUE(std::isfinite(view.m_camera.m_projectionMatrix._22));
}

TEST_F(ViewInput, KeyTableWithAndWithoutCtrl) {
  InputView view;
  // Letters alone do nothing (S alone is the screenshot, tested with the capture).
  for (UINT key : {UINT('A'), UINT('C'), UINT('F'), UINT('P')}) view.OnKeyDown(key, 1, 0);
  EXPECT_EQ(view.parameters + view.configuration + view.find, 0);
  EXPECT_FALSE(view.m_animationRunning);

  view.OnKeyDown(VK_CONTROL, 1, 0);
  view.OnKeyDown('A', 1, 0);
  view.OnKeyDown('C', 1, 0);
  view.OnKeyDown('F', 1, 0);
  EXPECT_EQ(view.parameters, 1);
  EXPECT_EQ(view.configuration, 1);
  EXPECT_EQ(view.find, 1);
  view.OnKeyDown('P', 1, 0);
  EXPECT_TRUE(view.m_animationRunning);
  view.OnKeyDown('S', 1, 0);
  EXPECT_FALSE(view.m_animationRunning);
  view.OnKeyUp(VK_CONTROL, 1, 0);
  EXPECT_FALSE(view.m_controlKeyDown);

  // Ctrl released while another window has the focus: the focus loss clears it.
  view.OnKeyDown(VK_CONTROL, 1, 0);
  view.OnKillFocus(nullptr);
  view.OnKeyDown('P', 1, 0);
  EXPECT_FALSE(view.m_animationRunning);

  // The main keyboard's + and - and unlisted keys leave the field alone.
  const float field = view.m_fieldOfView;
  for (UINT key : {VK_OEM_PLUS, VK_OEM_MINUS, VK_INSERT, VK_DELETE, UINT('Q')}) view.OnKeyDown(key, 1, 0);
  EXPECT_EQ(view.m_fieldOfView, field);

  // Escape clears the lock, the flight and the follow even without a telescope.
  view.m_lockedObject = 5, view.m_flightTargetBody = 4, view.m_telescopeFollowTarget = true;
  view.OnKeyDown(VK_ESCAPE, 1, 0);
  EXPECT_EQ(view.m_lockedObject, -1);
  EXPECT_EQ(view.m_flightTargetBody, -1);
  EXPECT_FALSE(view.m_telescopeFollowTarget);
}

TEST_F(ViewInput, CompassAndArrowTurns) {
  InputView view;
  double az, alt;
  view.OnViewWest();
  view.Look(az, alt);
  EXPECT_NEAR(az / kDeg, 270.0, 0.01);
  EXPECT_NEAR(alt, 0.2, 1e-5);
  view.ResetAndRotateCamera(static_cast<float>(3 * kPi / 2), 0.2f);
  view.Look(az, alt);
  EXPECT_NEAR(az / kDeg, 90.0, 0.01);
  EXPECT_NEAR(alt, 0.2, 1e-5);
  view.OnViewZenith();
  view.Look(az, alt);
  EXPECT_NEAR(alt, 1.4707963, 1e-5);

  // The left arrow and the "Left" button turn opposite ways.
  view.OnViewSouth();
  double az0, alt0;
  view.Look(az0, alt0);
  view.OnKeyDown(VK_LEFT, 1, 0);
  view.Look(az, alt);
  const double keyTurn = az - az0;
  view.OnViewSouth();
  view.OnScrollLeft();
  view.Look(az, alt);
  EXPECT_NEAR(az - az0, -keyTurn, 1e-5);
  EXPECT_NEAR(std::fabs(keyTurn), 0.016, 1e-4);

  // Compass commands do nothing in solar-system mode.
  view.m_planetariumMode = false;
  const D3DXQUATERNION before = view.m_cameraOrientation;
  view.OnViewNorth();
  EXPECT_EQ(std::memcmp(&before, &view.m_cameraOrientation, sizeof before), 0);
}

TEST_F(ViewInput, LeftDragKeepsTheSkyPointUnderTheCursor) {
  InputView view;
  view.OnMouseMove(0, CPoint(160, 120));
  float altStart, azStart;
  view.ScreenToSky(160, 120, altStart, azStart);
  CPoint p(160, 120);
  for (int i = 0; i < 6; ++i) {
    p = CPoint(p.x + 9, p.y - 4);
    view.OnMouseMove(MK_LBUTTON, p);
    view.Refresh();
    // The point grabbed is under the cursor within a pixel.
    float alt, az;
    view.ScreenToSky(p.x, p.y, alt, az);
    EXPECT_NEAR(alt, altStart, 0.8f * 1.5f / 320.0f) << "step " << i;
    EXPECT_NEAR(std::remainder(az - azStart, 2 * kPi), 0.0, 0.8 * 1.5 / 320.0 / std::cos(alt)) << "step " << i;
  }
  // Shift+left and both buttons move nothing in planetarium mode.
  const D3DXQUATERNION before = view.m_cameraOrientation;
  view.OnMouseMove(MK_LBUTTON | MK_SHIFT, CPoint(p.x + 30, p.y));
  view.OnMouseMove(MK_LBUTTON | MK_RBUTTON, CPoint(p.x + 60, p.y + 10));
  EXPECT_EQ(std::memcmp(&before, &view.m_cameraOrientation, sizeof before), 0);

  // During a flight, moves are ignored; after a dismissed pop-up, the first one.
  view.m_flightTargetBody = 4;
  view.OnMouseMove(MK_LBUTTON, CPoint(10, 10));
  view.m_flightTargetBody = -1;
  view.m_skipNextMouseMove = true;
  view.OnMouseMove(MK_LBUTTON, CPoint(20, 20));
  EXPECT_EQ(std::memcmp(&before, &view.m_cameraOrientation, sizeof before), 0);
  EXPECT_FALSE(view.m_skipNextMouseMove);
}

TEST_F(ViewInput, AnimationRunsOnTheInjectedTimer) {
  InputView view;
  view.m_julianDate = 2460000.5;
  // Method 1: factor 86400 is a day per second, reversed subtracts.
  view.m_animationMethod = 1;
  view.m_animationSpeedFactor = 86400.0;
  view.OnStartAnimation();
  view.now += 1.0;
  view.AdvanceAnimation();
  EXPECT_NEAR(view.m_julianDate, 2460001.5, 1e-7);
  view.OnStartInvertedAnimation();
  view.now += 2.0;
  view.AdvanceAnimation();
  EXPECT_NEAR(view.m_julianDate, 2459999.5, 1e-7);

  // The speed keys keep the shown date continuous and come back to the same speed.
  view.OnStartAnimation();
  view.now += 0.5;
  view.AdvanceAnimation();
  const double shown = view.m_julianDate;
  view.OnKeyDown(VK_DECIMAL, 1, 0);
  view.AdvanceAnimation();
  EXPECT_NEAR(view.m_julianDate, shown, 1e-9);
  view.OnKeyDown(VK_NUMPAD0, 1, 0);
  view.AdvanceAnimation();
  EXPECT_NEAR(view.m_julianDate, shown, 1e-9);
  EXPECT_EQ(view.m_animationSpeedFactor, 86400.0);

  // Method 2: one step per frame however late; without automatic mode, one step.
  view.m_animationMethod = 2;
  view.m_animationFps = 10.0;
  view.m_animationStepDays = 1.0, view.m_animationStepHours = 0, view.m_animationStepMinutes = 0;
  view.m_animationStepSeconds = 0;
  view.m_animationAutomatic = true;
  const double start = view.m_julianDate;
  view.OnStartAnimation();
  view.now += 5.0;  // fifty steps due
  view.AdvanceAnimation();
  view.AdvanceAnimation();
  EXPECT_NEAR(view.m_julianDate, start + 2.0, 1e-9);
  EXPECT_TRUE(view.m_animationRunning);
  view.m_animationAutomatic = false;
  view.OnStartAnimation();
  EXPECT_EQ(view.m_animationStepCount, 0);
  view.AdvanceAnimation();
  EXPECT_FALSE(view.m_animationRunning);
  EXPECT_NEAR(view.m_julianDate, start + 3.0, 1e-9);
}

// Keypad "." held for a minute doubled the speed past the largest double:
// the date became NaN for good. The speed stops at the animation dialog's
// bounds both ways, and the date stays a finite, moving number.
TEST_F(ViewInput, SpeedKeysHeldStopAtTheBoundsAndTheDateStaysFinite) {
  InputView view;
  view.m_julianDate = 2460000.5;
  view.m_animationMethod = 1;
  view.m_animationSpeedFactor = 3000.0;
  view.OnStartAnimation();
  for (int i = 0; i < 2000; ++i) {
    view.now += 0.03;
    view.OnKeyDown(VK_DECIMAL, 1, 0);
    view.AdvanceAnimation();
    ASSERT_TRUE(std::isfinite(view.m_julianDate)) << i;
  }
  EXPECT_LE(view.m_animationSpeedFactor, 1e13);
  EXPECT_GT(view.m_animationSpeedFactor, 1e12);
  const double fast = view.m_julianDate;
  view.now += 1.0;
  view.AdvanceAnimation();
  EXPECT_GT(view.m_julianDate, fast) << "time still runs";
  EXPECT_TRUE(std::isfinite(view.m_year));
  for (int i = 0; i < 2000; ++i) {
    view.now += 0.03;
    view.OnKeyDown(VK_NUMPAD0, 1, 0);
    view.AdvanceAnimation();
  }
  EXPECT_GE(view.m_animationSpeedFactor, 1e-10);
  EXPECT_LT(view.m_animationSpeedFactor, 1e-9);
  EXPECT_GT(view.m_animationSpeedFactor, 0.0);
}

TEST_F(ViewInput, RealTimeTakesTheClockAndAnUnreadableClockKeepsTheInstant) {
  InputView view;
  view.m_realTime = true;
  view.OnStartAnimation();
  EXPECT_EQ(view.m_year, 2024);
  EXPECT_EQ(view.m_hour, 4);
  EXPECT_EQ(view.m_second, 30.25);
  EXPECT_EQ(view.m_animationStartTime, 0.0);
  view.m_year = 2001, view.m_month = 2, view.m_day = 3, view.m_hour = 4, view.m_minute = 5, view.m_second = 6;
  view.clockWorks = false;
  view.AdvanceAnimation();
  EXPECT_EQ(view.m_year, 2001);
  EXPECT_EQ(view.m_month, 2);
  EXPECT_EQ(view.m_hour, 4);
}

TEST_F(ViewInput, LockedObjectKeepsItsOffsetAndTheFlightArrives) {
  InputView view;
  ASSERT_TRUE(view.libraryLoaded);
  view.m_planetariumMode = false;
  view.m_julianDate = 2460000.5;
  view.UpdateTimeContext();
  view.UpdateSkyPositions();
  const Vector3d mars = g_bodies[4].position;
  view.m_lockedObject = 4;
  view.m_cameraPosition = Vector3d{mars.x + 0.1, mars.y - 0.2, mars.z + 0.05};
  view.m_animationMethod = 1;
  view.m_animationSpeedFactor = 86400.0;
  view.OnStartAnimation();
  view.now += 10.0;
  view.AdvanceAnimation();
  const Vector3d moved = g_bodies[4].position;
  EXPECT_GT(std::fabs(moved.x - mars.x) + std::fabs(moved.y - mars.y), 1.0);
  EXPECT_NEAR(view.m_cameraPosition.x - moved.x, 0.1, 1e-9);
  EXPECT_NEAR(view.m_cameraPosition.y - moved.y, -0.2, 1e-9);
  view.OnStopAnimation();

  // A flight from 25 million km: the first frame moves 0.98184 million km.
  view.m_lockedObject = -1;
  const Vector3d target = g_bodies[4].position;
  view.m_cameraPosition = Vector3d{target.x + 25.0, target.y, target.z};
  g_bodies[4].cameraDistance = 25.0;
  view.m_flightTargetBody = 4;
  view.m_flightLookDirection = D3DXVECTOR3(-1.0f, 0.0f, 0.0f);  // straight at it
  view.FlyCamera();
  EXPECT_NEAR(25.0 - (view.m_cameraPosition.x - target.x), 0.98184, 1e-4);
  // Looking exactly away from the target and then flying on: never NaN, and it arrives.
  view.m_flightLookDirection = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  for (int i = 0; i < 2000 && view.m_flightTargetBody != -1; ++i) {
    view.FlyCamera();
    ASSERT_TRUE(std::isfinite(view.m_cameraPosition.x));
    ASSERT_TRUE(std::isfinite(view.m_flightLookDirection.x));
  }
  EXPECT_EQ(view.m_flightTargetBody, -1);
  EXPECT_EQ(view.m_lockedObject, -1);  // locked only for the placement
  const double arrival = g_bodies[4].diameter / (std::tan(0.4) * 1e6);
  EXPECT_NEAR(g_bodies[4].cameraDistance, arrival, 1e-9);

  // A camera exactly at the target is an arrival, with a lock kept.
  view.m_lockedObject = 4;
  view.m_cameraPosition = g_bodies[4].position;
  view.m_flightTargetBody = 4;
  view.FlyCamera();
  EXPECT_EQ(view.m_flightTargetBody, -1);
  EXPECT_EQ(view.m_lockedObject, 4);
  EXPECT_TRUE(view.m_centeringPending);
  EXPECT_TRUE(std::isfinite(view.m_cameraPosition.x));
}

TEST_F(ViewInput, WheelStepShrinksNearBodies) {
  InputView view;
  view.m_planetariumMode = false;
  view.m_julianDate = 2460000.5;
  view.UpdateTimeContext();
  view.UpdateSkyPositions();
  for (int k = 0; k < kBodyCount; ++k) g_bodies[k].surfaceDistance = 1e6;
  view.m_cameraPosition = Vector3d{1e4, 1e4, 1e4};
  Vector3d before = view.m_cameraPosition;
  view.MoveCameraAlongView(-120);
  auto moved = [&] {
    const double x = view.m_cameraPosition.x - before.x, y = view.m_cameraPosition.y - before.y,
                 z = view.m_cameraPosition.z - before.z;
    return std::sqrt(x * x + y * y + z * z);
  };
  EXPECT_NEAR(moved(), 30.0, 1e-6);
  g_bodies[3].surfaceDistance = 1.0;
  before = view.m_cameraPosition;
  view.MoveCameraAlongView(120);
  EXPECT_NEAR(moved(), 0.04022646, 1e-7);
}

TEST_F(ViewInput, CoordinatesUnderTheCursor) {
  InputView view;
  view.m_observerLatitude = 45.0 * kDeg;
  view.m_localSiderealTime = 2.0;
  struct Case {
    double altitude, azimuth, refraction, rightAscension, declination;
  } cases[] = {
      // On the meridian, south: hour angle 0, declination = latitude - zenith distance.
      {45.0 * kDeg, 180.0 * kDeg, 0.0, 2.0, 0.0},
      // The zenith: the declination is the latitude.
      {90.0 * kDeg, 0.0, 1.0, 2.0, 45.0 * kDeg},
      // Due north on the horizon (below 0.1 degree: no refraction removed).
      {0.0, 0.0, 1.0, 2.0 + kPi, 45.0 * kDeg},
  };
  for (const Case& c : cases) {
    view.m_refractionFactor = c.refraction;
    double ra, dec;
    view.CursorEquatorial(c.altitude, c.azimuth, ra, dec);
    EXPECT_NEAR(dec, c.declination, 1e-9) << c.altitude << " " << c.azimuth;
    if (std::fabs(c.altitude - kPi / 2) > 1e-9) EXPECT_NEAR(std::remainder(ra - c.rightAscension, 2 * kPi), 0.0, 1e-9);
    EXPECT_GE(ra, 0.0);
    EXPECT_LT(ra, 2 * kPi);
  }
  // At 10 degrees the refraction removed lowers the point by about 5.3 minutes of arc.
  double raNo, decNo, raYes, decYes;
  view.m_refractionFactor = 0.0;
  view.CursorEquatorial(10.0 * kDeg, 180.0 * kDeg, raNo, decNo);
  view.m_refractionFactor = 1.0;
  view.CursorEquatorial(10.0 * kDeg, 180.0 * kDeg, raYes, decYes);
  EXPECT_NEAR((decNo - decYes) / kDeg * 60.0, 5.3, 0.2);
}

}  // namespace

namespace {

TEST_F(ViewInput, ModeSwitchesComeBackToTheSouthernView) {
  InputView view;
  ASSERT_TRUE(view.libraryLoaded);
  view.m_julianDate = 2460000.5;
  view.UpdateTimeContext();
  view.m_fieldOfView = 0.3f;
  view.m_lockedObject = 5;
  // The planetarium item does nothing in planetarium mode.
  view.OnCmdMsg(32911, nullptr);
  EXPECT_TRUE(view.m_planetariumMode);
  view.OnCmdMsg(32912, nullptr);
  EXPECT_FALSE(view.m_planetariumMode);
  // The camera is near the Earth.
  const Vector3d& earth = g_bodies[3].position;
  const double dx = view.m_cameraPosition.x - earth.x, dy = view.m_cameraPosition.y - earth.y,
               dz = view.m_cameraPosition.z - earth.z;
  EXPECT_LT(std::sqrt(dx * dx + dy * dy + dz * dz), 1.0);
  view.OnCmdMsg(32912, nullptr);
  EXPECT_FALSE(view.m_planetariumMode);
  view.OnCmdMsg(32915, nullptr);
  EXPECT_TRUE(view.m_planetariumMode);
  EXPECT_EQ(view.m_fieldOfView, 0.8f);
  EXPECT_EQ(view.m_lockedObject, -1);
  double az, alt;
  view.Look(az, alt);
  EXPECT_NEAR(az, 2 * kPi - 3.1515927, 1e-4);
  EXPECT_NEAR(alt, 0.2, 1e-5);
}

}  // namespace

#include <QTimer>

#include "AnimationDialogs.h"

namespace {

// Runs the command's dialog for real (offscreen): `act` types into it and presses its buttons.
void AnswerDialogs(InputView& view, std::function<void(CDialog&)> act) {
  view.m_runDialog = [act](CDialog& dialog) -> INT_PTR {
    QTimer::singleShot(0, [&dialog, act] { act(dialog); });
    return dialog.DoModal();
  };
}

TEST_F(ViewInput, ZoomDialogOpensAtTheNearestPositionAndEveryStepSurvivesApply) {
  EXPECT_EQ(CZoomSetupDialog::PositionOfStep(1.07f), 7);
  EXPECT_EQ(CZoomSetupDialog::StepOfPosition(0), 1.01f);
  for (int p = 1; p <= 25; ++p) {
    const float step = CZoomSetupDialog::StepOfPosition(p);
    EXPECT_EQ(CZoomSetupDialog::StepOfPosition(CZoomSetupDialog::PositionOfStep(step)), step) << p;
  }
  InputView view;
  CString shown;
  AnswerDialogs(view, [&shown](CDialog& dialog) {
    dialog.GetDlgItemText(1019, shown);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  for (int i = 0; i < 3; ++i) view.OnZoomSetup();
  EXPECT_EQ(std::string(shown.c_str()), "Increase/Decrease of 7 %        ");
  EXPECT_EQ(view.m_zoomStep, 1.07f);
  // "By default" goes back to 7 %, Cancel keeps the step.
  view.m_zoomStep = 1.2f;
  AnswerDialogs(view, [](CDialog& dialog) {
    dialog.SendControlNotify(1007, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnZoomSetup();
  EXPECT_EQ(view.m_zoomStep, 1.07f);
  AnswerDialogs(view, [](CDialog& dialog) { dialog.SendControlNotify(IDCANCEL, BN_CLICKED); });
  view.m_zoomStep = 1.2f;
  view.OnZoomSetup();
  EXPECT_EQ(view.m_zoomStep, 1.2f);
}

TEST_F(ViewInput, CoordinatesDialogKeepsTheSignOfMinusZero) {
  struct Case {
    const char *h, *m, *s, *d, *dm, *ds;
    double ra, dec;
  } cases[] = {
      {"12", "30", "0", "-5", "30", "0", 187.5, -5.5},
      {"0", "0", "0", "-0", "30", "0", 0.0, -0.5},
      {"1", "0", "36", "0", "30", "0", 15.15, 0.5},
  };
  for (const Case& c : cases) {
    CEnterCoordinatesDialog dialog;
    QTimer::singleShot(0, [&dialog, &c] {
      dialog.SetDlgItemText(1012, c.h);
      dialog.SetDlgItemText(1013, c.m);
      dialog.SetDlgItemText(1014, c.s);
      dialog.SetDlgItemText(1015, c.d);
      dialog.SetDlgItemText(1016, c.dm);
      dialog.SetDlgItemText(1017, c.ds);
      dialog.SendControlNotify(IDOK, BN_CLICKED);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_NEAR(dialog.m_rightAscension, c.ra, 1e-12);
    EXPECT_NEAR(dialog.m_declination, c.dec, 1e-12);
  }
}

TEST_F(ViewInput, LookInADirectionBelowTheHorizonSaysSoAndStays) {
  InputView view;
  view.m_observerLatitude = 45.0 * kDeg;
  view.m_sinLatitude = std::sin(view.m_observerLatitude);
  view.m_cosLatitude = std::cos(view.m_observerLatitude);
  view.UpdateTimeContext();
  const D3DXQUATERNION before = view.m_cameraOrientation;
  // Declination -60 degrees never rises at latitude 45.
  AnswerDialogs(view, [](CDialog& dialog) {
    dialog.SetDlgItemText(1015, "-60");
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnLookInDirection();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "This point is below the horizon line !");
  EXPECT_EQ(std::memcmp(&before, &view.m_cameraOrientation, sizeof before), 0);
  // The pole star's place turns the view north at the latitude's height.
  AnswerDialogs(view, [](CDialog& dialog) {
    dialog.SetDlgItemText(1015, "89");
    dialog.SetDlgItemText(1016, "59");
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnLookInDirection();
  double az, alt;
  view.Look(az, alt);
  EXPECT_NEAR(alt / kDeg, 45.0, 0.1);
  EXPECT_NEAR(std::remainder(az, 2 * kPi) / kDeg, 0.0, 1.5);
}

TEST_F(ViewInput, AnimationDialogKeepsTypedValuesAndTellsABadOneOnce) {
  InputView view;
  view.m_animationSpeedFactor = 3000.0;
  view.m_animationMethod = 1;
  int opened = 0;
  AnswerDialogs(view, [this, &opened](CDialog& dialog) {
    ++opened;
    dialog.SetDlgItemText(1053, "900");  // more than 500 frames a second
    dialog.SendControlNotify(IDOK, BN_CLICKED);
    EXPECT_EQ(messages.size(), 1u);  // once, and the dialog stays open
    dialog.SetDlgItemText(1053, "25");
    dialog.SetDlgItemText(1019, "7200");
    dialog.Invalidate();
    dialog.UpdateWindow();  // a repaint keeps what was typed
    dialog.CheckDlgButton(1105, BST_UNCHECKED);
    dialog.CheckDlgButton(1054, BST_CHECKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.CNuvarine2View::OnAnimationParameters();
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(view.m_animationFps, 25.0);
  EXPECT_EQ(view.m_animationSpeedFactor, 7200.0);
  EXPECT_EQ(view.m_animationMethod, 3);
  EXPECT_TRUE(view.m_realTime);
}

TEST_F(ViewInput, AnimationMethodDecidesRealTime) {
  // Method 3 runs time in real time; methods 1 and 2 step it.
  struct Row {
    int box, method;
    bool realTime;
  };
  const Row rows[] = {{1105, 1, false}, {1106, 2, false}, {1054, 3, true}, {1105, 1, false}};
  InputView view;
  for (const Row& row : rows) {
    AnswerDialogs(view, [&row](CDialog& dialog) {
      for (int box : {1105, 1106, 1054}) dialog.CheckDlgButton(box, box == row.box ? BST_CHECKED : BST_UNCHECKED);
      dialog.SendControlNotify(IDOK, BN_CLICKED);
    });
    view.m_realTime = !row.realTime;
    view.CNuvarine2View::OnAnimationParameters();
    EXPECT_EQ(view.m_animationMethod, row.method);
    EXPECT_EQ(view.m_realTime, row.realTime) << row.method;
  }
}

TEST_F(ViewInput, ZoomDialogPositionZeroAppliesOnePercent) {
  InputView view;
  view.m_zoomStep = 1.07f;
  AnswerDialogs(view, [](CDialog& dialog) {
    CDataExchange dx(&dialog, FALSE);
    int zero = 0;
    DDX_Slider(&dx, 1094, zero);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnZoomSetup();
  EXPECT_EQ(view.m_zoomStep, 1.01f);
}

}  // namespace

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "AjouterImage.h"
#include "Catalogues.h"
#include "Trajectory.h"

namespace {

namespace fs = std::filesystem;

TEST_F(ViewInput, PicturePlacementIsStoredOrSaidToBeImpossible) {
  const fs::path root = fs::temp_directory_path() / ("nv-place-" + std::to_string(::getpid()));
  fs::create_directories(root / "Textures" / "CP");
  InputView view;
  view.m_installFolder = root.string();
  AjouterImage* window = view.m_pAddPictureDialog;
  ASSERT_NE(window, nullptr);
  for (int i = 0; i <= kDeepSkyPictureLimit; ++i) g_deepSkyPictures[i] = DeepSkyPicture{"", -1, 1, 0, 0, 0};
  g_deepSkyPictures[0] = DeepSkyPicture{"m42.jpg", 41, 1, 0, 0, 0};

  // A placement confirmed: the entry after the last, the name without its folder, the list written.
  window->SetDlgItemText(1020, "C:\\pics\\M31.JPG");
  window->m_okPressed = true;
  view.m_pictureTargetObject = 30;
  view.UpdatePicturePlacement();
  EXPECT_EQ(view.m_pictureTargetObject, -1);
  EXPECT_EQ(g_deepSkyPictures[1].objectNumber, 30);
  EXPECT_EQ(std::string(g_deepSkyPictures[1].fileName.c_str()), "M31.JPG");
  EXPECT_EQ(g_deepSkyPictures[2].objectNumber, -1);
  std::ifstream written(root / "Textures" / "CP" / "CP.ini");
  const std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("M31.JPG"), std::string::npos);
  EXPECT_TRUE(messages.empty());

  // Every entry taken by other objects: the user is told and nothing changes.
  for (int i = 0; i < kDeepSkyPictureLimit; ++i) g_deepSkyPictures[i] = DeepSkyPicture{"p.jpg", 1000 + i, 1, 0, 0, 0};
  window->m_okPressed = true;
  view.m_pictureTargetObject = 30;
  view.UpdatePicturePlacement();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(view.m_pictureTargetObject, -1);
  for (int i = 0; i < kDeepSkyPictureLimit; ++i) ASSERT_EQ(g_deepSkyPictures[i].objectNumber, 1000 + i);
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

TEST_F(ViewInput, CancelAbandonsThePlacementAndTheSkyIsAsBefore) {
  const fs::path root = fs::temp_directory_path() / ("nv-place-cancel-" + std::to_string(::getpid()));
  fs::create_directories(root / "Textures" / "CP");
  InputView view;
  view.m_installFolder = root.string();
  AjouterImage* window = view.m_pAddPictureDialog;
  ASSERT_NE(window, nullptr);
  for (int i = 0; i <= kDeepSkyPictureLimit; ++i) g_deepSkyPictures[i] = DeepSkyPicture{"", -1, 1, 0, 0, 0};
  g_deepSkyPictures[0] = DeepSkyPicture{"m42.jpg", 41, 1, 0, 0, 0};
  window->ShowWindow(SW_SHOW);
  window->SetDlgItemText(1020, "/nowhere/M31.jpg");
  view.m_pictureTargetObject = 30;
  window->SendControlNotify(1065, BN_CLICKED);  // Cancel
  view.UpdatePicturePlacement();
  EXPECT_FALSE(window->IsWindowVisible());
  // No object is being placed any more: no preview, and the deep-sky pass
  // (skipped only while a placement runs) draws again.
  EXPECT_EQ(view.m_pictureTargetObject, -1);
  EXPECT_EQ(view.m_placementPictureTexture, nullptr);
  EXPECT_FALSE(window->m_cancelPressed);
  // Nothing was stored.
  EXPECT_EQ(g_deepSkyPictures[1].objectNumber, -1);
  EXPECT_EQ(std::string(g_deepSkyPictures[0].fileName.c_str()), "m42.jpg");
  EXPECT_FALSE(fs::exists(root / "Textures" / "CP" / "CP.ini"));
  EXPECT_TRUE(messages.empty());
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

TEST_F(ViewInput, APictureChosenWithSlashesIsStoredByNameAndFoundInThePicturesFolder) {
  const fs::path root = fs::temp_directory_path() / ("nv-place-slash-" + std::to_string(::getpid()));
  const fs::path pictures = root / "Textures" / "CP";
  const fs::path elsewhere = root / "home" / "photos";
  fs::create_directories(pictures);
  fs::create_directories(elsewhere);
  std::ofstream(pictures / "m42.jpg") << "in the folder";
  std::ofstream(elsewhere / "M31.JPG") << "from the camera";
  std::ofstream(pictures / "m1.jpg") << "already there";
  std::ofstream(elsewhere / "m1.jpg") << "another crab";
  fs::create_directories(elsewhere / "copy");
  std::ofstream(elsewhere / "copy" / "m42.jpg") << "in the folder";
  InputView view;
  view.m_installFolder = root.string();
  AjouterImage* window = view.m_pAddPictureDialog;
  ASSERT_NE(window, nullptr);
  struct Case {
    const char* what;
    fs::path chosen;
    int object;
    const char* name;
    const char* inFolder;  // what textures/CP holds under that name afterwards
  } cases[] = {
      {"a file of the pictures folder", pictures / "m42.jpg", 41, "m42.jpg", "in the folder"},
      {"a file elsewhere is copied in", elsewhere / "M31.JPG", 30, "M31.JPG", "from the camera"},
      // Another picture of a name already taken: both are kept, the new one
      // under a numbered name; the same picture chosen again reuses its copy.
      {"a taken name keeps both pictures", elsewhere / "m1.jpg", 0, "m1-2.jpg", "another crab"},
      {"the same picture again is not copied twice", elsewhere / "m1.jpg", 0, "m1-2.jpg", "another crab"},
      {"a picture equal to the folder's reuses it", elsewhere / "copy" / "m42.jpg", 0, "m42.jpg", "in the folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int i = 0; i <= kDeepSkyPictureLimit; ++i) g_deepSkyPictures[i] = DeepSkyPicture{"", -1, 1, 0, 0, 0};
    window->SetDlgItemText(1020, c.chosen.string().c_str());
    window->m_okPressed = true;
    view.m_pictureTargetObject = c.object;
    view.UpdatePicturePlacement();
    EXPECT_EQ(g_deepSkyPictures[0].objectNumber, c.object);
    EXPECT_EQ(std::string(g_deepSkyPictures[0].fileName.c_str()), c.name);
    std::ifstream stored(pictures / c.name);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>()), c.inFolder);
    EXPECT_TRUE(messages.empty());
  }
  EXPECT_TRUE(fs::exists(elsewhere / "M31.JPG"));  // copied, not moved
  std::ifstream first(pictures / "m1.jpg");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(first)), std::istreambuf_iterator<char>()), "already there");
  EXPECT_FALSE(fs::exists(pictures / "m1-3.jpg"));
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

TEST_F(ViewInput, ATrajectoryIsDroppedWithTheLockOutsideItsDates) {
  InputView view;
  ASSERT_TRUE(view.libraryLoaded);
  view.m_planetariumMode = false;
  std::memset(g_trajectory, 0, sizeof g_trajectory);
  g_trajectory[0] = TrajectoryPoint{2450000.0, 1, 2, 3};
  g_trajectory[1] = TrajectoryPoint{2450010.0, 1, 2, 3};
  view.m_trajectoryBody = 40;
  view.m_lockedObject = 40;
  view.m_julianDate = 2450005.0;
  view.CalendarFromJulianDay(view.m_year, view.m_month, view.m_day, view.m_hour, view.m_minute, view.m_second,
                             view.m_julianDate);
  view.m_animationMethod = 1;
  view.m_animationSpeedFactor = 86400.0;
  view.OnStartAnimation();
  view.now += 1.0;
  view.AdvanceAnimation();
  EXPECT_EQ(view.m_lockedObject, 40);
  EXPECT_NE(g_trajectory[0].julianDate, 0.0);
  view.now += 10.0;
  view.AdvanceAnimation();
  EXPECT_EQ(view.m_lockedObject, -1);
  EXPECT_EQ(view.m_trajectoryBody, -1);
  EXPECT_EQ(g_trajectory[0].julianDate, 0.0);
  EXPECT_EQ(g_trajectory[1].julianDate, 0.0);
}

}  // namespace

namespace {

TEST_F(ViewInput, RightDragOrbitsTheLockedObjectAtItsDistance) {
  InputView view;
  ASSERT_TRUE(view.libraryLoaded);
  view.m_planetariumMode = false;
  view.m_julianDate = 2460000.5;
  view.UpdateTimeContext();
  view.UpdateSkyPositions();
  view.GoToBody(5, 0.0);
  const double distance = g_bodies[5].cameraDistance;
  view.OnMouseMove(0, CPoint(100, 100));
  for (int i = 1; i <= 5; ++i) {
    view.OnMouseMove(MK_RBUTTON, CPoint(100 + 15 * i, 100 + 7 * i));
    const Vector3d& p = g_bodies[5].position;
    const double dx = view.m_cameraPosition.x - p.x, dy = view.m_cameraPosition.y - p.y,
                 dz = view.m_cameraPosition.z - p.z;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), distance, distance * 1e-6);
    // Still looking at it: the look direction points from the camera to the body.
    D3DXVECTOR3 look;
    D3DXVec3Cross(&look, &view.m_cameraSide, &view.m_cameraUp);
    D3DXVec3Normalize(&look, &look);
    const double dot = -(dx * look.x + dy * look.y + dz * look.z) / std::sqrt(dx * dx + dy * dy + dz * dz);
    EXPECT_NEAR(dot, 1.0, 1e-5);
  }
}

}  // namespace

namespace {

// The look direction (side x up) points from the camera to `p`.
double LookDot(const InputView& view, const Vector3d& p) {
  const double dx = p.x - view.m_cameraPosition.x, dy = p.y - view.m_cameraPosition.y,
               dz = p.z - view.m_cameraPosition.z;
  D3DXVECTOR3 look;
  D3DXVec3Cross(&look, &view.m_cameraSide, &view.m_cameraUp);
  D3DXVec3Normalize(&look, &look);
  return (dx * look.x + dy * look.y + dz * look.z) / std::sqrt(dx * dx + dy * dy + dz * dz);
}

TEST_F(ViewInput, GoingToABodyStandsOffByItsSizeTheSunAndTheEarthIncluded) {
  InputView view;
  ASSERT_TRUE(view.libraryLoaded);
  view.m_planetariumMode = false;
  view.m_suppressObjectInfo = true;  // the commands move the camera without opening their texts
  view.m_julianDate = 2461385.5;     // 2026 December 11
  view.UpdateTimeContext();
  view.UpdateSkyPositions();
  struct Case {
    const char* what;
    std::function<void()> go;
    int body;
    double distance;  // million km from the centre
  } cases[] = {
      {"Sun", [&] { view.OnCmdMsg(32805, nullptr); }, kBodySun, 3.29},
      {"Earth", [&] { view.OnCmdMsg(134, nullptr); }, kBodyEarth, 0.030171},
      {"Mars", [&] { view.OnCmdMsg(32798, nullptr); }, kBodyMars, g_bodies[kBodyMars].diameter / std::tan(0.4) * 1e-6},
      {"the whole solar system", [&] { view.OnCmdMsg(293, nullptr); }, kBodySun, 30000.0},
  };
  for (const Case& c : cases) {
    view.m_lockedObject = -1;
    view.m_cameraPosition = Vector3d{1.0, 2.0, 3.0};
    c.go();
    EXPECT_EQ(view.m_lockedObject, c.body) << c.what;
    const Vector3d& p = g_bodies[c.body].position;
    const double dx = view.m_cameraPosition.x - p.x, dy = view.m_cameraPosition.y - p.y,
                 dz = view.m_cameraPosition.z - p.z;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), c.distance, c.distance * 1e-3) << c.what;
    EXPECT_NEAR(g_bodies[c.body].cameraDistance, c.distance, c.distance * 1e-3) << c.what;
    EXPECT_NEAR(LookDot(view, p), 1.0, 1e-5) << c.what;  // in the middle of the view
  }
  // Planet names and sizes are those of the body table: Mars is a few thousand km wide.
  EXPECT_GT(g_bodies[kBodyMars].diameter, 6000.0);
  EXPECT_LT(g_bodies[kBodyMars].diameter, 7000.0);
}

TEST_F(ViewInput, ALockOnARecordGoneWithAShorterElementsFileHasNoPlace) {
  InputView view;
  ASSERT_TRUE(view.libraryLoaded);
  const std::string pattern = ::testing::TempDir() + "nuvarine-lock-XXXXXX";
  std::string folder = pattern;
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  mkdir((folder + "/donnees").c_str(), 0755);
  auto write = [&](const char* name, int lines) {
    FILE* f = std::fopen((folder + "/donnees/" + name).c_str(), "wb");
    for (int i = 0; i < lines; ++i)
      std::fprintf(f,
                   "%-5d Test%-12d| 20220809.0000 0.07863576  2.76662  10.5868  80.26644  73.53163       "
                   "334.327170  3.33  0.12\n",
                   i + 1, i + 1);
    std::fclose(f);
  };
  write("asteroides.dat", 60);
  write("asteroides2.dat", 1);
  ASSERT_TRUE(view.LoadAsteroids(folder.c_str()));
  ASSERT_EQ(g_asteroidCount, 64);
  view.m_planetariumMode = false;
  view.m_julianDate = 2460000.5;
  view.UpdateTimeContext();
  view.UpdateSkyPositions();
  view.m_lockedObject = 1000 + g_asteroidCount - 1;  // the last one: a built-in asteroid
  g_asteroids[g_asteroidCount - 1].position = Vector3d{100.0, 50.0, 0.0};
  g_asteroids[g_asteroidCount - 1].cameraDistance = 0.5;
  Vector3d place;
  double distance = 0.0;
  ASSERT_TRUE(view.LockedObjectPlace(place, distance));
  EXPECT_EQ(place.x, 100.0);

  // A shorter file: the locked number now lies past the records and past their spare room.
  write("asteroides.dat", 2);
  ASSERT_TRUE(view.LoadAsteroids(folder.c_str()));
  ASSERT_EQ(g_asteroidCount, 6);
  EXPECT_FALSE(view.LockedObjectPlace(place, distance));
  const Vector3d before = view.m_cameraPosition;
  view.OnMouseMove(0, CPoint(100, 100));
  view.OnMouseMove(MK_RBUTTON, CPoint(140, 120));  // orbit the locked object
  EXPECT_EQ(view.m_cameraPosition.x, before.x);    // nothing to orbit
  EXPECT_EQ(view.m_cameraPosition.y, before.y);
  view.OnMouseWheel(0, -120, CPoint(100, 100));
  EXPECT_TRUE(std::isfinite(view.m_cameraPosition.x));
  view.m_planetariumMode = true;
  view.FollowObjectWithTelescope();

  for (const char* f : {"asteroides.dat", "asteroides2.dat"}) std::remove((folder + "/donnees/" + f).c_str());
  rmdir((folder + "/donnees").c_str());
  rmdir(folder.c_str());
}

TEST_F(ViewInput, LockedCometOrAsteroidIsNamedWithItsDistance) {
  InputView view;
  view.m_englishUi = true;
  AsteroidRecord* savedAsteroids = g_asteroids;
  CometRecord* savedComets = g_comets;
  const int savedAsteroidCount = g_asteroidCount, savedCometCount = g_cometCount;
  g_asteroids = new AsteroidRecord[2]();
  g_comets = new CometRecord[1]();
  g_asteroidCount = 2, g_cometCount = 1;
  std::snprintf(g_asteroids[1].name, sizeof g_asteroids[1].name, "%s", "4 Vesta");
  g_asteroids[1].earthDistance = 1.5;     // AU
  g_asteroids[1].cameraDistance = 0.25;   // million km
  std::memcpy(g_comets[0].name, "C/2025 A6 (Lemmon) and a name that fills", sizeof g_comets[0].name);  // no end
  g_comets[0].earthDistance = 0.6;
  g_comets[0].cameraDistance = 0.012345;
  struct Case {
    int locked;
    bool planetarium;
    const char* text;
  } cases[] = {
      {1001, true, "Locked on 4 Vesta\r\nDistance:224396806 km\r\n(ESC for cancel)"},
      {1001, false, "Locked on 4 Vesta\r\nDistance:250000 km\r\n(ESC for cancel)"},
      {2000, true, "Locked on C/2025 A6 (Lemmon) and a name that fills\r\nDistance:89758722 km\r\n(ESC for cancel)"},
      {2000, false, "Locked on C/2025 A6 (Lemmon) and a name that fills\r\nDistance:12345 km\r\n(ESC for cancel)"},
      {1002, true, "Locked"},  // past the records
      {2001, false, "Locked"},
  };
  for (const Case& c : cases) {
    view.m_lockedObject = c.locked;
    view.m_planetariumMode = c.planetarium;
    EXPECT_EQ(view.LockedObjectText(), c.text) << c.locked << " " << c.planetarium;
  }
  delete[] g_asteroids;
  delete[] g_comets;
  g_asteroids = savedAsteroids, g_comets = savedComets;
  g_asteroidCount = savedAsteroidCount, g_cometCount = savedCometCount;
}

}  // namespace

namespace {

TEST_F(ViewInput, StopKeepsTheInstantAndFreesTheStarTiles) {
  InputView view;
  view.m_julianDate = 2460000.5;
  view.m_animationSpeedFactor = 86400.0;
  view.OnStartAnimation();
  view.now += 0.25;
  view.AdvanceAnimation();
  const double shown = view.m_julianDate;
  for (int& slot : view.m_sky2000TileSlots) slot = 3;
  for (int& slot : view.m_tycho2TileSlots) slot = 4;
  g_sky2000StarCount = g_tycho2StarCount = g_tycho2Part2StarCount = 10;
  view.OnStopAnimation();
  EXPECT_FALSE(view.m_animationRunning);
  EXPECT_EQ(view.m_julianDate, shown);
  for (int slot : view.m_sky2000TileSlots) EXPECT_EQ(slot, 0);
  for (int slot : view.m_tycho2TileSlots) EXPECT_EQ(slot, 0);
  EXPECT_EQ(g_sky2000StarCount + g_tycho2StarCount + g_tycho2Part2StarCount, 0);
}

}  // namespace

namespace {

// Galactic latitude and longitude (degrees) of a J2000 equatorial direction.
void Galactic(double ra, double dec, double& l, double& b) {
  const double m[3][3] = {{-0.0548755604162154, -0.8734370902348850, -0.4838350155487132},
                          {0.4941094278755837, -0.4448296299600112, 0.7469822444972189},
                          {-0.8676661490190047, -0.1980763734312015, 0.4559837761750669}};
  const double e[3] = {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)};
  double g[3];
  for (int i = 0; i < 3; ++i) g[i] = m[i][0] * e[0] + m[i][1] * e[1] + m[i][2] * e[2];
  b = std::asin(g[2]) / kDeg;
  l = std::atan2(g[1], g[0]) / kDeg;
}

// The band's centre line lies on the galactic equator in both modes, and its
// texture column u at galactic longitude 180 - 360 u.
TEST_F(ViewInput, MilkyWayTubeFollowsTheGalacticEquator) {
  struct Case {
    double latitude, jd, lst;
  } cases[] = {{48.85, 2461385.5, 0.3}, {-33.9, 2451545.0, 4.0}, {0.0, 2470000.0, 2.5}, {65.0, 2440000.0, 5.9}};
  for (const Case& c : cases) {
    InputView view;
    view.m_planetariumMode = true;
    view.m_observerLatitude = c.latitude * kDeg;
    view.m_sinLatitude = std::sin(view.m_observerLatitude);
    view.m_cosLatitude = std::cos(view.m_observerLatitude);
    view.m_julianDate = c.jd;
    view.m_localSiderealTime = c.lst;
    view.m_refractionFactor = 0.0;
    const D3DXMATRIX world = view.MilkyWayWorldMatrix();
    double worst = 0.0, worstLongitude = 0.0;
    for (int i = 0; i < 30; ++i) {
      const double t = (i + 0.5) * 2 * kPi / 30;
      const D3DXVECTOR3 local(static_cast<float>(std::cos(t)), static_cast<float>(std::sin(t)), 0.0f);
      D3DXVECTOR3 p;
      D3DXVec3TransformCoord(&p, &local, &world);
      D3DXVec3Normalize(&p, &p);
      const double altitude = std::asin(-p.y), azimuth = std::atan2(-p.x, p.z);
      double ra, dec;
      view.CursorEquatorial(altitude, azimuth, ra, dec);
      view.PrecessToJ2000(ra, dec);
      double l, b;
      Galactic(ra, dec, l, b);
      worst = std::max(worst, std::fabs(b));
      const double expected = 180.0 - 360.0 * (t / (2 * kPi));
      worstLongitude = std::max(worstLongitude, std::fabs(std::remainder(l - expected, 360.0)));
    }
    EXPECT_LT(worst, 0.4) << "latitude " << c.latitude << " jd " << c.jd;
    EXPECT_LT(worstLongitude, 1.0) << "latitude " << c.latitude << " jd " << c.jd;
  }
}

}  // namespace
