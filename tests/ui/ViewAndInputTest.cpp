#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QThread>
#include <QWidget>
#include <vector>

#include "App.h"
#include "UiTestSupport.h"

namespace {

class RecordingView : public CView {
 public:
  void OnDraw(CDC*) override {
    ++draws;
    if (pumpInside) {
      Invalidate();
      PumpMessages();  // a paint arriving now must not run inside this one
    }
    maxDepth = std::max(maxDepth, ++depth);
    --depth;
  }
  void OnKeyDown(UINT key, UINT, UINT) override { keys.push_back(key); }
  void OnKeyUp(UINT key, UINT, UINT) override { released.push_back(key); }
  void OnChar(UINT c, UINT, UINT) override { chars.push_back(c); }
  BOOL OnMouseWheel(UINT flags, short delta, CPoint) override {
    wheel.push_back(delta);
    wheelFlags = flags;
    return TRUE;
  }
  void OnLButtonDown(UINT flags, CPoint p) override {
    downFlags = flags;
    downPoint = p;
  }
  int draws = 0;
  int depth = 0;
  int maxDepth = 0;
  bool pumpInside = false;
  std::vector<UINT> keys, released, chars;
  std::vector<short> wheel;
  UINT wheelFlags = 0, downFlags = 0;
  CPoint downPoint;
};

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ASSERT_TRUE(view.Create(nullptr, nullptr));
    view.GetWidget()->resize(64, 48);
    view.GetWidget()->show();
    QCoreApplication::processEvents();
    view.draws = 0;
  }
  void Send(QEvent* e) {
    QCoreApplication::sendEvent(view.GetWidget(), e);
    delete e;
  }
  RecordingView view;
};

}  // namespace

TEST_F(ViewTest, InvalidationsCoalesceIntoOnePaintMessage) {
  view.Invalidate();
  view.Invalidate();
  view.Invalidate();
  QCoreApplication::processEvents();
  EXPECT_EQ(view.draws, 1);
  view.Invalidate();
  view.UpdateWindow();  // paints at once
  EXPECT_EQ(view.draws, 2);
}

TEST_F(ViewTest, PaintMessagesPumpedInsideOnDrawWaitForIt) {
  view.pumpInside = true;
  view.Invalidate();
  QCoreApplication::processEvents();
  view.pumpInside = false;
  QCoreApplication::processEvents();
  EXPECT_EQ(view.maxDepth, 1);
  EXPECT_GE(view.draws, 2);
}

TEST_F(ViewTest, PresentedFramesBecomeThePicture) {
  int w = 0, h = 0;
  view.GetClientSize(w, h);
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 48);
  std::vector<unsigned char> frame(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < frame.size(); i += 4) {
    frame[i] = 10;       // blue
    frame[i + 1] = 20;   // green
    frame[i + 2] = 200;  // red
    frame[i + 3] = 255;
  }
  view.PresentFrame(frame.data(), w, h, w * 4);
  std::vector<unsigned char> picture;
  int pw = 0, ph = 0;
  view.GetPicture(picture, pw, ph);
  ASSERT_EQ(pw, w);
  ASSERT_EQ(ph, h);
  EXPECT_EQ(picture[0], 10);
  EXPECT_EQ(picture[1], 20);
  EXPECT_EQ(picture[2], 200);
  EXPECT_EQ(view.GetSafeHwnd(), static_cast<HWND>(&view));
}

TEST_F(ViewTest, KeysArriveAsVirtualKeyCodes) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    UINT vk;
  };
  const Case cases[] = {
      {Qt::Key_A, Qt::NoModifier, 'A'},           {Qt::Key_S, Qt::ControlModifier, 'S'},
      {Qt::Key_Plus, Qt::KeypadModifier, VK_ADD}, {Qt::Key_Minus, Qt::KeypadModifier, VK_SUBTRACT},
      {Qt::Key_0, Qt::KeypadModifier, VK_NUMPAD0}, {Qt::Key_PageUp, Qt::NoModifier, VK_PRIOR},
      {Qt::Key_Left, Qt::NoModifier, VK_LEFT},    {Qt::Key_Escape, Qt::NoModifier, VK_ESCAPE},
      {Qt::Key_Return, Qt::NoModifier, VK_RETURN}, {Qt::Key_F8, Qt::NoModifier, 0x77},
      {Qt::Key_Control, Qt::ControlModifier, VK_CONTROL}, {Qt::Key_Space, Qt::NoModifier, VK_SPACE},
  };
  for (const Case& c : cases) {
    view.keys.clear();
    Send(new QKeyEvent(QEvent::KeyPress, c.key, c.mods));
    ASSERT_EQ(view.keys.size(), 1u) << c.key;
    EXPECT_EQ(view.keys[0], c.vk) << c.key;
  }
  Send(new QKeyEvent(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier));
  EXPECT_EQ(view.released, (std::vector<UINT>{VK_CONTROL}));
  Send(new QKeyEvent(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QString("z")));
  EXPECT_EQ(view.chars.back(), static_cast<UINT>('z'));
}

