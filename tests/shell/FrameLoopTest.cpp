#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <vector>

#include "Nuvarine2App.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ShellTestSupport.h"

namespace {

// A view whose device exists and whose scene and other subsystems are recorders.
class ScheduleView : public CNuvarine2View {
 public:
  ScheduleView() {
    m_millisecondClock = [this] { return clock; };
  }
  bool HasDevice() const override { return device; }
  bool InitObjects() override {
    initFrames.push_back(m_frameCounter);
    return true;
  }
  void FrameMove(float dt) override {
    frameTimes.push_back(dt);
    if (reenter) OnDraw(nullptr);
  }
  bool Render() override {
    renderFrames.push_back(m_frameCounter);
    if (m_frameCounter == 10) m_gpsActive = 0;  // the GPS code gives up
    return true;
  }
  int RunStartupBox(const CString& text, int& choice) override {
    boxTexts.push_back(text);
    boxFrames.push_back(m_frameCounter);
    choice = boxChoice;
    return boxResult;
  }
  void PollGpsReceiver() override { gpsFrames.push_back(m_frameCounter); }
  void GetClientSize(int& width, int& height) const override { width = clientWidth, height = clientHeight; }
  void Frame(double now) {
    clock = now;
    OnDraw(nullptr);
  }

  double clock = 1000.0;
  bool device = true;
  bool reenter = false;
  int clientWidth = 0, clientHeight = 0;
  int boxChoice = 0;
  int boxResult = IDCANCEL;
  std::vector<uint32_t> initFrames, renderFrames, boxFrames, gpsFrames;
  std::vector<float> frameTimes;
  std::vector<CString> boxTexts;
};

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
  }
};


}  // namespace

TEST_F(FrameLoop, ScheduleOfTheFirstFrames) {
  ScheduleView view;
  view.m_deviceReady = TRUE;
  view.m_gpsActive = 1;
  for (int i = 1; i <= 16; ++i) view.Frame(1000.0 + 20.0 * i);
  EXPECT_EQ(view.initFrames, (std::vector<uint32_t>{5}));
  EXPECT_TRUE(view.m_sceneReady);
  EXPECT_EQ(view.renderFrames.front(), 5u);
  EXPECT_EQ(view.renderFrames.size(), 12u);
  EXPECT_EQ(view.m_loadingWindow, 0);
  EXPECT_EQ(view.boxFrames, (std::vector<uint32_t>{7}));
  EXPECT_TRUE(view.boxTexts[0].IsEmpty());  // a tip, not alerts
  EXPECT_FALSE(view.m_startupBoxPending);
  EXPECT_EQ(view.frameTimes.size(), 16u);
  EXPECT_FALSE(g_firstPaint);
}

// The first paint before the scene exists makes the whole view grey (100,
// 100, 100) inside a thin black outline, also when the device was made at a
// smaller size than the window has now; later paints leave it alone.
TEST_F(FrameLoop, FirstPaintIsGreyOverTheWholeView) {
  ScheduleView view;
  view.m_deviceReady = TRUE;
  view.m_backBufferWidth = 200.0f;
  view.m_backBufferHeight = 100.0f;
  view.clientWidth = 640;
  view.clientHeight = 480;
  QImage surface(640, 480, QImage::Format_RGB32);
  surface.fill(Qt::black);
  {
    CDC dc(&surface);
    view.clock = 1000.0;
    view.OnDraw(&dc);
  }
  EXPECT_FALSE(g_firstPaint);
  EXPECT_EQ(surface.pixelColor(0, 0), QColor(0, 0, 0)) << "the outline";
  for (const QPoint p : {QPoint(1, 1), QPoint(320, 240), QPoint(639, 1), QPoint(1, 479), QPoint(639, 479)})
    EXPECT_EQ(surface.pixelColor(p), QColor(100, 100, 100)) << p.x() << "," << p.y();
  surface.fill(Qt::red);
  {
    CDC dc(&surface);
    view.OnDraw(&dc);
  }
  EXPECT_EQ(surface.pixelColor(320, 240), QColor(Qt::red)) << "painted once only";
}

TEST_F(FrameLoop, LoadingStateEndsAtTheSixthFrame) {
  ScheduleView view;
  view.m_deviceReady = TRUE;
  for (int i = 1; i <= 5; ++i) view.Frame(1000.0 + i);
  EXPECT_EQ(view.m_loadingWindow, 1);
  view.Frame(1010.0);
  EXPECT_EQ(view.m_loadingWindow, 0);
}

TEST_F(FrameLoop, FrameTimesAndSmoothedRate) {
  ScheduleView view;
  view.clock = 5000.0;
  view.Frame(5000.0);  // first call: measured from itself, equal readings give 1 s
  view.Frame(5100.0);  // 0.1 s
  view.Frame(5100.0);  // equal readings again: 1 s, never 0
  ASSERT_EQ(view.frameTimes.size(), 3u);
  EXPECT_FLOAT_EQ(view.frameTimes[0], 1.0f);
  EXPECT_FLOAT_EQ(view.frameTimes[1], 0.1f);
  EXPECT_FLOAT_EQ(view.frameTimes[2], 1.0f);
  // First rate taken as measured, then 10 % towards each new one.
  float r1 = 1.0f;
  float r2 = (10.0f - r1) * 0.1f + r1;
  float r3 = (1.0f - r2) * 0.1f + r2;
  EXPECT_FLOAT_EQ(g_frameRate, r3);
  EXPECT_FLOAT_EQ(view.m_framesPerSecondMax, r2);
}

TEST_F(FrameLoop, FrameTimesStayExactAfterMonthsOfUptime) {
  ScheduleView view;
  const double start = 100.0 * 86400000.0;  // 100 days in milliseconds
  view.Frame(start);
  for (int i = 1; i <= 5; ++i) view.Frame(start + 16.0 * i);
  for (size_t i = 1; i < view.frameTimes.size(); ++i) EXPECT_NEAR(view.frameTimes[i], 0.016f, 1e-6f);
}

TEST_F(FrameLoop, GpsIsReadEveryFifthFrameWhileActive) {
  ScheduleView view;
  view.m_deviceReady = TRUE;
  view.m_gpsActive = 1;
  for (int i = 1; i <= 20; ++i) view.Frame(2000.0 + i);
  // Read at 5 and 10; the GPS code gave up during frame 10.
  EXPECT_EQ(view.gpsFrames, (std::vector<uint32_t>{5, 10}));
}

TEST_F(FrameLoop, WithoutDeviceOnlyTheUpdateRuns) {
  ScheduleView view;
  view.device = false;
  for (int i = 1; i <= 10; ++i) view.Frame(3000.0 + i);
  EXPECT_EQ(view.frameTimes.size(), 10u);
  EXPECT_TRUE(view.initFrames.empty());
  EXPECT_TRUE(view.renderFrames.empty());
  EXPECT_TRUE(view.boxFrames.empty());
  EXPECT_EQ(view.m_loadingWindow, 1);
  // A device that comes late still gets its scene, the loading window goes
  // and the start-up box follows, in the usual order.
  view.device = true;
  for (int i = 11; i <= 14; ++i) view.Frame(3000.0 + i);
  EXPECT_EQ(view.initFrames, (std::vector<uint32_t>{11}));
  EXPECT_TRUE(view.m_sceneReady);
  EXPECT_EQ(view.m_loadingWindow, 0);
  EXPECT_EQ(view.boxFrames, (std::vector<uint32_t>{7}));
}

TEST_F(FrameLoop, APaintPumpedDuringAFrameIsIgnored) {
  ScheduleView view;
  view.reenter = true;
  view.Frame(4000.0);
  view.Frame(4010.0);
  EXPECT_EQ(view.m_frameCounter, 2u);
  EXPECT_EQ(view.frameTimes.size(), 2u);
}

TEST_F(FrameLoop, AlertsReplaceTheTipOnceAndCanBeTurnedOff) {
  ScheduleView view;
  view.m_deviceReady = TRUE;
  view.m_lastEphemerisText = "Today : \tFull Moon";
  view.boxChoice = 1;  // "Never show alerts at startup"
  view.boxResult = IDCANCEL;
  for (int i = 1; i <= 12; ++i) view.Frame(6000.0 + i);
  ASSERT_EQ(view.boxTexts.size(), 1u);
  EXPECT_EQ(view.boxTexts[0], "Today :  Full Moon");
  EXPECT_FALSE(view.m_showAlertsAtStartup);
  EXPECT_TRUE(view.m_showTipsAtStartup);
  EXPECT_TRUE(view.m_lastEphemerisText.IsEmpty());

  ScheduleView tips;
  ResetFrameLoopGlobals();
  tips.m_deviceReady = TRUE;
  tips.boxChoice = 1;
  tips.boxResult = IDOK;  // not closed through its OK button: nothing changes
  for (int i = 1; i <= 8; ++i) tips.Frame(7000.0 + i);
  EXPECT_TRUE(tips.m_showTipsAtStartup);
}

TEST_F(FrameLoop, NoIdleFramesWhileAModalBoxRuns) {
  bool stepped = true;
  SetMessageBoxHandler([&](const CString&, const CString&, UINT) {
    stepped = g_app.IdleStep();
    return IDOK;
  });
  AfxMessageBox("modal");
  SetMessageBoxHandler(nullptr);
  EXPECT_FALSE(stepped);
}