TEST_F(ViewTest, WheelComesInWholeNotchesAndButtonsAsFlags) {
  auto wheel = [&](int delta) {
    Send(new QWheelEvent(QPointF(5, 5), QPointF(105, 105), QPoint(), QPoint(0, delta), Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false));
  };
  wheel(60);
  EXPECT_TRUE(view.wheel.empty());
  wheel(60);
  wheel(-240);
  EXPECT_EQ(view.wheel, (std::vector<short>{120, -240}));
  EXPECT_EQ(view.wheelFlags, MK_CONTROL);

  Send(new QMouseEvent(QEvent::MouseButtonPress, QPointF(7, 9), QPointF(107, 109), Qt::LeftButton,
                       Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier));
  EXPECT_EQ(view.downFlags, MK_LBUTTON | MK_RBUTTON | MK_SHIFT);
  EXPECT_EQ(view.downPoint, CPoint(7, 9));
}

namespace {

class IdleApp : public CWinApp {
 public:
  BOOL OnIdle(LONG) override {
    ++idles;
    return TRUE;
  }
  int idles = 0;
};

}  // namespace

TEST(IdleLoop, NoIdleWhileAModalBoxRuns) {
  TestApplication();
  IdleApp app;
  EXPECT_TRUE(app.IdleStep());
  EXPECT_EQ(app.idles, 1);
  bool stepDuringBox = true;
  SetMessageBoxHandler([&](const CString&, const CString&, UINT) {
    EXPECT_GT(AfxModalDepth(), 0);
    stepDuringBox = app.IdleStep();
    return IDOK;
  });
  AfxMessageBox("modal");
  SetMessageBoxHandler(nullptr);
  EXPECT_FALSE(stepDuringBox);
  EXPECT_EQ(app.idles, 1);
  EXPECT_TRUE(app.IdleStep());
  EXPECT_EQ(app.idles, 2);
}

#include "Shell.h"
#include "SysColors.h"
#include "UiPrivate.h"

namespace {

class TimerWindow : public CView {
 public:
  void OnDraw(CDC*) override {}
  void OnTimer(UINT_PTR id) override {
    ticks.push_back(id);
    if (ticks.size() == 3) KillTimer(id);
  }
  std::vector<UINT_PTR> ticks;
};

}  // namespace

TEST(Timers, TickUntilKilled) {
  TestApplication();
  TimerWindow window;
  ASSERT_TRUE(window.Create(nullptr, nullptr));
  window.SetTimer(150, 5);
  for (int i = 0; i < 200 && window.ticks.size() < 3; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(window.ticks, (std::vector<UINT_PTR>{150, 150, 150}));
  EXPECT_FALSE(window.KillTimer(150));
}

TEST(NightVision, SystemColoursRecolourOurWindows) {
  TestApplication();
  SetSysColorsListener(ApplySysColorsToApplication);
  const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE};
  const COLORREF night[] = {RGB(0, 0, 0), RGB(150, 150, 150), RGB(100, 0, 0)};
  COLORREF saved[3];
  for (int i = 0; i < 3; ++i) saved[i] = GetSysColor(elements[i]);
  ASSERT_TRUE(SetSysColors(3, elements, night));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(100, 0, 0));
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(100, 0, 0));
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), QColor(0, 0, 0));
  const int bad[] = {99};
  EXPECT_FALSE(SetSysColors(1, bad, night));
  ASSERT_TRUE(SetSysColors(3, elements, saved));
  SetSysColorsListener(nullptr);
}

TEST(ShellOpen, MissingFileIsReported) {
  EXPECT_EQ(ShellExecute(nullptr, "open", "/nonexistent/print.bmp", nullptr, nullptr, 1), SE_ERR_FNF);
  EXPECT_EQ(ShellExecute(nullptr, "open", "", nullptr, nullptr, 1), SE_ERR_FNF);
}
